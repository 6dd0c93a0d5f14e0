#pragma once
// What the tree and moving commands tell the user, and the small helpers
// they share for statements whose failure the user must hear about.

#include <QString>
#include <QStringList>
#include <string>

#include "db/statement.h"

class QWidget;

namespace detalehran {
struct App;
}

namespace detalehran::trees {

QString root_message();
QString duplicate_message();
QString no_section_message();
QString delete_question();
QString rename_unread_message(const QString& why);
QString rename_failed_message(const QString& why);
QString delete_unread_message(const QString& why);
QString delete_failed_message(const QString& why);
QString cut_failed_message(const QString& why, int items);
QString paste_failed_message(const QString& why);
QString paste_not_emptied_message(const QString& why);

QString trees_unread_message(const QString& why);
QString trees_changed_message();
QString nodes_not_added_message(const QString& why);
QString create_failed_message(const QString& why);
QString move_into_itself_message();
QString move_failed_message(const QString& why);
QString no_moving_node_message();
QString stranded_returned_message(const QStringList& names);
QString stranded_not_returned_message(const QString& why);

// A message box titled "Внимание!" with an OK button, over the main window
// or the given window.
void warn(App& app, const QString& text, QWidget* parent = nullptr);
// The delete question; true only for the answer Yes.
bool ask_delete(App& app);
// Runs a statement that changes data; one that matched no row counts as done.
bool update_done(App& app, const db::Statement& statement);
// The database's reason for the last failure, for a message.
QString diagnostic_text(const App& app);

}  // namespace detalehran::trees
