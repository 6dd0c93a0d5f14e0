// Spreadsheet import, export and the reorder list on a PostgreSQL server,
// through the program's windows: the import in one transaction of the
// server's, merged quantities, and a failure in the middle that leaves
// nothing.

#include <QAbstractButton>
#include <QTableWidget>
#include <algorithm>

#include "server/server_fixture.h"
#include "settings/settings_format.h"
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

    // The list as shown with the place and the section it hides, and the
    // reorder list by the minimum of 5.
    services_.save_answers.push_back(QString::fromStdString(folder_.file("out.csv")));
    process_event(app_, Event{kMenuEvent, kMainWindow, kMenuExportCsv});
    EXPECT_EQ(read_file(folder_.file("out.csv")),
              "\xEF\xBB\xBFНазвание;Тип корпуса;Описание;Количество;Цена;Цена приходная;Поставщик;Расположение;"
              "Раздел\r\n"
              "C1;0603;;2;12,50;0,00;;|Все|;|Все|A|\r\n"
              "R1;SOT-23;описание;10;1,50;0,25;Поставщик;|Все|Шкаф|;|Все|A|\r\n");
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

// detalehran-db on the data source in place of a folder: the store is the
// server's, Store.ini the current folder's, and only kept when it is there.
TEST_F(ServerSpreadsheet, TheToolImportsAndExportsThroughTheDataSource) {
    create_store();
    seed({{"R1", "|Все|A|", "|Все|Шкаф|"}});
    auto tool = [](std::vector<std::string> args, std::string* printed = nullptr) {
        args.insert(args.begin(), "detalehran-db");
        std::ostringstream out, err;
        const int code = dbtool::run_command_line(args, out, err);
        if (printed != nullptr) *printed = out.str();
        EXPECT_EQ(code, 0) << err.str();
    };
    std::ofstream(folder_.file("in.csv"), std::ios::binary)
        << "Название;Тип корпуса;Количество;Цена;Раздел\nR1;SOT-23;3;1;A\nC1;0603;2;12,5;Новый\n";
    tool({"import", "--dsn", "Store", folder_.file("in.csv"), "--duplicates", "add"});
    EXPECT_EQ(store(), (Rows{{"R1", "|Все|A|", "10", "1.5000"}, {"C1", "|Все|Новый|", "2", "12.5000"}}));
    EXPECT_FALSE(file_exists(folder_.file("Store.ini")));

    settings::SettingsRecord record;
    record.minimum = "3";
    std::ofstream(folder_.file("Store.ini"), std::ios::binary) << settings::settings_text(record).toStdString();
    std::ofstream(folder_.file("in.csv"), std::ios::binary) << "Название;Количество;Раздел\nД1;1;Ещё/Глубже\n";
    tool({"import", "--dsn", "Store", folder_.file("in.csv")});
    EXPECT_NE(read_file(folder_.file("Store.ini")).find("Глубже"), std::string::npos);

    tool({"export", "--dsn", "Store", "-o", folder_.file("out.csv")});
    const std::string exported = read_file(folder_.file("out.csv"));
    EXPECT_EQ(std::count(exported.begin(), exported.end(), '\n'), 4) << exported;
    for (const char* name : {"\nR1;", "\nC1;", "\nД1;"}) EXPECT_NE(exported.find(name), std::string::npos) << name;
    std::string reorder;
    tool({"export", "--dsn", "Store", "--reorder"}, &reorder);
    EXPECT_NE(reorder.find("\n;Д1;;1;3;2;"), std::string::npos) << reorder;
    EXPECT_NE(reorder.find(";C1;0603;2;3;1;"), std::string::npos) << reorder;
    EXPECT_EQ(reorder.find("R1"), std::string::npos) << reorder;
}

}  // namespace
