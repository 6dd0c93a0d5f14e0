#pragma once
// What fetching and scrolling share: the values of the current row and
// their conversion into the client's C types.

#include <cstring>

#include "handles.h"

namespace detalehran::odbc {

// Text form of a value of the row SQLite is on; numbers are formatted into
// scratch.
CellView view_of_live(sqlite3_stmt* ps, int i, ValueKind kind, std::string& scratch);
// A copy of the row SQLite is on.
Row copy_of_live(Stmt& stmt);
// A value of the current row.
CellView current_cell(Stmt& stmt, int i);
// Converts one value into a client buffer; text goes in pieces from
// stmt.piece_offset on.
SQLRETURN convert(Stmt& stmt, int column, CellView cell, SQLSMALLINT c_type, SQLPOINTER target, SQLLEN buffer_len,
                  SQLLEN* indicator);
// Fills the bound columns of row `index` of a rowset with the cell values
// `cell_of` gives; rc becomes SQL_SUCCESS_WITH_INFO or SQL_ERROR as a value
// needs.
template <typename CellOf>
SQLRETURN fill_bound_row(Stmt& stmt, std::size_t index, CellOf cell_of);

// Size of one element of a column-wise bound array of this C type.
SQLLEN bound_element_size(SQLSMALLINT c_type, SQLLEN buffer_len);

template <typename CellOf>
SQLRETURN fill_bound_row(Stmt& stmt, std::size_t index, CellOf cell_of) {
    SQLRETURN rc = SQL_SUCCESS;
    const SQLLEN shift = stmt.row_bind_offset ? static_cast<SQLLEN>(*stmt.row_bind_offset) : 0;
    for (std::size_t i = 0; i < stmt.bindings.size() && i < stmt.columns.size(); ++i) {
        const BoundColumn& b = stmt.bindings[i];
        if (b.target == nullptr && b.indicator == nullptr) continue;
        const auto row = static_cast<SQLLEN>(index);
        const SQLLEN value_step = stmt.row_bind_type == SQL_BIND_BY_COLUMN ? bound_element_size(b.c_type, b.buffer_len)
                                                                           : static_cast<SQLLEN>(stmt.row_bind_type);
        const SQLLEN indicator_step = stmt.row_bind_type == SQL_BIND_BY_COLUMN
                                          ? static_cast<SQLLEN>(sizeof(SQLLEN))
                                          : static_cast<SQLLEN>(stmt.row_bind_type);
        auto* target = b.target ? static_cast<char*>(b.target) + shift + row * value_step : nullptr;
        // In an array of structures the indicator need not be aligned: it
        // is written through memcpy.
        char* indicator = b.indicator ? reinterpret_cast<char*>(b.indicator) + shift + row * indicator_step : nullptr;
        SQLLEN length = 0;
        if (indicator) std::memcpy(&length, indicator, sizeof length);
        stmt.piece_column = static_cast<int>(i);
        stmt.piece_offset = 0;
        const SQLRETURN r = convert(stmt, static_cast<int>(i), cell_of(static_cast<int>(i)), b.c_type, target,
                                    b.buffer_len, indicator ? &length : nullptr);
        if (indicator) std::memcpy(indicator, &length, sizeof length);
        if (r == SQL_ERROR) {
            rc = SQL_ERROR;
        } else if (r == SQL_SUCCESS_WITH_INFO && rc == SQL_SUCCESS) {
            rc = SQL_SUCCESS_WITH_INFO;
        }
    }
    stmt.piece_column = -1;
    return rc;
}

}  // namespace detalehran::odbc
