#include "bom/csv_bom.h"

#include <algorithm>
#include <map>
#include <optional>
#include <tuple>

#include "bom/bom_columns.h"
#include "bom/designators.h"
#include "spreadsheet/column_mapping.h"
#include "spreadsheet/csv_reader.h"
#include "spreadsheet/file_layout.h"
#include "spreadsheet/number_text.h"
#include "spreadsheet/text_decoding.h"

namespace detalehran::bom {

namespace {

struct Columns {
    std::optional<std::size_t> designators, value, footprint, quantity, part_number;
};

// The first column of each kind; a "Comment" gives way to a real "Value".
Columns map_columns(const std::vector<std::string>& header) {
    Columns columns;
    bool value_is_comment = false;
    for (std::size_t c = 0; c < header.size(); ++c) {
        const BomColumn column = bom_column_for(header[c]);
        auto take = [&](std::optional<std::size_t>& slot) {
            if (!slot) slot = c;
        };
        switch (column) {
            case BomColumn::designators:
                take(columns.designators);
                break;
            case BomColumn::value: {
                const bool comment = spreadsheet::header_names(header[c], "Comment");
                if (!columns.value || (value_is_comment && !comment)) {
                    columns.value = c;
                    value_is_comment = comment;
                }
                break;
            }
            case BomColumn::footprint:
                take(columns.footprint);
                break;
            case BomColumn::quantity:
                take(columns.quantity);
                break;
            case BomColumn::part_number:
                take(columns.part_number);
                break;
            case BomColumn::none:
                break;
        }
    }
    return columns;
}

std::string trimmed(std::string_view cell) {
    const std::size_t first = cell.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const std::size_t last = cell.find_last_not_of(" \t\r\n");
    return std::string(cell.substr(first, last - first + 1));
}

std::string_view cell_at(std::span<const std::string_view> cells, const std::optional<std::size_t>& column) {
    return column && *column < cells.size() ? cells[*column] : std::string_view{};
}

}  // namespace

BomReading read_csv_bom(std::string_view bytes, const std::string& shown) {
    BomReading reading;
    const spreadsheet::DecodedText decoded = spreadsheet::decode_spreadsheet_text(bytes);
    if (decoded.refusal) {
        reading.error = "Файл " + shown + " не прочитан: " + decoded.refusal->reason;
        return reading;
    }
    const std::string_view text = decoded.text;
    const char separator = spreadsheet::detect_separator(text);
    const spreadsheet::HeaderRecord header = spreadsheet::find_header(text, separator, 0, is_bom_header);
    if (header.line == 0) {
        reading.error = "В файле " + shown + " нет ни одной строки.";
        return reading;
    }
    const Columns columns = map_columns(header.cells);
    if (!columns.value) {
        reading.error = "В файле " + shown + " нет столбца номиналов (Value или Номинал): строка заголовка " +
                        std::to_string(header.line) + ".";
        return reading;
    }
    if (!columns.designators && !columns.quantity) {
        reading.error = "В файле " + shown +
                        " нет ни столбца количества (Quantity, Кол-во), ни столбца обозначений (Reference, "
                        "Обозначение): неизвестно, сколько деталей нужно.";
        return reading;
    }

    std::map<std::tuple<std::string, std::string, std::string>, std::size_t> by_key;
    std::string error;
    const std::optional<spreadsheet::Problem> broken =
        spreadsheet::read_csv(text, separator, [&](int line, std::span<const std::string_view> cells) {
            if (line <= header.line) return true;
            if (std::all_of(cells.begin(), cells.end(), spreadsheet::is_blank) || spreadsheet::is_totals_record(cells))
                return true;
            const std::string at = shown + ":" + std::to_string(line) + ": ";
            DesignatorList designators = read_designators(cell_at(cells, columns.designators));
            if (!designators.error.empty()) {
                error = at + designators.error + ".";
                return false;
            }
            long long count = static_cast<long long>(designators.designators.size());
            const std::string_view quantity_cell = cell_at(cells, columns.quantity);
            if (!spreadsheet::is_blank(quantity_cell)) {
                const spreadsheet::NumberText quantity = spreadsheet::quantity_from_cell(quantity_cell);
                if (!quantity.ok()) {
                    error = at + "количество " + quantity.error + ".";
                    return false;
                }
                count = std::stoll(quantity.text);
            }
            std::string value = trimmed(cell_at(cells, columns.value));
            std::string footprint = trimmed(cell_at(cells, columns.footprint));
            std::string part_number = trimmed(cell_at(cells, columns.part_number));
            // A line with nothing to build (a note, a "DNP" count of 0) is not a part.
            if (count == 0) return true;
            auto key = std::make_tuple(value, footprint, part_number);
            auto [found, added] = by_key.try_emplace(std::move(key), reading.bom.lines.size());
            if (added)
                reading.bom.lines.push_back({{}, std::move(value), std::move(footprint), std::move(part_number), 0});
            BomLine& bom_line = reading.bom.lines[found->second];
            bom_line.per_board += count;
            if (bom_line.per_board > spreadsheet::kMaxQuantity) {
                error = at + "слишком большое количество.";
                return false;
            }
            for (std::string& designator : designators.designators)
                bom_line.designators.push_back(std::move(designator));
            return true;
        });
    // A file refused part way is refused whole: no line read before the
    // fault may pass for the bill of materials.
    if (broken) {
        reading.error = "Файл " + shown + " не прочитан: " + broken->reason;
        reading.bom.lines.clear();
        return reading;
    }
    if (!error.empty()) {
        reading.error = error;
        reading.bom.lines.clear();
        return reading;
    }
    for (BomLine& line : reading.bom.lines) sort_designators(line.designators);
    if (reading.bom.lines.empty()) reading.error = "В файле " + shown + " нет ни одной строки с деталями.";
    return reading;
}

}  // namespace detalehran::bom
