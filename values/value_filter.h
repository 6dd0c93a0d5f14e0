#pragma once
// A necessary condition on a name for holding a query's values, cheap enough
// for the database to test on every row before any reaches the program: for
// each value, one of a few patterns must occur in the name. Every writing of
// the value that the reader accepts passes ("4k7", "4,7 кОм", "4700 Ом",
// "0,0047 МОм" each hold one of "4700", "4[.,kKкКRr]7", "0?0047"); most
// other names do not.

#include <QStringView>
#include <string>
#include <vector>

#include "values/electrical_value.h"

namespace detalehran::values {

// A run of characters, one place after another; each place lists the
// characters allowed there, or is empty for any character.
struct FilterPattern {
    std::vector<std::u16string> places;
};

struct ValueFilter {
    // Every group must have a pattern that occurs in the name; no groups:
    // every name passes.
    std::vector<std::vector<FilterPattern>> groups;
};

ValueFilter value_filter(const ValueList& values);

// Whether the name passes, as the database decides it.
bool filter_admits(const ValueFilter& filter, QStringView name);

}  // namespace detalehran::values
