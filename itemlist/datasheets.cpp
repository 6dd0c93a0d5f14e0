#include "itemlist/datasheets.h"

#include "platform/services.h"
#include "platform/working_folder.h"
#include "state/app.h"

namespace detalehran::itemlist {

QIcon document_icon(App& app, const QString& name) { return app.platform.file_type_icon(datasheet_folder() + name); }

void open_document(App& app, const QString& name) {
    if (name.isEmpty()) return;
    app.platform.open_with_default_program(datasheet_folder() + name);
}

}  // namespace detalehran::itemlist
