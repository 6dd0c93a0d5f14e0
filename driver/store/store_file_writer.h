#pragma once
// Writing items into a store file of our own format directly through
// SQLite, in one transaction: what creating a demo or generated inventory
// and converting an old Jet file do. All or nothing: a writer that is not
// committed leaves the file without any of its rows.

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>

#include "schema/money.h"
#include "schema/store_columns.h"
#include "store/text_fold.h"

struct sqlite3;
struct sqlite3_stmt;

namespace detalehran::store {

// One value of an item's column: NULL, a text, a whole number or an amount.
using Field = std::variant<std::monostate, std::string_view, std::int64_t, schema::Money>;
// An item's values by column (schema::ItemColumn).
using ItemFields = std::array<Field, schema::kItemColumnCount>;

// The value a money column of our format holds for an amount: a whole
// number where the amount is whole, otherwise the nearest double, which the
// driver reads back as the same four decimals. nullopt with a reason when
// the amount cannot be kept exactly or lies outside the column's range.
struct MoneyValue {
    bool whole = true;
    std::int64_t integer = 0;
    double real = 0;
};
std::optional<MoneyValue> money_value(schema::Money amount, std::string* reason);

// Package is keyed case-insensitively; writers keep types apart the same
// way, so that "SOT-23" and "sot-23" cannot make an insert fail.
struct FoldedLess {
    bool operator()(const std::string& a, const std::string& b) const { return compare_folded(a, b) < 0; }
};
using PackageSet = std::set<std::string, FoldedLess>;

class StoreFileWriter {
public:
    explicit StoreFileWriter(std::string path);
    ~StoreFileWriter();
    StoreFileWriter(const StoreFileWriter&) = delete;
    StoreFileWriter& operator=(const StoreFileWriter&) = delete;

    // Opens the file and begins the transaction. Each call below returns
    // false with a one-line reason in *error.
    bool begin(std::string* error);
    // Inserts one item; with_id keeps the item's own ID (fields[kId]),
    // otherwise the store numbers it. `label` names the item in a reason
    // ("детали с ID 7").
    bool insert(const ItemFields& fields, schema::WithId with_id, const std::string& label, std::string* error);
    bool insert_package(std::string_view package, std::string* error);
    // New IDs continue after last_used, and after the highest stored one.
    bool continue_numbering_after(std::int64_t last_used, std::string* error);
    // The ID the next new item will get.
    std::int64_t next_id();
    // Commits and closes; a failure here can still lose written pages.
    bool commit(std::string* error);

private:
    bool exec(const char* sql, std::string* error);
    bool fail(std::string* error, const std::string& what = {});

    std::string path_;
    sqlite3* db_ = nullptr;
    // Inserts without and with the ID.
    std::array<sqlite3_stmt*, 2> insert_{};
    sqlite3_stmt* insert_package_ = nullptr;
    bool committed_ = false;
};

}  // namespace detalehran::store
