#pragma once
// The program's spine: start-up in its fixed order, one pass of the event
// loop, and the orderly shutdown.

#include <exception>
#include <string>

#include "platform/event.h"

namespace detalehran {

struct App;
class MainWindow;

// Creates the main window with the item list's rows, records it in
// app.main_window and shows it. The caller owns the window; destroying it
// clears app.main_window.
MainWindow* build_main_window(App& app);

// Called first in main, before the program allocates much. A list of a
// hundred thousand parts is a million small allocations, and on machines
// where the first touch of each 4 KiB page is costly (virtual machines above
// all) that alone doubles the time to fill it. The heap therefore takes
// 512 MiB of address space at once (no memory until used) and marks it for
// transparent huge pages; freed memory at its top is kept rather than handed
// back, so the mark stays. False where that could not be done (malloc
// replaced by a sanitizer or valgrind, address space refused, no huge pages
// in the kernel): the heap then works as usual.
bool use_huge_page_heap();

void start_up(App& app);
// Routes one event; the loop's own work (layout after size changes, closing
// dialogs, ending the loop when the main window closes) has routes too.
void process_event(App& app, const Event& event);
// An exception that reached the program's last resort, reported in Russian.
void report_last_resort(App& app, std::exception_ptr caught);
// The main window's close box: the loop ends, and shutdown follows.
void end_event_loop(App& app, const Event& event);
// After a size change of any window.
void relayout_main_window(App& app, const Event& event);
// Runs until the main window is closed (or a termination signal arrives).
void run_event_loop(App& app);
// Everything closing the main window does after the loop: parked items back,
// scratch table emptied, connection closed, data source removed, settings
// written. The caller ends the process.
void shut_down(App& app);

// SIGTERM, SIGINT and SIGHUP close the main window through the event loop,
// so they end the program with the same shutdown.
void route_termination_signals(App& app);

}  // namespace detalehran
