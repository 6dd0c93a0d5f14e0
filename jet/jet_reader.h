#pragma once
// Reading the tables Store, Package and Temp of an Access (Jet 3 or Jet 4)
// Store.mdb through libmdb into plain records. Columns are found by name in
// any order; texts arrive as UTF-8, money as exact ten-thousandths, and NULL
// stays apart from an empty text.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace detalehran::jet {

using Text = std::optional<std::string>;

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
    // "Store.Поставщик" for every optional column the file lacks.
    std::vector<std::string> missing_columns;
};

// True when the file at path starts as an Access (Jet 3 or Jet 4) database.
bool is_jet_file(const std::string& path);

// Reads the three tables whole. Returns false with a one-line reason when
// the file is not a Jet file, lacks a table or a required column, has a
// column of a type that cannot be read exactly, or is cut short or damaged
// (rows or long texts missing).
bool read_jet_store(const std::string& path, JetStore* store, std::string* error);

}  // namespace detalehran::jet
