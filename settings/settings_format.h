#pragma once
// The Store.ini format over an in-memory record: the text the program writes
// and the readers that take it back line by line and by position. No widgets
// and no files here.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

#include "state/column_table.h"
#include "state/node_list.h"

namespace detalehran::settings {

inline constexpr const char* kTreeItems = "[TreeItems]";
inline constexpr const char* kTreeLocation = "[TreeLocation]";
inline constexpr const char* kListIconFont = "[ListIconFont]";
inline constexpr const char* kMainWindowRect = "[MainWindowRect]";
inline constexpr const char* kSplitterHorizontal = "[SplitterHorizontal]";  // control 51, the trees' splitter
inline constexpr const char* kSplitterVertical = "[SplitterVertical]";      // control 54, trees beside the list
inline constexpr const char* kListIcon = "[ListIcon]";
inline constexpr const char* kColumnsQuerry = "[ColumnsQuerry]";
inline constexpr const char* kColumnsHidden = "[ColumnsHidden]";
inline constexpr const char* kCheckBoxStates = "[CheckBox_States]";
inline constexpr const char* kStringMin = "[String_Min]";
inline constexpr const char* kHighLight = "[HighLight]";

inline constexpr int kWindowNormal = 0;
inline constexpr int kWindowMaximized = 16777216;
inline constexpr int kWindowMinimized = 536870912;

// List columns 0 to 6 have a stored width; the others do not.
inline constexpr int kStoredWidths = 7;

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

// Everything the file holds. The defaults are those of a first start, with
// the geometry the main window is created with.
struct SettingsRecord {
    NodeList path_nodes;
    NodeList location_nodes;
    QString font_face = "MS Sans Serif";
    int font_points = 8;
    int font_style = 0;
    int window_state = kWindowNormal;
    Rect window{303, 112, 800, 550};  // outer top-left, inner size with the menu bar
    Rect tree_splitter{2, 23, 106, 505};
    int tree_splitter_position = 250;  // height of the path tree
    Rect main_splitter{2, 23, 796, 505};
    int main_splitter_position = 150;  // width of the tree pane
    Rect list{110, 25, 689, 500};
    std::array<int, kStoredWidths> column_widths{200, 300, 0, 100, 100, 100, 100};
    ColumnTable columns;
    int highlight_on = 0;
    // Names ordered by the values in them: a second line of
    // "[CheckBox_States]", written only when on, which older files lack and
    // older programs, reading the section's first line, never see.
    int value_order = 0;
    QString minimum = "5";
    int colour = 255;  // 0x00BBGGRR; -1 the list's default colour

    bool operator==(const SettingsRecord& other) const;
};

// Which sections a file holds: all twelve, or on a desktop of a team's
// server only the desktop's own (the list's font, the window, its splitters,
// the columns), the trees and the highlight living on the server.
enum class Scope { whole, desktop };

// The file: its sections in their fixed order, UTF-8, CR LF after every
// line.
QByteArray settings_text(const SettingsRecord& record, Scope scope = Scope::whole);

// The file's bytes as lines, each decoded on its own: UTF-8 when its bytes
// are valid UTF-8, otherwise Windows-1251; CR, LF and CR LF each end a line.
QStringList settings_lines(const QByteArray& bytes);
QString decode_windows_1251(const QByteArray& bytes);

// A setting line's value: the text between the first "=" and the next one,
// or the end of the line; empty without "=".
QString setting_value(const QString& line);
// Leading blanks, an optional sign, decimal digits up to the first other
// character; no digits gives 0. Out-of-range values are clamped.
int setting_number(const QString& text);

// Adds the nodes of "[TreeItems]" and "[TreeLocation]" to the lists, each at
// its line's index (an index beyond the end appends). Each tree section ends
// at the next header line.
void read_trees(const QStringList& lines, NodeList& path_nodes, NodeList& location_nodes);
// Reads one section into the record and returns whether its header was
// found. Headers match whole lines exactly. The section's lines are taken by
// position and end at the next header; values past that end stay as they
// were.
bool read_section(const QStringList& lines, const QString& header, SettingsRecord& record);
// A record with the defaults overwritten by whatever the lines hold.
SettingsRecord read_settings(const QStringList& lines);

// Makes a list a tree again: the root back at index 0 when it is missing, and
// every other node at least on level 1 and at most one level below the node
// before it, so each node has a parent. Returns whether anything changed.
bool mend_tree(NodeList& nodes);

// Whether an order row names each list column exactly once.
bool is_column_permutation(const std::array<int, kListColumns>& order);

}  // namespace detalehran::settings
