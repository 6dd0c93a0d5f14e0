#include "access_functions.h"

#include <locale.h>
#include <sqlite3.h>
#include <wctype.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "date_values.h"
#include "exact_numbers.h"
#include "store/text_fold.h"

namespace detalehran::odbc {

namespace {

using Args = sqlite3_value**;

std::string_view text_of(sqlite3_value* v) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string_view();
}

bool is_null(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

void fail(sqlite3_context* ctx, const std::string& message) {
    sqlite3_result_error(ctx, message.c_str(), static_cast<int>(message.size()));
}

void result_text(sqlite3_context* ctx, const std::string& s) {
    sqlite3_result_text64(ctx, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

// A number read from a value as Access reads it: numbers as they are,
// text when the whole of it is a number (blanks around allowed).
struct Num {
    bool ok = false;
    bool integral = false;
    sqlite3_int64 i = 0;
    double d = 0;
    double real() const { return integral ? static_cast<double>(i) : d; }
};

Num number_of(sqlite3_value* v) {
    Num n;
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            n = {true, true, sqlite3_value_int64(v), 0};
            return n;
        case SQLITE_FLOAT:
            n = {true, false, 0, sqlite3_value_double(v)};
            return n;
        case SQLITE_TEXT: {
            std::string_view t = text_of(v);
            while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
            while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
            if (!t.empty() && t.front() == '+') t.remove_prefix(1);
            if (t.empty()) return n;
            const char* end = t.data() + t.size();
            if (auto r = std::from_chars(t.data(), end, n.i); r.ec == std::errc() && r.ptr == end) {
                n.ok = n.integral = true;
                return n;
            }
            if (auto r = std::from_chars(t.data(), end, n.d); r.ec == std::errc() && r.ptr == end) n.ok = true;
            return n;
        }
        default:
            return n;
    }
}

// Both operands as numbers, or an error "Type mismatch" naming the operator.
bool numbers(sqlite3_context* ctx, Args argv, const char* op, Num& a, Num& b) {
    a = number_of(argv[0]);
    b = number_of(argv[1]);
    if (a.ok && b.ok) return true;
    fail(ctx, std::string("Type mismatch in expression: operator ") + op + " needs numbers");
    return false;
}

bool any_null(int argc, Args argv) {
    for (int k = 0; k < argc; ++k) {
        if (is_null(argv[k])) return true;
    }
    return false;
}

// "&": text joined, NULL taken as empty text unless both are NULL.
void jet_concat(sqlite3_context* ctx, int, Args argv) {
    if (is_null(argv[0]) && is_null(argv[1])) return sqlite3_result_null(ctx);
    std::string s(text_of(argv[0]));
    s += text_of(argv[1]);
    result_text(ctx, s);
}

// "+": two texts are joined; otherwise numbers are added (text that holds
// a number counts as one); NULL gives NULL.
void jet_plus(sqlite3_context* ctx, int argc, Args argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
        std::string s(text_of(argv[0]));
        s += text_of(argv[1]);
        return result_text(ctx, s);
    }
    Num a, b;
    if (!numbers(ctx, argv, "+", a, b)) return;
    sqlite3_int64 sum = 0;
    if (a.integral && b.integral && !__builtin_add_overflow(a.i, b.i, &sum)) return sqlite3_result_int64(ctx, sum);
    sqlite3_result_double(ctx, a.real() + b.real());
}

// "/": always a division of real numbers, and no silent NULL for zero.
void jet_divide(sqlite3_context* ctx, int argc, Args argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    Num a, b;
    if (!numbers(ctx, argv, "/", a, b)) return;
    if (b.real() == 0) return fail(ctx, "Division by zero");
    sqlite3_result_double(ctx, a.real() / b.real());
}

// Access rounds operands of \ and Mod to whole numbers, halves to even.
bool whole(sqlite3_context* ctx, const Num& n, sqlite3_int64& out) {
    if (n.integral) {
        out = n.i;
        return true;
    }
    const double r = std::nearbyint(n.d);  // the default rounding mode rounds halves to even
    if (!(r >= -9.2e18 && r <= 9.2e18)) {
        fail(ctx, "Overflow");
        return false;
    }
    out = static_cast<sqlite3_int64>(r);
    return true;
}

void jet_int_divide(sqlite3_context* ctx, int argc, Args argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    Num a, b;
    sqlite3_int64 x = 0, y = 0;
    if (!numbers(ctx, argv, "\\", a, b) || !whole(ctx, a, x) || !whole(ctx, b, y)) return;
    if (y == 0) return fail(ctx, "Division by zero");
    if (x == std::numeric_limits<sqlite3_int64>::min() && y == -1) return fail(ctx, "Overflow");
    sqlite3_result_int64(ctx, x / y);
}

void jet_mod(sqlite3_context* ctx, int argc, Args argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    Num a, b;
    sqlite3_int64 x = 0, y = 0;
    if (!numbers(ctx, argv, "Mod", a, b) || !whole(ctx, a, x) || !whole(ctx, b, y)) return;
    if (y == 0) return fail(ctx, "Division by zero");
    sqlite3_result_int64(ctx, y == -1 ? 0 : x % y);
}

void jet_power(sqlite3_context* ctx, int argc, Args argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    Num a, b;
    if (!numbers(ctx, argv, "^", a, b)) return;
    const double r = std::pow(a.real(), b.real());
    if (std::isnan(r)) return fail(ctx, "Invalid procedure call: a negative number to a fractional power");
    if (std::isinf(r)) return fail(ctx, "Overflow");
    sqlite3_result_double(ctx, r);
}

locale_t utf8_locale() {
    static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return loc;
}

std::string with_case(std::string_view text, bool upper) {
    std::string out;
    out.reserve(text.size());
    locale_t loc = utf8_locale();
    for (char32_t c : store::decode_utf8(text)) {
        if (c >= 0xDC00 && c <= 0xDCFF) {
            out += static_cast<char>(c - 0xDC00);  // a byte that was no UTF-8 stays as it was
            continue;
        }
        if (c < 0x80) {
            c = upper ? (c >= 'a' && c <= 'z' ? c - 32 : c) : (c >= 'A' && c <= 'Z' ? c + 32 : c);
        } else if (loc) {
            c = static_cast<char32_t>(upper ? towupper_l(static_cast<wint_t>(c), loc)
                                            : towlower_l(static_cast<wint_t>(c), loc));
        }
        store::append_utf8(out, c);
    }
    return out;
}

void upper_case(sqlite3_context* ctx, int, Args argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    result_text(ctx, with_case(text_of(argv[0]), true));
}

void lower_case(sqlite3_context* ctx, int, Args argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    result_text(ctx, with_case(text_of(argv[0]), false));
}

// Byte offsets of the characters of UTF-8 text, and its end.
std::vector<std::size_t> char_starts(std::string_view s) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) out.push_back(i);
    }
    out.push_back(s.size());
    return out;
}

// Characters [from, from + count) of text, clamped.
std::string chars(std::string_view s, long long from, long long count) {
    const std::vector<std::size_t> at = char_starts(s);
    const auto n = static_cast<long long>(at.size()) - 1;
    from = std::clamp(from, 0LL, n);
    const long long to = std::clamp(count < 0 ? n : from + count, from, n);
    return std::string(s.substr(at[from], at[to] - at[from]));
}

bool length_argument(sqlite3_context* ctx, sqlite3_value* v, const char* function, long long& out) {
    const Num n = number_of(v);
    if (is_null(v)) {
        fail(ctx, std::string("Invalid use of Null in ") + function);
        return false;
    }
    sqlite3_int64 w = 0;
    if (!n.ok || !whole(ctx, n, w) || w < 0) {
        if (n.ok) fail(ctx, std::string("Invalid procedure call: ") + function + " needs a length of 0 or more");
        if (!n.ok) fail(ctx, std::string("Type mismatch in ") + function);
        return false;
    }
    out = w;
    return true;
}

void len(sqlite3_context* ctx, int, Args argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(char_starts(text_of(argv[0])).size() - 1));
}

void left(sqlite3_context* ctx, int, Args argv) {
    long long n = 0;
    if (!length_argument(ctx, argv[1], "Left", n)) return;
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    result_text(ctx, chars(text_of(argv[0]), 0, n));
}

void right(sqlite3_context* ctx, int, Args argv) {
    long long n = 0;
    if (!length_argument(ctx, argv[1], "Right", n)) return;
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    const std::string_view s = text_of(argv[0]);
    const auto total = static_cast<long long>(char_starts(s).size()) - 1;
    result_text(ctx, chars(s, std::max(0LL, total - n), n));
}

void mid(sqlite3_context* ctx, int argc, Args argv) {
    long long start = 0, count = -1;
    if (!length_argument(ctx, argv[1], "Mid", start)) return;
    if (start < 1) return fail(ctx, "Invalid procedure call: Mid starts at character 1");
    if (argc == 3 && !length_argument(ctx, argv[2], "Mid", count)) return;
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    result_text(ctx, chars(text_of(argv[0]), start - 1, count));
}

void space(sqlite3_context* ctx, int, Args argv) {
    long long n = 0;
    if (!length_argument(ctx, argv[0], "Space", n)) return;
    if (n > 1000000000) return fail(ctx, "Overflow");
    result_text(ctx, std::string(static_cast<std::size_t>(n), ' '));
}

void nz(sqlite3_context* ctx, int argc, Args argv) {
    if (!is_null(argv[0])) return sqlite3_result_value(ctx, argv[0]);
    if (argc == 2) return sqlite3_result_value(ctx, argv[1]);
    sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
}

void is_null_function(sqlite3_context* ctx, int, Args argv) { sqlite3_result_int(ctx, is_null(argv[0]) ? -1 : 0); }

void cstr(sqlite3_context* ctx, int, Args argv) {
    if (is_null(argv[0])) return fail(ctx, "Invalid use of Null in CStr");
    result_text(ctx, std::string(text_of(argv[0])));
}

// CLng, CInt, CDbl, CCur: the kind of number is in the function's data.
enum class Conversion { to_long, to_int, to_double, to_currency };

void convert_number(sqlite3_context* ctx, int, Args argv) {
    const auto kind = static_cast<Conversion>(reinterpret_cast<std::intptr_t>(sqlite3_user_data(ctx)));
    static constexpr const char* kNames[] = {"CLng", "CInt", "CDbl", "CCur"};
    const char* name = kNames[static_cast<int>(kind)];
    if (is_null(argv[0])) return fail(ctx, std::string("Invalid use of Null in ") + name);
    const Num n = number_of(argv[0]);
    if (!n.ok) return fail(ctx, std::string("Type mismatch in ") + name + ": '" + std::string(text_of(argv[0])) + "'");
    switch (kind) {
        case Conversion::to_double:
            return sqlite3_result_double(ctx, n.real());
        case Conversion::to_currency: {
            if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && !n.integral && !kept_exactly(text_of(argv[0]), n.d)) {
                return fail(ctx, "Overflow in CCur: '" + std::string(text_of(argv[0])) +
                                     "' has more significant digits than an amount keeps exactly (15)");
            }
            const double r = std::nearbyint(n.real() * 10000.0) / 10000.0;
            if (std::fabs(r) >= 922337203685477.5808) return fail(ctx, "Overflow in CCur");
            return n.integral ? sqlite3_result_int64(ctx, n.i) : sqlite3_result_double(ctx, r);
        }
        default: {
            sqlite3_int64 w = 0;
            if (!whole(ctx, n, w)) return;
            const sqlite3_int64 limit = kind == Conversion::to_long ? 2147483647 : 32767;
            if (w > limit || w < -limit - 1) return fail(ctx, std::string("Overflow in ") + name);
            return sqlite3_result_int64(ctx, w);
        }
    }
}

// Val: the number at the start of a text, 0 when there is none.
void val(sqlite3_context* ctx, int, Args argv) {
    if (is_null(argv[0])) return fail(ctx, "Invalid use of Null in Val");
    std::string digits;
    for (char c : text_of(argv[0])) {
        if (c == ' ' || c == '\t' || c == '\n') continue;  // Val skips blanks anywhere
        digits += c;
    }
    double d = 0;
    const char* p = digits.c_str();
    if (*p == '+') ++p;
    const auto r = std::from_chars(p, digits.c_str() + digits.size(), d);
    if (r.ptr == p) d = 0;
    sqlite3_result_double(ctx, d);
}

void int_or_fix(sqlite3_context* ctx, int, Args argv) {
    const bool fix = sqlite3_user_data(ctx) != nullptr;
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    const Num n = number_of(argv[0]);
    if (!n.ok) return fail(ctx, std::string("Type mismatch in ") + (fix ? "Fix" : "Int"));
    if (n.integral) return sqlite3_result_int64(ctx, n.i);
    sqlite3_result_double(ctx, fix ? std::trunc(n.d) : std::floor(n.d));
}

// InStr([start,] text, sought[, compare]): the position of sought, 0 when
// absent; text compares without regard to case unless compare is 0.
void instr(sqlite3_context* ctx, int argc, Args argv) {
    int first = 0;
    long long start = 1;
    if (argc >= 3) {
        if (!length_argument(ctx, argv[0], "InStr", start)) return;
        if (start < 1) return fail(ctx, "Invalid procedure call: InStr starts at character 1");
        first = 1;
    }
    bool binary = false;
    if (argc == 4 && !is_null(argv[3])) binary = sqlite3_value_int(argv[3]) == 0;
    if (is_null(argv[first]) || is_null(argv[first + 1])) return sqlite3_result_null(ctx);
    const std::string hay = binary ? std::string(text_of(argv[first])) : with_case(text_of(argv[first]), false);
    const std::string needle =
        binary ? std::string(text_of(argv[first + 1])) : with_case(text_of(argv[first + 1]), false);
    const std::vector<std::size_t> at = char_starts(hay);
    if (start > static_cast<long long>(at.size()) - 1) return sqlite3_result_int(ctx, 0);
    const std::size_t found = hay.find(needle, at[static_cast<std::size_t>(start - 1)]);
    if (found == std::string::npos) return sqlite3_result_int(ctx, 0);
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(char_starts(hay.substr(0, found)).size()));
}

void strcomp(sqlite3_context* ctx, int argc, Args argv) {
    if (is_null(argv[0]) || is_null(argv[1])) return sqlite3_result_null(ctx);
    const bool binary = argc == 3 && !is_null(argv[2]) && sqlite3_value_int(argv[2]) == 0;
    const int c =
        binary ? text_of(argv[0]).compare(text_of(argv[1])) : store::compare_folded(text_of(argv[0]), text_of(argv[1]));
    sqlite3_result_int(ctx, c < 0 ? -1 : c > 0 ? 1 : 0);
}

void now(sqlite3_context* ctx, int, Args) { result_text(ctx, format_datetime(local_now(), DatePart::both)); }
void today(sqlite3_context* ctx, int, Args) { result_text(ctx, format_datetime(local_now(), DatePart::date)); }
void time_of_day(sqlite3_context* ctx, int, Args) { result_text(ctx, format_datetime(local_now(), DatePart::time)); }

bool date_argument(sqlite3_context* ctx, sqlite3_value* v, const char* function, DateTime& out) {
    if (parse_datetime_value(text_of(v), out)) return true;
    fail(ctx, std::string("Type mismatch in ") + function + ": '" + std::string(text_of(v)) + "' is no date");
    return false;
}

// Year, Month, Day, Hour, Minute, Second, Weekday: the part is the data.
void date_part(sqlite3_context* ctx, int, Args argv) {
    const auto part = static_cast<int>(reinterpret_cast<std::intptr_t>(sqlite3_user_data(ctx)));
    static constexpr const char* kNames[] = {"Year", "Month", "Day", "Hour", "Minute", "Second", "Weekday"};
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    DateTime d;
    if (!date_argument(ctx, argv[0], kNames[part], d)) return;
    const int values[] = {d.year, d.month, d.day, d.hour, d.minute, d.second, weekday(d)};
    sqlite3_result_int(ctx, values[part]);
}

void date_add(sqlite3_context* ctx, int, Args argv) {
    if (is_null(argv[1]) || is_null(argv[2])) return sqlite3_result_null(ctx);
    const Num n = number_of(argv[1]);
    sqlite3_int64 count = 0;
    if (!n.ok) return fail(ctx, "Type mismatch in DateAdd: the number of intervals");
    if (!whole(ctx, n, count)) return;
    DateTime d;
    if (!date_argument(ctx, argv[2], "DateAdd", d)) return;
    std::string error;
    if (!add_interval(d, text_of(argv[0]), count, error)) return fail(ctx, "Invalid procedure call: DateAdd " + error);
    result_text(ctx, format_datetime(d, d.has_time ? DatePart::both : DatePart::date));
}

void format_function(sqlite3_context* ctx, int argc, Args argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    if (argc == 1 || is_null(argv[1])) return result_text(ctx, std::string(text_of(argv[0])));
    std::string out, error;
    const Num n = number_of(argv[0]);
    const FormatValue value{n.ok, n.real(), n.integral, std::string(text_of(argv[0]))};
    if (!format_value(value, text_of(argv[1]), out, error)) return fail(ctx, "Format: " + error);
    result_text(ctx, out);
}

struct Function {
    const char* name;
    int arguments;  // -1: any number
    void (*body)(sqlite3_context*, int, Args);
    std::intptr_t data = 0;
    bool deterministic = true;
};

constexpr Function kFunctions[] = {
    {"jet_concat", 2, jet_concat},
    {"jet_plus", 2, jet_plus},
    {"jet_divide", 2, jet_divide},
    {"jet_int_divide", 2, jet_int_divide},
    {"jet_mod", 2, jet_mod},
    {"jet_power", 2, jet_power},
    {"upper", 1, upper_case},
    {"ucase", 1, upper_case},
    {"lower", 1, lower_case},
    {"lcase", 1, lower_case},
    {"len", 1, len},
    {"jet_left", 2, left},
    {"jet_right", 2, right},
    {"mid", 2, mid},
    {"mid", 3, mid},
    {"space", 1, space},
    {"nz", 1, nz},
    {"nz", 2, nz},
    {"jet_isnull", 1, is_null_function},
    {"cstr", 1, cstr},
    {"clng", 1, convert_number, static_cast<std::intptr_t>(Conversion::to_long)},
    {"cint", 1, convert_number, static_cast<std::intptr_t>(Conversion::to_int)},
    {"cdbl", 1, convert_number, static_cast<std::intptr_t>(Conversion::to_double)},
    {"ccur", 1, convert_number, static_cast<std::intptr_t>(Conversion::to_currency)},
    {"val", 1, val},
    {"int", 1, int_or_fix},
    {"fix", 1, int_or_fix, 1},
    {"instr", 2, instr},
    {"instr", 3, instr},
    {"instr", 4, instr},
    {"strcomp", 2, strcomp},
    {"strcomp", 3, strcomp},
    {"now", 0, now, 0, false},
    {"date", 0, today, 0, false},
    {"time", 0, time_of_day, 0, false},
    {"year", 1, date_part, 0},
    {"month", 1, date_part, 1},
    {"day", 1, date_part, 2},
    {"hour", 1, date_part, 3},
    {"minute", 1, date_part, 4},
    {"second", 1, date_part, 5},
    {"weekday", 1, date_part, 6},
    {"dateadd", 3, date_add},
    {"format", 1, format_function},
    {"format", 2, format_function},
};

}  // namespace

bool register_access_functions(sqlite3* db) {
    for (const Function& f : kFunctions) {
        const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        if (sqlite3_create_function_v2(db, f.name, f.arguments, flags, reinterpret_cast<void*>(f.data), f.body, nullptr,
                                       nullptr, nullptr) != SQLITE_OK) {
            return false;
        }
    }
    return true;
}

}  // namespace detalehran::odbc
