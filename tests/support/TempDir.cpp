#include "TempDir.h"

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <grp.h>
#include <pwd.h>
#include <sched.h>
#include <sstream>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/zumi-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    chmod(pattern.c_str(), 0755);
    m_Path = pattern;
}

TempDir::~TempDir() {
    if (chdir("/") != 0) {
        // Tests work inside the folder; out of it or not, it is removed below.
    }
    // Make everything removable again first: tests lock folders away.
    const auto unlock = [](const char* path, const struct stat*, int type, FTW*) {
        if (type == FTW_D || type == FTW_DNR)
            chmod(path, 0755);
        return 0;
    };
    const auto removeOne = [](const char* path, const struct stat*, int, FTW*) {
        remove(path);
        return 0;
    };
    nftw(m_Path.c_str(), unlock, 16, FTW_PHYS);
    nftw(m_Path.c_str(), removeOne, 16, FTW_DEPTH | FTW_PHYS);
}

void WorkIn(const std::string& folder) {
    if (chdir(folder.c_str()) != 0)
        throw std::runtime_error("cannot enter " + folder);
}

std::string TempDir::File(const std::string& name, mode_t mode) const {
    const std::string path = *this / name;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    if (fd < 0)
        throw std::runtime_error("cannot create " + path);
    close(fd);
    chmod(path.c_str(), mode);
    return path;
}

std::string TempDir::Folder(const std::string& name, mode_t mode) const {
    const std::string path = *this / name;
    if (mkdir(path.c_str(), 0755) != 0)
        throw std::runtime_error("cannot create " + path);
    chmod(path.c_str(), mode);
    return path;
}

uid_t NobodyUid() {
    const passwd* pw = getpwnam("nobody");
    return pw != nullptr ? pw->pw_uid : 65534;
}

gid_t NobodyGid() {
    const passwd* pw = getpwnam("nobody");
    return pw != nullptr ? pw->pw_gid : 65534;
}

std::string InChildProcess(const std::function<std::string()>& step) {
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const std::string result = step();
        const char* data = result.data();
        size_t left = result.size();
        while (left > 0) {
            const ssize_t written = write(fds[1], data, left);
            if (written <= 0)
                break;
            data += written;
            left -= static_cast<size_t>(written);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string result;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, static_cast<size_t>(got));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return result;
}

namespace {

std::string Dropped(uid_t uid, gid_t gid, const std::function<std::string()>& step) {
    return InChildProcess([&] {
        if (uid != 0 && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0 || getuid() == 0))
            return std::string("could not drop privileges");
        return step();
    });
}

} // namespace

std::string AsUnprivilegedUser(const std::function<std::string()>& step) {
    return Dropped(NobodyUid(), NobodyGid(), step);
}

std::string AsUser(uid_t uid, const std::function<std::string()>& step) {
    return Dropped(uid, uid, step);
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    DIR* dir = opendir(folder.c_str());
    while (const dirent* entry = readdir(dir))
        names.insert(entry->d_name);
    closedir(dir);
    return names;
}

bool InOwnMountNamespace() {
    return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}
