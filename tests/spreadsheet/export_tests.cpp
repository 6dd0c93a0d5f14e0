// Writing CSV: the export's cells, export then import giving back the same
// items, and the reorder list's rows, sums and file.

#include <gtest/gtest.h>

#include <QString>

#include "spreadsheet/csv_writer.h"
#include "spreadsheet/import_plan.h"
#include "spreadsheet/reorder_list.h"
#include "spreadsheet_samples.h"

namespace detalehran::spreadsheet {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

TEST(CsvExport, CellsQuotedGuardedAndNumbersBare) {
    const std::vector<int> columns = {db::kName, db::kQuantity, db::kPrice, db::kPurchasePrice, db::kId};
    const struct {
        const char* what;
        db::ItemValues item;
        const char* row;
    } cases[] = {
        {"plain",
         {.name = "Диод", .quantity = "5", .price = "12.5000", .purchase_price = ".5000", .id = "7"},
         "Диод;5;12,50;0,50;7"},
        {"four decimals kept, zero price",
         {.name = "R", .quantity = "0", .price = "1.2345", .purchase_price = ".0000", .id = "8"},
         "R;0;1,2345;0,00;8"},
        {"list's two decimals, empty price", {.name = "R", .quantity = "", .price = ".50", .id = "9"}, "R;;0,50;;9"},
        {"separator, quotes, line break", {.name = "a;\"b\"\r\nc", .quantity = "1"}, "\"a;\"\"b\"\"\r\nc\";1;;;"},
        {"blanks at the ends", {.name = " x\t", .quantity = "1"}, "\" x\t\";1;;;"},
        {"formulas", {.name = "=1+2", .quantity = "-3", .price = "-.2500", .id = "@x"}, "'=1+2;-3;-0,25;;'@x"},
        {"formula after apostrophes", {.name = "''-x", .quantity = "x+1"}, "'''-x;x+1;;;"},
        {"a leading tab or CR", {.name = "\tx", .description = "", .quantity = "\r"}, "\"'\tx\";\"'\r\";;;"},
        {"apostrophe before no formula", {.name = "'abc", .quantity = "1"}, "'abc;1;;;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string csv = export_items(columns, std::span(&c.item, 1));
        EXPECT_EQ(csv, std::string(kBom) + "Название;Количество;Цена;Цена приходная;ID\r\n" + c.row + "\r\n");
    }
}

TEST(CsvExport, QStringCellsAsTheirUtf8InBothStyles) {
    // Quoted where the style's separator stands in a cell.
    for (const auto& [style, row] :
         {std::pair{kCommaStyle, "\"'=Ёж;\";12,50;a,b\r\n"}, {kPointStyle, "'=Ёж;,12.50,\"a,b\"\r\n"}}) {
        CsvWriter writer(style);
        write_list_cell(writer, db::kName, QStringView(u"=Ёж;"));
        write_list_cell(writer, db::kPrice, QStringView(u"12.50"));
        writer.text("a,b");
        writer.end_row();
        EXPECT_EQ(writer.bytes(), std::string(kBom) + row);
    }
}

// What the store holds reads back the same after export and import, in
// either style: texts with separators, quotes, line breaks, formula
// characters and apostrophes, four-decimal prices and both trees' paths.
TEST(CsvExport, ExportThenImportGivesBackTheSameItems) {
    const NodeList sections = {{"Все", 0}, {"Резисторы", 1}, {"SMD", 2}, {"Конденсаторы", 1}};
    const NodeList places = {{"Все", 0}, {"Шкаф", 1}};
    std::vector<db::ItemValues> items = {
        {"Резистор 10к", "0,25 Вт; 5%", "|Все|Шкаф|", "100", "1.5000", ".0700", "ООО \"Чип\"", "|Все|Резисторы|SMD|",
         "0805", "1", "r10k.pdf"},
        {"=SUM(A1)", "-40…+85 °C\r\nвторая строка", "|Все|", "0", ".0000", "12.3456", "+7 495", "|Все|", "-", "2", ""},
        {"'=x", "'-", "|Все|Шкаф|", "2147483647", "99999999999.9999", ".0001", "@home", "|Все|Конденсаторы|", "'", "3",
         ""},
        {" пробелы ", "\ttab\nLF\rCR", "|Все|", "7", "1.0000", "2.0000", "'@", "|Все|Резисторы|", "''+1", "4", ""},
    };
    for (const CsvStyle style : {kCommaStyle, kPointStyle}) {
        SCOPED_TRACE(style.separator);
        const std::string csv = export_items(all_list_columns(), items, style);
        const ImportPlan p = plan_import(csv, {}, sections, places);
        ASSERT_FALSE(p.refusal) << p.refusal->reason;
        ASSERT_TRUE(p.errors.empty()) << p.errors[0].line << ": " << p.errors[0].reason;
        EXPECT_TRUE(import_notes(p).empty()) << import_notes(p)[0];  // the ID column is left out on purpose
        ASSERT_EQ(p.new_items.size(), items.size());
        for (std::size_t k = 0; k < items.size(); ++k) {
            SCOPED_TRACE(k);
            db::ItemValues expected = items[k];
            expected.id.clear();  // the store numbers imported items anew
            const db::ItemValues& back = p.new_items[k].values;
            for (const int column : all_list_columns()) {
                EXPECT_EQ(item_column_text(back, column), item_column_text(expected, column)) << "column " << column;
            }
        }
        EXPECT_TRUE(p.created_sections.empty());
        EXPECT_TRUE(p.created_places.empty());
    }
}

TEST(ReorderList, LowItemsBySupplierAndNameWithExactSums) {
    const std::vector<ReorderSource> items = {
        {"Чип и Дип", "Резистор", "0805", "2", ".1000"},    {"Элитан", "Диод", "SOD-80", "10", "1.0000"},  // not low
        {"", "Транзистор", "TO-92", "", "12.5000"},          // empty quantity counts as 0
        {"чип и дип", "Конденсатор", "0603", "4", ".3333"},  // another spelling, its own group
        {"Элитан", "Стабилитрон", "", "-1", "2.50"},         // the list's two decimals
        {"Чип и Дип", "Ёмкость", "", "4x", "bad"},           // an unreadable price counts as 0
        {"Элитан", "Дроссель", "", "5", "1.0000"},           // equal to the minimum: not low
    };
    const ReorderList list = reorder_list(items, " 5 шт");
    ASSERT_FALSE(list.refusal);
    const std::vector<ReorderRow> rows = {
        {"", "Транзистор", "TO-92", "", "5", "5", "12.50", "62.50"},
        {"Чип и Дип", "Ёмкость", "", "4x", "5", "1", "0.00", "0.00"},
        {"Чип и Дип", "Резистор", "0805", "2", "5", "3", "0.10", "0.30"},
        {"чип и дип", "Конденсатор", "0603", "4", "5", "1", "0.3333", "0.3333"},
        {"Элитан", "Стабилитрон", "", "-1", "5", "6", "2.50", "15.00"},
    };
    EXPECT_EQ(list.rows, rows);
    const std::vector<SupplierTotal> suppliers = {
        {"", 0, 1, "62.50"}, {"Чип и Дип", 1, 2, "0.30"}, {"чип и дип", 3, 1, "0.3333"}, {"Элитан", 4, 1, "15.00"}};
    EXPECT_EQ(list.suppliers, suppliers);
    EXPECT_EQ(list.total, "78.1333");

    const std::string csv = reorder_csv(list);
    const std::vector<test::Record> records = test::records_of(std::string_view(csv).substr(kBom.size()), ';');
    ASSERT_EQ(records.size(), 1 + rows.size() + suppliers.size() + 1);
    EXPECT_EQ(records[0].fields, (std::vector<std::string>{"Поставщик", "Название", "Тип корпуса", "Количество",
                                                           "Минимум", "Заказать", "Цена приходная", "Сумма"}));
    EXPECT_EQ(records[4].fields,
              (std::vector<std::string>{"Чип и Дип", "Резистор", "0805", "2", "5", "3", "0,10", "0,30"}));
    EXPECT_EQ(records[5].fields,
              (std::vector<std::string>{"Чип и Дип", "Итого по поставщику", "", "", "", "", "", "0,30"}));
    EXPECT_EQ(records.back().fields, (std::vector<std::string>{"Итого", "", "", "", "", "", "", "78,1333"}));
    const std::string points = reorder_csv(list, kPointStyle);
    EXPECT_NE(points.find("\r\nЧип и Дип,Резистор,0805,2,5,3,0.10,0.30\r\n"), std::string::npos) << points;
}

TEST(ReorderList, NothingLowAndHugeAmounts) {
    const ReorderList none = reorder_list({{"A", "x", "", "5", "1.0000"}}, "abc");  // a minimum of 0
    EXPECT_TRUE(none.rows.empty());
    EXPECT_EQ(none.total, "0.00");
    const ReorderSource huge{"A", "x", "", "-9223372036854775808", "99999999999999.9999"};
    const ReorderList overflow = reorder_list(std::vector<ReorderSource>(200, huge), "9223372036854775807");
    EXPECT_TRUE(overflow.refusal);
    const ReorderList one = reorder_list({huge}, "9223372036854775807");
    ASSERT_FALSE(one.refusal);
    EXPECT_EQ(one.rows[0].order, "18446744073709551615");
    EXPECT_EQ(one.total, "1844674407370955159655325592629044.8385");
}

}  // namespace
}  // namespace detalehran::spreadsheet
