// The database layer against the real driver through unixODBC, each test in
// a process and folder of its own.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <future>

#include "db/backup_copy.h"
#include "db/database.h"
#include "db/failure_text.h"
#include "db/statements.h"
#include "support/statement_trace.h"
#include "support/test_environment.h"

using detalehran::db::Database;
using detalehran::testing::TestFolder;
namespace db = detalehran::db;

namespace {

const char* kInsertItem =
    "INSERT INTO [Store] ([Название],[Описание],[Расположение],[Количество],[Цена расходная],[Цена приходная],"
    "[Поставщик],[Путь],[Тип корпуса],[Datasheet])VALUES (";

std::string insert_item(const std::string& name, const std::string& description = "") {
    return std::string(kInsertItem) + detalehran::testing::sql_literal(name) + "," +
           detalehran::testing::sql_literal(description) + ",'|Все|Шкаф|',5,12.5,.5,'ЭФО','|Все|Резисторы|','0805','')";
}

void write_data_source(const TestFolder& folder, const std::string& dbq) {
    std::ofstream(folder.odbc_ini()) << "[Store]\nDriver = Microsoft Access Driver (*.mdb)\nDBQ = " << dbq << "\n";
}

}  // namespace

TEST(DataSourceText, AttributesInFixedOrderWithOneSlash) {
    EXPECT_EQ(db::data_source_attributes("/home/u/parts", "Store", "", ""),
              "Server=MDBLib;Description=Store;DSN=Store;DBQ=/home/u/parts/Store.mdb;UID=;PWD=;");
    EXPECT_EQ(db::data_source_attributes("/", "Store", "", ""),
              "Server=MDBLib;Description=Store;DSN=Store;DBQ=/Store.mdb;UID=;PWD=;");
    EXPECT_EQ(db::installer_list("DSN=Store;"), std::string("DSN=Store\0\0", 11));
    EXPECT_EQ(db::installer_list("A=1;B=2"), std::string("A=1\0B=2\0\0", 9));
}

TEST(OpenStore, FirstStartRegistersTheDataSourceAndConnects) {
    TestFolder folder;
    folder.create_store();
    Database database;
    ASSERT_TRUE(database.init_environment());
    ASSERT_TRUE(database.open_store(folder.path(), "Store", "", "")) << database.last_diagnostic().text;
    EXPECT_TRUE(database.is_open());
    EXPECT_EQ(database.database_path(), folder.file("Store.mdb"));

    const std::string ini = folder.odbc_ini_text();
    EXPECT_NE(ini.find("[Store]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Microsoft Access Driver (*.mdb)"), std::string::npos) << ini;
    EXPECT_NE(ini.find("DBQ=" + folder.file("Store.mdb")), std::string::npos) << ini;
    EXPECT_NE(ini.find("Server=MDBLib"), std::string::npos) << ini;

    ASSERT_TRUE(database.db_update(insert_item("Резистор")));
    ASSERT_TRUE(database.db_query(db::kSelectAllItems));
    ASSERT_TRUE(database.db_next_row());
    EXPECT_EQ(database.db_text(db::kName), "Резистор");

    database.close_store();
    EXPECT_TRUE(database.remove_data_source("Store"));
    EXPECT_EQ(folder.odbc_ini_text().find("[Store]"), std::string::npos);
}

TEST(OpenStore, MissingDatabaseFileConnectsNothingAndCreatesNothing) {
    TestFolder folder;
    Database database;
    ASSERT_TRUE(database.init_environment());
    EXPECT_FALSE(database.open_store(folder.path(), "Store", "", ""));
    EXPECT_FALSE(database.is_open());
    EXPECT_FALSE(detalehran::testing::file_exists(folder.file("Store.mdb")));
    EXPECT_NE(database.last_diagnostic().text.find("Store.mdb"), std::string::npos) << database.last_diagnostic().text;

    // With no connection every operation fails quietly.
    EXPECT_FALSE(database.db_query(db::kSelectAllItems));
    EXPECT_FALSE(database.db_next_row());
    EXPECT_FALSE(database.db_first_row());
    EXPECT_EQ(database.db_text(0), "");
    EXPECT_EQ(database.db_int(0), 0);
    EXPECT_FALSE(database.db_update(db::kEmptyParked));
    database.db_finish();
    database.close_store();
}

TEST(OpenStore, DataSourceLeftFromAnotherFolderIsUsed) {
    TestFolder folder;
    folder.create_store();
    const std::string other = folder.subfolder("other");
    folder.create_store("other/Store.mdb");
    write_data_source(folder, other + "Store.mdb");
    {
        Database seed;
        ASSERT_TRUE(seed.init_environment());
        ASSERT_TRUE(seed.open_store(other, "Store", "", ""));
        ASSERT_TRUE(seed.db_update(insert_item("из другой папки")));
    }
    Database database;
    ASSERT_TRUE(database.init_environment());
    ASSERT_TRUE(database.open_store(folder.path(), "Store", "", ""));
    EXPECT_EQ(database.database_path(), other + "Store.mdb");
    ASSERT_TRUE(database.db_query(db::kSelectAllItems));
    ASSERT_TRUE(database.db_next_row());
    EXPECT_EQ(database.db_text(db::kName), "из другой папки");
}

TEST(OpenStore, DataSourceNamingABrokenFileFailsWithTheReason) {
    TestFolder folder;
    std::ofstream(folder.file("Store.mdb")) << "not a database";
    Database database;
    ASSERT_TRUE(database.init_environment());
    EXPECT_FALSE(database.open_store(folder.path(), "Store", "", ""));
    EXPECT_EQ(database.last_diagnostic().sqlstate, "08001");
    EXPECT_NE(database.last_diagnostic().text.find("not an inventory database"), std::string::npos)
        << database.last_diagnostic().text;
}

// A Store configured for another driver (a team's server) is the user's:
// a failed connection neither registers over it nor removes it.
TEST(OpenStore, ADataSourceOfAnotherDriverStaysAsTheUserWroteIt) {
    TestFolder folder;
    folder.create_store();
    std::ofstream(folder.odbc_ini()) << "[Store]\nDriver = PostgreSQL Unicode\nServername = 127.0.0.1\nPort = 1\n";
    const std::string written = folder.odbc_ini_text();
    Database database;
    ASSERT_TRUE(database.init_environment());
    EXPECT_FALSE(database.open_store(folder.path(), "Store", "", ""));
    EXPECT_FALSE(database.last_diagnostic().empty());
    EXPECT_TRUE(database.names_other_driver("Store"));
    EXPECT_FALSE(database.remove_data_source("Store"));
    EXPECT_EQ(folder.odbc_ini_text(), written);
}

// What the server is sent: double quotes, ILIKE with "\" escaping, the old
// value named, the new ID returned.
TEST(Statements, ValuesAreBoundToMarkersAndPatternsEscapedForEachDialect) {
    using db::Dialect;
    const db::ItemValues item{"n", "", "|Все|", "1", "2.5", "-.25", "", "|Все|A|", "", "7", ""};
    struct Case {
        db::Statement statement;
        Dialect dialect;
        std::string text;
        std::vector<std::string> values;
    };
    const Case cases[] = {
        {db::select_items_by_name(R"(a\b_[x]%)"),
         Dialect::postgres,
         R"(SELECT * FROM "Store" WHERE "Название" ILIKE ? ORDER BY "Название")",
         {R"(%a\\b_[x]%%)"}},
        {db::select_items_by_name(R"(a\b_[x]%)"),
         Dialect::jet,
         "SELECT * FROM [Store] WHERE [Название] LIKE ? ORDER BY [Название]",
         {R"(%a\b_[[]x]%%)"}},
        {db::select_items_under(db::kSectionPath, R"(|Все|O'A_B\%|)"),
         Dialect::postgres,
         R"(SELECT * FROM "Store" WHERE "Путь" ILIKE ? ORDER BY "Название")",
         {R"(|Все|O'A\_B\\\%|%)"}},
        {db::set_item_quantity("5", "7", ""),
         Dialect::postgres,
         R"(UPDATE "Store" SET "Количество" = ? WHERE "ID" =? AND "Количество" IS NULL)",
         {"5", "7"}},
        {db::set_item_quantity("5", "7", "3"),
         Dialect::jet,
         "UPDATE [Store] SET [Количество] = ? WHERE [ID] =? AND [Количество] = ?",
         {"5", "7", "3"}},
        {db::insert_package("SOT"),
         Dialect::postgres,
         R"(INSERT INTO "Package" VALUES (?) ON CONFLICT DO NOTHING)",
         {"SOT"}},
        {db::kEmptyParked, Dialect::postgres, R"(DELETE FROM public."Temp" WHERE "Роль" = CURRENT_USER)", {}},
        {db::kEmptyParked, Dialect::jet, "DELETE * FROM [Temp]", {}},
        {db::insert_item(item),
         Dialect::postgres,
         R"(INSERT INTO "Store" ("Название","Описание","Расположение","Количество","Цена расходная","Цена приходная",)"
         R"("Поставщик","Путь","Тип корпуса","Datasheet")VALUES (?,?,?,?,?,?,?,?,?,?) RETURNING "ID")",
         {"n", "", "|Все|", "1", "2.5", "-0.25", "", "|Все|A|", "", ""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.statement.text(c.dialect), c.text);
        std::vector<std::string> values;
        for (const db::Value& v : c.statement.values(c.dialect)) values.push_back(v.text);
        EXPECT_EQ(values, c.values) << c.text;
    }
    // The old prices are compared as the list showed them, to the cent.
    const db::Statement update = db::update_item(item, item);
    const std::string text = update.text(Dialect::postgres);
    EXPECT_NE(text.find(R"("Цена расходная" >= ? AND "Цена расходная" < ?)"), std::string::npos) << text;
    EXPECT_NE(text.find(R"("Цена приходная" > ? AND "Цена приходная" <= ?)"), std::string::npos) << text;
    EXPECT_NE(text.find(R"(("Описание" = '' OR "Описание" IS NULL))"), std::string::npos) << text;
    std::vector<std::string> bounds;
    for (const db::Value& v : update.values(Dialect::postgres)) {
        if (v.type == db::Value::Type::money) bounds.push_back(v.text);
    }
    EXPECT_EQ(bounds, (std::vector<std::string>{"2.5", "-0.25", "2.5", "2.51", "-0.26", "-0.25"}));
}

TEST(FailureText, ServerStatesAreExplainedInRussianWithTheDriversText) {
    const std::pair<const char*, const char*> cases[] = {
        {"42501", "Недостаточно прав"},
        {"57P01", "остановлен"},
        {"28P01", "пароль"},
        {"42P01", "create --dsn"},
        {"08S01", "Соединение с базой данных потеряно"},
        {"23505", "уже есть"},
    };
    for (const auto& [state, words] : cases) {
        const std::string text = db::failure_text({state, "driver says"});
        EXPECT_NE(text.find(words), std::string::npos) << state << ": " << text;
        EXPECT_TRUE(text.ends_with("\ndriver says")) << text;
    }
    // libpq's words for a server gone under a statement, under any state.
    EXPECT_TRUE(db::failure_text({"HY000", "server closed the connection unexpectedly"})
                    .starts_with("Соединение с базой данных потеряно"));
}

class OpenDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.create_store();
        ASSERT_TRUE(database_.init_environment());
        ASSERT_TRUE(database_.open_store(folder_.path(), "Store", "", ""));
    }
    TestFolder folder_;
    Database database_;
};

TEST_F(OpenDatabase, ReadsRowsByPositionWithNullAsEmptyAndNumbersAsText) {
    ASSERT_TRUE(database_.db_update(insert_item("O'Hara", "")));
    ASSERT_TRUE(database_.db_update("INSERT INTO [Store] ([Название]) VALUES ('без цены')"));
    ASSERT_TRUE(database_.db_query(db::kSelectAllItems));
    ASSERT_TRUE(database_.db_next_row());
    EXPECT_EQ(database_.db_text(db::kName), "O'Hara");
    EXPECT_EQ(database_.db_text(db::kDescription), "");
    EXPECT_EQ(database_.db_text(db::kQuantity), "5");
    EXPECT_EQ(database_.db_text(db::kPrice), "12.5000");
    EXPECT_EQ(database_.db_text(db::kPurchasePrice), ".5000");
    EXPECT_EQ(database_.db_text(db::kSectionPath), "|Все|Резисторы|");
    const int first_id = database_.db_int(db::kId);
    EXPECT_GT(first_id, 0);
    ASSERT_TRUE(database_.db_next_row());
    EXPECT_EQ(database_.db_text(db::kName), "без цены");
    EXPECT_EQ(database_.db_text(db::kPrice), "");  // NULL
    EXPECT_EQ(database_.db_int(db::kId), first_id + 1);
    EXPECT_FALSE(database_.db_next_row());
}

TEST_F(OpenDatabase, LongTextsComeBackWhole) {
    std::string long_text;
    for (int i = 0; i < 3000; ++i) long_text += (i % 2 ? "ёж" : "x");  // pieces split characters
    ASSERT_TRUE(database_.db_update(insert_item("длинный", long_text)));
    ASSERT_TRUE(database_.db_query(db::kSelectAllItems));
    ASSERT_TRUE(database_.db_next_row());
    EXPECT_EQ(database_.db_text(db::kDescription), long_text);
}

TEST_F(OpenDatabase, UpdateBetweenFetchesKeepsTheReadingButANewQueryEndsIt) {
    for (const char* name : {"a", "b", "c"}) ASSERT_TRUE(database_.db_update(insert_item(name)));
    ASSERT_TRUE(database_.db_query(db::kSelectAllItems));
    ASSERT_TRUE(database_.db_next_row());
    EXPECT_EQ(database_.db_text(0), "a");
    ASSERT_TRUE(database_.db_update("UPDATE [Store] SET [Количество] = 9 WHERE [Название] = 'c'"));
    ASSERT_TRUE(database_.db_next_row());
    EXPECT_EQ(database_.db_text(0), "b");
    ASSERT_TRUE(database_.db_next_row());
    EXPECT_EQ(database_.db_text(0), "c");

    ASSERT_TRUE(database_.db_query("SELECT [Название] FROM [Store] WHERE [Количество] = 9"));
    ASSERT_TRUE(database_.db_next_row());
    EXPECT_EQ(database_.db_text(0), "c");
    EXPECT_FALSE(database_.db_next_row());
}

TEST_F(OpenDatabase, FirstRowAndHighestIdAsNumber) {
    for (const char* name : {"a", "b"}) ASSERT_TRUE(database_.db_update(insert_item(name)));
    ASSERT_TRUE(database_.db_query("SELECT [ID] FROM [Store] ORDER BY [ID] DESC"));
    ASSERT_TRUE(database_.db_first_row());
    EXPECT_EQ(database_.db_int(0), 2);
    database_.db_finish();
    EXPECT_FALSE(database_.db_next_row());
}

TEST_F(OpenDatabase, FailuresAreFalseWithTheDriversReason) {
    EXPECT_FALSE(database_.db_update("UPDATE [Store] SET [Количество] = 1 WHERE [ID] = 42"));
    EXPECT_EQ(database_.last_diagnostic().sqlstate, "02000");
    EXPECT_FALSE(database_.db_query("SELECT * FROM [Nowhere]"));
    EXPECT_EQ(database_.last_diagnostic().sqlstate, "42S02");
    ASSERT_TRUE(database_.db_update("INSERT INTO [Package] Values('0805')"));
    EXPECT_FALSE(database_.db_update("INSERT INTO [Package] Values('0805')"));
    EXPECT_EQ(database_.last_diagnostic().sqlstate, "23000");
}

// A widget's text may hold a NUL when it was pasted. A statement carrying it
// is refused with that reason before the driver sees a statement cut at the
// NUL, and a refused query leaves no earlier rows to read.
TEST_F(OpenDatabase, TextWithANulIsRefusedForWhatItIs) {
    using namespace std::string_literals;
    ASSERT_TRUE(database_.db_update(insert_item("a")));
    EXPECT_FALSE(database_.db_update(insert_item("nul\0inside"s)));
    EXPECT_NE(database_.last_diagnostic().text.find("NUL"), std::string::npos) << database_.last_diagnostic().text;
    for (const db::Statement& statement :
         {db::insert_package("SOT\0-23"s), db::set_item_node_path(db::kSectionPath, "|Все|\0|"s, "1")}) {
        EXPECT_FALSE(database_.db_update(statement));
        EXPECT_NE(database_.last_diagnostic().text.find("NUL"), std::string::npos) << database_.last_diagnostic().text;
    }
    ASSERT_TRUE(database_.db_query(db::kSelectAllItems));
    EXPECT_FALSE(database_.db_query(db::select_items_by_name("a\0"s)));
    EXPECT_NE(database_.last_diagnostic().text.find("NUL"), std::string::npos) << database_.last_diagnostic().text;
    EXPECT_FALSE(database_.db_next_row());

    ASSERT_TRUE(database_.db_query(db::kSelectAllItems));
    ASSERT_TRUE(database_.db_next_row());
    EXPECT_EQ(database_.db_text(db::kName), "a");
    EXPECT_EQ(database_.db_text(db::kSectionPath), "|Все|Резисторы|");
    EXPECT_FALSE(database_.db_next_row());
    ASSERT_TRUE(database_.db_query(db::kSelectPackages));
    EXPECT_FALSE(database_.db_next_row());
}

TEST_F(OpenDatabase, ParkedItemsGoBackBeforeTheScratchTableIsEmptied) {
    ASSERT_TRUE(database_.db_update(insert_item("остаётся")));
    ASSERT_TRUE(database_.db_update(insert_item("вырезан")));
    ASSERT_TRUE(database_.db_update("INSERT INTO [Temp] SELECT * FROM [Store] WHERE [ID] = 2"));
    ASSERT_TRUE(database_.db_update("DELETE FROM [Store] WHERE [ID] = 2"));
    ASSERT_TRUE(database_.db_update(db::kReturnParked));
    ASSERT_TRUE(database_.db_update(db::kDropReturnedParked));
    ASSERT_TRUE(database_.db_query(db::kSelectAllItems));
    std::vector<std::string> names;
    while (database_.db_next_row()) names.push_back(database_.db_text(0) + "#" + database_.db_text(db::kId));
    EXPECT_EQ(names, (std::vector<std::string>{"вырезан#2", "остаётся#1"}));
    ASSERT_TRUE(database_.db_query(db::kSelectParked));
    EXPECT_FALSE(database_.db_next_row());
}

namespace {

std::vector<std::string> stored_names(Database& database) {
    std::vector<std::string> names;
    if (!database.db_query("SELECT [Название], [Количество], [Цена расходная] FROM [Store] ORDER BY [ID]")) return {};
    while (database.db_next_row()) {
        names.push_back(database.db_text(0) + "/" + database.db_text(1) + "/" + database.db_text(2));
    }
    database.db_finish();
    return names;
}

// Values for insert_item_with_markers: name, description, place, quantity,
// price, purchase price, supplier, section, package, datasheet.
bool insert_marked(Database& database, std::string_view name, std::string_view quantity, std::string_view price) {
    const std::string_view values[] = {name, "", "|Все|", quantity, price, ".5000", "", "|Все|", "", ""};
    return database.execute_prepared(values);
}

}  // namespace

// What an import relies on: prepared inserts with numbers and texts of any
// length, kept only once committed; a rollback, or a connection closed in
// the middle, leaves nothing.
TEST_F(OpenDatabase, PreparedInsertsInATransactionAreKeptOnlyWhenCommitted) {
    const std::vector<db::Value::Type> markers = db::insert_marker_types();
    const std::string long_name(5000, 'x');

    ASSERT_TRUE(database_.begin_transaction());
    EXPECT_FALSE(database_.begin_transaction());
    ASSERT_TRUE(database_.prepare_update(db::insert_item_with_markers(), markers));
    EXPECT_TRUE(insert_marked(database_, "отменён", "1", "2.5000"));
    database_.rollback();
    EXPECT_FALSE(database_.in_transaction());
    EXPECT_EQ(stored_names(database_), std::vector<std::string>{});

    ASSERT_TRUE(database_.begin_transaction());
    ASSERT_TRUE(database_.prepare_update(db::insert_item_with_markers(), markers));
    EXPECT_TRUE(insert_marked(database_, "O'Hara; \"1\"", "1000", ".5000"));
    EXPECT_TRUE(insert_marked(database_, long_name, "0", "12.5000"));
    EXPECT_FALSE(insert_marked(database_, std::string("nul\0inside", 10), "1", "1"));
    EXPECT_NE(database_.last_diagnostic().text.find("NUL"), std::string::npos);
    EXPECT_FALSE(insert_marked(database_, "не число", "12р", "1"));
    EXPECT_EQ(database_.last_diagnostic().sqlstate, "22018");
    ASSERT_TRUE(database_.commit());
    EXPECT_EQ(stored_names(database_),
              (std::vector<std::string>{"O'Hara; \"1\"/1000/.5000", long_name + "/0/12.5000"}));

    // A transaction the connection ends with is given up.
    ASSERT_TRUE(database_.begin_transaction());
    ASSERT_TRUE(database_.db_update(insert_item("брошен")));
    database_.close_store();
    ASSERT_TRUE(database_.open_store(folder_.path(), "Store", "", ""));
    EXPECT_EQ(stored_names(database_).size(), 2u);
}

// A commit that cannot be made (another program is still reading) ends the
// transaction all the same, rolled back: the connection goes on committing
// each statement, and nothing of the failed one turns up later.
TEST_F(OpenDatabase, ACommitThatFailsIsRolledBackAndTheConnectionGoesOn) {
    ASSERT_TRUE(database_.begin_transaction());
    ASSERT_TRUE(database_.db_update(insert_item("не сохранён")));
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open_v2(folder_.file("Store.mdb").c_str(), &reader, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    // A read transaction holds the file until it ends.
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_FALSE(database_.end_transaction(true));
    EXPECT_FALSE(database_.in_transaction());
    sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(reader);
    ASSERT_TRUE(database_.db_update(insert_item("после")));
    database_.close_store();
    ASSERT_TRUE(database_.open_store(folder_.path(), "Store", "", ""));
    EXPECT_EQ(stored_names(database_), (std::vector<std::string>{"после/5/12.5000"}));
}

// The database tool connects by the driver's name: no data source is
// registered, and a folder with ";" in its name is reached all the same.
TEST(OpenFile, ConnectsWithoutADataSource) {
    TestFolder folder;
    const std::string odd = folder.subfolder("склад;2") + "Store.mdb";
    folder.create_store("склад;2/Store.mdb");
    Database database;
    ASSERT_TRUE(database.init_environment());
    ASSERT_TRUE(database.open_file(odd)) << database.last_diagnostic().text;
    EXPECT_TRUE(database.db_update(insert_item("a")));
    database.close_store();
    EXPECT_EQ(folder.odbc_ini_text(), "");
    EXPECT_FALSE(database.open_file(folder.file("нет/Store.mdb")));
}

// While the backup copy is made the file is held: another program's write
// is refused (it would wait), and goes through once the copy is whole, which
// does not hold it. A missing file is not copied.
TEST(BackupCopy, HoldsTheFileUntilTheCopyIsWhole) {
    TestFolder folder;
    folder.create_store();
    std::promise<void> go;
    std::shared_future<void> released = go.get_future().share();
    detalehran::db::BackupCopy backup;
    backup.start(folder.file("Store.mdb"), folder.file("Store_Backup.mdb"),
                 [released](const std::string& from, const std::string& to) {
                     released.wait();
                     std::error_code error;
                     return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing,
                                                       error);
                 });
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(folder.file("Store.mdb").c_str(), &other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "CREATE TABLE written (a)", nullptr, nullptr, nullptr), SQLITE_BUSY);
    go.set_value();
    EXPECT_TRUE(backup.wait());
    EXPECT_EQ(sqlite3_exec(other, "CREATE TABLE written (a)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    sqlite3* copy = nullptr;
    ASSERT_EQ(sqlite3_open_v2(folder.file("Store_Backup.mdb").c_str(), &copy, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    EXPECT_NE(sqlite3_exec(copy, "SELECT * FROM written", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(copy);

    backup.start(folder.file("Missing.mdb"), folder.file("Missing_Backup.mdb"));
    EXPECT_FALSE(backup.wait());
    EXPECT_FALSE(detalehran::testing::file_exists(folder.file("Missing_Backup.mdb")));
}
