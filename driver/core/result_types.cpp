#include "result_types.h"

#include <cctype>
#include <charconv>
#include <cstdint>

namespace detalehran::odbc {

namespace {

enum class Kind { unknown, null, whole, money, real, text };

// The type of a (part of an) expression; exact holds the whole description
// where the value is a column's own (a plain column, MIN or MAX of one) or
// an integer of Jet's Long size (a count, a comparison, a small literal).
struct Type {
    Kind kind = Kind::unknown;
    std::optional<ColumnInfo> exact;
};

Type of_kind(Kind k) { return {k, std::nullopt}; }

Type long_integer() {
    ColumnInfo c = column_of_type("INTEGER");
    c.nullable = SQL_NULLABLE;
    return {Kind::whole, c};
}

Type of_column(const ColumnInfo& c) {
    switch (c.kind) {
        case ValueKind::integer:
            return {Kind::whole, c};
        case ValueKind::money:
            return {Kind::money, c};
        case ValueKind::real:
            return {Kind::real, c};
        case ValueKind::text:
            return {Kind::text, c};
        case ValueKind::untyped:
            break;
    }
    return of_kind(Kind::unknown);
}

bool is_digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

// Arithmetic of two numbers: floating point wins over money, money over
// whole numbers, as Jet ranks Double over Currency over Long.
Type arithmetic(const Type& a, const Type& b, char op) {
    if (a.kind == Kind::null) return of_kind(b.kind);
    if (b.kind == Kind::null) return of_kind(a.kind);
    auto numeric = [](Kind k) { return k == Kind::whole || k == Kind::money || k == Kind::real; };
    if (!numeric(a.kind) || !numeric(b.kind)) return of_kind(Kind::unknown);
    if (op == '/') return of_kind(Kind::real);
    if (op == '%') return of_kind(Kind::whole);
    if (a.kind == Kind::real || b.kind == Kind::real) return of_kind(Kind::real);
    if (a.kind == Kind::money || b.kind == Kind::money) return of_kind(Kind::money);
    return of_kind(Kind::whole);
}

class Typer {
public:
    Typer(const std::vector<const Token*>& t, const ColumnResolver& resolve) : t_(t), resolve_(resolve) {}

    std::optional<ColumnInfo> run() {
        const Type type = disjunction();
        if (pos_ != t_.size()) return std::nullopt;  // something not understood
        if (type.exact) return type.exact;
        switch (type.kind) {
            case Kind::whole: {
                ColumnInfo c = column_of_type("INTEGER");
                c.sql_type = SQL_BIGINT;
                c.size = 19;
                c.nullable = SQL_NULLABLE;
                return c;
            }
            case Kind::money:
                return described("MONEY");
            case Kind::real:
                return described("DOUBLE");
            case Kind::text:
                return described("TEXT");
            default:
                return std::nullopt;
        }
    }

private:
    static ColumnInfo described(const char* declared) {
        ColumnInfo c = column_of_type(declared);
        c.nullable = SQL_NULLABLE;
        return c;
    }

    bool at_word(std::string_view w) const { return pos_ < t_.size() && same_word(*t_[pos_], w); }
    bool at_char(char c, std::size_t ahead = 0) const {
        return pos_ + ahead < t_.size() && is_char(*t_[pos_ + ahead], c);
    }

    // Each level of parentheses, call, sign or NOT is a level of this
    // parser's recursion. Beyond any statement a person writes, the
    // expression is left undescribed rather than run the stack out.
    static constexpr int kMaxNesting = 256;

    class Nesting {
    public:
        explicit Nesting(Typer& typer) : typer_(typer) { ++typer_.depth_; }
        ~Nesting() { --typer_.depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;
        // True when too deep: the rest of the expression is not understood.
        bool too_deep() {
            if (typer_.depth_ <= kMaxNesting) return false;
            typer_.pos_ = typer_.t_.size() + 1;
            return true;
        }

    private:
        Typer& typer_;
    };

    Type disjunction() {
        Nesting nesting(*this);
        if (nesting.too_deep()) return of_kind(Kind::unknown);
        Type a = conjunction();
        while (at_word("OR")) {
            ++pos_;
            conjunction();
            a = long_integer();
        }
        return a;
    }

    Type conjunction() {
        Type a = negation();
        while (at_word("AND")) {
            ++pos_;
            negation();
            a = long_integer();
        }
        return a;
    }

    Type negation() {
        if (!at_word("NOT")) return comparison();
        Nesting nesting(*this);
        if (nesting.too_deep()) return of_kind(Kind::unknown);
        ++pos_;
        negation();
        return long_integer();
    }

    // Comparisons yield truth values, which SQLite gives as 1 and 0.
    Type comparison() {
        Type a = concatenation();
        for (;;) {
            std::size_t op = 0;
            while (op < 2 && (at_char('=', op) || at_char('<', op) || at_char('>', op) || at_char('!', op))) ++op;
            if (op > 0) {
                pos_ += op;
            } else if (at_word("IN") && at_char('(', 1)) {
                pos_ += 2;
                skip_to_close();
                a = long_integer();
                continue;
            } else if (at_word("LIKE") || at_word("IS") || at_word("BETWEEN")) {
                const bool between = at_word("BETWEEN");
                ++pos_;
                if (at_word("NOT")) ++pos_;
                if (between) {
                    concatenation();
                    if (!at_word("AND")) return of_kind(Kind::unknown);
                    ++pos_;
                }
            } else if (at_word("NOT")) {
                ++pos_;
                continue;
            } else {
                return a;
            }
            concatenation();
            a = long_integer();
        }
    }

    Type concatenation() {
        Type a = sum();
        while (at_char('&') || (at_char('|') && at_char('|', 1))) {
            pos_ += at_char('&') ? 1 : 2;
            sum();
            a = of_kind(Kind::text);
        }
        return a;
    }

    Type sum() {
        Type a = product();
        while (at_char('+') || at_char('-')) {
            const char op = t_[pos_++]->text[0];
            a = arithmetic(a, product(), op);
        }
        return a;
    }

    Type product() {
        Type a = unary();
        while (at_char('*') || at_char('/') || at_char('%')) {
            const char op = t_[pos_++]->text[0];
            a = arithmetic(a, unary(), op);
        }
        return a;
    }

    Type unary() {
        if (at_char('-') || at_char('+')) {
            Nesting nesting(*this);
            if (nesting.too_deep()) return of_kind(Kind::unknown);
            ++pos_;
            const Type a = unary();
            return of_kind(a.kind == Kind::text ? Kind::unknown : a.kind);
        }
        return primary();
    }

    Type number() {
        // The tokenizer cuts 12.5 into "12", ".", "5".
        std::string text;
        if (pos_ < t_.size() && t_[pos_]->kind == Token::word) text = t_[pos_++]->text;
        if (at_char('.')) {
            ++pos_;
            text += '.';
            if (pos_ < t_.size() && t_[pos_]->kind == Token::word) text += t_[pos_++]->text;
        }
        if (is_digits(text)) {
            std::int64_t v = 0;
            const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
            const bool small = r.ec == std::errc() && v <= INT32_MAX;
            return small ? long_integer() : of_kind(Kind::whole);
        }
        return of_kind(Kind::real);
    }

    Type primary() {
        if (pos_ >= t_.size()) return of_kind(Kind::unknown);
        const Token& t = *t_[pos_];
        if (is_char(t, '(')) return parenthesized();
        if (t.kind == Token::literal) {
            ++pos_;
            return of_kind(Kind::text);
        }
        if (is_char(t, '.') || (t.kind == Token::word && std::isdigit(static_cast<unsigned char>(t.text[0])))) {
            return number();
        }
        if (same_word(t, "NULL")) {
            ++pos_;
            return of_kind(Kind::null);
        }
        if (same_word(t, "TRUE") || same_word(t, "FALSE")) {
            ++pos_;
            return long_integer();
        }
        if (!names_something(t)) return of_kind(Kind::unknown);
        if (t.kind == Token::word && at_char('(', 1)) return call();
        ++pos_;
        ColumnRef ref{{}, std::string(name_of(t))};
        if (at_char('.') && pos_ + 1 < t_.size() && names_something(*t_[pos_ + 1])) {
            ref = {ref.column, std::string(name_of(*t_[pos_ + 1]))};
            pos_ += 2;
        }
        const std::optional<ColumnInfo> c = resolve_(ref);
        return c ? of_column(*c) : of_kind(Kind::unknown);
    }

    Type parenthesized() {
        ++pos_;
        if (at_word("SELECT")) {
            skip_to_close();
            return of_kind(Kind::unknown);
        }
        const Type inner = disjunction();
        if (!at_char(')')) return of_kind(Kind::unknown);
        ++pos_;
        return inner;
    }

    // From just after an opening parenthesis to just after its match.
    void skip_to_close() {
        for (int depth = 1; pos_ < t_.size() && depth > 0; ++pos_) {
            if (is_char(*t_[pos_], '(')) ++depth;
            if (is_char(*t_[pos_], ')')) --depth;
        }
    }

    // The arguments of a call, from just after its "(" to after its ")".
    std::vector<Type> arguments() {
        std::vector<Type> args;
        if (at_char(')')) {
            ++pos_;
            return args;
        }
        if (at_word("DISTINCT")) ++pos_;
        for (;;) {
            if (at_char('*')) {
                ++pos_;
                args.push_back(of_kind(Kind::unknown));
            } else {
                args.push_back(disjunction());
            }
            if (at_char(',')) {
                ++pos_;
                continue;
            }
            if (at_char(')')) {
                ++pos_;
            } else {
                pos_ = t_.size() + 1;  // not understood
            }
            return args;
        }
    }

    Type call() {
        const Token& name = *t_[pos_];
        pos_ += 2;
        const std::vector<Type> args = arguments();
        const Type first = args.empty() ? of_kind(Kind::unknown) : args[0];
        for (const char* f : {"COUNT", "LENGTH", "LEN", "INSTR", "LAST_INSERT_ROWID"}) {
            if (same_word(name, f)) return long_integer();
        }
        for (const char* f : {"MIN", "MAX", "ABS"}) {
            if (same_word(name, f) && args.size() == 1) return first;
        }
        if (same_word(name, "ROUND")) return of_kind(first.kind);
        if (same_word(name, "SUM")) return of_kind(first.kind == Kind::null ? Kind::unknown : first.kind);
        if (same_word(name, "AVG")) return of_kind(first.kind == Kind::money ? Kind::money : Kind::real);
        if (same_word(name, "TOTAL")) return of_kind(Kind::real);
        for (const char* f :
             {"UPPER", "LOWER", "UCASE", "LCASE", "TRIM", "LTRIM", "RTRIM", "SUBSTR", "MID", "REPLACE"}) {
            if (same_word(name, f)) return of_kind(Kind::text);
        }
        for (const char* f : {"COALESCE", "IFNULL", "NZ"}) {
            if (!same_word(name, f)) continue;
            for (const Type& a : args) {
                if (a.kind != Kind::null) return of_kind(a.kind);
            }
        }
        return of_kind(Kind::unknown);
    }

    const std::vector<const Token*>& t_;
    const ColumnResolver& resolve_;
    std::size_t pos_ = 0;
    int depth_ = 0;
};

}  // namespace

std::optional<ColumnInfo> expression_column(const std::vector<const Token*>& expression,
                                            const ColumnResolver& resolve) {
    if (expression.empty()) return std::nullopt;
    return Typer(expression, resolve).run();
}

}  // namespace detalehran::odbc
