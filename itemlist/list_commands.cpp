// Commands of the item list; built with its filling, search and font.

#include "app/app.h"
#include "app/commands.h"

namespace detalehran::itemlist {

void search_by_name(App&, const Event&) {}
void choose_list_font(App&, const Event&) {}

}  // namespace detalehran::itemlist
