// The import through the real windows: the chooser, the dialog's reading of
// the file, its choices, the question about lines with errors, the steps
// with their progress and cancel, and the end in the trees and the list.

#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>

#include "settings/settings_store.h"
#include "spreadsheet/spreadsheet_samples.h"
#include "spreadsheet_program.h"

namespace detalehran::testing {
namespace {

using spreadsheet_windows::ImportDialog;

class ImportDialogTest : public SpreadsheetProgram {
protected:
    void SetUp() override {
        seed({{"Старая", "|Все|A|"}});
        start();
        set_nodes(kPathTree, {{"Все", 0}, {"A", 1}});
        select(kPathTree, 1);
    }
    // As a spreadsheet in a Russian locale saves it: Windows-1251, ";", CR LF.
    std::string parts_file(int lines, int wrong_line = 0) {
        std::string text = "Название;Количество;Цена;Раздел\r\n";
        for (int k = 2; k <= lines + 1; ++k) {
            text += "Деталь " + std::to_string(k) + ";" + (k == wrong_line ? "2,5" : std::to_string(k)) + ";1,50;" +
                    (k % 2 ? "Новый/Подраздел" : "") + "\r\n";
        }
        return make_file("parts.csv", spreadsheet::test::windows_1251(text));
    }
    ImportDialog* dialog() const { return spreadsheet_windows::import_dialog(app_); }
    QString summary() const { return dialog()->summary()->text(); }
    bool start_enabled() const { return dialog()->control(kImportStart)->isEnabled(); }
};

TEST_F(ImportDialogTest, ShowsTheFileAsReadWithItsFirstLinesAndProblems) {
    ImportDialog* d = open_import(parts_file(25, 4));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(services_.last(ServiceKind::choose_file)->title, "Импорт из CSV");
    EXPECT_EQ(d->encoding_box()->currentText(), "Windows-1251");
    EXPECT_EQ(d->separator_box()->currentData().toInt(), ';');
    EXPECT_EQ(d->mapping(), (std::vector<spreadsheet::Field>{spreadsheet::Field::name, spreadsheet::Field::quantity,
                                                             spreadsheet::Field::price, spreadsheet::Field::section}));
    QTableWidget* table = d->preview();
    ASSERT_EQ(table->rowCount(), 1 + 20);  // the fields, then the first 20 lines
    EXPECT_EQ(table->horizontalHeaderItem(1)->text(), "Название");
    EXPECT_EQ(table->verticalHeaderItem(3)->text(), "4");
    EXPECT_EQ(cell(table, 3, 2), "2,5");
    EXPECT_EQ(cell(table, 3, 0), "Количество: «2,5» — не целое число");
    EXPECT_NE(table->item(3, 1)->background(), table->item(2, 1)->background());
    EXPECT_EQ(summary(), "Будет загружено деталей: 24. Строк с ошибками: 1, они загружены не будут.");
    // Preset to the selected nodes.
    EXPECT_EQ(ImportDialog::chosen_target(d->section_box()), "|Все|A|");
    EXPECT_EQ(ImportDialog::chosen_target(d->place_box()), "|Все|");

    // Read with commas the header is one unknown column: nothing to load.
    choose(d->separator_box(), d->separator_box()->findData(','), kImportSeparator);
    EXPECT_EQ(d->preview()->columnCount(), 2);
    EXPECT_NE(summary().indexOf("ни одного известного"), -1) << summary().toStdString();
    EXPECT_FALSE(start_enabled());
    choose(d->separator_box(), d->separator_box()->findData(';'), kImportSeparator);
    EXPECT_TRUE(start_enabled());

    // The quantity column not loaded: no wrong quantity left, but the column
    // and its data are named.
    auto* quantity = qobject_cast<QComboBox*>(d->preview()->cellWidget(0, 2));
    ASSERT_NE(quantity, nullptr);
    choose(quantity, quantity->findData(static_cast<int>(spreadsheet::Field::none)), kImportPreview);
    EXPECT_TRUE(summary().startsWith("Будет загружено деталей: 25. Столбец не загружается: «Количество»."))
        << summary().toStdString();
    EXPECT_EQ(d->mapping()[1], spreadsheet::Field::none);
}

// A file as people keep it: a title above the header, a column the program
// does not know, a totals line. Nothing of it is dropped unseen.
TEST_F(ImportDialogTest, TitleUnknownColumnAndTotalsAreShownBeforeAnythingIsStored) {
    std::string text = "Остатки склада на 01.12.2024\r\nНаименование;Склад;Кол-во;Производитель";
    for (int k = 0; k < 12; ++k) text += ";Пусто " + std::to_string(k);  // wide: the preview scrolls
    text += "\r\n";
    for (int k = 1; k <= 30; ++k)
        text += "Деталь " + std::to_string(k) + ";Шкаф " + std::to_string(k % 3) + ";1;TI\r\n";
    text += "Итого;;30;\r\n";
    ImportDialog* d = open_import(make_file("склад.csv", text));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->header_line_box()->currentData().toInt(), 2);
    EXPECT_EQ(d->header_line_box()->itemText(0), "1: Остатки склада на 01.12.2024");
    auto* store_box = qobject_cast<QComboBox*>(d->preview()->cellWidget(0, 2));
    ASSERT_NE(store_box, nullptr);
    EXPECT_EQ(store_box->toolTip(), "В столбце есть данные, но он не загружается");
    for (const char* part : {"Строка 1 над строкой заголовка не загружается.", "Строка 33 — строка итогов",
                             "Столбец не загружается: «Склад»."}) {
        EXPECT_NE(summary().indexOf(QString::fromUtf8(part)), -1) << part << "\n" << summary().toStdString();
    }
    // Asked before anything is stored; "Нет" goes back to the dialog.
    press(kImportWindow, kImportStart);
    EXPECT_TRUE(services_.last(ServiceKind::message_box)->text.startsWith("Столбец не загружается: «Склад»."));
    EXPECT_NE(dialog(), nullptr);
    EXPECT_EQ(stored_count(), 1);

    // A field chosen where the preview was scrolled to keeps it there.
    d->preview()->horizontalScrollBar()->setValue(d->preview()->horizontalScrollBar()->maximum());
    d->preview()->verticalScrollBar()->setValue(3);
    const int across = d->preview()->horizontalScrollBar()->value();
    ASSERT_GT(across, 0);
    choose(store_box, store_box->findData(static_cast<int>(spreadsheet::Field::place)), kImportPreview);
    EXPECT_EQ(d->preview()->horizontalScrollBar()->value(), across);
    EXPECT_EQ(d->preview()->verticalScrollBar()->value(), 3);
    EXPECT_EQ(summary().indexOf("Склад"), -1) << summary().toStdString();

    // The title as the header: no names; the user is told where to choose them.
    choose(d->header_line_box(), 0, kImportHeaderLine);
    EXPECT_NE(summary().indexOf("Столбец с названиями можно выбрать в списке над ним."), -1) << summary().toStdString();
    EXPECT_FALSE(start_enabled());
    choose(d->header_line_box(), 1, kImportHeaderLine);
    store_box = qobject_cast<QComboBox*>(d->preview()->cellWidget(0, 2));
    choose(store_box, store_box->findData(static_cast<int>(spreadsheet::Field::place)), kImportPreview);
    press(kImportWindow, kImportStart);
    run_import();
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_EQ(rows("SELECT count(*) FROM Store WHERE \"Расположение\" = '|Все|Шкаф 1|' AND \"Описание\" = "
                   "'Производитель: TI'")[0][0],
              "10");
    EXPECT_EQ(stored_count(), 31);
}

// However small the user makes it, five of the file's lines show; on a
// screen smaller than the window it opens whole on the screen.
TEST_F(ImportDialogTest, FiveLinesAtTheLeastAndAlwaysOnTheScreen) {
    const QRect room = app_.main_window->screen()->availableGeometry();
    app_.main_window->move(room.right() - 150, room.bottom() - 150);
    ImportDialog* d = open_import(parts_file(25));
    ASSERT_NE(d, nullptr);
    settle();
    EXPECT_TRUE(room.contains(d->frameGeometry())) << room.width() << "x" << room.height();
    d->resize(1, 1);
    settle();
    QTableWidget* table = d->preview();
    const int shown = table->viewport()->height() - table->rowHeight(0);  // below the fields' row
    EXPECT_GE(shown, 5 * table->rowHeight(1)) << shown;
}

TEST_F(ImportDialogTest, StoresTheRestOnlyWhenToldAndShowsTheTargetSection) {
    ASSERT_NE(open_import(parts_file(25, 4)), nullptr);
    press(kImportWindow, kImportStart);  // the question about line 4, answered No
    ASSERT_EQ(services_.last(ServiceKind::message_box)->buttons, MessageButtons::yes_no);
    EXPECT_NE(services_.last(ServiceKind::message_box)->text.indexOf("Строка 4: Количество"), -1);
    run_import();
    EXPECT_NE(dialog(), nullptr);
    EXPECT_EQ(stored_count(), 1);

    services_.message_answers.push_back(MessageAnswer::yes);
    press(kImportWindow, kImportStart);
    run_import();
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_TRUE(app_.main_window->isEnabled());
    EXPECT_EQ(services_.last(ServiceKind::message_box)->text,
              "Загрузка завершена.\nДобавлено: 24, добавлено к количеству: 0, пропущено: 0, с ошибками: 1.\n"
              "Новых разделов: 2, новых мест хранения: 0.");
    EXPECT_EQ(stored_count(), 25);
    EXPECT_EQ(rows("SELECT count(*) FROM Store WHERE \"Путь\" = '|Все|Новый|Подраздел|'")[0][0], "12");
    EXPECT_EQ(nodes(kPathTree), "Все/0 A/1 Новый/1 Подраздел/2");
    EXPECT_NE(settings_text().indexOf("|Подраздел|2|"), -1);
    // The list shows the target section with the parts that went there.
    EXPECT_EQ(trees::build_node_path(app_, kPathTree), "|Все|A|");
    EXPECT_EQ(model().row_count(), 1 + 12);
}

TEST_F(ImportDialogTest, CancelWhileItRunsStoresNothing) {
    ImportDialog* d = open_import(parts_file(3000));
    ASSERT_NE(d, nullptr);
    press(kImportWindow, kImportStart);
    ASSERT_TRUE(d->job().run);
    QProgressBar* bar = d->progress();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_GT(bar->value(), 0);
    EXPECT_LT(bar->value(), bar->maximum());
    EXPECT_FALSE(d->control(kImportStart)->isEnabled());
    press(kImportWindow, kImportCancel);
    EXPECT_FALSE(d->job().run);
    EXPECT_EQ(services_.last(ServiceKind::message_box)->text, "Загрузка прервана, ничего не загружено.");
    EXPECT_EQ(stored_count(), 1);
    EXPECT_TRUE(d->control(kImportStart)->isEnabled());

    // Shutting down in the middle keeps nothing either.
    press(kImportWindow, kImportStart);
    ASSERT_TRUE(d->job().run);
    shut_down(app_);
    EXPECT_EQ(stored_count(), 1);
}

// Bad input through the real path: the user is told why and nothing is stored.
TEST_F(ImportDialogTest, BadFilesSayWhyAndStoreNothing) {
    const struct {
        const char* what;
        std::string bytes;
        bool dialog;  // a header was read: the dialog shows the reason
        const char* reason;
    } cases[] = {
        {"empty file", "", false, "Файл пуст."},
        {"binary file",
         std::string("\x7F"
                     "ELF\x02\x01\0\0",
                     8),
         false, "нулевой байт"},
        {"NUL byte in a line", std::string("Название\nДи") + '\0' + "од\n", false, "нулевой байт"},
        {"neither UTF-8 nor Windows-1251", "Name\n\x98\xFF\n", false, "не в Windows-1251"},
        {"no recognisable column", "Foo;Bar\n1;2\n", true, "ни одного известного"},
        {"a line of 1 MB", "Название\nДиод\n" + std::string(1'000'000, 'x') + "\n", true, "длиннее 1 МБ"},
        {"quantity not whole", "Название;Количество\nДиод;1.5\n", true, "Количество: «1.5» — не целое число"},
        {"price with letters", "Название;Цена\nДиод;12р\n", true, "Цена: «12р» — не число"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int messages_before = messages();
        ImportDialog* d = open_import(make_file("bad.csv", c.bytes));
        ASSERT_EQ(d != nullptr, c.dialog);
        if (d == nullptr) {
            ASSERT_EQ(messages(), messages_before + 1);
            EXPECT_NE(last_message().indexOf(QString::fromUtf8(c.reason)), -1) << last_message().toStdString();
            continue;
        }
        // A refused file cannot be started; lines with errors are asked about.
        press(kImportWindow, kImportStart);
        const QString told = summary() + (messages() > messages_before ? last_message() : QString());
        EXPECT_NE(told.indexOf(QString::fromUtf8(c.reason)), -1) << told.toStdString();
        press(kImportWindow, kImportCancel);
        EXPECT_EQ(dialog(), nullptr);
        EXPECT_EQ(stored_count(), 1);
    }
}

}  // namespace
}  // namespace detalehran::testing
