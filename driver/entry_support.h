#pragma once
// What every ODBC entry point does around the driver's core: check the
// handle, clear its diagnostics, and turn an exception into a diagnostic.

#include <new>
#include <utility>

#include "core/handles.h"

namespace detalehran::odbc {

template <typename T, typename F>
SQLRETURN with(SQLHANDLE handle, Tag tag, F&& body) {
    T* h = checked<T>(handle, tag);
    if (h == nullptr) return SQL_INVALID_HANDLE;
    h->diag.clear();
    try {
        return body(*h);
    } catch (const std::bad_alloc&) {
        h->diag.add("HY001", "Memory allocation error");
    } catch (...) {
        h->diag.add("HY000", "Internal driver error");
    }
    return SQL_ERROR;
}

template <typename F>
SQLRETURN with_stmt(SQLHSTMT s, F&& body) {
    return with<Stmt>(s, Tag::stmt, std::forward<F>(body));
}

template <typename F>
SQLRETURN with_dbc(SQLHDBC d, F&& body) {
    return with<Dbc>(d, Tag::dbc, std::forward<F>(body));
}

inline TextOut narrow_out(void* buffer, SQLLEN capacity) { return {buffer, capacity, TextUnit::narrow}; }

}  // namespace detalehran::odbc

#define DTLH_EXPORT extern "C" __attribute__((visibility("default")))
