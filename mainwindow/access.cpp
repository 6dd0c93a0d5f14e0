#include "mainwindow/access.h"

#include <initializer_list>

#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "state/app.h"

namespace detalehran {

namespace {

struct Limit {
    bool db::Rights::*right;
    const char* what;  // what the role may not do, for the status bar
    std::initializer_list<int> items;
};

const Limit kLimits[] = {
    {&db::Rights::change_items,
     "добавлять, изменять и удалять детали",
     {kMenuAdd, kMenuEdit, kMenuDuplicate, kMenuDeleteItems, kMenuImportCsv, kMenuUndo}},
    {&db::Rights::move_items, "перемещать детали", {kMenuCut, kMenuPaste}},
    {&db::Rights::change_trees,
     "изменять разделы и места хранения",
     {kMenuCreateSection, kMenuRenameSection, kMenuDeleteSection, kMenuCreatePlace, kMenuRenamePlace,
      kMenuDeletePlace}},
};

}  // namespace

QString access_reason(const db::Rights& rights, const std::string& role) {
    const QString name = QString::fromStdString(role);
    if (rights.changes_nothing()) {
        return QString::fromUtf8(
                   "Только просмотр: роль «%1» может только читать склад. Права даёт администратор "
                   "склада (detalehran-db add-user).")
            .arg(name);
    }
    QStringList refused;
    for (const Limit& limit : kLimits) {
        if (!(rights.*limit.right)) refused << QString::fromUtf8(limit.what);
    }
    if (refused.isEmpty()) return {};
    return QString::fromUtf8("Роль «%1» не может %2. Права даёт администратор склада (detalehran-db add-user).")
        .arg(name, refused.join(QString::fromUtf8(", ")));
}

void show_access(App& app) {
    MainWindow* window = app.main_window;
    if (window == nullptr) return;
    const db::Rights& rights = app.database.rights();
    for (const Limit& limit : kLimits) {
        if (rights.*limit.right) continue;
        for (int item : limit.items) window->set_item_enabled(item, false);
    }
    window->set_lasting_status(app.database.is_open() ? access_reason(rights, app.database.user_name()) : QString());
}

}  // namespace detalehran
