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
};

}  // namespace detalehran::store
