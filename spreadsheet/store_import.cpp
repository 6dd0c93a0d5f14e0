#include "spreadsheet/store_import.h"

#include <QString>
#include <algorithm>
#include <array>
#include <unordered_set>

#include "db/failure_text.h"
#include "db/statements.h"

namespace detalehran::spreadsheet {

namespace {

// Package types are one per spelling without regard to letter case, as the
// table's key compares them.
std::string folded(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toCaseFolded().toStdString();
}

std::vector<db::Database::Marker> insert_markers() {
    std::vector<db::Database::Marker> markers(db::kInsertMarkers, db::Database::Marker::text);
    for (int number : db::kInsertNumberMarkers)
        markers[static_cast<std::size_t>(number)] = db::Database::Marker::number;
    return markers;
}

std::string line_text(int line) { return "строка " + std::to_string(line); }

}  // namespace

bool read_stored_duplicates(db::Database& database, StoredDuplicates& stored) {
    if (!database.db_query(db::kSelectDuplicateKeys)) return false;
    std::string id, path, name, package, quantity;
    while (database.db_next_row()) {
        database.db_text(0, id);
        database.db_text(1, path);
        database.db_text(2, name);
        database.db_text(3, package);
        database.db_text(4, quantity);
        stored.index.add_stored(id, path, name, package, quantity);
        stored.quantities.emplace(id, quantity);
    }
    // A fetch that broke off leaves its reason behind.
    const bool complete = database.last_diagnostic().empty();
    database.db_finish();
    return complete;
}

StoreImport::~StoreImport() { rollback(); }

bool StoreImport::fail(const std::string& what) {
    failure_ = what;
    const std::string why = db::failure_text(database_.last_diagnostic());
    if (!why.empty()) failure_ += ":\n" + why;
    rollback();
    return false;
}

bool StoreImport::begin(std::string_view bytes, const ImportSettings& settings, const NodeList& path_nodes,
                        const NodeList& location_nodes, std::optional<ImportPlan> planned) {
    if (!database_.begin_transaction()) return fail("Загрузка не начата");
    began_ = true;
    // The driver takes the store for writing at the first write: these reads
    // and the plan take no lock yet.
    if (settings.duplicates != DuplicateChoice::add_new) {
        StoredDuplicates stored;
        if (!read_stored_duplicates(database_, stored)) return fail("Детали в базе данных не прочитаны");
        previous_quantities_ = std::move(stored.quantities);
        plan_ = plan_import(bytes, settings, path_nodes, location_nodes, std::move(stored.index));
    } else if (planned) {
        plan_ = std::move(*planned);
    } else {
        plan_ = plan_import(bytes, settings, path_nodes, location_nodes);
    }
    std::vector<std::string> stored_packages;
    if (plan_.changes_store() && !read_packages(stored_packages)) return fail("Типы корпусов не прочитаны");
    std::unordered_set<std::string> known;
    for (const std::string& package : stored_packages) known.insert(folded(package));
    for (const PlannedItem& item : plan_.new_items) {
        const std::string& package = item.values.package;
        if (!package.empty() && known.insert(folded(package)).second) packages_.push_back(package);
    }
    return true;
}

bool StoreImport::read_packages(std::vector<std::string>& stored) {
    if (!database_.db_query(db::kSelectPackages)) return false;
    while (database_.db_next_row()) stored.push_back(database_.db_text(0));
    const bool complete = database_.last_diagnostic().empty();
    database_.db_finish();
    return complete;
}

bool StoreImport::store_some(std::size_t count) {
    if (!began_) return false;
    const std::size_t items = plan_.new_items.size();
    const std::size_t merges = plan_.merges.size();
    for (const std::size_t end = std::min(total(), next_ + count); next_ < end; ++next_) {
        const bool ok = next_ < items            ? store_item(next_)
                        : next_ < items + merges ? store_merge(next_ - items)
                                                 : store_package(next_ - items - merges);
        if (!ok) return false;
    }
    return true;
}

bool StoreImport::store_item(std::size_t index) {
    if (!prepared_) {
        if (!database_.prepare_update(db::insert_item_with_markers(), insert_markers())) {
            return fail("Детали не записаны");
        }
        prepared_ = true;
    }
    const PlannedItem& item = plan_.new_items[index];
    const db::ItemValues& v = item.values;
    const std::array<std::string_view, db::kInsertMarkers> values = {
        v.name,           v.description, v.place,        v.quantity, v.price,
        v.purchase_price, v.supplier,    v.section_path, v.package,  v.datasheet};
    if (database_.execute_prepared(values)) return true;
    return fail("Деталь не записана (" + line_text(item.line) + ")");
}

bool StoreImport::store_merge(std::size_t index) {
    const QuantityMerge& merge = plan_.merges[index];
    const auto previous = previous_quantities_.find(merge.id);
    const std::string before = previous == previous_quantities_.end() ? std::string() : previous->second;
    if (database_.db_update(db::set_item_quantity(merge.quantity, merge.id, before))) return true;
    const bool changed = database_.last_diagnostic().sqlstate == db::kNoRowMatched;
    return fail("Количество не изменено (" + line_text(merge.lines.front()) + ")" +
                (changed ? ": пока шла загрузка, деталь изменили или удалили" : ""));
}

bool StoreImport::store_package(std::size_t index) {
    // A type stored meanwhile under another spelling is no failure.
    if (database_.db_update(db::insert_package(packages_[index]))) return true;
    if (database_.last_diagnostic().sqlstate.starts_with("23")) return true;
    return fail("Тип корпуса «" + packages_[index] + "» не записан");
}

bool StoreImport::commit() {
    if (!began_ || !finished()) return false;
    database_.finish_prepared();
    if (!database_.commit()) return fail("Загрузка не сохранена");
    committed_ = true;
    return true;
}

void StoreImport::rollback() {
    database_.finish_prepared();
    prepared_ = false;
    if (began_ && !committed_) database_.rollback();
    began_ = false;
}

ImportOutcome import_in_one_go(db::Database& database, std::string_view bytes, const ImportSettings& settings,
                               const NodeList& path_nodes, const NodeList& location_nodes, bool dry_run) {
    ImportOutcome outcome;
    StoreImport run(database);
    const bool ok = run.begin(bytes, settings, path_nodes, location_nodes) && !dry_run && run.plan().changes_store() &&
                    run.store_some(run.total()) && run.commit();
    outcome.stored = ok;
    outcome.failure = run.failure();
    outcome.plan = run.take_plan();
    return outcome;
}

}  // namespace detalehran::spreadsheet
