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

namespace {

// Turns off the mechanism an option names; false when it names none.
bool TurnOff(const char* option) {
    const struct {
        const char* name;
        bool zumi::SpeedMechanisms::*on;
    } options[] = {
        {"--no-keys-while-reading", &zumi::SpeedMechanisms::keysWhileReading},
        {"--no-two-thread-sort", &zumi::SpeedMechanisms::twoThreadSort},
    };
    for (const auto& o : options) {
        if (std::strcmp(option, o.name) == 0) {
            zumi::Speed.*o.on = false;
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const bool countOnly = argc > 1 && std::strcmp(argv[1], "-c") == 0;
    argv += countOnly;
    argc -= countOnly;
    while (argc > 1 && TurnOff(argv[1])) {
        ++argv;
        --argc;
    }
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: zumi_list [-c] [--no-MECHANISM...] FOLDER [MASK]\n");
        return 2;
    }
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
