#pragma once
// The functions and operators of Access expressions as SQLite functions,
// with Access's rules for NULL, text and numbers: the dialect translation
// turns "&", "+", "/", "\", "^" and Mod into calls of the jet_ functions,
// and Access's own functions (Len, Left, Nz, CLng, Format, DateAdd ...) are
// called by their names. Errors name the function and the reason, as Jet
// does ("Invalid use of Null", "Type mismatch").

struct sqlite3;

namespace detalehran::odbc {

bool register_access_functions(sqlite3* db);

// Every function a statement on a store may call: the store's text rules,
// the Access functions and the LIKE ranges. A connection gets them all
// before its first statement, so that whatever the dialect writes runs.
bool register_statement_functions(sqlite3* db);

}  // namespace detalehran::odbc
