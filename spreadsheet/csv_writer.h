#pragma once
// CSV as spreadsheet programs read it: UTF-8 with its byte order mark, ";"
// between cells, CR LF after each row, RFC 4180 quoting, texts guarded
// against running as formulas. Rows are written in one pass into one buffer.

#include <QStringEncoder>
#include <QStringView>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/statements.h"

namespace detalehran::spreadsheet {

class CsvWriter {
public:
    explicit CsvWriter(std::size_t expected_bytes = 0);

    // A text cell; quoted when it holds ";", a quote, a line break or blanks
    // at either end, and given an apostrophe when a spreadsheet would take it
    // for a formula.
    void text(std::string_view cell);
    void text(QStringView cell);
    // A number cell: written as it is (still quoted if it had to be).
    void number(std::string_view cell);
    void end_row();

    // UTF-8 of a text, valid until the next call.
    std::string_view utf8(QStringView text);
    const std::string& bytes() const { return out_; }
    std::string take() { return std::move(out_); }

private:
    void cell(std::string_view cell, bool guard);

    std::string out_;
    bool row_started_ = false;
    std::string scratch_;
    QStringEncoder encoder_{QStringEncoder::Utf8};
};

// The item list's columns (numbered as db::StoreColumn), in the order shown.
// The header row holds the list's captions.
void write_list_header(CsvWriter& writer, std::span<const int> columns);
// A cell of a list column: quantities and IDs bare, prices with a decimal
// point and a leading zero ("12.50", "0.1234"; the store's four decimals or
// the list's two), everything else as text.
void write_list_cell(CsvWriter& writer, int column, std::string_view text);
void write_list_cell(CsvWriter& writer, int column, QStringView text);

// An item's value in a list column.
const std::string& item_column_text(const db::ItemValues& item, int column);
// Items as the list with these columns would show them, header first.
std::string export_items(std::span<const int> columns, std::span<const db::ItemValues> items);

// All eleven columns in the store's order.
std::vector<int> all_list_columns();

}  // namespace detalehran::spreadsheet
