// The Store.ini format without windows or files: the text written for a
// record, and the readers taking it back by position.

#include <gtest/gtest.h>

#include <climits>

#include "settings/settings_examples.h"
#include "settings/settings_format.h"

namespace detalehran::settings {
namespace {

QString u(const char* text) { return QString::fromUtf8(text); }

SettingsRecord example_record() {
    SettingsRecord r;
    r.path_nodes = example_sections();
    r.location_nodes = example_places();
    return r;
}

QStringList lines_of(std::initializer_list<const char*> lines) {
    QStringList list;
    for (const char* line : lines) list.append(u(line));
    return list;
}

TEST(SettingsText, ExampleIsWrittenByteForByteAndReadsBackToTheSameRecord) {
    const SettingsRecord record = example_record();
    EXPECT_EQ(settings_text(record), example_file());
    EXPECT_EQ(read_settings(settings_lines(example_file())), record);

    // Every value away from its default survives the round trip too.
    SettingsRecord changed = record;
    changed.font_face = "DejaVu Sans";
    changed.font_points = 11;
    changed.font_style = 256 + 512;
    changed.window_state = kWindowMaximized;
    changed.window = {-8, -30, 1024, 700};
    changed.tree_splitter = {0, 0, 180, 600};
    changed.tree_splitter_position = 321;
    changed.main_splitter = {3, 23, 1019, 640};
    changed.main_splitter_position = 180;
    changed.list = {184, 0, 835, 640};
    changed.column_widths = {250, 0, 0, 80, 90, 0, 120};
    changed.columns.order = {2, 7, 9, 10, 1, 0, 8, 3, 4, 5, 6};
    changed.columns.shown = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1};
    changed.highlight_on = 1;
    changed.minimum = u("десять");
    changed.colour = -1;
    const QByteArray text = settings_text(changed);
    EXPECT_TRUE(text.contains("WindowState=16777216\r\nx=-8\r\ny=-30\r\n"));
    EXPECT_TRUE(text.contains("[HighLight]\r\nColor=-1\r\n"));
    EXPECT_EQ(read_settings(settings_lines(text)), changed);
}

// The order by value is a line that older files lack: off, the file is the
// one older programs wrote; on, it is a second line of its section, which
// programs reading the section's first line pass over.
TEST(SettingsText, OrderByValueIsASecondLineOnlyWhenOn) {
    SettingsRecord on = example_record();
    on.value_order = 1;
    on.highlight_on = 1;
    const QByteArray text = settings_text(on);
    EXPECT_TRUE(text.contains("[CheckBox_States]\r\nCheckBox_Highlight=1\r\nCheckBox_ValueOrder=1\r\n[String_Min]"));
    EXPECT_EQ(read_settings(settings_lines(text)), on);
    EXPECT_EQ(read_settings(settings_lines(example_file())).value_order, 0);
    // Turned off again, the line is gone and the file is as before.
    on.value_order = 0;
    on.highlight_on = 0;
    EXPECT_EQ(settings_text(on), example_file());
}

TEST(SettingsText, LineBreaksInsideAValueCannotSplitTheFile) {
    SettingsRecord record = example_record();
    record.minimum = "5\r\n[TreeItems]\n9|X|1|";
    record.path_nodes[1].name = u("Рези\nсторы");
    const QByteArray text = settings_text(record);
    EXPECT_EQ(text.count("\r\n"), text.count('\n'));
    EXPECT_EQ(settings_lines(text).size(), settings_lines(example_file()).size());
    const SettingsRecord back = read_settings(settings_lines(text));
    EXPECT_EQ(back.path_nodes,
              (NodeList{{u("Все"), 0}, {u("Рези сторы"), 1}, {"SMD", 2}, {u("Выводные"), 2}, {u("Конденсаторы"), 1}}));
    EXPECT_EQ(back.minimum, "5  [TreeItems] 9|X|1|");
}

TEST(SettingsLines, AcceptCrLfCrAndLfAndBothEncodings) {
    EXPECT_EQ(settings_lines("a\r\nb\rc\nd"), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(settings_lines("a\r\n\r\nb\r\n"), QStringList({"a", "", "b"}));
    EXPECT_EQ(settings_lines("a\n\rb"), QStringList({"a", "", "b"}));
    EXPECT_TRUE(settings_lines("").isEmpty());

    // "0|Все|0|", "1|Ёлка №1|1|" as an older installation wrote them.
    const QByteArray cp1251("[TreeItems]\r\n0|\xC2\xF1\xE5|0|\r\n1|\xA8\xEB\xEA\xE0 \xB9\x31|1|\r\n");
    EXPECT_EQ(settings_lines(cp1251), QStringList({"[TreeItems]", u("0|Все|0|"), u("1|Ёлка №1|1|")}));
    EXPECT_EQ(decode_windows_1251("\xE0\xFF\xC0\xDF\xB8\x96"), u("аяАЯё–"));
    NodeList path, location;
    read_trees(settings_lines(cp1251), path, location);
    EXPECT_EQ(path, (NodeList{{u("Все"), 0}, {u("Ёлка №1"), 1}}));

    // Valid UTF-8 stays UTF-8 even where it would also be Windows-1251 text.
    EXPECT_EQ(settings_lines(u("Ящик").toUtf8()), QStringList({u("Ящик")}));

    // One stray Windows-1251 line among UTF-8 ones garbles only itself.
    const QByteArray mixed = u("[TreeItems]\r\n0|Все|0|\r\n1|").toUtf8() + "\xD1\xEE\xEA" + u("|1|\r\n2|Ящик|1|").toUtf8();
    EXPECT_EQ(settings_lines(mixed), QStringList({"[TreeItems]", u("0|Все|0|"), u("1|Сок|1|"), u("2|Ящик|1|")}));
    // A last line without its line break, ending in its only Windows-1251 letter.
    EXPECT_EQ(settings_lines("0|\xC0|0|\r\n1|abc\xD0"), QStringList({u("0|А|0|"), u("1|abcР")}));
}

TEST(SettingValues, ValueEndsAtTheSecondEqualsAndNumbersReadLikeTheOldProgram) {
    EXPECT_EQ(setting_value("Quanity=5=7"), "5");
    EXPECT_EQ(setting_value("Quanity="), "");
    EXPECT_EQ(setting_value("Quanity"), "");
    EXPECT_EQ(setting_value("=x"), "x");
    EXPECT_EQ(setting_number(" \t-12px"), -12);
    EXPECT_EQ(setting_number("+7"), 7);
    EXPECT_EQ(setting_number("abc"), 0);
    EXPECT_EQ(setting_number("-"), 0);
    EXPECT_EQ(setting_number("99999999999999999999"), INT_MAX);
    EXPECT_EQ(setting_number("-99999999999999999999"), INT_MIN);

    SettingsRecord r;
    ASSERT_TRUE(read_section(lines_of({"[String_Min]", "Quanity=5=7", "[HighLight]", "Color=12=255"}), kStringMin, r));
    EXPECT_EQ(r.minimum, "5");
    ASSERT_TRUE(read_section(lines_of({"[String_Min]", "Quanity=5=7", "[HighLight]", "Color=12=255"}), kHighLight, r));
    EXPECT_EQ(r.colour, 12);
}

TEST(ReadSection, HeadersMatchWholeLinesExactlyAndKeysAreNotCompared) {
    const SettingsRecord before;
    for (const char* header : {"[highlight]", "[HighLight] ", " [HighLight]", "[HIGHLIGHT]"}) {
        SettingsRecord r;
        EXPECT_FALSE(read_section(lines_of({header, "Color=65280"}), kHighLight, r)) << header;
        EXPECT_EQ(r, before) << header;
    }

    SettingsRecord r;
    ASSERT_TRUE(read_section(lines_of({"[SplitterVertical]", "a=1", "b=2", "c=3", "d=4", "anything=222"}),
                             kSplitterVertical, r));
    EXPECT_EQ(r.main_splitter, (Rect{1, 2, 3, 4}));
    EXPECT_EQ(r.main_splitter_position, 222);
    ASSERT_TRUE(read_section(lines_of({"[CheckBox_States]", "Enabled=1"}), kCheckBoxStates, r));
    EXPECT_EQ(r.highlight_on, 1);

    // Only the first section of a name counts, and unknown headers read nothing.
    ASSERT_TRUE(read_section(lines_of({"[HighLight]", "Color=1", "[HighLight]", "Color=2"}), kHighLight, r));
    EXPECT_EQ(r.colour, 1);
    EXPECT_FALSE(read_section(lines_of({"[Other]", "Color=3"}), "[Other]", r));
}

TEST(ReadSection, ColumnLinesTakeElevenValuesAndShortLinesGiveZero) {
    SettingsRecord r;
    ASSERT_TRUE(read_section(lines_of({"[ColumnsQuerry]", "0;1;2;x;4;"}), kColumnsQuerry, r));
    EXPECT_EQ(r.columns.order, (std::array<int, kListColumns>{0, 1, 2, 0, 4, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(is_column_permutation(r.columns.order));
    ASSERT_TRUE(read_section(lines_of({"[ColumnsHidden]", "1;1;1;1;1;1;1;1;1;1;1;0;0;"}), kColumnsHidden, r));
    EXPECT_EQ(r.columns.shown, (std::array<int, kListColumns>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    ASSERT_TRUE(read_section(lines_of({"[ColumnsHidden]", ""}), kColumnsHidden, r));
    EXPECT_EQ(r.columns.shown, (std::array<int, kListColumns>{}));

    EXPECT_TRUE(is_column_permutation({10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
    EXPECT_FALSE(is_column_permutation({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9}));
    EXPECT_FALSE(is_column_permutation({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11}));
}

TEST(ReadSection, ASectionCutShortByTheNextHeaderKeepsTheValuesItLacks) {
    SettingsRecord r;
    r.column_widths = {11, 12, 13, 14, 15, 16, 17};
    ASSERT_TRUE(read_section(lines_of({"[ListIcon]", "x=1", "y=2", "width=3", "height=4", "column0_width=50",
                                       "column1_width=60", "[ColumnsQuerry]", "0;1;2;3;4;5;6;7;8;9;10;"}),
                             kListIcon, r));
    EXPECT_EQ(r.list, (Rect{1, 2, 3, 4}));
    EXPECT_EQ(r.column_widths, (std::array<int, kStoredWidths>{50, 60, 13, 14, 15, 16, 17}));

    // The file's end cuts a section the same way.
    ASSERT_TRUE(read_section(lines_of({"[SplitterHorizontal]", "x=5", "y=6"}), kSplitterHorizontal, r));
    EXPECT_EQ(r.tree_splitter, (Rect{5, 6, 106, 505}));
    EXPECT_EQ(r.tree_splitter_position, 250);
}

TEST(ReadTrees, NodesGoToTheirIndexAndAnIndexBeyondTheEndAppends) {
    NodeList path, location;
    read_trees(lines_of({"[TreeItems]", "0|Все|0|", "7|Конденсаторы|1|", "1|Резисторы|1|", "2|SMD|2|", "[TreeLocation]",
                         "0|Все|0|", "1|Шкаф 2|1|", "1|Шкаф 1|1|", "[ListIconFont]"}),
               path, location);
    EXPECT_EQ(path, (NodeList{{u("Все"), 0}, {u("Резисторы"), 1}, {"SMD", 2}, {u("Конденсаторы"), 1}}));
    EXPECT_EQ(location, (NodeList{{u("Все"), 0}, {u("Шкаф 1"), 1}, {u("Шкаф 2"), 1}}));

    // Names keep what lies between the first two bars; lines without three
    // bars are no nodes; a tree section ends at any header, even a missing
    // "[TreeLocation]".
    path.clear();
    location.clear();
    read_trees(lines_of({"[TreeItems]", "0|Все|0|", "", "1|Шкаф = 1|1|extra|", "junk", "2|broken|", "[ListIconFont]",
                         "FontName=a|b|c|", "[TreeLocation]"}),
               path, location);
    EXPECT_EQ(path, (NodeList{{u("Все"), 0}, {u("Шкаф = 1"), 1}}));
    EXPECT_TRUE(location.empty());
}

TEST(MendTree, EmptyOrRootlessTreesGetTheirRootAndEveryNodeAParent) {
    NodeList empty;
    EXPECT_TRUE(mend_tree(empty));
    EXPECT_EQ(empty, (NodeList{{u("Все"), 0}}));

    NodeList rootless{{u("Резисторы"), 1}, {"SMD", 2}};
    EXPECT_TRUE(mend_tree(rootless));
    EXPECT_EQ(rootless, (NodeList{{u("Все"), 0}, {u("Резисторы"), 1}, {"SMD", 2}}));

    NodeList broken{{u("Все"), 0}, {"A", 0}, {"B", 3}, {"C", -2}};
    EXPECT_TRUE(mend_tree(broken));
    EXPECT_EQ(broken, (NodeList{{u("Все"), 0}, {"A", 1}, {"B", 2}, {"C", 1}}));

    NodeList sound = example_record().path_nodes;
    EXPECT_FALSE(mend_tree(sound));
    EXPECT_EQ(sound, example_record().path_nodes);
}

}  // namespace
}  // namespace detalehran::settings
