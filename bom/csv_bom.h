#pragma once
// A bill of materials exported by any EDA program as CSV: the spreadsheet
// import's reading of the text (encodings, separators, a title above the
// header, a totals line) with the columns of a bill of materials.

#include <string>
#include <string_view>

#include "bom/bom.h"

namespace detalehran::bom {

// Reads the file's bytes; `shown` names the file in messages. Lines of the
// same value, footprint and part number are one line.
BomReading read_csv_bom(std::string_view bytes, const std::string& shown);

}  // namespace detalehran::bom
