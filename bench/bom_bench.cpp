// A bill of materials of 2 000 lines read and matched against 100 000
// parts: the CSV read, the parts' index, the matching, a recount after a
// change, and the whole of
// what `detalehran-db bom` does on a store file (the parts read through the
// driver included), against the target of one second.
//
//   <build>/bench/bench_bom [--parts N]

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "bom/build_check.h"
#include "bom/csv_bom.h"
#include "bom/stock_reading.h"
#include "db/database.h"
#include "inventory.h"
#include "store_writer.h"

using namespace detalehran;

namespace {

using Clock = std::chrono::steady_clock;

// The fastest of some runs, in milliseconds.
template <typename F>
double best_of(int runs, F&& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

std::size_t parts_argument(int argc, char** argv, std::size_t fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--parts") return std::strtoul(argv[i + 1], nullptr, 10);
    }
    return fallback;
}

constexpr std::size_t kLines = 2000;

const char* const kFootprints[] = {"Resistor_SMD:R_0402_1005Metric", "Resistor_SMD:R_0603_1608Metric",
                                   "Resistor_SMD:R_0805_2012Metric", "Resistor_SMD:R_1206_3216Metric"};
const char* const kCapFootprints[] = {"Capacitor_SMD:C_0402_1005Metric", "Capacitor_SMD:C_0603_1608Metric",
                                      "Capacitor_SMD:C_0805_2012Metric", "Capacitor_SMD:C_1206_3216Metric"};
const char* const kNumbers[] = {"BC547B",   "BC557C",    "1N4007",  "1N5819", "BAT54", "BAV99",  "MMBT3904",
                                "MMBT3906", "TIP120",    "NE555",   "LM358",  "LM317", "AO3400", "SS34",
                                "US1M",     "BZX55C5V1", "MF-R050", "LM7805", "TL431", "2N7002"};
const char* const kPackages[] = {"SOT-23", "TO-92", "DO-41", "SOD-123", "SOIC-8", "DIP-8", "TO-220", "SMA"};

// "4k87", "100R", "1M2": a value as a schematic writes it.
std::string resistance(double ohms) {
    const char* letters[] = {"R", "k", "M"};
    int step = 0;
    while (ohms >= 1000 && step < 2) {
        ohms /= 1000;
        ++step;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", ohms);
    std::string s = text;
    const std::size_t point = s.find('.');
    if (point == std::string::npos) return s + letters[step];
    return s.substr(0, point) + letters[step] + s.substr(point + 1);
}

std::string bom_csv() {
    std::string csv = "Reference;Value;Footprint;Qty\n";
    std::set<std::pair<std::string, std::string>> seen;
    int designator = 1;
    for (std::size_t i = 0; seen.size() < kLines; ++i) {
        std::string value, footprint, prefix;
        if (i % 10 < 7) {
            const double ohms = std::round(std::pow(10.0, static_cast<double>(i % 96) / 96.0) * 100) / 100 *
                                std::pow(10.0, static_cast<double>(i / 96 % 6 + 1));
            value = resistance(ohms);
            footprint = kFootprints[i / 7 % 4];
            prefix = "R";
        } else if (i % 10 < 9) {
            static const char* const kCaps[] = {"10p",  "22p", "100p",  "1n",   "4n7", "10n", "47n", "100n",
                                                "220n", "1u",  "4.7uF", "10uF", "22u", "47u", "100u"};
            value = kCaps[i / 10 % 15];
            footprint = kCapFootprints[i / 150 % 4];
            prefix = "C";
        } else {
            value = kNumbers[i / 10 % 20];
            footprint = kPackages[i / 200 % 8];
            prefix = "U";
        }
        if (!seen.insert({value, footprint}).second) continue;
        const int count = static_cast<int>(i % 4) + 1;
        csv += "\"" + prefix + std::to_string(designator) + "-" + prefix + std::to_string(designator + count - 1) +
               "\";" + value + ";" + footprint + ";\n";
        designator += count;
    }
    return csv;
}

std::vector<bom::StockPart> generated_parts(std::size_t count) {
    std::vector<bom::StockPart> parts;
    parts.reserve(count);
    dbtool::BulkGenerator generator;
    dbtool::Part part;
    for (std::size_t k = 0; k < count; ++k) {
        generator.next(&part);
        parts.push_back(
            {std::to_string(k + 1), part.name, part.package, part.place, part.supplier, part.quantity, 1000, true});
    }
    return parts;
}

void print_figures(const char* what, double ms) {
    std::printf("  %-56s %8.1f ms%s\n", what, ms, ms < 1000 ? "" : "  (over the target)");
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t wanted = parts_argument(argc, argv, 100000);
    const std::string csv = bom_csv();
    bom::BomReading reading;
    const double read_ms = best_of(5, [&] { reading = bom::read_csv_bom(csv, "bench.csv"); });
    if (!reading.ok()) {
        std::fprintf(stderr, "%s\n", reading.error.c_str());
        return 1;
    }
    std::printf("A bill of materials of %zu lines against %zu parts (target: under 1000 ms)\n",
                reading.bom.lines.size(), wanted);
    print_figures("reading the CSV", read_ms);

    const std::vector<bom::StockPart> parts = generated_parts(wanted);
    std::optional<bom::StockIndex> index;
    const double index_ms = best_of(3, [&] { index.emplace(parts); });
    print_figures("indexing the parts (values, packages, part numbers)", index_ms);
    bom::BuildCheck check;
    const double match_ms = best_of(3, [&] { check = bom::check_build(reading.bom, *index, 5); });
    print_figures("matching every line, 5 boards", match_ms);
    std::printf("  lines matched: %zu, not in stock: %zu, short: %zu\n", check.matched, check.missing,
                check.short_lines);
    print_figures("read + index + match, in memory", read_ms + index_ms + match_ms);
    // What the window does on every change of a line's part or of N.
    const double recount_ms = best_of(5, [&] {
        check.boards = check.boards == 5 ? 6 : 5;
        bom::recount(check, reading.bom, *index, 5);
    });
    print_figures("recounting the check after a change", recount_ms);

    // The same through a store file, as the tool does it.
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("detalehran-bom-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    dbtool::CreateReport report;
    std::string error;
    if (!dbtool::create_database({folder.string(), dbtool::Content::generated, wanted}, &report, &error)) {
        std::fprintf(stderr, "cannot build the store: %s\n", error.c_str());
        return 1;
    }
    fs::copy_file(fs::path(DETALEHRAN_ODBCSYSINI) / "odbcinst.ini", folder / "odbcinst.ini");
    ::setenv("ODBCSYSINI", folder.c_str(), 1);
    ::setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
    db::Database database;
    if (!database.init_environment() || !database.open_file((folder / db::kDatabaseFile).string())) {
        std::fprintf(stderr, "cannot open the store\n");
        return 1;
    }
    std::size_t matched = 0;
    const double whole_ms = best_of(3, [&] {
        const bom::BomReading file_reading = bom::read_csv_bom(csv, "bench.csv");
        std::vector<bom::StockPart> stored;
        if (!bom::read_stock(database, stored)) std::exit(1);
        const bom::StockIndex stock(std::move(stored));
        matched = bom::check_build(file_reading.bom, stock, 5).matched;
    });
    print_figures("read the BOM, read the store's parts, index, match", whole_ms);
    std::printf("  lines matched: %zu\n", matched);
    database.close_store();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
