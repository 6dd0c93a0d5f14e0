#include "parameters.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "cursor.h"
#include "exact_numbers.h"
#include "handles.h"

namespace detalehran::odbc {

namespace {

constexpr SQLULEN kParameterTextSize = 255;

enum class Family { text, number, binary, other, invalid };

Family family_of(SQLSMALLINT sql_type) {
    switch (sql_type) {
        case SQL_CHAR:
        case SQL_VARCHAR:
        case SQL_LONGVARCHAR:
        case SQL_WCHAR:
        case SQL_WVARCHAR:
        case SQL_WLONGVARCHAR:
            return Family::text;
        case SQL_DECIMAL:
        case SQL_NUMERIC:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_BIT:
        case SQL_TINYINT:
        case SQL_BIGINT:
            return Family::number;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return Family::binary;
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATE:
        case SQL_TIME:
        case SQL_TIMESTAMP:
        case SQL_GUID:
            return Family::other;
        default:
            return Family::invalid;
    }
}

SQLSMALLINT default_c_type(SQLSMALLINT sql_type) {
    switch (sql_type) {
        case SQL_WCHAR:
        case SQL_WVARCHAR:
        case SQL_WLONGVARCHAR:
            return SQL_C_WCHAR;
        case SQL_SMALLINT:
            return SQL_C_SSHORT;
        case SQL_INTEGER:
            return SQL_C_SLONG;
        case SQL_BIGINT:
            return SQL_C_SBIGINT;
        case SQL_TINYINT:
            return SQL_C_STINYINT;
        case SQL_BIT:
            return SQL_C_BIT;
        case SQL_REAL:
            return SQL_C_FLOAT;
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return SQL_C_DOUBLE;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return SQL_C_BINARY;
        case SQL_TYPE_DATE:
        case SQL_DATE:
            return SQL_C_TYPE_DATE;
        case SQL_TYPE_TIME:
        case SQL_TIME:
            return SQL_C_TYPE_TIME;
        case SQL_TYPE_TIMESTAMP:
        case SQL_TIMESTAMP:
            return SQL_C_TYPE_TIMESTAMP;
        default:
            return SQL_C_CHAR;
    }
}

bool supported_c_type(SQLSMALLINT c_type) {
    switch (c_type) {
        case SQL_C_DEFAULT:
        case SQL_C_CHAR:
        case SQL_C_WCHAR:
        case SQL_C_BINARY:
        case SQL_C_SHORT:
        case SQL_C_SSHORT:
        case SQL_C_USHORT:
        case SQL_C_LONG:
        case SQL_C_SLONG:
        case SQL_C_ULONG:
        case SQL_C_TINYINT:
        case SQL_C_STINYINT:
        case SQL_C_UTINYINT:
        case SQL_C_SBIGINT:
        case SQL_C_UBIGINT:
        case SQL_C_BIT:
        case SQL_C_FLOAT:
        case SQL_C_DOUBLE:
        case SQL_C_NUMERIC:
        case SQL_C_TYPE_DATE:
        case SQL_C_TYPE_TIME:
        case SQL_C_TYPE_TIMESTAMP:
        case SQL_C_DATE:
        case SQL_C_TIME:
        case SQL_C_TIMESTAMP:
            return true;
        default:
            return false;
    }
}

bool at_execution(SQLLEN indicator) {
    return indicator == SQL_DATA_AT_EXEC || indicator <= SQL_LEN_DATA_AT_EXEC_OFFSET;
}

template <typename T>
T* shifted(T* p, const SQLLEN* offset) {
    if (p == nullptr || offset == nullptr) return p;
    return reinterpret_cast<T*>(reinterpret_cast<std::uintptr_t>(p) + static_cast<std::uintptr_t>(*offset));
}

// A number written as text: "12", "-3.25", ".5", "1e3", blanks around.
struct Number {
    bool integral = false;
    sqlite3_int64 whole = 0;
    double real = 0;
};

std::optional<Number> parse_number(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    const char* end = text.data() + text.size();
    Number n;
    if (const auto r = std::from_chars(text.data(), end, n.whole); r.ec == std::errc() && r.ptr == end) {
        n.integral = true;
        return n;
    }
    const auto r = std::from_chars(text.data(), end, n.real);
    if (r.ec != std::errc() || r.ptr != end || !std::isfinite(n.real)) return std::nullopt;
    return n;
}

// The exact decimal text of a SQL_NUMERIC_STRUCT: its magnitude is a
// 128-bit little-endian integer, scaled down by ten to the power of scale.
std::string numeric_text(const SQL_NUMERIC_STRUCT& n) {
    unsigned __int128 magnitude = 0;
    for (int i = SQL_MAX_NUMERIC_LEN - 1; i >= 0; --i) magnitude = (magnitude << 8) | n.val[i];
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    const int scale = static_cast<signed char>(n.scale);
    if (scale < 0) {
        digits.append(static_cast<std::size_t>(-scale), '0');
    } else if (scale > 0) {
        if (digits.size() <= static_cast<std::size_t>(scale)) {
            digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
        }
        digits.insert(digits.size() - static_cast<std::size_t>(scale), 1, '.');
    }
    return (n.sign == 0 ? "-" : "") + digits;
}

class ValueBinder {
public:
    ValueBinder(Stmt& stmt, int slot, Exactness exactness)
        : stmt_(stmt), ps_(stmt.prepared), slot_(slot), exactness_(exactness) {}

    SQLRETURN null() { return done(sqlite3_bind_null(ps_, slot_)); }
    SQLRETURN integer(sqlite3_int64 v) {
        if (exactness_ == Exactness::amount) {
            if (const std::string refusal = amount_refusal(static_cast<long long>(v)); !refusal.empty()) {
                return refuse(refusal);
            }
        }
        return done(sqlite3_bind_int64(ps_, slot_, v));
    }
    SQLRETURN real(double v) {
        if (exactness_ == Exactness::amount) {
            if (const std::string refusal = amount_refusal(v); !refusal.empty()) return refuse(refusal);
        }
        return done(sqlite3_bind_double(ps_, slot_, v));
    }
    SQLRETURN blob(const void* data, std::size_t size) {
        return done(sqlite3_bind_blob64(ps_, slot_, data ? data : "", size, SQLITE_TRANSIENT));
    }

    // Text for a column of the family the client names: numbers are bound
    // as numbers, so that money keeps its exact decimal value. Text for a
    // money column is an amount whatever the client calls it: SQLite would
    // round a long one to 15 digits on its own.
    SQLRETURN text(std::string_view value, Family family) {
        if (family != Family::number && exactness_ == Exactness::none) {
            return done(sqlite3_bind_text64(ps_, slot_, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
        }
        const std::optional<Number> n = parse_number(value);
        if (!n && family != Family::number && exactness_ == Exactness::digits) {
            // A text compared with an amount that is no number (a LIKE
            // pattern): it stays text.
            return done(sqlite3_bind_text64(ps_, slot_, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
        }
        if (!n) {
            stmt_.diag.add("22018", "Invalid character value: '" + std::string(value) +
                                        "' is not a value of the parameter's type");
            return SQL_ERROR;
        }
        if (!n->integral && exactness_ != Exactness::none && !kept_exactly(value, n->real)) {
            // Rounding an amount unseen would change it: money keeps the
            // digits a double holds, no more.
            return refuse("Numeric value out of range: " + std::string(value) +
                          " has more significant digits than an amount keeps exactly (15)");
        }
        if (exactness_ == Exactness::amount) {
            if (const std::string refusal = amount_refusal(trimmed(value)); !refusal.empty()) return refuse(refusal);
        }
        return n->integral ? done(sqlite3_bind_int64(ps_, slot_, n->whole))
                           : done(sqlite3_bind_double(ps_, slot_, n->real));
    }

private:
    SQLRETURN done(int rc) { return rc == SQLITE_OK ? SQL_SUCCESS : sqlite_failure(stmt_.diag, stmt_.dbc->db, rc); }
    SQLRETURN refuse(const std::string& why) {
        stmt_.diag.add("22003", why);
        return SQL_ERROR;
    }
    static std::string_view trimmed(std::string_view text) {
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
        return text;
    }

    Stmt& stmt_;
    sqlite3_stmt* ps_;
    int slot_;
    Exactness exactness_;
};

template <typename T>
T read_as(const void* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Dates and times are kept as ISO text, "YYYY-MM-DD HH:MM:SS", which sorts
// and compares in time order and is what the date functions read.
std::string date_text(const SQL_DATE_STRUCT& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", d.year, d.month, d.day);
    return buf;
}

std::string time_text(const SQL_TIME_STRUCT& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", t.hour, t.minute, t.second);
    return buf;
}

std::string timestamp_text(const SQL_TIMESTAMP_STRUCT& ts) {
    std::string out = date_text({ts.year, ts.month, ts.day}) + " " + time_text({ts.hour, ts.minute, ts.second});
    if (ts.fraction != 0) {
        char buf[16];
        std::snprintf(buf, sizeof buf, ".%09u", static_cast<unsigned>(ts.fraction));
        std::string f(buf);
        while (f.back() == '0') f.pop_back();
        out += f;
    }
    return out;
}

bool valid_date(int year, unsigned month, unsigned day) {
    static constexpr unsigned kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month != 2 || day <= 28 || leap;
}

// Binds a value of a fixed-size C type found at p.
SQLRETURN bind_fixed(Stmt& stmt, ValueBinder& to, SQLSMALLINT c_type, const void* p) {
    switch (c_type) {
        case SQL_C_SHORT:
        case SQL_C_SSHORT:
            return to.integer(read_as<SQLSMALLINT>(p));
        case SQL_C_USHORT:
            return to.integer(read_as<SQLUSMALLINT>(p));
        case SQL_C_LONG:
        case SQL_C_SLONG:
            return to.integer(read_as<SQLINTEGER>(p));
        case SQL_C_ULONG:
            return to.integer(read_as<SQLUINTEGER>(p));
        case SQL_C_TINYINT:
        case SQL_C_STINYINT:
            return to.integer(read_as<SQLSCHAR>(p));
        case SQL_C_UTINYINT:
        case SQL_C_BIT:
            return to.integer(read_as<SQLCHAR>(p));
        case SQL_C_SBIGINT:
            return to.integer(read_as<SQLBIGINT>(p));
        case SQL_C_UBIGINT: {
            const auto v = read_as<SQLUBIGINT>(p);
            if (v > static_cast<SQLUBIGINT>(std::numeric_limits<sqlite3_int64>::max())) {
                stmt.diag.add("22003", "Numeric value out of range");
                return SQL_ERROR;
            }
            return to.integer(static_cast<sqlite3_int64>(v));
        }
        case SQL_C_FLOAT:
            return to.real(read_as<SQLREAL>(p));
        case SQL_C_DOUBLE:
            return to.real(read_as<SQLDOUBLE>(p));
        case SQL_C_NUMERIC:
            return to.text(numeric_text(read_as<SQL_NUMERIC_STRUCT>(p)), Family::number);
        case SQL_C_TYPE_DATE:
        case SQL_C_DATE: {
            const auto d = read_as<SQL_DATE_STRUCT>(p);
            if (!valid_date(d.year, d.month, d.day)) break;
            return to.text(date_text(d), Family::other);
        }
        case SQL_C_TYPE_TIME:
        case SQL_C_TIME: {
            const auto t = read_as<SQL_TIME_STRUCT>(p);
            if (t.hour > 23 || t.minute > 59 || t.second > 61) break;
            return to.text(time_text(t), Family::other);
        }
        case SQL_C_TYPE_TIMESTAMP:
        case SQL_C_TIMESTAMP: {
            const auto ts = read_as<SQL_TIMESTAMP_STRUCT>(p);
            if (!valid_date(ts.year, ts.month, ts.day) || ts.hour > 23 || ts.minute > 59 || ts.second > 61 ||
                ts.fraction > 999999999) {
                break;
            }
            return to.text(timestamp_text(ts), Family::other);
        }
        default:
            stmt.diag.add("HY003", "Invalid application buffer type " + std::to_string(c_type));
            return SQL_ERROR;
    }
    stmt.diag.add("22007", "Invalid datetime format: the date or time of a parameter does not exist");
    return SQL_ERROR;
}

// Binds bytes of a variable-length C type (text or binary).
SQLRETURN bind_bytes(ValueBinder& to, SQLSMALLINT c_type, Family family, std::string_view bytes, std::string& scratch) {
    if (c_type == SQL_C_WCHAR) {
        std::u16string aligned;
        const char16_t* units = reinterpret_cast<const char16_t*>(bytes.data());
        if (reinterpret_cast<std::uintptr_t>(bytes.data()) % alignof(char16_t) != 0) {
            // A text of an array of structures may lie at an odd address.
            aligned.resize(bytes.size() / 2);
            std::memcpy(aligned.data(), bytes.data(), aligned.size() * 2);
            units = aligned.data();
        }
        put_utf8(std::u16string_view(units, bytes.size() / 2), scratch);
        return to.text(scratch, family);
    }
    if (c_type == SQL_C_BINARY) return to.blob(bytes.data(), bytes.size());
    return to.text(bytes, family);
}

bool variable_length(SQLSMALLINT c_type) {
    return c_type == SQL_C_CHAR || c_type == SQL_C_WCHAR || c_type == SQL_C_BINARY;
}

// The bytes of a value of a fixed-size C type, as a bound column's element
// has them; a parameter of the default type is read as 8 bytes.
std::size_t fixed_size(SQLSMALLINT c_type) {
    return c_type == SQL_C_DEFAULT ? 8 : static_cast<std::size_t>(bound_element_size(c_type, 0));
}

// Length in bytes of a bound text or binary value from its indicator.
std::optional<std::size_t> bound_length(SQLSMALLINT c_type, const void* value, std::optional<SQLLEN> indicator,
                                        SQLLEN buffer_len) {
    const SQLLEN ind = indicator ? *indicator : (c_type == SQL_C_BINARY ? buffer_len : SQL_NTS);
    if (ind >= 0) return static_cast<std::size_t>(ind);
    if (ind != SQL_NTS) return std::nullopt;
    if (value == nullptr) return 0;
    if (c_type == SQL_C_WCHAR) {
        // Unit by unit through memcpy: an array of structures need not
        // align its texts.
        const auto* bytes = static_cast<const char*>(value);
        std::size_t n = 0;
        for (char16_t unit = 1;; ++n) {
            std::memcpy(&unit, bytes + 2 * n, sizeof unit);
            if (unit == 0) break;
        }
        return n * 2;
    }
    return std::strlen(static_cast<const char*>(value));
}

// Where the value and the indicator of the current parameter set lie:
// arrays bound by column step by the element's size, arrays of structures
// by the structure's size.
const void* value_of_set(const Markers& m, const ParamBinding& b, SQLSMALLINT c_type) {
    const char* base = shifted(static_cast<const char*>(b.value), m.offset);
    if (base == nullptr || m.set == 0) return base;
    const SQLLEN step = m.bind_type == SQL_PARAM_BIND_BY_COLUMN
                            ? (variable_length(c_type) ? b.buffer_len : static_cast<SQLLEN>(fixed_size(c_type)))
                            : static_cast<SQLLEN>(m.bind_type);
    return base + static_cast<SQLLEN>(m.set) * step;
}

// The indicator of the current parameter set, if one is bound. Read
// through memcpy: in an array of structures (pyodbc's fast_executemany)
// it need not be aligned.
std::optional<SQLLEN> indicator_of_set(const Markers& m, const ParamBinding& b) {
    const auto* base = reinterpret_cast<const char*>(shifted(b.indicator, m.offset));
    if (base == nullptr) return std::nullopt;
    const SQLLEN step = m.bind_type == SQL_PARAM_BIND_BY_COLUMN ? static_cast<SQLLEN>(sizeof(SQLLEN))
                                                                : static_cast<SQLLEN>(m.bind_type);
    SQLLEN indicator = 0;
    std::memcpy(&indicator, base + static_cast<SQLLEN>(m.set) * step, sizeof indicator);
    return indicator;
}

SQLRETURN bind_marker(Stmt& stmt, std::size_t marker) {
    Markers& m = stmt.markers;
    const ParamBinding& b = *m.bound[marker];
    const SQLSMALLINT c_type = b.c_type == SQL_C_DEFAULT ? default_c_type(b.sql_type) : b.c_type;
    Exactness exactness = marker < m.exactness.size() ? m.exactness[marker] : Exactness::none;
    const bool exact_kind = b.sql_type == SQL_DECIMAL || b.sql_type == SQL_NUMERIC || c_type == SQL_C_NUMERIC;
    if (exactness == Exactness::none && exact_kind) exactness = Exactness::digits;
    ValueBinder to(stmt, m.sqlite_numbers[marker], exactness);
    const Family family = family_of(b.sql_type);
    if (marker < m.sent.size() && std::find(m.waiting.begin(), m.waiting.end(), marker) != m.waiting.end()) {
        const std::optional<std::string>& sent = m.sent[marker];
        if (!sent) return to.null();
        if (variable_length(c_type)) return bind_bytes(to, c_type, family, *sent, m.utf8_scratch);
        if (sent->size() != fixed_size(c_type)) {
            stmt.diag.add("HY000", "No value was sent for parameter " + std::to_string(marker + 1));
            return SQL_ERROR;
        }
        return bind_fixed(stmt, to, c_type, sent->data());
    }
    const std::optional<SQLLEN> indicator = indicator_of_set(m, b);
    const void* value = value_of_set(m, b, c_type);
    if (indicator && *indicator == SQL_NULL_DATA) return to.null();
    if (variable_length(c_type)) {
        const std::optional<std::size_t> length = bound_length(c_type, value, indicator, b.buffer_len);
        if (!length) {
            stmt.diag.add("HY090", "Invalid string or buffer length of parameter " + std::to_string(marker + 1));
            return SQL_ERROR;
        }
        return bind_bytes(to, c_type, family, std::string_view(static_cast<const char*>(value), *length),
                          m.utf8_scratch);
    }
    if (value == nullptr) {
        stmt.diag.add("HY009",
                      "Invalid use of null pointer: parameter " + std::to_string(marker + 1) + " has no value");
        return SQL_ERROR;
    }
    return bind_fixed(stmt, to, c_type, value);
}

SQLRETURN bind_all(Stmt& stmt) {
    for (std::size_t k = 0; k < stmt.markers.sqlite_numbers.size(); ++k) {
        const SQLRETURN rc = bind_marker(stmt, k);
        if (rc != SQL_SUCCESS) return rc;
    }
    return SQL_SUCCESS;
}

void end_data_at_execution(Markers& m) {
    m.need_data = false;
    m.waiting.clear();
    m.next_waiting = 0;
    m.sending.reset();
    m.sent.clear();
}

}  // namespace

SQLRETURN bind_parameter(Stmt& stmt, SQLUSMALLINT number, SQLSMALLINT io_type, const ParamBinding& binding) {
    if (number == 0) {
        stmt.diag.add("07009", "Invalid descriptor index: parameters are numbered from 1");
        return SQL_ERROR;
    }
    if (io_type == SQL_PARAM_OUTPUT || io_type == SQL_PARAM_INPUT_OUTPUT) {
        stmt.diag.add("HYC00", "Optional feature not implemented: only input parameters are supported");
        return SQL_ERROR;
    }
    if (io_type != SQL_PARAM_INPUT) {
        stmt.diag.add("HY105", "Invalid parameter type");
        return SQL_ERROR;
    }
    if (!supported_c_type(binding.c_type)) {
        stmt.diag.add("HY003", "Invalid application buffer type " + std::to_string(binding.c_type));
        return SQL_ERROR;
    }
    if (family_of(binding.sql_type) == Family::invalid) {
        stmt.diag.add("HY004", "Invalid SQL data type " + std::to_string(binding.sql_type));
        return SQL_ERROR;
    }
    if (stmt.markers.bound.size() < number) stmt.markers.bound.resize(number);
    stmt.markers.bound[number - 1] = binding;
    return SQL_SUCCESS;
}

SQLRETURN num_params(Stmt& stmt, SQLSMALLINT* count) {
    if (count) *count = static_cast<SQLSMALLINT>(stmt.markers.sqlite_numbers.size());
    return SQL_SUCCESS;
}

SQLRETURN describe_param(Stmt& stmt, SQLUSMALLINT number, SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits,
                         SQLSMALLINT* nullable) {
    if (number == 0 || number > stmt.markers.sqlite_numbers.size()) {
        stmt.diag.add("07009", "Invalid descriptor index: the statement has " +
                                   std::to_string(stmt.markers.sqlite_numbers.size()) + " parameter markers");
        return SQL_ERROR;
    }
    ColumnInfo c = marker_column(stmt, number - 1);
    if (c.sql_type == SQL_LONGVARCHAR) {
        // Clients size a buffer for every value of an array by this: text
        // of any length is taken, and a length of its own is named here.
        c.sql_type = SQL_VARCHAR;
        c.size = kParameterTextSize;
    }
    if (type) *type = c.sql_type;
    if (size) *size = c.size;
    if (digits) *digits = c.digits;
    if (nullable) *nullable = c.nullable;
    return SQL_SUCCESS;
}

void cancel_data_at_execution(Stmt& stmt) { end_data_at_execution(stmt.markers); }

SQLRETURN bind_markers(Stmt& stmt) {
    Markers& m = stmt.markers;
    end_data_at_execution(m);
    for (std::size_t k = 0; k < m.sqlite_numbers.size(); ++k) {
        if (k >= m.bound.size() || !m.bound[k]) {
            stmt.diag.add("07002", "COUNT field incorrect: parameter " + std::to_string(k + 1) + " is not bound");
            return SQL_ERROR;
        }
        const std::optional<SQLLEN> indicator = indicator_of_set(m, *m.bound[k]);
        if (indicator && at_execution(*indicator)) {
            if (m.paramset_size > 1) {
                stmt.diag.add("HYC00",
                              "Optional feature not implemented: data at execution in an array of "
                              "parameter values");
                return SQL_ERROR;
            }
            m.waiting.push_back(k);
        }
    }
    if (m.waiting.empty()) return bind_all(stmt);
    m.need_data = true;
    m.sent.assign(m.sqlite_numbers.size(), std::nullopt);
    return SQL_NEED_DATA;
}

SQLRETURN param_data(Stmt& stmt, SQLPOINTER* token) {
    Markers& m = stmt.markers;
    if (!m.need_data) {
        stmt.diag.add("HY010", "Function sequence error: no parameter waits for data");
        return SQL_ERROR;
    }
    if (m.next_waiting < m.waiting.size()) {
        const std::size_t marker = m.waiting[m.next_waiting++];
        m.sending = marker;
        m.sent[marker].emplace();
        if (token) *token = shifted(static_cast<char*>(m.bound[marker]->value), m.offset);
        return SQL_NEED_DATA;
    }
    const SQLRETURN bound = bind_all(stmt);
    end_data_at_execution(m);
    return bound == SQL_SUCCESS ? run_prepared(stmt) : bound;
}

SQLRETURN put_data(Stmt& stmt, SQLPOINTER data, SQLLEN length) {
    Markers& m = stmt.markers;
    if (!m.need_data || !m.sending) {
        stmt.diag.add("HY010", "Function sequence error: SQLParamData names no parameter yet");
        return SQL_ERROR;
    }
    const ParamBinding& b = *m.bound[*m.sending];
    std::optional<std::string>& sent = m.sent[*m.sending];
    if (length == SQL_NULL_DATA) {
        sent.reset();
        return SQL_SUCCESS;
    }
    const SQLSMALLINT c_type = b.c_type == SQL_C_DEFAULT ? default_c_type(b.sql_type) : b.c_type;
    std::size_t bytes = 0;
    if (variable_length(c_type)) {
        const std::optional<std::size_t> n = bound_length(c_type, data, length, 0);
        if (!n) {
            stmt.diag.add("HY090", "Invalid string or buffer length");
            return SQL_ERROR;
        }
        bytes = *n;
    } else {
        // One piece holds the whole value of a fixed-size type.
        bytes = fixed_size(c_type);
        if (sent && !sent->empty()) {
            stmt.diag.add("HY019", "Non-character and non-binary data sent in pieces");
            return SQL_ERROR;
        }
    }
    if (!sent) sent.emplace();
    if (data != nullptr) sent->append(static_cast<const char*>(data), bytes);
    return SQL_SUCCESS;
}

}  // namespace detalehran::odbc
