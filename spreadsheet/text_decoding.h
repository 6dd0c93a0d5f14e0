#pragma once
// A spreadsheet's CSV file as text: UTF-8 with or without its byte order
// mark, otherwise Windows-1251, as spreadsheet programs write them. Files
// that are neither, or that hold bytes no text file holds, are refused.

#include <optional>
#include <string>
#include <string_view>

#include "spreadsheet/problem.h"

namespace detalehran::spreadsheet {

enum class Encoding { utf8, windows_1251 };

// "UTF-8" or "Windows-1251", as the import dialog names them.
const char* encoding_name(Encoding encoding);

struct DecodedText {
    std::string text;  // UTF-8 without the byte order mark
    Encoding encoding = Encoding::utf8;
    std::optional<Problem> refusal;  // set when the bytes are refused; text is then empty
};

// Decodes the file's bytes. Without a forced encoding, bytes that are valid
// UTF-8 (or start with its byte order mark) are UTF-8 and any others
// Windows-1251. Refused: an empty file, a NUL byte, bytes valid in neither
// encoding, and control characters other than tab, CR and LF.
DecodedText decode_spreadsheet_text(std::string_view bytes, std::optional<Encoding> forced = std::nullopt);

// 1-based number of the line that holds byte `offset`; CR, LF and CR LF each
// end a line.
int line_of_offset(std::string_view text, std::size_t offset);

}  // namespace detalehran::spreadsheet
