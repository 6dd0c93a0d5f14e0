#include "jet_store_writer.h"

#include <sqlite3.h>

#include <charconv>
#include <cstdlib>
#include <memory>
#include <set>
#include <unordered_set>

#include "store/store_schema.h"
#include "store/text_fold.h"

namespace detalehran::jet {

namespace {

// The money columns' CHECK: what Jet's currency holds, less its last part.
constexpr std::int64_t kMoneyLimit = 922337203685477;

constexpr const char* kInsertItem =
    "INSERT INTO \"Store\" (\"Название\", \"Описание\", \"Расположение\", \"Количество\", \"Цена расходная\", "
    "\"Цена приходная\", \"Поставщик\", \"Путь\", \"Тип корпуса\", \"ID\", \"Datasheet\") "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)";

// Decimal text of an amount without trailing zeros: 125000 -> "12.5".
std::string shortest_decimal(std::int64_t units) {
    const bool negative = units < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
    std::string fraction = std::to_string(magnitude % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (!fraction.empty()) text += "." + fraction;
    return text;
}

std::string item_label(const JetItem& item) {
    return item.id ? "item ID " + std::to_string(*item.id) : "an item without ID";
}

struct FoldedLess {
    bool operator()(const std::string& a, const std::string& b) const { return store::compare_folded(a, b) < 0; }
};

class Writer {
public:
    explicit Writer(std::string path) : path_(std::move(path)) {}
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    ~Writer() {
        sqlite3_finalize(insert_);
        if (db_ != nullptr && !committed_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }

    bool begin(std::string* error) {
        if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
            !store::register_text_functions(db_) || !exec("PRAGMA cache_size = -131072; BEGIN IMMEDIATE", error) ||
            sqlite3_prepare_v3(db_, kInsertItem, -1, SQLITE_PREPARE_PERSISTENT, &insert_, nullptr) != SQLITE_OK) {
            return fail(error);
        }
        return true;
    }

    bool insert(const JetItem& item, bool with_id, std::string* error) {
        bind_text(1, item.name);
        bind_text(2, item.description);
        bind_text(3, item.place);
        bind_int(4, item.quantity);
        if (!bind_money(5, item.selling_price, item, error) || !bind_money(6, item.purchase_price, item, error)) {
            return false;
        }
        bind_text(7, item.supplier);
        bind_text(8, item.section_path);
        bind_text(9, item.package);
        bind_int(10, with_id ? item.id : std::nullopt);
        bind_text(11, item.datasheet);
        const int rc = sqlite3_step(insert_);
        sqlite3_reset(insert_);
        return rc == SQLITE_DONE || fail(error, item_label(item) + ": ");
    }

    // New IDs continue after the highest stored one, and after the old
    // file's own counter when that went further (its last items deleted).
    bool continue_numbering_after(std::int64_t last_used, std::string* error) {
        const std::string sql =
            "INSERT OR IGNORE INTO sqlite_sequence (name, seq) VALUES ('Store', 0); "
            "UPDATE sqlite_sequence SET seq = max(seq, " +
            std::to_string(last_used) + ") WHERE name = 'Store'";
        return exec(sql.c_str(), error);
    }

    bool insert_package(const std::string& package, std::string* error) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, "INSERT INTO \"Package\" (\"Тип корпуса\") VALUES (?1)", -1, &stmt, nullptr) !=
            SQLITE_OK) {
            return fail(error);
        }
        sqlite3_bind_text(stmt, 1, package.data(), static_cast<int>(package.size()), SQLITE_STATIC);
        const int rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        return rc == SQLITE_DONE || fail(error);
    }

    std::int64_t next_id() {
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

    bool commit(std::string* error) {
        sqlite3_finalize(insert_);
        insert_ = nullptr;
        if (!exec("COMMIT", error)) return false;
        committed_ = true;
        if (sqlite3_close(db_) != SQLITE_OK) return fail(error);
        db_ = nullptr;
        return true;
    }

private:
    void bind_text(int index, const Text& text) {
        if (text) {
            sqlite3_bind_text(insert_, index, text->data(), static_cast<int>(text->size()), SQLITE_STATIC);
        } else {
            sqlite3_bind_null(insert_, index);
        }
    }
    void bind_int(int index, std::optional<std::int32_t> value) {
        if (value) {
            sqlite3_bind_int(insert_, index, *value);
        } else {
            sqlite3_bind_null(insert_, index);
        }
    }
    bool bind_money(int index, std::optional<std::int64_t> units, const JetItem& item, std::string* error) {
        if (!units) return sqlite3_bind_null(insert_, index), true;
        std::string reason;
        const std::optional<MoneyValue> value = money_value(*units, &reason);
        if (!value) {
            *error = "the price " + shortest_decimal(*units) + " of " + item_label(item) + " " + reason;
            return false;
        }
        if (value->whole) {
            sqlite3_bind_int64(insert_, index, value->integer);
        } else {
            sqlite3_bind_double(insert_, index, value->real);
        }
        return true;
    }

    bool exec(const char* sql, std::string* error) {
        return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK || fail(error);
    }

    bool fail(std::string* error, const std::string& what = {}) {
        *error = "Cannot write " + path_ + ": " + what + (db_ ? sqlite3_errmsg(db_) : "out of memory");
        return false;
    }

    std::string path_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    bool committed_ = false;
};

}  // namespace

std::optional<MoneyValue> money_value(std::int64_t units, std::string* reason) {
    const std::int64_t whole = units / 10000;
    if (whole >= kMoneyLimit || whole <= -kMoneyLimit) {
        *reason = "is beyond the range of a price";
        return std::nullopt;
    }
    if (units % 10000 == 0) return MoneyValue{true, whole, 0};
    const double real = static_cast<double>(units) / 10000.0;
    // The driver reads a double back through its shortest decimal form; it
    // must be exactly the amount written.
    char buf[64];
    const auto printed = std::to_chars(buf, buf + sizeof buf, real, std::chars_format::fixed);
    if (std::string(buf, printed.ptr) != shortest_decimal(units)) {
        *reason = "has more digits than a price can keep exactly";
        return std::nullopt;
    }
    return MoneyValue{false, 0, real};
}

bool write_converted_store(const std::string& path, const JetStore& content, WriteCounts* counts, std::string* error) {
    WriteCounts result;
    std::unordered_set<std::int32_t> ids;
    std::int64_t highest = 0;
    for (const JetItem& item : content.items) {
        if (!item.id) continue;
        if (!ids.insert(*item.id).second) {
            *error = "two items of table Store have the ID " + std::to_string(*item.id);
            return false;
        }
        highest = std::max<std::int64_t>(highest, *item.id);
    }

    Writer writer(path);
    if (!writer.begin(error)) return false;
    for (const JetItem& item : content.items) {
        if (!item.id) continue;
        if (!writer.insert(item, true, error)) return false;
        ++result.items;
    }
    // As the program's close does: a parked item whose ID is free goes back
    // into Store; one whose ID is taken is a stale copy of a stored item.
    for (const JetItem& item : content.parked) {
        if (!item.id) continue;
        if (!ids.insert(*item.id).second) {
            ++result.parked_dropped;
            continue;
        }
        if (!writer.insert(item, true, error)) return false;
        highest = std::max<std::int64_t>(highest, *item.id);
        ++result.parked_returned;
    }
    if (!writer.continue_numbering_after(std::max(highest, content.next_autonumber - 1), error)) return false;
    // Rows without an ID cannot be told apart from others; each is kept
    // under a new number rather than lost.
    for (const auto* rows : {&content.items, &content.parked}) {
        for (const JetItem& item : *rows) {
            if (item.id) continue;
            if (!writer.insert(item, false, error)) return false;
            ++(rows == &content.items ? result.items : result.parked_returned);
            ++result.new_ids;
        }
    }
    std::set<std::string, FoldedLess> packages;
    for (const Text& package : content.packages) {
        if (!package || !packages.insert(*package).second) continue;
        if (!writer.insert_package(*package, error)) return false;
        ++result.packages;
    }
    result.next_id = writer.next_id();
    if (!writer.commit(error)) return false;
    if (counts) *counts = result;
    return true;
}

}  // namespace detalehran::jet
