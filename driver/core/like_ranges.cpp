#include "like_ranges.h"

#include <sqlite3.h>
#include <strings.h>

#include <cctype>
#include <initializer_list>

#include "store/store_schema.h"
#include "store/text_fold.h"

namespace detalehran::odbc {

namespace {

bool is_word_of(const Token& t, std::initializer_list<const char*> words) {
    for (const char* w : words) {
        if (same_word(t, w)) return true;
    }
    return false;
}

// A column, as "c" or "t"."c": the tokens end at last; returns the first.
std::optional<std::size_t> column_start(const std::vector<const Token*>& s, std::size_t last) {
    const Token& c = *s[last];
    if (!names_something(c) || is_condition_keyword(c)) return std::nullopt;
    if (c.kind == Token::word && std::isdigit(static_cast<unsigned char>(c.text[0]))) return std::nullopt;
    if (last >= 2 && is_char(*s[last - 1], '.')) {
        if (!names_something(*s[last - 2]) || is_condition_keyword(*s[last - 2])) return std::nullopt;
        return last - 2;
    }
    return last;
}

// The table after the statement's own FROM; empty if none is plain.
std::string top_table(const std::vector<const Token*>& s) {
    int depth = 0;
    for (std::size_t k = 0; k + 1 < s.size(); ++k) {
        if (is_char(*s[k], '(')) ++depth;
        if (is_char(*s[k], ')')) --depth;
        if (depth == 0 && same_word(*s[k], "FROM")) {
            const Token& t = *s[k + 1];
            return names_something(t) && !is_condition_keyword(t) ? std::string(name_of(t)) : std::string();
        }
    }
    return {};
}

// Whether the statement itself joins queries (UNION, EXCEPT, INTERSECT).
bool compound(const std::vector<const Token*>& s) {
    int depth = 0;
    for (const Token* t : s) {
        if (is_char(*t, '(')) ++depth;
        if (is_char(*t, ')')) --depth;
        if (depth == 0 && is_word_of(*t, {"UNION", "EXCEPT", "INTERSECT"})) return true;
    }
    return false;
}

std::string sql_text(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

std::string quoted_name(const std::string& name) {
    std::string out = "\"";
    for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// The rows of a column's index that satisfy "column op value", counted up
// to limit; -1 if the table or the column is not there.
long long rows_where(sqlite3* db, const std::string& table, const std::string& column, const char* op,
                     const std::string& value, long long limit) {
    const std::string sql = "SELECT count(*) FROM (SELECT 1 FROM " + quoted_name(table) + " WHERE " +
                            quoted_name(column) + " " + op + " ?1 LIMIT ?2)";
    sqlite3_stmt* ps = nullptr;
    long long count = -1;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &ps, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(ps, 1, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
        sqlite3_bind_int64(ps, 2, limit);
        if (sqlite3_step(ps) == SQLITE_ROW) count = sqlite3_column_int64(ps, 0);
    }
    sqlite3_finalize(ps);
    return count;
}

// like_range_pays(table, column, pattern): whether the pattern's range
// holds fewer of the column's rows than lie outside it. Reading a row by
// the range and sorting it costs about one and a half times reading it in
// the order of another index, so past half the table the range loses. The
// rows inside and outside are counted in the column's index by turns, with
// limits growing fourfold, until one side stops short of its limit: the
// count costs the smaller side, a few thousand entries for a section.
void range_pays_function(sqlite3_context* ctx, int, sqlite3_value** argv) {
    for (int k = 0; k < 3; ++k) {
        if (sqlite3_value_type(argv[k]) != SQLITE_TEXT) {
            sqlite3_result_int(ctx, 0);
            return;
        }
    }
    auto text = [&](int k) {
        return std::string(reinterpret_cast<const char*>(sqlite3_value_text(argv[k])),
                           static_cast<std::size_t>(sqlite3_value_bytes(argv[k])));
    };
    const std::string table = text(0), column = text(1);
    std::string low, high;
    if (!store::LikePattern(text(2)).bounds(&low, &high)) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    sqlite3* db = sqlite3_context_db_handle(ctx);
    const std::string c = quoted_name(column);
    for (long long limit = 4096;; limit *= 4) {
        const long long below = rows_where(db, table, column, "<", low, limit);
        const long long above = below < 0 ? -1 : rows_where(db, table, column, ">=", high, limit);
        // Inside: at or above low, below high.
        const std::string inside_sql = "SELECT count(*) FROM (SELECT 1 FROM " + quoted_name(table) + " WHERE " + c +
                                       " >= ?1 AND " + c + " < ?2 LIMIT ?3)";
        long long inside = -1;
        sqlite3_stmt* ps = nullptr;
        if (above >= 0 && sqlite3_prepare_v2(db, inside_sql.c_str(), -1, &ps, nullptr) == SQLITE_OK) {
            sqlite3_bind_text(ps, 1, low.data(), static_cast<int>(low.size()), SQLITE_STATIC);
            sqlite3_bind_text(ps, 2, high.data(), static_cast<int>(high.size()), SQLITE_STATIC);
            sqlite3_bind_int64(ps, 3, limit);
            if (sqlite3_step(ps) == SQLITE_ROW) inside = sqlite3_column_int64(ps, 0);
        }
        sqlite3_finalize(ps);
        if (inside < 0) {
            sqlite3_result_int(ctx, 0);
            return;
        }
        const long long outside = below + above;
        if (inside < limit || outside < limit) {
            sqlite3_result_int(ctx, inside < outside ? 1 : 0);
            return;
        }
    }
}

}  // namespace

bool register_like_ranges(sqlite3* db) {
    // Deterministic within a statement, so SQLite asks it once, before the first row.
    return sqlite3_create_function_v2(db, kRangePaysFunction, 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                      range_pays_function, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string like_with_range(const std::string& column, const std::string& pattern) {
    const std::string collated = std::string(") COLLATE \"") + store::kFoldCollation + "\"";
    return "(" + column + " >= " + store::kLikeFloorFunction + "(" + pattern + collated + " AND " + column + " < " +
           store::kLikeCeilingFunction + "(" + pattern + collated + " AND " + column + " LIKE " + pattern + ")";
}

bool pattern_may_narrow(const Token& pattern) {
    if (is_char(pattern, '?')) return true;
    if (pattern.kind != Token::literal) return false;
    std::string body;
    for (std::size_t k = 1; k + 1 < pattern.text.size(); ++k) {
        body += pattern.text[k];
        if (pattern.text[k] == '\'') ++k;  // '' stands for one quote
    }
    std::string low, high;
    store::LikePattern(body).bounds(&low, &high);
    return !low.empty();
}

bool is_condition_keyword(const Token& t) {
    return is_word_of(
        t, {"NOT", "AND",  "OR",      "WHERE",  "ON",  "HAVING",   "WHEN",   "THEN", "ELSE",   "END",  "IS",
            "IN",  "NULL", "BETWEEN", "ESCAPE", "ALL", "DISTINCT", "SELECT", "CASE", "EXISTS", "LIKE", "GLOB"});
}

std::optional<RangedText> with_like_ranges(const std::vector<Token>& tokens) {
    std::vector<const Token*> s;
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        const Token& t = tokens[k];
        // Comments and BETWEEN (whose AND a narrowed LIKE could be taken
        // for) are left to SQLite as written.
        const bool next_too = k + 1 < tokens.size();
        if ((is_char(t, '-') && next_too && is_char(tokens[k + 1], '-')) ||
            (is_char(t, '/') && next_too && is_char(tokens[k + 1], '*')) || same_word(t, "BETWEEN"))
            return std::nullopt;
        if (t.kind != Token::space) s.push_back(&t);
    }
    struct Narrowed {
        std::size_t first, like;
    };
    std::vector<Narrowed> found;
    bool in_condition = false;
    std::vector<bool> outer;  // in_condition of each open parenthesis
    for (std::size_t k = 0; k < s.size(); ++k) {
        const Token& t = *s[k];
        if (is_char(t, '(')) {
            outer.push_back(in_condition);
        } else if (is_char(t, ')')) {
            if (!outer.empty()) {
                in_condition = outer.back();
                outer.pop_back();
            }
        } else if (is_word_of(t, {"WHERE", "ON", "HAVING"})) {
            in_condition = true;
        } else if (is_word_of(t, {"SELECT", "FROM", "JOIN", "ORDER", "GROUP", "SET", "VALUES", "LIMIT", "OFFSET",
                                  "INTO", "UNION", "EXCEPT", "INTERSECT"})) {
            in_condition = false;
        } else if (same_word(t, "LIKE") && in_condition && k >= 2 && k + 1 < s.size()) {
            const std::optional<std::size_t> first = column_start(s, k - 1);
            if (!first || *first == 0) continue;
            const Token& before = *s[*first - 1];
            const bool stands_alone =
                is_word_of(before, {"WHERE", "ON", "HAVING", "AND", "OR", "NOT"}) || is_char(before, '(');
            const bool ends = k + 2 == s.size() || is_char(*s[k + 2], ')') || is_char(*s[k + 2], ';') ||
                              is_word_of(*s[k + 2], {"AND", "OR", "ORDER", "GROUP", "LIMIT", "HAVING", "UNION",
                                                     "EXCEPT", "INTERSECT"});
            if (stands_alone && ends && pattern_may_narrow(*s[k + 1])) found.push_back({*first, k});
        }
    }
    if (found.empty()) return std::nullopt;
    RangedText out;
    bool any_marker = false;
    for (const Token* t : s) any_marker = any_marker || is_char(*t, '?');
    for (const Narrowed& n : found) {
        if (is_char(*s[n.like + 1], '?')) out.numbered_markers = true;
        out.columns.emplace_back(name_of(*s[n.like - 1]));
    }
    // A query reads by the range only where the range holds a small part of
    // the table (like_range_pays); otherwise, as for the root of a tree,
    // the whole table in the order of an index is cheaper than sorting most
    // of it. Both forms go into one statement, the one not taken reading
    // nothing.
    const std::string table = top_table(s);
    const bool both = same_word(*s[0], "SELECT") && !table.empty() && !compound(s);
    if (both && any_marker) out.numbered_markers = true;
    // Every token keeps its text and the blanks around it, but for the
    // markers' numbers and the narrowed comparisons.
    std::string pattern;
    auto write = [&](bool narrowed) {
        std::string sql;
        std::size_t markers = 0;
        auto text_of = [&](const Token& t) {
            if (both && is_char(t, ';')) return std::string();
            return is_char(t, '?') && out.numbered_markers ? "?" + std::to_string(++markers) : t.text;
        };
        std::size_t next = 0, solid = 0;
        for (std::size_t k = 0; k < tokens.size(); ++k) {
            const Token& t = tokens[k];
            if (t.kind == Token::space) {
                sql += t.text;
                continue;
            }
            if (next < found.size() && found[next].first == solid) {
                std::string column;
                for (; solid < found[next].like; ++solid, k = next_solid(tokens, k + 1)) column += text_of(tokens[k]);
                k = next_solid(tokens, k + 1);  // past LIKE to the pattern
                const std::string p = text_of(tokens[k]);
                if (next == 0) pattern = p;
                sql += narrowed ? like_with_range(column, p) : column + " LIKE " + p;
                solid += 2;
                ++next;
                continue;
            }
            sql += text_of(t);
            ++solid;
        }
        return sql;
    };
    if (!both) {
        out.sql = write(true);
        return out;
    }
    const std::string narrowed = write(true);
    const std::string guard = std::string(kRangePaysFunction) + "(" + sql_text(table) + ", " +
                              sql_text(out.columns[0]) + ", " + pattern + ")";
    out.sql = "SELECT * FROM (" + narrowed + ") WHERE " + guard + " UNION ALL SELECT * FROM (" + write(false) +
              ") WHERE NOT " + guard;
    return out;
}

bool like_ranges_fit(sqlite3* db, const std::vector<std::string>& tables, const std::vector<std::string>& columns) {
    for (const std::string& column : columns) {
        bool seen = false;
        for (const std::string& table : tables) {
            const char* type = nullptr;
            const char* collation = nullptr;
            if (sqlite3_table_column_metadata(db, nullptr, table.c_str(), column.c_str(), &type, &collation, nullptr,
                                              nullptr, nullptr) != SQLITE_OK)
                continue;
            seen = true;
            if (type == nullptr || collation == nullptr || strcasecmp(type, "TEXT") != 0 ||
                strcasecmp(collation, store::kFoldCollation) != 0)
                return false;
        }
        if (!seen) return false;
    }
    return true;
}

}  // namespace detalehran::odbc
