// zumi_list [-c] [--no-MECHANISM...] FOLDER [MASK]: the file list's re-read of
// one folder as a whole process, so that it compares with `ls -f` under
// hyperfine. Prints the rows, one a line, or with -c only their count. The
// mask defaults to the program's. Each --no- option turns one speed mechanism
// off, to measure what it gains: --no-keys-while-reading, --no-two-thread-sort.
#include "panes/FileList.h"
#include "platform/Errors.h"
#include "platform/SpeedMechanisms.h"

#include <cstdio>
#include <cstring>
#include <string>

static int Usage() {
    std::fprintf(stderr, "usage: zumi_list [-c] [--no-MECHANISM...] FOLDER [MASK]\n");
    return 2;
}

int main(int argc, char** argv) {
    const bool countOnly = argc > 1 && std::strcmp(argv[1], "-c") == 0;
    argv += countOnly;
    argc -= countOnly;
    for (; argc > 1 && std::strncmp(argv[1], "--no-", 5) == 0; ++argv, --argc) {
        if (std::strcmp(argv[1], "--no-keys-while-reading") == 0)
            zumi::Speed.keysWhileReading = false;
        else if (std::strcmp(argv[1], "--no-two-thread-sort") == 0)
            zumi::Speed.twoThreadSort = false;
        else
            return Usage();
    }
    if (argc < 2 || argc > 3)
        return Usage();
    zumi::FileList list;
    try {
        list.SetFolderPath(argv[1], false);
        list.SetMask(argc > 2 ? argv[2] : "*.gif;*.jpg;*.png");
        list.RereadFiles();
    } catch (const zumi::IOError& error) {
        std::fprintf(stderr, "zumi_list: %s: %s\n", argv[1], error.what());
        return 1;
    }
    if (countOnly) {
        std::printf("%zu\n", list.RowCount());
        return 0;
    }
    // The rows go out in blocks, as ls writes its own, not a library call per row.
    std::string block;
    block.reserve(1 << 16);
    for (size_t i = 0; i < list.RowCount(); ++i) {
        (block += list.Row(i)) += '\n';
        if (block.size() >= (1 << 16) || i + 1 == list.RowCount()) {
            std::fwrite(block.data(), 1, block.size(), stdout);
            block.clear();
        }
    }
    return 0;
}
