// The store's own history on a file, through the database layer and the
// real driver: each kind of change leaves its operation and rows, and taking
// it back gives the store as it was.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <functional>

#include "db/history.h"
#include "db/operation.h"
#include "db/statements.h"
#include "spreadsheet/store_import.h"
#include "store/store_schema.h"
#include "support/test_environment.h"

namespace detalehran::db {
namespace {

using testing::TestFolder;

const NodeList kRootOnly = {{QString::fromUtf8(kRootName), 0}};

ItemValues item(const std::string& name, const std::string& quantity) {
    ItemValues v;
    v.name = name;
    v.description = "Описание " + name;
    v.place = "|Все|Шкаф|";
    v.quantity = quantity;
    v.price = "12.5000";
    v.purchase_price = ".5000";
    v.supplier = "ЭФО";
    v.section_path = "|Все|Резисторы|";
    v.package = "0805";
    return v;
}

class History : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.create_store();
        open(database_);
        std::string id;
        for (const char* name : {"Резистор 4,7 кОм", "Конденсатор 100 нФ"}) {
            ASSERT_TRUE(database_.db_insert(insert_item(item(name, "5")), id)) << database_.last_diagnostic().text;
        }
        ASSERT_TRUE(database_.db_update(insert_package("0805")));
    }
    void open(Database& database) {
        ASSERT_TRUE(database.init_environment());
        ASSERT_TRUE(database.open_file(folder_.file("Store.mdb"))) << database.last_diagnostic().text;
    }
    // Every row of the three tables, with each value's type, read past the
    // driver.
    std::string snapshot() {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open_v2(folder_.file("Store.mdb").c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        store::register_text_functions(db);
        std::string out;
        for (const char* table : {"Store", "Temp", "Package"}) {
            sqlite3_stmt* stmt = nullptr;
            const std::string sql = std::string("SELECT * FROM \"") + table + "\" ORDER BY 1";
            EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK);
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                out += table;
                for (int k = 0; k < sqlite3_column_count(stmt); ++k) {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, k));
                    out += "|" + std::to_string(sqlite3_column_type(stmt, k)) + ":" + (text ? text : "");
                }
                out += "\n";
            }
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
        return out;
    }
    void sql(const std::string& text) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(folder_.file("Store.mdb").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        store::register_text_functions(db);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, text.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }
    OperationRecord newest() {
        HistoryFilter one;
        one.limit = 1;
        std::vector<OperationRecord> ops;
        EXPECT_TRUE(read_operations(database_, one, ops));
        return ops.empty() ? OperationRecord{} : ops.front();
    }
    // "table kind item: columns" of each row of an operation.
    std::string rows_of(const std::string& operation) {
        std::vector<ChangeRecord> changes;
        EXPECT_TRUE(read_changes(database_, operation, changes));
        std::string out;
        for (const ChangeRecord& c : changes) {
            out += c.table + " " + c.kind + " " + c.item_id + ":";
            for (const FieldChange& f : c.fields) out += " " + f.column;
            out += "; ";
        }
        return out;
    }
    bool run(const std::string& caption, const std::vector<Statement>& statements) {
        return run_operation(database_, caption, [&] {
            for (const Statement& s : statements) {
                if (!database_.db_update(s)) return false;
            }
            return true;
        });
    }

    TestFolder folder_;
    Database database_;
};

constexpr const char* kAllColumns =
    " Название Описание Расположение Количество Цена расходная Цена приходная Поставщик Путь Тип корпуса ID Datasheet";

TEST_F(History, EachKindOfChangeIsRecordedAndTakenBack) {
    ItemValues edited = item("Резистор 10 кОм", "5");
    edited.id = "1";
    struct Case {
        const char* what;
        std::function<bool()> change;
        std::string caption;
        std::string rows;
    };
    const std::vector<Case> cases = {
        {"add", [&] { return run("Добавление", {insert_item(item("Диод", "3"))}); }, "Добавление",
         std::string("Store insert 3:") + kAllColumns + "; "},
        {"edit", [&] { return run("Правка", {update_item(edited, [&] { ItemValues o = item("Резистор 4,7 кОм", "5"); o.id = "1"; return o; }())}); },
         "Правка", "Store update 1: Название Описание; "},
        {"quantity", [&] { return run("Количество", {set_item_quantity("7", "1", "5")}); }, "Количество",
         "Store update 1: Количество; "},
        {"delete", [&] { return run("Удаление", {delete_item("2")}); }, "Удаление",
         std::string("Store delete 2:") + kAllColumns + "; "},
        {"move", [&] { return run("Перенос", {set_item_node_path(kSectionPath, "|Все|Другое|", "2")}); }, "Перенос",
         "Store update 2: Путь; "},
        {"cut", [&] { return run("Вырезание", {park_item("1"), delete_stored_item("1")}); }, "Вырезание",
         std::string("Temp insert 1:") + kAllColumns + "; Store delete 1:" + kAllColumns + "; "},
        {"paste",
         [&] {
             return run("Вырезание", {park_item("1"), delete_stored_item("1")}) &&
                    run("Вставка", {stamp_parked(kSectionPath, "|Все|Новое|"), kReturnParked, kEmptyParked});
         },
         "Вставка",
         std::string("Temp update 1: Путь; Store insert 1:") + kAllColumns + "; Temp delete 1:" + kAllColumns + "; "},
        {"import",
         [&] {
             spreadsheet::ImportSettings settings;
             settings.file_name = "/tmp/папка/parts.csv";
             settings.duplicates = spreadsheet::DuplicateChoice::skip;
             return spreadsheet::import_in_one_go(database_,
                                                  "Название;Тип корпуса;Количество\nДиод;SOD-123;4\nСтабилитрон;SOD-123;2\n",
                                                  settings, kRootOnly, kRootOnly, false)
                 .stored;
         },
         "Импорт parts.csv: 2 детали",
         // Item 3 was added and taken back: its number is never given again.
         std::string("Store insert 4:") + kAllColumns + "; Store insert 5:" + kAllColumns +
             "; Package insert : Тип корпуса; "},
        {"package type", [&] { return run("Тип корпуса", {insert_package("SOT-23")}); }, "Тип корпуса",
         "Package insert : Тип корпуса; "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string before = snapshot();
        const std::string previous = newest().id;
        ASSERT_TRUE(c.change()) << database_.last_diagnostic().text;
        const OperationRecord op = newest();
        EXPECT_EQ(op.caption, c.caption);
        EXPECT_TRUE(op.who.ends_with("(detalehran_history_tests)")) << op.who;
        EXPECT_EQ(rows_of(op.id), c.rows);

        // The store as it was before the case; a paste's cut stays.
        const RevertResult revert = revert_operation(database_, op.id);
        ASSERT_EQ(revert.outcome, RevertResult::Outcome::done) << revert.reason;
        const OperationRecord undo = newest();
        EXPECT_EQ(undo.id, revert.new_operation);
        EXPECT_EQ(undo.reverts, op.id);
        EXPECT_EQ(undo.caption, "Отмена: " + c.caption);
        if (std::string(c.what) != "paste") {
            EXPECT_EQ(snapshot(), before);
        } else {
            ASSERT_EQ(revert_operation(database_, std::to_string(std::stoi(op.id) - 1)).outcome,
                      RevertResult::Outcome::done);
            EXPECT_EQ(snapshot(), before);
        }
        EXPECT_NE(op.id, previous);
    }
}

TEST_F(History, ChangeByPythonIsRecordedUnderItsProgramAndTakenBack) {
    const std::string before = snapshot();
    const std::string script =
        "import pyodbc, sys\n"
        "c = pyodbc.connect('DRIVER={Microsoft Access Driver (*.mdb)};DBQ=' + sys.argv[1])\n"
        "c.execute('UPDATE [Store] SET [Количество] = 9, [Описание] = NULL WHERE [ID] = 2')\n"
        "c.commit()\n";
    const std::string command = std::string("env ") + DETALEHRAN_CHILD_ENV + " /usr/bin/python3 -c \"" + script + "\" '" + folder_.file("Store.mdb") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const OperationRecord op = newest();
    EXPECT_TRUE(op.who.ends_with(" (python3)")) << op.who;
    EXPECT_EQ(op.caption, "");
    std::vector<ChangeRecord> changes;
    ASSERT_TRUE(read_changes(database_, op.id, changes));
    EXPECT_EQ(operation_title(op, changes), "Изменение детали 2");
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(describe_change(changes[0]),
              "деталь 2: Описание Описание Конденсатор 100 нФ → (пусто); Количество 5 → 9");
    ASSERT_EQ(revert_operation(database_, op.id).outcome, RevertResult::Outcome::done);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(History, RevertIsBlockedByALaterChangeAndRefusedTwice) {
    ASSERT_TRUE(run("Первая", {set_item_quantity("6", "1", "5")}));
    const std::string first = newest().id;
    ASSERT_TRUE(run("Вторая", {set_item_quantity("7", "1", "6")}));
    const std::string second = newest().id;
    ASSERT_TRUE(run("Чужая деталь", {set_item_quantity("1", "2", "5")}));

    const RevertResult blocked = revert_operation(database_, first);
    EXPECT_EQ(blocked.outcome, RevertResult::Outcome::blocked);
    EXPECT_EQ(blocked.blocking.id, second);
    EXPECT_EQ(blocked.blocking.caption, "Вторая");

    // Undoing the newest first, then the one before: the undo of the second
    // cancels it out and no longer blocks.
    ASSERT_EQ(last_own_operation(database_)->caption, "Чужая деталь");
    ASSERT_EQ(revert_operation(database_, second).outcome, RevertResult::Outcome::done);
    const RevertResult twice = revert_operation(database_, second);
    EXPECT_EQ(twice.outcome, RevertResult::Outcome::refused);
    EXPECT_NE(twice.reason.find("уже отменена"), std::string::npos) << twice.reason;
    EXPECT_EQ(revert_operation(database_, first).outcome, RevertResult::Outcome::done);

    // The undo of the first stands: redoing the second (undoing its undo)
    // is blocked by it.
    const std::string undo_second = std::to_string(std::stoi(first) + 3);
    const RevertResult redo = revert_operation(database_, undo_second);
    EXPECT_EQ(redo.outcome, RevertResult::Outcome::blocked);
    EXPECT_EQ(redo.blocking.id, std::to_string(std::stoi(first) + 4));
    EXPECT_EQ(revert_operation(database_, first).outcome, RevertResult::Outcome::refused);
    EXPECT_EQ(last_own_operation(database_)->caption, "Чужая деталь");
}

TEST_F(History, PruningRemovesOldOperationsWithTheirRows) {
    ASSERT_TRUE(run("Старая", {set_item_quantity("6", "1", "5")}));
    sql("UPDATE \"HistoryOperations\" SET \"Changed\" = '2020-05-01 10:00:00'");
    ASSERT_TRUE(run("Новая", {set_item_quantity("7", "1", "6")}));
    std::uint64_t removed = 0;
    ASSERT_TRUE(prune_history(database_, "2020-05-02", removed));
    EXPECT_EQ(removed, 4u);  // the seed's three operations and the old one
    HistoryFilter all;
    std::vector<OperationRecord> ops;
    ASSERT_TRUE(read_operations(database_, all, ops));
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].caption, "Новая");
    EXPECT_EQ(ops[0].changes, 1);
}

TEST_F(History, FiltersFindTheirOperations) {
    ASSERT_TRUE(run("Импорт склада", {set_item_quantity("6", "1", "5")}));
    ASSERT_TRUE(run("Правка", {set_item_quantity("6", "2", "5")}));
    sql("UPDATE \"HistoryOperations\" SET \"Changed\" = '2021-03-04 23:59:59' WHERE \"Caption\" = 'Правка'");
    struct Case {
        HistoryFilter filter;
        std::string captions;
    };
    HistoryFilter by_item, by_text, by_day, by_author, before;
    by_item.item_ids = {"2"};
    by_text.text = "ИМПОРТ";
    by_day.since = by_day.until = "2021-03-04";
    by_author.who = "кто-то другой";
    before.before_id = newest().id;
    before.limit = 1;
    for (const Case& c : std::vector<Case>{{by_item, "Правка;;"},  // and the seed's insert of item 2
                                           {by_text, "Импорт склада;"},
                                           {by_day, "Правка;"},
                                           {by_author, ""},
                                           {before, "Импорт склада;"}}) {
        std::vector<OperationRecord> ops;
        ASSERT_TRUE(read_operations(database_, c.filter, ops)) << database_.last_diagnostic().text;
        std::string captions;
        for (const OperationRecord& op : ops) captions += op.caption + ";";
        EXPECT_EQ(captions, c.captions);
    }
}

TEST(HistorySettling, AnOldStoreGainsTheHistoryAndADroppedOneStaysGone) {
    TestFolder folder;
    folder.create_store();
    auto exec = [&](const std::string& text) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(folder.file("Store.mdb").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, text.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    };
    std::string drop = "DROP TABLE \"History\"; DROP TABLE \"HistoryOperations\";";
    for (const char* table : {"Store", "Package", "Temp"}) {
        for (const char* kind : {"insert", "update", "delete"})
            drop += std::string("DROP TRIGGER \"History_") + table + "_" + kind + "\";";
    }
    // A store of the first version has none of it.
    exec(drop + "PRAGMA user_version = 1;");
    {
        Database database;
        ASSERT_TRUE(database.init_environment());
        ASSERT_TRUE(database.open_file(folder.file("Store.mdb")));
        EXPECT_TRUE(has_history(database));
        ASSERT_TRUE(database.db_update(insert_package("SOT-23")));
        std::vector<OperationRecord> ops;
        ASSERT_TRUE(read_operations(database, {}, ops));
        EXPECT_EQ(ops.size(), 1u);
    }
    // Dropped by hand (the triggers left behind): changes go on unrecorded.
    exec("DROP TABLE \"History\"");
    Database database;
    ASSERT_TRUE(database.init_environment());
    ASSERT_TRUE(database.open_file(folder.file("Store.mdb")));
    EXPECT_FALSE(has_history(database));
    EXPECT_TRUE(database.db_update(insert_package("SOT-223"))) << database.last_diagnostic().text;
    EXPECT_TRUE(database.db_update(delete_package("SOT-23"))) << database.last_diagnostic().text;
}

}  // namespace
}  // namespace detalehran::db
