#pragma once
// The columns of a bill of materials by their headers, as EDA programs and
// people name them in both languages; the same names find a part number
// among a schematic symbol's fields.

#include <string_view>

namespace detalehran::bom {

enum class BomColumn { none, designators, value, footprint, quantity, part_number };

// The column a header names; headers compare as the spreadsheet import
// compares them (letter case, "ё", punctuation and units ignored).
BomColumn bom_column_for(std::string_view header);

// Whether a header names any column of a bill of materials.
bool is_bom_header(std::string_view header);

}  // namespace detalehran::bom
