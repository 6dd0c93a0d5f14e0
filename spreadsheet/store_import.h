#pragma once
// The database step of an import, the same for the program and the command
// line: one transaction in which the stored items the duplicates choice
// compares are read, the file is planned against them, and the plan's new
// items, merged quantities and package types are stored, all or none.
// Storing goes in steps, so that a window can show its progress and stop
// it between two of them.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/database.h"
#include "spreadsheet/import_plan.h"

namespace detalehran::spreadsheet {

// The stored items as the duplicates choice needs them, and each one's
// quantity as stored (by ID), which a merge expects to find unchanged.
struct StoredDuplicates {
    DuplicateIndex index;
    std::unordered_map<std::string, std::string> quantities;
};
// False when the store could not be read whole; the reason is the
// database's last diagnostic.
bool read_stored_duplicates(db::Database& database, StoredDuplicates& stored);

class StoreImport {
public:
    explicit StoreImport(db::Database& database) : database_(database) {}
    // Whatever was not committed is rolled back.
    ~StoreImport();
    StoreImport(const StoreImport&) = delete;
    StoreImport& operator=(const StoreImport&) = delete;

    // Opens the transaction and plans the file: against the stored items
    // when the duplicates choice looks at them, otherwise `planned` is taken
    // when given (a plan of the same file, settings and trees). False when
    // the store failed; a file the plan refuses is no failure here.
    bool begin(std::string_view bytes, const ImportSettings& settings, const NodeList& path_nodes,
               const NodeList& location_nodes, std::optional<ImportPlan> planned = std::nullopt);
    const ImportPlan& plan() const { return plan_; }
    ImportPlan take_plan() { return std::move(plan_); }

    // Stores up to `count` more of the plan's statements. False on a
    // failure, after which the transaction has been rolled back.
    bool store_some(std::size_t count);
    std::size_t stored() const { return next_; }
    std::size_t total() const { return plan_.new_items.size() + plan_.merges.size() + packages_.size(); }
    bool finished() const { return next_ == total(); }

    // Commits a finished import; false (and rolled back) when that failed.
    bool commit();
    void rollback();
    bool committed() const { return committed_; }

    // Why begin, store_some or commit failed, in the user's words.
    const std::string& failure() const { return failure_; }

private:
    bool fail(const std::string& what);
    bool store_item(std::size_t index);
    bool store_merge(std::size_t index);
    bool store_package(std::size_t index);
    bool read_packages(std::vector<std::string>& stored);

    db::Database& database_;
    ImportPlan plan_;
    std::unordered_map<std::string, std::string> previous_quantities_;
    std::vector<std::string> packages_;  // types the new items bring that [Package] lacks
    std::size_t next_ = 0;
    bool began_ = false;
    bool prepared_ = false;
    bool committed_ = false;
    std::string failure_;
};

// Plans the file and stores it in one go: the command line's import. With
// dry_run nothing is stored; the plan says what would be. `failure` is
// empty unless the store failed.
struct ImportOutcome {
    ImportPlan plan;
    bool stored = false;
    std::string failure;
};
ImportOutcome import_in_one_go(db::Database& database, std::string_view bytes, const ImportSettings& settings,
                               const NodeList& path_nodes, const NodeList& location_nodes, bool dry_run);

}  // namespace detalehran::spreadsheet
