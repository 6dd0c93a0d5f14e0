// What the three dialogs of the main window share: opened modal, one at a
// time, centred where they belong, and every way out enabling the main
// window again, the close box without moving the focus.

#include <QLineEdit>
#include <QScreen>
#include <QTreeView>
#include <QTreeWidget>
#include <QWindow>

#include "dialogs/about_dialog.h"
#include "editor/item_editor_window.h"
#include "itemlist/table_settings_dialog.h"
#include "mainwindow/control_numbers.h"
#include "trees/tree_commands.h"
#include "support/dialog_fixture.h"

namespace detalehran {
namespace {

struct DialogCase {
    const char* name;
    int menu_item;
    int window;
    int leave_button;  // "ОК" or "Отмена"
    bool on_screen;    // centred on the screen rather than on the main window
};

const DialogCase kDialogs[] = {
    {"about", kMenuAbout, kAboutWindow, kAboutOk, true},
    {"table settings", kMenuTableSettings, kTableSettingsWindow, kSettingsCancel, false},
    {"item editor", kMenuAdd, kEditorWindow, kEditorCancel, false},
};

class NumberedDialogs : public testing::DialogTest<NumberedDialog> {
protected:
    // The trees with their roots, the path tree's selected: a section to add to.
    NumberedDialogs() { trees::show_trees_at_start_up(app_); }

    NumberedDialog* open(const DialogCase& d) {
        window_->menu_item(d.menu_item)->trigger();
        settle();
        return open_dialog(d);
    }
    void press_close_box_of(const DialogCase& d) {
        QCloseEvent close;
        QCoreApplication::sendEvent(open_dialog(d)->windowHandle(), &close);
        settle();
    }
    NumberedDialog* open_dialog(const DialogCase& d) const {
        for (NumberedDialog* dialog : window_->findChildren<NumberedDialog*>(Qt::FindDirectChildrenOnly)) {
            if (dialog->window_number() == d.window && !dialog->objectName().isEmpty()) return dialog;
        }
        return nullptr;
    }
    int open_count() const {
        int count = 0;
        for (NumberedDialog* dialog : window_->findChildren<NumberedDialog*>(Qt::FindDirectChildrenOnly)) {
            count += dialog->objectName().isEmpty() ? 0 : 1;
        }
        return count;
    }
};

TEST_F(NumberedDialogs, OpenModalOnceCentredAndEveryWayOutEnablesTheMainWindow) {
    for (const DialogCase& d : kDialogs) {
        SCOPED_TRACE(d.name);
        window_->search_field()->setFocus();
        NumberedDialog* dialog = open(d);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(dialog->isEnabled());
        EXPECT_FALSE(window_->isEnabled());
        const QPoint centre = d.on_screen ? dialog->screen()->availableGeometry().center()
                                          : window_->frameGeometry().center();
        EXPECT_LE((dialog->frameGeometry().center() - centre).manhattanLength(), 2);

        // A second opening makes no second dialog.
        window_->setEnabled(true);
        EXPECT_EQ(open(d), dialog);
        EXPECT_EQ(open_count(), 1);

        click(dialog->control(d.leave_button));
        EXPECT_EQ(open_count(), 0);
        EXPECT_TRUE(window_->isEnabled());
        EXPECT_EQ(window_->focusWidget(), window_->item_list());

        // The close box: enabled again, the focus not given to the list.
        window_->search_field()->setFocus();
        ASSERT_NE(open(d), nullptr);
        press_close_box_of(d);
        EXPECT_EQ(open_count(), 0);
        EXPECT_TRUE(window_->isEnabled());
        EXPECT_NE(window_->focusWidget(), window_->item_list());
    }
}

}  // namespace
}  // namespace detalehran
