#pragma once
// The scalar functions of ODBC's escape {fn NAME(...)}: what each becomes
// in SQLite's SQL, and the bit SQLGetInfo reports for it. The bitmasks of
// SQL_STRING_FUNCTIONS and the others are made from this table, so they say
// exactly what works.

#include <sqlext.h>

#include <string_view>

namespace detalehran::odbc {

enum class FunctionFamily { string, numeric, timedate, system };

struct EscapeFunction {
    const char* name;
    FunctionFamily family;
    SQLUINTEGER bit;
    int min_args, max_args;
    // $1, $2 ... stand for the arguments; "%s" for all of them, comma
    // separated.
    const char* templ;
};

const EscapeFunction* escape_function(std::string_view name);
SQLUINTEGER escape_function_bits(FunctionFamily family);

}  // namespace detalehran::odbc
