// The checks the crash harness relies on must see the faults they are there
// for: a settings file cut short, a damaged database, an item lost, changed
// or come from nowhere.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "crash/crash_check.h"
#include "settings/settings_format.h"
#include "store/store_schema.h"

using namespace detalehran;
using namespace detalehran::crash;
namespace fs = std::filesystem;

namespace {

class CheckedFiles : public ::testing::Test {
protected:
    CheckedFiles() {
        std::string pattern = (fs::temp_directory_path() / "detalehran-check-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
        path_ = pattern + "/";
    }
    ~CheckedFiles() override {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    void write(const std::string& name, const QByteArray& bytes) const {
        std::ofstream out(path_ + name, std::ios::binary | std::ios::trunc);
        out.write(bytes.constData(), bytes.size());
    }
    std::string path_;
};

Values item(const std::string& id, const std::string& quantity = "7") {
    return {"a'1", "описание", "|Все|Шкаф|", quantity, "1.5", "0.25", "Поставщик", "|Все|A|", "SOT-23", id, ""};
}

Record with(Record head, const Values& values) {
    head.insert(head.end(), values.begin(), values.end());
    return head;
}

StoreFile file_with(std::map<long long, Where> items) {
    StoreFile file;
    file.ok = true;
    file.items = std::move(items);
    return file;
}

}  // namespace

TEST_F(CheckedFiles, ASettingsFileCutShortOrWithoutItsRootIsNotTakenAsComplete) {
    settings::SettingsRecord record;
    record.path_nodes = {{"Все", 0}, {"Резисторы", 1}, {"SMD", 2}};
    record.location_nodes = {{"Все", 0}, {"Шкаф", 1}};
    const QByteArray whole = settings::settings_text(record);
    write("Store.ini", whole);
    EXPECT_EQ(read_settings_file(path_ + "Store.ini").problem, "");
    for (qsizetype size = 0; size < whole.size(); size += 5) {
        write("Store.ini", whole.left(size));
        EXPECT_NE(read_settings_file(path_ + "Store.ini").problem, "") << "cut at " << size;
    }
    record.path_nodes = {{"Резисторы", 0}};
    write("Store.ini", settings::settings_text(record));
    EXPECT_NE(read_settings_file(path_ + "Store.ini").problem, "");
    EXPECT_TRUE(read_settings_file(path_ + "nothing.ini").missing);
}

TEST_F(CheckedFiles, ADamagedDatabaseIsReportedAndAWholeOneRead) {
    const std::string database = path_ + "Store.mdb";
    std::string error;
    ASSERT_TRUE(store::create_store_file(database, &error)) << error;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    store::register_text_functions(db);
    std::string many = "BEGIN;";
    for (int i = 0; i < 300; ++i)
        many += "INSERT INTO Store VALUES ('a''1','описание','|Все|Шкаф|',7,1.5,0.25,'Поставщик','|Все|A|','SOT-23',"
                "NULL,'');";
    many += "INSERT INTO Temp SELECT * FROM Store WHERE ID = 300; DELETE FROM Store WHERE ID = 300; COMMIT;";
    ASSERT_EQ(sqlite3_exec(db, many.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    const StoreFile whole = read_store_file(database, path_ + "scratch");
    ASSERT_TRUE(whole.ok) << whole.problem;
    ASSERT_EQ(whole.items.size(), 300u);
    EXPECT_TRUE(whole.items.at(1).store.has_value());
    EXPECT_TRUE(same_values(item("1"), *whole.items.at(1).store, false));
    EXPECT_FALSE(whole.items.at(300).store.has_value());
    EXPECT_TRUE(whole.items.at(300).temp.has_value());

    // Garbage over one of the pages in the middle.
    {
        std::fstream f(database, std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(4096 * 3 + 100);
        const std::string garbage(3000, '\x5a');
        f.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    EXPECT_FALSE(read_store_file(database, path_ + "scratch").ok);
    EXPECT_NE(database_problem(database, path_ + "scratch"), "");
    EXPECT_NE(database_problem(path_ + "missing.mdb", path_ + "scratch"), "");
}

TEST(Expectations, AReportedItemMustBeThereExactlyAndNothingElse) {
    Expectations expect(false);
    expect.apply({{"session", "S", "1", "1"}, with({"begin", "add"}, item("")), with({"done", "add"}, item("5"))});
    Values stored = item("5");
    stored[4] = "1.50";  // prices compare as amounts
    EXPECT_EQ(expect.compare(file_with({{5, Where{stored, std::nullopt}}})), std::vector<std::string>{});

    EXPECT_EQ(expect.compare(file_with({{5, Where{item("5", "8"), std::nullopt}}})).size(), 1u);
    EXPECT_EQ(expect.compare(file_with({})).size(), 1u);
    EXPECT_EQ(expect.compare(file_with({{5, Where{std::nullopt, item("5")}}})).size(), 1u);
    EXPECT_EQ(expect.compare(file_with({{5, Where{item("5"), item("5")}}})).size(), 1u);
    EXPECT_EQ(expect.compare(file_with({{5, Where{item("5"), std::nullopt}}, {6, Where{item("6"), std::nullopt}}}))
                  .size(),
              1u);
}

TEST(Expectations, AnOperationCutShortMayHaveHappenedOrNot) {
    for (const bool happened : {false, true}) {
        Expectations expect(false);
        expect.apply({{"session", "S", "1", "1"}, with({"done", "add"}, item("5")), {"begin", "qty", "5", "99"},
                      {"session", "S", "2", "2"}});
        expect.end_sessions();
        EXPECT_EQ(expect.compare(file_with({{5, Where{item("5", happened ? "99" : "7"), std::nullopt}}})),
                  std::vector<std::string>{});
        EXPECT_EQ(expect.compare(file_with({{5, Where{item("5", "98"), std::nullopt}}})).size(), 1u);
    }
    // An add cut short: its item may be stored under an ID nobody reported.
    Expectations expect(false);
    expect.apply({{"session", "S", "1", "1"}, with({"begin", "add"}, item(""))});
    expect.end_sessions();
    EXPECT_EQ(expect.compare(file_with({{9, Where{item("9"), std::nullopt}}})), std::vector<std::string>{});
    // A cut cut short leaves the item in Store, in Temp or, copied, in both.
    expect.apply({{"session", "S", "2", "2"}, {"begin", "cut", "9"}});
    expect.end_sessions();
    EXPECT_EQ(expect.compare(file_with({{9, Where{item("9"), item("9")}}})), std::vector<std::string>{});
    // The next start drops the copy; a paste then has nothing of it to bring back.
    expect.apply({{"session", "S", "3", "3"}, {"begin", "start"}, {"done", "start"}, {"begin", "delete", "9"},
                  {"done", "delete", "9"}, {"begin", "paste", "7", "|Все|"}, {"done", "paste", "7", "|Все|"}});
    EXPECT_EQ(expect.compare(file_with({{9, Where{item("9"), std::nullopt}}})).size(), 1u);
}
