#pragma once
// What importing a spreadsheet's CSV file would do, worked out without the
// store: for each line an item to add, a quantity to add to an item that is
// there already, a skip, or an error with its line number and reason. The
// database step stores the plan in one transaction (or nothing of it), and
// writes the trees with their new nodes to the settings file.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/statements.h"
#include "spreadsheet/column_mapping.h"
#include "spreadsheet/duplicate_index.h"
#include "spreadsheet/problem.h"
#include "spreadsheet/text_decoding.h"
#include "state/node_list.h"

namespace detalehran::spreadsheet {

// What happens to a line whose name and package equal those of an item
// already in the same section.
enum class DuplicateChoice { add_new, add_quantity, skip };

struct ImportSettings {
    std::optional<Encoding> encoding;  // detected when not set
    std::optional<char> separator;     // detected when not set
    // The file's line that holds the header; 0: the first of the file's
    // first lines with the most known headers (a title may stand above it).
    int header_line = 0;
    std::vector<Field> mapping;  // one field per column; from the header when empty
    // The user's word on single columns, over the mapping (the tool's --map
    // and --skip-column).
    std::vector<ColumnChoice> columns;
    // Refuse the file when a column that holds data is not loaded and the
    // user has said nothing about it (the tool; the dialog asks instead).
    bool refuse_unloaded = false;
    // Where the items go when the file has no section or place column, or
    // the line's cell is empty; either path form.
    std::string target_section = "|Все|";
    std::string target_place = "|Все|";
    DuplicateChoice duplicates = DuplicateChoice::add_new;
    // The file's path or name, for the import's caption in the history.
    std::string file_name;
};

// A new item; values.id is empty (the store numbers it), prices are in the
// store's money text, the quantity plain digits, paths in stored form.
struct PlannedItem {
    int line = 0;
    db::ItemValues values;
};

// A stored item's quantity after the lines merged into it.
struct QuantityMerge {
    std::string id;
    std::string quantity;
    std::vector<int> lines;
};

struct ImportCounts {
    int added = 0;
    int merged = 0;
    int skipped = 0;
    int errors = 0;
    bool operator==(const ImportCounts&) const = default;
};

struct PreviewRow {
    int line = 0;
    std::vector<std::string> cells;
};

inline constexpr std::size_t kPreviewRows = 20;

struct ImportPlan {
    // The file cannot be imported at all; nothing below is filled then but
    // what was found before the problem (the encoding, the separator, the
    // header).
    std::optional<Problem> refusal;

    Encoding encoding = Encoding::utf8;
    char separator = ';';
    int header_line = 0;
    std::vector<std::string> header;
    std::vector<Field> mapping;
    std::vector<PreviewRow> preview;  // the first data lines, as read
    // The file's first records with text, any of which may be the header.
    std::vector<PreviewRow> first_records;

    // What is left out, each listed for the user before anything is stored:
    // lines above the header (a title), a last line of totals, and columns
    // that hold data but are not loaded (not counting the rows' numbers and
    // the columns the user spoke of).
    std::vector<int> lines_above_header;
    int total_line = 0;
    std::vector<std::size_t> unloaded_columns;
    // How columns with "1,250" cells were read, in words.
    std::vector<std::string> comma_notes;

    std::vector<PlannedItem> new_items;
    int streamed_items = 0;  // new items handed to an item sink instead
    std::vector<QuantityMerge> merges;
    std::vector<int> merged_lines;  // into stored or into planned items
    std::vector<int> skipped_lines;
    std::vector<Problem> errors;  // in line order

    // The trees with the nodes the new items need, and those nodes' paths
    // in the order they were created.
    NodeList path_nodes;
    NodeList location_nodes;
    std::vector<std::string> created_sections;
    std::vector<std::string> created_places;

    ImportCounts counts() const;
    // Whether storing the plan would change the store.
    bool changes_store() const { return !new_items.empty() || streamed_items > 0 || !merges.empty(); }
};

// Takes each new item as soon as its line is planned, so that a large file
// is stored as it is read and never held; false stops the reading. The
// values are valid only during the call.
using ItemSink = std::function<bool(int line, const db::ItemValues& values)>;

// Plans the import of a file's bytes into trees holding these nodes, with
// `existing` knowing the stored items (only needed when duplicates are not
// simply added). With a sink the new items go there rather than into the
// plan, unless duplicates add to quantities (a later line may add to an
// item planned before). A file found refused at its end has had items
// handed over all the same: the sink's work must be undone then.
ImportPlan plan_import(std::string_view bytes, const ImportSettings& settings, const NodeList& path_nodes,
                       const NodeList& location_nodes, DuplicateIndex existing = {}, const ItemSink& sink = {});

// "Добавлено: 3, добавлено к количеству: 1, пропущено: 0, с ошибками: 2."
std::string import_summary(const ImportCounts& counts);

// "Столбцы не загружаются: «Кол-во», «Место»."; empty when every column
// with data is loaded.
std::string unloaded_columns_text(const ImportPlan& plan);
// What the plan leaves out or decided, one sentence each: the lines above
// the header, the totals line, the unloaded columns, the commas' reading.
std::vector<std::string> import_notes(const ImportPlan& plan);

}  // namespace detalehran::spreadsheet
