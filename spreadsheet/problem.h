#pragma once
// Why a file or one of its lines cannot be taken, in words for the user.

#include <string>

namespace detalehran::spreadsheet {

struct Problem {
    int line = 0;        // the file's line the problem is on; 0 for the file as a whole
    std::string reason;  // Russian, UTF-8
    bool operator==(const Problem&) const = default;
};

}  // namespace detalehran::spreadsheet
