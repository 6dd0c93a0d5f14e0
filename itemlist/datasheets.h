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
// Opens the document with the desktop's default program, without waiting.
void open_document(App& app, const QString& name);

}  // namespace detalehran::itemlist
