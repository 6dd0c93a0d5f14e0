#include "history_windows/history_commands.h"

#include <QLineEdit>
#include <QTableWidget>

#include "db/failure_text.h"
#include "db/history.h"
#include "db/statements.h"
#include "history_windows/history_window.h"
#include "itemlist/item_list_model.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "state/app.h"
#include "trees/team_trees.h"

namespace detalehran::history_windows {

namespace {

constexpr int kPage = 100;

QString text_of(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

void tell(App& app, QWidget* parent, const QString& text, MessageIcon icon = MessageIcon::warning) {
    app.platform.message_box(parent != nullptr ? parent : app.main_window, QStringLiteral("Внимание!"), text,
                             MessageButtons::ok, icon);
}

QString reason(App& app) { return text_of(db::failure_text(app.database.last_diagnostic())); }

QString no_history_text() {
    return QStringLiteral(
        "Этот склад не хранит историю изменений: её таблицы удалены или ещё не созданы. Изменения не "
        "записываются, и отменить их нельзя.");
}

// "«Импорт parts.csv: 120 деталей» (ivan, 09.12.2026 19:30:05)".
QString named(const db::OperationRecord& operation, const std::vector<db::ChangeRecord>& changes) {
    return QStringLiteral("«%1» (%2, %3)")
        .arg(text_of(db::operation_title(operation, changes)), text_of(operation.who), local_time(operation.changed));
}

// Reads a page after `before` (the first page when empty) into the window.
void read_page(App& app, HistoryWindow& window, const std::string& before) {
    QString wrong;
    db::HistoryFilter filter = window.filter(&wrong);
    if (!wrong.isEmpty()) {
        tell(app, &window, wrong);
        return;
    }
    filter.before_id = before;
    filter.limit = kPage + 1;  // one more tells whether there is a next page
    std::vector<db::OperationRecord> page;
    if (!db::read_operations(app.database, filter, page)) {
        tell(app, &window, QStringLiteral("История не прочитана из базы данных.\n%1").arg(reason(app)));
        return;
    }
    const bool more = page.size() > static_cast<std::size_t>(kPage);
    if (more) page.resize(kPage);
    window.show_page(std::move(page), before.empty(), more);
}

void show_chosen_changes(App& app, HistoryWindow& window) {
    const db::OperationRecord* chosen = window.chosen();
    std::vector<db::ChangeRecord> changes;
    if (chosen != nullptr && !db::read_changes(app.database, chosen->id, changes)) {
        tell(app, &window, QStringLiteral("Изменения операции не прочитаны.\n%1").arg(reason(app)));
    }
    window.show_changes(changes);
}

void open_history(App& app, std::vector<std::string> parts) {
    if (app.main_window == nullptr || !app.database.is_open()) return;
    if (!db::has_history(app.database)) {
        tell(app, nullptr, no_history_text(), MessageIcon::information);
        return;
    }
    auto* window = open_modal<HistoryWindow>(
        app, [&](MainWindow& main) { return new HistoryWindow(main, std::move(parts)); });
    if (window == nullptr) return;
    window->on_choice([&app, window] { show_chosen_changes(app, *window); });
    window->on_title([&app](const db::OperationRecord& operation) {
        std::vector<db::ChangeRecord> changes;
        db::read_changes(app.database, operation.id, changes);
        return db::operation_title(operation, changes);
    });
    read_page(app, *window, {});
    window->show_centred();
}

// Takes the operation back when the user agrees, and says how it went.
// True when the store changed.
bool revert_asked(App& app, QWidget* parent, const db::OperationRecord& operation, const QString& question) {
    std::vector<db::ChangeRecord> changes;
    db::read_changes(app.database, operation.id, changes);
    if (app.platform.message_box(parent, QStringLiteral("Внимание!"), question.arg(named(operation, changes)),
                                 MessageButtons::yes_no, MessageIcon::question) != MessageAnswer::yes) {
        return false;
    }
    const db::RevertResult result = db::revert_operation(app.database, operation.id);
    switch (result.outcome) {
    case db::RevertResult::Outcome::done:
        if (app.main_window) {
            app.main_window->show_notice(QStringLiteral("Отменено: %1").arg(named(operation, changes)));
        }
        return true;
    case db::RevertResult::Outcome::blocked: {
        std::vector<db::ChangeRecord> later;
        db::read_changes(app.database, result.blocking.id, later);
        tell(app, parent,
             QStringLiteral("Операцию нельзя отменить: те же данные позже изменила операция №%1 %2.\n\nСначала "
                            "отмените её, если это нужно. Ничего не изменено.")
                 .arg(text_of(result.blocking.id), named(result.blocking, later)));
        return false;
    }
    case db::RevertResult::Outcome::refused:
        tell(app, parent, QStringLiteral("Операцию нельзя отменить: %1").arg(text_of(db::revert_failure_text(result))));
        return false;
    case db::RevertResult::Outcome::failed:
        break;
    }
    tell(app, parent,
         QStringLiteral("Операция не отменена, ничего не изменено.\n%1").arg(text_of(db::revert_failure_text(result))));
    return false;
}

// The list and the trees as the store now has them.
void show_store_again(App& app) { trees::refresh_trees_and_list(app, Event{kMenuEvent, kMainWindow, kMenuRefreshList}); }

}  // namespace

void open_store_history(App& app, const Event&) { open_history(app, {}); }

void open_items_history(App& app, const Event&) {
    if (app.main_window == nullptr) return;
    const ItemListModel& rows = app.main_window->list_model();
    std::vector<std::string> parts;
    for (int row = 0; row < rows.row_count(); ++row) {
        if (rows.is_checked(row)) parts.push_back(rows.cell(row, db::kId).toStdString());
    }
    const int selected = app.main_window->selected_row();
    if (parts.empty() && selected >= 0) parts.push_back(rows.cell(selected, db::kId).toStdString());
    if (parts.empty()) {
        tell(app, nullptr, QStringLiteral("Отметьте или выделите детали, историю которых нужно показать."),
             MessageIcon::information);
        return;
    }
    open_history(app, std::move(parts));
}

void show_history(App& app, const Event&) {
    if (HistoryWindow* window = history_window(app)) read_page(app, *window, {});
}

void show_more_history(App& app, const Event&) {
    HistoryWindow* window = history_window(app);
    if (window == nullptr || window->shown().empty()) return;
    read_page(app, *window, window->shown().back().id);
}

void revert_chosen_operation(App& app, const Event&) {
    HistoryWindow* window = history_window(app);
    if (window == nullptr) return;
    const db::OperationRecord* chosen = window->chosen();
    if (chosen == nullptr) {
        tell(app, window, QStringLiteral("Выберите в списке операцию, которую нужно отменить."),
             MessageIcon::information);
        return;
    }
    const db::OperationRecord operation = *chosen;
    if (!revert_asked(app, window,
                      operation, QStringLiteral("Отменить операцию %1?\nЕё изменения будут возвращены назад."))) {
        return;
    }
    show_store_again(app);
    read_page(app, *window, {});
}

void close_history(App& app, const Event&) {
    if (HistoryWindow* window = history_window(app)) leave_dialog(app, *window);
}

void close_history_by_close_box(App& app, const Event&) { close_by_close_box(app, history_window(app)); }

void undo_last_change(App& app, const Event&) {
    if (app.main_window == nullptr || !app.database.is_open()) return;
    if (!db::has_history(app.database)) {
        tell(app, nullptr, no_history_text(), MessageIcon::information);
        return;
    }
    const std::optional<db::OperationRecord> last = db::last_own_operation(app.database);
    if (!last) {
        if (!app.database.last_diagnostic().empty()) {
            tell(app, nullptr, QStringLiteral("История не прочитана из базы данных.\n%1").arg(reason(app)));
        } else {
            tell(app, nullptr, QStringLiteral("Нет ваших изменений, которые можно отменить."),
                 MessageIcon::information);
        }
        return;
    }
    if (revert_asked(app, app.main_window, *last, QStringLiteral("Отменить последнее изменение %1?"))) {
        show_store_again(app);
    }
}

void announce_missing_history(App& app) {
    if (app.main_window == nullptr || !app.database.is_open() || db::has_history(app.database)) return;
    app.main_window->show_notice(
        QStringLiteral("Склад не хранит историю изменений: изменения не записываются, отменить их нельзя."));
}

}  // namespace detalehran::history_windows
