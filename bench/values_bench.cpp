// The value and package readers on the names of a large inventory: names
// read a second, against the target of two million.
//
//   <build>/bench/bench_values [--parts N]

#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "inventory.h"
#include "values/electrical_value.h"
#include "values/package_name.h"
#include "values/part_match.h"

using namespace detalehran;

namespace {

// The fastest of some runs, in milliseconds.
template <typename F>
double best_of(int runs, F&& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best =
            std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t parts = 100000;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--parts") == 0) parts = std::strtoul(argv[i + 1], nullptr, 10);
    }
    std::vector<QString> names;
    names.reserve(parts);
    dbtool::BulkGenerator generator;
    dbtool::Part part;
    std::size_t with_values = 0;
    for (std::size_t i = 0; i < parts; ++i) {
        generator.next(&part);
        names.push_back(QString::fromStdString(part.name));
    }
    for (const dbtool::Part& demo : dbtool::make_demo_inventory().parts)
        names.push_back(QString::fromStdString(demo.name));

    std::size_t sink = 0;
    const double values_ms = best_of(5, [&] {
        for (const QString& name : names) sink += static_cast<std::size_t>(values::read_values(name).size());
    });
    for (const QString& name : names) with_values += values::read_values(name).empty() ? 0 : 1;
    const double packages_ms = best_of(5, [&] {
        for (const QString& name : names) sink += values::read_package(name).empty() ? 0 : 1;
    });
    const values::PartQuery query = values::read_query(u"4k7 0805");
    const double match_ms = best_of(5, [&] {
        for (const QString& name : names) sink += values::part_matches(query, name, u"0805") ? 1 : 0;
    });

    const double count = static_cast<double>(names.size());
    auto per_second = [count](double ms) { return count / (ms / 1000.0) / 1e6; };
    std::printf("\n%zu names, %zu with values\n", names.size(), with_values);
    std::printf("  read_values        %8.1f ms  %5.2f M names/s  target at least 2: %s\n", values_ms,
                per_second(values_ms), per_second(values_ms) >= 2 ? "met" : "MISSED");
    std::printf("  read_package       %8.1f ms  %5.2f M names/s\n", packages_ms, per_second(packages_ms));
    std::printf("  part_matches 4k7   %8.1f ms  %5.2f M names/s\n", match_ms, per_second(match_ms));
    return sink == 0 ? 1 : 0;
}
