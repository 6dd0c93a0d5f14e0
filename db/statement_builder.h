#pragma once
// How the database layer writes its statements: piece by piece for one
// dialect, identifiers quoted as the dialect quotes them and every value a
// "?" marker, and the same statement once for each dialect. For the
// builders of db/ only.

#include <string>
#include <string_view>
#include <utility>

#include "db/statement.h"
#include "schema/server_tables.h"
#include "schema/store_columns.h"

namespace detalehran::db {

// One statement of one dialect, written piece by piece: fixed text,
// identifiers quoted as the dialect quotes them, and values as markers.
class Build {
public:
    explicit Build(Dialect d) : d_(d) {}

    Build& operator<<(std::string_view text) {
        sql_.text += text;
        return *this;
    }
    Build& name(std::string_view identifier) {
        sql_.text +=
            schema::quoted(d_ == Dialect::jet ? schema::Quote::brackets : schema::Quote::double_quotes, identifier);
        return *this;
    }
    Build& column(schema::ItemColumn c) { return name(schema::column_name(c)); }
    Build& store() { return name(schema::kStoreTable); }
    // A server's Temp is the one table of the whole team, in the public
    // schema; a role's schema of an older store may hold one of that name.
    Build& parked() { return jet() ? name(schema::kParkedTable) : shared(schema::kParkedTable); }
    // A table of the team's on a server, named with its schema.
    Build& shared(std::string_view table) {
        sql_.text += "public.";
        return name(table);
    }
    // On a server the rows of Temp that this role parked; nothing on a file.
    Build& own_parked_rows(std::string_view joiner) {
        if (!jet()) {
            sql_.text += joiner;
            name(schema::kParkedRole) << " = CURRENT_USER";
        }
        return *this;
    }
    Build& bind(Value value) {
        sql_.text += '?';
        sql_.values.push_back(std::move(value));
        return *this;
    }
    Build& bind_text(std::string text) { return bind(text_value(std::move(text))); }
    Build& bind_integer(std::string digits) { return bind(integer_value(std::move(digits))); }

    Dialect dialect() const { return d_; }
    bool jet() const { return d_ == Dialect::jet; }
    Sql take() { return std::move(sql_); }

private:
    Dialect d_;
    Sql sql_;
};

// The same statement built once for each dialect.
template <typename Write>
Statement in_both(Write write) {
    Build jet(Dialect::jet), postgres(Dialect::postgres);
    write(jet);
    write(postgres);
    return Statement(jet.take(), postgres.take());
}

// A statement only a server has (its team's trees and settings); on a file
// its text is empty, which the connection refuses.
template <typename Write>
Statement on_server(Write write) {
    Build postgres(Dialect::postgres);
    write(postgres);
    return Statement(Sql{}, postgres.take());
}

}  // namespace detalehran::db
