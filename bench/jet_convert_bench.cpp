// Converting an Access (Jet 4) Store.mdb of 100 000 parts into our format:
// the fixture is written once with the generator's parts, then the whole
// conversion (reading through libmdb, writing the store) is timed.
// Run it directly: `<build>/bench/bench_jet_convert [parts]`.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "inventory.h"
#include "jet_convert.h"
#include "jet_fixture_writer.h"

namespace fs = std::filesystem;
namespace fx = detalehran::jet::fixture;

namespace {

fx::Value text(const std::string& s) { return s.empty() ? fx::Value() : fx::Value(s); }

fx::Table generated_store(std::size_t parts) {
    fx::Table store{"Store", fx::item_columns(), {}};
    detalehran::dbtool::BulkGenerator generator;
    detalehran::dbtool::Part part;
    for (std::size_t k = 0; k < parts; ++k) {
        generator.next(&part);
        store.rows.push_back({text(part.name), text(part.description), text(part.place),
                              fx::Value(std::int64_t{part.quantity}), fx::Value(part.selling_price.units()),
                              fx::Value(part.purchase_price.units()), text(part.supplier), text(part.section),
                              text(part.package), fx::Value(static_cast<std::int64_t>(k + 1)), text(part.datasheet)});
    }
    return store;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t parts = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    std::string pattern = (fs::temp_directory_path() / "detalehran-jet-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path folder = pattern;
    const std::string jet_path = (folder / "old.mdb").string();
    fx::Table temp{"Temp", fx::item_columns(), {}};
    std::string error;
    if (!fx::write_jet4_file(jet_path, {generated_store(parts), fx::package_table({"0805", "SOT-23"}), temp}, &error)) {
        std::fprintf(stderr, "fixture: %s\n", error.c_str());
        return 1;
    }
    std::printf("Jet 4 fixture: %zu parts, %.1f MiB\n", parts, static_cast<double>(fs::file_size(jet_path)) / 1048576);

    double best = 1e300;
    for (int run = 0; run < 3; ++run) {
        const fs::path target = folder / ("run" + std::to_string(run));
        fs::create_directory(target);
        const auto start = std::chrono::steady_clock::now();
        const detalehran::jet::ConvertResult result = detalehran::jet::convert_jet_store(jet_path, target.string());
        if (result.outcome != detalehran::jet::Outcome::converted || result.report.items != parts) {
            std::fprintf(stderr, "conversion failed: %s\n", result.reason.c_str());
            return 1;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("run %d: %.2f s\n", run + 1, seconds);
        best = std::min(best, seconds);
    }
    std::printf("convert %zu parts: best of 3 %.2f s (target under 10 s)\n", parts, best);
    fs::remove_all(folder);
    return 0;
}
