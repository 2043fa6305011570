#include "platform/Paths.h"

#include <algorithm>

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

void PushNames(std::vector<std::string>& stack, std::string_view path) {
    std::vector<std::string> names;
    for (size_t start = 0; start <= path.size();) {
        const size_t slash = std::min(path.find('/', start), path.size());
        if (const std::string_view name = path.substr(start, slash - start); !name.empty() && name != ".")
            names.emplace_back(name);
        start = slash + 1;
    }
    stack.insert(stack.end(), names.rbegin(), names.rend());
}

std::string ChangeFileExtension(const std::string& path, std::string_view extension) {
    const size_t nameStart = path.rfind('/') + 1;
    const size_t dot = path.rfind('.');
    const size_t stemEnd = dot != std::string::npos && dot >= nameStart ? dot : path.size();
    return path.substr(0, stemEnd) + std::string(extension);
}

} // namespace zumi
