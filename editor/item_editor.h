#pragma once
// The item editor (window 5): adding, editing and duplicating an item, and
// the commands the router reaches in it.

#include "platform/event.h"

namespace detalehran {
struct App;
enum class EditorMode;
}

namespace detalehran::editor {

// Opens the editor in the given mode for the list's selected row (edit and
// duplicate) or the selected section (add). The caller has checked that
// the mode's condition holds.
void open_item_editor(App& app, EditorMode mode);

void editor_tree_click(App& app, const Event& event);
void save_item(App& app, const Event& event);
void cancel_editor(App& app, const Event& event);
void choose_document(App& app, const Event& event);
void delete_package(App& app, const Event& event);
// Its close box: the main window enabled again, the number fields released
// first, nothing saved.
void close_editor(App& app, const Event& event);

}  // namespace detalehran::editor
