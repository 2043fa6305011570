#pragma once

#include <stdexcept>
#include <string>

namespace zumi {

// A failure whose message (UTF-8, Japanese) is shown to the user as it stands.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failed file-system operation. The code is one of the program's own I/O
// error codes below, each with its message; a system error with no such code
// keeps its errno value and gets the generic "I/O ｴﾗｰ (code)" message.
class IOError : public Error {
public:
    static constexpr int FileNotFound = 2;
    static constexpr int InvalidFileName = 3;
    static constexpr int TooManyOpenFiles = 4;
    static constexpr int AccessDenied = 5;
    static constexpr int ReadBeyondEnd = 100;
    static constexpr int DiskFull = 101;
    static constexpr int InvalidNumber = 106;

    explicit IOError(int code);
    static IOError FromErrno(int err);

    int Code() const { return m_Code; }

private:
    IOError(int code, const std::string& message);
    int m_Code;
};

// A file that could not be created, or replaced: "ﾌｧｲﾙ <path> を作成できません".
class CreateError : public Error {
public:
    explicit CreateError(const std::string& path);
};

// Text that could not be written whole, as on a full disk: "ｽﾄﾘｰﾑへの書き込みｴﾗｰ".
class WriteError : public Error {
public:
    WriteError();
};

} // namespace zumi
