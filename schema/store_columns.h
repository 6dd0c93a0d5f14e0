#pragma once
// The store's tables described once: every column of an item with its
// position, its kind and its type on each engine. The driver's file format,
// the server's tables, the statements of the database layer and every
// writer of items take their column lists, types and indexes from here, so
// a new column is one row of this table plus its uses.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace detalehran::schema {

// An item's columns in their fixed order: the order of SELECT * rows of
// Store and Temp, of the item list's columns and of the editor's values.
enum ItemColumn : int {
    kName = 0,
    kDescription = 1,
    kPlace = 2,
    kQuantity = 3,
    kPrice = 4,
    kPurchasePrice = 5,
    kSupplier = 6,
    kSectionPath = 7,
    kPackage = 8,
    kId = 9,
    kDatasheet = 10,
};
inline constexpr std::size_t kItemColumnCount = 11;

enum class Kind {
    text,     // any length, compared case-insensitively in every alphabet
    integer,  // a 32-bit whole number
    money,    // an exact amount in ten-thousandths (schema/money.h)
    id,       // the item's auto-numbered key
};

struct ColumnSpec {
    ItemColumn column;
    std::string_view name;
    Kind kind;
    // An index on a file store, where items are looked up or ordered by it.
    bool indexed;
    // A server finds items by a part of this text: a trigram index.
    bool searched_by_part;
};

inline constexpr std::array<ColumnSpec, kItemColumnCount> kItemColumns{{
    {kName, "Название", Kind::text, true, true},
    {kDescription, "Описание", Kind::text, false, false},
    {kPlace, "Расположение", Kind::text, true, true},
    {kQuantity, "Количество", Kind::integer, false, false},
    {kPrice, "Цена расходная", Kind::money, false, false},
    {kPurchasePrice, "Цена приходная", Kind::money, false, false},
    {kSupplier, "Поставщик", Kind::text, true, false},
    {kSectionPath, "Путь", Kind::text, true, true},
    {kPackage, "Тип корпуса", Kind::text, false, false},
    {kId, "ID", Kind::id, false, false},
    {kDatasheet, "Datasheet", Kind::text, false, false},
}};

constexpr const ColumnSpec& item_column(ItemColumn column) { return kItemColumns[static_cast<std::size_t>(column)]; }
constexpr std::string_view column_name(ItemColumn column) { return item_column(column).name; }

inline constexpr std::string_view kStoreTable = "Store";
inline constexpr std::string_view kParkedTable = "Temp";
inline constexpr std::string_view kPackageTable = "Package";
// Package's one column, named as the items' column it lists.
inline constexpr std::string_view kPackageColumn = "Тип корпуса";

// How identifiers are quoted: Jet's brackets, or SQL's double quotes
// (SQLite and PostgreSQL).
enum class Quote { brackets, double_quotes };

// The name quoted; a closing quote inside it is doubled ("]]", '""').
std::string quoted(Quote quote, std::string_view name);

// Whether a column list names the ID: a new item gets its ID from the
// database, a converted or returned one keeps its own.
enum class WithId { no, yes };
inline constexpr std::size_t insert_column_count(WithId id) { return id == WithId::yes ? 11 : 10; }

// The columns an insert names, in order, joined by `separator`.
std::string insert_column_list(Quote quote, WithId id, std::string_view separator = ",");
// "INSERT INTO table (columns) VALUES (?,?,…)" with one marker a column,
// in the dialect of the quote.
std::string insert_with_markers(Quote quote, std::string_view table, WithId id);

// The tables of a store file: Store with its indexes, Package and Temp,
// as SQLite statements.
std::string sqlite_schema();
// The index statements of a file store, each "CREATE INDEX IF NOT EXISTS",
// so that a store made before an index was declared gains it.
std::string sqlite_indexes();
std::vector<std::string> sqlite_index_names();

// The item columns of a table on a PostgreSQL server, with the declaration
// of its ID, for "CREATE TABLE name (…)".
std::string postgres_item_columns(std::string_view id_declaration);
// The server's statements that create Store and Package in the public
// schema, and its trigram indexes (they need the pg_trgm extension); the
// team's other tables are in schema/server_tables.h.
std::string postgres_store_table();
std::string postgres_package_table();
std::vector<std::string> postgres_part_indexes();

}  // namespace detalehran::schema
