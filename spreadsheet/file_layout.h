#pragma once
// How a spreadsheet's file is laid out around its parts: which line is the
// header (a title often stands above it), whether a line is the totals line
// at the end, and how each number column writes "1,250".

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/column_mapping.h"
#include "spreadsheet/number_text.h"
#include "spreadsheet/problem.h"

namespace detalehran::spreadsheet {

// A record of the file: the line it starts on and its cells.
struct FileRecord {
    int line = 0;
    std::vector<std::string> cells;
};

struct HeaderRecord {
    int line = 0;  // 0 when the file has no record
    std::vector<std::string> cells;
    std::vector<int> lines_above;  // the records above it
    std::optional<Problem> problem;
    std::vector<FileRecord> first_records;  // the records a header is looked for among
};

// Records a header is looked for among: the file's first ten with text.
inline constexpr std::size_t kHeaderSearch = 10;

// Whether a cell is a header that a reader of the file knows.
using KnownHeader = bool (*)(std::string_view cell);
// An item's field or the rows' numbers: the headers of an import.
bool is_item_header(std::string_view cell);

// The header: the record that starts on `wanted_line`, or with 0 the first
// of the first records with the most known headers (the first record when
// none has any).
HeaderRecord find_header(std::string_view text, char separator, int wanted_line, KnownHeader known = is_item_header);

// Whether a record sums up the ones above it: its first cell with text
// starts with the word "Итого", "Всего" or "Total".
bool is_totals_record(std::span<const std::string_view> cells);

// Whether a cell holds nothing but blanks.
bool is_blank(std::string_view cell);

struct CommaDecisions {
    std::vector<CommaReading> columns;  // one per column
    std::vector<std::string> notes;     // for columns that hold "1,250" cells
};

// How each number column (quantity, prices) reads "1,250", decided from all
// of its cells below the header: thousands where its other commas group
// thousands, or where it has none and points stand for the decimal comma in
// this or the other number columns; decimal where its other commas (or the
// other columns') are decimal ones; unclear otherwise. A file separated by
// ";" writes the decimal comma of a Russian locale: always decimal there.
CommaDecisions decide_commas(std::string_view text, char separator, int header_line,
                             const std::vector<std::string>& header, const std::vector<Field>& mapping);

}  // namespace detalehran::spreadsheet
