#include "editor/documents.h"

#include "app/app.h"
#include "app/lifecycle.h"
#include "platform/services.h"

namespace detalehran::editor {

QString datasheet_folder() { return QString::fromStdString(working_directory()) + "Datasheet/"; }

QIcon document_icon(App& app, const QString& name) { return app.platform.file_type_icon(datasheet_folder() + name); }

void open_document(App& app, const QString& name) {
    if (name.isEmpty()) return;
    app.platform.open_with_default_program(datasheet_folder() + name);
}

}  // namespace detalehran::editor
