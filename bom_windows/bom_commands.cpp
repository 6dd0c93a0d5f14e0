#include "bom_windows/bom_commands.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <algorithm>

#include "bom/bom_file.h"
#include "bom/shortfall.h"
#include "bom/stock_reading.h"
#include "bom_windows/bom_session.h"
#include "bom_windows/bom_texts.h"
#include "bom_windows/bom_window.h"
#include "db/failure_text.h"
#include "itemlist/text_rules.h"
#include "mainwindow/access.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "spreadsheet/store_reading.h"
#include "spreadsheet_windows/export_commands.h"
#include "spreadsheet_windows/reorder_window.h"
#include "state/app.h"
#include "trees/node_operations.h"

namespace detalehran::bom_windows {

void tell(App& app, QWidget* parent, const QString& text, MessageIcon icon) {
    app.platform.message_box(parent != nullptr ? parent : app.main_window, QStringLiteral("Внимание!"), text,
                             MessageButtons::ok, icon);
}

QString failure(App& app) { return text_of(db::failure_text(app.database.last_diagnostic())); }

namespace {

void refresh_lists(BomSession& session) {
    session.pick = bom::pick_list(session.check, *session.stock, session.place_order);
    session.shortfall = bom::shortfall_list(session.bom, session.check, *session.stock, session.minimum_text);
}

// "Сборка pic_programmer × 5" as the window's files and prints are named.
QString build_name(const BomSession& session) {
    return QStringLiteral("Сборка %1 × %2").arg(text_of(session.bom.name)).arg(session.check.boards);
}

QTextDocument* pick_document(const BomSession& session, QObject* parent) {
    auto* document = new QTextDocument(parent);
    document->setHtml(pick_list_html(session.bom, session.check, *session.stock, session.pick));
    return document;
}

// True when there is something to take; says so when there is not.
bool has_pick_list(App& app, BomWindow& window) {
    if (!window.session().pick.empty()) return true;
    tell(app, &window, QStringLiteral("Брать со склада нечего: ни одна строка спецификации не нашла детали."),
         MessageIcon::information);
    return false;
}

void boards_changed(App& app, long long boards) {
    BomWindow* window = bom_window(app);
    if (window == nullptr) return;
    window->session().check.boards = boards;
    recount_session(window->session());
    window->show_session();
}

void part_chosen(App& app, std::size_t line, std::optional<std::size_t> part) {
    BomWindow* window = bom_window(app);
    if (window == nullptr || line >= window->session().check.lines.size()) return;
    choose_part(window->session().check.lines[line], part);
    recount_session(window->session());
    window->show_session();
}

}  // namespace

bool read_and_check(App& app, QWidget* parent, BomSession& session, long long boards, const bom::Choices& chosen) {
    std::vector<bom::StockPart> parts;
    if (!bom::read_stock(app.database, parts)) {
        tell(app, parent, QStringLiteral("Детали склада не прочитаны из базы данных.\n%1").arg(failure(app)));
        return false;
    }
    session.stock = std::make_unique<bom::StockIndex>(std::move(parts));
    session.check = bom::check_build(session.bom, *session.stock,
                                     bom::CheckOptions{.boards = boards, .chosen = chosen, .minimum = session.minimum});
    refresh_lists(session);
    return true;
}

void recount_session(BomSession& session) {
    bom::recount(session.check, session.bom, *session.stock, session.minimum);
    refresh_lists(session);
}

bool open_check_window(App& app, bom::Bom bom, const std::string& source, const std::string& project, long long boards,
                       const bom::Choices& chosen) {
    if (app.main_window == nullptr || !app.database.is_open()) return false;
    BomSession session;
    session.bom = std::move(bom);
    session.source = source;
    session.project = project;
    for (int k = 0; k < static_cast<int>(app.location_nodes.size()); ++k) {
        session.place_order.push_back(trees::build_node_path(app.location_nodes, k).toStdString());
    }
    // The minimum the list colours by, whether its colouring is on or not, as
    // the reorder list orders to it.
    session.minimum = itemlist::integer_value(app.highlight.minimum);
    session.minimum_text = app.highlight.minimum.toStdString();
    if (!read_and_check(app, nullptr, session, std::clamp(boards, 1LL, bom::kMaxBoards), chosen)) return false;

    const db::Rights& rights = app.database.rights();
    const QString refusal = rights.change_items ? QString()
                                                : QStringLiteral("Списать на сборку и сохранить проект нельзя. ") +
                                                      access_reason(rights, app.database.user_name());
    auto* window = open_modal<BomWindow>(app, [&](MainWindow& main) { return new BomWindow(main, refusal); });
    if (window == nullptr) return false;
    window->session() = std::move(session);
    window->on_boards([&app](long long boards) { boards_changed(app, boards); });
    window->on_part([&app](std::size_t line, std::optional<std::size_t> part) { part_chosen(app, line, part); });
    window->show_session();
    window->show_centred();
    return true;
}

void open_bom_check(App& app, const Event&) {
    if (app.main_window == nullptr || !app.database.is_open()) return;
    const std::optional<QString> path =
        app.platform.choose_file(app.main_window, QStringLiteral("Проверить спецификацию"),
                                 {{QStringLiteral("Спецификации"), QStringLiteral("*.csv;*.kicad_sch")},
                                  {QStringLiteral("Все файлы"), QStringLiteral("*")}});
    if (!path) return;
    bom::BomReading reading = bom::read_bom_file(path->toStdString());
    if (!reading.ok()) {
        tell(app, nullptr, text_of(reading.error));
        return;
    }
    open_check_window(app, std::move(reading.bom), path->toStdString(), {}, 1, {});
}

void confirm_all_parts(App& app, const Event&) {
    BomWindow* window = bom_window(app);
    if (window == nullptr || confirm_proposals(window->session().check) == 0) return;
    window->show_session();
}

void print_pick_list(App& app, const Event&) {
    BomWindow* window = bom_window(app);
    if (window == nullptr || !has_pick_list(app, *window)) return;
    QTextDocument* document = pick_document(window->session(), window);
    app.platform.print_document(window, build_name(window->session()), *document);
    delete document;
}

void save_pick_list_pdf(App& app, const Event&) {
    BomWindow* window = bom_window(app);
    if (window == nullptr || !has_pick_list(app, *window)) return;
    const BomSession& session = window->session();
    const std::optional<QString> path = app.platform.choose_save_file(
        window, QStringLiteral("Сохранить в PDF"), build_name(session) + QStringLiteral(".pdf"),
        {{QStringLiteral("Документы PDF"), QStringLiteral("*.pdf")}});
    if (!path) return;
    QFile::remove(*path);  // the chooser asked before replacing it
    {
        QPdfWriter writer(*path);
        writer.setTitle(build_name(session));
        writer.setPageSize(QPageSize(QPageSize::A4));
        QTextDocument* document = pick_document(session, window);
        document->print(&writer);
        delete document;
    }
    if (QFileInfo(*path).size() <= 0) {
        tell(app, window, QStringLiteral("Файл не сохранён: %1.").arg(*path));
        return;
    }
    app.platform.message_box(window, QStringLiteral("Сохранить в PDF"),
                             QStringLiteral("Сохранено строк: %1.\nФайл: %2").arg(session.pick.size()).arg(*path),
                             MessageButtons::ok, MessageIcon::information);
}

void save_pick_list_csv(App& app, const Event&) {
    BomWindow* window = bom_window(app);
    if (window == nullptr || !has_pick_list(app, *window)) return;
    const BomSession& session = window->session();
    spreadsheet_windows::save_csv_file(
        app, window, QStringLiteral("Что взять"), build_name(session) + QStringLiteral(".csv"), {},
        [&](const std::vector<bool>&, spreadsheet::CsvStyle style) {
            return bom::pick_list_csv(session.bom, session.check, *session.stock, session.pick, style);
        },
        session.pick.size());
}

void save_shortfall_csv(App& app, const Event&) {
    BomWindow* window = bom_window(app);
    if (window == nullptr) return;
    const BomSession& session = window->session();
    spreadsheet_windows::save_csv_file(
        app, window, QStringLiteral("Не хватает"), build_name(session) + QStringLiteral(" — заказ.csv"), {},
        [&](const std::vector<bool>&, spreadsheet::CsvStyle style) {
            return spreadsheet::reorder_csv(session.shortfall, style);
        },
        session.shortfall.rows.size());
}

void add_shortfall_to_order(App& app, const Event&) {
    BomWindow* window = bom_window(app);
    if (window == nullptr) return;
    const BomSession& session = window->session();
    std::vector<spreadsheet::ReorderSource> items;
    if (!spreadsheet::read_reorder_sources(app.database, items)) {
        tell(app, window,
             QStringLiteral("Список для заказа не составлен: детали не прочитаны из базы данных.\n%1")
                 .arg(failure(app)));
        return;
    }
    spreadsheet::ReorderList list =
        bom::merged_order_list(items, session.minimum_text, session.bom, session.check, *session.stock);
    if (list.refusal) {
        tell(app, window, text_of(*list.refusal));
        return;
    }
    using spreadsheet_windows::ReorderWindow;
    auto* order = open_modal<ReorderWindow>(app, [](MainWindow& main) { return new ReorderWindow(main); });
    if (order == nullptr) return;
    const std::size_t rows = list.rows.size();
    order->show_list(std::move(list), QString::number(session.minimum.value_or(0)));
    static_cast<QLabel*>(order->control(kReorderCaption))
        ->setText(QStringLiteral("Детали меньше минимума (%1) и то, чего не хватает: %2 — %3")
                      .arg(session.minimum.value_or(0))
                      .arg(build_name(session))
                      .arg(rows));
    // The order list is on top until it closes; then this window is again.
    window->setEnabled(false);
    order->show_centred();
}

void close_bom_window(App& app, const Event&) {
    if (BomWindow* window = bom_window(app)) leave_dialog(app, *window);
}

void close_bom_by_close_box(App& app, const Event&) { close_by_close_box(app, bom_window(app)); }

}  // namespace detalehran::bom_windows
