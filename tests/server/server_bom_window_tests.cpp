// The bill of materials window on a team's server: a reader checks a board
// but may neither take it nor save it as a project, and is told why; a
// member's build is one operation that undo takes back.

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include "bom_windows/bom_window.h"
#include "bom_windows/projects_window.h"
#include "server_fixture.h"

namespace detalehran::testing {
namespace {

constexpr const char* kBoard = "Reference,Value,Footprint\nQ1-Q3,BC847,SOT-23\nU1,BOGUS123,DIP-8\n";

class ServerBomWindow : public ServerProgram {
protected:
    bom_windows::BomWindow* open_board() {
        const std::string path = folder_.file("board.csv");
        std::ofstream(path, std::ios::binary) << kBoard;
        services_.file_answers.push_back(QString::fromStdString(path));
        menu(kMenuCheckBom);
        return bom_windows::bom_window(app_);
    }
    void menu(int item) {
        process_event(app_, Event{kMenuEvent, kMainWindow, item});
        QCoreApplication::processEvents();
    }
    void press(int window, int control) {
        process_event(app_, Event{kControlEvent, window, control, kLeftClick});
        QCoreApplication::processEvents();
    }
    std::string quantity() {
        return look_.value(R"(SELECT "Количество" FROM "Store" WHERE "Название" = 'Транзистор BC847')");
    }
};

TEST_F(ServerBomWindow, AReaderChecksButNeitherTakesNorSavesAndIsToldWhy) {
    std::ostringstream out, err;
    ASSERT_EQ(dbtool::run_command_line({"detalehran-db", "create", "--dsn", "Look"}, out, err), 0) << err.str();
    const std::string reader = add_role("vera", true);
    seed({{"Транзистор BC847", "|Все|A|", "|Все|Шкаф|"}});
    add_dsn("Store", database_, reader, "pw-" + reader);
    start();
    ASSERT_NE(open_board(), nullptr) << last_message().toStdString();
    bom_windows::BomWindow* window = bom_windows::bom_window(app_);
    EXPECT_EQ(window->check_table()->rowCount(), 2);
    EXPECT_EQ(window->pick_table()->rowCount(), 1);
    for (int control : {kBomTake, kBomSaveProject}) EXPECT_FALSE(window->control(control)->isEnabled()) << control;
    for (int control : {kBomPrint, kBomPickCsv, kBomShortCsv, kBomClose}) {
        EXPECT_TRUE(window->control(control)->isEnabled()) << control;
    }
    const auto* access = static_cast<QLabel*>(window->control(kBomAccess));
    EXPECT_TRUE(access->text().contains(QString::fromStdString(reader))) << access->text().toStdString();
    EXPECT_FALSE(access->isHidden());

    // The commands themselves refuse as well, whatever reaches them.
    const int shown = messages();
    press(kBomWindow, kBomConfirmAll);
    press(kBomWindow, kBomTake);
    press(kBomWindow, kBomSaveProject);
    EXPECT_EQ(messages(), shown);
    EXPECT_EQ(quantity(), "7");
    press(kBomWindow, kBomClose);

    menu(kMenuProjects);
    auto* projects = bom_windows::projects_window(app_);
    ASSERT_NE(projects, nullptr) << last_message().toStdString();
    EXPECT_EQ(projects->table()->rowCount(), 0);
}

TEST_F(ServerBomWindow, AMembersBuildIsOneOperationThatUndoTakesBack) {
    create_store();
    seed({{"Транзистор BC847", "|Все|A|", "|Все|Шкаф|"}});
    start();
    ASSERT_NE(open_board(), nullptr) << last_message().toStdString();
    bom_windows::bom_window(app_)->boards()->setValue(2);
    press(kBomWindow, kBomConfirmAll);
    // Short of the unknown part: take what there is.
    services_.message_answers = {MessageAnswer::yes};
    press(kBomWindow, kBomTake);
    EXPECT_TRUE(last_message().contains("Списано на сборку")) << last_message().toStdString();
    EXPECT_EQ(quantity(), "1");
    press(kBomWindow, kBomClose);

    services_.message_answers = {MessageAnswer::yes};
    menu(kMenuUndo);
    EXPECT_EQ(quantity(), "7");
}

}  // namespace
}  // namespace detalehran::testing
