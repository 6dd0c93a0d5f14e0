#pragma once
// The three routing tables, as data: control events, menu events and key
// messages, one row per route, and the router that picks the row.

#include <span>

#include "platform/event.h"

namespace detalehran {

struct App;

using Handler = void (*)(App&, const Event&);

inline constexpr int kAnyType = -1;
inline constexpr int kAnyControl = -1;
inline constexpr int kAnyWindow = -2;

struct ControlRoute {
    int control;
    int type;  // kAnyType: buttons and links do not look at it
    Handler handler;
    const char* action;
    // The command shows another list before it looks at any row of the one
    // shown: the rows of that one still coming are given up, not read first.
    bool replaces_list = false;
};

struct MenuRoute {
    int item;
    Handler handler;
    const char* action;
};

struct KeyRoute {
    int message;        // key-down or character message
    int code;           // key or character code
    int focus_control;  // kAnyControl or the control that must have the focus
    int active_window;  // kAnyWindow or the window that must be active
    Handler handler;
    const char* action;
};

// Close, size, maximize and restore events, by the window they happened to.
struct WindowRoute {
    int kind;
    int window;  // kAnyWindow: every window
    Handler handler;
    const char* action;
};

std::span<const ControlRoute> control_routes();
std::span<const MenuRoute> menu_routes();
// Character rules are tried in table order and only the first match acts.
std::span<const KeyRoute> key_routes();
std::span<const WindowRoute> window_routes();

const ControlRoute* find_control_route(const Event& event);
const MenuRoute* find_menu_route(const Event& event);
const KeyRoute* find_key_route(const Event& event);
const WindowRoute* find_window_route(const Event& event);

// Whether the command the event reaches replaces the item list outright (a
// click on a tree's node), so that it need not wait for the list's rest.
bool replaces_item_list(const Event& event);

// Runs the handler of the route that matches; returns its action name, or
// nullptr when nothing is routed for the event.
const char* route_event(App& app, const Event& event);

}  // namespace detalehran
