// The LIKE matcher and the folded comparison of the driver's text rules. The
// input is a pattern, a NUL, a text, and optionally a NUL and an escape
// character; without a NUL the input is both pattern and text.
//
// What the code promises: "%" matches every text; letter case never matters;
// a pattern without wildcards, and a pattern made by like_escaped, matches
// exactly the texts that compare equal folded; a pattern of escaped
// characters does the same; SQL's LIKE and the JETCI collation give the
// matcher's and the comparison's answers.

#include <locale.h>
#include <sqlite3.h>
#include <wctype.h>

#include <cstddef>
#include <cstdint>

#include "db/statements.h"
#include "fuzz_check.h"
#include "store/store_schema.h"
#include "store/text_fold.h"

namespace {

using namespace detalehran;
using detalehran::fuzz::shown;
using store::compare_folded;
using store::decode_utf8;
using store::fold_code_point;
using store::LikePattern;

// Bytes of decoded code points again: UTF-8, or the byte itself for a byte
// that was not UTF-8.
std::string encode(const std::vector<char32_t>& points) {
    std::string out;
    for (char32_t c : points) {
        if (c >= 0xDC80 && c <= 0xDCFF) {
            out += static_cast<char>(c - 0xDC00);
        } else {
            store::append_utf8(out, c);
        }
    }
    return out;
}

// The plain definition of the folded order, one whole character at a time
// from the start: "ё" right after "е", everything else by folded code point.
int reference_compare(std::string_view a, std::string_view b) {
    auto key = [](char32_t c) -> std::uint64_t {
        const char32_t f = fold_code_point(c);
        return f == U'ё' ? 2u * U'е' + 1u : 2u * static_cast<std::uint64_t>(f);
    };
    const std::vector<char32_t> x = decode_utf8(a), y = decode_utf8(b);
    for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) {
        if (key(x[i]) != key(y[i])) return key(x[i]) < key(y[i]) ? -1 : 1;
    }
    return x.size() == y.size() ? 0 : x.size() < y.size() ? -1 : 1;
}

bool folded_equal(std::string_view a, std::string_view b) { return compare_folded(a, b) == 0; }

// The text with some letters in another case, chosen by the seed; only
// changes that fold to the same letter are made.
std::string case_variant(std::string_view text, std::uint32_t seed) {
    static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    std::vector<char32_t> points = decode_utf8(text);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const char32_t c = points[i];
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const char32_t other = ((seed >> (i % 32)) & 1)
                                   ? static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), loc))
                                   : static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), loc));
        if (other < 0x110000 && !(other >= 0xD800 && other <= 0xDFFF) && fold_code_point(other) == fold_code_point(c))
            points[i] = other;
    }
    return encode(points);
}

struct Sql {
    sqlite3* db = nullptr;
    sqlite3_stmt* like = nullptr;
    sqlite3_stmt* like_escape = nullptr;
    sqlite3_stmt* equal = nullptr;

    Sql() {
        FUZZ_CHECK(sqlite3_open(":memory:", &db) == SQLITE_OK && store::register_text_functions(db),
                   std::string("no database"));
        FUZZ_CHECK(sqlite3_prepare_v2(db, "SELECT ?1 LIKE ?2", -1, &like, nullptr) == SQLITE_OK &&
                       sqlite3_prepare_v2(db, "SELECT ?1 LIKE ?2 ESCAPE ?3", -1, &like_escape, nullptr) == SQLITE_OK &&
                       sqlite3_prepare_v2(db, "SELECT ?1 = ?2 COLLATE JETCI", -1, &equal, nullptr) == SQLITE_OK,
                   std::string(sqlite3_errmsg(db)));
    }

    // 1, 0, or -1 when SQLite refused.
    int ask(sqlite3_stmt* s, std::string_view a, std::string_view b, std::string_view c = {}) {
        sqlite3_reset(s);
        sqlite3_bind_text(s, 1, a.data(), static_cast<int>(a.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 2, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
        if (sqlite3_bind_parameter_count(s) == 3)
            sqlite3_bind_text(s, 3, c.data(), static_cast<int>(c.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(s) != SQLITE_ROW) return -1;
        return sqlite3_column_int(s, 0);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Sql* sql = new Sql;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string_view pattern = input, text = input, escape_text;
    if (const std::size_t nul = input.find('\0'); nul != std::string_view::npos) {
        pattern = input.substr(0, nul);
        text = input.substr(nul + 1);
        if (const std::size_t second = text.find('\0'); second != std::string_view::npos) {
            escape_text = text.substr(second + 1);
            text = text.substr(0, second);
        }
    }
    const std::string about = "pattern " + shown(pattern) + ", text " + shown(text);

    // The matcher, and the same through SQL's LIKE.
    const bool matched = LikePattern(pattern).matches(text);
    FUZZ_CHECK(sql->ask(sql->like, text, pattern) == (matched ? 1 : 0), "SQL LIKE disagrees: " + about);

    // Letter case never matters, on either side.
    const std::uint32_t seed = static_cast<std::uint32_t>(size * 2654435761u);
    const std::string text_variant = case_variant(text, seed);
    const std::string pattern_variant = case_variant(pattern, ~seed);
    FUZZ_CHECK(LikePattern(pattern).matches(text_variant) == matched, "case of the text matters: " + about);
    FUZZ_CHECK(LikePattern(pattern_variant).matches(text) == matched, "case of the pattern matters: " + about);

    // "%" matches everything; the empty pattern only the empty text.
    FUZZ_CHECK(LikePattern("%").matches(text) && LikePattern("%%").matches(text), "'%' refused: " + about);
    FUZZ_CHECK(LikePattern("").matches(text) == text.empty(), "empty pattern: " + about);
    // A pattern followed by "%" matches the text with anything after it.
    if (matched) FUZZ_CHECK(LikePattern(std::string(pattern) + "%").matches(std::string(text) + "|"), about);

    // The folded comparison: a total order, the plain definition, and SQL's
    // collation.
    const int order = compare_folded(pattern, text);
    FUZZ_CHECK(order == reference_compare(pattern, text), "compare_folded is not the folded order: " + about);
    FUZZ_CHECK(compare_folded(text, pattern) == -order, "compare_folded not antisymmetric: " + about);
    FUZZ_CHECK(compare_folded(text, text) == 0 && folded_equal(text, text_variant), "case variant differs: " + about);
    FUZZ_CHECK(sql->ask(sql->equal, pattern, text) == (order == 0 ? 1 : 0), "JETCI disagrees: " + about);

    // Without wildcards a pattern is a text compared folded.
    if (pattern.find_first_of("%_[") == std::string_view::npos) {
        FUZZ_CHECK(matched == (order == 0), "pattern without wildcards: " + about);
    }

    // like_escaped, literal: the text itself, whatever it holds, and anything that
    // starts with it when "%" follows, as node paths are matched.
    const std::string literal = db::like_escaped(db::Dialect::jet, std::string(text), db::Wildcards::literal);
    const LikePattern literal_pattern(literal);
    FUZZ_CHECK(literal_pattern.matches(text) && literal_pattern.matches(text_variant),
               "like_escaped misses its own text: " + about);
    FUZZ_CHECK(literal_pattern.matches(pattern) == folded_equal(text, pattern),
               "like_escaped matches other texts: " + about);
    // ("|" between the parts keeps a stray byte at the end of one from
    // joining the start of the next.)
    FUZZ_CHECK(LikePattern(literal + "%").matches(std::string(text) + "|" + std::string(pattern)),
               "like_escaped prefix: " + about);
    FUZZ_CHECK(LikePattern("%" + literal + "%").matches(std::string(pattern) + "|" + std::string(text) + "|"),
               "like_escaped inside: " + about);
    FUZZ_CHECK(sql->ask(sql->like, text, literal) == 1, "SQL LIKE with like_escaped: " + about);

    // Escaping every character: literal too, with any escape character.
    const std::vector<char32_t> escape_points = decode_utf8(escape_text);
    // A byte that is not UTF-8 could join the next one as escape character;
    // only whole characters are taken.
    const bool whole = escape_points.size() == 1 && escape_points[0] != 0 &&
                       !(escape_points[0] >= 0xD800 && escape_points[0] <= 0xDFFF);
    const char32_t escape = whole ? escape_points[0] : U'\\';
    std::vector<char32_t> escaped;
    for (char32_t c : decode_utf8(text)) {
        escaped.push_back(escape);
        escaped.push_back(c);
    }
    const std::string escaped_text = encode(escaped);
    const LikePattern escaped_pattern(escaped_text, escape);
    FUZZ_CHECK(escaped_pattern.matches(text_variant), "escaped pattern misses its text: " + about);
    FUZZ_CHECK(escaped_pattern.matches(pattern) == folded_equal(text, pattern), "escaped pattern: " + about);
    const std::string escape_bytes = encode({escape});
    FUZZ_CHECK(sql->ask(sql->like_escape, text, escaped_text, escape_bytes) == 1, "SQL LIKE ESCAPE: " + about);

    // The escape the input gives, on the input's own pattern.
    if (!escape_text.empty()) {
        const int answer = sql->ask(sql->like_escape, text, pattern, escape_text);
        if (escape_points.size() == 1) {
            FUZZ_CHECK(answer == (LikePattern(pattern, escape_points[0]).matches(text) ? 1 : 0),
                       "SQL LIKE ESCAPE disagrees: " + about + ", escape " + shown(escape_text));
        } else {
            FUZZ_CHECK(answer == -1, "an escape of several characters taken: " + shown(escape_text));
        }
    }
    return 0;
}
