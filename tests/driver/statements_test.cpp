// The statements the program sends, run through the driver manager against a
// fresh database, and the rows they leave behind.

#include <sqlite3.h>

#include <algorithm>

#include "odbc_support.h"

namespace dtest {
namespace {

using Statements = StoreFixture;

Item named(const std::string& name, const std::string& path = "Разное", const std::string& location = "Шкаф 1") {
    Item item;
    item.name = name;
    item.path = path;
    item.location = location;
    return item;
}

TEST_F(Statements, InsertedItemReadsBackByPosition) {
    Item item;
    item.datasheet = "/home/user/datasheets/r0805.pdf";
    const long id = add_item(item);
    const Rows rows = db_.query("SELECT * FROM [Store] ORDER BY [Название]");
    ASSERT_EQ(rows.size(), 1u);
    const Row expected = {"Резистор 10кОм",
                          "0,25 Вт",
                          "Шкаф 1",
                          "5",
                          "12.5000",
                          ".5000",
                          "ЧипДип",
                          "Пассивные/Резисторы",
                          "0805",
                          std::to_string(id),
                          "/home/user/datasheets/r0805.pdf"};
    EXPECT_EQ(rows[0], expected);

    const Rows short_form = db_.query("SELECT [Название], [ID] FROM [Store] ORDER BY [ID] DESC");
    ASSERT_EQ(short_form.size(), 1u);
    EXPECT_EQ(short_form[0], (Row{"Резистор 10кОм", std::to_string(id)}));
}

TEST_F(Statements, MoneyReadsAsTextWithFourDecimals) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"12.5", "12.5000"}, {".5", ".5000"}, {"0", ".0000"},      {"99999.99", "99999.9900"},
        {"-0.5", "-.5000"},  {"7", "7.0000"}, {"0.0001", ".0001"}, {"1234567.8912", "1234567.8912"}};
    for (const auto& [literal, text] : cases) {
        Item item = named("money " + literal);
        item.sale_price = literal;
        item.buy_price = literal;
        add_item(item);
    }
    for (const Row& row : db_.query("SELECT * FROM [Store]")) {
        const std::string literal = row[kName]->substr(6);
        const auto it = std::find_if(cases.begin(), cases.end(), [&](const auto& c) { return c.first == literal; });
        ASSERT_NE(it, cases.end()) << literal;
        EXPECT_EQ(row[kSalePrice], it->second) << literal;
        EXPECT_EQ(row[kBuyPrice], it->second) << literal;
        EXPECT_EQ(row[kQuantity], "5");
    }
}

TEST_F(Statements, AwkwardTextsRoundTrip) {
    const std::vector<std::string> values = {"O'Hara", "''", "100% медь", "a_b", "[x]", "Ёлка \"ель\"", ""};
    for (const std::string& v : values) {
        Item item = named(v, v, v);
        item.description = v;
        item.supplier = v;
        item.datasheet = v;
        add_item(item);
    }
    const Rows rows = db_.query("SELECT * FROM [Store] ORDER BY [ID]");
    ASSERT_EQ(rows.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        for (ItemColumn c : {kName, kDescription, kLocation, kSupplier, kPath, kDatasheet}) {
            EXPECT_EQ(rows[i][c], values[i]) << "column " << c;  // empty text stays empty, not NULL
        }
    }
}

TEST_F(Statements, MissingValuesReadAsNull) {
    must("INSERT INTO [Store] ([Название]) VALUES ('Только имя')");
    const Rows rows = db_.query("SELECT * FROM [Store]");
    ASSERT_EQ(rows.size(), 1u);
    for (std::size_t c = 0; c < rows[0].size(); ++c) {
        if (c == kName || c == kId) continue;
        EXPECT_FALSE(rows[0][c].has_value()) << "column " << c;
    }
    EXPECT_TRUE(rows[0][kId].has_value());
}

TEST_F(Statements, EditorUpdateRewritesOneItem) {
    const long first = add_item(named("Первый"));
    const long second = add_item(named("Второй"));
    must(
        "UPDATE [Store] SET [Название]='O''Hara 5%',[Описание]='новое',[Расположение]='Ящик_2',[Количество]=7,"
        "[Цена расходная]=99999.99,[Цена приходная]=0,[Поставщик]='Элитан',[Путь]='Активные/ИС',"
        "[Тип корпуса]='SOIC-8',[Datasheet]='' WHERE [ID] = " +
        std::to_string(second));
    const Rows rows = db_.query("SELECT * FROM [Store] ORDER BY [ID]");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][kName], "Первый");
    EXPECT_EQ(rows[0][kId], std::to_string(first));
    const Row expected = {"O'Hara 5%", "новое",  "Ящик_2",      "7",      "99999.9900",
                          ".0000",     "Элитан", "Активные/ИС", "SOIC-8", std::to_string(second),
                          ""};
    EXPECT_EQ(rows[1], expected);
}

TEST_F(Statements, QuantityUpdateWithoutBlankAfterEquals) {
    const long id = add_item(named("Конденсатор"));
    must("UPDATE [Store] SET [Количество] = 42 WHERE [ID] =" + std::to_string(id));
    EXPECT_EQ(db_.query("SELECT * FROM [Store]")[0][kQuantity], "42");
    must("DELETE FROM [Store] WHERE [ID] =" + std::to_string(id));
    EXPECT_TRUE(db_.query("SELECT * FROM [Store]").empty());
}

TEST_F(Statements, IdsGrowAndAreNeverReused) {
    const long a = add_item(named("a"));
    const long b = add_item(named("b"));
    EXPECT_GT(b, a);
    must("DELETE FROM [Store] WHERE [ID] =" + std::to_string(b));
    const long c = add_item(named("c"));
    EXPECT_GT(c, b);
    must("DELETE FROM [Store] WHERE [ID] = " + std::to_string(c));
    must("DELETE FROM [Store] WHERE [ID] = " + std::to_string(a));
    EXPECT_GT(add_item(named("d")), c);
}

TEST_F(Statements, CutAndPasteKeepsIdAndValues) {
    add_item(named("Сосед", "Старое"));
    Item item = named("Дроссель 10мкГн", "Старое", "Полка 3");
    item.sale_price = "99999.99";
    const long id = add_item(item);
    add_item(named("Последний", "Старое"));
    const long highest = highest_id();
    const std::string sid = std::to_string(id);

    // Cut: copy to Temp, delete from Store.
    must("INSERT INTO [Temp] SELECT * FROM [Store] WHERE [ID] = " + sid);
    must("DELETE FROM [Store] WHERE [ID] = " + sid);
    const Rows held = db_.query("SELECT * FROM [Temp]");
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0][kId], sid);
    EXPECT_EQ(held[0][kName], "Дроссель 10мкГн");

    // Paste into another folder and place.
    must("UPDATE [Temp] SET [Путь] = 'Новое/Д''Арк'");
    must("UPDATE [Temp] SET [Расположение] = 'Коробка 7'");
    must("INSERT INTO [Store] Select * FROM [Temp]");
    must("DELETE * FROM [Temp]");
    EXPECT_TRUE(db_.query("SELECT * FROM [Temp]").empty());

    const Rows rows = db_.query("SELECT * FROM [Store] WHERE [Путь] LIKE '%Д''Арк%' ORDER BY [Название]");
    ASSERT_EQ(rows.size(), 1u);
    Row expected = {"Дроссель 10мкГн", "0,25 Вт", "Коробка 7", "5", "99999.9900", ".5000", "ЧипДип",
                    "Новое/Д'Арк",     "0805",    sid,         ""};
    EXPECT_EQ(rows[0], expected);
    EXPECT_EQ(db_.query("SELECT * FROM [Store]").size(), 3u);
    EXPECT_GT(add_item(named("После вставки")), highest);
}

TEST_F(Statements, ItemAddedWhileNewestIsCutDoesNotTakeItsId) {
    const long id = add_item(named("Самый новый"));
    must("INSERT INTO [Temp] SELECT * FROM [Store] WHERE [ID] = " + std::to_string(id));
    must("DELETE FROM [Store] WHERE [ID] = " + std::to_string(id));
    // The pasted item must not collide with one added in between.
    const long added = add_item(named("Добавлен позже"));
    EXPECT_GT(added, id);
    must("INSERT INTO [Store] Select * FROM [Temp]");
    EXPECT_EQ(db_.query("SELECT [Название], [ID] FROM [Store] ORDER BY [ID] DESC"),
              (Rows{{"Добавлен позже", std::to_string(added)}, {"Самый новый", std::to_string(id)}}));
}

// SELECT @@IDENTITY answers each connection with the auto-number of its own
// last insert, whatever another program inserted in between; inserts that
// give no auto-number (Package) or fail leave it as it was.
TEST_F(Statements, IdentityIsTheConnectionsOwnLastAutoNumber) {
    Connection other;
    ASSERT_TRUE(SQL_SUCCEEDED(other.open_file(db_path_))) << describe(other.diags());
    auto identity = [](Connection& c, const char* sql = "SELECT @@IDENTITY") {
        const Rows rows = c.query(sql);
        return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0].value_or("<null>") : "<no row>";
    };
    auto name_of = [&](const std::string& id) {
        return db_.query("SELECT [Название] FROM [Store] WHERE [ID] = " + id);
    };
    EXPECT_EQ(identity(db_), "0");
    EXPECT_EQ(identity(other), "0");
    for (int round = 0; round < 3; ++round) {
        must(insert_statement(named("моя " + std::to_string(round))));
        ASSERT_EQ(other.run(insert_statement(named("чужая " + std::to_string(round)))), SQL_SUCCESS);
        const std::string mine = identity(db_), theirs = identity(other);
        EXPECT_EQ(name_of(mine), (Rows{{"моя " + std::to_string(round)}}));
        EXPECT_EQ(name_of(theirs), (Rows{{"чужая " + std::to_string(round)}}));
    }
    const std::string last = identity(db_);
    must("INSERT INTO [Package] Values('SOT-23')");
    EXPECT_EQ(db_.run("INSERT INTO [Package] Values('SOT-23')"), SQL_ERROR);
    EXPECT_EQ(db_.run("INSERT INTO [Store] ([ID], [Название]) VALUES (" + last + ", 'занят')"), SQL_ERROR);
    EXPECT_EQ(identity(db_, "  select @@identity ;"), last);

    // Cut and paste: the row copied into Temp and back keeps its number.
    must("INSERT INTO [Temp] SELECT * FROM [Store] WHERE [ID] = 1");
    EXPECT_EQ(identity(db_), "1");
    must("DELETE FROM [Store] WHERE [ID] = 1");
    must("INSERT INTO [Store] Select * FROM [Temp]");
    EXPECT_EQ(identity(db_), "1");

    // One integer column.
    Statement s(db_);
    ASSERT_EQ(s.exec("SELECT @@IDENTITY"), SQL_SUCCESS);
    SQLSMALLINT type = 0;
    EXPECT_EQ(SQLDescribeCol(s.handle(), 1, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr), SQL_SUCCESS);
    EXPECT_EQ(type, SQL_INTEGER);
    ASSERT_EQ(s.fetch(), SQL_SUCCESS);
    SQLINTEGER value = -1;
    EXPECT_EQ(SQLGetData(s.handle(), 1, SQL_C_LONG, &value, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(s.fetch(), SQL_NO_DATA);
}

// Statements nested far beyond anything a person writes get an answer, a
// result or a refusal, and never run the client's stack out.
TEST_F(Statements, DeeplyNestedExpressionsAreAnsweredNotFatal) {
    auto times = [](const std::string& piece, int n) {
        std::string out;
        for (int k = 0; k < n; ++k) out += piece;
        return out;
    };
    struct Case {
        std::string sql;
        bool runs;
    };
    const Case cases[] = {
        {"SELECT 1 -- " + times("(", 100000), true},  // SQLite reads a comment
        {"SELECT " + times("(", 100000) + "1" + times(")", 100000), false},
        {"SELECT " + times("- ", 100000) + "1", false},
        {"SELECT " + times("NOT ", 100000) + "1", false},
        {"SELECT " + times("ABS(", 100000) + "1" + times(")", 100000), false},
    };
    for (const Case& c : cases) {
        Statement s(db_);
        EXPECT_EQ(SQL_SUCCEEDED(s.exec(c.sql)), c.runs) << c.sql.substr(0, 40);
        if (!c.runs) continue;
        SQLSMALLINT type = 0;
        EXPECT_EQ(SQLDescribeCol(s.handle(), 1, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr), SQL_SUCCESS);
        ASSERT_EQ(s.fetch(), SQL_SUCCESS);
    }
}

TEST_F(Statements, WritesThatMatchNothingReturnNoData) {
    const long id = add_item(named("Есть"));
    const std::string missing = std::to_string(id + 100);
    for (const std::string& sql : std::vector<std::string>{
             "UPDATE [Store] SET [Путь] = 'x' WHERE [ID] = " + missing,
             "UPDATE [Store] SET [Расположение] = 'x' WHERE [ID] = " + missing,
             "UPDATE [Store] SET [Количество] = 1 WHERE [ID] =" + missing, "DELETE FROM [Store] WHERE [ID] =" + missing,
             "DELETE * FROM [Store] WHERE [Путь] LIKE '%нет такого%'",
             "DELETE * FROM [Store] WHERE [Расположение] LIKE '%нет такого%'", "UPDATE [Temp] SET [Путь] = 'x'",
             "DELETE * FROM [Temp]", "DELETE FROM [Package] WHERE [Тип корпуса] = 'нет'"}) {
        EXPECT_EQ(db_.run(sql), SQL_NO_DATA) << sql;
    }
    Statement s(db_);
    ASSERT_EQ(s.exec("UPDATE [Store] SET [Путь] = 'y' WHERE [ID] = " + std::to_string(id)), SQL_SUCCESS);
    SQLLEN count = 0;
    EXPECT_EQ(SQLRowCount(s.handle(), &count), SQL_SUCCESS);
    EXPECT_EQ(count, 1);
}

TEST_F(Statements, SearchesIgnoreLetterCase) {
    add_item(named("Резистор 10кОм", "Пассивные/Резисторы", "Шкаф A"));
    add_item(named("LED red", "Optoelectronics", "Box b"));
    add_item(named("Ёмкость", "Пассивные/Ёмкости", "Шкаф а"));
    EXPECT_EQ(names("SELECT * FROM [Store] WHERE [Название] LIKE '%резистор%' ORDER BY [Название]"),
              std::vector<std::string>{"Резистор 10кОм"});
    EXPECT_EQ(names("SELECT * FROM [Store] WHERE [Название] LIKE '%led%' ORDER BY [Название]"),
              std::vector<std::string>{"LED red"});
    EXPECT_EQ(names("SELECT * FROM [Store] WHERE [Путь] LIKE '%ЁМКОСТИ%' ORDER BY [Название]"),
              std::vector<std::string>{"Ёмкость"});
    EXPECT_EQ(names("SELECT * FROM [Store] WHERE [Расположение] LIKE '%box B%' ORDER BY [Название]"),
              std::vector<std::string>{"LED red"});
    EXPECT_EQ(names("SELECT * FROM [Store] WHERE [Путь] LIKE '%пассивные%' ORDER BY [Название]"),
              (std::vector<std::string>{"Ёмкость", "Резистор 10кОм"}));
}

TEST_F(Statements, SearchPatternsUseAccessWildcards) {
    for (const char* name : {"a_b", "axb", "50%", "50 шт", "[1]", "c1", "cz", "CX"}) add_item(named(name));
    auto found = [&](const std::string& value) {
        return names("SELECT * FROM [Store] WHERE [Название] LIKE '%" + value + "%' ORDER BY [Название]");
    };
    EXPECT_EQ(found("a_b"), (std::vector<std::string>{"a_b", "axb"}));
    EXPECT_EQ(found("a[_]b"), std::vector<std::string>{"a_b"});
    EXPECT_EQ(found("50[%]"), std::vector<std::string>{"50%"});
    EXPECT_EQ(found("50%"), (std::vector<std::string>{"50 шт", "50%"}));
    EXPECT_EQ(found("[[]1"), std::vector<std::string>{"[1]"});
    EXPECT_EQ(found("c[!1]"), (std::vector<std::string>{"CX", "cz"}));
    EXPECT_EQ(found("c[a-y]"), std::vector<std::string>{"CX"});
    EXPECT_EQ(names("SELECT * FROM [Store] WHERE [Название] LIKE 'c_' ORDER BY [Название]"),
              (std::vector<std::string>{"c1", "CX", "cz"}));
}

TEST_F(Statements, DeleteByPathKeepsWildcardMeaning) {
    add_item(named("один", "Платы/A_1"));
    add_item(named("два", "Платы/AB1"));
    add_item(named("три", "Платы/A1"));
    add_item(named("четыре", "Прочее", "Ящик_1"));
    add_item(named("пять", "Прочее", "Ящик 2"));
    // The program deletes a folder with the folder's path as pattern: "_" in
    // it matches any one character, so a sibling named alike goes too.
    must("DELETE * FROM [Store] WHERE [Путь] LIKE '%Платы/A_1%'");
    EXPECT_EQ(names("SELECT * FROM [Store] ORDER BY [Название]"), (std::vector<std::string>{"пять", "три", "четыре"}));
    must("DELETE * FROM [Store] WHERE [Расположение] LIKE '%ящик[_]%'");
    EXPECT_EQ(names("SELECT * FROM [Store] ORDER BY [Название]"), (std::vector<std::string>{"пять", "три"}));
}

TEST_F(Statements, OldStoreGainsItsIndexesAndForeignColumnsKeepTheirLike) {
    // A store made before the section index: its first connection adds it.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(db_path_.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "DROP INDEX \"Store_Путь\"", nullptr, nullptr, nullptr), SQLITE_OK);
    Connection again;
    ASSERT_TRUE(SQL_SUCCEEDED(again.open_file(db_path_))) << describe(again.diags());
    sqlite3_stmt* look = nullptr;
    ASSERT_EQ(
        sqlite3_prepare_v2(raw, "SELECT count(*) FROM sqlite_master WHERE name = 'Store_Путь'", -1, &look, nullptr),
        SQLITE_OK);
    ASSERT_EQ(sqlite3_step(look), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(look, 0), 1);
    sqlite3_finalize(look);
    sqlite3_close(raw);
    // A client's own table compares its text as declared: its LIKE still
    // ignores case, with no range of another collation in the way.
    must("CREATE TABLE own (c TEXT, n INTEGER)");
    must("INSERT INTO own VALUES ('ABC', 123)");
    EXPECT_EQ(again.query("SELECT c FROM own WHERE c LIKE 'ab%'"), (Rows{{"ABC"}}));
    EXPECT_EQ(again.query("SELECT c FROM own WHERE n LIKE '12%'"), (Rows{{"ABC"}}));
}

TEST_F(Statements, FolderRenameByIdUpdatesPathAndLocation) {
    const long id = add_item(named("Транзистор", "Старая", "Место"));
    const long other = add_item(named("Диод", "Старая", "Место"));
    must("UPDATE [Store] SET [Путь] = 'Новая/O''Brien' WHERE [ID] = " + std::to_string(id));
    must("UPDATE [Store] SET [Расположение] = 'Шкаф_5 100%' WHERE [ID] = " + std::to_string(id));
    const Rows rows = db_.query("SELECT * FROM [Store] ORDER BY [Название]");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][kPath], "Новая/O'Brien");
    EXPECT_EQ(rows[1][kLocation], "Шкаф_5 100%");
    EXPECT_EQ(rows[0][kPath], "Старая");
    EXPECT_EQ(rows[0][kId], std::to_string(other));
}

TEST_F(Statements, TextOrderIgnoresCaseAndPlacesYo) {
    for (const char* name : {"жук", "Банан", "ёж", "арбуз", "ежевика", "Ель", "banana", "Apple", "cherry", "Ёрш"}) {
        add_item(named(name));
    }
    EXPECT_EQ(names("SELECT * FROM [Store] ORDER BY [Название]"),
              (std::vector<std::string>{"Apple", "banana", "cherry", "арбуз", "Банан", "ежевика", "Ель", "ёж", "Ёрш",
                                        "жук"}));
}

TEST_F(Statements, DistinctListsForTrees) {
    add_item(named("1", "Б/в", "Шкаф 2"));
    add_item(named("2", "А", "Шкаф 1"));
    add_item(named("3", "Б/в", "Шкаф 1"));
    add_item(named("4", "б/В", "ШКАФ 1"));  // the same folder and place for Access
    must("INSERT INTO [Store] ([Название]) VALUES ('без пути')");
    auto values = [&](const std::string& sql) {
        std::vector<std::string> out;
        for (const Row& row : db_.query(sql)) out.push_back(row.at(0).value_or("<null>"));
        std::sort(out.begin(), out.end());
        return out;
    };
    const std::vector<std::string> paths = values("SELECT DISTINCT [Путь] FROM [Store]");
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(paths[0], "<null>");
    EXPECT_EQ(paths[1], "А");
    EXPECT_TRUE(paths[2] == "Б/в" || paths[2] == "б/В") << paths[2];
    const std::vector<std::string> places = values("SELECT DISTINCT [Расположение] FROM [Store]");
    ASSERT_EQ(places.size(), 3u);
    EXPECT_EQ(places[0], "<null>");
    EXPECT_TRUE(places[1] == "Шкаф 1" || places[1] == "ШКАФ 1") << places[1];
    EXPECT_EQ(places[2], "Шкаф 2");
    EXPECT_EQ(values("SELECT DISTINCT [Поставщик] FROM [Store]"), (std::vector<std::string>{"<null>", "ЧипДип"}));
}

TEST_F(Statements, PackagesAreUniqueWhateverTheLetterCase) {
    must("INSERT INTO [Package] Values('SOT-23')");
    must("INSERT INTO [Package] Values('Корпус ТО')");
    must("INSERT INTO [Package] Values('0805')");
    for (const char* again : {"SOT-23", "sot-23", "КОРПУС то"}) {
        std::vector<Diag> diags;
        EXPECT_EQ(db_.run(std::string("INSERT INTO [Package] Values('") + again + "')", &diags), SQL_ERROR) << again;
        ASSERT_FALSE(diags.empty());
        EXPECT_EQ(diags[0].state, "23000") << describe(diags);
    }
    EXPECT_EQ(db_.query("SELECT * FROM [Package] ORDER BY [Тип корпуса]"), (Rows{{"0805"}, {"SOT-23"}, {"Корпус ТО"}}));
    must("DELETE FROM [Package] WHERE [Тип корпуса] = 'SOT-23'");
    must("DELETE FROM [Package] WHERE [Тип корпуса] = 'корпус то'");
    EXPECT_EQ(db_.query("SELECT * FROM [Package] ORDER BY [Тип корпуса]"), (Rows{{"0805"}}));
}

}  // namespace
}  // namespace dtest
