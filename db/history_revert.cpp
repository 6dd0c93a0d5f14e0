// Taking an operation back, the connection's last undoable operation, and
// pruning the history.

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "db/history.h"
#include "db/history_rows.h"
#include "db/operation.h"
#include "schema/history_tables.h"

namespace detalehran::db {

using namespace history_rows;

namespace {

using namespace schema;

constexpr const char* kInsufficientPrivilege = "42501";

// Tables whose rows are keyed by ItemID, and which of them share keys: an
// item keeps its ID between Store and Temp.
bool keyed_items(const std::string& table) { return table == kStoreTable || table == kParkedTable; }

// The type a column's value travels as.
Value typed(const std::string& table, const std::string& column, const std::string& text) {
    if (table == kNodeTable) {
        const bool number = column == kNodeId || column == kNodeTree || column == kNodeParent || column == kNodeLevel;
        return number ? integer_value(text) : text_value(text);
    }
    for (const ColumnSpec& c : kItemColumns) {
        if (c.name != column) continue;
        if (c.kind == Kind::integer || c.kind == Kind::id) return integer_value(text);
        if (c.kind == Kind::money) {
            if (const std::optional<Money> amount = parse_money(text)) return money_value(*amount);
        }
    }
    return text_value(text);
}

void bind_or_null(Build& b, const ChangeRecord& change, const std::string& column,
                  const std::optional<std::string>& value) {
    if (value) {
        b.bind(typed(change.table, column, *value));
    } else {
        b << "NULL";
    }
}

// The operations after `operation` that touched a row of it.
Statement select_touching(const std::string& operation, bool items) {
    return in_both([&](Build& b) {
        const std::string_view tables[] = {kStoreTable, kParkedTable};
        auto of_tables = [&] {
            b.name(kHistoryTableName);
            if (items) {
                b << " IN (";
                b.bind_text(std::string(tables[0])) << ", ";
                b.bind_text(std::string(tables[1])) << ")";
            } else {
                b << " = ";
                b.bind_text(std::string(kNodeTable));
            }
        };
        b << "SELECT DISTINCT ";
        b.name(kHistoryOperation) << " FROM ";
        table(b, kHistoryTable) << " WHERE ";
        b.name(kHistoryOperation) << " > ";
        b.bind_integer(operation) << " AND ";
        of_tables();
        b << " AND ";
        b.name(kHistoryItemId) << " IN (SELECT ";
        b.name(kHistoryItemId) << " FROM ";
        table(b, kHistoryTable) << " WHERE ";
        b.name(kHistoryOperation) << " = ";
        b.bind_integer(operation) << " AND ";
        of_tables();
        b << ")";
    });
}

// Every package type row after `operation`: their operations and names.
Statement select_later_packages(const std::string& operation) {
    return in_both([&](Build& b) {
        b << "SELECT ";
        b.name(kHistoryOperation) << ", ";
        b.name(kHistoryBefore) << ", ";
        b.name(kHistoryAfter) << " FROM ";
        table(b, kHistoryTable) << " WHERE ";
        b.name(kHistoryOperation) << " > ";
        b.bind_integer(operation) << " AND ";
        b.name(kHistoryTableName) << " = ";
        b.bind_text(std::string(kPackageTable)) << " ORDER BY ";
        b.name(kHistoryOperation);
    });
}

// Rows: every revert after `operation`, and the operation it took back.
Statement select_later_reverts(const std::string& operation) {
    return in_both([&](Build& b) {
        b << "SELECT ";
        b.name(kOperationId) << ", ";
        b.name(kOperationReverts) << " FROM ";
        table(b, kOperationTable) << " WHERE ";
        b.name(kOperationId) << " > ";
        b.bind_integer(operation) << " AND ";
        b.name(kOperationReverts) << " IS NOT NULL";
    });
}

Statement select_reverting(const std::string& operation) {
    return in_both([&](Build& b) {
        b << "SELECT max(";
        b.name(kOperationId) << ") FROM ";
        table(b, kOperationTable) << " WHERE ";
        b.name(kOperationReverts) << " = ";
        b.bind_integer(operation);
    });
}

// Package types are one whatever their case.
std::string folded(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string first_value(Database& database, const Statement& statement, bool& ok) {
    std::string out;
    ok = database.db_query(statement);
    if (!ok) return out;
    if (database.db_first_row()) database.db_text(0, out);
    ok = database.last_diagnostic().empty();
    database.db_finish();
    return out;
}

bool read_pairs(Database& database, const Statement& statement, std::vector<std::pair<long long, long long>>& out) {
    if (!database.db_query(statement)) return false;
    std::string a, b;
    while (database.db_next_row()) {
        database.db_text(0, a);
        database.db_text(1, b);
        out.emplace_back(a.empty() ? 0 : std::stoll(a), b.empty() ? 0 : std::stoll(b));
    }
    const bool ok = database.last_diagnostic().empty();
    database.db_finish();
    return ok;
}

// The later operations whose changes still stand: one taken back by a
// revert that stands cancels out with it, so that undoing the newest
// operations one by one is never blocked by the earlier undos.
class StandingChanges {
public:
    StandingChanges(long long operation, const std::vector<std::pair<long long, long long>>& reverts)
        : operation_(operation) {
        for (const auto& [id, target] : reverts) {
            reverted_by_[target] = id;
            target_of_[id] = target;
        }
    }
    bool counts(long long id) const {
        if (!stands(id)) return false;
        const auto target = target_of_.find(id);
        return target == target_of_.end() || target->second <= operation_;
    }

private:
    bool stands(long long id) const {
        const auto by = reverted_by_.find(id);
        return by == reverted_by_.end() || !stands(by->second);
    }
    long long operation_;
    std::map<long long, long long> reverted_by_, target_of_;
};

// The ID of the earliest later operation that touched the rows of
// `changes` and still stands; empty when none does.
bool find_blocking(Database& database, const std::string& operation, const std::vector<ChangeRecord>& changes,
                   std::string& blocking) {
    std::set<long long> touching;
    auto add_operations = [&](const Statement& statement) {
        if (!database.db_query(statement)) return false;
        std::string id;
        while (database.db_next_row()) {
            database.db_text(0, id);
            if (!id.empty()) touching.insert(std::stoll(id));
        }
        const bool ok = database.last_diagnostic().empty();
        database.db_finish();
        return ok;
    };
    const bool has_items = std::any_of(changes.begin(), changes.end(), [](const auto& c) { return keyed_items(c.table); });
    const bool has_nodes = std::any_of(changes.begin(), changes.end(), [](const auto& c) { return c.table == kNodeTable; });
    if (has_items && !add_operations(select_touching(operation, true))) return false;
    if (has_nodes && !add_operations(select_touching(operation, false))) return false;
    std::vector<std::string> names;
    for (const ChangeRecord& c : changes) {
        if (c.table == kPackageTable) names.push_back(folded(package_name(c)));
    }
    if (!names.empty()) {
        if (!database.db_query(select_later_packages(operation))) return false;
        std::string later, before, after;
        while (database.db_next_row()) {
            database.db_text(0, later);
            database.db_text(1, before);
            database.db_text(2, after);
            for (const std::string& json : {before, after}) {
                for (const auto& [column, value] : parse_values(json, kPackageTable)) {
                    if (value && std::find(names.begin(), names.end(), folded(*value)) != names.end())
                        touching.insert(std::stoll(later));
                }
            }
        }
        const bool ok = database.last_diagnostic().empty();
        database.db_finish();
        if (!ok) return false;
    }
    if (touching.empty()) return true;
    std::vector<std::pair<long long, long long>> reverts;
    if (!read_pairs(database, select_later_reverts(operation), reverts)) return false;
    const StandingChanges standing(std::stoll(operation), reverts);
    for (const long long id : touching) {
        if (standing.counts(id)) {
            blocking = std::to_string(id);
            break;
        }
    }
    return true;
}

// The key of a row: its ID, or a package type's name.
void where_key(Build& b, const ChangeRecord& change, const std::string& package) {
    b << " WHERE ";
    if (change.table == kPackageTable) {
        b.name(kPackageColumn) << " = ";
        b.bind_text(package);
    } else {
        b.name(column_name(kId)) << " = ";
        b.bind_integer(change.item_id);
    }
}

// The statement that takes one row's change back.
Statement undo_statement(const ChangeRecord& change) {
    return in_both([&](Build& b) {
        if (change.kind == "insert") {
            b << "DELETE FROM ";
            table(b, change.table);
            where_key(b, change, package_name(change));
        } else if (change.kind == "delete") {
            b << "INSERT INTO ";
            table(b, change.table) << " (";
            bool first = true;
            for (const FieldChange& f : change.fields) {
                b << (first ? "" : ", ");
                b.name(f.column);
                first = false;
            }
            // A server numbers new rows itself unless told these are theirs.
            b << (b.jet() || change.table == kPackageTable ? ")" : ") OVERRIDING SYSTEM VALUE");
            b << " VALUES (";
            first = true;
            for (const FieldChange& f : change.fields) {
                b << (first ? "" : ", ");
                bind_or_null(b, change, f.column, f.before);
                first = false;
            }
            b << ")";
        } else {
            b << "UPDATE ";
            table(b, change.table) << " SET ";
            bool first = true;
            for (const FieldChange& f : change.fields) {
                b << (first ? "" : ", ");
                b.name(f.column) << " = ";
                bind_or_null(b, change, f.column, f.before);
                first = false;
            }
            std::string package;
            for (const FieldChange& f : change.fields) {
                if (f.column == kPackageColumn && f.after) package = *f.after;
            }
            where_key(b, change, package);
        }
    });
}

// A failure of the database, kept for the caller to word: refused when the
// role may not change the rows, failed otherwise.
void failure_of(Database& database, RevertResult& result, std::string reason = {}) {
    result.diagnostic = database.last_diagnostic();
    const bool no_right = result.diagnostic.sqlstate == kInsufficientPrivilege;
    result.outcome = no_right ? RevertResult::Outcome::refused : RevertResult::Outcome::failed;
    result.reason = no_right ? "нет прав изменять эти данные" : std::move(reason);
}

}  // namespace

RevertResult revert_operation(Database& database, const std::string& operation_id) {
    RevertResult result;
    const std::optional<OperationRecord> operation = read_operation(database, operation_id);
    if (!operation) {
        result.outcome = RevertResult::Outcome::refused;
        result.reason = "операции " + operation_id + " нет в истории";
        return result;
    }
    std::vector<ChangeRecord> changes;
    if (!read_changes(database, operation_id, changes)) {
        failure_of(database, result, "изменения операции не прочитаны");
        return result;
    }
    if (changes.empty()) {
        result.outcome = RevertResult::Outcome::refused;
        result.reason = "операция " + operation_id + " ничего не изменила";
        return result;
    }
    bool ok = true;
    if (const std::string by = first_value(database, select_reverting(operation_id), ok); !by.empty()) {
        result.outcome = RevertResult::Outcome::refused;
        result.reason = "операция " + operation_id + " уже отменена операцией " + by;
        return result;
    }
    std::string blocking;
    if (!ok || !find_blocking(database, operation_id, changes, blocking)) {
        failure_of(database, result, "история не прочитана");
        return result;
    }
    if (!blocking.empty()) {
        result.outcome = RevertResult::Outcome::blocked;
        if (std::optional<OperationRecord> later = read_operation(database, blocking)) result.blocking = *later;
        result.blocking.id = blocking;
        result.reason = "эти данные изменила позже операция " + blocking;
        return result;
    }

    const bool own_transaction = !database.in_transaction();
    if (own_transaction && !database.begin_transaction()) {
        failure_of(database, result);
        return result;
    }
    bool done = set_operation_caption(database, "Отмена: " + operation_title(*operation, changes), operation_id);
    for (auto change = changes.rbegin(); done && change != changes.rend(); ++change) {
        done = database.db_update(undo_statement(*change));
    }
    if (!done) failure_of(database, result);
    if (own_transaction && !database.end_transaction(done) && done) {
        failure_of(database, result);
        done = false;
    }
    if (!done) return result;
    result.outcome = RevertResult::Outcome::done;
    result.new_operation = first_value(database, select_reverting(operation_id), ok);
    return result;
}

std::optional<OperationRecord> last_own_operation(Database& database) {
    const std::string who = history_user(database);
    if (who.empty()) return std::nullopt;
    const Statement statement = in_both([&](Build& b) {
        b << "SELECT ";
        operation_columns(b);
        b << " FROM ";
        table(b, kOperationTable) << " WHERE ";
        b.name(kOperationWho) << " = ";
        b.bind_text(who) << " AND ";
        b.name(kOperationReverts) << " IS NULL AND ";
        b.name(kOperationId) << " NOT IN (SELECT ";
        b.name(kOperationReverts) << " FROM ";
        table(b, kOperationTable) << " WHERE ";
        b.name(kOperationReverts) << " IS NOT NULL) ORDER BY ";
        b.name(kOperationId) << " DESC LIMIT 1";
    });
    std::optional<OperationRecord> out;
    if (database.db_query(statement)) {
        if (database.db_first_row()) out = read_operation_row(database);
        database.db_finish();
    }
    return out;
}

bool prune_history(Database& database, const std::string& before_date, std::uint64_t& removed_operations) {
    removed_operations = 0;
    auto old = [&](Build& b) {
        b.name(kOperationChanged) << " < ";
        b.bind_text(before_date);
    };
    const Statement count = in_both([&](Build& b) {
        b << "SELECT count(*) FROM ";
        table(b, kOperationTable) << " WHERE ";
        old(b);
    });
    const Statement rows = in_both([&](Build& b) {
        b << "DELETE FROM ";
        table(b, kHistoryTable) << " WHERE ";
        b.name(kHistoryOperation) << " IN (SELECT ";
        b.name(kOperationId) << " FROM ";
        table(b, kOperationTable) << " WHERE ";
        old(b);
        b << ")";
    });
    const Statement operations = in_both([&](Build& b) {
        b << "DELETE FROM ";
        table(b, kOperationTable) << " WHERE ";
        old(b);
    });
    // Nothing old to delete is no failure.
    auto update = [&](const Statement& s) {
        return database.db_update(s) || database.last_diagnostic().sqlstate == kNoRowMatched;
    };
    const bool own_transaction = !database.in_transaction();
    if (own_transaction && !database.begin_transaction()) return false;
    bool ok = false;
    const std::string counted = first_value(database, count, ok);
    ok = ok && update(rows) && update(operations);
    if (own_transaction && !database.end_transaction(ok)) return false;
    if (ok) removed_operations = counted.empty() ? 0 : std::stoull(counted);
    return ok;
}

}  // namespace detalehran::db
