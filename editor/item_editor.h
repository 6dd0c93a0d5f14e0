#pragma once
// The item editor (window 5): adding, editing and duplicating an item.

namespace detalehran {
struct App;
enum class EditorMode;
}

namespace detalehran::editor {

// Opens the editor in the given mode for the list's selected row (edit and
// duplicate) or the selected section (add). The caller has checked that
// the mode's condition holds.
void open_item_editor(App& app, EditorMode mode);

}  // namespace detalehran::editor
