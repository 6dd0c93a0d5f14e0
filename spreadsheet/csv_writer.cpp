#include "spreadsheet/csv_writer.h"

#include <algorithm>

#include "spreadsheet/formula_guard.h"
#include "spreadsheet/number_text.h"
#include "state/column_table.h"

namespace detalehran::spreadsheet {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool is_integer(std::string_view text) {
    if (text.starts_with('-')) text.remove_prefix(1);
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

CsvWriter::CsvWriter(CsvStyle style, std::size_t expected_bytes) : style_(style) {
    out_.reserve(expected_bytes + kByteOrderMark.size());
    out_ += kByteOrderMark;
}

bool CsvWriter::needs_quotes(std::string_view cell) const {
    if (cell.empty()) return false;
    if (cell.front() == ' ' || cell.front() == '\t' || cell.back() == ' ' || cell.back() == '\t') return true;
    const char separator = style_.separator;
    return std::any_of(cell.begin(), cell.end(),
                       [separator](char c) { return c == separator || c == '"' || c == '\r' || c == '\n'; });
}

void CsvWriter::cell(std::string_view cell, bool guard) {
    if (row_started_) out_ += style_.separator;
    row_started_ = true;
    const bool apostrophe = guard && needs_formula_guard(cell);
    if (!apostrophe && !needs_quotes(cell)) {
        out_ += cell;
        return;
    }
    // With the apostrophe a leading blank is no longer at the edge, but a
    // leading tab or CR still needs the quotes it would have had.
    const bool quoted = needs_quotes(cell);
    if (quoted) out_ += '"';
    if (apostrophe) out_ += '\'';
    for (std::size_t start = 0;;) {
        const std::size_t quote = cell.find('"', start);
        if (quote == std::string_view::npos) {
            out_ += cell.substr(start);
            break;
        }
        out_ += cell.substr(start, quote + 1 - start);
        out_ += '"';
        start = quote + 1;
    }
    if (quoted) out_ += '"';
}

void CsvWriter::text(std::string_view cell) { this->cell(cell, true); }

void CsvWriter::text(QStringView cell) { this->cell(utf8(cell), true); }

void CsvWriter::number(std::string_view cell) { this->cell(cell, false); }

void CsvWriter::amount(std::string_view point_text) {
    const std::size_t point = point_text.find('.');
    if (point == std::string_view::npos || style_.decimal == '.') return number(point_text);
    std::string text(point_text);
    text[point] = style_.decimal;
    number(text);
}

void CsvWriter::end_row() {
    out_ += "\r\n";
    row_started_ = false;
}

std::string_view CsvWriter::utf8(QStringView text) {
    scratch_.resize(static_cast<std::size_t>(encoder_.requiredSpace(text.size())));
    char* end = encoder_.appendToBuffer(scratch_.data(), text);
    return std::string_view(scratch_.data(), static_cast<std::size_t>(end - scratch_.data()));
}

void write_list_header(CsvWriter& writer, std::span<const int> columns) {
    for (const int column : columns) writer.text(kColumnCaptions[column]);
    writer.end_row();
}

void write_list_cell(CsvWriter& writer, int column, std::string_view text) {
    switch (column) {
        case db::kQuantity:
        case db::kId:
            if (is_integer(text)) return writer.number(text);
            break;
        case db::kPrice:
        case db::kPurchasePrice:
            if (text.empty()) return writer.number(text);
            if (const std::optional<std::int64_t> units = money_units(text)) {
                return writer.number(spreadsheet_money_text(*units, writer.style().decimal));
            }
            break;
        default:
            break;
    }
    writer.text(text);
}

void write_list_cell(CsvWriter& writer, int column, QStringView text) {
    write_list_cell(writer, column, writer.utf8(text));
}

const std::string& item_column_text(const db::ItemValues& item, int column) {
    return item[static_cast<db::StoreColumn>(column)];
}

std::string export_items(std::span<const int> columns, std::span<const db::ItemValues> items, CsvStyle style) {
    CsvWriter writer(style, items.size() * columns.size() * 16);
    write_list_header(writer, columns);
    for (const db::ItemValues& item : items) {
        for (const int column : columns) write_list_cell(writer, column, item_column_text(item, column));
        writer.end_row();
    }
    return writer.take();
}

std::vector<int> all_list_columns() {
    std::vector<int> columns(kListColumns);
    for (int c = 0; c < kListColumns; ++c) columns[static_cast<std::size_t>(c)] = c;
    return columns;
}

}  // namespace detalehran::spreadsheet
