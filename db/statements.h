#pragma once
// The statements of the program, built from the store's one description
// (schema/store_columns.h) in the dialect of each database the program can
// be connected to (db/statement.h): Access's for Store.mdb, with identifiers
// in square brackets, and PostgreSQL's for a team server, with identifiers in
// double quotes. Every value a statement carries is bound to a "?" marker;
// only a LIKE pattern is escaped, by like_escaped.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "db/statement.h"
#include "schema/store_columns.h"

namespace detalehran::db {

// Column positions of SELECT * rows of [Store] and [Temp].
using StoreColumn = schema::ItemColumn;
using enum schema::ItemColumn;

// How a text stands in a LIKE pattern of the dialect: with its "%" and "_"
// as wildcards (a search the user types), or matched as it is (a node path).
enum class Wildcards { keep, literal };
// The text with what the dialect's LIKE would misread escaped: on a file "["
// (and, for a literal text, "%" and "_") as a one-character list ("[[]");
// on a server "\" (and "%" and "_") behind a backslash.
std::string like_escaped(Dialect dialect, const std::string& text, Wildcards wildcards);

// The values of one item as the list and the editor hold them, by column.
struct ItemValues {
    std::string name, description, place, quantity, price, purchase_price, supplier, section_path, package, id,
        datasheet;
    const std::string& operator[](StoreColumn column) const;
    std::string& operator[](StoreColumn column);
};

extern const Statement kSelectAllItems;
extern const Statement kSelectParked;
extern const Statement kEmptyParked;
// Items parked by a cut that never got pasted go back before the scratch
// table is emptied; only what is back in [Store] leaves [Temp]. A server
// hands out IDs itself unless told that these are the items' own.
extern const Statement kReturnParked;
extern const Statement kDropReturnedParked;

// One stored item, to show it as it is now.
Statement select_item(const std::string& id);

// "SELECT * FROM [Store] WHERE [Название] LIKE ? ORDER BY [Название]" with
// "%text%": "%" and "_" in the text keep their pattern meaning.
Statement select_items_by_name(const std::string& text);
// A run of characters a name may hold: each place lists the characters
// allowed there (UTF-8), or is empty for any one character. Letter case
// counts.
using NamePattern = std::vector<std::string>;
// The items of select_items_by_name and, besides them, those whose name
// holds for every group one of its patterns (a cheap test that the program
// follows with its own); no groups: every item. A last column tells them
// apart, 1 for the search by name and 0 for the others. Ordered by name.
Statement select_items_by_name_or_patterns(const std::string& text,
                                           const std::vector<std::vector<NamePattern>>& groups);
// "UPDATE [Store] SET [Количество] = ? WHERE [ID] =? AND [Количество] = ?":
// only while the stored quantity is still the one the list showed (old;
// empty for none), so that a change made meanwhile by someone else is not
// overwritten unseen.
Statement set_item_quantity(const std::string& quantity, const std::string& id, const std::string& old);

}  // namespace detalehran::db

// Section trees and moving items between sections.
namespace detalehran::db {

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

// "DELETE FROM [Store] WHERE [ID] =?", as the list's delete has always sent it.
Statement delete_item(const std::string& id);

}  // namespace detalehran::db

// The item editor: its lists, saving an item and the package types.
namespace detalehran::db {

extern const Statement kSelectPackages;
extern const Statement kSelectSuppliers;
// The auto-number this connection inserted last: the new item's own ID, even
// while another program adds items to the same store. A server returns it
// from the insert itself (insert_item).
inline constexpr const char* kSelectNewId = "SELECT @@IDENTITY";
extern const Statement kSelectIdsDescending;

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
extern const Statement kSelectItemsById;
// What the duplicates choice of an import compares, and the quantity a
// merge adds to (set with set_item_quantity, while it is still that).
extern const Statement kSelectDuplicateKeys;
extern const Statement kSelectReorderSources;
// What a bill of materials is matched against: ID, name, package, quantity,
// place, purchase price and supplier of every item.
extern const Statement kSelectBomSources;

// insert_item with a "?" marker for each value, to be prepared once and run
// for many items with insert_marker_values.
Statement insert_item_with_markers();
// The type of each marker of insert_item_with_markers, in order.
std::vector<Value::Type> insert_marker_types();
// An item's values for those markers, in the same order.
inline constexpr std::size_t kInsertMarkers = schema::insert_column_count(schema::WithId::no);
std::array<std::string_view, kInsertMarkers> insert_marker_values(const ItemValues& item);

}  // namespace detalehran::db
