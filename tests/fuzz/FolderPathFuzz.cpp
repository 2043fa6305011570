// Splits the input as a folder text, from a working directory holding a small
// tree, and checks the result against a walk of the text's components: the
// folder comes out as an absolute path with "." and ".." resolved, a last
// component that names a file, or holds a wildcard without naming a folder, is
// dropped, a component that cannot be entered fails with IOError, and the
// working directory is the same afterwards. Texts whose walk meets a link, or
// that a system call would cut at a NUL byte or refuse as too long, are only
// checked for the invariants.

#include "panes/FolderList.h"
#include "platform/Errors.h"
#include "platform/FolderReading.h"
#include "platform/WorkingDirectory.h"

#include "FuzzSupport.h"

#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The working directory for every split: a tree with a file, a folder whose
// name holds a wildcard, one with a space, a deeper level and a link. The link
// sits in the scratch folder, which only this user may write (mkdtemp makes it
// 0700), so entering through it is allowed.
const std::string& Top() {
    static const ScratchFolder scratch;
    static const std::string top = [] {
        const std::string& root = scratch.Path();
        for (const char* folder : {"/pics", "/pics/2001", "/x*y", "/sub dir"})
            Require(mkdir((root + folder).c_str(), 0755) == 0, "the tree is laid", {folder});
        Require(close(open((root + "/pics/a.png").c_str(), O_CREAT | O_WRONLY, 0644)) == 0, "the tree is laid");
        Require(symlink("pics/2001", (root + "/link").c_str()) == 0, "the tree is laid");
        return std::filesystem::canonical(root).string();
    }();
    return top;
}

enum class Walk { Entered, Fails, Unknown };

std::string Child(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// One step of chdir from the folder through a component.
Walk Step(std::string& folder, const std::string& component) {
    if (component.empty() || component == ".")
        return Walk::Entered;
    if (component == "..") {
        folder = folder.substr(0, std::max<size_t>(folder.rfind('/'), 1));
        return Walk::Entered;
    }
    struct stat st;
    if (lstat(Child(folder, component).c_str(), &st) != 0)
        return Walk::Fails;
    if (S_ISLNK(st.st_mode))
        return Walk::Unknown;
    if (!S_ISDIR(st.st_mode))
        return Walk::Fails;
    folder = Child(folder, component);
    return Walk::Entered;
}

// Walks the folder part from the working directory (or the root), then the
// last component unless it is empty, names a file, or holds a wildcard and
// names nothing (a folder's name may hold "*" or "?").
Walk Expected(const std::string& text, std::string& folder) {
    if (text.find('\0') != std::string::npos || text.size() >= PATH_MAX)
        return Walk::Unknown;
    std::string path = text;
    if (path.size() >= 2 && path.front() == '[' && path.back() == ']')
        path = path.substr(1, path.size() - 2);
    folder = !path.empty() && path.front() == '/' ? "/" : Top();
    size_t start = 0;
    for (size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1)
        if (const Walk walk = Step(folder, path.substr(start, slash - start)); walk != Walk::Entered)
            return walk;
    const std::string name = path.substr(start);
    struct stat st;
    const bool found = lstat(Child(folder, name).c_str(), &st) == 0;
    if (name.empty() || (found && !S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode)) ||
        (!found && name.find_first_of("*?") != std::string::npos))
        return Walk::Entered;
    return Step(folder, name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string launch = zumi::CurrentDirectory();
    const std::string& top = Top();
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::optional<std::string> split;
    try {
        split = zumi::SplitFolderPath(text, top);
    } catch (const zumi::IOError&) {
    }
    const std::string after = zumi::CurrentDirectory();
    // Back where libFuzzer started: it reads and writes its files relative to that.
    if (chdir(launch.c_str()) != 0)
        std::abort();
    Require(after == launch || after == "/", "the process holds no folder it entered", {text, after});
    if (split) {
        const std::string& folder = *split;
        Require(zumi::FolderExists(folder) && folder.front() == '/' && (folder == "/" || folder.back() != '/'),
                "the folder is an existing absolute path", {text, folder});
    }
    std::string expected;
    switch (Expected(text, expected)) {
    case Walk::Entered:
        Require(split == expected, "the folder is the one the text's components lead to",
                {text, split.value_or("IOError"), expected});
        break;
    case Walk::Fails:
        Require(!split, "a text whose components cannot be entered fails", {text, split.value_or("")});
        break;
    case Walk::Unknown:
        break;
    }
    return 0;
}
