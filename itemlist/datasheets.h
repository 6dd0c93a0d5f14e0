#pragma once
// A row's datasheet as the list shows and opens it: the icon of its type and
// opening it with the desktop's program.

#include <QIcon>
#include <QString>

namespace detalehran {
struct App;
}

namespace detalehran::itemlist {

// Icon of the program that opens such a document, or a null icon.
QIcon document_icon(App& app, const QString& name);
// Why the stored document name must not be opened from the folder, in the
// user's words; empty when it names a plain document inside the folder. The
// name comes from the database, where anyone sharing it may have put it.
QString document_refusal(const QString& folder, const QString& name);
// Opens the document with the desktop's default program, without waiting;
// a name that document_refusal refuses is reported and not opened.
void open_document(App& app, const QString& name);

}  // namespace detalehran::itemlist
