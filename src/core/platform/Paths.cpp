#include "platform/Paths.h"

namespace zumi {

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

std::string ChangeFileExtension(const std::string& path, std::string_view extension) {
    const size_t nameStart = path.rfind('/') + 1;
    const size_t dot = path.rfind('.');
    const size_t stemEnd = dot != std::string::npos && dot >= nameStart ? dot : path.size();
    return path.substr(0, stemEnd) + std::string(extension);
}

} // namespace zumi
