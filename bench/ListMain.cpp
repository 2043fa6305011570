// zumi_list FOLDER [MASK]: the file list's re-read of one folder as a whole
// process, so that it compares with `ls -f` under hyperfine. Prints the rows,
// one a line, or with -c only their count. The mask defaults to the program's.
#include "panes/FileList.h"
#include "platform/Errors.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const bool countOnly = argc > 1 && std::strcmp(argv[1], "-c") == 0;
    argv += countOnly;
    argc -= countOnly;
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: zumi_list [-c] FOLDER [MASK]\n");
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
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    for (size_t i = 0; i < list.RowCount(); ++i) {
        const std::string_view row = list.Row(i);
        std::fwrite(row.data(), 1, row.size(), stdout);
        std::fputc('\n', stdout);
    }
    return 0;
}
