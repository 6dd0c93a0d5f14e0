// Any bytes as a part's name, a schematic's value or a footprint, through the
// value reader, the package reader and the query of the search by value.
//
// What the code promises: values come in order without overlapping, each
// with a kind and an amount in its normal form; a value's own text, read
// alone in the same context, is that value again; the order of amounts agrees
// with their size; a package's normal form reads as itself; a text that
// says something by value finds itself; and the database's filter for a
// query's values lets through every name the query finds.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "values/electrical_value.h"
#include "values/package_name.h"
#include "values/part_match.h"
#include "values/value_filter.h"

namespace {

using namespace detalehran::values;
using detalehran::fuzz::shown;

std::string utf8(QStringView text) { return text.toString().toStdString(); }

std::string describe(const Value& v) {
    return "kinds " + std::to_string(v.kinds) + " amount " + std::to_string(v.magnitude.mantissa) + "e" +
           std::to_string(v.magnitude.exponent) + " at " + std::to_string(v.begin) + ".." + std::to_string(v.end);
}

void check_normal(const Magnitude& m, const std::string& where) {
    if (m.mantissa == 0) {
        FUZZ_CHECK(m.exponent == 0, "zero with an exponent in " + where);
        return;
    }
    FUZZ_CHECK(m.mantissa % 10 != 0, "trailing zero kept in " + where);
    FUZZ_CHECK(m.mantissa < 1000000000000000000LL && m.mantissa > -1000000000000000000LL,
               "more than 18 digits in " + where);
}

void check_values(QStringView text) {
    const ValueList values = read_values(text);
    const Kinds context = context_kinds(text);
    int previous_end = 0;
    for (const Value& v : values) {
        const std::string where = describe(v) + " of " + shown(utf8(text));
        FUZZ_CHECK(v.kinds != 0, "a value without a kind: " + where);
        FUZZ_CHECK(v.begin >= previous_end && v.begin < v.end && v.end <= text.size(), "misplaced: " + where);
        previous_end = v.end;
        check_normal(v.magnitude, where);
        const ValueList alone = read_values(text.mid(v.begin, v.end - v.begin), context);
        FUZZ_CHECK(alone.size() == 1 && alone[0].kinds == v.kinds && alone[0].magnitude == v.magnitude,
                   "its own text reads otherwise: " + where);
    }
    // The order of amounts is a total order that agrees with their size.
    for (int a = 0; a < values.size(); ++a) {
        for (int b = 0; b < values.size(); ++b) {
            const Magnitude& x = values[a].magnitude;
            const Magnitude& y = values[b].magnitude;
            const auto xy = x <=> y;
            FUZZ_CHECK((y <=> x) == (0 <=> xy), "order not antisymmetric: " + shown(utf8(text)));
            FUZZ_CHECK((xy == 0) == (x == y), "order and equality disagree: " + shown(utf8(text)));
            const double dx = x.approximate();
            const double dy = y.approximate();
            if (std::isfinite(dx) && std::isfinite(dy) &&
                std::fabs(dx - dy) > 1e-9 * std::fmax(std::fabs(dx), std::fabs(dy)))
                FUZZ_CHECK((xy < 0) == (dx < dy),
                           "order against size: " + describe(values[a]) + " " + describe(values[b]));
        }
    }
}

void check_package(QStringView text) {
    const PackageName package = read_package(text);
    if (package.empty()) return;
    const std::string where = std::string(package.view()) + " of " + shown(utf8(text));
    FUZZ_CHECK(package.begin >= 0 && package.begin < package.end && package.end <= text.size(), "misplaced: " + where);
    for (char c : package.view()) FUZZ_CHECK(c > 0x20 && c < 0x7F, "not plain ASCII: " + where);
    FUZZ_CHECK(read_package(package.to_string()) == package, "normal form reads otherwise: " + where);
}

void check_query(QStringView text) {
    const PartQuery query = read_query(text);
    for (const QString& word : query.words) FUZZ_CHECK(!word.isEmpty(), "empty word in " + shown(utf8(text)));
    if (query.by_value())
        FUZZ_CHECK(part_matches(query, text, QStringView()), "does not find itself: " + shown(utf8(text)));
    // The database's filter lets through every name the query finds; a line
    // break parts the query from the name, or else the middle.
    const qsizetype newline = text.indexOf(QLatin1Char('\n'));
    const qsizetype half = newline >= 0 ? newline : text.size() / 2;
    const PartQuery first = read_query(text.first(half));
    const QStringView name = text.sliced(half);
    if (!first.values.empty() && part_matches(first, name, QStringView())) {
        FUZZ_CHECK(filter_admits(value_filter(first.values), name),
                   "filtered out: " + shown(utf8(name)) + " found by " + shown(utf8(text.first(half))));
    }
    // A footprint beside a value, as a bill of materials has them.
    const PartQuery line = read_query(text.first(half), text.sliced(half), 0);
    if (line.by_value()) (void)part_matches(line, text, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    check_values(text);
    check_package(text);
    check_query(text);
    return 0;
}
