// Speed of the spreadsheet module on 100 000 generated parts: the export
// writer (from the store's texts and from the list's QStrings), decoding,
// reading and planning the import of that export (new items, and merging
// into 100 000 stored ones), and the reorder list.

#include <QString>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "spreadsheet/csv_reader.h"
#include "spreadsheet/csv_writer.h"
#include "spreadsheet/import_plan.h"
#include "spreadsheet/reorder_list.h"
#include "spreadsheet/text_decoding.h"

namespace {

using namespace detalehran;
using namespace detalehran::spreadsheet;
using Clock = std::chrono::steady_clock;

constexpr int kParts = 100000;

template <typename F>
double best_ms(int runs, F&& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

// The best of three runs of work() -> result; results are freed outside the
// timing, the last one is kept.
template <typename F>
auto best_result(F&& work, double* best) {
    *best = 1e300;
    decltype(work()) kept;
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        auto result = work();
        *best = std::min(*best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (i == 2) kept = std::move(result);
    }
    return kept;
}

std::vector<db::ItemValues> generate_items() {
    static const char* const kinds[] = {"Резистор", "Конденсатор", "Диод", "Транзистор", "Микросхема", "Разъём"};
    static const char* const packages[] = {"0805", "0603", "SOT-23", "TO-220", "DIP-8", "SOIC-8"};
    static const char* const suppliers[] = {"Чип и Дип", "Элитан", "ООО \"Промэлектроника\"", "Digi-Key", ""};
    std::mt19937 random(2024);
    std::vector<db::ItemValues> items(kParts);
    for (int i = 0; i < kParts; ++i) {
        db::ItemValues& v = items[static_cast<std::size_t>(i)];
        const unsigned k = random() % 6;
        v.name = std::string(kinds[k]) + " " + std::to_string(random() % 100000);
        v.description = "Описание детали №" + std::to_string(i) + (i % 7 == 0 ? "; вторая часть, \"в кавычках\"" : "");
        // One name per level of a tree: shelves are numbered through.
        const unsigned cupboard = random() % 10;
        v.place =
            "|Все|Шкаф " + std::to_string(cupboard) + "|Полка " + std::to_string(cupboard * 10 + random() % 8) + "|";
        v.quantity = std::to_string(random() % 1000);
        v.price = std::to_string(random() % 5000) + "." + std::to_string(1000 + random() % 9000);
        v.purchase_price = "." + std::to_string(1000 + random() % 9000);
        v.supplier = suppliers[random() % 5];
        v.section_path = "|Все|" + std::string(kinds[k]) + "|Группа " + std::to_string(k * 10 + random() % 5) + "|";
        v.package = packages[random() % 6];
        v.id = std::to_string(i + 1);
        v.datasheet = i % 10 == 0 ? std::to_string(i) + ".pdf" : "";
    }
    return items;
}

}  // namespace

int main() {
    const std::vector<db::ItemValues> items = generate_items();
    const std::vector<int> columns = all_list_columns();
    std::printf("%d parts, %zu columns\n", kParts, columns.size());

    std::string csv;
    const double write_ms = best_ms(5, [&] { csv = export_items(columns, items); });
    std::printf("export from the store's texts:   %8.1f ms  (%.1f MB)\n", write_ms, csv.size() / 1e6);

    // The list model holds QStrings.
    std::vector<std::array<QString, 11>> rows(items.size());
    for (std::size_t r = 0; r < items.size(); ++r) {
        for (const int c : columns)
            rows[r][static_cast<std::size_t>(c)] = QString::fromStdString(item_column_text(items[r], c));
    }
    const double list_ms = best_ms(5, [&] {
        CsvWriter writer(kCommaStyle, csv.size());
        write_list_header(writer, columns);
        for (const auto& row : rows) {
            for (const int c : columns) write_list_cell(writer, c, QStringView(row[static_cast<std::size_t>(c)]));
            writer.end_row();
        }
        csv = writer.take();
    });
    std::printf("export from the list's QStrings: %8.1f ms\n", list_ms);

    const double read_ms = best_ms(3, [&] {
        const DecodedText text = decode_spreadsheet_text(csv);
        std::size_t fields = 0;
        (void)read_csv(text.text, detect_separator(text.text), [&](int, std::span<const std::string_view> cells) {
            fields += cells.size();
            return true;
        });
    });
    std::printf("decode and read the export:      %8.1f ms\n", read_ms);

    const NodeList root = {{QString::fromUtf8(kRootName), 0}};
    double plan_ms = 0;
    const ImportPlan plan = best_result([&] { return plan_import(csv, {}, root, root); }, &plan_ms);
    std::printf("plan import into an empty store: %8.1f ms  (%d added, %d errors, %zu + %zu nodes made)\n", plan_ms,
                plan.counts().added, plan.counts().errors, plan.created_sections.size(), plan.created_places.size());

    DuplicateIndex stored;
    const double index_ms = best_ms(1, [&] {
        for (const db::ItemValues& v : items) stored.add_stored(v.id, v.section_path, v.name, v.package, v.quantity);
    });
    std::printf("index 100 000 stored items:      %8.1f ms\n", index_ms);
    ImportSettings merge;
    merge.duplicates = DuplicateChoice::add_quantity;
    double merge_ms = 0;
    const ImportPlan merged =
        best_result([&] { return plan_import(csv, merge, plan.path_nodes, plan.location_nodes, stored); }, &merge_ms);
    std::printf("plan import merging into them:   %8.1f ms  (%d added, %d merged)\n", merge_ms, merged.counts().added,
                merged.counts().merged);

    std::vector<ReorderSource> sources;
    for (const db::ItemValues& v : items)
        sources.push_back({v.supplier, v.name, v.package, v.quantity, v.purchase_price});
    double reorder_ms = 0;
    const ReorderList list = best_result([&] { return reorder_list(sources, "500"); }, &reorder_ms);
    std::string reorder_file;
    const double reorder_csv_ms = best_ms(3, [&] { reorder_file = reorder_csv(list); });
    std::printf("reorder list (minimum 500):      %8.1f ms  (%zu rows, total %s)\n", reorder_ms, list.rows.size(),
                list.total.c_str());
    std::printf("reorder list as CSV:             %8.1f ms\n", reorder_csv_ms);
    return 0;
}
