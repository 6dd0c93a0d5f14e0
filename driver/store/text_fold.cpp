#include "text_fold.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>

namespace detalehran::store {

namespace {

locale_t utf8_locale() {
    // C.UTF-8 carries the full Unicode case tables in glibc and exists on
    // every Debian system, whatever locale the host process has chosen.
    static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return loc;
}

char32_t next_code_point(std::string_view text, std::size_t& i) { return decode_code_point(text, i); }

// Sort key of a folded code point: doubled so that "ё" can sit between "е"
// and "ж".
std::uint32_t order_key(char32_t folded) {
    if (folded == U'ё') return 2u * U'е' + 1u;
    return 2u * static_cast<std::uint32_t>(folded);
}

}  // namespace

namespace {

char32_t fold_by_locale(char32_t c) {
    if (locale_t loc = utf8_locale()) return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), loc));
    return c;
}

// Latin, Greek and Cyrillic, where nearly every stored letter lies, folded
// once from the same tables: a search or a sort folds every character it
// compares, and asking the locale each time cost more than the rest of the
// match.
constexpr char32_t kTabledEnd = 0x530;

struct FoldTable {
    char32_t folded[kTabledEnd];
    FoldTable() {
        for (char32_t c = 0; c < kTabledEnd; ++c) folded[c] = c < 0x80 ? c : fold_by_locale(c);
    }
};

}  // namespace

char32_t fold_code_point(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c < kTabledEnd) {
        static const FoldTable table;
        return table.folded[c];
    }
    if (c >= 0xDC00 && c <= 0xDCFF) return c;
    return fold_by_locale(c);
}

std::vector<char32_t> decode_utf8(std::string_view text) {
    std::vector<char32_t> out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) out.push_back(next_code_point(text, i));
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

int compare_folded(std::string_view a, std::string_view b) {
    // Equal leading bytes fold equally: skip them, back to the start of the
    // character in which the texts first differ.
    std::size_t same = 0;
    const std::size_t shorter = std::min(a.size(), b.size());
    while (same < shorter && a[same] == b[same]) ++same;
    if (same == a.size() && same == b.size()) return 0;
    auto continues = [](std::string_view s, std::size_t k) {
        return k < s.size() && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80;
    };
    while (same > 0 && (continues(a, same) || continues(b, same))) --same;
    std::size_t i = same, j = same;
    while (i < a.size() && j < b.size()) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[j]);
        if (ca < 0x80 && cb < 0x80) {
            // Plain ASCII on both sides: the common case, no decoding.
            const std::uint32_t ka = order_key(fold_code_point(ca));
            const std::uint32_t kb = order_key(fold_code_point(cb));
            if (ka != kb) return ka < kb ? -1 : 1;
            ++i;
            ++j;
            continue;
        }
        const std::uint32_t ka = order_key(fold_code_point(next_code_point(a, i)));
        const std::uint32_t kb = order_key(fold_code_point(next_code_point(b, j)));
        if (ka != kb) return ka < kb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

bool LikePattern::Token::accepts(char32_t ch) const {
    switch (kind) {
        case literal:
            return ch == c;
        case any_one:
            return true;
        case set: {
            bool in = false;
            for (const Range& r : ranges) {
                if (ch >= r.low && ch <= r.high) {
                    in = true;
                    break;
                }
            }
            return in != negated;
        }
        case any_run:
            break;
    }
    return false;
}

LikePattern::LikePattern(std::string_view pattern, char32_t escape) {
    const std::vector<char32_t> p = decode_utf8(pattern);
    bool fixed = true;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        Token t{};
        char32_t written = 0;  // the character a literal or one-character list stands for, as written
        if (escape != 0 && c == escape && i + 1 < p.size()) {
            t.kind = Token::literal;
            written = p[++i];
            t.c = fold_code_point(written);
        } else if (c == U'%') {
            // Runs of "%" mean the same as one.
            if (!tokens_.empty() && tokens_.back().kind == Token::any_run) continue;
            t.kind = Token::any_run;
        } else if (c == U'_') {
            t.kind = Token::any_one;
        } else if (c == U'[') {
            std::size_t k = i + 1;
            bool negated = false;
            if (k < p.size() && p[k] == U'!') {
                negated = true;
                ++k;
            }
            std::size_t close = k;
            while (close < p.size() && p[close] != U']') ++close;
            if (close >= p.size()) {
                t.kind = Token::literal;
                t.c = U'[';
                written = U'[';
            } else {
                if (close == k && !negated) {  // "[]" stands for nothing
                    i = close;
                    continue;
                }
                t.kind = Token::set;
                t.negated = negated;
                for (std::size_t m = k; m < close; ++m) {
                    const char32_t low = fold_code_point(p[m]);
                    if (m + 2 < close && p[m + 1] == U'-') {
                        const char32_t high = fold_code_point(p[m + 2]);
                        // An inverted range matches nothing, as an empty one.
                        if (low <= high) t.ranges.push_back({low, high});
                        m += 2;
                    } else {
                        t.ranges.push_back({low, low});
                    }
                }
                if (!negated && close == k + 1) written = p[k];
                i = close;
            }
        } else {
            t.kind = Token::literal;
            written = c;
            t.c = fold_code_point(c);
        }
        // A byte that is no UTF-8 would not be written back as the same
        // byte: the fixed start ends before it.
        fixed = fixed && written != 0 && !(written >= 0xDC00 && written <= 0xDCFF);
        if (fixed) fixed_start_.push_back(written);
        tokens_.push_back(std::move(t));
    }
    const bool inner_literals =
        tokens_.size() >= 3 && tokens_.front().kind == Token::any_run && tokens_.back().kind == Token::any_run &&
        std::all_of(tokens_.begin() + 1, tokens_.end() - 1, [](const Token& t) { return t.kind == Token::literal; });
    if (inner_literals) {
        for (std::size_t k = 1; k + 1 < tokens_.size(); ++k) inner_.push_back(tokens_[k].c);
    }
}

bool LikePattern::bounds(std::string* low, std::string* high) const {
    low->clear();
    high->clear();
    for (char32_t c : fixed_start_) append_utf8(*low, c);
    // The least bound above: the fixed start with its last character
    // raised to one that sorts after it; a character nothing sorts after
    // is dropped and the one before it raised instead.
    for (std::size_t n = fixed_start_.size(); n > 0; --n) {
        const char32_t folded = fold_code_point(fixed_start_[n - 1]);
        const std::uint32_t key = order_key(folded);
        char32_t next = folded == U'е' ? U'ё' : folded + 1;
        if (next >= 0xD800 && next <= 0xDFFF) next = 0xE000;
        if (next > 0x10FFFF) continue;
        if (order_key(fold_code_point(next)) <= key) next = 0x10FFFF;
        if (order_key(fold_code_point(next)) <= key) continue;
        for (std::size_t k = 0; k + 1 < n; ++k) append_utf8(*high, fixed_start_[k]);
        append_utf8(*high, next);
        return true;
    }
    return false;
}

bool LikePattern::matches(std::string_view text) const {
    // Each character is decoded and folded once, into a buffer on the stack
    // for any usual text.
    constexpr std::size_t kOnStack = 256;
    char32_t on_stack[kOnStack];
    std::vector<char32_t> on_heap;
    char32_t* folded = on_stack;
    if (text.size() > kOnStack) {
        on_heap.resize(text.size());
        folded = on_heap.data();
    }
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {  // ASCII folds without a call
            folded[n++] = byte >= 'A' && byte <= 'Z' ? byte + 32u : byte;
            ++i;
        } else {
            folded[n++] = fold_code_point(next_code_point(text, i));
        }
    }
    if (!inner_.empty()) {
        // "%text%", a search's pattern.
        return std::search(folded, folded + n, inner_.begin(), inner_.end()) != folded + n;
    }
    // Greedy matching with one back-track point for the last "%": every other
    // token consumes exactly one character, so this is complete and never
    // worse than quadratic.
    const std::size_t count = tokens_.size();
    std::size_t ti = 0, si = 0;
    std::size_t star_t = SIZE_MAX, star_s = 0;
    while (si < n) {
        if (ti < count && tokens_[ti].kind == Token::any_run) {
            if (ti + 1 == count) return true;  // a final "%" takes whatever is left
            star_t = ti++;
            star_s = si;
            continue;
        }
        if (ti < count && tokens_[ti].accepts(folded[si])) {
            ++ti;
            ++si;
        } else if (star_t != SIZE_MAX) {
            ti = star_t + 1;
            si = ++star_s;  // the "%" takes one character more
        } else {
            return false;
        }
    }
    while (ti < count && tokens_[ti].kind == Token::any_run) ++ti;
    return ti == count;
}

}  // namespace detalehran::store
