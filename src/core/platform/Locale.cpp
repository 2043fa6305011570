#include "platform/Locale.h"

#include <cstdlib>

namespace zumi {

std::string UserLocale(const char* category) {
    for (const char* variable : {"LC_ALL", category, "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return "";
}

std::string IcuLocaleId(const std::string& locale) {
    std::string name = locale.substr(0, locale.find_first_of(".@"));
    if (name == "C" || name == "POSIX")
        return "";
    return name;
}

} // namespace zumi
