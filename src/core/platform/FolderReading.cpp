#include "platform/FolderReading.h"

#include "platform/Errors.h"

#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zumi {

bool FolderExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

namespace {

// A few thousand entries a call: a large folder's names then reach the thread
// that keys them for the sort steadily rather than in a few big batches, and
// the buffer stays in the cache. A million entries take a few hundred calls.
constexpr size_t BufferSize = 1 << 16;

std::atomic<bool> ReadsHeld{false};
constexpr int HoldAtMostMs = 10000;

// An entry's attributes from its name and its type as the folder gives it.
unsigned Attributes(int folder, const char* name, unsigned char type, bool wantReadOnly) {
    unsigned attributes = name[0] == '.' ? unsigned{ftHidden} : 0U;
    if (type == DT_LNK || type == DT_UNKNOWN) {
        struct stat st; // of what a link points to; a link that points nowhere is a system entry
        type = fstatat(folder, name, &st, 0) == 0 ? IFTODT(st.st_mode) : int{DT_UNKNOWN};
    }
    if (type == DT_DIR)
        attributes |= ftDirectory;
    else if (type != DT_REG)
        attributes |= ftSystem;
    if (wantReadOnly && faccessat(folder, name, W_OK, AT_EACCESS) != 0)
        attributes |= ftReadOnly;
    return attributes;
}

} // namespace

FolderReader::FolderReader(int folder, bool wantReadOnly)
    : m_Fd(openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)), m_WantReadOnly(wantReadOnly) {
    if (m_Fd < 0)
        throw IOError::FromErrno(errno);
}

FolderReader::~FolderReader() {
    close(m_Fd);
}

void FolderReader::HoldReads(bool hold) {
    ReadsHeld = hold;
}

bool FolderReader::Entry(const std::string& name, unsigned& attributes, bool* link) const {
    struct stat st;
    if (name.empty() || fstatat(m_Fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (link != nullptr)
        *link = S_ISLNK(st.st_mode);
    attributes = Attributes(m_Fd, name.c_str(), IFTODT(st.st_mode), m_WantReadOnly);
    return true;
}

bool FolderReader::Next(std::string_view& name, unsigned& attributes) {
    for (;;) {
        if (Stopped())
            return false;
        if (m_Position == m_End) {
            if (!m_Buffer)
                m_Buffer.reset(new char[BufferSize]);
            // A read held for longer goes on, so that a test that holds the reading thread itself fails rather than
            // hangs.
            for (int waited = 0; ReadsHeld && !Stopped() && waited < HoldAtMostMs; waited += 5)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            const ssize_t length = getdents64(m_Fd, m_Buffer.get(), BufferSize);
            if (length < 0)
                throw IOError::FromErrno(errno);
            if (length == 0)
                return false;
            m_Position = 0;
            m_End = static_cast<size_t>(length);
        }
        const auto* entry = reinterpret_cast<const dirent64*>(m_Buffer.get() + m_Position);
        m_Position += entry->d_reclen;
        const char* text = entry->d_name;
        if (text[0] == '.' && (text[1] == '\0' || (text[1] == '.' && text[2] == '\0')))
            continue;

        attributes = Attributes(m_Fd, text, entry->d_type, m_WantReadOnly);
        name = text;
        if (entry->d_type == DT_LNK)
            m_Links.emplace_back(name);
        return true;
    }
}

} // namespace zumi
