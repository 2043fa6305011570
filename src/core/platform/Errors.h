#pragma once

#include <stdexcept>
#include <string>

namespace zumi {

// A failure whose message (UTF-8, Japanese) is shown to the user as it stands.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failed file-system operation. The code is the program's own I/O error code
// (2 file not found, 3 bad name, 4 too many open files, 5 access denied,
// 100 read past end, 101 disk full, 106 not a number); a system error with no
// such code keeps its errno value and gets the generic "I/O ｴﾗｰ" message.
class IOError : public Error {
public:
    explicit IOError(int code);
    static IOError FromErrno(int err);

    int Code() const { return m_Code; }

private:
    IOError(int code, const std::string& message);
    int m_Code;
};

} // namespace zumi
