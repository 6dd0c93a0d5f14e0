#pragma once
// The projects window's commands: "Файл" → "Проекты…", opening a project's
// check, renaming and deleting projects, and closing.

#include "platform/event.h"

namespace detalehran {
struct App;
}

namespace detalehran::bom_windows {

void open_projects(App& app, const Event& event);
// "Открыть", Enter or a double click: the chosen project's check.
void open_chosen_project(App& app, const Event& event);
void rename_chosen_project(App& app, const Event& event);
// "Удалить" or Delete: asks first.
void delete_chosen_project(App& app, const Event& event);
// "Закрыть" or Esc.
void close_projects(App& app, const Event& event);
void close_projects_by_close_box(App& app, const Event& event);

}  // namespace detalehran::bom_windows
