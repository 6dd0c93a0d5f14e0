#pragma once
// What the journals of crash sessions say must be in the working folder, and
// the look at the folder's files that compares: Store.mdb read with SQLite
// directly (from a copy, so that the program itself later meets the files
// exactly as the kill left them), Store.ini read with the pure reader.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "crash/journal.h"

namespace detalehran::crash {

// One item in the database: its row in Store, in Temp, in both or in none.
struct Where {
    std::optional<Values> store;
    std::optional<Values> temp;
};

struct StoreFile {
    bool ok = false;
    std::string problem;  // why the file is not a sound inventory database
    std::map<long long, Where> items;
};

// Copies the database (and a journal SQLite left behind) into scratch, lets
// SQLite recover the copy as the program's next start would, and reads it:
// integrity check, application id, every row of Store and Temp.
StoreFile read_store_file(const std::string& database, const std::string& scratch_folder);
// Only whether the file opens and passes the integrity check.
std::string database_problem(const std::string& database, const std::string& scratch_folder);

struct SettingsFile {
    bool missing = false;
    std::string hash;     // as the session journals it
    std::string problem;  // empty for a complete file with both roots
};
SettingsFile read_settings_file(const std::string& path);

// Stored items (in Store) whose section path or place is no node of the
// trees in the settings file: the list shows them under «Все» only.
int items_outside_the_trees(const StoreFile& file, const std::string& settings_path);

// Whether a stored item has the values the journal gave (prices and numbers
// compared as numbers). With loose_paths, place and section path are not
// compared.
bool same_values(const Values& expected, const Values& stored, bool loose_paths);
std::string describe(const Values& values);

// The states each item may be in, from the journals. After a kill, an
// operation begun and not reported may have happened or not, item by item.
class Expectations {
public:
    // Two sessions at once: their journals are applied one after the other,
    // so what one session's paste or close does to the other's parked items
    // is only known loosely (see matches()).
    explicit Expectations(bool concurrent) : concurrent_(concurrent) {}

    void apply(const std::vector<Record>& records);
    // The sessions are gone: whatever a session had begun stays open either
    // way.
    void end_sessions();

    // Compares with the database; returns one line per discrepancy. Then the
    // expectations become what was found, item by item.
    std::vector<std::string> compare(const StoreFile& file);
    // Compares Store.ini with the last version the journals recorded; a new
    // complete file is taken when an operation was cut short or when
    // several sessions wrote it.
    std::vector<std::string> compare_settings(const SettingsFile& file);

    int items_known() const;
    // How many kills fell into each operation.
    const std::map<std::string, int>& interrupted() const { return interrupted_; }
    // Items stored though the program reported their save as failed.
    int failed_but_stored() const { return failed_but_stored_; }
    int reported_failures() const { return reported_failures_; }
    // Messages the program showed, by their first line.
    const std::map<std::string, int>& messages() const { return messages_; }

private:
    using States = std::vector<Where>;

    void done(const std::string& tag, const Record& r);
    void uncertain(const Record& r, bool reported_failure);
    void add_state(long long id, const Where& state);
    std::vector<Values> values_after(const Record& r, std::size_t first) const;
    bool matches(long long id, const Where& expected, const Where& found) const;

    bool concurrent_;
    std::map<long long, States> items_;
    std::set<long long> ever_parked_;
    // Two sessions at once: every rename either did, as (column, level, old
    // node path, new name). The other session's items under the node were
    // renamed with it, at a moment its journal does not tell.
    struct Rename {
        int column;
        int level;
        std::string old_path;
        std::string name;
    };
    std::vector<Rename> renames_;
    bool path_reachable(int column, const std::string& expected, const std::string& found) const;
    // Items a session deleted: a stale copy in Temp must never bring them back.
    std::set<long long> deleted_;
    // Items whose add was cut short or reported failed: stored or not,
    // told apart by their unique name.
    std::vector<std::pair<Values, bool>> maybe_added_;
    std::map<std::string, Record> open_;       // session tag -> operation begun
    std::map<std::string, std::string> ini_;   // session tag -> last Store.ini hash
    std::string last_ini_;                     // the one journaled last
    bool settings_may_differ_ = false;
    std::vector<std::string> faults_;
    std::map<std::string, int> interrupted_;
    int failed_but_stored_ = 0;
    int reported_failures_ = 0;
    std::map<std::string, int> messages_;
    std::string current_tag_;
};

}  // namespace detalehran::crash
