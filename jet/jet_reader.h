#pragma once
// Reading the tables Store, Package and Temp of an Access (Jet 3 or Jet 4)
// Store.mdb through libmdb into plain records. Columns are found by name in
// any order; texts arrive as UTF-8, money as exact ten-thousandths, and NULL
// stays apart from an empty text. Nothing libmdb prints reaches the terminal,
// and no exception leaves the reader: a damaged file is a refusal.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace detalehran::jet {

using Text = std::optional<std::string>;

// A column of Store, Temp or Package that the file lacks, or holds in a form
// that cannot be read; its values are read as NULL. One entry per column
// name, listing every table that lacks it.
struct MissingColumn {
    std::string column;               // as the program names it: "Цена расходная"
    std::vector<std::string> tables;  // "Store", "Temp", "Package"
    std::string unreadable;           // empty when absent; otherwise why it cannot be read

    bool operator==(const MissingColumn&) const = default;
};

// One row of Store or Temp; nullopt is NULL (or a column the file lacks).
struct JetItem {
    Text name;
    Text description;
    Text place;
    std::optional<std::int32_t> quantity;
    std::optional<std::int64_t> selling_price;   // ten-thousandths: 12.5 is 125000
    std::optional<std::int64_t> purchase_price;  // ten-thousandths
    Text supplier;
    Text section_path;
    Text package;
    std::optional<std::int32_t> id;
    Text datasheet;
};

struct JetStore {
    int jet_version = 0;          // 3 or 4
    std::vector<JetItem> items;   // Store
    std::vector<Text> packages;   // Package
    std::vector<JetItem> parked;  // Temp: items cut and not yet pasted
    // The file's own next auto-number for Store.ID; 0 when it keeps none.
    std::int64_t next_autonumber = 0;
    // Columns read as NULL because the file lacks them: the caller decides
    // whether to go on without them.
    std::vector<MissingColumn> missing_columns;
};

// True when the file at path starts as an Access (Jet 3 or Jet 4) database.
bool is_jet_file(const std::string& path);

// Reads the three tables whole. Returns false with a one-line reason in
// Russian naming the file when it is not a Jet file, lacks a table or the
// column ID, or is cut short or damaged (rows, fields or long texts that do
// not fit; the table, row and column named). *details, when given, receives
// what libmdb printed while reading, if anything.
bool read_jet_store(const std::string& path, JetStore* store, std::string* error, std::string* details = nullptr);

}  // namespace detalehran::jet
