// Commands of the item editor; built with the editor.

#include "app/app.h"
#include "app/commands.h"

namespace detalehran::editor {

void editor_tree_click(App&, const Event&) {}
void save_item(App&, const Event&) {}
void cancel_editor(App&, const Event&) {}
void choose_document(App&, const Event&) {}
void delete_package(App&, const Event&) {}
void close_editor(App&) {}

}  // namespace detalehran::editor

#include "editor/item_editor.h"

namespace detalehran::editor {

// Built with the editor window.
void open_item_editor(App&, EditorMode) {}

}  // namespace detalehran::editor
