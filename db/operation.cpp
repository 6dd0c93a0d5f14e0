#include "db/operation.h"

#include <string>

#include "db/statement_builder.h"

namespace detalehran::db {

bool set_operation_caption(Database& database, std::string_view caption, std::string_view reverts) {
    // On a file the driver keeps them for the transaction; on a server they
    // are settings local to it, which its triggers read.
    Statement statement = in_both([&](Build& b) {
        if (b.jet()) {
            b << "SELECT history_caption(";
            b.bind_text(std::string(caption)) << ", ";
            b.bind_text(std::string(reverts)) << ")";
        } else {
            b << "SELECT set_config('detalehran.caption', ";
            b.bind_text(std::string(caption)) << ", true), set_config('detalehran.reverts', ";
            b.bind_text(std::string(reverts)) << ", true)";
        }
    });
    if (!database.db_query(statement)) return false;
    database.db_finish();
    return true;
}

bool run_operation(Database& database, std::string_view caption, const std::function<bool()>& body) {
    if (database.in_transaction()) return set_operation_caption(database, caption) && body();
    if (!database.begin_transaction()) return false;
    const bool done = set_operation_caption(database, caption) && body();
    return database.end_transaction(done) && done;
}

}  // namespace detalehran::db
