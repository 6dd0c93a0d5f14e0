#pragma once
// What a database failure means, in the user's words: a Russian explanation
// for the common SQLSTATEs, followed by the driver's own text for the
// details. The database layer only words the reason; the caller decides
// whether and where to show it.

#include <string>

#include "db/database.h"

namespace detalehran::db {

// "Explanation" or "Explanation\nDriver text" (UTF-8); empty for an empty
// diagnostic.
std::string failure_text(const Diagnostic& why);

}  // namespace detalehran::db
