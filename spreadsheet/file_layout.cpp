#include "spreadsheet/file_layout.h"

#include <QString>
#include <algorithm>

#include "spreadsheet/csv_reader.h"

namespace detalehran::spreadsheet {

namespace {

int known_headers(std::span<const std::string_view> cells, KnownHeader known_header) {
    int known = 0;
    for (const std::string_view cell : cells) {
        if (known_header(cell)) ++known;
    }
    return known;
}

bool is_number_field(Field field) {
    return field == Field::quantity || field == Field::price || field == Field::purchase_price;
}

// What a column's cells show of its commas and points.
struct Evidence {
    int unclear = 0, decimal_comma = 0, grouping_comma = 0, decimal_point = 0;
    std::string example;  // the first "1,250" cell
};

CommaReading decide(const Evidence& own, bool points_elsewhere, bool commas_elsewhere) {
    if (own.grouping_comma > 0 && own.decimal_comma == 0) return CommaReading::thousands;
    if (own.decimal_comma > 0 && own.grouping_comma == 0) return CommaReading::decimal;
    if (own.decimal_comma > 0 || own.grouping_comma > 0) return CommaReading::unclear;
    const bool points = own.decimal_point > 0 || points_elsewhere;
    if (points && !commas_elsewhere) return CommaReading::thousands;
    if (commas_elsewhere && !points) return CommaReading::decimal;
    return CommaReading::unclear;
}

}  // namespace

bool is_item_header(std::string_view cell) { return field_for_header(cell) != Field::none || numbers_rows(cell); }

bool is_blank(std::string_view cell) {
    return std::all_of(cell.begin(), cell.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

HeaderRecord find_header(std::string_view text, char separator, int wanted_line, KnownHeader known_header) {
    HeaderRecord found;
    int best = -1;
    (void)read_csv(text, separator, [&](int line, std::span<const std::string_view> cells) {
        if (std::all_of(cells.begin(), cells.end(), is_blank)) return true;
        const bool candidate = found.first_records.size() < kHeaderSearch;
        if (candidate) found.first_records.push_back({line, std::vector<std::string>(cells.begin(), cells.end())});
        if (wanted_line > 0) {
            if (found.line == 0 && line < wanted_line) {
                found.lines_above.push_back(line);
            } else if (found.line == 0) {
                found.line = line;
                found.cells.assign(cells.begin(), cells.end());
            }
            return found.line == 0 || found.first_records.size() < kHeaderSearch;
        }
        if (candidate) {
            const int known = known_headers(cells, known_header);
            if (known > best) {
                best = known;
                found.line = line;
                found.cells.assign(cells.begin(), cells.end());
            }
        }
        return found.first_records.size() < kHeaderSearch;
    });
    if (wanted_line == 0) {
        for (const FileRecord& record : found.first_records) {
            if (record.line < found.line) found.lines_above.push_back(record.line);
        }
    }
    if (wanted_line > 0) {
        if (found.line == 0) {
            found.problem = Problem{0, "В файле нет строки " + std::to_string(wanted_line) + " с текстом."};
        } else if (found.line != wanted_line) {
            found.problem = Problem{0, "Строка " + std::to_string(wanted_line) +
                                           " пуста или продолжает запись выше: выберите другую строку заголовка."};
        }
    }
    return found;
}

bool is_totals_record(std::span<const std::string_view> cells) {
    for (const std::string_view cell : cells) {
        if (is_blank(cell)) continue;
        // Most records start with no such letter: no text to convert then.
        const std::string_view start = cell.substr(cell.find_first_not_of(" \t"));
        const bool may_be = start.starts_with('T') || start.starts_with('t') || start.starts_with("\xD0\x98") ||
                            start.starts_with("\xD0\xB8") || start.starts_with("\xD0\x92") ||
                            start.starts_with("\xD0\xB2");
        if (!may_be) return false;
        const QString text = QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size())).trimmed();
        for (const char* word : {"итого", "всего", "total"}) {
            const QString w = QString::fromUtf8(word);
            if (text.size() >= w.size() && text.left(w.size()).compare(w, Qt::CaseInsensitive) == 0 &&
                (text.size() == w.size() || !text[w.size()].isLetterOrNumber())) {
                return true;
            }
        }
        return false;
    }
    return false;
}

CommaDecisions decide_commas(std::string_view text, char separator, int header_line,
                             const std::vector<std::string>& header, const std::vector<Field>& mapping) {
    CommaDecisions decisions;
    decisions.columns.assign(mapping.size(), CommaReading::decimal);
    std::vector<std::size_t> number_columns;
    for (std::size_t c = 0; c < mapping.size(); ++c) {
        if (is_number_field(mapping[c])) number_columns.push_back(c);
    }
    if (separator == ';' || number_columns.empty()) return decisions;

    std::vector<Evidence> evidence(mapping.size());
    (void)read_csv(text, separator, [&](int line, std::span<const std::string_view> cells) {
        if (line <= header_line) return true;
        for (const std::size_t c : number_columns) {
            if (c >= cells.size()) continue;
            Evidence& e = evidence[c];
            switch (number_form(cells[c])) {
                case NumberForm::unclear_comma:
                    if (e.unclear++ == 0) e.example = cells[c];
                    break;
                case NumberForm::decimal_comma:
                    ++e.decimal_comma;
                    break;
                case NumberForm::grouping_comma:
                    ++e.grouping_comma;
                    break;
                case NumberForm::decimal_point:
                    ++e.decimal_point;
                    break;
                case NumberForm::other:
                    break;
            }
        }
        return true;
    });
    for (const std::size_t c : number_columns) {
        const Evidence& own = evidence[c];
        if (own.unclear == 0) continue;
        bool points_elsewhere = false, commas_elsewhere = false;
        for (const std::size_t other : number_columns) {
            if (other == c) continue;
            points_elsewhere = points_elsewhere || evidence[other].decimal_point > 0;
            commas_elsewhere = commas_elsewhere || evidence[other].decimal_comma > 0;
        }
        const CommaReading reading = decide(own, points_elsewhere, commas_elsewhere);
        decisions.columns[c] = reading;
        const std::string column = "Столбец " + column_title(header, c) + ": ";
        const std::string example = quoted_cell(own.example);
        switch (reading) {
            case CommaReading::thousands:
                decisions.notes.push_back(column + "запятая в " + example + " прочитана как разделитель тысяч.");
                break;
            case CommaReading::decimal:
                decisions.notes.push_back(column + "запятая в " + example + " прочитана как десятичная.");
                break;
            case CommaReading::unclear:
                decisions.notes.push_back(column + "неясно, десятичная ли запятая в " + example +
                                          " или разделитель тысяч; такие ячейки отмечены как ошибки.");
                break;
        }
    }
    return decisions;
}

}  // namespace detalehran::spreadsheet
