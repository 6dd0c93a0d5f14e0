#pragma once
// What the settings tests share: the file of a path tree Резисторы (SMD,
// Выводные) and Конденсаторы and a location tree Шкаф 1 holding Ящик 3 with
// the default view settings, and readable failure messages.

#include <QByteArray>
#include <QString>
#include <ostream>

#include "state/node_list.h"

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace detalehran {

inline void PrintTo(const TreeNode& node, std::ostream* out) { *out << node.level << ':' << node.name.toStdString(); }

// Window and control rectangles as the example has them; the rest are the
// defaults of a first start.
inline QByteArray example_file() {
    QByteArray text = R"([TreeItems]
0|Все|0|
1|Резисторы|1|
2|SMD|2|
3|Выводные|2|
4|Конденсаторы|1|
[TreeLocation]
0|Все|0|
1|Шкаф 1|1|
2|Ящик 3|2|
[ListIconFont]
FontName=MS Sans Serif
FontSize=8
FontStyle=0
[MainWindowRect]
WindowState=0
x=303
y=112
width=800
height=550
[SplitterHorizontal]
x=2
y=23
width=106
height=505
state=250
[SplitterVertical]
x=2
y=23
width=796
height=505
state=150
[ListIcon]
x=110
y=25
width=689
height=500
column0_width=200
column1_width=300
column2_width=0
column3_width=100
column4_width=100
column5_width=100
column6_width=100
[ColumnsQuerry]
2;7;9;10;0;8;1;3;4;5;6;
[ColumnsHidden]
0;0;0;0;1;1;1;1;1;1;1;
[CheckBox_States]
CheckBox_Highlight=0
[String_Min]
Quanity=5
[HighLight]
Color=255
)";
    return text.replace("\n", "\r\n");
}

inline NodeList example_sections() {
    return {{QString::fromUtf8("Все"), 0},
            {QString::fromUtf8("Резисторы"), 1},
            {"SMD", 2},
            {QString::fromUtf8("Выводные"), 2},
            {QString::fromUtf8("Конденсаторы"), 1}};
}

inline NodeList example_places() {
    return {{QString::fromUtf8("Все"), 0}, {QString::fromUtf8("Шкаф 1"), 1}, {QString::fromUtf8("Ящик 3"), 2}};
}

}  // namespace detalehran
