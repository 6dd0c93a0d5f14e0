// The item editor's commands: opening it in its three modes, its location
// tree, "ОК", the ways of closing it, the document chooser and removing a
// package type.

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTreeView>
#include <QTreeWidget>

#include "db/failure_text.h"
#include "db/operation.h"
#include "db/statements.h"
#include "editor/documents.h"
#include "editor/edit_conflict.h"
#include "editor/item_editor.h"
#include "editor/item_editor_window.h"
#include "itemlist/datasheets.h"
#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "settings/settings_store.h"
#include "state/app.h"
#include "state/column_table.h"
#include "trees/node_operations.h"
#include "trees/team_trees.h"
#include "trees/tree_commands.h"
#include "trees/tree_view.h"

namespace detalehran::editor {

namespace {

constexpr int kValueColumns = 11;

void warn(App& app, QWidget* parent, const QString& text) {
    app.platform.message_box(parent, QStringLiteral("Внимание!"), text, MessageButtons::ok, MessageIcon::none);
}

QString reason(const App& app) { return QString::fromStdString(db::failure_text(app.database.last_diagnostic())); }

// Column 0 of every row of a query, in the order read.
QStringList first_column(App& app, const db::Statement& statement) {
    QStringList out;
    if (app.database.db_query(statement)) {
        while (app.database.db_next_row()) out << QString::fromStdString(app.database.db_text(0));
        app.database.db_finish();
    }
    return out;
}

// Path of the editor tree's selected node; empty when none is selected.
QString editor_tree_path(ItemEditorWindow& editor) {
    const int node = trees::selected_node(editor.location_tree());
    return node < 0 ? QString() : trees::build_node_path(editor.nodes(), node);
}

// A number as the statement takes it bare: digits, and for prices at most
// one point with at most two decimals.
bool is_quantity(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return digits.match(text).hasMatch();
}
bool is_price(const QString& text) {
    static const QRegularExpression price(QStringLiteral("^([0-9]+(\\.[0-9]{0,2})?|\\.[0-9]{1,2})$"));
    return price.match(text).hasMatch();
}

// The first number field that is not a number, named for the user; empty
// when all are numbers.
QString wrong_number(const ItemEditorWindow& editor) {
    if (!is_quantity(editor.value(db::kQuantity))) {
        return QStringLiteral("В поле «Количество» должно быть целое число без знака.");
    }
    const std::pair<int, const char*> prices[] = {{db::kPrice, "Цена расходная"},
                                                  {db::kPurchasePrice, "Цена приходная"}};
    for (const auto& [column, caption] : prices) {
        if (!is_price(editor.value(column))) {
            return QStringLiteral("В поле «%1» должно быть число с не более чем двумя знаками после точки.")
                .arg(QString::fromUtf8(caption));
        }
    }
    return {};
}

db::ItemValues values_of(const ItemEditorWindow& editor) {
    auto text = [&](int column) { return editor.value(column).toStdString(); };
    return {text(0), text(1), text(2), text(3), text(4), text(5), text(6), text(7), text(8), text(9), text(10)};
}

QStringList cells_of(const ItemEditorWindow& editor) {
    QStringList cells;
    for (int column = 0; column < kValueColumns; ++column) cells << editor.value(column);
    return cells;
}

// The row's values as the list shows them: what the item held when read.
db::ItemValues row_values(const ItemListModel& list, int row) {
    auto text = [&](int column) { return list.cell(row, column).toStdString(); };
    return {text(0), text(1), text(2), text(3), text(4), text(5), text(6), text(7), text(8), text(9), text(10)};
}

// Writes the item; the list changes only once the database has it.
bool store_item(App& app, ItemEditorWindow& editor, int row) {
    ItemListModel& list = app.main_window->list_model();
    if (app.editor_mode == EditorMode::edit) {
        editor.set_value(db::kId, list.cell(row, db::kId));
        if (!app.database.db_update(db::update_item(values_of(editor), row_values(list, row)))) return false;
        // The section path is never changed by an edit.
        editor.set_value(db::kSectionPath, list.cell(row, db::kSectionPath));
        for (int column = 0; column < kValueColumns; ++column) list.set_cell(row, column, editor.value(column));
        const QString document = editor.value(db::kDatasheet);
        list.set_row_icon(row, document.isEmpty() ? QIcon() : itemlist::document_icon(app, document));
        return true;
    }
    // A new item lands in the section selected in the path tree now.
    editor.set_value(db::kSectionPath, trees::build_node_path(app, kPathTree));
    std::string id;
    if (!app.database.db_insert(db::insert_item(values_of(editor)), id)) return false;
    editor.set_value(db::kId, QString::fromStdString(id));
    const QString document = editor.value(db::kDatasheet);
    list.append_row(cells_of(editor), document.isEmpty() ? QIcon() : itemlist::document_icon(app, document));
    app.main_window->select_row(list.row_count() - 1);
    return true;
}

// An edit that found the item changed or deleted since the list read it:
// the row shows the item as stored, and the editor the user's changes
// joined with the other ones, field by field; nothing stale is written.
void report_changed_meanwhile(App& app, ItemEditorWindow& editor, int row) {
    ItemListModel& list = app.main_window->list_model();
    const QString why = reason(app);
    QStringList before;
    for (int column = 0; column < kValueColumns; ++column) before << list.cell(row, column);
    const QString name = before[db::kName];
    QString mover;
    switch (itemlist::show_stored_row(app, row, &mover)) {
        case itemlist::StoredRow::shown: {
            QStringList stored;
            for (int column = 0; column < kValueColumns; ++column) stored << list.cell(row, column);
            join_changes(app, editor, before, stored);
            return;
        }
        case itemlist::StoredRow::gone:
            warn(app, &editor,
                 QStringLiteral("Деталь «%1» тем временем удалена другим пользователем; изменения не записаны.")
                     .arg(name));
            leave_dialog(app, editor);
            return;
        case itemlist::StoredRow::moving:
            warn(app, &editor, QStringLiteral("Изменения не записаны.%1").arg(itemlist::moving_text(name, mover)));
            return;
        case itemlist::StoredRow::unread:
            warn(app, &editor, QStringLiteral("Деталь не сохранена.\n%1").arg(why));
            return;
    }
}

// The editor's place tree as the trees are now, the chosen place kept by
// its node where it still exists.
void show_current_places(App& app, ItemEditorWindow& editor) {
    QTreeWidget* tree = editor.location_tree();
    const int chosen = trees::selected_node(tree);
    const int id = chosen >= 0 ? editor.nodes()[static_cast<std::size_t>(chosen)].id : 0;
    trees::copy_tree(app.location_nodes, editor.nodes(), tree);
    trees::sort_tree(tree);
    const int found = id == 0 ? -1 : trees::index_of(editor.nodes(), id);
    if (found >= 0) trees::reveal_path(tree, editor.nodes(), trees::build_node_path(editor.nodes(), found));
    editor.set_value(db::kPlace, editor_tree_path(editor));
}

}  // namespace

void open_item_editor(App& app, EditorMode mode) {
    auto* editor = open_modal<ItemEditorWindow>(app, [](MainWindow& main) { return new ItemEditorWindow(main); });
    if (editor == nullptr) return;
    MainWindow* main = app.main_window;
    app.editor_mode = mode;

    editor->package_box()->addItems(first_column(app, db::kSelectPackages));
    editor->supplier_box()->clear();
    editor->supplier_box()->addItems(first_column(app, db::kSelectSuppliers));
    editor->set_value(db::kPackage, QString());
    editor->set_value(db::kSupplier, QString());

    QTreeWidget* tree = editor->location_tree();
    trees::copy_tree(app.location_nodes, editor->nodes(), tree);
    trees::sort_tree(tree);
    const int selected = trees::selected_node(app, kLocationTree);
    if (selected >= 0) {
        trees::select_tree_node(tree, selected);
        for (QTreeWidgetItem* item = trees::item_of(tree, selected); item != nullptr; item = item->parent()) {
            item->setExpanded(true);
        }
    }
    editor->set_value(db::kPlace, editor_tree_path(*editor));
    editor->chosen_file.clear();

    const int row = main->selected_row();
    if (mode == EditorMode::add) {
        editor->set_value(db::kSectionPath, trees::build_node_path(app, kPathTree));
    } else {
        for (int column = 0; column < kValueColumns; ++column) {
            editor->set_value(column, main->list_model().cell(row, column));
        }
        trees::reveal_path(tree, editor->nodes(), editor->value(db::kPlace));
    }
    editor->show_centred();
    editor->control(kEditorName)->setFocus();
}

void editor_tree_click(App& app, const Event&) {
    if (ItemEditorWindow* editor = item_editor_window(app)) editor->set_value(db::kPlace, editor_tree_path(*editor));
}

void save_item(App& app, const Event&) {
    ItemEditorWindow* editor = item_editor_window(app);
    if (editor == nullptr) return;
    if (editor->value(db::kPlace).isEmpty()) {
        warn(app, editor, QStringLiteral("Не указан путь!"));
        return;
    }
    if (editor->value(db::kPrice).isEmpty()) editor->set_value(db::kPrice, QStringLiteral("0.00"));
    if (editor->value(db::kPurchasePrice).isEmpty()) editor->set_value(db::kPurchasePrice, QStringLiteral("0.00"));
    if (editor->value(db::kQuantity).isEmpty()) editor->set_value(db::kQuantity, QStringLiteral("0"));
    if (const QString wrong = wrong_number(*editor); !wrong.isEmpty()) {
        warn(app, editor, wrong);
        return;
    }

    const int row = app.main_window->selected_row();
    const QString document_before = editor->value(db::kDatasheet);
    DocumentRename renamed;
    if (!document_step(app, *editor, row, renamed)) return;
    const QString caption = app.editor_mode == EditorMode::edit
                                ? QStringLiteral("Изменение детали «%1»").arg(editor->value(db::kName))
                                : QStringLiteral("Добавление детали «%1»").arg(editor->value(db::kName));
    const trees::PathWrite written = trees::write_with_current_trees(
        app, caption.toStdString(), [&] { return store_item(app, *editor, row); }, editor);
    if (written != trees::PathWrite::done) {
        undo_rename(renamed);
        editor->set_value(db::kDatasheet, document_before);
        if (written == trees::PathWrite::trees_changed) {
            show_current_places(app, *editor);
            return;
        }
        if (app.editor_mode == EditorMode::edit && app.database.last_diagnostic().sqlstate == db::kNoRowMatched) {
            report_changed_meanwhile(app, *editor, row);
            return;
        }
        warn(app, editor, QStringLiteral("Деталь не сохранена.\n%1").arg(reason(app)));
        return;
    }
    // A type already in the table is refused; that is the usual case. An
    // empty field names no type and adds no empty entry to the list.
    if (const QString package = editor->value(db::kPackage); !package.isEmpty()) {
        db::run_operation(app.database, QStringLiteral("Новый тип корпуса «%1»").arg(package).toStdString(),
                          [&] { return app.database.db_update(db::insert_package(package.toStdString())); });
    }

    trees::copy_tree(editor->nodes(), app.location_nodes, app.main_window->location_tree());
    trees::sort_tree(app.main_window->location_tree());
    leave_dialog(app, *editor);
    settings::save_settings(app);
    trees::reveal_item_in_tree(app, kLocationTree, db::kPlace);
    app.main_window->item_list()->setFocus();
}

void cancel_editor(App& app, const Event&) {
    if (ItemEditorWindow* editor = item_editor_window(app)) leave_dialog(app, *editor);
}

void close_editor(App& app, const Event&) { close_by_close_box(app, item_editor_window(app)); }

void choose_document(App& app, const Event&) {
    ItemEditorWindow* editor = item_editor_window(app);
    if (editor == nullptr) return;
    const std::optional<QString> chosen =
        app.platform.choose_file(editor, document_chooser_title(), document_filters());
    // A cancelled chooser takes the document away from the item.
    editor->chosen_file = chosen.value_or(QString());
    editor->set_value(db::kDatasheet, chosen ? QFileInfo(*chosen).fileName() : QString());
}

void delete_package(App& app, const Event&) {
    ItemEditorWindow* editor = item_editor_window(app);
    if (editor == nullptr) return;
    QComboBox* box = editor->package_box();
    const QString package = box->currentText();
    // A type that is not stored is no failure: it is gone either way.
    const auto remove = [&] { return app.database.db_update(db::delete_package(package.toStdString())); };
    if (!db::run_operation(app.database, QStringLiteral("Удаление типа корпуса «%1»").arg(package).toStdString(),
                           remove) &&
        app.database.last_diagnostic().sqlstate != db::kNoRowMatched) {
        warn(app, editor, QStringLiteral("Тип корпуса не удалён:\n%1").arg(reason(app)));
        return;
    }
    // Only an entry picked from the list leaves it; typed text is no entry.
    const int index = box->currentIndex();
    if (index >= 0 && box->itemText(index) == package) box->removeItem(index);
}

}  // namespace detalehran::editor
