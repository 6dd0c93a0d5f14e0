// Spreadsheet import, export and the reorder list on a PostgreSQL server,
// through the program's windows: the import in one transaction of the
// server's, merged quantities, and a failure in the middle that leaves
// nothing.

#include <QAbstractButton>
#include <QTableWidget>

#include "server/server_fixture.h"
#include "spreadsheet/csv_writer.h"
#include "spreadsheet_windows/import_dialog.h"
#include "spreadsheet_windows/reorder_window.h"

using namespace detalehran;
using namespace detalehran::testing;

namespace {

class ServerSpreadsheet : public ServerProgram {
protected:
    void started() {
        create_store();
        seed({{"R1", "|Все|A|", "|Все|Шкаф|"}});
        start();
        ASSERT_EQ(messages(), 0) << last_message().toStdString();
        set_trees(app_);
        click(kPathTree, 1);
    }
    // The file imported through the dialog, lines with errors left out.
    void import(const std::string& text, int duplicates_choice) {
        std::ofstream(folder_.file("in.csv"), std::ios::binary) << text;
        services_.file_answers.push_back(QString::fromStdString(folder_.file("in.csv")));
        process_event(app_, Event{kMenuEvent, kMainWindow, kMenuImportCsv});
        settle();
        auto* dialog = spreadsheet_windows::import_dialog(app_);
        ASSERT_NE(dialog, nullptr) << last_message().toStdString();
        static_cast<QAbstractButton*>(dialog->control(duplicates_choice))->setChecked(true);
        services_.message_answers.push_back(MessageAnswer::yes);
        process_event(app_, Event{kControlEvent, kImportWindow, kImportStart, kLeftClick});
        for (int i = 0; i < 1000 && spreadsheet_windows::import_dialog(app_) != nullptr && dialog->job().run; ++i) {
            QCoreApplication::processEvents();
        }
        settle();
    }
    Rows store() {
        return look_.rows(R"(SELECT "Название", "Путь", "Количество", "Цена расходная" FROM "Store" ORDER BY "ID")", 4);
    }
};

TEST_F(ServerSpreadsheet, ImportMergesIntoTheServersItemsAndTheListShowsThem) {
    started();
    import("Название;Тип корпуса;Количество;Цена\nR1;SOT-23;3;1\nC1;0603;2;12,5\nплохая;;2,5;1\n", kImportAddQuantity);
    EXPECT_EQ(spreadsheet_windows::import_dialog(app_), nullptr);
    EXPECT_NE(last_message().indexOf("Добавлено: 1, добавлено к количеству: 1, пропущено: 0, с ошибками: 1."), -1)
        << last_message().toStdString();
    EXPECT_EQ(store(), (Rows{{"R1", "|Все|A|", "10", "1.5000"}, {"C1", "|Все|A|", "2", "12.5000"}}));
    EXPECT_EQ(look_.value(R"(SELECT count(*) FROM "Package" WHERE "Тип корпуса" = '0603')"), "1");
    EXPECT_EQ(listed(), (QStringList{"C1", "R1"}));

    // The list as shown, and the reorder list by the minimum of 5.
    services_.save_answers.push_back(QString::fromStdString(folder_.file("out.csv")));
    process_event(app_, Event{kMenuEvent, kMainWindow, kMenuExportCsv});
    EXPECT_EQ(read_file(folder_.file("out.csv")),
              "\xEF\xBB\xBFНазвание;Тип корпуса;Описание;Количество;Цена;Цена приходная;Поставщик\r\n"
              "C1;0603;;2;12.50;0.00;\r\n"
              "R1;SOT-23;описание;10;1.50;0.25;Поставщик\r\n");
    process_event(app_, Event{kMenuEvent, kMainWindow, kMenuReorderList});
    auto* reorder = spreadsheet_windows::reorder_window(app_);
    ASSERT_NE(reorder, nullptr);
    EXPECT_EQ(reorder->list().rows.size(), 1u);
    EXPECT_EQ(reorder->list().rows[0].name, "C1");
}

TEST_F(ServerSpreadsheet, AFailureInTheMiddleLeavesTheServerAsItWas) {
    started();
    look_.sql(R"(CREATE FUNCTION refuse() RETURNS trigger AS $$ BEGIN
                   IF NEW."Название" = 'сбой' THEN RAISE EXCEPTION 'refused'; END IF; RETURN NEW; END $$
                 LANGUAGE plpgsql)");
    look_.sql(R"(CREATE TRIGGER refuse BEFORE INSERT ON "Store" FOR EACH ROW EXECUTE FUNCTION refuse())");
    const Rows before = store();
    import("Название;Тип корпуса;Количество\nR1;SOT-23;3\nC1;0603;2\nсбой;;1\nC2;;1\n", kImportAddQuantity);
    ASSERT_NE(spreadsheet_windows::import_dialog(app_), nullptr);
    EXPECT_NE(last_message().indexOf("строка 4"), -1) << last_message().toStdString();
    EXPECT_EQ(store(), before);
    EXPECT_EQ(look_.value(R"(SELECT count(*) FROM "Package" WHERE "Тип корпуса" = '0603')"), "0");
}

}  // namespace
