// The bill of materials window and the projects window through the real
// program on the database tool's demo inventory: a board checked for N
// boards, its parts changed and confirmed, the pick list saved and printed,
// the build taken and undone, and a project saved and opened again.

#include <QComboBox>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <filesystem>
#include <fstream>

#include "bom_windows/bom_texts.h"
#include "bom_windows/bom_window.h"
#include "bom_windows/projects_window.h"
#include "spreadsheet_windows/reorder_window.h"
#include "store_writer.h"
#include "trees/node_operations.h"
#include "trees/tree_test_fixture.h"

namespace detalehran::testing {
namespace {

using bom_windows::BomWindow;

// Designators, value, footprint: the demo holds the first three, not the connector.
constexpr const char* kBoard =
    "Reference,Value,Footprint\n"
    "\"R1, R2, R5-R8\",4k7,Resistor_SMD:R_0805_2012Metric\n"
    "C1-C3,0.1uF,Capacitor_SMD:C_0603_1608Metric\n"
    "U1,NE555,Package_DIP:DIP-8_W7.62mm\n"
    "J1,USB4105-GF-A,Connector_USB:USB_C_Receptacle\n";

class BomWindowTest : public TreeProgram {
protected:
    void SetUp() override {
        std::filesystem::remove(folder_.file("Store.mdb"));
        std::string error;
        ASSERT_TRUE(dbtool::create_database({folder_.path(), dbtool::Content::demo, 0}, nullptr, &error)) << error;
        start_up(app_);
        settle();
    }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(folder_.file(name), std::ios::binary) << text;
        return folder_.file(name);
    }
    BomWindow* window() const { return bom_windows::bom_window(app_); }
    BomWindow* open(const std::string& text, int boards = 1) {
        services_.file_answers.push_back(QString::fromStdString(write("board.csv", text)));
        menu(kMenuCheckBom);
        if (window() != nullptr && boards != 1) window()->boards()->setValue(boards);
        return window();
    }
    void menu(int item) {
        process_event(app_, Event{kMenuEvent, kMainWindow, item});
        settle();
    }
    void press(int window_number, int control) {
        process_event(app_, Event{kControlEvent, window_number, control, kLeftClick});
        settle();
    }
    void key(int kind, int code, int focus, int active_window) {
        Event event{kind};
        event.code = code;
        event.focus_control = focus;
        event.active_window = active_window;
        process_event(app_, event);
        settle();
    }
    QString cell(const QTableWidget* table, int row, int column) const {
        const QTableWidgetItem* item = table->item(row, column);
        return item == nullptr ? QString() : item->text();
    }
    QStringList column_of(const QTableWidget* table, int column) const {
        QStringList out;
        for (int r = 0; r < table->rowCount(); ++r) out << cell(table, r, column);
        return out;
    }
    QString part_of(int row) const { return window()->part_box(row)->currentText(); }
    // The user picks the entry of a line's part chooser that starts with `name`.
    void choose(int row, const QString& name) {
        QComboBox* box = window()->part_box(row);
        const int index = box->findText(name, Qt::MatchStartsWith);
        ASSERT_GE(index, 0) << name.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
        settle();
    }
    long long quantity(const char* name) const {
        const Rows found = rows(std::string("SELECT \"Количество\" FROM Store WHERE \"Название\" = '") + name + "'");
        return found.size() == 1 ? std::stoll(found[0][0]) : -1;
    }
    std::string file_text(const std::string& name) const { return read_file(folder_.file(name)); }
    // The text of the last yes/no question asked.
    QString question() const {
        for (auto call = services_.calls.rbegin(); call != services_.calls.rend(); ++call) {
            if (call->kind == ServiceKind::message_box && call->buttons == MessageButtons::yes_no) return call->text;
        }
        return {};
    }
};

TEST_F(BomWindowTest, LinesAreCheckedForTheBoardsAndAChangedPartIsCountedAgain) {
    ASSERT_NE(open(kBoard), nullptr);
    const ServiceCall* chooser = services_.last(ServiceKind::choose_file);
    ASSERT_NE(chooser, nullptr);
    ASSERT_EQ(chooser->filters.size(), 2);
    EXPECT_EQ(chooser->filters[0].caption, "Спецификации");

    QTableWidget* check = window()->check_table();
    ASSERT_EQ(check->rowCount(), 4);
    EXPECT_EQ(column_of(check, BomWindow::needed), (QStringList{"6", "3", "1", "1"}));
    window()->boards()->setValue(5);
    settle();
    EXPECT_EQ(column_of(check, BomWindow::needed), (QStringList{"30", "15", "5", "5"}));
    EXPECT_EQ(column_of(check, BomWindow::designators).front(), "R1, R2, R5-R8");

    struct Line {
        const char* part;
        bool proposal;  // found by value and package only
        const char* marks;
    };
    const Line lines[] = {{"Резистор 4,7 кОм 0805", true, "предложено по номиналу"},
                          {"Конденсатор 100 нФ 50 В X7R 0603", true, "предложено по номиналу"},
                          {"Таймер NE555 ", false, ""},
                          {"нет на складе", false, "нет на складе"}};
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        EXPECT_TRUE(part_of(row).startsWith(lines[row].part)) << part_of(row).toStdString();
        EXPECT_EQ(window()->part_box(row)->font().italic(), lines[row].proposal);
        EXPECT_EQ(cell(check, row, BomWindow::marks).contains(lines[row].marks), true)
            << cell(check, row, BomWindow::marks).toStdString();
    }
    // The connector's line is short, and says so in words besides its colour.
    EXPECT_EQ(cell(check, 3, BomWindow::short_by), "5");
    EXPECT_TRUE(window()->totals()->text().contains("Найдено на складе строк: 3 из 4; нет на складе: 1"))
        << window()->totals()->text().toStdString();

    // The timer's line without a part: missing, counted again at once.
    choose(2, "нет на складе");
    EXPECT_EQ(cell(check, 2, BomWindow::short_by), "5");
    EXPECT_TRUE(window()->totals()->text().contains("Найдено на складе строк: 2 из 4; нет на складе: 2"));
    EXPECT_EQ(window()->pick_table()->rowCount(), 2);

    // Confirming turns the proposals into choices.
    press(kBomWindow, kBomConfirmAll);
    EXPECT_FALSE(window()->part_box(0)->font().italic());
    EXPECT_FALSE(cell(check, 0, BomWindow::marks).contains("предложено"));
    EXPECT_FALSE(window()->control(kBomConfirmAll)->isEnabled());
}

TEST_F(BomWindowTest, ThePickListGoesByPlacesAndIsSavedPrintedAndOrdered) {
    ASSERT_NE(open(kBoard, 2), nullptr);
    const QTableWidget* pick = window()->pick_table();
    ASSERT_EQ(pick->rowCount(), 3);
    // In the place tree's order.
    QStringList tree_places;
    for (int k = 0; k < static_cast<int>(app_.location_nodes.size()); ++k) {
        tree_places << bom_windows::place_text(trees::build_node_path(app_.location_nodes, k).toStdString());
    }
    qsizetype previous = -1;
    for (const QString& place : column_of(pick, 0)) {
        const qsizetype at = tree_places.indexOf(place);
        EXPECT_GE(at, 0) << place.toStdString();
        EXPECT_GE(at, previous) << place.toStdString();
        previous = at;
    }

    services_.save_answers.push_back(QString::fromStdString(folder_.file("pick.csv")));
    press(kBomWindow, kBomPickCsv);
    const std::string csv = file_text("pick.csv");
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBFРасположение;ID;Название;Взять;Обозначения\r\n", 0), 0u) << csv;
    EXPECT_NE(csv.find(";Таймер NE555;2;U1\r\n"), std::string::npos) << csv;

    press(kBomWindow, kBomPrint);
    const ServiceCall* printed = services_.last(ServiceKind::print);
    ASSERT_NE(printed, nullptr);
    EXPECT_EQ(printed->title, "Сборка board × 2");
    EXPECT_TRUE(printed->text.contains("Резистор 4,7 кОм 0805")) << printed->text.toStdString();
    EXPECT_TRUE(printed->text.contains("Не хватает 2 шт. в строках: 1")) << printed->text.toStdString();

    services_.save_answers.push_back(QString::fromStdString(folder_.file("pick.pdf")));
    press(kBomWindow, kBomPickPdf);
    EXPECT_EQ(file_text("pick.pdf").substr(0, 5), "%PDF-");

    // The shortfall as the reorder list shows it, and that list with it.
    EXPECT_TRUE(column_of(window()->short_table(), 1).join('|').contains("USB4105-GF-A"));
    press(kBomWindow, kBomAddToOrder);
    auto* order = spreadsheet_windows::reorder_window(app_);
    ASSERT_NE(order, nullptr);
    EXPECT_TRUE(column_of(order->table(), 1).join('|').contains("USB4105-GF-A"));
    EXPECT_FALSE(window()->isEnabled());
    press(kReorderWindow, kReorderClose);
    EXPECT_EQ(spreadsheet_windows::reorder_window(app_), nullptr);
    EXPECT_TRUE(window()->isEnabled());
    EXPECT_FALSE(app_.main_window->isEnabled());
    key(kCharacterMessage, kCharEscape, kBomCheckTable, kBomWindow);
    EXPECT_EQ(window(), nullptr);
    EXPECT_TRUE(app_.main_window->isEnabled());
}

TEST_F(BomWindowTest, ABuildIsTakenOnlyWhenConfirmedAndUndoBringsItBack) {
    ASSERT_NE(open("Reference,Value,Footprint\nR1-R4,4k7,R_0805\nC1,0.1uF,C_0603\nU1,NE555,DIP-8\n", 3), nullptr);
    const long long resistors = quantity("Резистор 4,7 кОм 0805");
    const long long timers = quantity("Таймер NE555");
    const Rows before = rows("SELECT * FROM Store ORDER BY ID");

    // Guessed parts are not taken.
    services_.message_answers = {MessageAnswer::yes};
    press(kBomWindow, kBomTake);
    EXPECT_TRUE(last_message().contains("Подтвердить все")) << last_message().toStdString();
    EXPECT_EQ(rows("SELECT * FROM Store ORDER BY ID"), before);

    press(kBomWindow, kBomConfirmAll);
    services_.message_answers = {MessageAnswer::yes};
    const int shown = messages();
    press(kBomWindow, kBomTake);
    ASSERT_EQ(messages(), shown + 2);  // the question, then what was done
    EXPECT_TRUE(question().contains("«board» × 3: деталей 3, штук 18")) << question().toStdString();
    EXPECT_TRUE(last_message().contains("Списано на сборку")) << last_message().toStdString();
    EXPECT_EQ(quantity("Резистор 4,7 кОм 0805"), resistors - 12);
    EXPECT_EQ(quantity("Таймер NE555"), timers - 3);
    // The window and the list show the store as it is now.
    EXPECT_EQ(cell(window()->check_table(), 0, BomWindow::in_stock), QString::number(resistors - 12));

    press(kBomWindow, kBomClose);
    services_.message_answers = {MessageAnswer::yes};
    menu(kMenuUndo);
    EXPECT_EQ(rows("SELECT * FROM Store ORDER BY ID"), before);
}

TEST_F(BomWindowTest, AShortBuildAsksAndDeclinedTakesNothing) {
    ASSERT_NE(open("Reference,Value,Footprint\nU1,NE555,DIP-8\n", 100000), nullptr);
    const Rows before = rows("SELECT * FROM Store ORDER BY ID");
    services_.message_answers = {MessageAnswer::no};
    const int shown = messages();
    press(kBomWindow, kBomTake);
    EXPECT_EQ(messages(), shown + 1);
    EXPECT_TRUE(question().contains("не хватает")) << question().toStdString();
    EXPECT_EQ(rows("SELECT * FROM Store ORDER BY ID"), before);
    EXPECT_NE(window(), nullptr);
}

TEST_F(BomWindowTest, AProjectKeepsItsPartsAndBoardsAndIsSavedBackUnderItsName) {
    ASSERT_NE(open(kBoard, 4), nullptr);
    // The resistor confirmed, the timer taken from elsewhere; the capacitor
    // stays a proposal.
    choose(0, "Резистор 4,7 кОм 0805");
    choose(2, "нет на складе");
    services_.text_answers.push_back(QStringLiteral("Плата таймера"));
    press(kBomWindow, kBomSaveProject);
    const ServiceCall* asked = services_.last(ServiceKind::ask_text);
    ASSERT_NE(asked, nullptr);
    EXPECT_EQ(asked->text, "board");  // the bill's name offered
    press(kBomWindow, kBomClose);

    menu(kMenuProjects);
    auto* projects = bom_windows::projects_window(app_);
    ASSERT_NE(projects, nullptr);
    ASSERT_EQ(projects->table()->rowCount(), 1);
    EXPECT_EQ(cell(projects->table(), 0, 0), "Плата таймера");
    EXPECT_EQ(cell(projects->table(), 0, 1), "4");
    EXPECT_EQ(cell(projects->table(), 0, 2), "4");
    key(kCharacterMessage, kCharEnter, kProjectsTable, kProjectsWindow);
    EXPECT_EQ(bom_windows::projects_window(app_), nullptr);
    ASSERT_NE(window(), nullptr);
    EXPECT_EQ(window()->boards()->value(), 4);
    EXPECT_TRUE(part_of(0).startsWith("Резистор 4,7 кОм 0805"));
    EXPECT_FALSE(window()->part_box(0)->font().italic());
    EXPECT_TRUE(window()->part_box(1)->font().italic());
    EXPECT_EQ(part_of(2), "нет на складе");

    // Saved back without the name asked again.
    const int asks = services_.count(ServiceKind::ask_text);
    window()->boards()->setValue(2);
    press(kBomWindow, kBomSaveProject);
    EXPECT_EQ(services_.count(ServiceKind::ask_text), asks);
    press(kBomWindow, kBomClose);
    menu(kMenuProjects);
    ASSERT_EQ(bom_windows::projects_window(app_)->table()->rowCount(), 1);
    EXPECT_EQ(cell(bom_windows::projects_window(app_)->table(), 0, 1), "2");

    services_.message_answers = {MessageAnswer::yes};
    key(kKeyDownMessage, kKeyDelete, kProjectsTable, kProjectsWindow);
    EXPECT_EQ(bom_windows::projects_window(app_)->table()->rowCount(), 0);
}

TEST_F(BomWindowTest, ABadFileIsToldAndOpensNothing) {
    const int shown = messages();
    services_.file_answers.push_back(QString::fromStdString(write("board.csv", "просто текст\n")));
    menu(kMenuCheckBom);
    EXPECT_EQ(window(), nullptr);
    EXPECT_EQ(messages(), shown + 1);
    EXPECT_TRUE(last_message().contains("board.csv")) << last_message().toStdString();
    EXPECT_TRUE(app_.main_window->isEnabled());
}

}  // namespace
}  // namespace detalehran::testing
