#include "statement_shape.h"

namespace detalehran::odbc {

namespace {

// The solid tokens, blanks left out.
std::vector<const Token*> solid(const std::vector<Token>& tokens) {
    std::vector<const Token*> out;
    for (const Token& t : tokens) {
        if (t.kind != Token::space) out.push_back(&t);
    }
    return out;
}

bool is_keyword(const Token& t) {
    for (const char* k : {"WHERE", "GROUP", "ORDER", "HAVING", "UNION", "INNER", "LEFT", "RIGHT", "JOIN", "ON", "SET",
                          "VALUES", "SELECT", "FROM", "AS", "NOT", "AND", "OR", "IS", "IN", "LIKE", "BETWEEN", "NULL"}) {
        if (same_word(t, k)) return true;
    }
    return false;
}

// The name that starts at s[i], with a schema or table before a dot.
// Returns the index after it, or i if there is no name.
std::size_t read_name(const std::vector<const Token*>& s, std::size_t i, ColumnRef& out) {
    if (i >= s.size() || !names_something(*s[i]) || is_keyword(*s[i])) return i;
    out = {{}, std::string(name_of(*s[i]))};
    if (i + 2 < s.size() && is_char(*s[i + 1], '.') && names_something(*s[i + 2])) {
        out = {out.column, std::string(name_of(*s[i + 2]))};
        return i + 3;
    }
    return i + 1;
}

// The name that ends at s[end - 1], qualified or not; false if none.
bool name_before(const std::vector<const Token*>& s, std::size_t end, ColumnRef& out) {
    if (end == 0 || !names_something(*s[end - 1]) || is_keyword(*s[end - 1])) return false;
    out = {{}, std::string(name_of(*s[end - 1]))};
    if (end >= 3 && is_char(*s[end - 2], '.') && names_something(*s[end - 3])) out.table = name_of(*s[end - 3]);
    return true;
}

bool is_comparison_char(const Token& t) { return is_char(t, '=') || is_char(t, '<') || is_char(t, '>') || is_char(t, '!'); }

// INSERT INTO t (a, b, ...) VALUES (x, y, ...): the column of each marker
// that is a value of its own.
void insert_markers(const std::vector<const Token*>& s, std::vector<ColumnRef>& out,
                    const std::vector<std::size_t>& markers) {
    std::size_t k = 0;
    while (k < s.size() && !is_char(*s[k], '(')) ++k;
    std::vector<ColumnRef> columns;
    for (++k; k < s.size() && !is_char(*s[k], ')');) {
        ColumnRef c;
        const std::size_t next = read_name(s, k, c);
        if (next == k) return;
        columns.push_back(c);
        k = next;
        if (k < s.size() && is_char(*s[k], ',')) ++k;
    }
    while (k < s.size() && !same_word(*s[k], "VALUES")) ++k;
    if (k + 1 >= s.size() || !is_char(*s[k + 1], '(')) return;
    std::size_t position = 0;
    int depth = 0;
    for (std::size_t i = k + 2; i < s.size() && depth >= 0; ++i) {
        if (is_char(*s[i], '(')) ++depth;
        if (is_char(*s[i], ')')) --depth;
        if (depth == 0 && is_char(*s[i], ',')) ++position;
        const bool alone = is_char(*s[i], '?') && (is_char(*s[i - 1], '(') || is_char(*s[i - 1], ',')) &&
                           i + 1 < s.size() && (is_char(*s[i + 1], ')') || is_char(*s[i + 1], ','));
        if (alone && depth == 0 && position < columns.size()) {
            for (std::size_t m = 0; m < markers.size(); ++m) {
                if (markers[m] != i) continue;
                out[m] = columns[position];
                out[m].assigned = true;
            }
        }
    }
}

// UPDATE t SET [c] = ?, ... WHERE ...: the markers of the SET list.
void set_markers(const std::vector<const Token*>& s, std::vector<ColumnRef>& out,
                 const std::vector<std::size_t>& markers) {
    std::size_t set = 0, end = s.size();
    int depth = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (is_char(*s[i], '(')) ++depth;
        if (is_char(*s[i], ')')) --depth;
        if (depth != 0) continue;
        if (set == 0 && same_word(*s[i], "SET")) set = i;
        if (set != 0 && same_word(*s[i], "WHERE")) {
            end = i;
            break;
        }
    }
    for (std::size_t m = 0; m < markers.size(); ++m) {
        if (set != 0 && markers[m] > set && markers[m] < end && !out[m].column.empty()) out[m].assigned = true;
    }
}

}  // namespace

std::vector<std::string> named_tables(const std::vector<Token>& tokens) {
    const std::vector<const Token*> s = solid(tokens);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const bool opens = same_word(*s[i], "FROM") || same_word(*s[i], "JOIN") || same_word(*s[i], "INTO") ||
                           (i == 0 && same_word(*s[i], "UPDATE"));
        if (!opens) continue;
        for (std::size_t k = i + 1;;) {
            ColumnRef name;
            const std::size_t next = read_name(s, k, name);
            if (next == k) break;
            out.push_back(name.column);
            k = next;
            // An alias, then maybe another table of a list.
            if (k < s.size() && same_word(*s[k], "AS")) ++k;
            if (k < s.size() && names_something(*s[k]) && !is_keyword(*s[k])) ++k;
            if (k >= s.size() || !is_char(*s[k], ',')) break;
            ++k;
        }
    }
    return out;
}

std::vector<ColumnRef> marker_columns(const std::vector<Token>& tokens) {
    const std::vector<const Token*> s = solid(tokens);
    std::vector<std::size_t> markers;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (is_char(*s[i], '?')) markers.push_back(i);
    }
    std::vector<ColumnRef> out(markers.size());
    for (std::size_t m = 0; m < markers.size(); ++m) {
        const std::size_t i = markers[m];
        // Back over an operator of one or two characters, or LIKE, BETWEEN.
        std::size_t before = i;
        while (before > 0 && i - before < 2 && is_comparison_char(*s[before - 1])) --before;
        if (before == i && before > 0 && (same_word(*s[before - 1], "LIKE") || same_word(*s[before - 1], "BETWEEN"))) {
            --before;
        }
        if (before < i && name_before(s, before, out[m])) continue;
        // Or forward: ? = [c].
        std::size_t after = i + 1;
        while (after < s.size() && after - i <= 2 && is_comparison_char(*s[after])) ++after;
        if (after > i + 1) read_name(s, after, out[m]);
    }
    if (!s.empty() && same_word(*s[0], "INSERT")) insert_markers(s, out, markers);
    if (!s.empty() && same_word(*s[0], "UPDATE")) set_markers(s, out, markers);
    return out;
}

std::vector<SelectItem> select_items(const std::vector<Token>& tokens) {
    const std::vector<const Token*> s = solid(tokens);
    std::vector<SelectItem> items;
    std::size_t i = 0;
    while (i < s.size() && is_char(*s[i], '(')) ++i;
    if (i >= s.size() || !same_word(*s[i], "SELECT")) return items;
    ++i;
    for (const char* quantifier : {"DISTINCT", "DISTINCTROW", "ALL"}) {
        if (i < s.size() && same_word(*s[i], quantifier)) ++i;
    }
    if (i + 1 < s.size() && same_word(*s[i], "TOP")) i += 2;
    SelectItem item;
    int depth = 0;
    for (; i < s.size(); ++i) {
        const Token& t = *s[i];
        if (is_char(t, '(')) ++depth;
        if (is_char(t, ')') && --depth < 0) break;
        if (depth == 0 && (same_word(t, "FROM") || same_word(t, "UNION") || same_word(t, "ORDER") ||
                           same_word(t, "WHERE") || is_char(t, ';'))) {
            break;
        }
        if (depth == 0 && is_char(t, ',')) {
            items.push_back(std::move(item));
            item = {};
            continue;
        }
        item.tokens.push_back(&t);
    }
    items.push_back(std::move(item));
    for (SelectItem& it : items) {
        const auto& t = it.tokens;
        const std::size_t n = t.size();
        it.star = (n == 1 && is_char(*t[0], '*')) || (n == 3 && is_char(*t[1], '.') && is_char(*t[2], '*'));
        if (n >= 2 && same_word(*t[n - 2], "AS")) it.tokens.resize(n - 2);
    }
    return items;
}

}  // namespace detalehran::odbc
