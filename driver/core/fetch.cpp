#include <sqlite3.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "handles.h"
#include "money.h"
#include "store/text_fold.h"

namespace detalehran::odbc {

namespace {

constexpr std::size_t kDone = static_cast<std::size_t>(-1);

// Text form of a live value; numbers are formatted into scratch.
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

Cell copy_of(CellView view) { return Cell{view.null, std::string(view.text)}; }

CellView current_cell(Stmt& stmt, int i) {
    const auto k = static_cast<std::size_t>(i);
    if (stmt.cursor == Stmt::Cursor::buffered) {
        const Cell& cell = stmt.rows[stmt.row_pos - 1][k];
        return {cell.null, cell.text};
    }
    if (!stmt.live_ready[k]) {
        stmt.live_views[k] = view_of_live(stmt.prepared, i, stmt.columns[k].kind, stmt.live_formatted[k]);
        stmt.live_ready[k] = 1;
    }
    return stmt.live_views[k];
}

// Parses a value's text as a number for the numeric C types.
enum class NumberParse { ok, fraction_cut, not_a_number, out_of_range };

NumberParse parse_integer(std::string_view text, std::int64_t low, std::int64_t high, std::int64_t& out) {
    std::string s(text);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
    std::size_t start = 0;
    while (start < s.size() && std::isspace(static_cast<unsigned char>(s[start]))) ++start;
    if (start == s.size()) return NumberParse::not_a_number;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(s.c_str() + start, &end, 10);
    if (end != s.c_str() + start && *end == 0) {
        if (errno == ERANGE || v < low || v > high) return NumberParse::out_of_range;
        out = v;
        return NumberParse::ok;
    }
    const double d = std::strtod(s.c_str() + start, &end);
    if (end == s.c_str() + start || *end != 0 || !std::isfinite(d)) return NumberParse::not_a_number;
    const double t = std::trunc(d);
    if (t < static_cast<double>(low) || t > static_cast<double>(high)) return NumberParse::out_of_range;
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

template <typename T>
SQLRETURN put_integer(Stmt& stmt, CellView cell, SQLPOINTER target, SQLLEN* indicator) {
    std::int64_t v = 0;
    const NumberParse p = parse_integer(cell.text, static_cast<std::int64_t>(std::numeric_limits<T>::min()),
                                        static_cast<std::int64_t>(std::numeric_limits<T>::max()), v);
    if (p != NumberParse::ok && p != NumberParse::fraction_cut) return number_failure(stmt, p);
    if (target) {
        const T value = static_cast<T>(v);
        std::memcpy(target, &value, sizeof value);
    }
    if (indicator) *indicator = sizeof(T);
    if (p == NumberParse::fraction_cut) {
        stmt.diag.add("01S07", "Fractional truncation");
        return SQL_SUCCESS_WITH_INFO;
    }
    return SQL_SUCCESS;
}

SQLRETURN put_text_piece(Stmt& stmt, const char* data, std::size_t total, std::size_t unit, SQLPOINTER target,
                         SQLLEN buffer_len, SQLLEN* indicator) {
    // total and offsets count units (bytes, or UTF-16 code units).
    if (stmt.piece_offset == kDone) return SQL_NO_DATA;
    const std::size_t remaining = total - stmt.piece_offset;
    if (indicator) *indicator = static_cast<SQLLEN>(remaining * unit);
    if (buffer_len < 0) {
        stmt.diag.add("HY090", "Invalid string or buffer length");
        return SQL_ERROR;
    }
    const std::size_t room_units = static_cast<std::size_t>(buffer_len) / unit;
    if (target == nullptr || room_units == 0) {
        if (remaining == 0) return SQL_SUCCESS;
        stmt.diag.add("01004", "String data, right truncated");
        return SQL_SUCCESS_WITH_INFO;
    }
    const std::size_t n = std::min(room_units - 1, remaining);
    std::memcpy(target, data + stmt.piece_offset * unit, n * unit);
    std::memset(static_cast<char*>(target) + n * unit, 0, unit);
    if (n < remaining) {
        stmt.piece_offset += n;
        stmt.diag.add("01004", "String data, right truncated");
        return SQL_SUCCESS_WITH_INFO;
    }
    stmt.piece_offset = kDone;
    return SQL_SUCCESS;
}

SQLRETURN convert(Stmt& stmt, int column, SQLSMALLINT c_type, SQLPOINTER target, SQLLEN buffer_len,
                  SQLLEN* indicator) {
    if (stmt.piece_offset == kDone) return SQL_NO_DATA;
    const CellView cell = current_cell(stmt, column);
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
        c_type = info.kind == ValueKind::integer ? (info.sql_type == SQL_BIGINT ? SQL_C_SBIGINT : SQL_C_SLONG)
                 : info.kind == ValueKind::real  ? SQL_C_DOUBLE
                                                 : SQL_C_CHAR;
    }
    SQLRETURN rc = SQL_SUCCESS;
    switch (c_type) {
        case SQL_C_CHAR:
            return put_text_piece(stmt, cell.text.data(), cell.text.size(), 1, target, buffer_len, indicator);
        case SQL_C_WCHAR:
            if (stmt.piece_offset == 0) stmt.wide_cache = utf16_of(cell.text);
            return put_text_piece(stmt, reinterpret_cast<const char*>(stmt.wide_cache.data()),
                                  stmt.wide_cache.size(), sizeof(char16_t), target, buffer_len, indicator);
        case SQL_C_LONG:
        case SQL_C_SLONG:
            rc = put_integer<std::int32_t>(stmt, cell, target, indicator);
            break;
        case SQL_C_ULONG:
            rc = put_integer<std::uint32_t>(stmt, cell, target, indicator);
            break;
        case SQL_C_SHORT:
        case SQL_C_SSHORT:
            rc = put_integer<std::int16_t>(stmt, cell, target, indicator);
            break;
        case SQL_C_USHORT:
            rc = put_integer<std::uint16_t>(stmt, cell, target, indicator);
            break;
        case SQL_C_TINYINT:
        case SQL_C_STINYINT:
            rc = put_integer<std::int8_t>(stmt, cell, target, indicator);
            break;
        case SQL_C_UTINYINT:
            rc = put_integer<std::uint8_t>(stmt, cell, target, indicator);
            break;
        case SQL_C_SBIGINT:
            rc = put_integer<std::int64_t>(stmt, cell, target, indicator);
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

void fill_bound_columns(Stmt& stmt, SQLRETURN& rc) {
    for (std::size_t i = 0; i < stmt.bindings.size() && i < stmt.columns.size(); ++i) {
        const BoundColumn& b = stmt.bindings[i];
        if (b.target == nullptr && b.indicator == nullptr) continue;
        stmt.piece_column = static_cast<int>(i);
        stmt.piece_offset = 0;
        const SQLRETURN r = convert(stmt, static_cast<int>(i), b.c_type, b.target, b.buffer_len, b.indicator);
        if (r == SQL_ERROR) {
            rc = SQL_ERROR;
        } else if (r == SQL_SUCCESS_WITH_INFO && rc == SQL_SUCCESS) {
            rc = SQL_SUCCESS_WITH_INFO;
        }
    }
    stmt.piece_column = -1;
}

// Moves to the next row; false at the end or on failure (rc says which).
bool advance(Stmt& stmt, SQLRETURN& rc) {
    rc = SQL_SUCCESS;
    if (stmt.cursor == Stmt::Cursor::buffered) {
        if (stmt.row_pos < stmt.rows.size()) {
            ++stmt.row_pos;
            return true;
        }
        stmt.row_pos = stmt.rows.size() + 1;  // past the end
        rc = SQL_NO_DATA;
        return false;
    }
    if (stmt.prefetched) {
        stmt.prefetched = false;
        return true;
    }
    const int step = sqlite3_step(stmt.prepared);
    if (step == SQLITE_ROW) return true;
    if (step == SQLITE_DONE) {
        sqlite3_reset(stmt.prepared);  // ends the read transaction
        stmt.cursor = Stmt::Cursor::buffered;
        stmt.rows.clear();
        stmt.row_pos = 1;
        rc = SQL_NO_DATA;
        return false;
    }
    rc = sqlite_failure(stmt.diag, stmt.dbc->db, step);
    sqlite3_reset(stmt.prepared);
    stmt.cursor = Stmt::Cursor::buffered;
    stmt.rows.clear();
    stmt.row_pos = 1;
    return false;
}

}  // namespace

void buffer_rest(Stmt& stmt) {
    if (stmt.cursor != Stmt::Cursor::live) return;
    const std::size_t n = stmt.columns.size();
    std::vector<Row> rows;
    if (stmt.on_row) {
        Row row(n);
        for (std::size_t i = 0; i < n; ++i) row[i] = copy_of(current_cell(stmt, static_cast<int>(i)));
        rows.push_back(std::move(row));
    }
    int step = stmt.prefetched ? SQLITE_ROW : sqlite3_step(stmt.prepared);
    while (step == SQLITE_ROW) {
        Row row(n);
        std::string scratch;
        for (std::size_t i = 0; i < n; ++i) {
            row[i] = copy_of(view_of_live(stmt.prepared, static_cast<int>(i), stmt.columns[i].kind, scratch));
        }
        rows.push_back(std::move(row));
        step = sqlite3_step(stmt.prepared);
    }
    sqlite3_reset(stmt.prepared);
    stmt.rows = std::move(rows);
    stmt.cursor = Stmt::Cursor::buffered;
    stmt.prefetched = false;
    stmt.row_pos = stmt.on_row ? 1 : 0;
}

SQLRETURN fetch(Stmt& stmt, SQLSMALLINT orientation) {
    if (stmt.cursor == Stmt::Cursor::closed || stmt.columns.empty()) {
        stmt.diag.add("24000", "Invalid cursor state: no result to fetch from");
        return SQL_ERROR;
    }
    if (orientation == SQL_FETCH_FIRST) {
        if (stmt.cursor_type == SQL_CURSOR_FORWARD_ONLY) {
            stmt.diag.add("HY106", "Fetch type out of range: the cursor is forward-only");
            return SQL_ERROR;
        }
        if (stmt.handed_out) {
            // A dynamic cursor shows the rows as they are now: run the query
            // again (catalog results simply start over).
            if (stmt.prepared != nullptr) {
                sqlite3_reset(stmt.prepared);
                stmt.rows.clear();
                stmt.cursor = Stmt::Cursor::live;
                stmt.prefetched = false;
            } else {
                stmt.row_pos = 0;
            }
        }
    } else if (orientation != SQL_FETCH_NEXT) {
        stmt.diag.add("HY106", "Fetch type out of range: only next and first rows can be fetched");
        return SQL_ERROR;
    }
    stmt.piece_column = -1;
    std::fill(stmt.live_ready.begin(), stmt.live_ready.end(), 0);
    SQLRETURN rc = SQL_SUCCESS;
    stmt.on_row = advance(stmt, rc);
    stmt.handed_out = true;
    if (stmt.rows_fetched_ptr) *stmt.rows_fetched_ptr = stmt.on_row ? 1 : 0;
    if (!stmt.on_row) {
        if (stmt.row_status_ptr) *stmt.row_status_ptr = SQL_ROW_NOROW;
        return rc;
    }
    if (stmt.row_status_ptr) *stmt.row_status_ptr = SQL_ROW_SUCCESS;
    if (!stmt.bindings.empty()) fill_bound_columns(stmt, rc);
    return rc;
}

SQLRETURN get_data(Stmt& stmt, SQLUSMALLINT col, SQLSMALLINT c_type, SQLPOINTER target, SQLLEN buffer_len,
                   SQLLEN* indicator) {
    if (!stmt.on_row) {
        stmt.diag.add("24000", "Invalid cursor state: no current row");
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
    return convert(stmt, column, c_type, target, buffer_len, indicator);
}

SQLRETURN bind_col(Stmt& stmt, SQLUSMALLINT col, SQLSMALLINT c_type, SQLPOINTER target, SQLLEN buffer_len,
                   SQLLEN* indicator) {
    if (col == 0) {
        stmt.diag.add("07009", "Bookmarks are not supported");
        return SQL_ERROR;
    }
    if (stmt.bindings.size() < col) stmt.bindings.resize(col);
    stmt.bindings[col - 1] = {c_type, target, buffer_len, indicator};
    return SQL_SUCCESS;
}

}  // namespace detalehran::odbc
