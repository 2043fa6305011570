#include "platform/Paths.h"

namespace zumi {

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

std::pair<std::string, std::string> SplitFileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::string ChangeFileExtension(const std::string& path, std::string_view extension) {
    const size_t nameStart = path.rfind('/') + 1;
    const size_t dot = path.rfind('.');
    const size_t stemEnd = dot != std::string::npos && dot >= nameStart ? dot : path.size();
    return path.substr(0, stemEnd) + std::string(extension);
}

} // namespace zumi
