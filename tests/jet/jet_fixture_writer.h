#pragma once
// Writes small Access (Jet 4) files for tests and benchmarks: the header
// page, the MSysObjects catalog, one table definition per table with its
// usage maps, data pages and long-value pages for memos. No Access engine
// runs here, so the converter is tested against files made this way and
// checked independently with the mdbtools programs.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace detalehran::jet::fixture {

// long_binary (OLE) columns are always NULL here; the catalog needs one.
enum class ColumnType { long_integer, currency, text, memo, long_binary };

struct Column {
    std::string name;
    ColumnType type = ColumnType::text;
    bool autonumber = false;
};

// A long integer, a currency amount in ten-thousandths, or a UTF-8 text.
// nullopt is NULL.
using Value = std::optional<std::variant<std::int64_t, std::string>>;
using Row = std::vector<Value>;

struct Table {
    std::string name;
    std::vector<Column> columns;
    std::vector<Row> rows;
    // Rows marked deleted, as Access leaves them until the file is compacted.
    std::vector<Row> deleted_rows = {};
    // Jet 4 compresses the UCS-2 text of columns marked for it wherever
    // that makes the value shorter; otherwise text is stored as UCS-2.
    bool compressed_text = true;
    // The table's own next auto-number; 0 means one past the highest ID.
    std::uint32_t next_autonumber = 0;
};

// The eleven item columns of Store and Temp, in the schema's order.
std::vector<Column> item_columns();
Table package_table(const std::vector<std::string>& packages);

// Builds the whole file in memory; false with a reason when a row does not
// fit a page or a value does not suit its column.
bool build_jet4_file(const std::vector<Table>& tables, std::string* bytes, std::string* error);
bool write_jet4_file(const std::string& path, const std::vector<Table>& tables, std::string* error);

// One bit changed, as a bad sector leaves a file, in a file built above with
// Store first. In the end-of-data offset of Store's first row: libmdb then
// gives the row's last text field (Datasheet, not NULL) a negative size.
std::string field_size_flipped(std::string bytes);
// In the first table definition naming the column (Store's): the file then
// lacks a column of that name there.
std::string column_name_flipped(std::string bytes, const std::string& column);

}  // namespace detalehran::jet::fixture
