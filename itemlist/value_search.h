#pragma once
// The list's search: the search by name as it has always been and, when the
// text says something by value ("4k7 0805", "100n 50V", "LM317 TO-220"),
// the parts whose name holds those values and that package behind its rows.
// The database lets through the name's rows and the candidates by value in
// one pass; the program keeps the candidates that really match. Shared by
// the program's list and detalehran-db; no window, no connection.

#include <QString>
#include <QStringView>
#include <optional>

#include "db/statement.h"
#include "values/part_match.h"

namespace detalehran::itemlist {

struct ListSearch {
    db::Statement statement;
    // Set when the search is by value too: the statement's rows then carry a
    // last column that tells the name's rows (1) from the candidates (0).
    std::optional<values::PartQuery> by_value;
};

ListSearch list_search(const QString& text);

// Where a row of the search's statement goes.
enum class SearchPlace { in_front, behind, left_out };
// flag: the text of the row's last column; name and package: its cells.
SearchPlace search_place(const ListSearch& search, QStringView flag, QStringView name, QStringView package);

}  // namespace detalehran::itemlist
