#pragma once
// Assertions of the fuzz targets: a broken invariant stops the process with
// a message, so that libFuzzer keeps the input that broke it.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace detalehran::fuzz {

// Printable form of bytes for a message: C escapes for everything but
// printable ASCII, cut after a few hundred bytes.
inline std::string shown(std::string_view bytes) {
    std::string out = "\"";
    for (std::size_t i = 0; i < bytes.size() && i < 400; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    if (bytes.size() > 400) out += "...";
    return out + "\"";
}

[[noreturn]] inline void broken(const char* file, int line, const char* condition, const std::string& detail) {
    std::fprintf(stderr, "\n%s:%d: invariant broken: %s\n%s\n", file, line, condition, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace detalehran::fuzz

// FUZZ_CHECK(condition, detail): detail is any expression giving a
// std::string, evaluated only when the condition fails.
#define FUZZ_CHECK(condition, detail)                                                   \
    do {                                                                                \
        if (!(condition)) ::detalehran::fuzz::broken(__FILE__, __LINE__, #condition, (detail)); \
    } while (0)
