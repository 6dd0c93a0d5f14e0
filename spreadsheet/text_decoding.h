#pragma once
// A spreadsheet's CSV file as text: UTF-8 with or without its byte order
// mark, UTF-16 (the "Unicode text" spreadsheets save, with its mark), or
// Windows-1251, as spreadsheet programs write them. A few bytes that are no
// text spoil only their own lines; files that are no text at all are refused.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/problem.h"

namespace detalehran::spreadsheet {

enum class Encoding { utf8, windows_1251, utf16le, utf16be };

// Every encoding, in the order the import dialog offers them.
inline constexpr Encoding kEncodings[] = {Encoding::utf8, Encoding::windows_1251, Encoding::utf16le, Encoding::utf16be};

// "UTF-8", "Windows-1251", "UTF-16 LE" or "UTF-16 BE", as the import dialog
// names them.
const char* encoding_name(Encoding encoding);

// The text refers to the decoded bytes where it is those bytes unchanged, so
// they must outlive it; otherwise it lives in the record itself.
struct DecodedText {
    std::string_view text;  // UTF-8 without the byte order mark
    Encoding encoding = Encoding::utf8;
    std::optional<Problem> refusal;  // set when the bytes are refused; text is then empty
    // Lines that held bytes that are no text (not valid in the encoding, or a
    // control character), the first such byte of each named; in the text
    // those bytes are U+FFFD. In line order, one per line.
    std::vector<Problem> line_problems;

    DecodedText() = default;
    DecodedText(DecodedText&& other) noexcept;
    DecodedText& operator=(DecodedText&& other) noexcept;

    std::string converted;  // the text when it is not the bytes as they are
};

// Decodes the file's bytes. Without a forced encoding: a byte order mark
// names the encoding; bytes that are UTF-8 but for fewer broken sequences
// than good ones are UTF-8; any others Windows-1251. Refused: an empty file,
// a NUL byte in an 8-bit file, bytes valid in no encoding, and a file marked
// or forced as UTF-8 that mostly is not.
DecodedText decode_spreadsheet_text(std::string_view bytes, std::optional<Encoding> forced = std::nullopt);

// 1-based number of the line that holds byte `offset`; CR, LF and CR LF each
// end a line.
int line_of_offset(std::string_view text, std::size_t offset);

}  // namespace detalehran::spreadsheet
