#include "crash/crash_check.h"

#include <sqlite3.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "db/statements.h"
#include "settings/settings_format.h"
#include "store/store_schema.h"
#include "trees/node_operations.h"

namespace detalehran::crash {

namespace fs = std::filesystem;

namespace {

// Tree control numbers as the session journals them.
constexpr int kPathTreeNumber = 0;

std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// Copies the database and whatever journal SQLite left beside it.
std::string scratch_copy(const std::string& database, const std::string& scratch_folder, std::string& problem) {
    std::error_code error;
    fs::create_directories(scratch_folder, error);
    const std::string copy = scratch_folder + "/Store.mdb";
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::remove(copy + suffix, error);
    if (!fs::exists(database)) {
        problem = "the database file is missing";
        return {};
    }
    fs::copy_file(database, copy, error);
    if (error) {
        problem = "cannot copy the database: " + error.message();
        return {};
    }
    for (const char* suffix : {"-journal", "-wal"}) {
        if (fs::exists(database + suffix)) fs::copy_file(database + suffix, copy + suffix, error);
    }
    return copy;
}

sqlite3* open_copy(const std::string& copy, std::string& problem) {
    if (store::probe_file(copy) != store::FileKind::ours) {
        problem = "the file is not an inventory database any more";
        return nullptr;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        problem = std::string("the file does not open: ") + sqlite3_errmsg(db);
        sqlite3_close(db);
        return nullptr;
    }
    store::register_text_functions(db);
    return db;
}

std::vector<std::vector<std::string>> query(sqlite3* db, const char* sql, std::string& problem) {
    std::vector<std::vector<std::string>> out;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        problem = std::string(sql) + ": " + sqlite3_errmsg(db);
        return out;
    }
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        auto& row = out.emplace_back();
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            row.emplace_back(text != nullptr ? text : "");
        }
    }
    if (rc != SQLITE_DONE) problem = std::string(sql) + ": " + sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    return out;
}

std::string check_integrity(sqlite3* db) {
    std::string problem;
    const auto rows = query(db, "PRAGMA integrity_check", problem);
    if (!problem.empty()) return problem;
    if (rows.size() != 1 || rows[0].size() != 1 || rows[0][0] != "ok") {
        std::string text = "integrity check:";
        for (const auto& row : rows) text += " " + (row.empty() ? std::string() : row[0]);
        return text;
    }
    const auto id = query(db, "PRAGMA application_id", problem);
    if (!problem.empty()) return problem;
    if (id.size() != 1 || std::atoll(id[0][0].c_str()) != store::kApplicationId) return "application id lost";
    return {};
}

bool whole_number(const std::string& text, long long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    out = std::strtoll(text.c_str(), &end, 10);
    return *end == 0;
}

bool cents(const std::string& text, long long& out) {
    if (text.empty()) {
        out = 0;
        return true;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != 0) return false;
    out = std::llround(value * 100.0);
    return true;
}

QString path_with(const std::string& path, int level, const std::string& name) {
    QStringList fields = QString::fromStdString(path).split('|');
    const int field = level + 1;
    if (level < 0 || field >= fields.size() - 1) return QString::fromStdString(path);
    fields[field] = QString::fromStdString(name);
    return fields.join('|');
}

bool same_where(const Where& a, const Where& b) { return a.store == b.store && a.temp == b.temp; }

std::string describe(const Where& w) {
    std::string out;
    out += w.store ? "Store{" + crash::describe(*w.store) + "}" : "not in Store";
    out += w.temp ? ", Temp{" + crash::describe(*w.temp) + "}" : ", not in Temp";
    return out;
}

}  // namespace

std::string describe(const Values& values) {
    std::string out;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out += "|";
        out += values[i];
    }
    return out;
}

StoreFile read_store_file(const std::string& database, const std::string& scratch_folder) {
    StoreFile out;
    const std::string copy = scratch_copy(database, scratch_folder, out.problem);
    if (copy.empty()) return out;
    sqlite3* db = open_copy(copy, out.problem);
    if (db == nullptr) return out;
    out.problem = check_integrity(db);
    if (out.problem.empty()) {
        for (const char* table : {"Store", "Temp"}) {
            const std::string sql = std::string("SELECT * FROM \"") + table + "\"";
            for (const auto& row : query(db, sql.c_str(), out.problem)) {
                if (row.size() != 11) {
                    out.problem = std::string(table) + " has rows of " + std::to_string(row.size()) + " columns";
                    break;
                }
                Values values;
                std::copy(row.begin(), row.end(), values.begin());
                long long id = 0;
                if (!whole_number(values[db::kId], id)) {
                    out.problem = std::string(table) + " has a row without an ID";
                    break;
                }
                (table == std::string("Store") ? out.items[id].store : out.items[id].temp) = values;
            }
        }
    }
    sqlite3_close(db);
    out.ok = out.problem.empty();
    return out;
}

std::string database_problem(const std::string& database, const std::string& scratch_folder) {
    std::string problem;
    const std::string copy = scratch_copy(database, scratch_folder, problem);
    if (copy.empty()) return problem;
    sqlite3* db = open_copy(copy, problem);
    if (db == nullptr) return problem;
    problem = check_integrity(db);
    sqlite3_close(db);
    return problem;
}

SettingsFile read_settings_file(const std::string& path) {
    SettingsFile out;
    if (!fs::exists(path)) {
        out.missing = true;
        out.hash = "missing";
        return out;
    }
    const std::string text = read_bytes(path);
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    out.hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().toStdString();
    if (!bytes.endsWith("\r\n")) {
        out.problem = "the file does not end with a line end (" + std::to_string(bytes.size()) + " bytes)";
        return out;
    }
    const QStringList lines = settings::settings_lines(bytes);
    for (const char* header : {settings::kTreeItems, settings::kTreeLocation, settings::kListIconFont,
                               settings::kMainWindowRect, settings::kSplitterHorizontal, settings::kSplitterVertical,
                               settings::kListIcon, settings::kColumnsQuerry, settings::kColumnsHidden,
                               settings::kCheckBoxStates, settings::kStringMin, settings::kHighLight}) {
        if (!lines.contains(QString::fromLatin1(header))) {
            out.problem = std::string("section ") + header + " is missing";
            return out;
        }
    }
    const settings::SettingsRecord record = settings::read_settings(lines);
    // What the program writes reads back to the same record and bytes; a
    // file cut short or written by two at once does not.
    if (settings::settings_text(record) != bytes) {
        out.problem = "the file does not read back as the program writes it";
        return out;
    }
    for (const NodeList* nodes : {&record.path_nodes, &record.location_nodes}) {
        if (nodes->empty() || nodes->front().name != QString::fromUtf8("Все") || nodes->front().level != 0) {
            out.problem = "a tree lost its root «Все»";
            return out;
        }
        NodeList copy = *nodes;
        if (settings::mend_tree(copy)) {
            out.problem = "a tree is not a tree";
            return out;
        }
    }
    return out;
}

int items_outside_the_trees(const StoreFile& file, const std::string& settings_path) {
    const std::string text = read_bytes(settings_path);
    const settings::SettingsRecord record =
        settings::read_settings(settings::settings_lines(QByteArray(text.data(), static_cast<qsizetype>(text.size()))));
    std::set<std::string> sections;
    std::set<std::string> places;
    for (int i = 0; i < static_cast<int>(record.path_nodes.size()); ++i)
        sections.insert(trees::build_node_path(record.path_nodes, i).toStdString());
    for (int i = 0; i < static_cast<int>(record.location_nodes.size()); ++i)
        places.insert(trees::build_node_path(record.location_nodes, i).toStdString());
    int outside = 0;
    for (const auto& [id, where] : file.items) {
        if (!where.store) continue;
        if (sections.count((*where.store)[db::kSectionPath]) == 0 || places.count((*where.store)[db::kPlace]) == 0)
            ++outside;
    }
    return outside;
}

bool same_values(const Values& expected, const Values& stored, bool loose_paths) {
    for (int c = 0; c < static_cast<int>(expected.size()); ++c) {
        const std::string& e = expected[static_cast<std::size_t>(c)];
        const std::string& s = stored[static_cast<std::size_t>(c)];
        if (loose_paths && (c == db::kPlace || c == db::kSectionPath)) continue;
        if (c == db::kQuantity || c == db::kId) {
            long long a = 0;
            long long b = 0;
            if (!whole_number(e, a) || !whole_number(s, b) || a != b) return false;
        } else if (c == db::kPrice || c == db::kPurchasePrice) {
            long long a = 0;
            long long b = 0;
            if (!cents(e, a) || !cents(s, b) || a != b) return false;
        } else if (e != s) {
            return false;
        }
    }
    return true;
}

// Expectations ---------------------------------------------------------------

std::vector<Values> Expectations::values_after(const Record& r, std::size_t first) const {
    if (r.size() < first + 11) return {};
    Values v;
    std::copy(r.begin() + static_cast<long>(first), r.begin() + static_cast<long>(first) + 11, v.begin());
    return {v};
}

void Expectations::add_state(long long id, const Where& state) {
    States& states = items_[id];
    for (const Where& s : states) {
        if (same_where(s, state)) return;
    }
    states.push_back(state);
}

void Expectations::apply(const std::vector<Record>& records) {
    for (const Record& r : records) {
        const std::string& kind = r[0];
        if (kind == "session") {
            current_tag_ = r.size() > 1 ? r[1] : "";
            // The session before with this tag was killed in the middle.
            if (auto open = open_.find(current_tag_); open != open_.end()) {
                ++interrupted_[open->second[1]];
                uncertain(open->second, false);
                settings_may_differ_ = true;
                open_.erase(open);
            }
        } else if (kind == "begin") {
            open_[current_tag_] = r;
        } else if (kind == "done") {
            done(current_tag_, r);
            open_.erase(current_tag_);
        } else if (kind == "fail") {
            ++reported_failures_;
            const std::string what = r.size() > 1 ? r[1] : "";
            if (what == "delete" || what == "cut") {
                Record ids{"begin", what};
                ids.insert(ids.end(), r.begin() + 2, r.end());
                uncertain(ids, true);
            } else if (auto open = open_.find(current_tag_); open != open_.end()) {
                uncertain(open->second, true);
            }
            open_.erase(current_tag_);
        } else if (kind == "ini") {
            ini_[current_tag_] = r.at(1);
            last_ini_ = r.at(1);
        } else if (kind == "message") {
            const std::string text = r.size() > 2 ? r[2] : "";
            ++messages_[text.substr(0, text.find('\n'))];
            // Alone on the folder the program has no reason to fail; and the
            // settings file has no lock to wait for, so its save must never
            // fail for another program's sake either.
            if (!concurrent_ || text.find("Не удалось сохранить настройки") != std::string::npos)
                faults_.push_back("session " + current_tag_ + " was told: " + text);
        } else if (kind == "fault") {
            faults_.push_back("session " + current_tag_ + " reports: " + join_record(r));
        } else if (kind != "torn") {
            faults_.push_back("journal line not understood: " + join_record(r));
        }
    }
}

void Expectations::end_sessions() {
    for (auto& [tag, begin] : open_) {
        ++interrupted_[begin[1]];
        uncertain(begin, false);
        settings_may_differ_ = true;
    }
    open_.clear();
}

void Expectations::done(const std::string& tag, const Record& r) {
    const std::string what = r.size() > 1 ? r[1] : "";
    auto fault = [&](const std::string& text) { faults_.push_back("session " + tag + ": " + text); };
    if (what == "add" || what == "dup" || what == "edit" || what == "qty") {
        const auto values = values_after(r, 2);
        if (values.empty()) return fault("short record " + join_record(r));
        long long id = 0;
        if (!whole_number(values[0][db::kId], id)) return fault(what + ": the list shows the item without an ID");
        if (what == "add" || what == "dup") {
            for (const Where& s : items_[id]) {
                if (s.store || s.temp) fault(what + ": new item got ID " + std::to_string(id) + " of a stored item");
            }
            items_[id] = {Where{values[0], std::nullopt}};
            return;
        }
        States& states = items_[id];
        if (states.empty()) states.push_back({});
        for (Where& s : states) s.store = values[0];
        return;
    }
    if (what == "delete" || what == "cut") {
        for (std::size_t i = 2; i < r.size(); ++i) {
            long long id = 0;
            if (!whole_number(r[i], id)) continue;
            if (what == "cut") ever_parked_.insert(id);
            if (what == "delete" && concurrent_ && ever_parked_.count(id) != 0) {
                // The other session may have brought it back from Temp: the
                // row the list showed, wherever it was, is gone.
                items_[id] = {Where{}};
                continue;
            }
            if (what == "delete") deleted_.insert(id);
            for (Where& s : items_[id]) {
                if (what == "cut" && s.store) s.temp = s.store;
                s.store.reset();
            }
        }
        return;
    }
    if (what == "paste" || what == "close") {
        const int column = what == "paste" ? std::atoi(r.at(2).c_str()) : -1;
        for (auto& [id, states] : items_) {
            States before = states;
            for (Where& s : states) {
                if (!s.temp) continue;
                if (!s.store && deleted_.count(id) == 0) {
                    s.store = s.temp;
                    if (column >= 0) (*s.store)[static_cast<std::size_t>(column)] = r.at(3);
                }
                s.temp.reset();
            }
            // A close does not look at its statements: with another session
            // holding the file they may have failed unseen.
            if (what == "close" && concurrent_) {
                for (const Where& s : before) add_state(id, s);
            }
        }
        return;
    }
    if (what == "rename") {
        const int column = std::atoi(r.at(2).c_str()) == kPathTreeNumber ? db::kSectionPath : db::kPlace;
        const int level = std::atoi(r.at(3).c_str());
        const std::string& old_path = r.at(4);
        renames_.push_back({column, level, old_path, r.at(5)});
        for (auto& [id, states] : items_) {
            for (Where& s : states) {
                if (!s.store) continue;
                std::string& path = (*s.store)[column];
                if (path.rfind(old_path, 0) == 0) path = path_with(path, level, r.at(5)).toStdString();
            }
        }
        return;
    }
    if (what == "start") {
        // Copies left in Temp by a cut that a kill ended halfway go; the
        // stored item stays.
        for (auto& [id, states] : items_) {
            for (Where& s : states) {
                if (s.store && s.temp) s.temp.reset();
            }
        }
    }
    // node: nothing in the database changes.
}

void Expectations::uncertain(const Record& r, bool reported_failure) {
    const std::string what = r.size() > 1 ? r[1] : "";
    if (what == "add" || what == "dup") {
        const auto values = values_after(r, what == "add" ? 2 : 3);
        if (!values.empty()) maybe_added_.push_back({values[0], reported_failure});
        return;
    }
    if (what == "edit" || what == "qty") {
        long long id = 0;
        if (r.size() < 3 || !whole_number(r[2], id)) return;
        const auto values = what == "edit" ? values_after(r, 3) : std::vector<Values>{};
        const States states = items_[id];
        for (const Where& s : states) {
            if (!s.store) continue;
            Where changed = s;
            if (what == "qty") {
                (*changed.store)[db::kQuantity] = r.at(3);
            } else if (!values.empty()) {
                for (int c = 0; c < 11; ++c) {
                    if (c != db::kSectionPath && c != db::kId) (*changed.store)[c] = values[0][c];
                }
            }
            add_state(id, changed);
        }
        return;
    }
    if (what == "delete" || what == "cut") {
        for (std::size_t i = 2; i < r.size(); ++i) {
            long long id = 0;
            if (!whole_number(r[i], id)) continue;
            if (what == "cut") ever_parked_.insert(id);
            const States states = items_[id];
            for (const Where& s : states) {
                if (!s.store) continue;
                if (what == "delete") {
                    add_state(id, concurrent_ && ever_parked_.count(id) != 0 ? Where{} : Where{std::nullopt, s.temp});
                } else {
                    add_state(id, Where{std::nullopt, s.store});
                    // Copied into Temp, not yet (or never) taken from Store.
                    add_state(id, Where{s.store, s.store});
                }
            }
        }
        return;
    }
    if (what == "paste" || what == "close") {
        const int column = what == "paste" ? std::atoi(r.at(2).c_str()) : -1;
        for (auto& [id, states_ref] : items_) {
            const States states = states_ref;
            for (const Where& s : states) {
                if (!s.temp) continue;
                Values parked = *s.temp;
                if (column >= 0) parked[static_cast<std::size_t>(column)] = r.at(3);
                add_state(id, Where{s.store, parked});
                if (s.store || deleted_.count(id) != 0) {
                    add_state(id, Where{s.store, std::nullopt});
                } else {
                    add_state(id, Where{parked, std::nullopt});
                    add_state(id, Where{parked, parked});
                }
            }
        }
        return;
    }
    if (what == "start") {
        for (auto& [id, states_ref] : items_) {
            const States states = states_ref;
            for (const Where& s : states) {
                if (s.store && s.temp) add_state(id, Where{s.store, std::nullopt});
            }
        }
        return;
    }
    if (what == "rename") {
        const int column = std::atoi(r.at(2).c_str()) == kPathTreeNumber ? db::kSectionPath : db::kPlace;
        const int level = std::atoi(r.at(3).c_str());
        const std::string& old_path = r.at(4);
        for (auto& [id, states_ref] : items_) {
            const States states = states_ref;
            for (const Where& s : states) {
                if (!s.store || (*s.store)[column].rfind(old_path, 0) != 0) continue;
                Where renamed = s;
                (*renamed.store)[column] = path_with((*s.store)[column], level, r.at(5)).toStdString();
                add_state(id, renamed);
            }
        }
        return;
    }
}

bool Expectations::matches(long long id, const Where& expected, const Where& found) const {
    if (concurrent_ && ever_parked_.count(id) != 0) {
        // The other session's paste or close may have moved it, stamped
        // with its own node, at any moment: where it is and its place and
        // section path are loose, everything else is exact.
        const std::optional<Values>& copy = expected.store ? expected.store : expected.temp;
        if (!copy) return !found.store && !found.temp;
        if (!found.store && !found.temp) return false;
        for (const auto* stored : {&found.store, &found.temp}) {
            if (*stored && !same_values(*copy, **stored, true)) return false;
        }
        return true;
    }
    if (expected.store.has_value() != found.store.has_value() || expected.temp.has_value() != found.temp.has_value())
        return false;
    auto same = [&](const Values& e, const Values& f) {
        if (!concurrent_) return same_values(e, f, false);
        return same_values(e, f, true) && path_reachable(db::kPlace, e[db::kPlace], f[db::kPlace]) &&
               path_reachable(db::kSectionPath, e[db::kSectionPath], f[db::kSectionPath]);
    };
    if (expected.store && !same(*expected.store, *found.store)) return false;
    if (expected.temp && !same(*expected.temp, *found.temp)) return false;
    return true;
}

bool Expectations::path_reachable(int column, const std::string& expected, const std::string& found) const {
    std::set<std::string> reached{expected};
    std::vector<std::string> todo{expected};
    while (!todo.empty() && reached.count(found) == 0 && reached.size() < 1000) {
        const std::string path = todo.back();
        todo.pop_back();
        for (const Rename& rename : renames_) {
            if (rename.column != column || path.rfind(rename.old_path, 0) != 0) continue;
            const std::string renamed = path_with(path, rename.level, rename.name).toStdString();
            if (reached.insert(renamed).second) todo.push_back(renamed);
        }
    }
    return reached.count(found) != 0;
}

std::vector<std::string> Expectations::compare(const StoreFile& file) {
    std::vector<std::string> out = std::move(faults_);
    faults_.clear();
    if (!file.ok) {
        out.push_back("Store.mdb: " + file.problem);
        return out;
    }
    const Where nowhere;
    for (auto& [id, states] : items_) {
        const auto found_at = file.items.find(id);
        const Where& found = found_at == file.items.end() ? nowhere : found_at->second;
        const bool ok = std::any_of(states.begin(), states.end(),
                                    [&](const Where& expected) { return matches(id, expected, found); });
        if (!ok) {
            std::string text = "item " + std::to_string(id) + " is " + describe(found) + "; the journal allows";
            for (const Where& s : states) text += "\n    " + describe(s);
            out.push_back(text);
            continue;
        }
        states = {found};
    }
    for (const auto& [id, found] : file.items) {
        if (items_.count(id) != 0) continue;
        const Values& stored = found.store ? *found.store : *found.temp;
        const auto candidate = std::find_if(maybe_added_.begin(), maybe_added_.end(), [&](const auto& added) {
            Values expected = added.first;
            expected[db::kId] = stored[db::kId];
            return same_values(expected, stored, false);
        });
        if (candidate == maybe_added_.end() || (found.store && found.temp)) {
            out.push_back("item " + std::to_string(id) + " is " + describe(found) +
                          ", though no session reported it or was adding it");
            continue;
        }
        if (candidate->second) ++failed_but_stored_;
        maybe_added_.erase(candidate);
        items_[id] = {found};
    }
    maybe_added_.clear();
    return out;
}

std::vector<std::string> Expectations::compare_settings(const SettingsFile& file) {
    std::vector<std::string> out;
    const bool may_differ = settings_may_differ_;
    settings_may_differ_ = false;
    if (!file.problem.empty()) {
        out.push_back("Store.ini: " + file.problem);
        return out;
    }
    if (last_ini_.empty() || file.hash == last_ini_) return out;
    if (concurrent_) {
        for (const auto& [tag, hash] : ini_) {
            if (hash == file.hash) return out;
        }
    }
    if (may_differ && !file.missing) {
        last_ini_ = file.hash;
        return out;
    }
    out.push_back("Store.ini is " + file.hash + ", neither the version journaled last (" + last_ini_ +
                  ") nor one written by an operation cut short");
    return out;
}

int Expectations::items_known() const {
    int n = 0;
    for (const auto& [id, states] : items_) {
        if (states.size() == 1 && (states[0].store || states[0].temp)) ++n;
    }
    return n;
}

}  // namespace detalehran::crash
