#include "spreadsheet/column_mapping.h"

#include <QString>
#include <algorithm>
#include <utility>

namespace detalehran::spreadsheet {

namespace {

// Headers as they compare: case-folded, every blank removed.
QString header_key(std::string_view header) {
    const QString text = QString::fromUtf8(header.data(), static_cast<qsizetype>(header.size())).toCaseFolded();
    QString key;
    key.reserve(text.size());
    for (const QChar c : text) {
        if (!c.isSpace()) key += c;
    }
    return key;
}

constexpr std::pair<const char*, Field> kHeaders[] = {
    {"Название", Field::name},
    {"Наименование", Field::name},
    {"Name", Field::name},
    {"Тип корпуса", Field::package},
    {"Корпус", Field::package},
    {"Package", Field::package},
    {"Footprint", Field::package},
    {"Описание", Field::description},
    {"Description", Field::description},
    {"Количество", Field::quantity},
    {"Quantity", Field::quantity},
    {"Qty", Field::quantity},
    {"Stock", Field::quantity},
    {"Цена", Field::price},
    {"Цена расходная", Field::price},
    {"Price", Field::price},
    {"Цена приходная", Field::purchase_price},
    {"Purchase price", Field::purchase_price},
    {"Cost", Field::purchase_price},
    {"Поставщик", Field::supplier},
    {"Supplier", Field::supplier},
    {"Vendor", Field::supplier},
    {"Раздел", Field::section},
    {"Путь", Field::section},
    {"Category", Field::section},
    {"Section", Field::section},
    {"Расположение", Field::place},
    {"Location", Field::place},
    {"Storage", Field::place},
    {"Документ", Field::datasheet},
    {"Datasheet", Field::datasheet},
};

}  // namespace

const char* field_caption(Field field) {
    switch (field) {
        case Field::none:
            return "не загружать";
        case Field::name:
            return "Название";
        case Field::package:
            return "Тип корпуса";
        case Field::description:
            return "Описание";
        case Field::quantity:
            return "Количество";
        case Field::price:
            return "Цена";
        case Field::purchase_price:
            return "Цена приходная";
        case Field::supplier:
            return "Поставщик";
        case Field::section:
            return "Раздел";
        case Field::place:
            return "Расположение";
        case Field::datasheet:
            return "Документ";
    }
    return "";
}

Field field_for_header(std::string_view header) {
    const QString key = header_key(header);
    for (const auto& [name, field] : kHeaders) {
        if (key == header_key(name)) return field;
    }
    return Field::none;
}

std::vector<Field> map_header(const std::vector<std::string>& header) {
    std::vector<Field> mapping;
    mapping.reserve(header.size());
    for (const std::string& cell : header) {
        const Field field = field_for_header(cell);
        const bool taken = field != Field::none && std::find(mapping.begin(), mapping.end(), field) != mapping.end();
        mapping.push_back(taken ? Field::none : field);
    }
    return mapping;
}

std::optional<Problem> mapping_refusal(const std::vector<Field>& mapping) {
    for (std::size_t i = 0; i < mapping.size(); ++i) {
        if (mapping[i] == Field::none) continue;
        for (std::size_t j = i + 1; j < mapping.size(); ++j) {
            if (mapping[j] == mapping[i]) {
                return Problem{0, std::string("Поле «") + field_caption(mapping[i]) + "» назначено двум столбцам: " +
                                      std::to_string(i + 1) + " и " + std::to_string(j + 1) + "."};
            }
        }
    }
    if (std::all_of(mapping.begin(), mapping.end(), [](Field f) { return f == Field::none; })) {
        return Problem{0,
                       "В первой строке файла нет ни одного известного названия столбца (Название, Количество, "
                       "Цена, … или Name, Quantity, Price, …)."};
    }
    if (std::find(mapping.begin(), mapping.end(), Field::name) == mapping.end()) {
        return Problem{0, "В файле нет столбца с названиями деталей (Название или Name)."};
    }
    return std::nullopt;
}

}  // namespace detalehran::spreadsheet
