#include "handles.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

namespace detalehran::odbc {

std::string_view arg_string(const SQLCHAR* text, SQLINTEGER len) {
    if (text == nullptr) return {};
    const auto* p = reinterpret_cast<const char*>(text);
    if (len == SQL_NTS) return std::string_view(p);
    if (len < 0) return {};
    return std::string_view(p, static_cast<std::size_t>(len));
}

SQLRETURN alloc_handle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
    if (output == nullptr) return SQL_ERROR;
    *output = SQL_NULL_HANDLE;
    switch (type) {
        case SQL_HANDLE_ENV:
            *output = new Env;
            return SQL_SUCCESS;
        case SQL_HANDLE_DBC: {
            Env* env = checked<Env>(input, Tag::env);
            if (env == nullptr) return SQL_INVALID_HANDLE;
            auto* dbc = new Dbc;
            dbc->env = env;
            env->connections.push_back(dbc);
            *output = dbc;
            return SQL_SUCCESS;
        }
        case SQL_HANDLE_STMT: {
            Dbc* dbc = checked<Dbc>(input, Tag::dbc);
            if (dbc == nullptr) return SQL_INVALID_HANDLE;
            if (dbc->db == nullptr) {
                dbc->diag.add("08003", "Connection not open");
                return SQL_ERROR;
            }
            auto* stmt = new Stmt;
            stmt->dbc = dbc;
            stmt->number = ++dbc->statements_made;
            for (Desc& d : stmt->descriptors) d.owner = stmt;
            dbc->statements.push_back(stmt);
            *output = stmt;
            return SQL_SUCCESS;
        }
        case SQL_HANDLE_DESC:
            if (Dbc* dbc = checked<Dbc>(input, Tag::dbc)) dbc->diag.add("HYC00", "Explicit descriptors are not supported");
            return SQL_ERROR;
        default:
            return SQL_ERROR;
    }
}

SQLRETURN free_handle(SQLSMALLINT type, SQLHANDLE handle) {
    switch (type) {
        case SQL_HANDLE_ENV: {
            Env* env = checked<Env>(handle, Tag::env);
            if (env == nullptr) return SQL_INVALID_HANDLE;
            env->tag = Tag::dead;
            delete env;
            return SQL_SUCCESS;
        }
        case SQL_HANDLE_DBC: {
            Dbc* dbc = checked<Dbc>(handle, Tag::dbc);
            if (dbc == nullptr) return SQL_INVALID_HANDLE;
            if (dbc->db != nullptr) {
                dbc->diag.add("HY010", "Function sequence error: the connection is still open");
                return SQL_ERROR;
            }
            auto& list = dbc->env->connections;
            list.erase(std::remove(list.begin(), list.end(), dbc), list.end());
            dbc->tag = Tag::dead;
            delete dbc;
            return SQL_SUCCESS;
        }
        case SQL_HANDLE_STMT: {
            Stmt* stmt = checked<Stmt>(handle, Tag::stmt);
            if (stmt == nullptr) return SQL_INVALID_HANDLE;
            release_statement(*stmt);
            auto& list = stmt->dbc->statements;
            list.erase(std::remove(list.begin(), list.end(), stmt), list.end());
            stmt->tag = Tag::dead;
            delete stmt;
            return SQL_SUCCESS;
        }
        default:
            return SQL_ERROR;
    }
}

Diagnostics* diagnostics_of(SQLSMALLINT type, SQLHANDLE handle) {
    switch (type) {
        case SQL_HANDLE_ENV:
            if (Env* e = checked<Env>(handle, Tag::env)) return &e->diag;
            break;
        case SQL_HANDLE_DBC:
            if (Dbc* d = checked<Dbc>(handle, Tag::dbc)) return &d->diag;
            break;
        case SQL_HANDLE_STMT:
            if (Stmt* s = checked<Stmt>(handle, Tag::stmt)) return &s->diag;
            break;
        default:
            break;
    }
    return nullptr;
}

}  // namespace detalehran::odbc
