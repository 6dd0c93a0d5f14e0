// "Списать на сборку" and "Сохранить проект…" of the bill of materials
// window: the two commands that write to the store.

#include "bom/build_take.h"
#include "bom/project.h"
#include "bom_windows/bom_commands.h"
#include "bom_windows/bom_session.h"
#include "bom_windows/bom_texts.h"
#include "db/failure_text.h"
#include "db/projects.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "state/app.h"
#include "trees/team_trees.h"

namespace detalehran::bom_windows {

namespace {

bool yes(App& app, QWidget* parent, const QString& title, const QString& question) {
    return app.platform.message_box(parent, title, question, MessageButtons::yes_no, MessageIcon::question) ==
           MessageAnswer::yes;
}

// The store as it now is: the main list, and the check read again with the
// parts the user chose kept.
void read_store_again(App& app, BomWindow& window) {
    trees::refresh_trees_and_list(app, Event{kMenuEvent, kMainWindow, kMenuRefreshList});
    BomSession& session = window.session();
    const bom::Choices chosen = bom::choices_of(session.check, session.bom, *session.stock);
    if (read_and_check(app, &window, session, session.check.boards, chosen)) window.show_session();
}

QString board(const BomSession& session) {
    return QStringLiteral("«%1» × %2").arg(text_of(session.bom.name)).arg(session.check.boards);
}

}  // namespace

void take_build_parts(App& app, const Event&) {
    BomWindow* window = bom_window(app);
    if (window == nullptr || !app.database.rights().change_items) return;
    BomSession& session = window->session();
    const QString title = QStringLiteral("Списать на сборку");
    if (const std::size_t guesses = count_proposals(session.check); guesses > 0) {
        tell(app, window,
             QStringLiteral("Сборка не списана: в строках (%1) деталь только предложена по номиналу и корпусу. "
                            "Выберите деталь в каждой такой строке (они выделены курсивом) или нажмите "
                            "«Подтвердить все».")
                 .arg(guesses));
        return;
    }
    const TakeCount count = take_count(session.check);
    if (count.parts == 0) {
        tell(app, window, QStringLiteral("Сборка не списана: на складе нет ни одной детали спецификации."));
        return;
    }
    const bool short_build = session.check.shortfall > 0;
    const QString question =
        short_build ? QStringLiteral(
                          "Для сборки %1 не хватает %2 шт. в строках: %3.\n\nСписать то, что есть на складе: "
                          "деталей %4, штук %5?\n«Нет» — ничего не списывать.")
                          .arg(board(session))
                          .arg(session.check.shortfall)
                          .arg(session.check.short_lines)
                          .arg(count.parts)
                          .arg(count.pieces)
                    : QStringLiteral("Списать на сборку %1: деталей %2, штук %3?")
                          .arg(board(session))
                          .arg(count.parts)
                          .arg(count.pieces);
    if (!yes(app, window, title, question)) return;

    const bom::TakeResult result =
        bom::take_build(app.database, session.bom, session.check, *session.stock, short_build);
    switch (result.outcome) {
        case bom::TakeResult::Outcome::done:
            app.platform.message_box(
                window, title,
                QStringLiteral("Списано на сборку %1: деталей %2, штук %3.\nОтменить: «Правка» → «Отменить последнее "
                               "изменение» (Ctrl+Z).")
                    .arg(board(session))
                    .arg(result.parts)
                    .arg(result.pieces),
                MessageButtons::ok, MessageIcon::information);
            read_store_again(app, *window);
            return;
        case bom::TakeResult::Outcome::changed:
            tell(app, window,
                 QStringLiteral("Сборка не списана: деталь %1 тем временем изменили или удалили. Проверка прочитана "
                                "со склада заново — проверьте сборку снова.")
                     .arg(text_of(result.changed)));
            read_store_again(app, *window);
            return;
        case bom::TakeResult::Outcome::short_refused:
        case bom::TakeResult::Outcome::nothing:
            tell(app, window, QStringLiteral("Сборка не списана: %1.").arg(text_of(result.reason)));
            return;
        case bom::TakeResult::Outcome::failed:
            break;
    }
    tell(app, window,
         QStringLiteral("Сборка не списана, склад не изменён.\n%1").arg(text_of(db::failure_text(result.diagnostic))));
}

void save_bom_project(App& app, const Event&) {
    BomWindow* window = bom_window(app);
    if (window == nullptr || !app.database.rights().change_items) return;
    BomSession& session = window->session();
    const QString title = QStringLiteral("Сохранить проект");
    std::string name = session.project;
    if (name.empty()) {
        const std::optional<QString> typed =
            app.platform.ask_text(window, title, QStringLiteral("Имя проекта:"), text_of(session.bom.name));
        if (!typed) return;
        if (typed->trimmed().isEmpty()) {
            tell(app, window, QStringLiteral("Проект не сохранён: у проекта должно быть имя."));
            return;
        }
        name = typed->trimmed().toStdString();
        if (const std::optional<db::Project> existing = db::find_project(app.database, name)) {
            if (!yes(app, window, title,
                     QStringLiteral("Проект «%1» уже есть. Заменить его этой спецификацией и выбором деталей?")
                         .arg(text_of(existing->name)))) {
                return;
            }
        }
    }
    const std::optional<long long> stored = db::save_project(
        app.database, bom::to_project(name, session.source, session.bom, session.check, *session.stock));
    if (!stored) {
        tell(app, window, QStringLiteral("Проект «%1» не сохранён.\n%2").arg(text_of(name), failure(app)));
        return;
    }
    session.project = name;
    window->show_session();
    app.platform.message_box(window, title,
                             QStringLiteral("Проект «%1» сохранён: строк %2, плат %3.")
                                 .arg(text_of(name))
                                 .arg(session.bom.lines.size())
                                 .arg(session.check.boards),
                             MessageButtons::ok, MessageIcon::information);
}

}  // namespace detalehran::bom_windows
