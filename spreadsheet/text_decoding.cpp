#include "spreadsheet/text_decoding.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "settings/settings_format.h"

namespace detalehran::spreadsheet {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
// What stands in the text for bytes that are no text.
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
// The one byte Windows-1251 leaves without a character.
constexpr char kUndefined1251 = '\x98';

std::string hex(unsigned value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, value);
    return buffer;
}

DecodedText refused(int line, std::string reason) {
    DecodedText result;
    result.refusal = Problem{line, std::move(reason)};
    return result;
}

bool is_control(unsigned char b) { return (b < 0x20 && b != '\t' && b != '\r' && b != '\n') || b == 0x7F; }

// Length of the valid UTF-8 sequence at p (its first byte 0x80 or above),
// 0 when there is none: no overlong forms, no surrogates, nothing past
// U+10FFFF.
std::size_t sequence_length(const unsigned char* p, std::size_t left) {
    auto next = [&](std::size_t k, unsigned low = 0x80, unsigned high = 0xBF) {
        return k < left && p[k] >= low && p[k] <= high;
    };
    const unsigned b = p[0];
    if (b >= 0xC2 && b <= 0xDF) return next(1) ? 2 : 0;
    if (b == 0xE0) return next(1, 0xA0) && next(2) ? 3 : 0;
    if ((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF) return next(1) && next(2) ? 3 : 0;
    if (b == 0xED) return next(1, 0x80, 0x9F) && next(2) ? 3 : 0;
    if (b == 0xF0) return next(1, 0x90) && next(2) && next(3) ? 4 : 0;
    if (b >= 0xF1 && b <= 0xF3) return next(1) && next(2) && next(3) ? 4 : 0;
    if (b == 0xF4) return next(1, 0x80, 0x8F) && next(2) && next(3) ? 4 : 0;
    return 0;
}

// Whether eight bytes are all printable ASCII: no byte with the high bit,
// below 0x20 or equal to 0x7F. Line ends and tabs take the slow way.
bool printable_ascii(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    if ((word & kHigh) != 0) return false;
    const std::uint64_t below_space = (word - 0x20 * kOnes) & ~word & kHigh;
    const std::uint64_t del = word ^ (0x7F * kOnes);
    const std::uint64_t is_del = (del - kOnes) & ~del & kHigh;
    return (below_space | is_del) == 0;
}

// How UTF-8-like a file's bytes are.
struct Census {
    std::size_t good = 0;  // valid sequences of two bytes or more
    std::size_t bad = 0;   // bytes that start no valid sequence
    bool control = false;  // a control character among the valid ones
};

Census take_census(std::string_view bytes) {
    Census census;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        if (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            if (printable_ascii(word)) {
                i += 8;
                continue;
            }
        }
        const unsigned char b = p[i];
        if (b < 0x80) {
            census.control = census.control || is_control(b);
            ++i;
            continue;
        }
        // Two-byte letters (Cyrillic among them) the short way.
        if (b > 0xC2 && b <= 0xDF && i + 1 < n && (p[i + 1] & 0xC0) == 0x80) {
            ++census.good;
            i += 2;
            continue;
        }
        const std::size_t length = sequence_length(p + i, n - i);
        if (length == 0) {
            ++census.bad;
            ++i;
            continue;
        }
        // The C1 controls, U+0080 to U+009F.
        census.control = census.control || (b == 0xC2 && p[i + 1] <= 0x9F);
        ++census.good;
        i += length;
    }
    return census;
}

// Notes the first problem of each line.
class LineProblems {
public:
    explicit LineProblems(std::vector<Problem>& problems) : problems_(problems) {}
    void note(int line, std::string reason) {
        if (!problems_.empty() && problems_.back().line >= line) return;
        problems_.push_back({line, std::move(reason)});
    }

private:
    std::vector<Problem>& problems_;
};

// The bytes with every byte that starts no valid UTF-8 sequence and every
// control character replaced, the first of each line noted.
std::string cleaned_text(std::string_view bytes, std::vector<Problem>& problems) {
    std::vector<Problem> found;
    LineProblems notes(found);
    std::string out;
    out.reserve(bytes.size() + 64);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    int line = 1;
    for (std::size_t i = 0; i < n;) {
        // Plain text is copied a run at a time.
        std::size_t run = i;
        while (run < n && p[run] < 0x80 && p[run] >= 0x20 && p[run] != 0x7F) ++run;
        out.append(bytes.substr(i, run - i));
        i = run;
        if (i >= n) break;
        const unsigned char b = p[i];
        if (b == '\n' || b == '\r' || b == '\t') {
            if (b == '\n' || (b == '\r' && (i + 1 >= n || p[i + 1] != '\n'))) ++line;
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        if (b < 0x80) {
            notes.note(line, "управляющий символ (код " + hex(b, 2) + ")");
            out += kReplacement;
            ++i;
            continue;
        }
        const std::size_t length = sequence_length(p + i, n - i);
        if (length == 0) {
            notes.note(line, "байт " + hex(b, 2) + " не в кодировке UTF-8");
            out += kReplacement;
            ++i;
        } else if (b == 0xC2 && p[i + 1] <= 0x9F) {
            notes.note(line, "управляющий символ (код " + hex(p[i + 1], 2) + ")");
            out += kReplacement;
            i += 2;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    // Problems found before (while decoding UTF-16) and these, one per line.
    std::vector<Problem> merged;
    std::merge(problems.begin(), problems.end(), found.begin(), found.end(), std::back_inserter(merged),
               [](const Problem& a, const Problem& b) { return a.line < b.line; });
    problems.clear();
    LineProblems all(problems);
    for (Problem& problem : merged) all.note(problem.line, std::move(problem.reason));
    return out;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 code units as UTF-8; a surrogate without its pair, and an odd
// byte at the end, are problems of their lines.
std::string utf16_to_utf8(std::string_view body, bool little_endian, std::vector<Problem>& problems) {
    LineProblems notes(problems);
    std::string out;
    out.reserve(body.size() + body.size() / 2);
    const auto* p = reinterpret_cast<const unsigned char*>(body.data());
    const std::size_t units = body.size() / 2;
    auto unit = [&](std::size_t k) -> char16_t {
        const unsigned first = p[2 * k], second = p[2 * k + 1];
        return static_cast<char16_t>(little_endian ? first | (second << 8) : (first << 8) | second);
    };
    int line = 1;
    bool after_cr = false;
    for (std::size_t k = 0; k < units; ++k) {
        char32_t c = unit(k);
        if (c >= 0xD800 && c <= 0xDBFF && k + 1 < units && unit(k + 1) >= 0xDC00 && unit(k + 1) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(k + 1) - 0xDC00);
            ++k;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            notes.note(line, "знак " + hex(static_cast<unsigned>(c), 4) + " без пары в UTF-16");
            c = 0xFFFD;
        }
        if (c == '\r' || (c == '\n' && !after_cr)) ++line;
        after_cr = c == '\r';
        append_utf8(out, c);
    }
    if (body.size() % 2 != 0) notes.note(line, "последний байт файла без пары в UTF-16");
    return out;
}

// UTF-16 written without its mark: in the first units every other byte is
// the high byte of Latin or Cyrillic letters (0x00 or 0x04), and no unit is
// zero.
std::optional<Encoding> unmarked_utf16(std::string_view bytes) {
    const std::size_t pairs = std::min<std::size_t>(bytes.size() / 2, 256);
    if (pairs < 4) return std::nullopt;
    for (const bool little : {true, false}) {
        bool all = true;
        for (std::size_t k = 0; k < pairs && all; ++k) {
            const auto low = static_cast<unsigned char>(bytes[2 * k + (little ? 0 : 1)]);
            const auto high = static_cast<unsigned char>(bytes[2 * k + (little ? 1 : 0)]);
            all = (high == 0x00 || high == 0x04) && (low != 0 || high != 0);
        }
        if (all) return little ? Encoding::utf16le : Encoding::utf16be;
    }
    return std::nullopt;
}

bool only_blanks(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; }

DecodedText checked(DecodedText result) {
    // A mark written twice is still no text (and readers of UTF-8 drop it
    // unasked, which would shift the first cell).
    while (result.text.starts_with(kUtf8Mark)) result.text.remove_prefix(kUtf8Mark.size());
    if (only_blanks(result.text)) return refused(0, "Файл пуст.");
    return result;
}

// The text the bytes are, cleaned into a copy only when some of them are no text.
DecodedText text_of_bytes(DecodedText result, std::string_view bytes, bool clean) {
    if (clean) {
        result.text = bytes;
    } else {
        result.converted = cleaned_text(bytes, result.line_problems);
        result.text = result.converted;
    }
    return checked(std::move(result));
}

// The text converted into the record, cleaned of control characters.
DecodedText converted_text(DecodedText result) {
    if (take_census(result.converted).control) {
        result.converted = cleaned_text(result.converted, result.line_problems);
    }
    result.text = result.converted;
    return checked(std::move(result));
}

DecodedText from_utf16(std::string_view bytes, Encoding encoding) {
    const std::string_view mark = encoding == Encoding::utf16le ? kUtf16LeMark : kUtf16BeMark;
    const std::string_view body = bytes.starts_with(mark) ? bytes.substr(mark.size()) : bytes;
    DecodedText result;
    result.encoding = encoding;
    result.converted = utf16_to_utf8(body, encoding == Encoding::utf16le, result.line_problems);
    return converted_text(std::move(result));
}

DecodedText from_windows_1251(std::string_view bytes) {
    if (const std::size_t bad = bytes.find(kUndefined1251); bad != std::string_view::npos) {
        const int line = line_of_offset(bytes, bad);
        return refused(line, "Файл не в кодировке UTF-8 и не в Windows-1251: в строке " + std::to_string(line) +
                                 " байт 0x98, которого нет в Windows-1251.");
    }
    DecodedText result;
    result.encoding = Encoding::windows_1251;
    result.converted =
        settings::decode_windows_1251(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())))
            .toStdString();
    return converted_text(std::move(result));
}

}  // namespace

DecodedText::DecodedText(DecodedText&& other) noexcept { *this = std::move(other); }

DecodedText& DecodedText::operator=(DecodedText&& other) noexcept {
    if (this == &other) return *this;
    // A text held in `converted` moves with it; its buffer may not.
    const char* own = other.converted.data();
    const bool owned = !other.text.empty() && other.text.data() >= own &&
                       other.text.data() + other.text.size() <= own + other.converted.size();
    const std::size_t offset = owned ? static_cast<std::size_t>(other.text.data() - own) : 0;
    converted = std::move(other.converted);
    text = owned ? std::string_view(converted.data() + offset, other.text.size()) : other.text;
    encoding = other.encoding;
    refusal = std::move(other.refusal);
    line_problems = std::move(other.line_problems);
    other.text = {};
    return *this;
}

const char* encoding_name(Encoding encoding) {
    switch (encoding) {
        case Encoding::utf8:
            return "UTF-8";
        case Encoding::windows_1251:
            return "Windows-1251";
        case Encoding::utf16le:
            return "UTF-16 LE";
        case Encoding::utf16be:
            return "UTF-16 BE";
    }
    return "";
}

int line_of_offset(std::string_view text, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) ++line;
    }
    return line;
}

DecodedText decode_spreadsheet_text(std::string_view bytes, std::optional<Encoding> forced) {
    if (bytes.empty()) return refused(0, "Файл пуст.");
    std::optional<Encoding> encoding = forced;
    if (!encoding && bytes.starts_with(kUtf16LeMark)) encoding = Encoding::utf16le;
    if (!encoding && bytes.starts_with(kUtf16BeMark)) encoding = Encoding::utf16be;
    const std::size_t nul = bytes.find('\0');
    if (!encoding && nul != std::string_view::npos) encoding = unmarked_utf16(bytes);
    if (encoding == Encoding::utf16le || encoding == Encoding::utf16be) return from_utf16(bytes, *encoding);

    if (nul != std::string_view::npos) {
        const int line = line_of_offset(bytes, nul);
        return refused(line, "В строке " + std::to_string(line) + " нулевой байт: это не текстовый файл таблицы.");
    }
    if (encoding == Encoding::windows_1251) return from_windows_1251(bytes);

    const bool marked = bytes.starts_with(kUtf8Mark);
    const std::string_view body = marked ? bytes.substr(kUtf8Mark.size()) : bytes;
    const Census census = take_census(body);
    // A few broken sequences among many good ones are damage to a UTF-8
    // file, not a sign of another encoding.
    const bool utf8 = census.bad == 0 || census.good > census.bad;
    if (!utf8 && !marked && !forced) return from_windows_1251(bytes);
    if (!utf8) {
        return refused(0, marked && !forced ? "Файл помечен как UTF-8, но в нём есть байты не в UTF-8."
                                            : "Файл не в кодировке UTF-8.");
    }
    DecodedText result;
    result.encoding = Encoding::utf8;
    return text_of_bytes(std::move(result), body, census.bad == 0 && !census.control);
}

}  // namespace detalehran::spreadsheet
