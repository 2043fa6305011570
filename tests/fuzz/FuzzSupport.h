#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

// Stops the run when a property does not hold: prints the property and the
// texts involved (bytes outside printable ASCII as \xNN) and aborts, so that
// libFuzzer reports the input as a crash and saves it.
inline void Require(bool holds, const char* property, std::initializer_list<std::string_view> texts = {}) {
    if (holds)
        return;
    std::fprintf(stderr, "Property does not hold: %s\n", property);
    for (const std::string_view text : texts) {
        std::fputs("  \"", stderr);
        for (const char ch : text) {
            const auto c = static_cast<unsigned char>(ch);
            if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\')
                std::fputc(c, stderr);
            else
                std::fprintf(stderr, "\\x%02X", c);
        }
        std::fputs("\"\n", stderr);
    }
    std::abort();
}

// A folder of this process's own under $TMPDIR, or /dev/shm when that is not
// set, removed with everything in it when the process exits normally.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        m_Path = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/dev/shm") + "/zumi-fuzz-XXXXXX";
        if (mkdtemp(m_Path.data()) == nullptr) {
            std::perror(m_Path.c_str());
            std::abort();
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_Path; }

private:
    std::string m_Path;
};
