#pragma once
// Records of CSV text (RFC 4180: fields in double quotes may hold the
// separator, line breaks and doubled quotes; CR, LF and CR LF end a record),
// parsed by libcsv, each with the line of the file it starts on.

#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "spreadsheet/problem.h"

namespace detalehran::spreadsheet {

// Separators a spreadsheet program writes: ";" (a Russian locale), "," and tab.
inline constexpr char kSeparators[] = {';', ',', '\t'};

// No record of a spreadsheet's file comes near this; a longer one is refused
// before it is held in memory.
inline constexpr std::size_t kMaxRecordBytes = 1000 * 1000;

// One record: the 1-based line it starts on and its fields, unquoted. The
// views are valid only during the call. Returns false to stop reading.
using RecordVisitor = std::function<bool(int line, std::span<const std::string_view> fields)>;

// Reads every record of the text in order; blank lines are counted but not
// reported. Returns the problem that stopped the reading: a record of
// kMaxRecordBytes or more, or a quoted field still open at the end.
std::optional<Problem> read_csv(std::string_view text, char separator, const RecordVisitor& visit);

// The separator the text's first records agree on: of those that split the
// first record, the one that splits the most of the following records into
// as many fields, then the one giving the most fields; on a tie ";", tab,
// ",". ";" when none splits the first record.
char detect_separator(std::string_view text);

// "точка с запятой", "запятая" or "табуляция".
const char* separator_name(char separator);

}  // namespace detalehran::spreadsheet
