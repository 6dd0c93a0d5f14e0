#pragma once
// The schema's names and the statements built from them. Every text value
// goes through sql_text; identifiers are always in square brackets.

#include <string>

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

// The value in single quotes, every single quote inside it doubled.
std::string sql_text(const std::string& value);

inline constexpr const char* kSelectAllItems = "SELECT * FROM [Store] ORDER BY [Название]";
inline constexpr const char* kSelectParked = "SELECT * FROM [Temp]";
inline constexpr const char* kEmptyParked = "DELETE * FROM [Temp]";
// Items parked by a cut that never got pasted go back before the scratch
// table is emptied; only what is back in [Store] leaves [Temp].
inline constexpr const char* kReturnParked =
    "INSERT INTO [Store] SELECT * FROM [Temp] WHERE [ID] NOT IN (SELECT [ID] FROM [Store])";
inline constexpr const char* kDropReturnedParked = "DELETE * FROM [Temp] WHERE [ID] IN (SELECT [ID] FROM [Store])";

}  // namespace detalehran::db

namespace detalehran::db {

// "SELECT * FROM [Store] WHERE [Название] LIKE '%text%' ORDER BY [Название]";
// "%" and "_" in the text keep their pattern meaning; "[" stands for
// itself (as "[[]").
std::string select_items_by_name(const std::string& text);
// "UPDATE [Store] SET [Количество] = q WHERE [ID] =id".
std::string set_item_quantity(const std::string& quantity, const std::string& id);

}  // namespace detalehran::db

// Section trees and moving items between sections.
namespace detalehran::db {

// The text matched literally by LIKE: "%", "_" and "[" each become a
// one-character list ("[%]", "[_]", "[[]").
std::string like_literal(const std::string& text);
// The items of a node are those whose path starts with the node's path; the
// column is kSectionPath or kPlace.
std::string select_items_under(StoreColumn column, const std::string& node_path);
// "SELECT [ID], [column] ..." of the same items.
std::string select_paths_under(StoreColumn column, const std::string& node_path);
std::string delete_items_under(StoreColumn column, const std::string& node_path);
std::string set_item_node_path(StoreColumn column, const std::string& path, const std::string& id);
std::string select_distinct_paths(StoreColumn column);

// A cut parks an item in [Temp] under its own ID; a paste stamps every parked
// item with the target path and brings back those whose ID is free.
std::string park_item(const std::string& id);
std::string delete_stored_item(const std::string& id);
std::string unpark_item(const std::string& id);
std::string stamp_parked(StoreColumn column, const std::string& path);

}  // namespace detalehran::db

// Item commands of the list.
namespace detalehran::db {

// "DELETE FROM [Store] WHERE [ID] =id", as the list's delete has always sent it.
std::string delete_item(const std::string& id);

}  // namespace detalehran::db

// The item editor: its lists, saving an item and the package types.
namespace detalehran::db {

inline constexpr const char* kSelectPackages = "SELECT * FROM [Package] ORDER BY [Тип корпуса]";
inline constexpr const char* kSelectSuppliers = "SELECT DISTINCT [Поставщик] FROM [Store]";
// The auto-number this connection inserted last: the new item's own ID, even
// while another program adds items to the same store.
inline constexpr const char* kSelectNewId = "SELECT @@IDENTITY";
inline constexpr const char* kSelectIdsDescending = "SELECT [ID] FROM [Store] ORDER BY [ID] DESC";

// The values of one item as the editor holds them; numbers are checked
// digits before they get here and go in bare.
struct ItemValues {
    std::string name, description, place, quantity, price, purchase_price, supplier, section_path, package, id,
        datasheet;
};

// Rewrites every column but the section path of the item with values.id.
std::string update_item(const ItemValues& values);
// A new item; its ID comes from the database.
std::string insert_item(const ItemValues& values);
std::string insert_package(const std::string& package);
std::string delete_package(const std::string& package);

}  // namespace detalehran::db
