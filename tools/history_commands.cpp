#include "history_commands.h"

#include <cctype>
#include <chrono>
#include <ostream>

#include "command_line.h"
#include "db/failure_text.h"
#include "db/history.h"
#include "inventory_folder.h"
#include "spreadsheet/csv_writer.h"

namespace detalehran::dbtool {

namespace {

// Operations are read in pages of this many, newest first.
constexpr int kPage = 500;

// A day as the history's times begin with it. A day that is no day of the
// calendar is refused: "2026-13-45" would sort after every real one, and
// --prune-before would take the whole history with it.
std::string date_option(const Arguments& args, const std::string& option) {
    const std::optional<std::string> value = args.value(option);
    if (!value) return {};
    const std::string& d = *value;
    const auto digits = [&](std::size_t from, std::size_t count, unsigned& number) {
        number = 0;
        for (std::size_t k = from; k < from + count; ++k) {
            if (!std::isdigit(static_cast<unsigned char>(d[k]))) return false;
            number = number * 10 + static_cast<unsigned>(d[k] - '0');
        }
        return true;
    };
    unsigned year = 0, month = 0, day = 0;
    const bool shaped = d.size() == 10 && d[4] == '-' && d[7] == '-' && digits(0, 4, year) && digits(5, 2, month) &&
                        digits(8, 2, day);
    if (!shaped || !std::chrono::year_month_day{std::chrono::year{static_cast<int>(year)}, std::chrono::month{month},
                                                std::chrono::day{day}}
                        .ok()) {
        throw UsageError{option + ": дата пишется как ГГГГ-ММ-ДД, например 2026-01-31, а не «" + d + "»"};
    }
    return d;
}

bool open_with_history(const Inventory& inventory, db::Database& database, std::ostream& err) {
    std::string error;
    if (!open_inventory(inventory, database, &error)) {
        report_failure(err, error);
        return false;
    }
    if (db::has_history(database)) return true;
    report_failure(err, "склад не хранит истории изменений (её таблицы удалены или их нет)");
    return false;
}

std::string when_and_who(const db::OperationRecord& op) { return op.changed + " UTC, " + op.who; }

void write_csv_rows(spreadsheet::CsvWriter& csv, const db::OperationRecord& op, const std::string& title,
                    const std::vector<db::ChangeRecord>& changes) {
    for (const db::ChangeRecord& change : changes) {
        auto row = [&](const std::string& column, const std::optional<std::string>& before,
                       const std::optional<std::string>& after) {
            csv.number(op.id);
            csv.text(op.changed);
            csv.text(op.who);
            csv.text(title);
            csv.text(db::change_subject(change));
            csv.text(db::change_kind(change));
            csv.number(change.item_id);
            csv.text(column);
            csv.text(before.value_or(""));
            csv.text(after.value_or(""));
            csv.end_row();
        };
        if (change.fields.empty()) row({}, {}, {});
        for (const db::FieldChange& f : change.fields) row(f.column, f.before, f.after);
    }
}

int prune(db::Database& database, const std::string& before, std::ostream& out, std::ostream& err) {
    std::uint64_t removed = 0;
    if (!db::prune_history(database, before, removed)) {
        return report_failure(err, "история не сокращена: " + db::failure_text(database.last_diagnostic()));
    }
    out << "Удалено операций старше " << before << ": " << removed << "\n";
    return kExitOk;
}

}  // namespace

int run_history(const Arguments& args, std::ostream& out, std::ostream& err) {
    Arguments parsed = args;
    const Inventory inventory = take_inventory(parsed);
    if (!parsed.operands.empty()) throw UsageError{"history: лишний аргумент «" + parsed.operands[0] + "»"};
    db::HistoryFilter filter;
    for (const std::string& id : parsed.all("--item")) {
        if (id.empty() || id.find_first_not_of("0123456789") != std::string::npos)
            throw UsageError{"--item: номер детали — целое число, а не «" + id + "»"};
        filter.item_ids.push_back(id);
    }
    filter.who = parsed.value("--user").value_or("");
    filter.since = date_option(parsed, "--since");
    filter.until = date_option(parsed, "--until");
    filter.limit = kPage;
    const std::string prune_before = date_option(parsed, "--prune-before");

    db::Database database;
    if (!open_with_history(inventory, database, err)) return kExitFailure;
    if (!prune_before.empty()) return prune(database, prune_before, out, err);

    const bool csv_form = parsed.has("--csv");
    spreadsheet::CsvWriter csv;
    if (csv_form) {
        for (const char* header :
             {"Операция", "Время (UTC)", "Автор", "Описание", "Что", "Изменение", "ID", "Столбец", "Было", "Стало"})
            csv.text(header);
        csv.end_row();
    }
    std::size_t count = 0;
    std::vector<db::OperationRecord> page;
    std::vector<db::ChangeRecord> changes;
    for (;;) {
        if (!db::read_operations(database, filter, page)) {
            return report_failure(err, "история не прочитана: " + db::failure_text(database.last_diagnostic()));
        }
        for (const db::OperationRecord& op : page) {
            if (!db::read_changes(database, op.id, changes)) {
                return report_failure(err, "история не прочитана: " + db::failure_text(database.last_diagnostic()));
            }
            const std::string title = db::operation_title(op, changes);
            ++count;
            if (csv_form) {
                write_csv_rows(csv, op, title, changes);
                out << csv.drain();
                continue;
            }
            out << "Операция " << op.id << ", " << when_and_who(op) << ": " << title;
            if (!op.reverts.empty()) out << " (отменяет операцию " << op.reverts << ")";
            out << "\n";
            for (const db::ChangeRecord& change : changes) out << "  " << db::describe_change(change) << "\n";
        }
        if (static_cast<int>(page.size()) < filter.limit) break;
        filter.before_id = page.back().id;
    }
    if (!csv_form) out << "Операций: " << count << "\n";
    out.flush();
    return out.good() ? kExitOk : kExitFailure;
}

int run_revert(const Arguments& args, std::ostream& out, std::ostream& err) {
    Arguments parsed = args;
    const Inventory inventory = take_inventory(parsed);
    if (parsed.operands.size() != 1 || parsed.operands[0].find_first_not_of("0123456789") != std::string::npos ||
        parsed.operands[0].empty()) {
        throw UsageError{"revert: нужны склад (папка или --dsn ИМЯ) и номер операции из history"};
    }
    const std::string& id = parsed.operands[0];
    db::Database database;
    if (!open_with_history(inventory, database, err)) return kExitFailure;
    const db::RevertResult result = db::revert_operation(database, id);
    switch (result.outcome) {
        case db::RevertResult::Outcome::done:
            out << "Операция " << id << " отменена операцией " << result.new_operation << ".\n";
            return kExitOk;
        case db::RevertResult::Outcome::blocked: {
            const db::OperationRecord& later = result.blocking;
            return report_failure(err, "операцию " + id + " нельзя отменить: те же данные позже изменила операция " +
                                           later.id + " (" + when_and_who(later) +
                                           (later.caption.empty() ? "" : ", «" + later.caption + "»") +
                                           "). Сначала отмените её.");
        }
        case db::RevertResult::Outcome::refused:
            return report_failure(err, "операцию " + id + " нельзя отменить: " + db::revert_failure_text(result));
        case db::RevertResult::Outcome::failed:
            break;
    }
    return report_failure(err, "операция " + id + " не отменена: " + db::revert_failure_text(result));
}

}  // namespace detalehran::dbtool
