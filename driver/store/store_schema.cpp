#include "store_schema.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "schema/history_tables.h"
#include "schema/project_tables.h"
#include "schema/store_columns.h"
#include "store_history.h"
#include "text_fold.h"

namespace detalehran::store {

namespace {

int fold_collation(void*, int na, const void* a, int nb, const void* b) {
    return compare_folded(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(na)),
                          std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(nb)));
}

std::string_view arg_text(sqlite3_value* v) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string_view();
}

void like_function(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    // like(pattern, value[, escape]) as SQLite calls it for "value LIKE pattern".
    for (int k = 0; k < argc; ++k) {
        if (sqlite3_value_type(argv[k]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    }
    char32_t escape = 0;
    if (argc == 3) {
        const std::vector<char32_t> e = decode_utf8(arg_text(argv[2]));
        if (e.size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e[0];
    }
    // The pattern is usually the same for every row: compile it once.
    auto* pattern = static_cast<LikePattern*>(sqlite3_get_auxdata(ctx, 0));
    if (pattern == nullptr) {
        pattern = new LikePattern(arg_text(argv[0]), escape);
        sqlite3_set_auxdata(ctx, 0, pattern, [](void* p) { delete static_cast<LikePattern*>(p); });
        // SQLite may drop the cached copy at once; fetch it back to be sure.
        pattern = static_cast<LikePattern*>(sqlite3_get_auxdata(ctx, 0));
        if (pattern == nullptr) {
            const LikePattern once(arg_text(argv[0]), escape);
            sqlite3_result_int(ctx, once.matches(arg_text(argv[1])) ? 1 : 0);
            return;
        }
    }
    sqlite3_result_int(ctx, pattern->matches(arg_text(argv[1])) ? 1 : 0);
}

// like_floor(pattern) and like_ceiling(pattern): the range of texts the
// pattern can match (LikePattern::bounds), so that "c LIKE p" can be
// narrowed by an index on c to "c >= like_floor(p) AND c < like_ceiling(p)".
// With no text above, the ceiling is an empty blob, which every text sorts
// before.
void like_bound_function(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const bool ceiling = sqlite3_user_data(ctx) != nullptr;
    std::string low, high;
    const bool bounded = LikePattern(arg_text(argv[0])).bounds(&low, &high);
    if (!ceiling) {
        sqlite3_result_text(ctx, low.data(), static_cast<int>(low.size()), SQLITE_TRANSIENT);
    } else if (bounded) {
        sqlite3_result_text(ctx, high.data(), static_cast<int>(high.size()), SQLITE_TRANSIENT);
    } else {
        sqlite3_result_zeroblob(ctx, 0);
    }
}

}  // namespace

std::string schema_sql() { return schema::sqlite_schema(); }

void add_missing_indexes(sqlite3* db) {
    // Only a file that lacks a declared index is written to: one opened
    // while another program holds it, or read-only, is left as it is.
    std::size_t present = 0;
    sqlite3_stmt* look = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'index'", -1, &look, nullptr) ==
        SQLITE_OK) {
        const std::vector<std::string> declared = schema::sqlite_index_names();
        while (sqlite3_step(look) == SQLITE_ROW) {
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(look, 0));
            if (name != nullptr && std::find(declared.begin(), declared.end(), name) != declared.end()) ++present;
        }
        sqlite3_finalize(look);
        if (present == declared.size()) return;
    }
    sqlite3_exec(db, schema::sqlite_indexes().c_str(), nullptr, nullptr, nullptr);
}

void settle_projects(sqlite3* db) {
    sqlite3_stmt* look = nullptr;
    int present = 0;
    if (sqlite3_prepare_v2(db,
                           "SELECT count(*) FROM sqlite_master WHERE name IN ('Project', 'ProjectLine', "
                           "'ProjectLine_Project', 'Project_delete')",
                           -1, &look, nullptr) == SQLITE_OK &&
        sqlite3_step(look) == SQLITE_ROW) {
        present = sqlite3_column_int(look, 0);
    }
    sqlite3_finalize(look);
    if (present == 4) return;
    std::string sql = "BEGIN IMMEDIATE;";
    for (const std::string& statement : schema::sqlite_project_statements()) sql += statement + ";";
    sql += "COMMIT;";
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK && !sqlite3_get_autocommit(db))
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool register_text_functions(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_collation_v2(db, kFoldCollation, SQLITE_UTF8, nullptr, fold_collation, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function_v2(db, "like", 2, flags, nullptr, like_function, nullptr, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function_v2(db, "like", 3, flags, nullptr, like_function, nullptr, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function_v2(db, kLikeFloorFunction, 1, flags, nullptr, like_bound_function, nullptr, nullptr,
                                      nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(db, kLikeCeilingFunction, 1, flags, db, like_bound_function, nullptr, nullptr,
                                      nullptr) == SQLITE_OK &&
           register_history_functions(db);
}

FileKind probe_file(const std::string& path, std::string* detail) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (detail) *detail = std::strerror(errno);
        return errno == ENOENT || errno == ENOTDIR ? FileKind::missing : FileKind::unreadable;
    }
    unsigned char head[100] = {};
    ssize_t got = 0;
    while (got < static_cast<ssize_t>(sizeof head)) {
        const ssize_t n = ::read(fd, head + got, sizeof head - static_cast<std::size_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += n;
    }
    const int read_errno = errno;
    ::close(fd);
    if (got < 0) {
        if (detail) *detail = std::strerror(read_errno);
        return FileKind::unreadable;
    }
    if (got >= 19 && std::memcmp(head + 4, "Standard Jet DB", 15) == 0) return FileKind::access_jet;
    if (got >= 19 && std::memcmp(head + 4, "Standard ACE DB", 15) == 0) return FileKind::access_ace;
    if (got == 100 && std::memcmp(head, "SQLite format 3", 16) == 0) {
        const std::uint32_t app = (std::uint32_t(head[68]) << 24) | (std::uint32_t(head[69]) << 16) |
                                  (std::uint32_t(head[70]) << 8) | std::uint32_t(head[71]);
        return app == static_cast<std::uint32_t>(kApplicationId) ? FileKind::ours : FileKind::sqlite_foreign;
    }
    if (detail) *detail = got == 0 ? "the file is empty" : "unknown file format";
    return FileKind::other;
}

std::string describe_refusal(FileKind kind, const std::string& path) {
    switch (kind) {
        case FileKind::missing:
            return "Database file not found: " + path;
        case FileKind::unreadable:
            return "Database file cannot be read: " + path;
        case FileKind::access_jet:
            return "File " + path +
                   " is a Microsoft Access (Jet) database; this driver serves only databases made "
                   "by detalehran-db";
        case FileKind::access_ace:
            return "File " + path +
                   " is a Microsoft Access 2007 or later (ACE) database; this driver serves only "
                   "databases made by detalehran-db";
        case FileKind::sqlite_foreign:
            return "File " + path + " is an SQLite database of another program, not an inventory database";
        case FileKind::other:
            return "File " + path + " is not an inventory database";
        case FileKind::ours:
            break;
    }
    return {};
}

bool create_store_file(const std::string& path, std::string* error) {
    // O_EXCL: never replace a file that is already there, even one that
    // appears between a check and the creation.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error) {
            *error = errno == EEXIST ? "Файл уже существует: " + path
                                     : "Не удалось создать " + path + ": " + std::strerror(errno);
        }
        return false;
    }
    ::close(fd);
    sqlite3* raw = nullptr;
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(nullptr, sqlite3_close);
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    db.reset(raw);
    std::string sql = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                      "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + "; BEGIN; " + schema_sql();
    for (const std::string& statement : schema::sqlite_history_statements()) sql += statement + ";";
    for (const std::string& statement : schema::sqlite_project_statements()) sql += statement + ";";
    sql += " COMMIT;";
    char* message = nullptr;
    if (rc != SQLITE_OK || !register_text_functions(db.get()) ||
        sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        if (error) {
            *error = "Не удалось создать " + path + ": " +
                     (message ? message
                      : raw   ? sqlite3_errmsg(raw)
                              : sqlite3_errstr(rc));
        }
        sqlite3_free(message);
        db.reset();
        ::unlink(path.c_str());
        return false;
    }
    db.reset();
    return true;
}

}  // namespace detalehran::store
