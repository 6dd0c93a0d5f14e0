// What a client is told when a statement fails or a file cannot be opened,
// read through SQLGetDiagRec with ODBC 3 SQLSTATEs.

#include <odbcinst.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include "odbc_support.h"
#include "store/store_schema.h"

namespace dtest {
namespace {

using Diagnostics = StoreFixture;

// Runs a statement that must fail and returns its first SQLSTATE.
std::string failure_state(Connection& db, const std::string& sql) {
    std::vector<Diag> diags;
    const SQLRETURN rc = db.run(sql, &diags);
    EXPECT_EQ(rc, SQL_ERROR) << sql;
    if (diags.empty()) return "(none)";
    EXPECT_FALSE(diags[0].message.empty());
    return diags[0].state;
}

TEST_F(Diagnostics, SyntaxErrors) {
    for (const char* sql : {"SELEC * FROM [Store]", "SELECT * FROM [Store] WHERE", "SELECT * FROM [Store] ORDER [ID]",
                            "SELECT * FROM [Store] WHERE [Название] = 'без конца", "SELECT * FROM [Store",
                            "INSERT INTO [Package] Values('a',)"}) {
        EXPECT_EQ(failure_state(db_, sql), "42000") << sql;
    }
}

TEST_F(Diagnostics, MissingTable) {
    EXPECT_EQ(failure_state(db_, "SELECT * FROM [Склад] ORDER BY [Название]"), "42S02");
    EXPECT_EQ(failure_state(db_, "DELETE * FROM [Nothing]"), "42S02");
    EXPECT_EQ(failure_state(db_, "INSERT INTO [Packages] Values('DIP-8')"), "42S02");
}

// A misspelt name in brackets must not pass for a text: the statement would
// run and quietly do the wrong thing.
TEST_F(Diagnostics, MissingColumnIsNoText) {
    const long id = add_item(Item{});
    EXPECT_EQ(failure_state(db_, "SELECT [Nazvanie] FROM [Store]"), "42S22");
    EXPECT_EQ(failure_state(db_, "SELECT * FROM [Store] ORDER BY [Цена]"), "42S22");
    EXPECT_EQ(failure_state(db_, "SELECT * FROM [Store] WHERE [Путъ] LIKE '%а%' ORDER BY [Название]"), "42S22");
    EXPECT_EQ(failure_state(db_, "UPDATE [Store] SET [Количество] = 1 WHERE [Id_] = " + std::to_string(id)), "42S22");
    EXPECT_EQ(db_.query("SELECT * FROM [Store]")[0][kQuantity], "5");
}

TEST_F(Diagnostics, MissingColumnAsTarget) {
    const long id = add_item(Item{});
    EXPECT_EQ(failure_state(db_, "UPDATE [Store] SET [Кол-во] = 1 WHERE [ID] = " + std::to_string(id)), "42S22");
    EXPECT_EQ(failure_state(db_, "INSERT INTO [Store] ([Имя]) VALUES ('x')"), "42S22");
    EXPECT_EQ(failure_state(db_, "INSERT INTO [Store] ([Название],[Путь],[Цена])VALUES ('a','b',1)"), "42S22");
}

TEST_F(Diagnostics, TextIntoNumberColumnsIsATypeMismatch) {
    const long id = add_item(Item{});
    Item wrong;
    wrong.quantity = "'много'";
    EXPECT_EQ(failure_state(db_, insert_statement(wrong)), "22018");
    const std::string where = " WHERE [ID] =" + std::to_string(id);
    EXPECT_EQ(failure_state(db_, "UPDATE [Store] SET [Количество] = 'пять'" + where), "22018");
    EXPECT_EQ(failure_state(db_, "UPDATE [Store] SET [Цена расходная]='дорого'" + where), "22018");
    // Nothing was written by the failed statements.
    const Rows rows = db_.query("SELECT * FROM [Store]");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][kQuantity], "5");
    EXPECT_EQ(rows[0][kSalePrice], "12.5000");
}

TEST_F(Diagnostics, ConstraintViolations) {
    must("INSERT INTO [Package] Values('DIP-8')");
    EXPECT_EQ(failure_state(db_, "INSERT INTO [Package] Values('dip-8')"), "23000");
    EXPECT_EQ(failure_state(db_, "INSERT INTO [Package] Values(NULL)"), "23000");
    // Pasting the same cut item twice.
    const long id = add_item(Item{});
    must("INSERT INTO [Temp] SELECT * FROM [Store] WHERE [ID] = " + std::to_string(id));
    EXPECT_EQ(failure_state(db_, "INSERT INTO [Store] Select * FROM [Temp]"), "23000");
    EXPECT_EQ(db_.query("SELECT * FROM [Store]").size(), 1u);
}

TEST_F(Diagnostics, OneStatementPerCall) {
    add_item(Item{});
    for (const char* sql : {"SELECT 1; DROP TABLE [Store]", "DELETE * FROM [Temp]; DROP TABLE [Store]",
                            "SELECT * FROM [Package]; DELETE * FROM [Store]"}) {
        EXPECT_EQ(failure_state(db_, sql), "42000") << sql;
    }
    EXPECT_EQ(db_.query("SELECT * FROM [Store]").size(), 1u);
    // A closing semicolon alone is no second statement, and blanks and
    // comments after it are nothing; what SQLite would refuse is refused.
    EXPECT_EQ(db_.query("SELECT * FROM [Store] ORDER BY [Название];").size(), 1u);
    EXPECT_EQ(db_.query("SELECT * FROM [Store]; \t\r\n\f-- done\n/* open").size(), 1u);
    EXPECT_EQ(failure_state(db_, "SELECT * FROM [Store];\v"), "42000");
}

// A statement handed over with its length may hold a NUL byte. SQLite stops
// reading there; what follows is still part of the text and must not be
// dropped unseen, least of all a WHERE.
TEST_F(Diagnostics, TextAfterANulIsNotDropped) {
    using namespace std::string_literals;
    add_item(Item{});
    for (const std::string& sql : {"DELETE FROM [Store]\0 WHERE [ID] = 0"s, "DELETE * FROM [Store];\0\0 WHERE 0"s,
                                   "UPDATE [Store] SET [Количество] = 7\0 WHERE [ID] = 0"s,
                                   "SELECT 1\0; DROP TABLE [Store]"s}) {
        EXPECT_EQ(failure_state(db_, sql), "42000") << sql;
    }
    const Rows rows = db_.query("SELECT * FROM [Store]");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][kQuantity], "5");
    // Blanks, semicolons and comments after a statement are still no part
    // of it, and nor is a terminating NUL that a length counts.
    EXPECT_EQ(db_.query("SELECT * FROM [Store]; -- all\n /* of them */ ;"s).size(), 1u);
    EXPECT_EQ(db_.query("SELECT * FROM [Store]\0"s).size(), 1u);
}

TEST_F(Diagnostics, PragmaAndAttachRefused) {
    const std::string attached = folder_ + "other.db";
    for (const std::string& sql :
         {std::string("PRAGMA case_sensitive_like = 1"), std::string("PRAGMA writable_schema = ON"),
          "ATTACH DATABASE '" + attached + "' AS other"}) {
        std::vector<Diag> diags;
        EXPECT_EQ(db_.run(sql, &diags), SQL_ERROR) << sql;
        EXPECT_FALSE(diags.empty()) << sql;
    }
    EXPECT_FALSE(file_exists(attached));
}

// A refused statement must leave the connection as it was, including
// settings that SQLite changes while merely compiling a PRAGMA.
TEST_F(Diagnostics, RefusedTrailingPragmaChangesNothing) {
    add_item(Item{});
    EXPECT_EQ(failure_state(db_, "SELECT 1; PRAGMA case_sensitive_like = 1"), "42000");
    EXPECT_EQ(failure_state(db_, "SELECT 1; PRAGMA writable_schema = ON"), "42000");
    // LIKE still ignores letter case.
    EXPECT_EQ(names("SELECT * FROM [Store] WHERE [Название] LIKE '%РЕЗИСТОР%' ORDER BY [Название]").size(), 1u);
    // The schema is still protected.
    std::vector<Diag> diags;
    EXPECT_EQ(db_.run("UPDATE [sqlite_master] SET [sql] = [sql] WHERE 0", &diags), SQL_ERROR) << describe(diags);
}

// Registers a data source of a name never used before in this process, so
// that no earlier look-up is remembered for it.
std::string register_dsn(const std::string& dbq) {
    static int counter = 0;
    const std::string dsn = "Store_test_" + std::to_string(++counter);
    EXPECT_TRUE(SQLWriteDSNToIni(dsn.c_str(), "Microsoft Access Driver (*.mdb)"));
    EXPECT_TRUE(SQLWritePrivateProfileString(dsn.c_str(), "DBQ", dbq.c_str(), "odbc.ini"));
    return dsn;
}

TEST(Connecting, EmptyUserAndPasswordOnAGoodFile) {
    // A folder name as users pick them.
    const std::string folder = new_folder("good") + "Склад деталей/";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string path = folder + "Store.mdb";
    ASSERT_NO_FATAL_FAILURE(create_store(path));
    Connection c;
    ASSERT_EQ(c.open_dsn(register_dsn(path), "", ""), SQL_SUCCESS) << describe(c.diags());
    EXPECT_TRUE(c.query("SELECT * FROM [Store] ORDER BY [Название]").empty());
}

TEST(Connecting, MissingFileIsNotCreated) {
    const std::string path = new_folder("missing") + "Store.mdb";
    Connection c;
    EXPECT_EQ(c.open_dsn(register_dsn(path)), SQL_ERROR);
    const std::vector<Diag> diags = c.diags();
    ASSERT_FALSE(diags.empty());
    EXPECT_EQ(diags[0].state, "08001");
    EXPECT_NE(diags[0].message.find(path), std::string::npos) << diags[0].message;
    EXPECT_FALSE(file_exists(path));
    EXPECT_FALSE(file_exists(path + "-journal"));
}

TEST(Connecting, FilesNotOursAreRefusedAndLeftAlone) {
    const std::string folder = new_folder("foreign");
    std::string access("\x00\x01\x00\x00Standard Jet DB", 19);
    access.resize(4096, '\0');
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty.mdb", ""}, {"notes.mdb", "Это просто текст\nнаименование;количество\n"}, {"access.mdb", access}};
    for (const auto& [name, bytes] : files) write_file(folder + name, bytes);
    {
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(std::string(folder + "other.mdb").c_str(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, "CREATE TABLE Store (x TEXT); INSERT INTO Store VALUES ('чужое');", nullptr,
                               nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(other);
    }
    for (const char* name : {"empty.mdb", "notes.mdb", "access.mdb", "other.mdb"}) {
        SCOPED_TRACE(name);
        const std::string path = folder + name;
        const std::string before = read_file(path);
        Connection c;
        EXPECT_EQ(c.open_file(path), SQL_ERROR);
        const std::vector<Diag> diags = c.diags();
        ASSERT_FALSE(diags.empty());
        EXPECT_EQ(diags[0].state, "08001");
        EXPECT_NE(diags[0].message.find(path), std::string::npos) << diags[0].message;
        if (std::string(name) == "access.mdb") {
            EXPECT_NE(diags[0].message.find("Microsoft Access (Jet) database"), std::string::npos) << diags[0].message;
        }
        EXPECT_EQ(read_file(path), before);
        EXPECT_FALSE(file_exists(path + "-journal"));
    }
}


// Files made before the supplier index existed get it on their first open;
// a file that cannot be written still opens and reads.
TEST(Connecting, OlderFilesGetTheMissingIndexWhenWritable) {
    const std::string folder = new_folder("upgrade");
    auto index_count = [](const std::string& path) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE name = 'Store_Поставщик'", -1, &s, nullptr);
        const int n = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int(s, 0) : -1;
        sqlite3_finalize(s);
        sqlite3_close(db);
        return n;
    };
    auto make_old = [&](const std::string& path) {
        ASSERT_NO_FATAL_FAILURE(create_store(path));
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "DROP INDEX \"Store_Поставщик\"", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        ASSERT_EQ(index_count(path), 0);
    };
    const std::string writable = folder + "old.mdb";
    ASSERT_NO_FATAL_FAILURE(make_old(writable));
    {
        Connection c;
        ASSERT_EQ(c.open_file(writable), SQL_SUCCESS) << describe(c.diags());
        EXPECT_EQ(c.run(insert_statement(Item{})), SQL_SUCCESS);
        EXPECT_EQ(c.query("SELECT DISTINCT [Поставщик] FROM [Store]").size(), 1u);
    }
    EXPECT_EQ(index_count(writable), 1);

    // Another program is writing: the index waits for a later open.
    const std::string busy = folder + "busy.mdb";
    ASSERT_NO_FATAL_FAILURE(make_old(busy));
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(busy.c_str(), &writer), SQLITE_OK);
    // A writer of a store registers its functions, which the history's
    // triggers call.
    ASSERT_TRUE(detalehran::store::register_text_functions(writer));
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE; DELETE FROM \"Package\";", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        Connection c;
        ASSERT_EQ(c.open_file(busy), SQL_SUCCESS) << describe(c.diags());
        EXPECT_TRUE(c.query("SELECT DISTINCT [Поставщик] FROM [Store]").empty());
    }
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
    EXPECT_EQ(index_count(busy), 0);
}

}  // namespace
}  // namespace dtest
