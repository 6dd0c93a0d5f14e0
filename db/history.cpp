#include "db/history.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "db/history_rows.h"
#include "db/statements.h"
#include "schema/history_tables.h"

namespace detalehran::db {

namespace history_rows {

Build& table(Build& b, std::string_view name) { return b.jet() ? b.name(name) : b.shared(name); }

Build& qualified(Build& b, std::string_view table_name, std::string_view column) {
    table(b, table_name) << ".";
    return b.name(column);
}

void operation_columns(Build& b) {
    using namespace schema;
    for (const std::string_view column :
         {kOperationId, kOperationCaption, kOperationChanged, kOperationWho, kOperationReverts}) {
        qualified(b, kOperationTable, column) << ", ";
    }
    b << "(SELECT count(*) FROM ";
    table(b, kHistoryTable) << " WHERE ";
    qualified(b, kHistoryTable, kHistoryOperation) << " = ";
    qualified(b, kOperationTable, kOperationId) << ")";
}

OperationRecord read_operation_row(Database& database) {
    OperationRecord op;
    database.db_text(0, op.id);
    database.db_text(1, op.caption);
    database.db_text(2, op.changed);
    // A server's timestamp may come with fractions of a second.
    if (op.changed.size() > 19) op.changed.resize(19);
    database.db_text(3, op.who);
    database.db_text(4, op.reverts);
    op.changes = database.db_int(5);
    return op;
}

namespace {

struct JsonReader {
    std::string_view text;
    std::size_t at = 0;

    void blanks() {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\n' || text[at] == '\t' || text[at] == '\r')) ++at;
    }
    bool take(char c) {
        blanks();
        if (at < text.size() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    static void put_utf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    unsigned hex4() {
        unsigned code = 0;
        for (int k = 0; k < 4 && at < text.size(); ++k, ++at) {
            const char c = text[at];
            code = code * 16 + static_cast<unsigned>(c >= 'a' ? c - 'a' + 10 : c >= 'A' ? c - 'A' + 10 : c - '0');
        }
        return code;
    }
    // After the opening quote.
    std::optional<std::string> string() {
        std::string out;
        while (at < text.size()) {
            const char c = text[at++];
            if (c == '"') return out;
            if (c != '\\' || at >= text.size()) {
                out += c;
                continue;
            }
            const char e = text[at++];
            switch (e) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u': {
                    unsigned code = hex4();
                    if (code >= 0xD800 && code < 0xDC00 && text.substr(at, 2) == "\\u") {
                        at += 2;
                        code = 0x10000 + ((code - 0xD800) << 10) + (hex4() - 0xDC00);
                    }
                    put_utf8(out, code);
                    break;
                }
                default: out += e;
            }
        }
        return std::nullopt;
    }
};

}  // namespace

Members parse_values(std::string_view json) {
    Members out;
    JsonReader r{json};
    if (!r.take('{')) return out;
    if (r.take('}')) return out;
    do {
        if (!r.take('"')) return out;
        std::optional<std::string> name = r.string();
        if (!name || !r.take(':')) return out;
        r.blanks();
        if (r.take('"')) {
            std::optional<std::string> value = r.string();
            if (!value) return out;
            out.emplace_back(std::move(*name), std::move(value));
        } else {
            const std::size_t from = r.at;
            while (r.at < json.size() && json[r.at] != ',' && json[r.at] != '}') ++r.at;
            std::string raw(json.substr(from, r.at - from));
            while (!raw.empty() && raw.back() == ' ') raw.pop_back();
            out.emplace_back(std::move(*name), raw == "null" ? std::nullopt : std::optional<std::string>(raw));
        }
    } while (r.take(','));
    return out;
}

std::string package_name(const ChangeRecord& change) {
    for (const FieldChange& f : change.fields) {
        if (f.column != schema::kPackageColumn) continue;
        if (change.kind != "delete" && f.after) return *f.after;
        if (f.before) return *f.before;
    }
    return {};
}

}  // namespace history_rows

using namespace history_rows;

namespace {

// The day after a "YYYY-MM-DD", for the end of a period.
std::string next_day(const std::string& date) {
    int y = 0, m = 0, d = 0;
    if (std::sscanf(date.c_str(), "%d-%d-%d", &y, &m, &d) != 3) return date;
    using namespace std::chrono;
    const year_month_day next{sys_days{year{y} / month{static_cast<unsigned>(m)} / day{static_cast<unsigned>(d)}} +
                              days{1}};
    char out[16];
    std::snprintf(out, sizeof out, "%04d-%02u-%02u", static_cast<int>(next.year()),
                  static_cast<unsigned>(next.month()), static_cast<unsigned>(next.day()));
    return out;
}

Statement select_operations(const HistoryFilter& f) {
    using namespace schema;
    return in_both([&](Build& b) {
        b << "SELECT ";
        operation_columns(b);
        b << " FROM ";
        table(b, kOperationTable);
        const char* joiner = " WHERE ";
        auto condition = [&]() -> Build& {
            b << joiner;
            joiner = " AND ";
            return b;
        };
        if (!f.before_id.empty()) {
            condition().name(kOperationId) << " < ";
            b.bind_integer(f.before_id);
        }
        if (!f.who.empty()) {
            condition().name(kOperationWho) << " = ";
            b.bind_text(f.who);
        }
        if (!f.since.empty()) {
            condition().name(kOperationChanged) << " >= ";
            b.bind_text(f.since);
        }
        if (!f.until.empty()) {
            condition().name(kOperationChanged) << " < ";
            b.bind_text(next_day(f.until));
        }
        if (!f.text.empty()) {
            const std::string pattern = "%" + like_escaped(b.dialect(), f.text, Wildcards::literal) + "%";
            const char* like = b.jet() ? " LIKE " : " ILIKE ";
            condition() << "(";
            b.name(kOperationCaption) << like;
            b.bind_text(pattern) << " OR ";
            b.name(kOperationWho) << like;
            b.bind_text(pattern) << ")";
        }
        if (!f.item_ids.empty()) {
            condition().name(kOperationId) << " IN (SELECT ";
            b.name(kHistoryOperation) << " FROM ";
            table(b, kHistoryTable) << " WHERE ";
            b.name(kHistoryItemId) << " IN (";
            for (std::size_t k = 0; k < f.item_ids.size(); ++k) {
                if (k > 0) b << ", ";
                b.bind_integer(f.item_ids[k]);
            }
            b << ") AND ";
            b.name(kHistoryTableName) << " IN (";
            b.bind_text(std::string(kStoreTable)) << ", ";
            b.bind_text(std::string(kParkedTable)) << "))";
        }
        b << " ORDER BY ";
        b.name(kOperationId) << " DESC LIMIT " << std::to_string(std::max(f.limit, 1));
    });
}

Statement select_operation(const std::string& id) {
    return in_both([&](Build& b) {
        b << "SELECT ";
        operation_columns(b);
        b << " FROM ";
        table(b, schema::kOperationTable) << " WHERE ";
        b.name(schema::kOperationId) << " = ";
        b.bind_integer(id);
    });
}

Statement select_changes(const std::string& operation) {
    using namespace schema;
    return in_both([&](Build& b) {
        b << "SELECT ";
        b.name(kHistoryId) << ", ";
        b.name(kHistoryTableName) << ", ";
        b.name(kHistoryKind) << ", ";
        b.name(kHistoryItemId) << ", ";
        b.name(kHistoryBefore) << ", ";
        b.name(kHistoryAfter) << " FROM ";
        table(b, kHistoryTable) << " WHERE ";
        b.name(kHistoryOperation) << " = ";
        b.bind_integer(operation) << " ORDER BY ";
        b.name(kHistoryId);
    });
}

// The position of a column in the store's order, unknown columns after.
std::size_t column_rank(const std::string& column) {
    for (const schema::ColumnSpec& c : schema::kItemColumns) {
        if (c.name == column) return static_cast<std::size_t>(c.column);
    }
    return schema::kItemColumnCount;
}

std::vector<FieldChange> fields_of(const std::string& before, const std::string& after) {
    std::vector<FieldChange> out;
    auto field = [&](const std::string& column) -> FieldChange& {
        for (FieldChange& f : out) {
            if (f.column == column) return f;
        }
        return out.emplace_back(FieldChange{column, std::nullopt, std::nullopt});
    };
    for (auto& [column, value] : parse_values(before)) field(column).before = std::move(value);
    for (auto& [column, value] : parse_values(after)) field(column).after = std::move(value);
    std::stable_sort(out.begin(), out.end(),
                     [](const FieldChange& a, const FieldChange& b) { return column_rank(a.column) < column_rank(b.column); });
    return out;
}

bool read_rows_of(Database& database, const Statement& statement, std::vector<OperationRecord>& out) {
    if (!database.db_query(statement)) return false;
    while (database.db_next_row()) out.push_back(read_operation_row(database));
    const bool ok = database.last_diagnostic().empty();
    database.db_finish();
    return ok;
}

struct Words {
    const char* one;        // "деталь"
    const char* of_one;     // "детали"
    const char* of_many;    // "деталей"
};

Words words_of(const std::string& table) {
    if (table == schema::kPackageTable) return {"тип корпуса", "типа корпуса", "типов корпуса"};
    if (table == schema::kParkedTable) return {"перемещаемая деталь", "перемещаемой детали", "перемещаемых деталей"};
    if (table == schema::kNodeTable) return {"узел дерева", "узла дерева", "узлов дерева"};
    return {"деталь", "детали", "деталей"};
}

std::string shown(const std::optional<std::string>& value) {
    if (!value) return "(пусто)";
    return value->empty() ? "«»" : *value;
}

std::string item_name(const ChangeRecord& change) {
    for (const FieldChange& f : change.fields) {
        if (f.column == schema::column_name(schema::kName) || f.column == schema::kNodeName) {
            if (f.after && !f.after->empty()) return *f.after;
            if (f.before && !f.before->empty()) return *f.before;
        }
    }
    return {};
}

std::string kind_noun(const std::string& kind) {
    return kind == "insert" ? "Добавление" : kind == "delete" ? "Удаление" : "Изменение";
}

}  // namespace

bool read_operations(Database& database, const HistoryFilter& filter, std::vector<OperationRecord>& out) {
    out.clear();
    return read_rows_of(database, select_operations(filter), out);
}

std::optional<OperationRecord> read_operation(Database& database, const std::string& id) {
    std::vector<OperationRecord> found;
    if (id.empty() || id.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    if (!read_rows_of(database, select_operation(id), found) || found.empty()) return std::nullopt;
    return found.front();
}

bool read_changes(Database& database, const std::string& operation_id, std::vector<ChangeRecord>& out) {
    out.clear();
    if (!database.db_query(select_changes(operation_id))) return false;
    std::string before, after;
    while (database.db_next_row()) {
        ChangeRecord change;
        database.db_text(0, change.id);
        database.db_text(1, change.table);
        database.db_text(2, change.kind);
        database.db_text(3, change.item_id);
        database.db_text(4, before);
        database.db_text(5, after);
        change.fields = fields_of(before, after);
        out.push_back(std::move(change));
    }
    const bool ok = database.last_diagnostic().empty();
    database.db_finish();
    return ok;
}

std::string change_subject(const ChangeRecord& change) { return words_of(change.table).one; }

std::string change_kind(const ChangeRecord& change) {
    return change.kind == "insert" ? "добавление" : change.kind == "delete" ? "удаление" : "изменение";
}

std::string describe_change(const ChangeRecord& change) {
    std::string out = change_subject(change);
    if (change.table == schema::kPackageTable) {
        out += " «" + package_name(change) + "»";
    } else {
        if (!change.item_id.empty()) out += " " + change.item_id;
        if (const std::string name = item_name(change); !name.empty()) out += " «" + name + "»";
    }
    out += ": ";
    if (change.kind != "update") return out + change_kind(change);
    bool first = true;
    for (const FieldChange& f : change.fields) {
        out += (first ? "" : "; ") + f.column + " " + shown(f.before) + " → " + shown(f.after);
        first = false;
    }
    return out;
}

std::string operation_title(const OperationRecord& operation, const std::vector<ChangeRecord>& changes) {
    if (!operation.caption.empty()) return operation.caption;
    if (changes.empty()) return "Операция " + operation.id + " без изменений";
    const ChangeRecord& first = changes.front();
    const bool alike = std::all_of(changes.begin(), changes.end(), [&](const ChangeRecord& c) {
        return c.kind == first.kind && c.table == first.table;
    });
    if (!alike) return "Изменения: " + std::to_string(changes.size());
    const Words words = words_of(first.table);
    if (changes.size() > 1)
        return kind_noun(first.kind) + " " + words.of_many + ": " + std::to_string(changes.size());
    if (first.table == schema::kPackageTable)
        return kind_noun(first.kind) + " " + words.of_one + " «" + package_name(first) + "»";
    return kind_noun(first.kind) + " " + words.of_one + " " + first.item_id;
}

bool has_history(Database& database) {
    if (database.serves_file()) {
        // A missing table fails the statement only; the transaction goes on.
        for (const std::string_view name : {schema::kOperationTable, schema::kHistoryTable}) {
            Build b(Dialect::jet);
            b << "SELECT ";
            b.name(schema::kOperationId) << " FROM ";
            b.name(name) << " WHERE ";
            b.name(schema::kOperationId) << " = 0";
            if (!database.db_query(b.take())) return false;
            database.db_finish();
        }
        return true;
    }
    // A failed statement would end a server's transaction: ask its catalog.
    Build b(Dialect::postgres);
    b << "SELECT count(*) FROM information_schema.tables WHERE table_schema = 'public' AND table_name IN (";
    b.bind_text(std::string(schema::kOperationTable)) << ", ";
    b.bind_text(std::string(schema::kHistoryTable)) << ")";
    bool found = false;
    if (database.db_query(b.take())) {
        found = database.db_first_row() && database.db_int(0) == 2;
        database.db_finish();
    }
    return found;
}

std::string history_user(Database& database) {
    const Statement who("SELECT history_who()", "SELECT session_user");
    std::string out;
    if (database.db_query(who)) {
        if (database.db_first_row()) database.db_text(0, out);
        database.db_finish();
    }
    return out;
}

}  // namespace detalehran::db
