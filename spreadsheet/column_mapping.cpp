#include "spreadsheet/column_mapping.h"

#include <QHash>
#include <QString>
#include <algorithm>
#include <charconv>
#include <utility>

namespace detalehran::spreadsheet {

namespace {

QString qt(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A header as it compares: case-folded, "ё" as "е", letters and digits only.
QString header_key(const QString& header) {
    const QString text = header.toCaseFolded();
    QString key;
    key.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'ё') {
            key += u'е';
        } else if (c.isLetterOrNumber()) {
            key += c;
        }
    }
    return key;
}

constexpr std::pair<const char*, Field> kHeaders[] = {
    {"Название", Field::name},
    {"Наименование", Field::name},
    {"Имя", Field::name},
    {"Компонент", Field::name},
    {"Name", Field::name},
    {"Part name", Field::name},
    {"Component", Field::name},
    {"Тип корпуса", Field::package},
    {"Корпус", Field::package},
    {"Package", Field::package},
    {"Footprint", Field::package},
    {"Case", Field::package},
    {"Описание", Field::description},
    {"Description", Field::description},
    {"Количество", Field::quantity},
    {"Кол-во", Field::quantity},
    {"Кол.", Field::quantity},
    {"Шт.", Field::quantity},
    {"Штук", Field::quantity},
    {"Остаток", Field::quantity},
    {"Quantity", Field::quantity},
    {"Qty", Field::quantity},
    {"Stock", Field::quantity},
    {"In stock", Field::quantity},
    {"On hand", Field::quantity},
    {"Count", Field::quantity},
    {"Цена", Field::price},
    {"Цена расходная", Field::price},
    {"Цена продажи", Field::price},
    {"Цена за шт.", Field::price},
    {"Цена за единицу", Field::price},
    {"Price", Field::price},
    {"Unit price", Field::price},
    {"Sale price", Field::price},
    {"Цена приходная", Field::purchase_price},
    {"Цена закупки", Field::purchase_price},
    {"Закупочная цена", Field::purchase_price},
    {"Purchase price", Field::purchase_price},
    {"Cost", Field::purchase_price},
    {"Unit cost", Field::purchase_price},
    {"Поставщик", Field::supplier},
    {"Supplier", Field::supplier},
    {"Vendor", Field::supplier},
    {"Distributor", Field::supplier},
    {"Раздел", Field::section},
    {"Путь", Field::section},
    {"Категория", Field::section},
    {"Группа", Field::section},
    {"Category", Field::section},
    {"Section", Field::section},
    {"Group", Field::section},
    {"Расположение", Field::place},
    {"Место", Field::place},
    {"Место хранения", Field::place},
    {"Ячейка", Field::place},
    {"Location", Field::place},
    {"Storage", Field::place},
    {"Storage location", Field::place},
    {"Bin", Field::place},
    {"Place", Field::place},
    {"Документ", Field::datasheet},
    {"Datasheet", Field::datasheet},
    // Known, but with no field of their own: kept in the description.
    {"Производитель", Field::note},
    {"Артикул", Field::note},
    {"Примечание", Field::note},
    {"Комментарий", Field::note},
    {"Заметка", Field::note},
    {"Manufacturer", Field::note},
    {"Mfr", Field::note},
    {"Part Number", Field::note},
    {"P/N", Field::note},
    {"Manufacturer Part Number", Field::note},
    {"Mfr Part Number", Field::note},
    {"MPN", Field::note},
    {"Customer Reference", Field::note},
    {"Note", Field::note},
    {"Notes", Field::note},
    {"Comment", Field::note},
};

const QHash<QString, Field>& header_fields() {
    static const QHash<QString, Field> fields = [] {
        QHash<QString, Field> by_key;
        for (const auto& [name, field] : kHeaders) by_key.insert(header_key(QString::fromUtf8(name)), field);
        return by_key;
    }();
    return fields;
}

// The header without what follows its name: units after a comma or in
// brackets ("Цена, руб.", "Кол-во (шт.)").
QString without_units(const QString& header) {
    for (qsizetype i = 0; i < header.size(); ++i) {
        if (header[i] == u',' || header[i] == u'(' || header[i] == u'[') return header.left(i);
    }
    return header;
}

std::optional<std::size_t> column_number(std::string_view text, std::size_t columns) {
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number == 0 || number > columns) {
        return std::nullopt;
    }
    return number - 1;
}

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
        case Field::note:
            return "в описание";
    }
    return "";
}

Field field_for_header(std::string_view header) {
    const QString text = qt(header);
    const QHash<QString, Field>& fields = header_fields();
    if (const auto found = fields.find(header_key(text)); found != fields.end()) return found.value();
    if (const auto found = fields.find(header_key(without_units(text))); found != fields.end()) return found.value();
    return Field::none;
}

bool header_names(std::string_view header, std::string_view name) {
    const QString key = header_key(qt(name));
    if (key.isEmpty()) return false;
    const QString text = qt(header);
    return header_key(text) == key || header_key(without_units(text)) == key;
}

bool numbers_rows(std::string_view header) {
    const QString text = qt(header).trimmed();
    if (text.startsWith(u'№') || text.startsWith(u'#')) return true;
    const QString key = header_key(text);
    return key == u"id" || key == u"n" || key == u"no" || key == u"nr" || key == u"пп";
}

std::vector<Field> map_header(const std::vector<std::string>& header) {
    std::vector<Field> mapping;
    mapping.reserve(header.size());
    for (const std::string& cell : header) {
        Field field = field_for_header(cell);
        const bool taken = field != Field::note && field != Field::none &&
                           std::find(mapping.begin(), mapping.end(), field) != mapping.end();
        // A second description is kept with the first; a second of any
        // other field waits for the user's word.
        if (taken) field = field == Field::description ? Field::note : Field::none;
        mapping.push_back(field);
    }
    return mapping;
}

std::optional<Problem> mapping_refusal(const std::vector<Field>& mapping) {
    for (std::size_t i = 0; i < mapping.size(); ++i) {
        if (mapping[i] == Field::none || mapping[i] == Field::note) continue;
        for (std::size_t j = i + 1; j < mapping.size(); ++j) {
            if (mapping[j] == mapping[i]) {
                return Problem{0, std::string("Поле «") + field_caption(mapping[i]) + "» назначено двум столбцам: " +
                                      std::to_string(i + 1) + " и " + std::to_string(j + 1) + "."};
            }
        }
    }
    if (std::all_of(mapping.begin(), mapping.end(), [](Field f) { return f == Field::none; })) {
        return Problem{0,
                       "В строке заголовка нет ни одного известного названия столбца (Название, Количество, "
                       "Цена, … или Name, Quantity, Price, …)."};
    }
    if (std::find(mapping.begin(), mapping.end(), Field::name) == mapping.end()) {
        return Problem{0, "В файле нет столбца с названиями деталей (Название или Name)."};
    }
    return std::nullopt;
}

std::optional<Field> field_named(std::string_view text) {
    const QString key = header_key(qt(text));
    if (key.isEmpty()) return std::nullopt;
    for (const Field field : {Field::none, Field::note}) {
        if (key == header_key(QString::fromUtf8(field_caption(field)))) return field;
    }
    for (const Field field : kLoadedFields) {
        if (key == header_key(QString::fromUtf8(field_caption(field)))) return field;
    }
    const Field field = field_for_header(text);
    if (field != Field::none) return field;
    return std::nullopt;
}

std::optional<Problem> apply_column_choices(const std::vector<std::string>& header,
                                            const std::vector<ColumnChoice>& choices, std::vector<Field>& mapping,
                                            std::vector<bool>& chosen) {
    chosen.assign(header.size(), false);
    for (const ColumnChoice& choice : choices) {
        const QString wanted = qt(choice.column).trimmed();
        std::vector<std::size_t> found;
        // The header as written first, then as headers compare.
        for (std::size_t c = 0; c < header.size(); ++c) {
            if (qt(header[c]).trimmed() == wanted) found.push_back(c);
        }
        if (found.empty() && !header_key(wanted).isEmpty()) {
            for (std::size_t c = 0; c < header.size(); ++c) {
                if (header_key(qt(header[c])) == header_key(wanted)) found.push_back(c);
            }
        }
        if (found.empty()) {
            if (const auto number = column_number(choice.column, header.size())) found.push_back(*number);
        }
        if (found.empty()) return Problem{0, "В строке заголовка нет столбца «" + choice.column + "»."};
        if (found.size() > 1) {
            return Problem{0, "Столбцов «" + choice.column + "» в файле несколько (" + std::to_string(found[0] + 1) +
                                  " и " + std::to_string(found[1] + 1) + "): назовите столбец его номером."};
        }
        mapping[found[0]] = choice.field;
        chosen[found[0]] = true;
    }
    return std::nullopt;
}

std::string column_title(const std::vector<std::string>& header, std::size_t column) {
    if (column < header.size() && !qt(header[column]).trimmed().isEmpty()) return "«" + header[column] + "»";
    return "столбец " + std::to_string(column + 1);
}

}  // namespace detalehran::spreadsheet
