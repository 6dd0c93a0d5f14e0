#include "bom/bom_columns.h"

#include <utility>

#include "spreadsheet/column_mapping.h"

namespace detalehran::bom {

namespace {

constexpr std::pair<const char*, BomColumn> kHeaders[] = {
    {"Reference", BomColumn::designators},
    {"References", BomColumn::designators},
    {"Ref", BomColumn::designators},
    {"Refs", BomColumn::designators},
    {"RefDes", BomColumn::designators},
    {"Designator", BomColumn::designators},
    {"Designators", BomColumn::designators},
    {"Обозначение", BomColumn::designators},
    {"Обозначения", BomColumn::designators},
    {"Поз. обозначение", BomColumn::designators},
    {"Позиционное обозначение", BomColumn::designators},
    {"Value", BomColumn::value},
    {"Val", BomColumn::value},
    {"Номинал", BomColumn::value},
    {"Значение", BomColumn::value},
    // Altium writes the value into its "Comment".
    {"Comment", BomColumn::value},
    {"Footprint", BomColumn::footprint},
    {"PCB Footprint", BomColumn::footprint},
    {"Package", BomColumn::footprint},
    {"Case", BomColumn::footprint},
    {"Корпус", BomColumn::footprint},
    {"Тип корпуса", BomColumn::footprint},
    {"Quantity", BomColumn::quantity},
    {"Qty", BomColumn::quantity},
    {"Qnty", BomColumn::quantity},
    {"Count", BomColumn::quantity},
    {"Кол-во", BomColumn::quantity},
    {"Кол.", BomColumn::quantity},
    {"Количество", BomColumn::quantity},
    {"Part Number", BomColumn::part_number},
    {"Part No", BomColumn::part_number},
    {"PartNumber", BomColumn::part_number},
    {"P/N", BomColumn::part_number},
    {"PN", BomColumn::part_number},
    {"MPN", BomColumn::part_number},
    {"Mfr Part Number", BomColumn::part_number},
    {"Mfr. Part Number", BomColumn::part_number},
    {"Manufacturer Part Number", BomColumn::part_number},
    {"Manufacturer_Part_Number", BomColumn::part_number},
    {"Артикул", BomColumn::part_number},
};

}  // namespace

BomColumn bom_column_for(std::string_view header) {
    for (const auto& [name, column] : kHeaders) {
        if (spreadsheet::header_names(header, name)) return column;
    }
    return BomColumn::none;
}

bool is_bom_header(std::string_view header) { return bom_column_for(header) != BomColumn::none; }

}  // namespace detalehran::bom
