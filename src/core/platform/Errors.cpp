#include "platform/Errors.h"

#include <cerrno>

namespace zumi {

namespace {

std::string GenericMessage(int code) {
    return "I/O ｴﾗｰ (" + std::to_string(code) + ")";
}

std::string MessageFor(int code) {
    switch (code) {
    case IOError::FileNotFound:
        return "ﾌｧｲﾙが見つかりません";
    case IOError::InvalidFileName:
        return "不正なﾌｧｲﾙ名です";
    case IOError::TooManyOpenFiles:
        return "ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます";
    case IOError::AccessDenied:
        return "ﾌｧｲﾙへのｱｸｾｽが拒否されました";
    case IOError::ReadBeyondEnd:
        return "ﾌｧｲﾙの末尾以降を読み込みました";
    case IOError::DiskFull:
        return "ﾃﾞｨｽｸがいっぱいです";
    case IOError::InvalidNumber:
        return "入力値が数値ではありません";
    default:
        return GenericMessage(code);
    }
}

} // namespace

IOError::IOError(int code) : IOError(code, MessageFor(code)) {}

IOError::IOError(int code, const std::string& message) : Error(message), m_Code(code) {}

IOError IOError::FromErrno(int err) {
    switch (err) {
    case ENOENT:
        return IOError(FileNotFound);
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return IOError(InvalidFileName);
    case EMFILE:
    case ENFILE:
        return IOError(TooManyOpenFiles);
    case EACCES:
    case EPERM:
        return IOError(AccessDenied);
    case ENOSPC:
        return IOError(DiskFull);
    default:
        // errno values overlap the codes above (EIO is 5), so they never go through the table.
        return IOError(err, GenericMessage(err));
    }
}

CreateError::CreateError(const std::string& path) : Error("ﾌｧｲﾙ " + path + " を作成できません") {}

WriteError::WriteError() : Error("ｽﾄﾘｰﾑへの書き込みｴﾗｰ") {}

} // namespace zumi
