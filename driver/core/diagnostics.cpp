#include "diagnostics.h"

#include <sqlext.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>

namespace detalehran::odbc {

namespace {
constexpr const char* kPrefix = "[Detalehran][Store driver]";

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }
}  // namespace

void Diagnostics::add(const char* sqlstate, const std::string& message, SQLINTEGER native) {
    records_.push_back({sqlstate, std::string(kPrefix) + message, native});
}

const char* sqlstate_for(int code, const std::string& message) {
    switch (code & 0xFF) {
        case SQLITE_CONSTRAINT:
            if (contains(message, "CHECK constraint failed: type_")) return "22018";
            return "23000";
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "HYT00";
        case SQLITE_NOMEM:
            return "HY001";
        case SQLITE_TOOBIG:
            return "22001";
        case SQLITE_MISMATCH:
            return "22018";
        case SQLITE_ERROR:
            if (contains(message, "no such table")) return "42S02";
            if (contains(message, "no such column") || contains(message, "has no column named")) return "42S22";
            if (contains(message, "already exists")) return "42S01";
            if (contains(message, "syntax error") || contains(message, "unrecognized token") ||
                contains(message, "incomplete input") || contains(message, "no such function") ||
                contains(message, "wrong number of arguments") || contains(message, "no such collation"))
                return "42000";
            return "HY000";
        default:
            return "HY000";
    }
}

SQLRETURN sqlite_failure(Diagnostics& diag, sqlite3* db, int code) {
    std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    const char* state = sqlstate_for(code, message);
    if (std::strcmp(state, "22018") == 0) {
        message = "Data type mismatch: " + message;
    } else if (std::strcmp(state, "23000") == 0) {
        message = "Duplicate or missing key value: " + message;
    } else if ((code & 0xFF) == SQLITE_FULL) {
        message = "Disk full: " + message;
    }
    diag.add(state, message, code);
    return SQL_ERROR;
}

SQLRETURN get_diag_rec(const Diagnostics& diag, SQLSMALLINT rec, const TextOut& state, SQLINTEGER* native,
                       const TextOut& text, SQLSMALLINT* text_out) {
    if (rec <= 0) return SQL_ERROR;
    if (text.capacity < 0) return SQL_ERROR;
    if (static_cast<std::size_t>(rec) > diag.records().size()) return SQL_NO_DATA;
    const DiagRecord& r = diag.records()[static_cast<std::size_t>(rec - 1)];
    put_text(r.sqlstate, state, static_cast<SQLSMALLINT*>(nullptr), nullptr);
    if (native) *native = r.native;
    return put_text(r.message, text, text_out, nullptr);
}

SQLRETURN get_diag_field(const Diagnostics& diag, SQLSMALLINT handle_type, SQLSMALLINT rec, SQLSMALLINT field,
                         const TextOut& out, SQLSMALLINT* string_len) {
    void* value = out.buffer;
    // Header fields.
    switch (field) {
        case SQL_DIAG_NUMBER:
            if (value) *static_cast<SQLINTEGER*>(value) = static_cast<SQLINTEGER>(diag.records().size());
            return SQL_SUCCESS;
        case SQL_DIAG_ROW_COUNT:
            if (handle_type != SQL_HANDLE_STMT) return SQL_ERROR;
            if (value) *static_cast<SQLLEN*>(value) = diag.row_count;
            return SQL_SUCCESS;
        case SQL_DIAG_RETURNCODE:
            if (value) *static_cast<SQLRETURN*>(value) = diag.records().empty() ? SQL_SUCCESS : SQL_ERROR;
            return SQL_SUCCESS;
        case SQL_DIAG_CURSOR_ROW_COUNT:
        case SQL_DIAG_DYNAMIC_FUNCTION_CODE:
            if (value) *static_cast<SQLINTEGER*>(value) = 0;
            return SQL_SUCCESS;
        case SQL_DIAG_DYNAMIC_FUNCTION:
            return put_text("", out, string_len, nullptr);
        default:
            break;
    }
    if (rec <= 0) return SQL_ERROR;
    if (static_cast<std::size_t>(rec) > diag.records().size()) return SQL_NO_DATA;
    const DiagRecord& r = diag.records()[static_cast<std::size_t>(rec - 1)];
    auto text = [&](const std::string& s) { return put_text(s, out, string_len, nullptr); };
    switch (field) {
        case SQL_DIAG_SQLSTATE:
            return text(r.sqlstate);
        case SQL_DIAG_MESSAGE_TEXT:
            return text(r.message);
        case SQL_DIAG_NATIVE:
            if (value) *static_cast<SQLINTEGER*>(value) = r.native;
            return SQL_SUCCESS;
        case SQL_DIAG_CLASS_ORIGIN:
        case SQL_DIAG_SUBCLASS_ORIGIN:
            return text(r.sqlstate.compare(0, 2, "IM") == 0 ? "ODBC 3.0" : "ISO 9075");
        case SQL_DIAG_CONNECTION_NAME:
        case SQL_DIAG_SERVER_NAME:
            return text("");
        case SQL_DIAG_ROW_NUMBER:
            if (value) *static_cast<SQLLEN*>(value) = SQL_NO_ROW_NUMBER;
            return SQL_SUCCESS;
        case SQL_DIAG_COLUMN_NUMBER:
            if (value) *static_cast<SQLINTEGER*>(value) = SQL_NO_COLUMN_NUMBER;
            return SQL_SUCCESS;
        default:
            return SQL_ERROR;
    }
}

}  // namespace detalehran::odbc
