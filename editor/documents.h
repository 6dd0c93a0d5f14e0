#pragma once
// Attached documents: the datasheet folder, a document's icon and opening it.

#include <QIcon>
#include <QString>

namespace detalehran {
struct App;
}

namespace detalehran::editor {

// The working directory's "Datasheet/" folder, read afresh.
QString datasheet_folder();
// Icon of the program that opens such a document, or a null icon.
QIcon document_icon(App& app, const QString& name);
// Opens the document with the desktop's default program, without waiting.
void open_document(App& app, const QString& name);

}  // namespace detalehran::editor
