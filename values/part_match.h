#pragma once
// Matching parts by what their names say: a search text or a bill of
// materials line ("4k7 0805", "0.1uF 0603", "LM317 TO-220") read into
// values, a package and the remaining words, and the test of a part against
// them. Pure: no windows, no database.

#include <QString>
#include <QStringList>
#include <QStringView>

#include "values/electrical_value.h"
#include "values/package_name.h"

namespace detalehran::values {

struct PartQuery {
    ValueList values;     // each one must be among the part's values
    PackageName package;  // empty: any package
    QStringList words;    // the rest of the text, each in the part's name or package

    // Whether the text says anything a part's values or package can match;
    // words alone, or a bare number, do not.
    bool by_value() const { return !values.empty() || !package.empty(); }
};

// Reads a search text or a bill of materials line.
PartQuery read_query(QStringView text);
// The same for a line whose value, footprint and part kind are apart, as a
// bill of materials has them ("4k7", "Resistor_SMD:R_0805_2012Metric"): the
// footprint gives the package and the context of a bare value ("470").
PartQuery read_query(QStringView value, QStringView footprint, Kinds context);

// Whether a part with this name and package text holds every value, the
// package and every word of the query; a query that is not by value matches
// nothing.
bool part_matches(const PartQuery& query, QStringView name, QStringView package);

}  // namespace detalehran::values
