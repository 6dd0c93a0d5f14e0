#pragma once
// The schema's names and the statements built from them, in the dialect of
// each database the program can be connected to (db/statement.h): Access's
// for Store.mdb, with identifiers in square brackets, and PostgreSQL's for a
// team server, with identifiers in double quotes. Every text value goes
// through sql_text.

#include <string>

#include "db/statement.h"

namespace detalehran::db {

// Column positions of SELECT * rows of [Store] and [Temp].
enum StoreColumn : int {
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

// The value in single quotes, every single quote inside it doubled. A
// backslash stands for itself in both dialects (PostgreSQL's standard
// strings, which the connection asks for).
std::string sql_text(const std::string& value);

inline const Statement kSelectAllItems{"SELECT * FROM [Store] ORDER BY [Название]",
                                       R"(SELECT * FROM "Store" ORDER BY "Название")"};
inline const Statement kSelectParked{"SELECT * FROM [Temp]", R"(SELECT * FROM "Temp")"};
inline const Statement kEmptyParked{"DELETE * FROM [Temp]", R"(DELETE FROM "Temp")"};
// Items parked by a cut that never got pasted go back before the scratch
// table is emptied; only what is back in [Store] leaves [Temp]. A server
// hands out IDs itself unless told that these are the items' own.
inline const Statement kReturnParked{
    "INSERT INTO [Store] SELECT * FROM [Temp] WHERE [ID] NOT IN (SELECT [ID] FROM [Store])",
    R"(INSERT INTO "Store" OVERRIDING SYSTEM VALUE SELECT * FROM "Temp" WHERE "ID" NOT IN (SELECT "ID" FROM "Store"))"};
inline const Statement kDropReturnedParked{"DELETE * FROM [Temp] WHERE [ID] IN (SELECT [ID] FROM [Store])",
                                           R"(DELETE FROM "Temp" WHERE "ID" IN (SELECT "ID" FROM "Store"))"};

// One stored item, to show it as it is now.
Statement select_item(const std::string& id);

}  // namespace detalehran::db

namespace detalehran::db {

// "SELECT * FROM [Store] WHERE [Название] LIKE '%text%' ORDER BY [Название]";
// "%" and "_" in the text keep their pattern meaning; "[" stands for
// itself (as "[[]"), and on a server so does "\".
Statement select_items_by_name(const std::string& text);
// "UPDATE [Store] SET [Количество] = q WHERE [ID] =id AND [Количество] = old":
// only while the stored quantity is still the one the list showed (old;
// empty for none), so that a change made meanwhile by someone else is not
// overwritten unseen.
Statement set_item_quantity(const std::string& quantity, const std::string& id, const std::string& old);

}  // namespace detalehran::db

// Section trees and moving items between sections.
namespace detalehran::db {

// The text matched literally by LIKE: "%", "_" and "[" each become a
// one-character list ("[%]", "[_]", "[[]").
std::string like_literal(const std::string& text);
// The items of a node are those whose path starts with the node's path; the
// column is kSectionPath or kPlace.
Statement select_items_under(StoreColumn column, const std::string& node_path);
// "SELECT [ID], [column] ..." of the same items.
Statement select_paths_under(StoreColumn column, const std::string& node_path);
Statement delete_items_under(StoreColumn column, const std::string& node_path);
Statement set_item_node_path(StoreColumn column, const std::string& path, const std::string& id);
Statement select_distinct_paths(StoreColumn column);

// A cut parks an item in [Temp] under its own ID; a paste stamps every parked
// item with the target path and brings back those whose ID is free.
Statement park_item(const std::string& id);
Statement delete_stored_item(const std::string& id);
Statement unpark_item(const std::string& id);
Statement stamp_parked(StoreColumn column, const std::string& path);

}  // namespace detalehran::db

// Item commands of the list.
namespace detalehran::db {

// "DELETE FROM [Store] WHERE [ID] =id", as the list's delete has always sent it.
Statement delete_item(const std::string& id);

}  // namespace detalehran::db

// The item editor: its lists, saving an item and the package types.
namespace detalehran::db {

inline const Statement kSelectPackages{"SELECT * FROM [Package] ORDER BY [Тип корпуса]",
                                       R"(SELECT * FROM "Package" ORDER BY "Тип корпуса")"};
inline const Statement kSelectSuppliers{"SELECT DISTINCT [Поставщик] FROM [Store]",
                                        R"(SELECT DISTINCT "Поставщик" FROM "Store")"};
// The auto-number this connection inserted last: the new item's own ID, even
// while another program adds items to the same store. A server returns it
// from the insert itself (insert_item).
inline constexpr const char* kSelectNewId = "SELECT @@IDENTITY";
inline const Statement kSelectIdsDescending{"SELECT [ID] FROM [Store] ORDER BY [ID] DESC",
                                            R"(SELECT "ID" FROM "Store" ORDER BY "ID" DESC)"};

// The values of one item as the editor holds them; numbers are checked
// digits before they get here and go in bare.
struct ItemValues {
    std::string name, description, place, quantity, price, purchase_price, supplier, section_path, package, id,
        datasheet;
};

// Rewrites every column but the section path of the item with values.id,
// only while the item still holds the old values it was shown with. Prices
// are compared as shown: to the cent, the further places cut off.
Statement update_item(const ItemValues& values, const ItemValues& old);
// A new item; its ID comes from the database. On a server the insert
// returns it as its one row.
Statement insert_item(const ItemValues& values);
Statement insert_package(const std::string& package);
Statement delete_package(const std::string& package);

}  // namespace detalehran::db

// Spreadsheet import and export, and the reorder list.
namespace detalehran::db {

// Every item, in the order they were added: what an export of the store writes.
inline const Statement kSelectItemsById{"SELECT * FROM [Store] ORDER BY [ID]",
                                        R"(SELECT * FROM "Store" ORDER BY "ID")"};
// What the duplicates choice of an import compares, and the quantity a
// merge adds to (set with set_item_quantity, while it is still that).
inline const Statement kSelectDuplicateKeys{
    "SELECT [ID], [Путь], [Название], [Тип корпуса], [Количество] FROM [Store]",
    R"(SELECT "ID", "Путь", "Название", "Тип корпуса", "Количество" FROM "Store")"};
inline const Statement kSelectReorderSources{
    "SELECT [Поставщик], [Название], [Тип корпуса], [Количество], [Цена приходная] FROM [Store]",
    R"(SELECT "Поставщик", "Название", "Тип корпуса", "Количество", "Цена приходная" FROM "Store")"};

// insert_item with a "?" marker for each value, in the columns' order of
// insert_item: name, description, place, quantity, price, purchase price,
// supplier, section path, package, datasheet. The quantity and the prices
// are numbers.
Statement insert_item_with_markers();
inline constexpr int kInsertMarkers = 10;
inline constexpr int kInsertNumberMarkers[] = {3, 4, 5};

}  // namespace detalehran::db
