// The list exported as it is shown, and the reorder list's window with its
// rows, totals and saving, through the real windows.

#include <QHeaderView>
#include <QTest>
#include <QTreeView>

#include "itemlist/item_list.h"
#include "spreadsheet/import_plan.h"
#include "spreadsheet_program.h"

namespace detalehran::testing {
namespace {

class ExportAndReorderTest : public SpreadsheetProgram {
protected:
    void SetUp() override {
        // name, supplier, quantity, purchase price, section
        const char* const parts[][5] = {{"Диод", "Элитан", "3", "1.5", "|Все|A|"},
                                        {"=SUM(A1)", "Элитан", "8", "0.25", "|Все|A|"},
                                        {"Резистор", "Чип и Дип", "1", "2", "|Все|A|"},
                                        {"Реле", "Элитан", "40", "9", "|Все|A|"},
                                        {"Конденсатор", "Чип и Дип", "0", "10", "|Все|B|"}};
        for (const auto& p : parts) {
            sql(std::string("INSERT INTO Store VALUES ('") + p[0] + "','','|Все|Шкаф|'," + p[2] + ",'12.5','" + p[3] +
                "','" + p[1] + "','" + p[4] + "','0805',NULL,'')");
        }
        start();
        set_nodes(kPathTree, {{"Все", 0}, {"A", 1}, {"B", 1}});
    }
    std::string saved(const std::string& name) {
        services_.save_answers.push_back(QString::fromStdString(folder_.file(name)));
        return folder_.file(name);
    }
};

TEST_F(ExportAndReorderTest, ExportWritesTheShownColumnsAndRowsInTheirOrder) {
    select(kPathTree, 1);
    click(kPathTree);
    itemlist::hide_column(app_, db::kDescription);
    // Sorted by quantity with a click on its caption.
    QHeaderView* header = app_.main_window->item_list()->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header->sectionViewportPosition(db::kQuantity) + 10, header->height() / 2));
    settle();

    // As a Russian-locale spreadsheet reads it, with the section and the
    // place the list hides (offered, and on unless unticked).
    const std::string file = saved("список.csv");
    menu(kMenuExportCsv);
    const ServiceCall* chooser = services_.last(ServiceKind::choose_save_file);
    EXPECT_EQ(chooser->text, "Детали.csv");
    ASSERT_EQ(chooser->options.size(), 3);
    EXPECT_EQ(std::tuple(chooser->options[0].caption, chooser->options[0].checked, chooser->options[1].caption,
                         chooser->options[1].checked, chooser->options[2].checked),
              std::tuple("Добавить столбец «Раздел»", true, "Добавить столбец «Расположение»", true, false));
    EXPECT_EQ(read_file(file),
              "\xEF\xBB\xBFНазвание;Тип корпуса;Количество;Цена;Цена приходная;Поставщик;Расположение;Раздел\r\n"
              "Резистор;0805;1;12,50;2,00;Чип и Дип;|Все|Шкаф|;|Все|A|\r\n"
              "Диод;0805;3;12,50;1,50;Элитан;|Все|Шкаф|;|Все|A|\r\n"
              "'=SUM(A1);0805;8;12,50;0,25;Элитан;|Все|Шкаф|;|Все|A|\r\n"
              "Реле;0805;40;12,50;9,00;Элитан;|Все|Шкаф|;|Все|A|\r\n");
    EXPECT_EQ(last_message(), "Экспорт списка в CSV: Сохранено строк: 4.\nФайл: " + QString::fromStdString(file));
    // The import reads it back whole: no column left out, no line refused.
    const spreadsheet::ImportPlan back = spreadsheet::plan_import(read_file(file), {}, app_.path_nodes, {});
    ASSERT_FALSE(back.refusal) << back.refusal->reason;
    EXPECT_TRUE(back.errors.empty() && back.unloaded_columns.empty());
    EXPECT_EQ(std::tie(back.new_items[3].values.purchase_price, back.new_items[3].values.section_path),
              std::tie("9.0000", "|Все|A|"));

    // Unticked, and with the decimal point for other locales.
    saved("points.csv");
    services_.save_option_answers.push_back({false, true, true});
    menu(kMenuExportCsv);
    const std::string points = read_file(folder_.file("points.csv"));
    EXPECT_TRUE(
        points.starts_with("\xEF\xBB\xBFНазвание,Тип корпуса,Количество,Цена,Цена приходная,Поставщик,Расположение\r\n"
                           "Резистор,0805,1,12.50,2.00,Чип и Дип,|Все|Шкаф|\r\n"))
        << points;

    // A cancelled chooser writes nothing.
    const int messages_before = messages();
    menu(kMenuExportCsv);
    EXPECT_EQ(messages(), messages_before);
}

TEST_F(ExportAndReorderTest, ReorderListShowsLowPartsBySupplierWithSumsAndSavesThem) {
    app_.highlight.on = 0;  // the minimum counts all the same
    app_.highlight.minimum = "10";
    menu(kMenuReorderList);
    auto* window = spreadsheet_windows::reorder_window(app_);
    ASSERT_NE(window, nullptr) << last_message().toStdString();
    EXPECT_FALSE(app_.main_window->isEnabled());
    QStringList shown;
    for (int row = 0; row < window->table()->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < window->table()->columnCount(); ++column)
            cells << cell(window->table(), row, column);
        shown << cells.join('|');
    }
    EXPECT_EQ(shown,
              (QStringList{"Чип и Дип|Конденсатор|0805|0|10|10|10.00|100.00",
                           "Чип и Дип|Резистор|0805|1|10|9|2.00|18.00", "Чип и Дип|Итого по поставщику||||||118.00",
                           "Элитан|=SUM(A1)|0805|8|10|2|0.25|0.50", "Элитан|Диод|0805|3|10|7|1.50|10.50",
                           "Элитан|Итого по поставщику||||||11.00", "Итого|||||||129.00"}));
    EXPECT_EQ(window->total()->text(), "Итого к заказу: 129.00");

    const std::string file = saved("заказ.csv");
    press(kReorderWindow, kReorderSave);
    EXPECT_EQ(read_file(file), spreadsheet::reorder_csv(window->list()));
    EXPECT_NE(read_file(file).find("Элитан;'=SUM(A1);0805;8;10;2;0,25;0,50\r\n"), std::string::npos);
    // Only the decimal point is offered here; ticked, "," separates the cells.
    EXPECT_EQ(services_.last(ServiceKind::choose_save_file)->options.size(), 1);
    saved("order.csv");
    services_.save_option_answers.push_back({true});
    press(kReorderWindow, kReorderSave);
    EXPECT_EQ(read_file(folder_.file("order.csv")), spreadsheet::reorder_csv(window->list(), spreadsheet::kPointStyle));
    press(kReorderWindow, kReorderClose);
    EXPECT_EQ(spreadsheet_windows::reorder_window(app_), nullptr);
    EXPECT_TRUE(app_.main_window->isEnabled());
}

}  // namespace
}  // namespace detalehran::testing
