#pragma once

#include "Names.h"

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <ftw.h>
#include <map>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// The processor time the whole process has used, in seconds.
inline double ProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A folder under $TMPDIR (or /tmp) holding n empty files named by NameFor, or n subfolders
// named the same without their extension. Each is made once per run, on first
// use, and all are removed at exit.
inline const std::string& Folder(int n, bool subfolders = false) {
    static std::map<std::pair<int, bool>, std::string> folders;
    const auto found = folders.find({n, subfolders});
    if (found != folders.end())
        return found->second;
    const char* const temporary = std::getenv("TMPDIR");
    std::string path =
        std::string(temporary != nullptr && *temporary != '\0' ? temporary : "/tmp") + "/zumi-bench-XXXXXX";
    if (mkdtemp(path.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    for (int i = 0; i < n; ++i) {
        const std::string name = NameFor(i);
        if (subfolders)
            mkdir((path + "/" + name.substr(0, name.rfind('.'))).c_str(), 0755);
        else
            close(open((path + "/" + name).c_str(), O_CREAT | O_WRONLY, 0644));
    }
    if (folders.empty()) {
        std::atexit([] {
            for (const auto& folder : folders)
                nftw(
                    folder.second.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
                    FTW_DEPTH | FTW_PHYS);
        });
    }
    return folders.emplace(std::make_pair(n, subfolders), path).first->second;
}
