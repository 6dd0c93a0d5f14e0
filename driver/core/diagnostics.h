#pragma once
// Diagnostic records kept on every handle for SQLGetDiagRec and
// SQLGetDiagField, and the mapping of SQLite failures to SQLSTATEs.

#include <sql.h>

#include <string>
#include <vector>

#include "text_io.h"

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
    // Adds the records of other as they are.
    void append(const Diagnostics& other) {
        records_.insert(records_.end(), other.records_.begin(), other.records_.end());
    }
    const std::vector<DiagRecord>& records() const { return records_; }
    SQLLEN row_count = 0;

private:
    std::vector<DiagRecord> records_;
};

// SQLSTATE for an SQLite result code and message.
const char* sqlstate_for(int sqlite_code, const std::string& message);

// Adds the connection's last SQLite error to diag and returns SQL_ERROR.
SQLRETURN sqlite_failure(Diagnostics& diag, sqlite3* db, int code);

// The record's SQLSTATE goes to state (six characters with the NUL).
SQLRETURN get_diag_rec(const Diagnostics& diag, SQLSMALLINT rec, const TextOut& state, SQLINTEGER* native,
                       const TextOut& text, SQLSMALLINT* text_out);
SQLRETURN get_diag_field(const Diagnostics& diag, SQLSMALLINT handle_type, SQLSMALLINT rec, SQLSMALLINT field,
                         const TextOut& value, SQLSMALLINT* string_len);

}  // namespace detalehran::odbc
