// Planning an import: the header mapping, whole files refused, line errors,
// section and place paths against the trees, and the duplicates choices.

#include <gtest/gtest.h>

#include "spreadsheet/import_plan.h"
#include "spreadsheet_samples.h"

namespace detalehran::spreadsheet {
namespace {

NodeList tree(std::initializer_list<std::pair<const char*, int>> nodes) {
    NodeList list;
    for (const auto& [name, level] : nodes) list.push_back({QString::fromUtf8(name), level});
    return list;
}

class ImportPlanTest : public ::testing::Test {
protected:
    ImportPlan plan(const std::string& bytes, const ImportSettings& settings = {}, DuplicateIndex existing = {}) {
        return plan_import(bytes, settings, sections_, places_, std::move(existing));
    }
    static std::string reasons(const ImportPlan& p) {
        std::string out;
        for (const Problem& e : p.errors) out += std::to_string(e.line) + ": " + e.reason + "\n";
        return out;
    }

    NodeList sections_ = tree({{"Все", 0}, {"Резисторы", 1}, {"SMD", 2}, {"Конденсаторы", 1}, {"Керамические", 2}});
    NodeList places_ = tree({{"Все", 0}, {"Шкаф 1", 1}, {"Полка 2", 2}, {"Шкаф 2", 1}});
};

TEST(ColumnMapping, HeadersInBothLanguagesCaseAndBlanksIgnored) {
    const std::pair<const char*, Field> cases[] = {
        {"Название", Field::name},
        {"NAME", Field::name},
        {"Тип корпуса", Field::package},
        {"тип  КОРПУСА ", Field::package},
        {"Footprint", Field::package},
        {"Описание", Field::description},
        {"Qty", Field::quantity},
        {"Stock", Field::quantity},
        {"Цена", Field::price},
        {"Price", Field::price},
        {"Цена приходная", Field::purchase_price},
        {" Purchase\xC2\xA0price", Field::purchase_price},
        {"cost", Field::purchase_price},
        {"Vendor", Field::supplier},
        {"Раздел", Field::section},
        {"Путь", Field::section},
        {"Category", Field::section},
        {"Расположение", Field::place},
        {"Storage", Field::place},
        {"Документ", Field::datasheet},
        {"Datasheet", Field::datasheet},
        {"ID", Field::none},
        {"Цена, руб.", Field::price},
        {"", Field::none},
    };
    for (const auto& [header, field] : cases) EXPECT_EQ(field_for_header(header), field) << header;
    EXPECT_EQ(map_header({"Name", "Описание", "Название", "x"}),
              (std::vector<Field>{Field::name, Field::description, Field::none, Field::none}));
}

// Header rows as people write them, in both languages: every column has a
// field, goes into the description, or is left out and listed.
TEST(ColumnMapping, RealWorldHeaderRows) {
    using enum Field;
    const struct {
        const char* row;
        std::vector<Field> fields;
    } cases[] = {
        {"Наименование;Корпус;Описание;Кол-во;Цена;Поставщик;Раздел;Место",
         {name, package, description, quantity, price, supplier, section, place}},
        {"Название;Кол.;Цена, руб.;Место хранения;Производитель;Артикул;Примечание",
         {name, quantity, price, place, note, note, note}},
        {"НАИМЕНОВАНИЕ ;Шт.;Цена  за шт.;Ячейка;Ёмкость", {name, quantity, price, place, none}},
        {"Название;Остаток;Кол-во, шт.;Цена (руб.);Закупочная цена", {name, quantity, none, price, purchase_price}},
        {"Part Number;Manufacturer Part Number;Manufacturer;Description;Qty;Unit Price;Customer Reference",
         {note, note, note, description, quantity, price, note}},
        {"Name;Description;Description;Price;Price", {name, description, note, price, none}},
        {"№;ID;Name;Stock;Location", {none, none, name, quantity, place}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        std::vector<std::string> header;
        for (const test::Record& r : test::records_of(c.row, ';')) header = r.fields;
        EXPECT_EQ(map_header(header), c.fields);
    }
    EXPECT_TRUE(numbers_rows("№ п/п") && numbers_rows("ID") && !numbers_rows("Место"));
}

TEST_F(ImportPlanTest, TitleAboveTheHeaderTotalsBelowAndNotesInTheDescription) {
    const std::string file =
        "Остатки склада на 01.12.2024;;;\r\n"
        ";;;\r\n"
        "Наименование;Производитель;Артикул;Кол-во\r\n"
        "Стабилизатор 7805;ST;L7805CV;10\r\n"
        "Итого по группе;;;1\r\n"  // not at the end: a part like any other
        "Диод;;;2\r\n"
        "Итого:;;;13\r\n"
        "\r\n";
    const ImportPlan p = plan(file);
    ASSERT_FALSE(p.refusal) << p.refusal->reason;
    EXPECT_EQ(p.header_line, 3);
    EXPECT_EQ(p.lines_above_header, (std::vector<int>{1}));
    EXPECT_EQ(p.total_line, 7);
    ASSERT_EQ(p.new_items.size(), 3u);
    EXPECT_EQ(p.new_items[0].values.description, "Производитель: ST; Артикул: L7805CV");
    EXPECT_EQ(p.new_items[2].values.description, "");
    EXPECT_EQ(import_notes(p), (std::vector<std::string>{"Строка 1 над строкой заголовка не загружается.",
                                                         "Строка 7 — строка итогов, она не загружается."}));
    // The header chosen by the user; lines above it are listed.
    const ImportPlan chosen = plan(file, {.header_line = 4, .mapping = {Field::name, Field::none, Field::none}});
    EXPECT_EQ(chosen.header_line, 4);
    EXPECT_EQ(chosen.lines_above_header, (std::vector<int>{1, 3}));
    EXPECT_TRUE(plan(file, {.header_line = 2}).refusal);  // a blank line is no header
    EXPECT_TRUE(plan(file, {.header_line = 40}).refusal);
    // A part called "Итого" at the end, as an export writes it with its
    // place, is a part: a sum has no place.
    const ImportPlan named = plan("Название;Количество;Расположение\nДиод;2;|Все|\nИтого;0;|Все|\n");
    EXPECT_EQ(named.total_line, 0);
    EXPECT_EQ(named.new_items.size(), 2u);
}

// A column with data that is not loaded is listed, and refused where the
// user must say what to do; a column is named by its header or number.
TEST_F(ImportPlanTest, UnloadedColumnsWithDataAreListedOrRefused) {
    const std::string file =
        "ID;Название;Склад;Цена;Цена;Пусто\n"
        "1;Диод;А-1;1,5;2;\n"
        "2;Реле;;3;4;\n";
    const ImportPlan listed = plan(file);
    ASSERT_FALSE(listed.refusal) << listed.refusal->reason;
    EXPECT_EQ(listed.unloaded_columns, (std::vector<std::size_t>{2, 4}));
    EXPECT_EQ(unloaded_columns_text(listed), "Столбцы не загружаются: «Склад», «Цена».");
    EXPECT_EQ(listed.new_items.size(), 2u);

    const ImportPlan refused = plan(file, {.refuse_unloaded = true});
    ASSERT_TRUE(refused.refusal);
    EXPECT_EQ(refused.refusal->reason, "Столбцы не загружаются: «Склад», «Цена».");
    EXPECT_FALSE(refused.changes_store());

    const ImportPlan told =
        plan(file, {.columns = {{"склад", Field::place}, {"5", Field::purchase_price}}, .refuse_unloaded = true});
    ASSERT_FALSE(told.refusal) << told.refusal->reason;
    ASSERT_EQ(told.new_items.size(), 2u);
    EXPECT_EQ(std::tie(told.new_items[0].values.place, told.new_items[0].values.purchase_price),
              std::tie("|Все|А-1|", "2.0000"));
    EXPECT_FALSE(
        plan(file, {.columns = {{"Склад", Field::none}, {"5", Field::none}}, .refuse_unloaded = true}).refusal);
    for (const char* column : {"Цена", "Полка", "9"}) {
        const ImportPlan wrong = plan(file, {.columns = {{column, Field::none}}});
        ASSERT_TRUE(wrong.refusal) << column;
        EXPECT_NE(wrong.refusal->reason.find(column), std::string::npos) << wrong.refusal->reason;
    }
}

// "1,250" in a file separated by "," is decided per column from all its
// cells; separated by ";" the comma is a Russian locale's decimal one.
TEST_F(ImportPlanTest, OneCommaAndThreeDigitsDecidedPerColumn) {
    const struct {
        const char* what;
        std::string file;
        std::vector<std::string> prices;  // "!" marks a line with an error
    } cases[] = {
        {"\";\": decimal", "Name;Price\na;1,250\nb;12,500\nc;1,5\n", {"1.2500", "12.5000", "1.5000"}},
        {"\",\" with \"1,5\" in the column: decimal",
         "Name,Price\na,\"1,250\"\nb,\"12,500\"\nc,\"1,5\"\n",
         {"1.2500", "12.5000", "1.5000"}},
        {"\",\" with points in another column: thousands",
         "Name,Price,Cost\na,\"1,250\",0.75\nb,\"12,500\",1\n",
         {"1250.0000", "12500.0000"}},
        {"\",\" with grouping in the column: thousands",
         "Name,Price\na,\"1,250\"\nb,\"1,250,000.5\"\n",
         {"1250.0000", "1250000.5000"}},
        {"\",\" with nothing to go by: unclear", "Name,Price\na,\"1,250\"\nb,\"12,500\"\nc,3\n", {"!", "!", "3.0000"}},
        {"\",\" with both in the column: unclear",
         "Name,Price\na,\"1,5\"\nb,\"1,250.5\"\nc,\"1,250\"\n",
         {"1.5000", "1250.5000", "!"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ImportPlan p = plan(c.file);
        ASSERT_FALSE(p.refusal) << p.refusal->reason;
        std::vector<std::string> prices;
        std::size_t item = 0;
        for (const int line : {2, 3, 4}) {
            const bool error =
                std::any_of(p.errors.begin(), p.errors.end(), [&](const Problem& e) { return e.line == line; });
            if (error) {
                prices.push_back("!");
            } else if (item < p.new_items.size() && p.new_items[item].line == line) {
                prices.push_back(p.new_items[item++].values.price);
            }
        }
        EXPECT_EQ(prices, c.prices) << reasons(p);
    }
    const ImportPlan unclear = plan(cases[4].file);
    EXPECT_EQ(unclear.errors[0].reason,
              "Цена: «1,250» — неясно, 1250 это или 1,25: запятая в столбце и десятичная, и разделитель тысяч");
    EXPECT_EQ(plan(cases[2].file).comma_notes,
              (std::vector<std::string>{"Столбец «Price»: запятая в «1,250» прочитана как разделитель тысяч."}));
}

// Bytes that are no text make their own line an error; the rest is planned.
TEST_F(ImportPlanTest, DamagedLinesAreErrorsTheRestIsPlanned) {
    std::string file = "Название;Количество\n";
    for (int line = 2; line <= 8; ++line) {
        file += "Деталь " + std::to_string(line) + (line == 6 ? "\xE9" : line == 7 ? "\v" : "") + ";1\n";
    }
    file += "\"в кавычках\n\xFF\";1\n";  // a record of lines 9 and 10
    const ImportPlan p = plan(file);
    ASSERT_FALSE(p.refusal) << p.refusal->reason;
    EXPECT_EQ(p.encoding, Encoding::utf8);
    const std::vector<Problem> expected = {{6, "байт 0xE9 не в кодировке UTF-8"},
                                           {7, "управляющий символ (код 0x0B)"},
                                           {9, "строка 10: байт 0xFF не в кодировке UTF-8"}};
    EXPECT_EQ(p.errors, expected) << reasons(p);
    EXPECT_EQ(p.new_items.size(), 5u);
}

TEST_F(ImportPlanTest, BadFilesAreRefusedWholeWithAReason) {
    const struct {
        const char* what;
        std::string bytes;
        ImportSettings settings;
        const char* reason_part;
    } cases[] = {
        {"empty file", "", {}, "пуст"},
        {"binary file",
         std::string("\x7F"
                     "ELF\x02\x01\x01\0\0\0",
                     10),
         {},
         "нулевой байт"},
        {"NUL byte in a line", std::string("Название;Цена\nДиод;1") + '\0' + "\n", {}, "нулевой байт"},
        {"no recognisable column", "Foo;Bar\n1;2\n", {}, "ни одного известного"},
        {"no name column", "Количество;Цена\n1;2\n", {}, "с названиями"},
        {"a field given twice", "A;B\n1;2\n", {.mapping = {Field::name, Field::name}}, "двум столбцам"},
        {"only the header", "Название;Цена\r\n\r\n", {}, "только строка заголовка"},
        {"a line of 1 MB", "Название\nДиод\n" + std::string(1'000'000, 'x') + "\n", {}, "длиннее 1 МБ"},
        {"neither UTF-8 nor Windows-1251", "Name\n\x98\xFF\n", {}, "не в Windows-1251"},
        {"a target section that breaks the naming rule", "Название\nДиод\n", {.target_section = "Все/Все"}, "Все"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ImportPlan p = plan(c.bytes, c.settings);
        ASSERT_TRUE(p.refusal);
        EXPECT_NE(p.refusal->reason.find(c.reason_part), std::string::npos) << p.refusal->reason;
        EXPECT_TRUE(p.new_items.empty());
        EXPECT_FALSE(p.changes_store());
    }
}

TEST_F(ImportPlanTest, LinesWithErrorsAreListedAndTheRestPlanned) {
    const std::string file =
        "Название;Количество;Цена;Цена приходная;Документ\r\n"
        "Резистор;2,5;1;1;\r\n"                               // 2
        "Диод;5;12р;1;\r\n"                                   // 3
        ";1;1;1;\r\n"                                         // 4
        "Стабилитрон;1;1;1;a.pdf;x\r\n"                       // 5
        "Транзистор;-1;1;1;../../etc/passwd\r\n"              // 6
        "Светодиод;\"1 000\";\"1 000,5\";0,25;led.pdf;\r\n";  // 7
    const ImportPlan p = plan(file);
    ASSERT_FALSE(p.refusal) << p.refusal->reason;
    const std::vector<Problem> expected = {
        {2, "Количество: «2,5» — не целое число"},
        {3, "Цена: «12р» — не число"},
        {4, "Название: не указано"},
        {5, "ячеек (6) больше, чем столбцов в заголовке (5)"},
        {6,
         "Документ: «../../etc/passwd» — имя файла не может содержать «/» или «\\»; Количество: «-1» — "
         "отрицательное число"},
    };
    EXPECT_EQ(p.errors, expected) << reasons(p);
    ASSERT_EQ(p.new_items.size(), 1u);
    const db::ItemValues& v = p.new_items[0].values;
    EXPECT_EQ(p.new_items[0].line, 7);
    EXPECT_EQ(std::tie(v.name, v.quantity, v.price, v.purchase_price, v.datasheet, v.section_path, v.place),
              std::tie("Светодиод", "1000", "1000.5000", ".2500", "led.pdf", "|Все|", "|Все|"));
    EXPECT_EQ(p.counts(), (ImportCounts{1, 0, 0, 5}));
    ASSERT_EQ(p.preview.size(), 6u);  // every data line, as read, for the dialog to mark
    EXPECT_EQ(p.preview[2].line, 4);
    EXPECT_EQ(p.preview[2].cells, (std::vector<std::string>{"", "1", "1", "1", ""}));
}

TEST_F(ImportPlanTest, ChosenColumnsOverrideTheHeader) {
    // No header is known: refused until the columns are chosen.
    const std::string file = test::windows_1251("Деталь;Заметка;Стоимость\nДиод;x;1,5\n");
    EXPECT_TRUE(plan(file).refusal);
    ImportSettings chosen{
        .encoding = Encoding::windows_1251, .separator = ';', .mapping = {Field::name, Field::none, Field::price}};
    const ImportPlan p = plan(file, chosen);
    ASSERT_FALSE(p.refusal) << p.refusal->reason;
    EXPECT_EQ(p.header, (std::vector<std::string>{"Деталь", "Заметка", "Стоимость"}));
    ASSERT_EQ(p.new_items.size(), 1u);
    EXPECT_EQ(std::tie(p.new_items[0].values.name, p.new_items[0].values.description, p.new_items[0].values.price),
              std::tie("Диод", "", "1.5000"));
}

TEST_F(ImportPlanTest, PathsInBothFormsAgainstTheTreesNamingRule) {
    const struct {
        const char* cell;
        const char* path;  // nullptr: an error of the line
    } cases[] = {
        {"", "|Все|Конденсаторы|"},  // the target
        {"|Все|Резисторы|SMD|", "|Все|Резисторы|SMD|"},
        {"резисторы / smd", "|Все|Резисторы|SMD|"},
        {"Все/Конденсаторы/", "|Все|Конденсаторы|"},
        {"/", "|Все|"},
        {"Резисторы/Выводные", "|Все|Резисторы|Выводные|"},
        {"|все|Резисторы|Выводные|Мощные|", "|Все|Резисторы|Выводные|Мощные|"},
        {"Конденсаторы/SMD", nullptr},  // SMD is on level 2 under Резисторы already
        {"Конденсаторы/smd/x", nullptr},
        {"Резисторы//SMD", nullptr},
        {"|Все|Резисторы", nullptr},
        {"|Корень|Резисторы|", nullptr},
        {"Резисторы/A|B", nullptr},
        {"Диоды/Все", nullptr},
    };
    std::string file = "Название;Раздел\n";
    for (const auto& c : cases) file += std::string("x;\"") + c.cell + "\"\n";
    const ImportPlan p = plan(file, {.target_section = "Конденсаторы"});
    ASSERT_FALSE(p.refusal) << p.refusal->reason;
    std::size_t item = 0, error = 0;
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        SCOPED_TRACE(cases[k].cell);
        const int line = static_cast<int>(k) + 2;
        if (cases[k].path == nullptr) {
            ASSERT_LT(error, p.errors.size());
            EXPECT_EQ(p.errors[error++].line, line);
        } else {
            ASSERT_LT(item, p.new_items.size());
            EXPECT_EQ(p.new_items[item].line, line);
            EXPECT_EQ(p.new_items[item++].values.section_path, cases[k].path);
        }
    }
    EXPECT_EQ(item, p.new_items.size());
    EXPECT_EQ(error, p.errors.size()) << reasons(p);
    // New nodes once each, after their siblings; the other tree unchanged.
    EXPECT_EQ(p.created_sections,
              (std::vector<std::string>{"|Все|Резисторы|Выводные|", "|Все|Резисторы|Выводные|Мощные|"}));
    EXPECT_EQ(p.path_nodes, tree({{"Все", 0},
                                  {"Резисторы", 1},
                                  {"SMD", 2},
                                  {"Выводные", 2},
                                  {"Мощные", 3},
                                  {"Конденсаторы", 1},
                                  {"Керамические", 2}}));
    EXPECT_EQ(p.location_nodes, places_);
    EXPECT_TRUE(p.created_places.empty());
}

TEST_F(ImportPlanTest, NodesComeOnlyWithAcceptedLines) {
    const std::string file =
        "Name;Section;Location;Qty\n"
        "a;Новый;Шкаф 3;x\n"  // refused: the quantity; creates nothing
        "b;Новый/Под;Шкаф 1/Полка 2;1\n"
        "c;Новый/Под;Шкаф 3/Ящик;1\n";
    const ImportPlan p = plan(file, {.target_place = "Шкаф 2"});
    ASSERT_FALSE(p.refusal) << p.refusal->reason;
    ASSERT_EQ(p.errors.size(), 1u);
    EXPECT_EQ(p.errors[0].line, 2);
    EXPECT_EQ(p.created_sections, (std::vector<std::string>{"|Все|Новый|", "|Все|Новый|Под|"}));
    EXPECT_EQ(p.created_places, (std::vector<std::string>{"|Все|Шкаф 3|", "|Все|Шкаф 3|Ящик|"}));
    ASSERT_EQ(p.new_items.size(), 2u);
    EXPECT_EQ(p.new_items[0].values.place, "|Все|Шкаф 1|Полка 2|");
    EXPECT_EQ(p.new_items[1].values.place, "|Все|Шкаф 3|Ящик|");
}

TEST_F(ImportPlanTest, DuplicatesAreAddedMergedOrSkippedAsChosen) {
    DuplicateIndex stored;
    stored.add_stored("17", "|Все|Резисторы|", "R 10k", "0805", "10");
    stored.add_stored("18", "|Все|Резисторы|", "R 1k", "0805", "2147483000");
    const std::string file =
        "Название;Тип корпуса;Раздел;Количество\n"
        "R 10k;0805;резисторы;5\n"        // 2: the stored item 17 (section case ignored)
        "R 10k;1206;Резисторы;1\n"        // 3: another package
        "r 10K;0805;Резисторы;1\n"        // 4: another name
        "R 10k;0805;Конденсаторы;7\n"     // 5: another section
        "R 10k;0805;Конденсаторы;3\n"     // 6: the same as line 5
        "R 10k;0805;|Все|Резисторы|;1\n"  // 7: item 17 again
        "R 1k;0805;Резисторы;1000\n";     // 8: item 18 would pass the column's range
    const struct {
        DuplicateChoice choice;
        ImportCounts counts;
        std::vector<QuantityMerge> merges;
        std::vector<std::string> new_quantities;
    } cases[] = {
        {DuplicateChoice::add_new, {7, 0, 0, 0}, {}, {"5", "1", "1", "7", "3", "1", "1000"}},
        {DuplicateChoice::add_quantity, {3, 3, 0, 1}, {{"17", "16", {2, 7}}}, {"1", "1", "10"}},
        {DuplicateChoice::skip, {3, 0, 4, 0}, {}, {"1", "1", "7"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.choice));
        const ImportPlan p = plan(file, {.duplicates = c.choice}, stored);
        ASSERT_FALSE(p.refusal) << p.refusal->reason;
        EXPECT_EQ(p.counts(), c.counts) << reasons(p);
        ASSERT_EQ(p.merges.size(), c.merges.size());
        for (std::size_t k = 0; k < c.merges.size(); ++k) {
            EXPECT_EQ(std::tie(p.merges[k].id, p.merges[k].quantity, p.merges[k].lines),
                      std::tie(c.merges[k].id, c.merges[k].quantity, c.merges[k].lines));
        }
        std::vector<std::string> quantities;
        for (const PlannedItem& item : p.new_items) quantities.push_back(item.values.quantity);
        EXPECT_EQ(quantities, c.new_quantities);
    }
    const ImportPlan merged = plan(file, {.duplicates = DuplicateChoice::add_quantity}, stored);
    EXPECT_EQ(merged.merged_lines, (std::vector<int>{2, 6, 7}));
    ASSERT_EQ(merged.errors.size(), 1u);
    EXPECT_EQ(merged.errors[0].line, 8);
    const ImportPlan skipped = plan(file, {.duplicates = DuplicateChoice::skip}, stored);
    EXPECT_EQ(skipped.skipped_lines, (std::vector<int>{2, 6, 7, 8}));
}

}  // namespace
}  // namespace detalehran::spreadsheet
