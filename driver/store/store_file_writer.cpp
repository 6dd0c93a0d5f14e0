#include "store/store_file_writer.h"

#include <sqlite3.h>

#include <charconv>
#include <cstring>

#include "store/store_history.h"
#include "store/store_schema.h"

namespace detalehran::store {

std::optional<MoneyValue> money_value(schema::Money amount, std::string* reason) {
    const std::int64_t units = amount.units();
    const std::int64_t whole = units / 10000;
    if (whole >= schema::kMoneyWholeLimit || whole <= -schema::kMoneyWholeLimit) {
        *reason = "вне пределов цены";
        return std::nullopt;
    }
    if (units % 10000 == 0) return MoneyValue{true, whole, 0};
    const double real = static_cast<double>(units) / 10000.0;
    // The driver reads a double back through its shortest decimal form; it
    // must be exactly the amount written.
    char buf[64];
    const auto printed = std::to_chars(buf, buf + sizeof buf, real, std::chars_format::fixed);
    if (std::string(buf, printed.ptr) != amount.decimal_text()) {
        *reason = "не сохранить точно: в ней больше цифр, чем держит цена";
        return std::nullopt;
    }
    return MoneyValue{false, 0, real};
}

StoreFileWriter::StoreFileWriter(std::string path) : path_(std::move(path)) {}

StoreFileWriter::~StoreFileWriter() {
    for (sqlite3_stmt* stmt : insert_) sqlite3_finalize(stmt);
    sqlite3_finalize(insert_package_);
    if (db_ != nullptr && !committed_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
}

bool StoreFileWriter::begin(std::string* error) {
    if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        !register_text_functions(db_)) {
        return fail(error);
    }
    // A new file's first contents are no change of it: no history.
    set_history_recording(db_, false);
    // A large cache keeps index pages of a 100k-row fill out of the file
    // until the commit.
    if (!exec("PRAGMA cache_size = -131072; BEGIN IMMEDIATE", error)) return false;
    for (const schema::WithId id : {schema::WithId::no, schema::WithId::yes}) {
        const std::string sql = schema::insert_with_markers(schema::Quote::double_quotes, schema::kStoreTable, id);
        if (sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &insert_[static_cast<int>(id)],
                               nullptr) != SQLITE_OK) {
            return fail(error);
        }
    }
    const std::string package = "INSERT INTO " + schema::quoted(schema::Quote::double_quotes, schema::kPackageTable) +
                                " (" + schema::quoted(schema::Quote::double_quotes, schema::kPackageColumn) +
                                ") VALUES (?)";
    if (sqlite3_prepare_v3(db_, package.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &insert_package_, nullptr) !=
        SQLITE_OK) {
        return fail(error);
    }
    return true;
}

bool StoreFileWriter::insert(const ItemFields& fields, schema::WithId with_id, const std::string& label,
                             std::string* error) {
    sqlite3_stmt* stmt = insert_[static_cast<int>(with_id)];
    int index = 0;
    for (const schema::ColumnSpec& c : schema::kItemColumns) {
        if (c.kind == schema::Kind::id && with_id == schema::WithId::no) continue;
        ++index;
        const Field& field = fields[static_cast<std::size_t>(c.column)];
        int rc = SQLITE_OK;
        if (const auto* text = std::get_if<std::string_view>(&field)) {
            rc = sqlite3_bind_text(stmt, index, text->data(), static_cast<int>(text->size()), SQLITE_STATIC);
        } else if (const auto* number = std::get_if<std::int64_t>(&field)) {
            rc = sqlite3_bind_int64(stmt, index, *number);
        } else if (const auto* amount = std::get_if<schema::Money>(&field)) {
            std::string reason;
            const std::optional<MoneyValue> value = money_value(*amount, &reason);
            if (!value) {
                *error = "цена " + amount->decimal_text() + " " + label + " " + reason;
                sqlite3_clear_bindings(stmt);
                return false;
            }
            rc = value->whole ? sqlite3_bind_int64(stmt, index, value->integer)
                              : sqlite3_bind_double(stmt, index, value->real);
        } else {
            rc = sqlite3_bind_null(stmt, index);
        }
        if (rc != SQLITE_OK) return fail(error, "строка " + label + ", ");
    }
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    return rc == SQLITE_DONE || fail(error, "строка " + label + ", ");
}

bool StoreFileWriter::insert_package(std::string_view package, std::string* error) {
    sqlite3_bind_text(insert_package_, 1, package.data(), static_cast<int>(package.size()), SQLITE_STATIC);
    const int rc = sqlite3_step(insert_package_);
    sqlite3_reset(insert_package_);
    return rc == SQLITE_DONE || fail(error);
}

bool StoreFileWriter::continue_numbering_after(std::int64_t last_used, std::string* error) {
    const std::string sql =
        "INSERT OR IGNORE INTO sqlite_sequence (name, seq) VALUES ('Store', 0); "
        "UPDATE sqlite_sequence SET seq = max(seq, " +
        std::to_string(last_used) + ") WHERE name = 'Store'";
    return exec(sql.c_str(), error);
}

std::int64_t StoreFileWriter::next_id() {
    sqlite3_stmt* stmt = nullptr;
    std::int64_t next = 1;
    if (sqlite3_prepare_v2(db_, "SELECT seq FROM sqlite_sequence WHERE name = 'Store'", -1, &stmt, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        next = sqlite3_column_int64(stmt, 0) + 1;
    }
    sqlite3_finalize(stmt);
    return next;
}

bool StoreFileWriter::commit(std::string* error) {
    for (sqlite3_stmt*& stmt : insert_) {
        sqlite3_finalize(stmt);
        stmt = nullptr;
    }
    sqlite3_finalize(insert_package_);
    insert_package_ = nullptr;
    if (!exec("COMMIT", error)) return false;
    committed_ = true;
    if (sqlite3_close(db_) != SQLITE_OK) return fail(error);
    db_ = nullptr;
    return true;
}

bool StoreFileWriter::exec(const char* sql, std::string* error) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK || fail(error);
}

bool StoreFileWriter::fail(std::string* error, const std::string& what) {
    *error = "файл " + path_ + " не записан: " + what + (db_ ? sqlite3_errmsg(db_) : "не хватило памяти");
    // "disk I/O error" alone does not tell a full disk from a broken one.
    if (const int err = db_ ? sqlite3_system_errno(db_) : 0; err != 0) {
        *error += std::string(" (") + std::strerror(err) + ")";
    }
    return false;
}

}  // namespace detalehran::store
