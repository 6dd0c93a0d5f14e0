#pragma once
// A statement as the program means it, written out in each SQL dialect the
// database layer can meet. The builders in db/statements.h make them; the
// connection picks the text of the database it is connected to, so that no
// caller needs to know which one that is.

#include <string>
#include <utility>

namespace detalehran::db {

enum class Dialect {
    jet,       // Access (Jet), as our own driver for Store.mdb speaks it
    postgres,  // a PostgreSQL server through psqlODBC
};

class Statement {
public:
    Statement(std::string jet, std::string postgres) : jet_(std::move(jet)), postgres_(std::move(postgres)) {}

    const std::string& text(Dialect dialect) const { return dialect == Dialect::postgres ? postgres_ : jet_; }

private:
    std::string jet_;
    std::string postgres_;
};

}  // namespace detalehran::db
