#pragma once
// The statement text of the Access (Jet) dialect cut into tokens: words,
// bracketed names, text literals, blanks and single other characters.
// Quoting is rewritten to SQLite's on the way ([a] and `a` become "a",
// "text" becomes 'text'); everything else keeps its bytes.

#include <string>
#include <string_view>
#include <vector>

namespace detalehran::odbc {

struct Token {
    enum Kind { word, quoted_ident, literal, space, other } kind;
    std::string text;  // as SQLite reads it
    std::string name;  // quoted_ident: the name without quotes
};

// Returns false with a reason for an unterminated literal or identifier.
bool tokenize(std::string_view s, std::vector<Token>& out, std::string& error);

// Whether t is the word keyword (given in upper case), letter case ignored.
bool same_word(const Token& t, std::string_view keyword);
// Whether t is the single character c outside any quoting.
bool is_char(const Token& t, char c);
// Index of the first token from i on that is not a blank (or tokens.size()).
std::size_t next_solid(const std::vector<Token>& tokens, std::size_t i);
// The name a token gives a table or column: a bracketed name or a word.
bool names_something(const Token& t);
std::string_view name_of(const Token& t);

}  // namespace detalehran::odbc
