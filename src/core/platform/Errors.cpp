#include "platform/Errors.h"

#include <cerrno>

namespace zumi {

namespace {

std::string MessageFor(int code) {
    switch (code) {
    case 2:
        return "ﾌｧｲﾙが見つかりません";
    case 3:
        return "不正なﾌｧｲﾙ名です";
    case 4:
        return "ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます";
    case 5:
        return "ﾌｧｲﾙへのｱｸｾｽが拒否されました";
    case 100:
        return "ﾌｧｲﾙの末尾以降を読み込みました";
    case 101:
        return "ﾃﾞｨｽｸがいっぱいです";
    case 106:
        return "入力値が数値ではありません";
    default:
        return "I/O ｴﾗｰ (" + std::to_string(code) + ")";
    }
}

} // namespace

IOError::IOError(int code) : IOError(code, MessageFor(code)) {}

IOError::IOError(int code, const std::string& message) : Error(message), m_Code(code) {}

IOError IOError::FromErrno(int err) {
    switch (err) {
    case ENOENT:
        return IOError(2);
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return IOError(3);
    case EMFILE:
    case ENFILE:
        return IOError(4);
    case EACCES:
    case EPERM:
        return IOError(5);
    case ENOSPC:
        return IOError(101);
    default:
        // errno values overlap the codes above (EIO is 5), so they never go through the table.
        return IOError(err, "I/O ｴﾗｰ (" + std::to_string(err) + ")");
    }
}

} // namespace zumi
