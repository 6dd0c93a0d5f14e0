#pragma once
// The bill of materials window's commands: "Файл" → "Проверить
// спецификацию…" (a file read and checked), confirming the proposed parts,
// the pick list printed or saved, the shortfall saved or added to the
// reorder list, "Списать на сборку", "Сохранить проект…", and closing.

#include <string>

#include "bom/bom.h"
#include "platform/event.h"

class QWidget;

namespace detalehran {
struct App;
}

namespace detalehran::bom_windows {

// Menu "Проверить спецификацию…": the file chosen, read and checked.
void open_bom_check(App& app, const Event& event);
// Opens the window on a bill already read: the store's parts are read, the
// bill checked for `boards` with the `chosen` parts first. False when the
// window did not open (the user was told why).
bool open_check_window(App& app, bom::Bom bom, const std::string& source, const std::string& project, long long boards,
                       const bom::Choices& chosen);

void confirm_all_parts(App& app, const Event& event);
void print_pick_list(App& app, const Event& event);
void save_pick_list_pdf(App& app, const Event& event);
void save_pick_list_csv(App& app, const Event& event);
void save_shortfall_csv(App& app, const Event& event);
// "Добавить в список заказа": the reorder list with the build's shortfall.
void add_shortfall_to_order(App& app, const Event& event);
// "Списать на сборку…".
void take_build_parts(App& app, const Event& event);
// "Сохранить проект…".
void save_bom_project(App& app, const Event& event);
// "Закрыть" or Esc.
void close_bom_window(App& app, const Event& event);
void close_bom_by_close_box(App& app, const Event& event);

}  // namespace detalehran::bom_windows
