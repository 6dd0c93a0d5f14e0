#pragma once
// CSV as spreadsheet programs read it: UTF-8 with its byte order mark, ";"
// between cells and the decimal comma as a Russian locale has them (or ","
// and the decimal point for others), CR LF after each row, RFC 4180
// quoting, texts guarded against running as formulas. Rows are written in
// one pass into one buffer, which a long export hands on in pieces.

#include <QStringEncoder>
#include <QStringView>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/statements.h"

namespace detalehran::spreadsheet {

// What separates cells, and the whole from the decimals of a number.
struct CsvStyle {
    char separator = ';';
    char decimal = ',';
    bool operator==(const CsvStyle&) const = default;
};
// What a spreadsheet in a Russian locale reads: "1,05" in cells apart by ";".
inline constexpr CsvStyle kCommaStyle{';', ','};
// What one in an English locale reads: "1.05" in cells apart by ",".
inline constexpr CsvStyle kPointStyle{',', '.'};

class CsvWriter {
public:
    explicit CsvWriter(CsvStyle style = kCommaStyle, std::size_t expected_bytes = 0);

    // A text cell; quoted when it holds ";", a quote, a line break or blanks
    // at either end, and given an apostrophe when a spreadsheet would take it
    // for a formula.
    void text(std::string_view cell);
    void text(QStringView cell);
    // A number cell: written as it is (still quoted if it had to be).
    void number(std::string_view cell);
    // An amount written with a decimal point ("12.50"), with the style's
    // decimal separator in its place.
    void amount(std::string_view point_text);
    void end_row();

    // UTF-8 of a text, valid until the next call.
    std::string_view utf8(QStringView text);
    const CsvStyle& style() const { return style_; }
    const std::string& bytes() const { return out_; }
    std::string take() { return std::move(out_); }
    // The bytes written since the last call; the writer goes on empty.
    std::string_view drain() {
        drained_.swap(out_);
        out_.clear();
        return drained_;
    }

private:
    void cell(std::string_view cell, bool guard);
    bool needs_quotes(std::string_view cell) const;

    CsvStyle style_;
    std::string out_;
    std::string drained_;
    bool row_started_ = false;
    std::string scratch_;
    QStringEncoder encoder_{QStringEncoder::Utf8};
};

// The item list's columns (numbered as db::StoreColumn), in the order shown.
// The header row holds the list's captions.
void write_list_header(CsvWriter& writer, std::span<const int> columns);
// A cell of a list column: quantities and IDs bare, prices with the
// style's decimal separator and a leading zero ("12,50", "0,1234"; the
// store's four decimals or the list's two), everything else as text.
void write_list_cell(CsvWriter& writer, int column, std::string_view text);
void write_list_cell(CsvWriter& writer, int column, QStringView text);

// An item's value in a list column.
const std::string& item_column_text(const db::ItemValues& item, int column);
// Items as the list with these columns would show them, header first.
std::string export_items(std::span<const int> columns, std::span<const db::ItemValues> items,
                         CsvStyle style = kCommaStyle);

// All eleven columns in the store's order.
std::vector<int> all_list_columns();

}  // namespace detalehran::spreadsheet
