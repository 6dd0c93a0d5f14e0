#include "spreadsheet/store_reading.h"

#include <array>
#include <iterator>

#include "state/column_table.h"

namespace detalehran::spreadsheet {

namespace {

// Runs the query and hands every row to read; false when it failed or broke off.
template <typename Read>
bool read_rows(db::Database& database, const db::Statement& query, Read read) {
    if (!database.db_query(query)) return false;
    while (database.db_next_row()) read();
    const bool complete = database.last_diagnostic().empty();
    database.db_finish();
    return complete;
}

// The writer hands its bytes on in pieces of about this size.
constexpr std::size_t kPiece = 1 << 20;

}  // namespace

bool read_all_items(db::Database& database, std::vector<db::ItemValues>& items) {
    return read_rows(database, db::kSelectItemsById, [&] {
        db::ItemValues& item = items.emplace_back();
        // In the columns' order of SELECT *.
        std::string* const texts[] = {
            &item.name,     &item.description,  &item.place,   &item.quantity, &item.price,    &item.purchase_price,
            &item.supplier, &item.section_path, &item.package, &item.id,       &item.datasheet};
        for (int column = 0; column < static_cast<int>(std::size(texts)); ++column) {
            database.db_text(column, *texts[column]);
        }
    });
}

bool read_reorder_sources(db::Database& database, std::vector<ReorderSource>& items) {
    return read_rows(database, db::kSelectReorderSources, [&] {
        ReorderSource& item = items.emplace_back();
        database.db_text(0, item.supplier);
        database.db_text(1, item.name);
        database.db_text(2, item.package);
        database.db_text(3, item.quantity);
        database.db_text(4, item.purchase_price);
        database.db_text(5, item.id);
    });
}

StreamedExport export_store(db::Database& database, CsvStyle style, const ByteSink& sink) {
    StreamedExport result;
    const std::vector<int> columns = all_list_columns();
    CsvWriter writer(style, kPiece + kPiece / 4);
    write_list_header(writer, columns);
    // One text per column, reused row after row.
    std::array<std::string, kListColumns> texts;
    if (!database.db_query(db::kSelectItemsById)) {
        result.read = false;
        return result;
    }
    while (result.written && database.db_next_row()) {
        for (const int column : columns) {
            std::string& text = texts[static_cast<std::size_t>(column)];
            database.db_text(column, text);
            write_list_cell(writer, column, std::string_view(text));
        }
        writer.end_row();
        ++result.rows;
        if (writer.bytes().size() >= kPiece) result.written = sink(writer.drain());
    }
    // A fetch that broke off leaves its reason behind.
    result.read = database.last_diagnostic().empty();
    database.db_finish();
    if (result.read && result.written) result.written = sink(writer.drain());
    return result;
}

}  // namespace detalehran::spreadsheet
