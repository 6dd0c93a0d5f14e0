#include "text_io.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "diagnostics.h"
#include "store/text_fold.h"

namespace detalehran::odbc {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool is_not_utf8(char32_t c) { return c >= 0xDC00 && c <= 0xDCFF; }

// Bytes of UTF-8 text that fit into room bytes without cutting a character.
std::size_t fitting_bytes(std::string_view utf8, std::size_t room) {
    if (room >= utf8.size()) return utf8.size();
    std::size_t n = room;
    while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) --n;
    return n;
}

// Units of UTF-16 text that fit into room units without parting a pair.
std::size_t fitting_units(std::u16string_view utf16, std::size_t room) {
    if (room >= utf16.size()) return utf16.size();
    std::size_t n = room;
    if (n > 0 && utf16[n - 1] >= 0xD800 && utf16[n - 1] <= 0xDBFF) --n;
    return n;
}

// iusql, unixODBC's wide client, hands each byte of what the user typed
// over as one UTF-16 unit (sign-extended where char is signed). Such text
// reads as valid UTF-8 with characters of more than one byte when taken a
// byte per unit, which real UTF-16 text in practice never does: it is the
// user's UTF-8, and is read as such.
bool widened_utf8(std::u16string_view utf16, std::string& bytes) {
    bool low = false, high = false;
    bytes.clear();
    for (char16_t u : utf16) {
        if (u < 0x80) {
            bytes += static_cast<char>(u);
            continue;
        }
        if (u <= 0xFF) {
            low = true;
        } else if (u >= 0xFF80) {
            high = true;
        } else {
            return false;
        }
        bytes += static_cast<char>(u & 0xFF);
    }
    if (low == high) return false;  // nothing but ASCII, or both forms at once
    const std::vector<char32_t> points = store::decode_utf8(bytes);
    return std::none_of(points.begin(), points.end(), is_not_utf8);
}

template <typename Length>
SQLRETURN put_text_as(std::string_view utf8, const TextOut& out, Length* length, Diagnostics* diag) {
    SQLLEN full = 0;
    const SQLRETURN rc = put_text(utf8, out, &full, diag);
    if (length) *length = static_cast<Length>(std::min<SQLLEN>(full, std::numeric_limits<Length>::max()));
    return rc;
}

}  // namespace

std::size_t write_utf16(std::string_view utf8, void* out) {
    auto* p = static_cast<unsigned char*>(out);
    auto put = [](unsigned char* at, char16_t unit) { std::memcpy(at, &unit, sizeof unit); };
    const auto* const first = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = first + utf8.size();
    const unsigned char* s = first;
    while (s < end) {
        // ASCII and two-byte characters (Cyrillic among them) are most of
        // most texts: no general decoding for them.
        const unsigned b0 = *s;
        if (b0 < 0x80) {
            put(p, static_cast<char16_t>(b0));
            p += 2;
            ++s;
            continue;
        }
        if (b0 - 0xC2u < 0x1Eu && end - s > 1 && (s[1] & 0xC0u) == 0x80u) {
            put(p, static_cast<char16_t>(((b0 & 0x1Fu) << 6) | (s[1] & 0x3Fu)));
            p += 2;
            s += 2;
            continue;
        }
        std::size_t i = static_cast<std::size_t>(s - first);
        char32_t c = store::decode_code_point(utf8, i);
        s = first + i;
        if (is_not_utf8(c)) c = kReplacement;
        if (c >= 0x10000) {
            c -= 0x10000;
            put(p, static_cast<char16_t>(0xD800 + (c >> 10)));
            put(p + 2, static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
            p += 4;
        } else {
            put(p, static_cast<char16_t>(c));
            p += 2;
        }
    }
    return static_cast<std::size_t>(p - static_cast<unsigned char*>(out)) / sizeof(char16_t);
}

void put_utf16(std::string_view utf8, std::u16string& out) {
    out.resize(utf8.size());
    out.resize(write_utf16(utf8, out.data()));
}

std::u16string utf16_of(std::string_view utf8) {
    std::u16string out;
    put_utf16(utf8, out);
    return out;
}

void put_utf8(std::u16string_view utf16, std::string& out) {
    // No UTF-16 unit takes more than three bytes of UTF-8 (a pair takes
    // four for its two units).
    out.resize(utf16.size() * 3);
    char* const first = out.data();
    char* p = first;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c < 0x80) {
            *p++ = static_cast<char>(c);
            continue;
        }
        if (c < 0x800) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[++i] - 0xDC00);
            *p++ = static_cast<char>(0xF0 | (c >> 18));
            *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF) c = kReplacement;
        *p++ = static_cast<char>(0xE0 | (c >> 12));
        *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *p++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    out.resize(static_cast<std::size_t>(p - first));
}

std::string utf8_of(std::u16string_view utf16) {
    std::string out;
    put_utf8(utf16, out);
    return out;
}

std::string wide_arg(const SQLWCHAR* text, SQLLEN length) {
    if (text == nullptr) return {};
    const auto* p = reinterpret_cast<const char16_t*>(text);
    std::size_t units = 0;
    if (length == SQL_NTS) {
        while (p[units] != 0) ++units;
    } else if (length > 0) {
        units = static_cast<std::size_t>(length);
    }
    const std::u16string_view utf16(p, units);
    std::string bytes;
    if (widened_utf8(utf16, bytes)) return bytes;
    return utf8_of(utf16);
}

SQLRETURN put_text(std::string_view utf8, const TextOut& out, SQLLEN* length, Diagnostics* diag) {
    std::size_t total = 0;  // in out's unit
    std::size_t copied = 0;
    const bool wide = out.unit != TextUnit::narrow;
    const std::size_t unit_size = wide ? sizeof(char16_t) : 1;
    std::size_t room = 0;  // characters that fit, the NUL included
    if (out.capacity > 0) {
        room = out.unit == TextUnit::wide_bytes ? static_cast<std::size_t>(out.capacity) / unit_size
                                                : static_cast<std::size_t>(out.capacity);
    }
    if (wide) {
        const std::u16string utf16 = utf16_of(utf8);
        total = utf16.size();
        if (out.buffer != nullptr && room > 0) {
            copied = fitting_units(utf16, room - 1);
            auto* target = static_cast<char16_t*>(out.buffer);
            std::memcpy(target, utf16.data(), copied * unit_size);
            target[copied] = 0;
        }
    } else {
        total = utf8.size();
        if (out.buffer != nullptr && room > 0) {
            copied = fitting_bytes(utf8, room - 1);
            auto* target = static_cast<char*>(out.buffer);
            std::memcpy(target, utf8.data(), copied);
            target[copied] = 0;
        }
    }
    if (length) {
        *length = static_cast<SQLLEN>(out.unit == TextUnit::wide_bytes ? total * unit_size : total);
    }
    if (out.buffer != nullptr && copied < total) {
        if (diag) diag->add("01004", "String data, right truncated");
        return SQL_SUCCESS_WITH_INFO;
    }
    return SQL_SUCCESS;
}

SQLRETURN put_text(std::string_view utf8, const TextOut& out, SQLINTEGER* length, Diagnostics* diag) {
    return put_text_as(utf8, out, length, diag);
}

SQLRETURN put_text(std::string_view utf8, const TextOut& out, SQLSMALLINT* length, Diagnostics* diag) {
    return put_text_as(utf8, out, length, diag);
}

}  // namespace detalehran::odbc
