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
    // "в описание": the column's header and value appended to the
    // description ("Производитель: X"); any number of columns may do so.
    note,
};

// The fields one column each fills.
inline constexpr Field kLoadedFields[] = {Field::name,  Field::package,        Field::description, Field::quantity,
                                          Field::price, Field::purchase_price, Field::supplier,    Field::section,
                                          Field::place, Field::datasheet};

// The field's name in the import dialog and the tool ("Название", …,
// "в описание", "не загружать").
const char* field_caption(Field field);

// The field a header names, as people write them in both languages: the
// list's own column names and the usual others ("Кол-во", "Место хранения",
// "Unit Price"), letter case, "ё" and "е", blanks and punctuation ignored,
// and units after a comma or in brackets ("Цена, руб.", "Кол-во (шт.)").
// Headers known but without a field of their own ("Производитель",
// "Артикул", "Part Number", "Примечание") give Field::note; any other
// Field::none.
Field field_for_header(std::string_view header);

// Whether a header is this name as headers compare: letter case, "ё" and
// "е", blanks and punctuation ignored, and units after a comma or in
// brackets. For files whose columns are not an item's (a bill of materials).
bool header_names(std::string_view header, std::string_view name);

// Whether a header names the rows' numbers ("ID", "№", "№ п/п"), which the
// store gives items itself: such a column is left out on purpose.
bool numbers_rows(std::string_view header);

// One field per column of the header. A field named by a second column goes
// to the first of them only; a second description is a note.
std::vector<Field> map_header(const std::vector<std::string>& header);

// Why a mapping cannot be used, or nullopt: no column is loaded, no column
// holds the names, or a field is given to two columns.
std::optional<Problem> mapping_refusal(const std::vector<Field>& mapping);

// A column named by the user, by its header or its number from 1, with the
// field it fills (Field::none: left out).
struct ColumnChoice {
    std::string column;
    Field field = Field::none;
};

// The field a user names: a field's caption, or a header that names one
// ("Qty", "Место"); nullopt for any other text.
std::optional<Field> field_named(std::string_view text);

// Puts the choices into the mapping and marks their columns in `chosen`
// (sized as the header). A problem names a column the header lacks, or a
// header that more than one column has.
std::optional<Problem> apply_column_choices(const std::vector<std::string>& header,
                                            const std::vector<ColumnChoice>& choices, std::vector<Field>& mapping,
                                            std::vector<bool>& chosen);

// A column as messages name it: «Кол-во», or "столбец 5" when its header
// is blank.
std::string column_title(const std::vector<std::string>& header, std::size_t column);

}  // namespace detalehran::spreadsheet
