#pragma once
// The program's own event model: what the window layer hands to the router.

namespace detalehran {

// Event kinds, numbered as the program has always numbered them.
enum EventKind : int {
    kControlEvent = 13100,
    kMenuEvent = 13101,
    kCloseEvent = 16,
    kSizeEvent = 5,
    kMaximizeEvent = 13108,
    kRestoreEvent = 13109,
    kKeyDownMessage = 256,
    kCharacterMessage = 258,
};

// Event types of control events that the router looks at.
enum ControlEventType : int {
    kLeftClick = 0,
    kRightClick = 1,
    kLeftDoubleClick = 2,
    kValueChanged = 3,        // the user picked another entry of a drop-down list
    kOtherControlEvent = 99,  // selection changes and the like; never routed
};

// Window numbers.
enum WindowNumber : int {
    kNoWindow = -1,
    kMainWindow = 4,
    kEditorWindow = 5,
    kAboutWindow = 64,
    kTableSettingsWindow = 81,
    kImportWindow = 130,
    kReorderWindow = 160,
    kHistoryWindow = 180,
    kBomWindow = 200,
    kProjectsWindow = 230,
};

struct Event {
    int kind = 0;
    int window = kNoWindow;  // window the event belongs to
    int control = -1;        // control or menu item number
    int type = 0;            // control event type
    int code = 0;            // virtual key or character code of key messages
    // Filled in by the window layer when the event is delivered, so that the
    // routing can be decided without asking any widget.
    int focus_control = -1;          // control with the keyboard focus, or -1
    int active_window = kNoWindow;  // the program's active window, or none
};

}  // namespace detalehran
