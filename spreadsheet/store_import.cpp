#include "spreadsheet/store_import.h"

#include <QString>
#include <algorithm>
#include <array>
#include <unordered_set>

#include "db/failure_text.h"
#include "db/operation.h"
#include "db/statements.h"

namespace detalehran::spreadsheet {

namespace {

// Package types are one per spelling without regard to letter case, as the
// table's key compares them.
std::string folded(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toCaseFolded().toStdString();
}

std::string line_text(int line) { return "строка " + std::to_string(line); }

// The import's caption in the history: "Импорт parts.csv: 120 деталей", or
// without the count when the lines are stored as they are read.
std::string import_caption(const std::string& file_name, std::optional<std::size_t> items) {
    const std::size_t slash = file_name.find_last_of('/');
    std::string caption = "Импорт " + (slash == std::string::npos ? file_name : file_name.substr(slash + 1));
    if (!items) return caption;
    const std::size_t n = *items, tens = n % 100, ones = n % 10;
    const char* word = tens / 10 != 1 && ones == 1               ? "деталь"
                       : tens / 10 != 1 && ones >= 2 && ones <= 4 ? "детали"
                                                                  : "деталей";
    return caption + ": " + std::to_string(n) + " " + word;
}

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
    if (plan_.changes_store() &&
        !db::set_operation_caption(database_,
                                   import_caption(settings.file_name, plan_.new_items.size() + plan_.merges.size())))
        return fail("Загрузка не начата");
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
        if (!database_.prepare_update(db::insert_item_with_markers(), db::insert_marker_types())) {
            return fail("Детали не записаны");
        }
        prepared_ = true;
    }
    const PlannedItem& item = plan_.new_items[index];
    if (database_.execute_prepared(db::insert_marker_values(item.values))) return true;
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

namespace {

// The command line's import of new items: each line stored as soon as it is
// planned, in the one transaction, and nothing of the file held.
class StreamedImport {
public:
    explicit StreamedImport(db::Database& database) : database_(database) {}
    ~StreamedImport() {
        database_.finish_prepared();
        if (began_ && !committed_) database_.rollback();
    }
    StreamedImport(const StreamedImport&) = delete;
    StreamedImport& operator=(const StreamedImport&) = delete;

    ImportOutcome run(std::string_view bytes, const ImportSettings& settings, const NodeList& path_nodes,
                      const NodeList& location_nodes, bool dry_run) {
        ImportOutcome outcome;
        if (!dry_run && !prepare(settings)) {
            outcome.failure = failure_;
            return outcome;
        }
        const ItemSink sink = [&](int line, const db::ItemValues& v) { return dry_run || store(line, v); };
        outcome.plan = plan_import(bytes, settings, path_nodes, location_nodes, {}, sink);
        if (!failure_.empty()) {
            outcome.failure = failure_;
            return outcome;
        }
        if (dry_run || outcome.plan.refusal || !outcome.plan.changes_store()) return outcome;
        for (const std::string& package : packages_) {
            // A type stored meanwhile under another spelling is no failure.
            if (database_.db_update(db::insert_package(package))) continue;
            if (database_.last_diagnostic().sqlstate.starts_with("23")) continue;
            outcome.failure = reason("Тип корпуса «" + package + "» не записан");
            return outcome;
        }
        database_.finish_prepared();
        if (!database_.commit()) {
            outcome.failure = reason("Загрузка не сохранена");
            return outcome;
        }
        committed_ = true;
        outcome.stored = true;
        return outcome;
    }

private:
    std::string reason(const std::string& what) const {
        const std::string why = db::failure_text(database_.last_diagnostic());
        return why.empty() ? what : what + ":\n" + why;
    }

    bool prepare(const ImportSettings& settings) {
        if (!database_.begin_transaction()) {
            failure_ = reason("Загрузка не начата");
            return false;
        }
        began_ = true;
        if (!db::set_operation_caption(database_, import_caption(settings.file_name, std::nullopt))) {
            failure_ = reason("Загрузка не начата");
            return false;
        }
        if (!database_.db_query(db::kSelectPackages)) {
            failure_ = reason("Типы корпусов не прочитаны");
            return false;
        }
        while (database_.db_next_row()) known_packages_.insert(folded(database_.db_text(0)));
        const bool complete = database_.last_diagnostic().empty();
        database_.db_finish();
        if (!complete) {
            failure_ = reason("Типы корпусов не прочитаны");
            return false;
        }
        if (!database_.prepare_update(db::insert_item_with_markers(), db::insert_marker_types())) {
            failure_ = reason("Детали не записаны");
            return false;
        }
        return true;
    }

    bool store(int line, const db::ItemValues& v) {
        // Most lines repeat a spelling seen before: no folding for those.
        if (!v.package.empty() && seen_packages_.insert(v.package).second &&
            known_packages_.insert(folded(v.package)).second) {
            packages_.push_back(v.package);
        }
        if (database_.execute_prepared(db::insert_marker_values(v))) return true;
        failure_ = reason("Деталь не записана (" + line_text(line) + ")");
        return false;
    }

    db::Database& database_;
    std::unordered_set<std::string> known_packages_;  // folded
    std::unordered_set<std::string> seen_packages_;   // as the lines spell them
    std::vector<std::string> packages_;               // types the new items bring that [Package] lacks
    std::string failure_;
    bool began_ = false;
    bool committed_ = false;
};

}  // namespace

ImportOutcome import_in_one_go(db::Database& database, std::string_view bytes, const ImportSettings& settings,
                               const NodeList& path_nodes, const NodeList& location_nodes, bool dry_run) {
    // Merged quantities need the stored items and every planned one first.
    if (settings.duplicates == DuplicateChoice::add_new) {
        StreamedImport streamed(database);
        return streamed.run(bytes, settings, path_nodes, location_nodes, dry_run);
    }
    ImportOutcome outcome;
    StoreImport run(database);
    const bool ok = run.begin(bytes, settings, path_nodes, location_nodes) && !dry_run && run.plan().changes_store() &&
                    !run.plan().refusal && run.store_some(run.total()) && run.commit();
    outcome.stored = ok;
    outcome.failure = run.failure();
    outcome.plan = run.take_plan();
    return outcome;
}

}  // namespace detalehran::spreadsheet
