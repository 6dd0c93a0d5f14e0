#pragma once
// Text handed to and from clients: UTF-8 through the narrow entry points,
// UTF-16 through the wide ("W") ones, each length counted as ODBC counts it
// for that argument: in bytes or in characters.

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>

namespace detalehran::odbc {

class Diagnostics;

enum class TextUnit {
    narrow,      // UTF-8, sizes in bytes
    wide_chars,  // UTF-16, sizes in characters (UTF-16 units)
    wide_bytes,  // UTF-16, sizes in bytes
};

// A client's buffer for a text result; its capacity counts the unit.
struct TextOut {
    void* buffer = nullptr;
    SQLLEN capacity = 0;
    TextUnit unit = TextUnit::narrow;
};

// Copies text into out, cut to fit where a character ends, with a
// terminating NUL; *length gets the whole text's length in out's unit.
// Returns SQL_SUCCESS_WITH_INFO, with 01004 added to diag when given, if
// the text had to be cut.
SQLRETURN put_text(std::string_view utf8, const TextOut& out, SQLLEN* length, Diagnostics* diag);
SQLRETURN put_text(std::string_view utf8, const TextOut& out, SQLINTEGER* length, Diagnostics* diag);
SQLRETURN put_text(std::string_view utf8, const TextOut& out, SQLSMALLINT* length, Diagnostics* diag);

// UTF-16 of UTF-8 text; a byte that is no UTF-8 becomes U+FFFD.
std::u16string utf16_of(std::string_view utf8);
// The same into out, which is resized to fit and keeps its capacity for
// the next text.
void put_utf16(std::string_view utf8, std::u16string& out);
// The same written unit by unit, in the machine's byte order, to memory
// that need not be aligned and has room for utf8.size() units (no text has
// more UTF-16 units than UTF-8 bytes). Returns the units written.
std::size_t write_utf16(std::string_view utf8, void* out);
// UTF-8 of UTF-16 text; a lone surrogate becomes U+FFFD.
std::string utf8_of(std::u16string_view utf16);
// The same into out, which is resized to fit and keeps its capacity.
void put_utf8(std::u16string_view utf16, std::string& out);

// Text of a wide string argument given with a length in characters or
// SQL_NTS, as UTF-8.
std::string wide_arg(const SQLWCHAR* text, SQLLEN length);

}  // namespace detalehran::odbc
