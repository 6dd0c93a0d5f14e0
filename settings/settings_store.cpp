#include "settings/settings_store.h"

#include <QHeaderView>
#include <QSplitter>
#include <QTreeView>
#include <algorithm>
#include <optional>

#include "state/app.h"
#include "mainwindow/control_numbers.h"
#include "platform/working_folder.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "settings/settings_file.h"
#include "settings/team_settings.h"

namespace detalehran::settings {

namespace {

QString attention() { return QStringLiteral("Внимание!"); }

// The file's lines; nothing, with the reason in *why, when it cannot be read.
std::optional<QStringList> file_lines(QString* why = nullptr) {
    QByteArray bytes;
    const FileResult read = read_whole_file(settings_path(), bytes);
    if (!read.ok) {
        if (why != nullptr) *why = read.reason;
        return std::nullopt;
    }
    return settings_lines(bytes);
}

QHeaderView* list_header(const App& app) {
    return app.main_window != nullptr ? app.main_window->item_list()->header() : nullptr;
}

// Hidden columns are only narrowed: the column table keeps where they stand.
void narrow_hidden_columns(App& app) {
    if (QHeaderView* header = list_header(app)) {
        for (int column = 0; column < kListColumns; ++column) {
            if (!app.column_table.column_shown(column)) header->resizeSection(column, 0);
        }
    }
}

Rect rect_of(const QRect& r) { return Rect{r.x(), r.y(), r.width(), r.height()}; }

int window_state_of(const QWidget* window) {
    if (window->isMinimized()) return kWindowMinimized;
    if (window->isMaximized()) return kWindowMaximized;
    return kWindowNormal;
}

void start_first_run(App& app, const TreeCompletion& complete_trees) {
    app.column_table = ColumnTable{};
    apply_column_order(app);
    app.list_font = ListFontRecord{};
    app.path_nodes = {TreeNode{QString::fromUtf8(kRootName), 0}};
    app.location_nodes = {TreeNode{QString::fromUtf8(kRootName), 0}};
    complete_trees(app);
    app.highlight = HighlightSettings{0, 0, "5", "5", 255, 255};
    app.order_by_value = false;
    save_settings(app, OnFailure::warn);
}

}  // namespace

std::string settings_path() { return working_directory() + kSettingsFile; }

std::int64_t settings_file_size() { return file_size_or_missing(settings_path()); }

void restore_window_sections(App& app) {
    if (settings_file_size() < 0) return;
    for (const char* header : {kListIcon, kSplitterVertical, kSplitterHorizontal}) {
        load_section(app, QString::fromLatin1(header));
    }
}

namespace {

// The trees and the team's settings are the server's: Store.ini gives only
// the desktop's columns.
void restore_shared(App& app, const TreeCompletion& load_shared_trees) {
    const bool first_run = settings_file_size() < 0;
    load_shared_trees(app);
    if (first_run) {
        app.column_table = ColumnTable{};
        apply_column_order(app);
        app.list_font = ListFontRecord{};
    } else {
        for (const char* header : {kColumnsQuerry, kColumnsHidden}) load_section(app, QString::fromLatin1(header));
    }
    read_team_settings_again(app);
    if (first_run) save_settings(app, OnFailure::warn);
}

}  // namespace

void read_team_settings_again(App& app) {
    if (!app.database.is_open() || !app.database.shares_trees()) return;
    TeamSettings team;
    if (!read_team_settings(app.database, team)) return;
    app.highlight.on = app.highlight.on_saved = team.highlight_on;
    app.highlight.minimum = app.highlight.minimum_saved = team.minimum;
    app.highlight.colour = app.highlight.colour_saved = team.colour;
    app.shared_highlight = SharedHighlight{team.highlight_on, team.minimum, team.colour};
}

bool file_trees(NodeList& path_nodes, NodeList& location_nodes) {
    if (settings_file_size() < 0) return false;
    const auto lines = file_lines();
    if (!lines) return false;
    read_trees(*lines, path_nodes, location_nodes);
    return true;
}

void restore_at_start_up(App& app, const TreeCompletion& complete_trees, const TreeCompletion& load_shared_trees) {
    if (load_shared_trees && app.database.is_open() && app.database.shares_trees()) {
        restore_shared(app, load_shared_trees);
        return;
    }
    const bool first_run = settings_file_size() < 0;
    if (first_run) {
        start_first_run(app, complete_trees);
    } else if (QString why; !load_trees(app, &why)) {
        app.platform.message_box(
            app.main_window, attention(),
            QStringLiteral("Файл настроек прочитать нельзя (%1).\nРазделы и места хранения начинаются заново с "
                           "«Все», вид таблицы — по умолчанию. Прежний файл не будет перезаписан: при сохранении "
                           "он останется рядом под именем %2%3.")
                .arg(why, QString::fromLatin1(kSettingsFile), QString::fromLatin1(kUnreadableSuffix)),
            MessageButtons::ok, MessageIcon::warning);
    }
    // Items whose section or place the file does not name (a run killed in
    // the middle of a rename, a file written while the database was away)
    // would be reachable only through "Все": their nodes are added back.
    if (!first_run && app.database.is_open()) complete_trees(app);
    // The trees are shown, sorted, once the list is filled.
    for (const char* header : {kColumnsQuerry, kColumnsHidden, kCheckBoxStates, kStringMin, kHighLight}) {
        load_section(app, QString::fromLatin1(header));
    }
    // The copies the table settings dialog restores on "Отмена".
    app.highlight.on_saved = app.highlight.on;
    app.highlight.minimum_saved = app.highlight.minimum;
    app.highlight.colour_saved = app.highlight.colour;
}

bool load_trees(App& app, QString* why) {
    app.path_nodes.clear();
    app.location_nodes.clear();
    const auto lines = file_lines(why);
    if (lines) read_trees(*lines, app.path_nodes, app.location_nodes);
    // An empty, rootless or unreadable tree section must not leave a tree
    // without the root every command starts from.
    mend_tree(app.path_nodes);
    mend_tree(app.location_nodes);
    return lines.has_value();
}

bool load_section(App& app, const QString& header) {
    const auto lines = file_lines();
    if (!lines) return false;
    SettingsRecord record = current_settings(app);
    if (!read_section(*lines, header, record)) return false;

    MainWindow* window = app.main_window;
    if (header == QLatin1String(kListIcon)) {
        if (QHeaderView* list = list_header(app)) {
            for (int column = 0; column < kStoredWidths; ++column) {
                list->resizeSection(column, std::max(0, record.column_widths[static_cast<std::size_t>(column)]));
            }
        }
    } else if (header == QLatin1String(kSplitterVertical)) {
        if (window != nullptr) {
            set_splitter_position(window->main_splitter(), std::max(0, record.main_splitter_position));
        }
    } else if (header == QLatin1String(kSplitterHorizontal)) {
        if (window != nullptr) {
            set_splitter_position(window->tree_splitter(), std::max(0, record.tree_splitter_position));
        }
    } else if (header == QLatin1String(kColumnsQuerry)) {
        // An order that does not name every column once (a short or damaged
        // line) would lose columns; the list keeps its order then.
        if (!is_column_permutation(record.columns.order)) return false;
        app.column_table.order = record.columns.order;
        apply_column_order(app);
    } else if (header == QLatin1String(kColumnsHidden)) {
        for (int p = 0; p < kListColumns; ++p) {
            app.column_table.shown[static_cast<std::size_t>(p)] =
                record.columns.shown[static_cast<std::size_t>(p)] != 0;
        }
        narrow_hidden_columns(app);
    } else if (header == QLatin1String(kCheckBoxStates)) {
        app.highlight.on = record.highlight_on != 0 ? 1 : 0;
        app.order_by_value = record.value_order != 0;
    } else if (header == QLatin1String(kStringMin)) {
        app.highlight.minimum = record.minimum;
    } else if (header == QLatin1String(kHighLight)) {
        app.highlight.colour = record.colour;
    } else {
        // The trees have load_trees; the font and the window rectangle are
        // written but not restored.
        return false;
    }
    return true;
}

SettingsRecord current_settings(const App& app) {
    SettingsRecord r;
    r.path_nodes = app.path_nodes;
    r.location_nodes = app.location_nodes;
    r.font_face = app.list_font.face;
    r.font_points = app.list_font.points;
    r.font_style = app.list_font.style;
    r.columns = app.column_table;
    r.highlight_on = app.highlight.on;
    r.value_order = app.order_by_value ? 1 : 0;
    r.minimum = app.highlight.minimum;
    r.colour = app.highlight.colour;
    if (const MainWindow* window = app.main_window) {
        r.window_state = window_state_of(window);
        r.window = rect_of(window->geometry());
        r.window.x = window->frameGeometry().x();
        r.window.y = window->frameGeometry().y();
        r.tree_splitter = rect_of(window->tree_splitter()->geometry());
        r.tree_splitter_position = window->tree_splitter()->sizes().value(0);
        r.main_splitter = rect_of(window->main_splitter()->geometry());
        r.main_splitter_position = window->main_splitter()->sizes().value(0);
        r.list = rect_of(window->item_list()->geometry());
        const QHeaderView* header = window->item_list()->header();
        for (int column = 0; column < kStoredWidths; ++column) {
            r.column_widths[static_cast<std::size_t>(column)] = header->sectionSize(column);
        }
    }
    // A hidden column is stored narrow even when its width was dragged open.
    for (int column = 0; column < kStoredWidths; ++column) {
        if (!app.column_table.column_shown(column)) r.column_widths[static_cast<std::size_t>(column)] = 0;
    }
    return r;
}

namespace {

// On a team's server, the highlight goes to the server when this desktop
// changed it since it was read; a role that may not change it keeps its
// change for the session.
void store_shared_highlight(App& app) {
    const SharedHighlight now{app.highlight.on, app.highlight.minimum, app.highlight.colour};
    if (!app.database.is_open() || !app.database.shares_trees() || app.shared_highlight == now ||
        !app.database.rights().change_settings) {
        return;
    }
    if (store_team_settings(app.database, TeamSettings{now.on, now.minimum, now.colour})) app.shared_highlight = now;
}

}  // namespace

bool save_settings(App& app, OnFailure on_failure) {
    // The user may have dragged columns since the order was last read.
    if (app.main_window != nullptr) read_column_order(app);
    const bool shared = app.database.is_open() && app.database.shares_trees();
    if (shared) store_shared_highlight(app);
    const FileResult written = replace_file(
        settings_path(), settings_text(current_settings(app), shared ? Scope::desktop : Scope::whole));
    if (!written.ok && on_failure == OnFailure::warn) {
        app.platform.message_box(app.main_window, attention(),
                                 QStringLiteral("Не удалось сохранить настройки: %1.\nПрежний файл %2 не изменён.")
                                     .arg(written.reason, QString::fromLatin1(kSettingsFile)),
                                 MessageButtons::ok, MessageIcon::warning);
    }
    return written.ok;
}

}  // namespace detalehran::settings
