#include "odbc_escapes.h"

#include <cctype>

namespace detalehran::odbc {

namespace {

using F = FunctionFamily;

constexpr EscapeFunction kFunctions[] = {
    {"ASCII", F::string, SQL_FN_STR_ASCII, 1, 1, "unicode($1)"},
    {"CHAR", F::string, SQL_FN_STR_CHAR, 1, 1, "char($1)"},
    {"CHAR_LENGTH", F::string, SQL_FN_STR_CHAR_LENGTH, 1, 1, "len($1)"},
    {"CHARACTER_LENGTH", F::string, SQL_FN_STR_CHARACTER_LENGTH, 1, 1, "len($1)"},
    {"CONCAT", F::string, SQL_FN_STR_CONCAT, 2, 2, "($1 || $2)"},
    {"INSERT", F::string, SQL_FN_STR_INSERT, 4, 4, "(substr($1, 1, ($2) - 1) || $4 || substr($1, ($2) + ($3)))"},
    {"LCASE", F::string, SQL_FN_STR_LCASE, 1, 1, "lcase($1)"},
    {"LEFT", F::string, SQL_FN_STR_LEFT, 2, 2, "jet_left($1, $2)"},
    {"LENGTH", F::string, SQL_FN_STR_LENGTH, 1, 1, "len(rtrim($1, ' '))"},
    {"LOCATE", F::string, SQL_FN_STR_LOCATE | SQL_FN_STR_LOCATE_2, 2, 3, "instr(%r)"},
    {"LTRIM", F::string, SQL_FN_STR_LTRIM, 1, 1, "ltrim($1, ' ')"},
    {"OCTET_LENGTH", F::string, SQL_FN_STR_OCTET_LENGTH, 1, 1, "length(CAST($1 AS BLOB))"},
    {"BIT_LENGTH", F::string, SQL_FN_STR_BIT_LENGTH, 1, 1, "(8 * length(CAST($1 AS BLOB)))"},
    {"REPEAT", F::string, SQL_FN_STR_REPEAT, 2, 2, "replace(hex(zeroblob($2)), '00', $1)"},
    {"REPLACE", F::string, SQL_FN_STR_REPLACE, 3, 3, "replace($1, $2, $3)"},
    {"RIGHT", F::string, SQL_FN_STR_RIGHT, 2, 2, "jet_right($1, $2)"},
    {"RTRIM", F::string, SQL_FN_STR_RTRIM, 1, 1, "rtrim($1, ' ')"},
    {"SPACE", F::string, SQL_FN_STR_SPACE, 1, 1, "space($1)"},
    {"SUBSTRING", F::string, SQL_FN_STR_SUBSTRING, 2, 3, "substr(%s)"},
    {"UCASE", F::string, SQL_FN_STR_UCASE, 1, 1, "ucase($1)"},
    {"ABS", F::numeric, SQL_FN_NUM_ABS, 1, 1, "abs($1)"},
    {"ACOS", F::numeric, SQL_FN_NUM_ACOS, 1, 1, "acos($1)"},
    {"ASIN", F::numeric, SQL_FN_NUM_ASIN, 1, 1, "asin($1)"},
    {"ATAN", F::numeric, SQL_FN_NUM_ATAN, 1, 1, "atan($1)"},
    {"ATAN2", F::numeric, SQL_FN_NUM_ATAN2, 2, 2, "atan2($1, $2)"},
    {"CEILING", F::numeric, SQL_FN_NUM_CEILING, 1, 1, "ceil($1)"},
    {"COS", F::numeric, SQL_FN_NUM_COS, 1, 1, "cos($1)"},
    {"COT", F::numeric, SQL_FN_NUM_COT, 1, 1, "jet_divide(1, tan($1))"},
    {"DEGREES", F::numeric, SQL_FN_NUM_DEGREES, 1, 1, "degrees($1)"},
    {"EXP", F::numeric, SQL_FN_NUM_EXP, 1, 1, "exp($1)"},
    {"FLOOR", F::numeric, SQL_FN_NUM_FLOOR, 1, 1, "floor($1)"},
    {"LOG", F::numeric, SQL_FN_NUM_LOG, 1, 1, "ln($1)"},
    {"LOG10", F::numeric, SQL_FN_NUM_LOG10, 1, 1, "log10($1)"},
    {"MOD", F::numeric, SQL_FN_NUM_MOD, 2, 2, "jet_mod($1, $2)"},
    {"PI", F::numeric, SQL_FN_NUM_PI, 0, 0, "pi()"},
    {"POWER", F::numeric, SQL_FN_NUM_POWER, 2, 2, "jet_power($1, $2)"},
    {"RADIANS", F::numeric, SQL_FN_NUM_RADIANS, 1, 1, "radians($1)"},
    {"RAND", F::numeric, SQL_FN_NUM_RAND, 0, 1, "((random() / 18446744073709551616.0) + 0.5)"},
    {"ROUND", F::numeric, SQL_FN_NUM_ROUND, 2, 2, "round($1, $2)"},
    {"SIGN", F::numeric, SQL_FN_NUM_SIGN, 1, 1, "sign($1)"},
    {"SIN", F::numeric, SQL_FN_NUM_SIN, 1, 1, "sin($1)"},
    {"SQRT", F::numeric, SQL_FN_NUM_SQRT, 1, 1, "sqrt($1)"},
    {"TAN", F::numeric, SQL_FN_NUM_TAN, 1, 1, "tan($1)"},
    {"TRUNCATE", F::numeric, SQL_FN_NUM_TRUNCATE, 2, 2, "(trunc(($1) * pow(10, $2)) / pow(10, $2))"},
    {"CURDATE", F::timedate, SQL_FN_TD_CURDATE, 0, 0, "date()"},
    {"CURRENT_DATE", F::timedate, SQL_FN_TD_CURRENT_DATE, 0, 0, "date()"},
    {"CURTIME", F::timedate, SQL_FN_TD_CURTIME, 0, 0, "time()"},
    {"CURRENT_TIME", F::timedate, SQL_FN_TD_CURRENT_TIME, 0, 0, "time()"},
    {"NOW", F::timedate, SQL_FN_TD_NOW, 0, 0, "now()"},
    {"CURRENT_TIMESTAMP", F::timedate, SQL_FN_TD_CURRENT_TIMESTAMP, 0, 0, "now()"},
    {"DAYOFMONTH", F::timedate, SQL_FN_TD_DAYOFMONTH, 1, 1, "day($1)"},
    {"DAYOFWEEK", F::timedate, SQL_FN_TD_DAYOFWEEK, 1, 1, "weekday($1)"},
    {"DAYOFYEAR", F::timedate, SQL_FN_TD_DAYOFYEAR, 1, 1, "CAST(strftime('%j', $1) AS INTEGER)"},
    {"HOUR", F::timedate, SQL_FN_TD_HOUR, 1, 1, "hour($1)"},
    {"MINUTE", F::timedate, SQL_FN_TD_MINUTE, 1, 1, "minute($1)"},
    {"MONTH", F::timedate, SQL_FN_TD_MONTH, 1, 1, "month($1)"},
    {"QUARTER", F::timedate, SQL_FN_TD_QUARTER, 1, 1, "((month($1) + 2) / 3)"},
    {"SECOND", F::timedate, SQL_FN_TD_SECOND, 1, 1, "second($1)"},
    {"YEAR", F::timedate, SQL_FN_TD_YEAR, 1, 1, "year($1)"},
    {"IFNULL", F::system, SQL_FN_SYS_IFNULL, 2, 2, "ifnull($1, $2)"},
    {"USER", F::system, SQL_FN_SYS_USERNAME, 0, 0, "'admin'"},
};

bool same_name(std::string_view a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
    }
    return i == a.size() && b[i] == 0;
}

}  // namespace

const EscapeFunction* escape_function(std::string_view name) {
    for (const EscapeFunction& f : kFunctions) {
        if (same_name(name, f.name)) return &f;
    }
    return nullptr;
}

SQLUINTEGER escape_function_bits(FunctionFamily family) {
    SQLUINTEGER bits = 0;
    for (const EscapeFunction& f : kFunctions) {
        if (f.family == family) bits |= f.bit;
    }
    return bits;
}

}  // namespace detalehran::odbc
