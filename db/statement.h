#pragma once
// A statement as the program means it, written out in each SQL dialect the
// database layer can meet, with the values it carries bound to its "?"
// markers rather than written into its text. The builders in
// db/statements.h make them; the connection picks the text and values of
// the database it is connected to, so that no caller needs to know which
// one that is.

#include <string>
#include <utility>
#include <vector>

#include "schema/money.h"

namespace detalehran::db {

enum class Dialect {
    jet,       // Access (Jet), as our own driver for Store.mdb speaks it
    postgres,  // a PostgreSQL server through psqlODBC
};

// One value for a "?" marker, with the type the database receives it as.
struct Value {
    enum class Type { text, integer, money };
    Type type = Type::text;
    std::string text;  // integer: its decimal digits; money: Money::decimal_text
    bool operator==(const Value&) const = default;
};

inline Value text_value(std::string text) { return {Value::Type::text, std::move(text)}; }
// A whole number given as text, as the list and the editor hold it.
inline Value integer_value(std::string digits) { return {Value::Type::integer, std::move(digits)}; }
inline Value money_value(schema::Money amount) { return {Value::Type::money, amount.decimal_text()}; }

// How a value of each type travels to the driver: as text that the
// database converts to the marker's SQL type (SQL_VARCHAR, SQL_INTEGER or
// SQL_DECIMAL with Jet currency's 19 digits, 4 of them decimals).
struct ParameterType {
    short sql_type;
    unsigned long size;
    short decimals;
};
ParameterType parameter_type(Value::Type type, std::size_t length);

// The statement for one dialect: its text and a value for each marker.
struct Sql {
    std::string text;
    std::vector<Value> values;
};

class Statement {
public:
    Statement(Sql jet, Sql postgres) : jet_(std::move(jet)), postgres_(std::move(postgres)) {}
    // A statement that carries no values.
    Statement(std::string jet, std::string postgres) : jet_{std::move(jet), {}}, postgres_{std::move(postgres), {}} {}

    const Sql& in(Dialect dialect) const { return dialect == Dialect::postgres ? postgres_ : jet_; }
    const std::string& text(Dialect dialect) const { return in(dialect).text; }
    const std::vector<Value>& values(Dialect dialect) const { return in(dialect).values; }

private:
    Sql jet_;
    Sql postgres_;
};

}  // namespace detalehran::db
