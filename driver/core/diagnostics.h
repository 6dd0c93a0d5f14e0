#pragma once
// Diagnostic records kept on every handle for SQLGetDiagRec and
// SQLGetDiagField, and the mapping of SQLite failures to SQLSTATEs.

#include <sql.h>

#include <string>
#include <vector>

struct sqlite3;

namespace detalehran::odbc {

struct DiagRecord {
    std::string sqlstate;  // five characters
    std::string message;   // with the driver's prefix
    SQLINTEGER native = 0;
};

class Diagnostics {
public:
    void clear() {
        records_.clear();
        row_count = 0;
    }
    void add(const char* sqlstate, const std::string& message, SQLINTEGER native = 0);
    const std::vector<DiagRecord>& records() const { return records_; }
    SQLLEN row_count = 0;

private:
    std::vector<DiagRecord> records_;
};

// SQLSTATE for an SQLite result code and message.
const char* sqlstate_for(int sqlite_code, const std::string& message);

// Adds the connection's last SQLite error to diag and returns SQL_ERROR.
SQLRETURN sqlite_failure(Diagnostics& diag, sqlite3* db, int code);

SQLRETURN get_diag_rec(const Diagnostics& diag, SQLSMALLINT rec, SQLCHAR* state, SQLINTEGER* native,
                       SQLCHAR* text, SQLSMALLINT text_len, SQLSMALLINT* text_out);
SQLRETURN get_diag_field(const Diagnostics& diag, SQLSMALLINT handle_type, SQLSMALLINT rec, SQLSMALLINT field,
                         SQLPOINTER value, SQLSMALLINT buffer_len, SQLSMALLINT* string_len);

// Copies text into an ODBC character buffer with NUL, setting *out_len to the
// full length; returns SQL_SUCCESS_WITH_INFO (01004 added to diag when given)
// if it had to be cut.
SQLRETURN copy_out(const std::string& text, SQLCHAR* buffer, SQLLEN buffer_len, SQLLEN* out_len,
                   Diagnostics* diag);
SQLRETURN copy_out_small(const std::string& text, SQLCHAR* buffer, SQLSMALLINT buffer_len, SQLSMALLINT* out_len,
                         Diagnostics* diag);

}  // namespace detalehran::odbc
