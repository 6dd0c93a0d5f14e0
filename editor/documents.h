#pragma once
// Attached documents: the datasheet folder, a document's icon and opening it.

#include <QIcon>
#include <QString>

#include "platform/services.h"

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

namespace detalehran::editor {

class ItemEditorWindow;

// Extension of a file name: the text after its last "."; empty without one.
QString file_extension(const QString& path);
// The chooser's title and filters.
QString document_chooser_title();
QList<FileFilter> document_filters();

// A rename the document step made, so that a save that fails can undo it.
struct DocumentRename {
    QString from, to;  // names inside the datasheet folder; empty for none
};

// The document step of "ОК" for the editor's mode: copies the chosen file
// into the datasheet folder, or renames the document after a name change,
// and sets the document field. `row` is the list's selected row (edit and
// duplicate). Returns false, after telling the user, when a file could not
// be copied; a failed rename keeps the old name and is only reported.
bool document_step(App& app, ItemEditorWindow& editor, int row, DocumentRename& renamed);
// Puts a document step's rename back after the statement failed.
void undo_rename(const DocumentRename& renamed);

}  // namespace detalehran::editor
