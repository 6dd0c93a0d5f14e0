#include "access_expressions.h"

#include <cctype>
#include <cstdio>

#include "date_values.h"
#include "like_ranges.h"
#include "odbc_escapes.h"

namespace detalehran::odbc {

namespace {

bool is_clause_word(const Token& t) {
    for (const char* k :
         {"FROM",  "WHERE",  "GROUP", "ORDER", "HAVING", "UNION",   "INNER",  "LEFT",      "RIGHT",   "OUTER",  "FULL",
          "CROSS", "JOIN",   "ON",    "SET",   "VALUES", "SELECT",  "INTO",   "AS",        "ASC",     "DESC",   "BY",
          "LIMIT", "OFFSET", "THEN",  "ELSE",  "WHEN",   "END",     "EXCEPT", "INTERSECT", "COLLATE", "ESCAPE", "AND",
          "OR",    "NOT",    "IS",    "IN",    "LIKE",   "BETWEEN", "XOR",    "EQV",       "IMP",     "MOD",
          "GLOB"}) {
        if (same_word(t, k)) return true;
    }
    return false;
}

struct Failure {
    std::string reason;
};

// Comments are nothing to the statement: "--" to the end of the line and
// "/* ... */" (to the end when open) are left out.
std::vector<const Token*> without_comments(const std::vector<Token>& tokens) {
    std::vector<const Token*> out;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        const bool next_adjacent = i + 1 < tokens.size();
        if (is_char(t, '-') && next_adjacent && is_char(tokens[i + 1], '-')) {
            while (i < tokens.size() &&
                   !(tokens[i].kind == Token::space && tokens[i].text.find('\n') != std::string::npos))
                ++i;
            continue;
        }
        if (is_char(t, '/') && next_adjacent && is_char(tokens[i + 1], '*')) {
            i += 2;
            while (i < tokens.size() &&
                   !(is_char(tokens[i], '*') && i + 1 < tokens.size() && is_char(tokens[i + 1], '/')))
                ++i;
            ++i;
            continue;
        }
        if (t.kind != Token::space) out.push_back(&t);
    }
    return out;
}

class Rewriter {
public:
    Rewriter(const std::vector<Token>& tokens, bool number_markers, bool like_ranges)
        : s_(without_comments(tokens)), number_markers_(number_markers), like_ranges_(like_ranges) {}

    ExpressionRewrite run() {
        ExpressionRewrite r;
        try {
            r.sql = statement(0);
            if (pos_ < s_.size()) fail("Syntax error near '" + s_[pos_]->text + "'");
            r.numbered_markers = numbered_;
            r.like_columns = like_columns_;
        } catch (const Failure& f) {
            r.ok = false;
            r.error = f.reason;
        }
        return r;
    }

private:
    [[noreturn]] static void fail(const std::string& reason) { throw Failure{reason}; }

    const Token* at(std::size_t ahead = 0) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : nullptr; }
    bool word(const char* w, std::size_t ahead = 0) const { return at(ahead) && same_word(*at(ahead), w); }
    bool ch(char c, std::size_t ahead = 0) const { return at(ahead) && is_char(*at(ahead), c); }
    std::string take() { return s_[pos_++]->text; }
    void expect(char c) {
        if (!ch(c))
            fail(std::string("Syntax error: '") + c + "' expected" + (at() ? " near '" + at()->text + "'" : ""));
        ++pos_;
    }

    // Each level of parentheses, call or subquery is a level of recursion:
    // beyond any statement a person writes, the statement is refused.
    struct Depth {
        explicit Depth(int& d) : d_(d) {
            if (++d_ > 200) fail("Expression too deeply nested");
        }
        ~Depth() { --d_; }
        int& d_;
    };

    // A statement up to an unmatched ")" or the end; depth 0 is the whole
    // text, where TOP is allowed.
    std::string statement(int level) {
        Depth depth(depth_);
        std::string out;
        std::size_t from_at = std::string::npos, order_at = std::string::npos;
        std::vector<std::string> order_terms;
        long long top = -1;
        bool percent = false, distinctrow = false;
        int tables = 0;
        auto add = [&](const std::string& piece) {
            if (!out.empty() && !piece.empty()) out += ' ';
            out += piece;
        };
        while (const Token* t = at()) {
            if (is_char(*t, ')') || is_char(*t, '}')) break;
            if (is_char(*t, '(')) {
                ++pos_;
                add("(" + statement(level + 1) + ")");
                expect(')');
                continue;
            }
            if (same_word(*t, "SELECT")) {
                add(take());
                for (const char* q : {"DISTINCT", "ALL"}) {
                    if (word(q)) add(take());
                }
                if (word("DISTINCTROW")) {
                    ++pos_;
                    distinctrow = true;
                }
                if (word("TOP")) {
                    if (level != 0) fail("TOP in a subquery is not supported");
                    ++pos_;
                    const Token* n = at();
                    if (!n || n->kind != Token::word || !std::isdigit(static_cast<unsigned char>(n->text[0])))
                        fail("TOP needs a whole number");
                    top = std::stoll(take());
                    if (word("PERCENT")) {
                        ++pos_;
                        percent = true;
                        if (top > 100) fail("TOP " + std::to_string(top) + " PERCENT is more than all rows");
                    }
                }
                add(in_condition(false, [&] { return item_list(); }));
            } else if (same_word(*t, "FROM") || same_word(*t, "JOIN") || same_word(*t, "INTO") ||
                       (same_word(*t, "UPDATE") && out.empty())) {
                if (same_word(*t, "FROM") && level == 0 && from_at == std::string::npos) from_at = out.size();
                add(take());
                add(names(tables));
            } else if (same_word(*t, "WHERE") || same_word(*t, "HAVING") || same_word(*t, "ON") ||
                       same_word(*t, "LIMIT") || same_word(*t, "OFFSET")) {
                const bool condition = !same_word(*t, "LIMIT") && !same_word(*t, "OFFSET");
                add(take());
                add(in_condition(condition, [&] { return expression(); }));
            } else if (same_word(*t, "SET")) {
                add(take());
                add(assignments());
            } else if (same_word(*t, "VALUES")) {
                add(take());
                expect('(');
                add("(" + list() + ")");
                expect(')');
            } else if ((same_word(*t, "ORDER") || same_word(*t, "GROUP")) && word("BY", 1)) {
                const bool order = same_word(*t, "ORDER");
                if (order && level == 0) order_at = out.size();
                add(take());
                add(take());
                std::string terms;
                for (;;) {
                    std::string term = in_condition(false, [&] { return expression(); });
                    if (order && level == 0) order_terms.push_back(term);
                    for (const char* k : {"ASC", "DESC"}) {
                        if (word(k)) {
                            term += " " + take();
                            if (order && level == 0) order_terms.back() = term;
                        }
                    }
                    terms += term;
                    if (!ch(',')) break;
                    terms += ", ";
                    ++pos_;
                }
                add(terms);
            } else if (is_char(*t, '{') && word("OJ", 1)) {
                pos_ += 2;
                add(names(tables));
                expect('}');
            } else {
                add(take());
            }
        }
        if (distinctrow && tables > 1) fail("DISTINCTROW over several tables is not supported");
        if (top < 0) return out;
        return with_top(out, from_at, order_at, order_terms, top, percent);
    }

    // TOP n [PERCENT] as a LIMIT; with ORDER BY, rows that tie with the
    // last one are included, as Jet returns them.
    std::string with_top(std::string out, std::size_t from_at, std::size_t order_at,
                         const std::vector<std::string>& order_terms, long long top, bool percent) {
        if (from_at == std::string::npos) fail("TOP needs a FROM clause");
        const std::size_t from_end = order_at == std::string::npos ? out.size() : order_at;
        const std::string from = out.substr(from_at, from_end - from_at);
        if ((percent || !order_terms.empty()) && markers_ > 0) numbered_ = true;
        std::string n = std::to_string(top);
        if (percent) {
            n = "(SELECT (count(*) * " + std::to_string(top) + " + 99) / 100 " + from + ")";
        }
        std::string limit = n;
        if (!order_terms.empty()) {
            std::string order;
            for (const std::string& term : order_terms) {
                std::string bare = term;
                for (const char* k : {" ASC", " DESC"}) {
                    if (bare.size() > 4 && bare.ends_with(k)) bare.resize(bare.size() - std::string(k).size());
                }
                if (!bare.empty() && std::isdigit(static_cast<unsigned char>(bare[0])))
                    fail("TOP with ORDER BY a column number is not supported; name the column");
                order += (order.empty() ? "" : ", ") + term;
            }
            limit = "(SELECT count(*) FROM (SELECT rank() OVER (ORDER BY " + order + ") AS \"jet rank\" " + from +
                    ") WHERE \"jet rank\" <= " + n + ")";
        }
        return out + " LIMIT " + limit;
    }

    // Table names with aliases and joins' conditions; subqueries in
    // parentheses are statements of their own.
    std::string names(int& tables) {
        std::string out;
        auto add = [&](const std::string& piece) { out += (out.empty() ? "" : " ") + piece; };
        ++tables;
        while (const Token* t = at()) {
            if (is_char(*t, ')') || is_char(*t, '}') || is_char(*t, ';')) break;
            if (is_char(*t, '(')) {
                ++pos_;
                if (word("SELECT")) {
                    add("(" + statement(1) + ")");
                } else {
                    add("(" + names(tables) + ")");
                }
                expect(')');
                continue;
            }
            if (same_word(*t, "ON")) {
                add(take());
                add(in_condition(true, [&] { return expression(); }));
                continue;
            }
            if (is_char(*t, ',') || same_word(*t, "JOIN")) ++tables;
            if (is_clause_word(*t) && !same_word(*t, "AS") && !same_word(*t, "JOIN") && !same_word(*t, "INNER") &&
                !same_word(*t, "LEFT") && !same_word(*t, "RIGHT") && !same_word(*t, "OUTER") &&
                !same_word(*t, "CROSS") && !same_word(*t, "FULL")) {
                break;
            }
            if (is_char(*t, '{') && word("OJ", 1)) {
                pos_ += 2;
                add(names(tables));
                expect('}');
                continue;
            }
            add(take());
        }
        return out;
    }

    // The SELECT list: expressions with an optional alias.
    std::string item_list() {
        std::string out;
        for (;;) {
            out += expression();
            if (word("AS")) {
                out += " " + take();
                if (!at()) fail("Syntax error: a name expected after AS");
                out += " " + take();
            } else if (at() && names_something(*at()) && !is_clause_word(*at())) {
                out += " " + take();
            }
            if (!ch(',')) return out;
            ++pos_;
            out += ", ";
        }
    }

    std::string list() {
        std::string out = expression();
        while (ch(',')) {
            ++pos_;
            out += ", " + expression();
        }
        return out;
    }

    std::string assignments() {
        std::string out;
        for (;;) {
            std::string target = take();
            if (ch('.')) {
                ++pos_;
                target += "." + take();
            }
            expect('=');
            out += target + " = " + expression();
            if (!ch(',')) return out;
            ++pos_;
            out += ", ";
        }
    }

    std::string expression() {
        Depth depth(depth_);
        std::string a = conjunction();
        while (word("OR") || word("XOR") || word("EQV") || word("IMP")) {
            if (!word("OR")) fail("The operator " + at()->text + " is not supported");
            ++pos_;
            a = "(" + a + " OR " + conjunction() + ")";
        }
        return a;
    }

    std::string conjunction() {
        std::string a = negation();
        while (word("AND")) {
            ++pos_;
            a = "(" + a + " AND " + negation() + ")";
        }
        return a;
    }

    std::string negation() {
        if (!word("NOT")) return comparison();
        Depth depth(depth_);
        ++pos_;
        return "(NOT " + negation() + ")";
    }

    // Runs read with the condition state set, and restores it.
    template <typename Read>
    std::string in_condition(bool condition, Read read) {
        const bool outer = in_condition_;
        in_condition_ = condition;
        std::string out = read();
        in_condition_ = outer;
        return out;
    }

    // Whether the tokens from..to (exclusive) are one column, "c" or "t"."c".
    bool is_column(std::size_t from, std::size_t to) const {
        if (to == from + 1) {
            return names_something(*s_[from]) && !is_condition_keyword(*s_[from]) &&
                   !(s_[from]->kind == Token::word && std::isdigit(static_cast<unsigned char>(s_[from]->text[0])));
        }
        return to == from + 3 && names_something(*s_[from]) && is_char(*s_[from + 1], '.') &&
               names_something(*s_[from + 2]) && !is_condition_keyword(*s_[from + 2]);
    }

    std::string comparison() {
        const std::size_t left_from = pos_;
        std::string a = concatenation();
        // Only while no operator has taken the column into an expression.
        const std::string column = is_column(left_from, pos_) ? a : std::string();
        for (;;) {
            const bool left_is_column = !column.empty() && a == column;
            std::string op;
            while (op.size() < 2 && (ch('=') || ch('<') || ch('>') || ch('!'))) op += take();
            if (!op.empty()) {
                a = "(" + a + " " + op + " " + concatenation() + ")";
                continue;
            }
            const bool negated =
                word("NOT") && (word("LIKE", 1) || word("GLOB", 1) || word("BETWEEN", 1) || word("IN", 1));
            if (negated) ++pos_;
            const std::string no = negated ? "NOT " : "";
            if (word("LIKE")) {
                ++pos_;
                const std::size_t pattern_from = pos_;
                const std::string pattern = concatenation();
                // A column against a marker or a fixed start: read by its
                // index (like_ranges.h).
                if (like_ranges_ && in_condition_ && left_is_column && !negated && pos_ == pattern_from + 1 &&
                    pattern_may_narrow(*s_[pattern_from]) && !word("ESCAPE") && !(ch('{') && word("ESCAPE", 1))) {
                    if (is_char(*s_[pattern_from], '?')) numbered_ = true;
                    like_columns_.emplace_back(name_of(*s_[pattern_from - 2]));
                    a = like_with_range(a, pattern);
                    continue;
                }
                std::string like = "(" + a + " " + no + "LIKE " + pattern;
                if (word("ESCAPE")) {
                    ++pos_;
                    like += " ESCAPE " + concatenation();
                } else if (ch('{') && word("ESCAPE", 1)) {
                    pos_ += 2;
                    like += " ESCAPE " + concatenation();
                    expect('}');
                }
                a = like + ")";
            } else if (word("GLOB")) {
                // The store's own case-sensitive pattern match, which the
                // program's search by value sends.
                ++pos_;
                a = "(" + a + " " + no + "GLOB " + concatenation() + ")";
            } else if (word("BETWEEN")) {
                ++pos_;
                const std::string low = concatenation();
                if (!word("AND")) fail("Syntax error: BETWEEN without AND");
                ++pos_;
                a = "(" + a + " " + no + "BETWEEN " + low + " AND " + concatenation() + ")";
            } else if (word("IN")) {
                ++pos_;
                expect('(');
                const std::string inner = word("SELECT") ? statement(1) : list();
                expect(')');
                a = "(" + a + " " + no + "IN (" + inner + "))";
            } else if (word("IS")) {
                ++pos_;
                std::string is = "IS ";
                if (word("NOT")) is += take() + " ";
                if (!word("NULL")) fail("Syntax error: IS without NULL");
                ++pos_;
                a = "(" + a + " " + is + "NULL)";
            } else {
                return a;
            }
        }
    }

    std::string concatenation() {
        std::string a = sum();
        while (ch('&')) {
            ++pos_;
            a = "jet_concat(" + a + ", " + sum() + ")";
        }
        return a;
    }

    std::string sum() {
        std::string a = modulo();
        while (ch('+') || ch('-')) {
            const bool plus = ch('+');
            ++pos_;
            const std::string b = modulo();
            a = plus ? "jet_plus(" + a + ", " + b + ")" : "(" + a + " - " + b + ")";
        }
        return a;
    }

    std::string modulo() {
        std::string a = whole_division();
        while (word("MOD")) {
            ++pos_;
            a = "jet_mod(" + a + ", " + whole_division() + ")";
        }
        return a;
    }

    std::string whole_division() {
        std::string a = product();
        while (ch('\\')) {
            ++pos_;
            a = "jet_int_divide(" + a + ", " + product() + ")";
        }
        return a;
    }

    std::string product() {
        std::string a = unary();
        while (ch('*') || ch('/')) {
            const bool times = ch('*');
            ++pos_;
            const std::string b = unary();
            a = times ? "(" + a + " * " + b + ")" : "jet_divide(" + a + ", " + b + ")";
        }
        return a;
    }

    std::string unary() {
        if (ch('-') || ch('+')) {
            Depth depth(depth_);
            const std::string sign = take();
            return "(" + sign + unary() + ")";
        }
        return power();
    }

    std::string power() {
        std::string a = primary();
        while (ch('^')) {
            ++pos_;
            std::string signs;
            while (ch('-') || ch('+')) signs += take();
            a = "jet_power(" + a + ", " + signs + primary() + ")";
        }
        return a;
    }

    std::string number() {
        std::string text;
        if (at() && at()->kind == Token::word) text = take();
        if (ch('.')) {
            text += take();
            if (at() && at()->kind == Token::word && std::isdigit(static_cast<unsigned char>(at()->text[0])))
                text += take();
        }
        // 1e-5 comes as "1e", "-", "5".
        if (!text.empty() && (text.back() == 'e' || text.back() == 'E') && (ch('-') || ch('+')) && at(1) &&
            at(1)->kind == Token::word && std::isdigit(static_cast<unsigned char>(at(1)->text[0]))) {
            text += take();
            text += take();
        }
        return text;
    }

    std::string primary() {
        const Token* t = at();
        if (!t) fail("Syntax error: an expression is missing at the end");
        if (t->kind == Token::literal) return take();
        if (is_char(*t, '?')) {
            ++pos_;
            ++markers_;
            return number_markers_ ? "?" + std::to_string(markers_) : std::string("?");
        }
        if (is_char(*t, '*')) return take();
        if (is_char(*t, '.') || (t->kind == Token::word && std::isdigit(static_cast<unsigned char>(t->text[0]))))
            return number();
        if (is_char(*t, '(')) {
            ++pos_;
            std::string inner = word("SELECT") ? statement(1) : list();
            expect(')');
            return "(" + inner + ")";
        }
        if (is_char(*t, '#')) return date_literal();
        if (is_char(*t, '{')) return escape();
        if (same_word(*t, "CASE")) return case_expression();
        if (same_word(*t, "EXISTS")) {
            ++pos_;
            expect('(');
            std::string inner = statement(1);
            expect(')');
            return "EXISTS (" + inner + ")";
        }
        if (same_word(*t, "CAST") && ch('(', 1)) {
            pos_ += 2;
            std::string inner = expression();
            if (!word("AS")) fail("Syntax error: CAST without AS");
            ++pos_;
            std::string type;
            while (at() && !ch(')')) type += (type.empty() ? "" : " ") + take();
            expect(')');
            return "CAST(" + inner + " AS " + type + ")";
        }
        if (t->kind == Token::word && ch('(', 1)) return call();
        if (!names_something(*t) || (t->kind == Token::word && is_clause_word(*t)))
            fail("Syntax error in query expression near '" + t->text + "'");
        std::string name = take();
        while (ch('.') && at(1) && (names_something(*at(1)) || is_char(*at(1), '*'))) {
            name += take();
            name += take();
        }
        return name;
    }

    std::string call() {
        Depth depth(depth_);
        std::string name = take();
        ++pos_;  // "("
        std::string upper;
        for (char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        // Names that SQLite reads as keywords get the name of their function.
        if (upper == "LEFT" || upper == "RIGHT" || upper == "ISNULL") name = "jet_" + upper;
        if (upper == "IIF") name = "iif";
        std::string args;
        if (word("DISTINCT")) args = take() + " ";
        if (!ch(')')) args += list();
        expect(')');
        return name + "(" + args + ")";
    }

    std::string case_expression() {
        std::string out = take();
        if (!word("WHEN")) out += " " + expression();
        while (word("WHEN")) {
            ++pos_;
            out += " WHEN " + expression();
            if (!word("THEN")) fail("Syntax error: CASE WHEN without THEN");
            ++pos_;
            out += " THEN " + expression();
        }
        if (word("ELSE")) {
            ++pos_;
            out += " ELSE " + expression();
        }
        if (!word("END")) fail("Syntax error: CASE without END");
        ++pos_;
        return out + " END";
    }

    // #2024-01-31#, #2024-01-31 12:30:00#, #1/31/2024# (month first, as
    // Jet reads it) or #12:30# as ISO text.
    std::string date_literal() {
        ++pos_;
        std::string body;
        while (at() && !ch('#')) body += s_[pos_++]->text + " ";
        expect('#');
        while (!body.empty() && body.back() == ' ') body.pop_back();
        std::string compact;
        for (std::size_t i = 0; i < body.size(); ++i) {
            // The tokens were joined by blanks; keep only the blank between
            // a date and a time.
            if (body[i] == ' ' &&
                !(i > 0 && std::isdigit(static_cast<unsigned char>(body[i - 1])) && i + 1 < body.size() &&
                  std::isdigit(static_cast<unsigned char>(body[i + 1])) && compact.find(' ') == std::string::npos &&
                  (compact.find('-') != std::string::npos || compact.find('/') != std::string::npos)))
                continue;
            compact += body[i];
        }
        int m = 0, d = 0, y = 0, consumed = 0;
        std::string iso = compact;
        if (std::sscanf(compact.c_str(), "%d/%d/%d%n", &m, &d, &y, &consumed) == 3) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
            iso = buf + compact.substr(static_cast<std::size_t>(consumed));
        }
        DateTime value;
        if (!parse_datetime_value(iso, value)) fail("Invalid date literal #" + compact + "#");
        const bool date_given = iso.find('-') != std::string::npos;
        return "'" +
               format_datetime(value, !date_given      ? DatePart::time
                                      : value.has_time ? DatePart::both
                                                       : DatePart::date) +
               "'";
    }

    // ODBC's escapes in an expression: {fn ...}, {d '...'}, {t '...'},
    // {ts '...'}.
    std::string escape() {
        ++pos_;
        const Token* kind = at();
        if (!kind) fail("Syntax error in an ODBC escape");
        std::string out;
        if (same_word(*kind, "D") || same_word(*kind, "T") || same_word(*kind, "TS")) {
            ++pos_;
            const Token* value = at();
            if (!value || value->kind != Token::literal) fail("Syntax error in the ODBC escape {" + kind->text + "}");
            const std::string text = value->text.substr(1, value->text.size() - 2);
            DateTime dt;
            const bool time_only = same_word(*kind, "T");
            if (!parse_datetime_value(text, dt) || (same_word(*kind, "D") && dt.has_time))
                fail("Invalid date or time in the ODBC escape {" + kind->text + " " + value->text + "}");
            ++pos_;
            out = "'" +
                  format_datetime(dt, time_only               ? DatePart::time
                                      : same_word(*kind, "D") ? DatePart::date
                                                              : DatePart::both) +
                  "'";
        } else if (same_word(*kind, "FN")) {
            ++pos_;
            out = escape_call();
        } else {
            fail("The ODBC escape {" + kind->text + "} is not supported here");
        }
        expect('}');
        return out;
    }

    std::string escape_call() {
        const Token* name = at();
        if (!name || name->kind != Token::word || !ch('(', 1)) fail("Syntax error in an ODBC {fn} escape");
        pos_ += 2;
        std::vector<std::string> args;
        if (same_word(*name, "CONVERT")) {
            std::string value = expression();
            expect(',');
            const std::string type = at() ? take() : "";
            expect(')');
            std::string upper;
            for (char c : type) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const char* target = nullptr;
            for (const char* t :
                 {"SQL_CHAR", "SQL_VARCHAR", "SQL_LONGVARCHAR", "SQL_WCHAR", "SQL_WVARCHAR", "SQL_WLONGVARCHAR",
                  "SQL_DATE", "SQL_TIMESTAMP", "SQL_TYPE_DATE", "SQL_TYPE_TIMESTAMP"})
                if (upper == t) target = "TEXT";
            for (const char* t : {"SQL_INTEGER", "SQL_SMALLINT", "SQL_BIGINT", "SQL_TINYINT", "SQL_BIT"})
                if (upper == t) target = "INTEGER";
            for (const char* t : {"SQL_DOUBLE", "SQL_FLOAT", "SQL_REAL", "SQL_NUMERIC", "SQL_DECIMAL"})
                if (upper == t) target = "REAL";
            if (!target) fail("CONVERT to " + type + " is not supported");
            return "CAST(" + value + " AS " + target + ")";
        }
        const EscapeFunction* f = escape_function(name->text);
        if (!f) fail("The ODBC function " + name->text + " is not supported");
        if (!ch(')')) args.push_back(expression());
        while (ch(',')) {
            ++pos_;
            args.push_back(expression());
        }
        expect(')');
        if (static_cast<int>(args.size()) < f->min_args || static_cast<int>(args.size()) > f->max_args)
            fail("Wrong number of arguments to the ODBC function " + std::string(f->name));
        const std::string templ = f->templ;
        if (templ == "instr(%r)") {
            // LOCATE(sought, text[, start]) is InStr([start, ]text, sought).
            return args.size() == 3 ? "instr(" + args[2] + ", " + args[1] + ", " + args[0] + ")"
                                    : "instr(" + args[1] + ", " + args[0] + ")";
        }
        std::string out;
        for (std::size_t i = 0; i < templ.size(); ++i) {
            if (templ[i] == '$' && i + 1 < templ.size() && std::isdigit(static_cast<unsigned char>(templ[i + 1]))) {
                out += args[static_cast<std::size_t>(templ[++i] - '1')];
            } else if (templ.compare(i, 2, "%s") == 0) {
                for (std::size_t k = 0; k < args.size(); ++k) out += (k ? ", " : "") + args[k];
                ++i;
            } else {
                out += templ[i];
            }
        }
        return out;
    }

    std::vector<const Token*> s_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    std::size_t markers_ = 0;
    bool numbered_ = false;
    bool number_markers_;
    bool like_ranges_;
    bool in_condition_ = false;
    std::vector<std::string> like_columns_;
};

}  // namespace

bool needs_access_rewrite(const std::vector<Token>& all) {
    std::vector<Token> tokens;
    for (const Token* t : without_comments(all)) tokens.push_back(*t);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind == Token::other) {
            if (t.text.size() == 1 && std::string_view("&+/\\^#{").find(t.text[0]) != std::string_view::npos)
                return true;
            continue;
        }
        if (t.kind != Token::word) continue;
        for (const char* w : {"MOD", "TOP", "DISTINCTROW"}) {
            if (same_word(t, w)) return true;
        }
        const std::size_t next = next_solid(tokens, i + 1);
        if (next < tokens.size() && is_char(tokens[next], '(')) {
            for (const char* w : {"LEFT", "RIGHT", "ISNULL", "IIF"}) {
                if (same_word(t, w)) return true;
            }
        }
    }
    return false;
}

ExpressionRewrite rewrite_access_expressions(const std::vector<Token>& tokens, bool like_ranges) {
    ExpressionRewrite r = Rewriter(tokens, false, like_ranges).run();
    // TOP repeats the conditions in its LIMIT, and a narrowed LIKE its
    // pattern: the markers are numbered so that each stands for one value
    // wherever it appears.
    if (r.ok && r.numbered_markers) r = Rewriter(tokens, true, like_ranges).run();
    return r;
}

}  // namespace detalehran::odbc
