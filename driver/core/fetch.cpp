#include <sqlite3.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>

#include "cursor.h"
#include "money.h"
#include "store/text_fold.h"

namespace detalehran::odbc {

namespace {

constexpr std::size_t kDone = static_cast<std::size_t>(-1);

}  // namespace

CellView view_of_live(sqlite3_stmt* ps, int i, ValueKind kind, std::string& scratch) {
    const int type = sqlite3_column_type(ps, i);
    if (type == SQLITE_NULL) return {};
    if (type == SQLITE_INTEGER) {
        const sqlite3_int64 v = sqlite3_column_int64(ps, i);
        if (kind == ValueKind::money) {
            scratch = money_text(static_cast<std::int64_t>(v));
        } else {
            char buf[24];
            const auto r = std::to_chars(buf, buf + sizeof buf, v);
            scratch.assign(buf, r.ptr);
        }
    } else if (type == SQLITE_FLOAT) {
        const double v = sqlite3_column_double(ps, i);
        if (kind == ValueKind::money) {
            scratch = money_text(v);
        } else {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.15g", v);
            scratch = buf;
        }
    } else {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(ps, i));
        return {false, std::string_view(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(ps, i)))};
    }
    return {false, scratch};
}

Row copy_of_live(Stmt& stmt) {
    const std::size_t n = stmt.columns.size();
    Row row(n);
    std::string scratch;
    for (std::size_t i = 0; i < n; ++i) {
        const CellView v = view_of_live(stmt.prepared, static_cast<int>(i), stmt.columns[i].kind, scratch);
        row[i] = Cell{v.null, std::string(v.text)};
    }
    return row;
}

CellView current_cell(Stmt& stmt, int i) {
    const auto k = static_cast<std::size_t>(i);
    if (stmt.cursor == Stmt::Cursor::buffered) {
        const Cell& cell = stmt.rows[stmt.row_pos - 1][k];
        return {cell.null, cell.text};
    }
    const RowBlock& b = stmt.ahead;
    const RowBlock::Span& span = b.cells[(b.next - 1) * stmt.columns.size() + k];
    if (span.null) return {};
    return {false, std::string_view(b.bytes).substr(span.offset, span.size)};
}

namespace {

// Parses a value's text as a number for the numeric C types.
enum class NumberParse { ok, fraction_cut, not_a_number, out_of_range };

NumberParse parse_integer(std::string_view text, std::int64_t& out) {
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (text.empty()) return NumberParse::not_a_number;
    std::string_view digits = text;
    if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-') digits.remove_prefix(1);
    long long v = 0;
    const auto whole = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (whole.ptr == digits.data() + digits.size()) {
        if (whole.ec == std::errc::result_out_of_range) return NumberParse::out_of_range;
        out = v;
        return NumberParse::ok;
    }
    const std::string s(text);
    char* end = nullptr;
    const double d = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || *end != 0 || !std::isfinite(d)) return NumberParse::not_a_number;
    const double t = std::trunc(d);
    if (!(t >= -9223372036854775808.0 && t < 9223372036854775808.0)) return NumberParse::out_of_range;
    out = static_cast<std::int64_t>(t);
    return t == d ? NumberParse::ok : NumberParse::fraction_cut;
}

SQLRETURN number_failure(Stmt& stmt, NumberParse p) {
    if (p == NumberParse::out_of_range) {
        stmt.diag.add("22003", "Numeric value out of range");
    } else {
        stmt.diag.add("22018", "Invalid character value: not a number");
    }
    return SQL_ERROR;
}

// A whole number into a client's integer of type T.
template <typename T>
SQLRETURN put_whole(Stmt& stmt, std::int64_t v, SQLPOINTER target, SQLLEN* indicator) {
    bool fits = false;
    if constexpr (std::is_unsigned_v<T>) {
        fits = v >= 0 && static_cast<std::uint64_t>(v) <= std::numeric_limits<T>::max();
    } else {
        fits = v >= std::numeric_limits<T>::min() && v <= std::numeric_limits<T>::max();
    }
    if (!fits) return number_failure(stmt, NumberParse::out_of_range);
    if (target) {
        const T value = static_cast<T>(v);
        std::memcpy(target, &value, sizeof value);
    }
    if (indicator) *indicator = sizeof(T);
    return SQL_SUCCESS;
}

template <typename T>
SQLRETURN put_integer(Stmt& stmt, CellView cell, SQLPOINTER target, SQLLEN* indicator) {
    std::int64_t v = 0;
    const NumberParse p = parse_integer(cell.text, v);
    if (p != NumberParse::ok && p != NumberParse::fraction_cut) return number_failure(stmt, p);
    const SQLRETURN rc = put_whole<T>(stmt, v, target, indicator);
    if (rc == SQL_SUCCESS && p == NumberParse::fraction_cut) {
        stmt.diag.add("01S07", "Fractional truncation");
        return SQL_SUCCESS_WITH_INFO;
    }
    return rc;
}

template <typename T>
struct As {
    using type = T;
};

// Calls f(As<T>{}) with the C++ type of an integer C type; false for the
// other C types.
template <typename F>
bool with_integer_type(SQLSMALLINT c_type, F&& f) {
    switch (c_type) {
        case SQL_C_LONG:
        case SQL_C_SLONG:
            f(As<std::int32_t>{});
            return true;
        case SQL_C_ULONG:
            f(As<std::uint32_t>{});
            return true;
        case SQL_C_SHORT:
        case SQL_C_SSHORT:
            f(As<std::int16_t>{});
            return true;
        case SQL_C_USHORT:
            f(As<std::uint16_t>{});
            return true;
        case SQL_C_TINYINT:
        case SQL_C_STINYINT:
            f(As<std::int8_t>{});
            return true;
        case SQL_C_UTINYINT:
        case SQL_C_BIT:
            f(As<std::uint8_t>{});
            return true;
        case SQL_C_SBIGINT:
            f(As<std::int64_t>{});
            return true;
        case SQL_C_UBIGINT:
            f(As<std::uint64_t>{});
            return true;
        default:
            return false;
    }
}

SQLRETURN put_text_piece(Stmt& stmt, const char* data, std::size_t total, std::size_t unit, SQLPOINTER target,
                         SQLLEN buffer_len, SQLLEN* indicator, bool terminated = true) {
    // total and offsets count units (bytes, or UTF-16 code units).
    if (stmt.piece_offset == kDone) return SQL_NO_DATA;
    const std::size_t remaining = total - stmt.piece_offset;
    if (indicator) *indicator = static_cast<SQLLEN>(remaining * unit);
    if (buffer_len < 0) {
        stmt.diag.add("HY090", "Invalid string or buffer length");
        return SQL_ERROR;
    }
    // Room for the value, the terminating NUL of text left out.
    const std::size_t room_units = static_cast<std::size_t>(buffer_len) / unit;
    const std::size_t room = terminated ? (room_units == 0 ? 0 : room_units - 1) : room_units;
    if (target == nullptr || room_units == 0) {
        if (remaining == 0) return SQL_SUCCESS;
        stmt.diag.add("01004", "String data, right truncated");
        return SQL_SUCCESS_WITH_INFO;
    }
    const std::size_t n = std::min(room, remaining);
    std::memcpy(target, data + stmt.piece_offset * unit, n * unit);
    if (terminated) std::memset(static_cast<char*>(target) + n * unit, 0, unit);
    if (n < remaining) {
        stmt.piece_offset += n;
        stmt.diag.add("01004", "String data, right truncated");
        return SQL_SUCCESS_WITH_INFO;
    }
    stmt.piece_offset = kDone;
    return SQL_SUCCESS;
}

// A date, time or timestamp written as text: "YYYY-MM-DD", "HH:MM:SS" or
// both with a blank or "T" between, seconds with an optional fraction.
bool parse_datetime(std::string_view text, SQL_TIMESTAMP_STRUCT& out) {
    out = {};
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
    unsigned long frac = 0;
    std::string s(text);
    char tail[32] = {};
    if (std::sscanf(s.c_str(), "%d-%d-%d%*[ T]%d:%d:%d%31s", &y, &mo, &d, &h, &mi, &sec, tail) >= 3 &&
        s.find('-') != std::string::npos) {
        if (mo < 1 || mo > 12 || d < 1 || d > 31) return false;
    } else if (std::sscanf(s.c_str(), "%d:%d:%d%31s", &h, &mi, &sec, tail) >= 2) {
        y = 0;
        mo = 0;
        d = 0;
    } else {
        return false;
    }
    if (h < 0 || h > 23 || mi < 0 || mi > 59 || sec < 0 || sec > 61) return false;
    if (tail[0] == '.') {
        std::string digits(tail + 1);
        digits.resize(9, '0');
        frac = std::strtoul(digits.c_str(), nullptr, 10);
    }
    out.year = static_cast<SQLSMALLINT>(y);
    out.month = static_cast<SQLUSMALLINT>(mo);
    out.day = static_cast<SQLUSMALLINT>(d);
    out.hour = static_cast<SQLUSMALLINT>(h);
    out.minute = static_cast<SQLUSMALLINT>(mi);
    out.second = static_cast<SQLUSMALLINT>(sec);
    out.fraction = static_cast<SQLUINTEGER>(frac);
    return true;
}

template <typename T>
SQLRETURN put_struct(const T& value, SQLPOINTER target, SQLLEN* indicator) {
    if (target) std::memcpy(target, &value, sizeof value);
    if (indicator) *indicator = sizeof value;
    return SQL_SUCCESS;
}

SQLRETURN put_datetime(Stmt& stmt, CellView cell, SQLSMALLINT c_type, SQLPOINTER target, SQLLEN* indicator) {
    SQL_TIMESTAMP_STRUCT ts;
    if (!parse_datetime(cell.text, ts)) {
        stmt.diag.add("22018", "Invalid character value for a cast: '" + std::string(cell.text) +
                                   "' is no date or time");
        return SQL_ERROR;
    }
    if (c_type == SQL_C_TYPE_DATE || c_type == SQL_C_DATE) {
        const bool has_time = ts.hour || ts.minute || ts.second || ts.fraction;
        const SQL_DATE_STRUCT d{ts.year, ts.month, ts.day};
        put_struct(d, target, indicator);
        if (has_time) {
            stmt.diag.add("01S07", "Fractional truncation: the time of day was cut off");
            return SQL_SUCCESS_WITH_INFO;
        }
        return SQL_SUCCESS;
    }
    if (c_type == SQL_C_TYPE_TIME || c_type == SQL_C_TIME) {
        const SQL_TIME_STRUCT t{ts.hour, ts.minute, ts.second};
        return put_struct(t, target, indicator);
    }
    return put_struct(ts, target, indicator);
}

// A decimal text as SQL_NUMERIC_STRUCT with the scale of its digits.
SQLRETURN put_numeric(Stmt& stmt, CellView cell, SQLPOINTER target, SQLLEN* indicator) {
    SQL_NUMERIC_STRUCT n{};
    std::string_view t = cell.text;
    n.sign = 1;
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        n.sign = t[0] == '-' ? 0 : 1;
        t.remove_prefix(1);
    }
    unsigned __int128 magnitude = 0;
    int scale = 0, digits = 0;
    bool point = false, any = false;
    for (char c : t) {
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') return number_failure(stmt, NumberParse::not_a_number);
        any = true;
        if (digits == 38) {
            if (!point) return number_failure(stmt, NumberParse::out_of_range);
            continue;  // beyond 38 digits the fraction is cut
        }
        if (magnitude != 0 || c != '0') ++digits;
        magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
        if (point) ++scale;
    }
    if (!any) return number_failure(stmt, NumberParse::not_a_number);
    n.precision = static_cast<SQLCHAR>(std::max(digits, 1));
    n.scale = static_cast<SQLSCHAR>(scale);
    for (int i = 0; i < SQL_MAX_NUMERIC_LEN; ++i) {
        n.val[i] = static_cast<SQLCHAR>(magnitude & 0xFF);
        magnitude >>= 8;
    }
    return put_struct(n, target, indicator);
}

}  // namespace

SQLLEN bound_element_size(SQLSMALLINT c_type, SQLLEN buffer_len) {
    switch (c_type) {
        case SQL_C_CHAR:
        case SQL_C_WCHAR:
        case SQL_C_BINARY:
        case SQL_C_DEFAULT:
            return buffer_len;
        case SQL_C_TINYINT:
        case SQL_C_STINYINT:
        case SQL_C_UTINYINT:
        case SQL_C_BIT:
            return 1;
        case SQL_C_SHORT:
        case SQL_C_SSHORT:
        case SQL_C_USHORT:
            return 2;
        case SQL_C_LONG:
        case SQL_C_SLONG:
        case SQL_C_ULONG:
        case SQL_C_FLOAT:
            return 4;
        case SQL_C_TYPE_DATE:
        case SQL_C_DATE:
            return sizeof(SQL_DATE_STRUCT);
        case SQL_C_TYPE_TIME:
        case SQL_C_TIME:
            return sizeof(SQL_TIME_STRUCT);
        case SQL_C_TYPE_TIMESTAMP:
        case SQL_C_TIMESTAMP:
            return sizeof(SQL_TIMESTAMP_STRUCT);
        case SQL_C_NUMERIC:
            return sizeof(SQL_NUMERIC_STRUCT);
        default:
            return 8;
    }
}

SQLRETURN convert(Stmt& stmt, int column, CellView cell, SQLSMALLINT c_type, SQLPOINTER target, SQLLEN buffer_len,
                  SQLLEN* indicator) {
    if (stmt.piece_offset == kDone) return SQL_NO_DATA;
    if (cell.null) {
        if (indicator == nullptr) {
            stmt.diag.add("22002", "Indicator variable required but not supplied");
            return SQL_ERROR;
        }
        *indicator = SQL_NULL_DATA;
        stmt.piece_offset = kDone;
        return SQL_SUCCESS;
    }
    const ColumnInfo& info = stmt.columns[static_cast<std::size_t>(column)];
    if (c_type == SQL_C_DEFAULT) {
        c_type = info.kind == ValueKind::integer       ? (info.sql_type == SQL_BIGINT ? SQL_C_SBIGINT : SQL_C_SLONG)
                 : info.kind == ValueKind::real        ? SQL_C_DOUBLE
                 : info.sql_type == SQL_TYPE_TIMESTAMP ? SQL_C_TYPE_TIMESTAMP
                 : info.sql_type == SQL_WVARCHAR || info.sql_type == SQL_WLONGVARCHAR ? SQL_C_WCHAR
                                                                                      : SQL_C_CHAR;
    }
    SQLRETURN rc = SQL_SUCCESS;
    if (with_integer_type(
            c_type, [&](auto as) { rc = put_integer<typename decltype(as)::type>(stmt, cell, target, indicator); })) {
        if (SQL_SUCCEEDED(rc)) stmt.piece_offset = kDone;
        return rc;
    }
    switch (c_type) {
        case SQL_C_CHAR:
            return put_text_piece(stmt, cell.text.data(), cell.text.size(), 1, target, buffer_len, indicator);
        case SQL_C_BINARY:
            return put_text_piece(stmt, cell.text.data(), cell.text.size(), 1, target, buffer_len, indicator, false);
        case SQL_C_WCHAR:
            if (stmt.piece_offset == 0 && target != nullptr &&
                static_cast<std::size_t>(std::max<SQLLEN>(buffer_len, 0)) / sizeof(char16_t) > cell.text.size()) {
                // Surely fits, the NUL too: straight into the client's buffer.
                const std::size_t units = write_utf16(cell.text, target);
                std::memset(static_cast<char*>(target) + units * sizeof(char16_t), 0, sizeof(char16_t));
                if (indicator) *indicator = static_cast<SQLLEN>(units * sizeof(char16_t));
                stmt.piece_offset = kDone;
                return SQL_SUCCESS;
            }
            if (stmt.piece_offset == 0) put_utf16(cell.text, stmt.wide_cache);
            return put_text_piece(stmt, reinterpret_cast<const char*>(stmt.wide_cache.data()), stmt.wide_cache.size(),
                                  sizeof(char16_t), target, buffer_len, indicator);
        case SQL_C_NUMERIC:
            rc = put_numeric(stmt, cell, target, indicator);
            break;
        case SQL_C_TYPE_DATE:
        case SQL_C_TYPE_TIME:
        case SQL_C_TYPE_TIMESTAMP:
        case SQL_C_DATE:
        case SQL_C_TIME:
        case SQL_C_TIMESTAMP:
            rc = put_datetime(stmt, cell, c_type, target, indicator);
            break;
        case SQL_C_DOUBLE:
        case SQL_C_FLOAT: {
            const std::string text(cell.text);
            char* end = nullptr;
            const double d = std::strtod(text.c_str(), &end);
            if (end == text.c_str() || *end != 0) return number_failure(stmt, NumberParse::not_a_number);
            if (c_type == SQL_C_DOUBLE) {
                if (target) std::memcpy(target, &d, sizeof d);
                if (indicator) *indicator = sizeof d;
            } else {
                const float f = static_cast<float>(d);
                if (target) std::memcpy(target, &f, sizeof f);
                if (indicator) *indicator = sizeof f;
            }
            break;
        }
        default:
            stmt.diag.add("HYC00", "Conversion to C type " + std::to_string(c_type) + " is not supported");
            return SQL_ERROR;
    }
    if (SQL_SUCCEEDED(rc)) stmt.piece_offset = kDone;
    return rc;
}

SQLRETURN get_data(Stmt& stmt, SQLUSMALLINT col, SQLSMALLINT c_type, SQLPOINTER target, SQLLEN buffer_len,
                   SQLLEN* indicator) {
    if (!stmt.on_row) {
        stmt.diag.add("24000", "Invalid cursor state: no current row");
        return SQL_ERROR;
    }
    if (stmt.block_fetched) {
        stmt.diag.add("HYC00",
                      "Optional feature not implemented: SQLGetData in a rowset of several rows of a "
                      "forward-only cursor");
        return SQL_ERROR;
    }
    if (col == 0 || col > stmt.columns.size()) {
        stmt.diag.add("07009", "Invalid descriptor index");
        return SQL_ERROR;
    }
    const int column = col - 1;
    if (column != stmt.piece_column) {
        stmt.piece_column = column;
        stmt.piece_offset = 0;
    }
    return convert(stmt, column, current_cell(stmt, column), c_type, target, buffer_len, indicator);
}

SQLRETURN bind_col(Stmt& stmt, SQLUSMALLINT col, SQLSMALLINT c_type, SQLPOINTER target, SQLLEN buffer_len,
                   SQLLEN* indicator) {
    if (col == 0) {
        stmt.diag.add("07009", "Bookmarks are not supported");
        return SQL_ERROR;
    }
    if (target == nullptr && indicator == nullptr) {
        // Unbinds the column.
        if (stmt.bindings.size() >= col) stmt.bindings[col - 1] = {};
        return SQL_SUCCESS;
    }
    if (stmt.bindings.size() < col) stmt.bindings.resize(col);
    stmt.bindings[col - 1] = {c_type, target, buffer_len, indicator};
    return SQL_SUCCESS;
}

}  // namespace detalehran::odbc
