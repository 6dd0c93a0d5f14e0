#pragma once
// Attaching documents in the item editor: choosing a file, copying it into
// the datasheet folder and renaming it after the item.

#include <QIcon>
#include <QString>

#include "platform/services.h"

namespace detalehran {
struct App;
}

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
