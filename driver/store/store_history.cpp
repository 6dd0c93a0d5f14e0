#include "store/store_history.h"

#include <errno.h>
#include <pwd.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "core/money.h"
#include "schema/history_tables.h"

namespace detalehran::store {

namespace {

// What one connection's triggers read. The caption and the key belong to
// the transaction that is open (or, for the caption, that the next change
// opens) and are forgotten when it ends.
struct HistoryState {
    std::string who;
    std::string caption;
    std::string reverts;
    sqlite3_int64 key = 0;
    bool on = true;

    void forget_transaction() {
        caption.clear();
        reverts.clear();
        key = 0;
    }
};

std::string connection_author() {
    std::string user;
    if (const passwd* pw = ::getpwuid(::geteuid()); pw != nullptr && pw->pw_name != nullptr) {
        user = pw->pw_name;
    } else {
        user = std::to_string(::geteuid());
    }
    return user + " (" + program_invocation_short_name + ")";
}

HistoryState& state_of(sqlite3_context* ctx) { return *static_cast<HistoryState*>(sqlite3_user_data(ctx)); }

void result_text_or_null(sqlite3_context* ctx, const std::string& text) {
    if (text.empty()) {
        sqlite3_result_null(ctx);
    } else {
        sqlite3_result_text(ctx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
}

std::string value_text(sqlite3_value* v) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string();
}

void history_who(sqlite3_context* ctx, int, sqlite3_value**) { result_text_or_null(ctx, state_of(ctx).who); }

// history_caption() reads the caption; history_caption(caption, reverts)
// sets it and the operation the transaction takes back.
void history_caption(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    HistoryState& state = state_of(ctx);
    if (argc == 2) {
        state.caption = value_text(argv[0]);
        state.reverts = value_text(argv[1]);
        sqlite3_result_int(ctx, 1);
        return;
    }
    result_text_or_null(ctx, state.caption);
}

void history_reverts(sqlite3_context* ctx, int, sqlite3_value**) { result_text_or_null(ctx, state_of(ctx).reverts); }

void history_key(sqlite3_context* ctx, int, sqlite3_value**) {
    HistoryState& state = state_of(ctx);
    while (state.key == 0) sqlite3_randomness(sizeof state.key, &state.key);
    sqlite3_result_int64(ctx, state.key);
}

void history_on(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    HistoryState& state = state_of(ctx);
    if (argc == 1) state.on = sqlite3_value_int(argv[0]) != 0;
    sqlite3_result_int(ctx, state.on ? 1 : 0);
}

void append_json_string(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

// A column's value as the history keeps it: text as it is, numbers as their
// decimal text, money as the driver reads it back ("12.5000").
void append_value(std::string& out, sqlite3_value* v, bool money) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_NULL:
            out += "null";
            return;
        case SQLITE_INTEGER:
            append_json_string(out, money ? odbc::money_text(static_cast<std::int64_t>(sqlite3_value_int64(v)))
                                          : std::to_string(sqlite3_value_int64(v)));
            return;
        case SQLITE_FLOAT:
            if (money) {
                append_json_string(out, odbc::money_text(sqlite3_value_double(v)));
                return;
            }
            break;
        default:
            break;
    }
    append_json_string(out, value_text(v));
}

// A column name argument: a leading "$" marks a money column.
std::string_view column_of(sqlite3_value* v, bool& money) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    std::string_view name = p ? std::string_view(p, static_cast<std::size_t>(sqlite3_value_bytes(v))) : "";
    money = name.starts_with('$');
    if (money) name.remove_prefix(1);
    return name;
}

void append_member(std::string& out, std::string_view name, sqlite3_value* v, bool money) {
    out += out.size() == 1 ? "" : ",";
    append_json_string(out, name);
    out += ':';
    append_value(out, v, money);
}

// history_values(name, value, ...): the row's values as a JSON object,
// NULL columns left out.
void history_values(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    std::string out = "{";
    for (int k = 0; k + 1 < argc; k += 2) {
        if (sqlite3_value_type(argv[k + 1]) == SQLITE_NULL) continue;
        bool money = false;
        const std::string_view name = column_of(argv[k], money);
        append_member(out, name, argv[k + 1], money);
    }
    out += '}';
    sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

bool numeric(int type) { return type == SQLITE_INTEGER || type == SQLITE_FLOAT; }

// As the triggers' "IS NOT ... COLLATE BINARY": a change of letter case is
// a change.
bool same_value(sqlite3_value* a, sqlite3_value* b) {
    const int ta = sqlite3_value_type(a), tb = sqlite3_value_type(b);
    if (numeric(ta) && numeric(tb)) {
        if (ta == SQLITE_INTEGER && tb == SQLITE_INTEGER) return sqlite3_value_int64(a) == sqlite3_value_int64(b);
        return sqlite3_value_double(a) == sqlite3_value_double(b);
    }
    if (ta != tb) return false;
    if (ta == SQLITE_NULL) return true;
    return value_text(a) == value_text(b);
}

// history_changes(side, name, old, new, ...): the changed columns' old
// (side 0) or new (side 1) values as a JSON object.
void history_changes(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    const int side = sqlite3_value_int(argv[0]);
    std::string out = "{";
    for (int k = 1; k + 2 < argc; k += 3) {
        if (same_value(argv[k + 1], argv[k + 2])) continue;
        bool money = false;
        const std::string_view name = column_of(argv[k], money);
        append_member(out, name, argv[k + 1 + side], money);
    }
    out += '}';
    sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

int transaction_ended(void* state) {
    static_cast<HistoryState*>(state)->forget_transaction();
    return 0;  // the commit goes ahead
}

void rolled_back(void* state) { static_cast<HistoryState*>(state)->forget_transaction(); }

int user_version(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    int version = 0;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        version = sqlite3_column_int(stmt, 0);
    }
    sqlite3_finalize(stmt);
    return version;
}

std::vector<std::string> names_in(sqlite3* db, const char* sql) {
    std::vector<std::string> out;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            if (const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) out.push_back(name);
        }
    }
    sqlite3_finalize(stmt);
    return out;
}

}  // namespace

bool register_history_functions(sqlite3* db) {
    auto* state = new HistoryState;
    state->who = connection_author();
    const int flags = SQLITE_UTF8;
    struct Function {
        const char* name;
        int args;
        void (*call)(sqlite3_context*, int, sqlite3_value**);
    };
    static constexpr Function kFunctions[] = {
        {"history_caption", 0, history_caption}, {"history_caption", 2, history_caption},
        {"history_reverts", 0, history_reverts}, {"history_key", 0, history_key},
        {"history_on", 0, history_on},           {"history_on", 1, history_on},
        {"history_values", -1, history_values},  {"history_changes", -1, history_changes},
    };
    bool ok = true;
    for (const Function& f : kFunctions) {
        ok = ok && sqlite3_create_function_v2(db, f.name, f.args, flags, state, f.call, nullptr, nullptr, nullptr) ==
                       SQLITE_OK;
    }
    sqlite3_commit_hook(db, transaction_ended, state);
    sqlite3_rollback_hook(db, rolled_back, state);
    // Registered last, it owns the state: registering again replaces every
    // function above before this one lets the old state go. SQLite frees
    // the state itself when this registration fails.
    return sqlite3_create_function_v2(db, "history_who", 0, flags, state, history_who, nullptr, nullptr,
                                      [](void* p) { delete static_cast<HistoryState*>(p); }) == SQLITE_OK &&
           ok;
}

void set_history_recording(sqlite3* db, bool on) {
    sqlite3_exec(db, on ? "SELECT history_on(1)" : "SELECT history_on(0)", nullptr, nullptr, nullptr);
}

void settle_history(sqlite3* db) {
    if (user_version(db) < kHistoryVersion) {
        std::string sql = "BEGIN IMMEDIATE;";
        for (const std::string& statement : schema::sqlite_history_statements()) sql += statement + ";";
        sql += "PRAGMA user_version = " + std::to_string(kHistoryVersion) + "; COMMIT;";
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK && !sqlite3_get_autocommit(db))
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return;
    }
    // A store whose history was dropped by hand keeps working: its triggers
    // would make every change fail for want of the tables.
    const std::vector<std::string> tables =
        names_in(db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name IN ('History', 'HistoryOperations')");
    if (tables.size() == 2) return;
    const std::vector<std::string> objects = schema::sqlite_history_objects();
    std::string sql;
    for (const std::string& trigger :
         names_in(db, "SELECT name FROM sqlite_master WHERE type = 'trigger' AND name LIKE 'History%'")) {
        if (std::find(objects.begin(), objects.end(), trigger) != objects.end())
            sql += "DROP TRIGGER IF EXISTS \"" + trigger + "\";";
    }
    if (!sql.empty()) sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

}  // namespace detalehran::store
