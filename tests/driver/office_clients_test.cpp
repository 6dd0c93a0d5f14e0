// What office suites and scripts ask of the driver beyond the program's own
// statements: catalog functions, the information and type lists, Access
// expressions and ODBC escapes, arrays of parameter values, dates, and the
// wait for a busy store.

#include <sqlite3.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <string>
#include <thread>

#include "odbc_support.h"

namespace dtest {
namespace {

using Catalog = StoreFixture;
using Expressions = StoreFixture;
using Arrays = StoreFixture;

Rows catalog_rows(Connection& db, const std::function<SQLRETURN(SQLHSTMT)>& call) {
    Statement s(db);
    EXPECT_EQ(call(s.handle()), SQL_SUCCESS) << describe(s.diags());
    return fetch_rows(s.handle());
}

SQLCHAR* text(const char* s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s)); }

TEST_F(Catalog, KeysIndexesRowIdAndPrivilegesOfEachTable) {
    struct Case {
        const char* table;
        std::string key;
        std::string unique_index;
    };
    for (const Case& c : {Case{"Store", "ID", "PrimaryKey"}, Case{"Temp", "ID", "PrimaryKey"},
                          Case{"package", "Тип корпуса", "PrimaryKey"}}) {
        SCOPED_TRACE(c.table);
        const Rows keys = catalog_rows(
            db_, [&](SQLHSTMT h) { return SQLPrimaryKeys(h, nullptr, 0, nullptr, 0, text(c.table), SQL_NTS); });
        ASSERT_EQ(keys.size(), 1u);
        EXPECT_EQ(keys[0][3], c.key);
        EXPECT_EQ(keys[0][4], "1");
        const Rows rowid = catalog_rows(db_, [&](SQLHSTMT h) {
            return SQLSpecialColumns(h, SQL_BEST_ROWID, nullptr, 0, nullptr, 0, text(c.table), SQL_NTS,
                                     SQL_SCOPE_SESSION, SQL_NULLABLE);
        });
        ASSERT_EQ(rowid.size(), 1u);
        EXPECT_EQ(rowid[0][1], c.key);
        const Rows stats = catalog_rows(db_, [&](SQLHSTMT h) {
            return SQLStatistics(h, nullptr, 0, nullptr, 0, text(c.table), SQL_NTS, SQL_INDEX_ALL, SQL_ENSURE);
        });
        ASSERT_GE(stats.size(), 2u);
        EXPECT_EQ(stats[0][6], std::to_string(SQL_TABLE_STAT));
        EXPECT_EQ(stats[1][5], c.unique_index);
        EXPECT_EQ(stats[1][3], "0");  // unique
        EXPECT_EQ(stats[1][8], c.key);
        const Rows privileges = catalog_rows(
            db_, [&](SQLHSTMT h) { return SQLTablePrivileges(h, nullptr, 0, nullptr, 0, text(c.table), SQL_NTS); });
        std::vector<std::string> granted;
        for (const Row& r : privileges) {
            EXPECT_EQ(r[4], "admin");
            granted.push_back(*r[5]);
        }
        // The grantee is the user SQLGetInfo names, as office suites match them.
        if (std::string(c.table) == "package") continue;  // patterns are exact names here
        EXPECT_EQ(granted, (std::vector<std::string>{"DELETE", "INSERT", "REFERENCES", "SELECT", "UPDATE"}));
    }
    // The indexes the program searches by are listed too.
    const Rows stats = catalog_rows(db_, [&](SQLHSTMT h) {
        return SQLStatistics(h, nullptr, 0, nullptr, 0, text("Store"), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK);
    });
    std::vector<std::string> names;
    for (const Row& r : stats) names.push_back(r[5].value_or(""));
    EXPECT_NE(std::find(names.begin(), names.end(), "Store_Путь"), names.end());
    char user[32] = {};
    ASSERT_EQ(SQLGetInfo(db_.handle(), SQL_USER_NAME, user, sizeof user, nullptr), SQL_SUCCESS);
    EXPECT_STREQ(user, "admin");
}

TEST_F(Catalog, EmptyListsAndSpecialTableListings) {
    EXPECT_TRUE(
        catalog_rows(db_, [](SQLHSTMT h) { return SQLProcedures(h, nullptr, 0, nullptr, 0, nullptr, 0); }).empty());
    EXPECT_TRUE(catalog_rows(db_, [](SQLHSTMT h) {
                    return SQLForeignKeys(h, nullptr, 0, nullptr, 0, text("Store"), SQL_NTS, nullptr, 0, nullptr, 0,
                                          nullptr, 0);
                }).empty());
    const Rows types = catalog_rows(db_, [](SQLHSTMT h) {
        return SQLTables(h, text(""), 0, text(""), 0, text(""), 0, text(SQL_ALL_TABLE_TYPES), SQL_NTS);
    });
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(types[0][3], "TABLE");
    EXPECT_EQ(types[1][3], "VIEW");
    EXPECT_TRUE(catalog_rows(db_, [](SQLHSTMT h) {
                    return SQLTables(h, text(SQL_ALL_CATALOGS), SQL_NTS, text(""), 0, text(""), 0, nullptr, 0);
                }).empty());
    const Rows tables = catalog_rows(db_, [](SQLHSTMT h) {
        return SQLTables(h, nullptr, 0, nullptr, 0, text("%"), SQL_NTS, text("TABLE"), SQL_NTS);
    });
    // Store, Package, Temp, the history's two tables and the projects' two.
    EXPECT_EQ(tables.size(), 7u);
}

// Text columns promise no length they do not keep; every type listed.
TEST_F(Catalog, HonestTypesAndInformation) {
    const Rows columns = catalog_rows(db_, [](SQLHSTMT h) {
        return SQLColumns(h, nullptr, 0, nullptr, 0, text("Store"), SQL_NTS, text("Описание"), SQL_NTS);
    });
    ASSERT_EQ(columns.size(), 1u);
    EXPECT_EQ(columns[0][4], std::to_string(SQL_LONGVARCHAR));
    EXPECT_EQ(columns[0][6], "1073741823");
    const Rows types = catalog_rows(db_, [](SQLHSTMT h) { return SQLGetTypeInfo(h, SQL_ALL_TYPES); });
    std::vector<int> listed;
    for (const Row& r : types) listed.push_back(std::stoi(*r[1]));
    EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()));
    for (int t : {SQL_WLONGVARCHAR, SQL_WVARCHAR, SQL_WCHAR, SQL_LONGVARCHAR, SQL_VARCHAR, SQL_DECIMAL, SQL_INTEGER,
                  SQL_DOUBLE, SQL_TYPE_TIMESTAMP}) {
        EXPECT_NE(std::find(listed.begin(), listed.end(), t), listed.end()) << t;
    }
    // Every information type of ODBC 3.8 has an answer.
    const SQLUSMALLINT ids[] = {
        0,   1,   2,   6,   7,   8,   9,     10,    11,    12,    13,    14,    15,    16,    17,    18,    19,   20,
        21,  22,  23,  24,  25,  26,  27,    28,    29,    30,    31,    32,    33,    34,    35,    36,    37,   38,
        39,  40,  41,  42,  43,  44,  45,    46,    47,    48,    49,    50,    51,    52,    53,    54,    55,   56,
        57,  58,  59,  60,  61,  62,  63,    64,    65,    66,    67,    68,    69,    70,    71,    72,    73,   74,
        75,  76,  77,  78,  79,  80,  81,    82,    83,    85,    86,    87,    88,    89,    90,    91,    92,   93,
        94,  95,  96,  97,  98,  99,  100,   101,   102,   103,   104,   105,   106,   107,   108,   109,   110,  111,
        112, 113, 114, 115, 116, 117, 118,   119,   120,   121,   122,   123,   124,   125,   126,   127,   128,  129,
        130, 131, 132, 133, 134, 136, 137,   138,   139,   140,   141,   142,   143,   144,   145,   146,   147,  148,
        149, 150, 151, 152, 153, 154, 155,   156,   157,   158,   159,   160,   161,   162,   163,   164,   165,  166,
        167, 168, 169, 170, 172, 173, 10000, 10001, 10002, 10003, 10004, 10005, 10021, 10022, 10023, 10024, 10025};
    for (SQLUSMALLINT id : ids) {
        char buffer[512] = {};
        SQLSMALLINT length = 0;
        EXPECT_TRUE(SQL_SUCCEEDED(SQLGetInfo(db_.handle(), id, buffer, sizeof buffer, &length)))
            << "information type " << id << ": " << describe(db_.diags());
    }
    SQLUINTEGER strings = 0;
    ASSERT_EQ(SQLGetInfo(db_.handle(), SQL_STRING_FUNCTIONS, &strings, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(strings & (SQL_FN_STR_UCASE | SQL_FN_STR_CONCAT | SQL_FN_STR_LOCATE | SQL_FN_STR_REPLACE),
              static_cast<SQLUINTEGER>(SQL_FN_STR_UCASE | SQL_FN_STR_CONCAT | SQL_FN_STR_LOCATE | SQL_FN_STR_REPLACE));
}

TEST_F(Expressions, AccessOperatorsFunctionsAndEscapesGiveAccessAnswers) {
    Item item;
    item.name = "Резистор";
    item.package = "0805";
    item.sale_price = "12345.6789";
    item.quantity = "7";
    add_item(item);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[Название] & ' / ' & [Тип корпуса]", "Резистор / 0805"},
        {"'a' + 'b'", "ab"},
        {"'a' & NULL", "a"},
        {"Nz('a' + NULL, 'пусто')", "пусто"},
        {"1 + 2 & 3", "33"},
        {"'2' + 3", "5"},
        {"7 / 2", "3.5"},
        {"7 \\ 2", "3"},
        {"-7 Mod 3", "-1"},
        {"2 ^ 3 ^ 2", "64"},
        {"Format([Цена расходная], '0.00')", "12345.68"},
        {"Format([Цена расходная], '#,##0.00')", "12,345.68"},
        {"Format(0.125, 'Percent')", "12.50%"},
        {"Format(#2024-01-31#, 'Short Date')", "31.01.2024"},
        {"Format(#1/31/2024#, 'yyyy-mm-dd')", "2024-01-31"},
        {"UPPER('ёжик')", "ЁЖИК"},
        {"LCase('ΣΟΦΊΑ Ёж')", "σοφία ёж"},
        {"Len([Название])", "8"},
        {"Left([Название], 3) & Right('абвгд', 2) & Mid('абвгд', 2, 2)", "Резгдбв"},
        {"CLng(2.5) & CInt(3.5) & Int(-2.5) & Fix(-2.5)", "24-3.0-2.0"},
        {"Val('12abc')", "12"},
        {"Year(#2024-01-31#) & Month(#2024-01-31#) & Day(#2024-01-31#)", "2024131"},
        {"DateAdd('m', 1, #2024-01-31#)", "2024-02-29"},
        {"IsNull(NULL) & IsNull(1)", "-10"},
        {"StrComp('abc', 'ABC') & StrComp('a', 'b')", "0-1"},
        {"Space(3) & '|'", "   |"},
        {"InStr('Конденсатор', 'сат')", "7"},
        {"{fn UCASE('щит')}", "ЩИТ"},
        {"{fn CONCAT('a', 'b')}", "ab"},
        {"{fn LOCATE('c', 'abcabc', 4)}", "6"},
        {"{d '2024-01-31'}", "2024-01-31"},
        {"{ts '2024-01-31 12:30:00'}", "2024-01-31 12:30:00"},
        {"IIf([Количество] > 5, 'много', 'мало')", "много"},
    };
    for (const auto& [expression, expected] : cases) {
        const Rows rows = db_.query("SELECT " + expression + " FROM [Store]");
        ASSERT_EQ(rows.size(), 1u) << expression;
        EXPECT_EQ(rows[0][0], expected) << expression;
    }
    EXPECT_EQ(names("SELECT [Название] FROM [Store] WHERE [Название] LIKE 'р\\_%' {escape '\\'}"),
              std::vector<std::string>{});
    EXPECT_EQ(names("SELECT DISTINCTROW [Название] FROM [Store] WHERE [Количество] Mod 2 = 1"),
              std::vector<std::string>{"Резистор"});
    // What is not supported is named, never answered wrongly.
    for (const char* sql :
         {"SELECT 1 XOR 1 FROM [Store]", "SELECT 1 / 0 FROM [Store]", "SELECT Format(1, 'Scientific') FROM [Store]",
          "SELECT {fn SOUNDEX('a')} FROM [Store]", "SELECT 'a' + 1 FROM [Store]", "SELECT #2024-02-30# FROM [Store]"}) {
        Statement s(db_);
        SQLRETURN rc = s.exec(sql);
        if (SQL_SUCCEEDED(rc)) rc = s.fetch();
        EXPECT_EQ(rc, SQL_ERROR) << sql;
        EXPECT_FALSE(s.diags().empty()) << sql;
    }
}

TEST_F(Expressions, TopIncludesTiesAndPercent) {
    for (int q : {1, 2, 2, 3, 4, 5, 6, 7, 8, 9}) {
        Item item;
        item.name = "Деталь " + std::to_string(q);
        item.quantity = std::to_string(q);
        add_item(item);
    }
    EXPECT_EQ(db_.query("SELECT TOP 2 [Количество] FROM [Store] ORDER BY [Количество]").size(), 3u);
    EXPECT_EQ(db_.query("SELECT TOP 25 PERCENT [Количество] FROM [Store] ORDER BY [Количество] DESC").size(), 3u);
    EXPECT_EQ(db_.query("SELECT TOP 4 * FROM [Store]").size(), 4u);
    // A marker in the conditions counts once, though TOP repeats them.
    Statement s(db_);
    ASSERT_EQ(SQLPrepare(s.handle(),
                         text("SELECT TOP 1 [Количество] FROM [Store] WHERE [Количество] > ? ORDER BY "
                              "[Количество]"),
                         SQL_NTS),
              SQL_SUCCESS)
        << describe(s.diags());
    SQLINTEGER above = 2;
    ASSERT_EQ(SQLBindParameter(s.handle(), 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &above, 0, nullptr),
              SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s.handle()), SQL_SUCCESS) << describe(s.diags());
    EXPECT_EQ(fetch_rows(s.handle()), (Rows{{"3"}}));
}

// pyodbc's fast_executemany and DBI's execute_array: many sets at once,
// bound by column and by row, with dates, a status for each set, and one
// bad set that leaves the others in.
TEST_F(Arrays, ParameterArraysWithStatusesAndDates) {
    must("CREATE TABLE [Поставки] ([Номер] INTEGER PRIMARY KEY, [Когда] DATETIME, [Сумма] CURRENCY)");
    Statement s(db_);
    ASSERT_EQ(
        SQLPrepare(s.handle(), text("INSERT INTO [Поставки] ([Номер], [Когда], [Сумма]) VALUES (?, ?, ?)"), SQL_NTS),
        SQL_SUCCESS);
    SQLINTEGER numbers[4] = {1, 2, 2, 3};  // the third repeats a key
    SQL_TIMESTAMP_STRUCT when[4] = {{2024, 1, 31, 12, 30, 0, 0},
                                    {2024, 2, 29, 0, 0, 0, 0},
                                    {2024, 3, 1, 0, 0, 0, 0},
                                    {2023, 12, 31, 23, 59, 59, 0}};
    char sums[4][24] = {"1.5", "922337203685.4775", "3", "0.0001"};
    SQLLEN sum_len[4] = {SQL_NTS, SQL_NTS, SQL_NTS, SQL_NTS};
    SQLUSMALLINT status[4] = {};
    SQLULEN processed = 0;
    SQLSetStmtAttr(s.handle(), SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(4), 0);
    SQLSetStmtAttr(s.handle(), SQL_ATTR_PARAM_STATUS_PTR, status, 0);
    SQLSetStmtAttr(s.handle(), SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0);
    SQLBindParameter(s.handle(), 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, numbers, 0, nullptr);
    SQLBindParameter(s.handle(), 2, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 19, 0, when, 0, nullptr);
    SQLBindParameter(s.handle(), 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_DECIMAL, 19, 4, sums, sizeof sums[0], sum_len);
    EXPECT_EQ(SQLExecute(s.handle()), SQL_SUCCESS_WITH_INFO) << describe(s.diags());
    EXPECT_EQ(processed, 4u);
    EXPECT_EQ(status[0], SQL_PARAM_SUCCESS);
    EXPECT_EQ(status[2], SQL_PARAM_ERROR);
    EXPECT_EQ(status[3], SQL_PARAM_SUCCESS);
    SQLLEN count = 0;
    EXPECT_EQ(SQLRowCount(s.handle(), &count), SQL_SUCCESS);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(db_.query("SELECT [Номер], [Когда], [Сумма] FROM [Поставки] ORDER BY [Номер]"),
              (Rows{{"1", "2024-01-31 12:30:00", "1.5000"},
                    {"2", "2024-02-29 00:00:00", "922337203685.4775"},
                    {"3", "2023-12-31 23:59:59", ".0001"}}));
    // Dates come back as dates.
    Statement r(db_);
    ASSERT_EQ(r.exec("SELECT [Когда] FROM [Поставки] WHERE [Номер] = 1"), SQL_SUCCESS);
    ASSERT_EQ(r.fetch(), SQL_SUCCESS);
    SQL_TIMESTAMP_STRUCT got{};
    ASSERT_EQ(SQLGetData(r.handle(), 1, SQL_C_TYPE_TIMESTAMP, &got, sizeof got, nullptr), SQL_SUCCESS);
    EXPECT_EQ(got.year, 2024);
    EXPECT_EQ(got.minute, 30);

    // An amount with more digits than a double keeps is refused, not rounded.
    Statement exact(db_);
    ASSERT_EQ(SQLPrepare(exact.handle(), text("UPDATE [Поставки] SET [Сумма] = ? WHERE [Номер] = 1"), SQL_NTS),
              SQL_SUCCESS);
    char big[] = "922337203685476.5807";
    SQLBindParameter(exact.handle(), 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_DECIMAL, 19, 4, big, 0, nullptr);
    EXPECT_EQ(SQLExecute(exact.handle()), SQL_ERROR);
    EXPECT_EQ(exact.diags().at(0).state, "22003");
}

// Arrays of packed structures, as pyodbc's fast_executemany lays out its
// parameters: texts and indicators at odd addresses, in and out. (Caught by
// the sanitizers' run where the driver read them as aligned.)
TEST_F(Arrays, PackedStructuresInAndOut) {
#pragma pack(push, 1)
    struct In {
        char pad;
        SQLWCHAR name[12];
        SQLLEN name_length;
        char more;
        SQLINTEGER quantity;
        SQLLEN quantity_length;
    };
    struct Out {
        char pad;
        SQLWCHAR name[12];
        SQLLEN name_length;
        SQLINTEGER quantity;
        SQLLEN quantity_length;
    };
#pragma pack(pop)
    static_assert(offsetof(In, name) % 2 == 1 && offsetof(In, name_length) % 8 != 0);
    In rows[3] = {};
    const std::u16string names[3] = {u"Ёж", u"Diode", u"Кварц 8 МГц"};
    for (int k = 0; k < 3; ++k) {
        std::memcpy(rows[k].name, names[k].c_str(), (names[k].size() + 1) * sizeof(char16_t));
        rows[k].name_length = k == 1 ? SQL_NTS : static_cast<SQLLEN>(names[k].size() * sizeof(char16_t));
        rows[k].quantity = 10 * (k + 1);
        rows[k].quantity_length = k == 2 ? SQL_NULL_DATA : 0;
    }
    Statement s(db_);
    ASSERT_EQ(SQLPrepare(s.handle(), text("INSERT INTO [Store] ([Название], [Количество]) VALUES (?, ?)"), SQL_NTS),
              SQL_SUCCESS);
    SQLSetStmtAttr(s.handle(), SQL_ATTR_PARAM_BIND_TYPE, reinterpret_cast<SQLPOINTER>(sizeof(In)), 0);
    SQLSetStmtAttr(s.handle(), SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(3), 0);
    SQLBindParameter(s.handle(), 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 11, 0, rows[0].name,
                     sizeof rows[0].name, &rows[0].name_length);
    SQLBindParameter(s.handle(), 2, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &rows[0].quantity, 0,
                     &rows[0].quantity_length);
    ASSERT_EQ(SQLExecute(s.handle()), SQL_SUCCESS) << describe(s.diags());

    Statement r(db_);
    Out got[4] = {};
    SQLULEN fetched = 0;
    SQLSetStmtAttr(r.handle(), SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(sizeof(Out)), 0);
    SQLSetStmtAttr(r.handle(), SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(4), 0);
    SQLSetStmtAttr(r.handle(), SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    SQLBindCol(r.handle(), 1, SQL_C_WCHAR, got[0].name, sizeof got[0].name, &got[0].name_length);
    SQLBindCol(r.handle(), 2, SQL_C_SLONG, &got[0].quantity, 0, &got[0].quantity_length);
    ASSERT_EQ(r.exec("SELECT [Название], [Количество] FROM [Store] ORDER BY [ID]"), SQL_SUCCESS);
    ASSERT_EQ(r.fetch(), SQL_SUCCESS) << describe(r.diags());
    ASSERT_EQ(fetched, 3u);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const SQLLEN name_length = got[k].name_length;
        EXPECT_EQ(name_length, static_cast<SQLLEN>(names[k].size() * sizeof(char16_t)));
        SQLWCHAR name[12];
        std::memcpy(name, got[k].name, sizeof name);
        EXPECT_EQ(std::u16string(name, name + names[k].size()), names[k]);
        const SQLLEN quantity_length = got[k].quantity_length;
        const SQLINTEGER quantity = got[k].quantity;
        if (k == 2) {
            EXPECT_EQ(quantity_length, SQL_NULL_DATA);
        } else {
            EXPECT_EQ(quantity, 10 * (k + 1));
        }
    }
}

// A store another program is writing is waited for as long as the
// connection's timeout says, and the write goes through once it is free.
TEST_F(Arrays, BusyStoreIsWaitedFor) {
    SQLUINTEGER timeout = 99;
    ASSERT_EQ(SQLGetConnectAttr(db_.handle(), SQL_ATTR_CONNECTION_TIMEOUT, &timeout, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(timeout, 0u);  // Jet's wait of 30 s
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db_path_.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_EQ(SQLSetConnectAttr(db_.handle(), SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(1), 0),
              SQL_SUCCESS);
    const auto start = std::chrono::steady_clock::now();
    std::vector<Diag> diags;
    EXPECT_EQ(db_.run(insert_statement(Item{}), &diags), SQL_ERROR);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    ASSERT_FALSE(diags.empty());
    EXPECT_EQ(diags[0].state, "HYT00");
    // Released while the driver waits: the insert succeeds.
    ASSERT_EQ(SQLSetConnectAttr(db_.handle(), SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(30), 0),
              SQL_SUCCESS);
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    EXPECT_EQ(db_.run(insert_statement(Item{}), &diags), SQL_SUCCESS) << describe(diags);
    release.join();
    sqlite3_close(other);
}

}  // namespace
}  // namespace dtest
