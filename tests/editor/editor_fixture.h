#pragma once
// A started program with items in a real database, and the item editor
// driven through its controls and the program's router.

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QTest>

#include "app/item_commands.h"
#include "dialogs/about_commands.h"
#include "editor/item_editor.h"
#include "itemlist/item_list.h"
#include "itemlist/table_settings_commands.h"
#include "trees/tree_commands.h"
#include "editor/documents.h"
#include "editor/item_editor_window.h"
#include "trees/tree_test_fixture.h"

namespace detalehran::testing {

class EditorProgram : public TreeProgram {
protected:
    // Items a (ID 1) in A on Шкаф, b (ID 2) in B on Стол; the list shows all.
    void start_with_items() {
        seed({{"a", "|Все|A|", "|Все|Шкаф|"}, {"b", "|Все|B|", "|Все|Стол|"}});
        start_up(app_);
        set_nodes(kPathTree, {{"Все", 0}, {"A", 1}, {"B", 1}});
        set_nodes(kLocationTree, {{"Все", 0}, {"Шкаф", 1}, {"Стол", 1}});
        click(kPathTree);
    }
    editor::ItemEditorWindow* window() const { return editor::item_editor_window(app_); }
    editor::ItemEditorWindow* open(EditorMode mode, int row = -1) {
        if (row >= 0) app_.main_window->select_row(row);
        editor::open_item_editor(app_, mode);
        return window();
    }
    QLineEdit* field(int number) const {
        QWidget* w = window()->control(number);
        if (auto* line = qobject_cast<QLineEdit*>(w)) return line;
        return w != nullptr ? w->findChild<QLineEdit*>() : nullptr;
    }
    void type(int number, const QString& text, bool replace = true) {
        QLineEdit* line = field(number);
        if (replace) line->selectAll();
        // Qt Test types ASCII only; other text arrives as one insertion.
        bool ascii = true;
        for (QChar c : text) ascii = ascii && c.unicode() < 128;
        if (ascii) {
            QTest::keyClicks(line, text);
        } else {
            line->insert(text);
        }
    }
    void set_combo(int number, const QString& text) {
        auto* box = qobject_cast<QComboBox*>(window()->control(number));
        box->setCurrentIndex(-1);
        box->setEditText(text);
    }
    // A click on a node of the editor's tree, as the router delivers it.
    void pick_place(int node) {
        trees::select_tree_node(window()->location_tree(), node);
        press_control(kEditorLocationTree, kLeftClick);
    }
    void press_control(int control, int type = kLeftClick) {
        process_event(app_, Event{kControlEvent, kEditorWindow, control, type});
    }
    void press_ok() { press_control(kEditorOk); }
    void press_close_box() {
        QCloseEvent close_box;
        QCoreApplication::sendEvent(window()->windowHandle(), &close_box);
        settle();
    }
    std::string datasheet(const std::string& name) const { return folder_.file("Datasheet/" + name); }
    void make_file(const std::string& path, const std::string& text) const {
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr) << path;
        std::fputs(text.c_str(), f);
        std::fclose(f);
    }
};

}  // namespace detalehran::testing
