// The database step of imports and exports against a real store through
// the driver: the round trip, all or nothing, and the duplicates choices.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "support/statement_trace.h"
#include "db/database.h"
#include "spreadsheet/csv_writer.h"
#include "spreadsheet/store_import.h"
#include "spreadsheet/store_reading.h"
#include "store/store_schema.h"
#include "support/test_environment.h"

namespace detalehran::spreadsheet {
namespace {

using testing::TestFolder;

const NodeList kRootOnly = {{QString::fromUtf8(kRootName), 0}};

class StoreImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.create_store();
        ASSERT_TRUE(database_.init_environment());
        ASSERT_TRUE(database_.open_file(folder_.file("Store.mdb")));
    }
    // Straight into the file with SQLite, as another program would.
    void sql(const std::string& text) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(folder_.file("Store.mdb").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        store::register_text_functions(db);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, text.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }
    std::vector<db::ItemValues> items(db::Database& database) {
        std::vector<db::ItemValues> out;
        EXPECT_TRUE(read_all_items(database, out));
        return out;
    }
    // "name package quantity" of every stored item, and the package types.
    std::string stored() {
        std::string out;
        for (const db::ItemValues& v : items(database_)) out += v.name + " " + v.package + " " + v.quantity + "; ";
        EXPECT_TRUE(database_.db_query(db::kSelectPackages));
        while (database_.db_next_row()) out += "[" + database_.db_text(0) + "]";
        database_.db_finish();
        return out;
    }
    ImportOutcome import(const std::string& file, DuplicateChoice duplicates = DuplicateChoice::add_new) {
        ImportSettings settings;
        settings.duplicates = duplicates;
        return import_in_one_go(database_, file, settings, kRootOnly, kRootOnly, false);
    }

    TestFolder folder_;
    db::Database database_;
};

TEST_F(StoreImportTest, ExportThenImportIntoAnEmptyStoreGivesBackEveryField) {
    // Texts a spreadsheet would take for formulas, quote, split or trim.
    const char* const names[] = {"=1+2",          "-5",          "+7",     "@сумма",
                                 "'кавычка",      "\tтаб",       "a;b",    "\"в кавычках\"",
                                 "две\r\nстроки", "  пробелы  ", "Ёлка ё", "O'Hara"};
    int n = 0;
    for (const char* name : names) {
        ++n;
        sql("INSERT INTO Store VALUES (" + detalehran::testing::sql_literal(name) + ",'описание; \"x\"\n2','|Все|Шкаф " +
            std::to_string(n % 3) + "|'," + std::to_string(n * 1000) + "," + (n % 2 ? "'.5'" : "'1234567.89'") +
            ",0,'Чип и Дип','|Все|Резисторы|SMD " + std::to_string(n % 2) + "|','0805',NULL,'ds " + std::to_string(n) +
            ".pdf')");
    }
    const std::vector<db::ItemValues> before = items(database_);
    ASSERT_EQ(before.size(), std::size(names));
    const std::string csv = export_items(all_list_columns(), before);
    // The export that streams the store writes the very same bytes, in
    // either style, however the pieces fall.
    for (const CsvStyle style : {kCommaStyle, kPointStyle}) {
        std::string streamed;
        const StreamedExport done = export_store(database_, style, [&](std::string_view piece) {
            streamed += piece;
            return true;
        });
        EXPECT_TRUE(done.read && done.written);
        EXPECT_EQ(done.rows, before.size());
        EXPECT_EQ(streamed, export_items(all_list_columns(), before, style));
    }
    const StreamedExport refused = export_store(database_, kCommaStyle, [](std::string_view) { return false; });
    EXPECT_FALSE(refused.written);

    folder_.create_store("Empty.mdb");
    db::Database empty;
    ASSERT_TRUE(empty.init_environment());
    ASSERT_TRUE(empty.open_file(folder_.file("Empty.mdb")));
    const ImportOutcome outcome = import_in_one_go(empty, csv, {}, kRootOnly, kRootOnly, false);
    ASSERT_TRUE(outcome.stored) << outcome.failure;
    EXPECT_TRUE(outcome.plan.errors.empty());
    const std::vector<db::ItemValues> after = items(empty);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        for (int column : all_list_columns()) {
            EXPECT_EQ(item_column_text(after[i], column), item_column_text(before[i], column))
                << "item " << i << " column " << column;
        }
    }
}

// Lines stored before the failing one are taken back with it: merges,
// new items and package types alike, whether the lines were stored as they
// were read (new items) or after the whole file was planned (merges).
TEST_F(StoreImportTest, AFailureAtOneLineStoresNothing) {
    sql("INSERT INTO Store VALUES ('R1','','|Все|',5,1,1,'','|Все|','0805',NULL,'')");
    sql("INSERT INTO Package VALUES ('0805')");
    sql("CREATE TRIGGER refuse BEFORE INSERT ON Store WHEN NEW.\"Название\" = 'сбой' "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    const std::string before = stored();
    for (const DuplicateChoice choice : {DuplicateChoice::add_quantity, DuplicateChoice::add_new}) {
        SCOPED_TRACE(static_cast<int>(choice));
        const ImportOutcome outcome =
            import("Название;Тип корпуса;Количество\nR1;0805;3\nC1;0603;1\nC2;SOT-23;2\nсбой;;1\nC3;;1\n", choice);
        EXPECT_FALSE(outcome.stored);
        EXPECT_NE(outcome.failure.find("строка 5"), std::string::npos) << outcome.failure;
        EXPECT_NE(outcome.failure.find("refused"), std::string::npos) << outcome.failure;
        EXPECT_FALSE(database_.in_transaction());
        EXPECT_EQ(stored(), before);
    }
    // A file refused only at its end has had its lines stored: taken back too.
    ImportSettings settings;
    settings.refuse_unloaded = true;
    const ImportOutcome refused =
        import_in_one_go(database_, "Название;Склад\nC1;\nC2;\nC3;A\n", settings, kRootOnly, kRootOnly, false);
    EXPECT_TRUE(refused.plan.refusal);
    EXPECT_FALSE(refused.stored);
    EXPECT_FALSE(database_.in_transaction());
    EXPECT_EQ(stored(), before);
}

TEST_F(StoreImportTest, AQuantityChangedWhileTheImportRunsStopsItWhole) {
    sql("INSERT INTO Store VALUES ('R1','','|Все|',5,1,1,'','|Все|','0805',NULL,'')");
    StoreImport run(database_);
    ImportSettings settings;
    settings.duplicates = DuplicateChoice::add_quantity;
    ASSERT_TRUE(run.begin("Название;Тип корпуса;Количество\nR2;;1\nR1;0805;3\n", settings, kRootOnly, kRootOnly));
    sql("UPDATE Store SET \"Количество\" = 6 WHERE ID = 1");
    EXPECT_FALSE(run.store_some(run.total()));
    EXPECT_NE(run.failure().find("изменили"), std::string::npos) << run.failure();
    EXPECT_EQ(stored(), "R1 0805 6; ");
}

TEST_F(StoreImportTest, DuplicatesAreAddedMergedOrSkippedAsChosen) {
    sql("INSERT INTO Store VALUES ('R1','','|Все|',5,1,1,'','|Все|A|','0805',NULL,'')");
    sql("INSERT INTO Package VALUES ('0805')");
    const std::string file =
        "Название;Тип корпуса;Количество;Раздел\n"
        "R1;0805;3;A\n"   // the stored item
        "R1;0805;2;a\n"   // the same again: sections match without regard to case
        "R1;0603;1;A\n"   // another package
        "R1;0805;4;B\n";  // another section
    const struct {
        DuplicateChoice choice;
        ImportCounts counts;
        const char* stored;
    } cases[] = {
        {DuplicateChoice::add_new, {4, 0, 0, 0}, "R1 0805 5; R1 0805 3; R1 0805 2; R1 0603 1; R1 0805 4; [0603][0805]"},
        {DuplicateChoice::add_quantity, {2, 2, 0, 0}, "R1 0805 10; R1 0603 1; R1 0805 4; [0603][0805]"},
        {DuplicateChoice::skip, {2, 0, 2, 0}, "R1 0805 5; R1 0603 1; R1 0805 4; [0603][0805]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.choice));
        sql("DELETE FROM Store WHERE ID > 1; UPDATE Store SET \"Количество\" = 5; DELETE FROM Package "
            "WHERE \"Тип корпуса\" <> '0805'");
        const ImportOutcome outcome = import(file, c.choice);
        ASSERT_TRUE(outcome.stored) << outcome.failure;
        EXPECT_EQ(outcome.plan.counts(), c.counts);
        EXPECT_EQ(stored(), c.stored);
    }
}

}  // namespace
}  // namespace detalehran::spreadsheet
