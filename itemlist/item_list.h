#pragma once
// Filling the item list from a statement, and the column sorter's hook.

#include <string>

namespace detalehran {
struct App;
}

namespace detalehran::itemlist {

void fill_item_list(App& app, const std::string& statement);
// Attaches the column sorter to the list; true on success.
bool sorter_attach(App& app);

}  // namespace detalehran::itemlist
