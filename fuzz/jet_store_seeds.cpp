// Writes the seeds of fuzz_jet_store into the folder given: Jet 4 files of
// the tests' writer with every kind of value the reader meets (compressed
// and plain text, memos inline, in one long-value row and in a chain, NULLs,
// money edges, a deleted row), one lacking a column and one with empty
// tables. scripts/fuzz.sh runs it before the fuzzer, so the seeds always
// follow the writer.

#include <cstdio>
#include <string>

#include "jet_fixture_writer.h"

namespace fx = detalehran::jet::fixture;

namespace {

fx::Value text(const std::string& s) { return fx::Value(s); }
fx::Value number(std::int64_t n) { return fx::Value(n); }

std::vector<fx::Table> inventory(bool with_datasheet) {
    fx::Table store{"Store", fx::item_columns(), {}};
    std::string chain;
    for (int k = 0; k < 2500; ++k) chain += "Жж";
    store.rows = {
        {text("Резистор 10 кОм"), text("0,25 Вт"), text("|Все|Шкаф|"), number(5), number(125000), number(5000),
         text("Чип и Дип"), text("|Все|Резисторы|"), text("0805"), number(1), text("r.pdf")},
        {text("NE555"), {}, text(""), {}, number(-2500), {}, text(""), {}, {}, number(2), text("")},
        {text("BC547"),
         text(std::string(700, 'x')),
         text("|Все|"),
         number(2147483647),
         number(922337203685477),
         number(1),
         {},
         text("|Все|"),
         text("TO-92"),
         number(7),
         {}},
        {text("LM317"), text(chain), text("|Все|"), number(0), number(0), number(0), {}, {}, {}, number(9), {}},
    };
    store.deleted_rows = {store.rows[1]};
    store.next_autonumber = 60;
    fx::Table temp{"Temp", fx::item_columns(), {}};
    temp.compressed_text = false;
    temp.rows = {store.rows[0]};
    temp.rows[0][9] = number(5);
    if (!with_datasheet) {
        for (fx::Table* t : {&store, &temp}) {
            t->columns.pop_back();
            for (auto* rows : {&t->rows, &t->deleted_rows}) {
                for (fx::Row& row : *rows) row.pop_back();
            }
        }
    }
    return {store, fx::package_table({"0805", "TO-92", "SOT-23"}), temp};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    const std::vector<std::pair<const char*, std::vector<fx::Table>>> seeds = {
        {"inventory.mdb", inventory(true)},
        {"no_datasheet.mdb", inventory(false)},
        {"empty.mdb",
         {fx::Table{"Store", fx::item_columns(), {}}, fx::package_table({}),
          fx::Table{"Temp", fx::item_columns(), {}}}},
    };
    for (const auto& [name, tables] : seeds) {
        std::string error;
        if (!fx::write_jet4_file(folder + name, tables, &error)) {
            std::fprintf(stderr, "%s: %s\n", name, error.c_str());
            return 1;
        }
    }
    return 0;
}
