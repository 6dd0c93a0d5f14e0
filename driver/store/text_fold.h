#pragma once
// Case-insensitive comparison and pattern matching of UTF-8 text, the same
// for Latin, Cyrillic and every other alphabet the C library knows.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace detalehran::store {

// Lower-case form of one code point.
char32_t fold_code_point(char32_t c);

// Decodes the code point at text[i], advancing i past it; a byte that
// starts no valid sequence becomes U+DC00 + byte and advances by one.
// Inline: the driver's text output decodes every character it hands out.
inline char32_t decode_code_point(std::string_view text, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
    }
    if (len == 0 || i + static_cast<std::size_t>(len) > text.size()) {
        ++i;
        return 0xDC00 + b0;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xDC00 + b0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms and out-of-range values are not valid UTF-8.
    constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xDC00 + b0;
    }
    i += static_cast<std::size_t>(len);
    return cp;
}

// Decodes UTF-8; a byte that starts no valid sequence becomes U+DC00 + byte,
// so that any input compares and matches deterministically.
std::vector<char32_t> decode_utf8(std::string_view text);

// Appends one code point as UTF-8.
void append_utf8(std::string& out, char32_t c);

// Three-way comparison of two texts with case folded; "ё" sorts right after
// "е" as in Russian dictionaries. Equal means equal but for letter case.
int compare_folded(std::string_view a, std::string_view b);

// A compiled LIKE pattern: "%" any text, "_" one character, "[...]" one
// character of a list ("[!...]" not in it, "a-z" ranges); inside a list every
// character is literal, so "[%]", "[_]" and "[[]" match those characters.
// A "[" without its "]" is taken literally. Letter case is ignored.
class LikePattern {
public:
    explicit LikePattern(std::string_view pattern, char32_t escape = 0);
    bool matches(std::string_view text) const;

    // The texts this pattern can match all lie in [*low, *high) under
    // compare_folded: *low is the pattern's fixed start, *high the least
    // text past every continuation of it. Returns false when no text bounds
    // them from above (no fixed start), *low then being empty.
    bool bounds(std::string* low, std::string* high) const;

private:
    struct Range {
        char32_t low, high;
    };
    struct Token {
        enum Kind : std::uint8_t { literal, any_one, any_run, set } kind;
        bool negated = false;
        char32_t c = 0;
        std::vector<Range> ranges;
        bool accepts(char32_t ch) const;
    };
    std::vector<Token> tokens_;
    // The characters, as written, that every match starts with (letter
    // case aside): the literals before the first wildcard or list.
    std::vector<char32_t> fixed_start_;
    // For "%text%": the text between, folded; empty for any other pattern.
    std::vector<char32_t> inner_;
};

}  // namespace detalehran::store
