#pragma once
// Which field of an item each column of a file fills, found by the column's
// header and changeable per column.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/problem.h"

namespace detalehran::spreadsheet {

enum class Field {
    none,  // "не загружать"
    name,
    package,
    description,
    quantity,
    price,
    purchase_price,
    supplier,
    section,
    place,
    datasheet,
};

inline constexpr Field kLoadedFields[] = {Field::name,  Field::package,        Field::description, Field::quantity,
                                          Field::price, Field::purchase_price, Field::supplier,    Field::section,
                                          Field::place, Field::datasheet};

// The field's name in the import dialog ("Название", …, "не загружать").
const char* field_caption(Field field);

// The field a header names: the list's own column names and the usual
// English ones, letter case and blanks ignored; Field::none for any other
// (and for "ID": items get their numbers from the store).
Field field_for_header(std::string_view header);

// One field per column of the header. A field named by several columns goes
// to the first of them only.
std::vector<Field> map_header(const std::vector<std::string>& header);

// Why a mapping cannot be used, or nullopt: no column is loaded, no column
// holds the names, or a field is given to two columns.
std::optional<Problem> mapping_refusal(const std::vector<Field>& mapping);

}  // namespace detalehran::spreadsheet
