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
