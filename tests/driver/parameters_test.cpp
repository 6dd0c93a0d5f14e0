// Parameter markers through the ODBC API: which "?" are markers, and values
// of the C types that the script-level client tests do not reach, bound to
// a prepared statement that runs again with new values.

#include <cstring>
#include <functional>

#include "odbc_support.h"

namespace dtest {
namespace {

using Parameters = StoreFixture;

SQLSMALLINT marker_count(Statement& s, const std::string& sql) {
    SQLSMALLINT count = -1;
    EXPECT_EQ(SQLPrepare(s.handle(), (SQLCHAR*)sql.c_str(), SQL_NTS), SQL_SUCCESS) << sql << describe(s.diags());
    EXPECT_EQ(SQLNumParams(s.handle(), &count), SQL_SUCCESS);
    return count;
}

// A "?" in a text literal of either quoting or in a bracketed name is part
// of it; only the others are markers.
TEST_F(Parameters, MarkersOnlyOutsideQuoting) {
    must("INSERT INTO [Store] ([Название], [Описание]) VALUES ('Что?', 'Где? Когда?')");
    const std::vector<std::pair<std::string, SQLSMALLINT>> cases = {
        {"SELECT [Описание] FROM [Store] WHERE [Название] = 'Что?'", 0},
        {"SELECT [Описание] FROM [Store] WHERE [Название] = \"Что?\"", 0},
        {"SELECT [Описание] AS [Где?] FROM [Store] WHERE [Название] = ?", 1},
        {"SELECT [Описание], '?' FROM [Store] WHERE [Название] = ? AND [Описание] LIKE '%?%'", 1},
        {"SELECT [Описание] FROM [Store] WHERE [Название] = ? OR [Описание] = ?", 2},
    };
    for (const auto& [sql, count] : cases) {
        Statement s(db_);
        EXPECT_EQ(marker_count(s, sql), count) << sql;
        char value[] = "Что?";
        SQLLEN length = SQL_NTS;
        for (SQLUSMALLINT n = 1; n <= count; ++n) {
            ASSERT_EQ(SQLBindParameter(s.handle(), n, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 255, 0, value, 0,
                                       &length),
                      SQL_SUCCESS);
        }
        ASSERT_EQ(SQLExecute(s.handle()), SQL_SUCCESS) << sql << describe(s.diags());
        const Rows rows = fetch_rows(s.handle());
        ASSERT_EQ(rows.size(), 1u) << sql;
        EXPECT_NE(rows[0][0].value_or("").find("Где? Когда?"), std::string::npos) << sql;
    }
    // An unbound marker, and SQLite's own numbered form, are refused.
    Statement s(db_);
    EXPECT_EQ(s.exec("SELECT * FROM [Store] WHERE [ID] = ?"), SQL_ERROR);
    EXPECT_EQ(s.diags().at(0).state, "07002");
    EXPECT_EQ(s.exec("SELECT * FROM [Store] WHERE [ID] = ?1"), SQL_ERROR);
    EXPECT_EQ(s.diags().at(0).state, "42000");
}

// Text sent in pieces at execution time; SQLCancel gives such an execution
// up, and the statement runs again afterwards.
TEST_F(Parameters, DataAtExecutionInPiecesAndCancelled) {
    Statement s(db_);
    ASSERT_EQ(SQLPrepare(s.handle(), (SQLCHAR*)"INSERT INTO [Package] VALUES (?)", SQL_NTS), SQL_SUCCESS);
    char token[] = "token";
    SQLLEN indicator = SQL_DATA_AT_EXEC;
    ASSERT_EQ(SQLBindParameter(s.handle(), 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_LONGVARCHAR, 0, 0, token, 0,
                               &indicator),
              SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s.handle()), SQL_NEED_DATA);
    SQLPOINTER asked = nullptr;
    ASSERT_EQ(SQLParamData(s.handle(), &asked), SQL_NEED_DATA);
    EXPECT_EQ(asked, token);
    char first[] = "Корпус ", second[] = "ТО-220 'особый'";
    ASSERT_EQ(SQLPutData(s.handle(), first, SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLPutData(s.handle(), second, SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLParamData(s.handle(), &asked), SQL_SUCCESS) << describe(s.diags());

    ASSERT_EQ(SQLExecute(s.handle()), SQL_NEED_DATA);
    EXPECT_EQ(SQLCancel(s.handle()), SQL_SUCCESS);
    indicator = SQL_NTS;
    EXPECT_EQ(SQLExecute(s.handle()), SQL_SUCCESS) << describe(s.diags());
    EXPECT_EQ(db_.query("SELECT * FROM [Package] ORDER BY [Тип корпуса]"), (Rows{{"token"}, {"Корпус ТО-220 'особый'"}}));
}

SQL_NUMERIC_STRUCT numeric(std::uint64_t magnitude, int scale, bool negative = false) {
    SQL_NUMERIC_STRUCT n{};
    n.precision = 19;
    n.scale = static_cast<SQLSCHAR>(scale);
    n.sign = negative ? 0 : 1;
    for (int i = 0; i < 8; ++i) n.val[i] = static_cast<SQLCHAR>(magnitude >> (8 * i));
    return n;
}

// One prepared INSERT, run once per case with new values in the same
// buffers: every C type reaches a money column exact to the fourth decimal,
// and whole values an integer column as the numbers they are.
TEST_F(Parameters, CTypesIntoMoneyAndQuantity) {
    struct Buffers {
        char text[64] = {};
        char16_t wide[64] = {};
        SQLINTEGER long_value = 0;
        SQLBIGINT big = 0;
        double real = 0;
        SQL_NUMERIC_STRUCT number{};
        SQLLEN length = 0;
    } b;
    struct Case {
        const char* what;
        SQLSMALLINT c_type;
        SQLSMALLINT sql_type;
        std::function<void(Buffers&)> fill;
        const char* money;     // as the money column reads back
        const char* quantity;  // the same value in the quantity column, if whole
    };
    const std::vector<Case> cases = {
        {"char", SQL_C_CHAR, SQL_DECIMAL, [](Buffers& x) { std::strcpy(x.text, "12.3456"); x.length = SQL_NTS; },
         "12.3456", nullptr},
        {"char with length", SQL_C_CHAR, SQL_NUMERIC, [](Buffers& x) { std::strcpy(x.text, "99999.99 и ещё"); x.length = 8; },
         "99999.9900", nullptr},
        {"wide", SQL_C_WCHAR, SQL_WVARCHAR,
         [](Buffers& x) { std::memcpy(x.wide, u"-.5", 8); x.length = 3 * sizeof(char16_t); }, "-.5000", nullptr},
        {"whole text", SQL_C_CHAR, SQL_VARCHAR, [](Buffers& x) { std::strcpy(x.text, " 17 "); x.length = SQL_NTS; },
         "17.0000", "17"},
        {"long", SQL_C_LONG, SQL_INTEGER, [](Buffers& x) { x.long_value = -42; }, "-42.0000", "-42"},
        {"bigint", SQL_C_SBIGINT, SQL_BIGINT, [](Buffers& x) { x.big = 2147483647; }, "2147483647.0000", "2147483647"},
        {"double", SQL_C_DOUBLE, SQL_DOUBLE, [](Buffers& x) { x.real = 0.1 + 0.2; }, ".3000", nullptr},
        {"numeric", SQL_C_NUMERIC, SQL_DECIMAL, [](Buffers& x) { x.number = numeric(1234567891234ull, 4); },
         "123456789.1234", nullptr},
        {"negative numeric", SQL_C_NUMERIC, SQL_DECIMAL, [](Buffers& x) { x.number = numeric(5, 4, true); },
         "-.0005", nullptr},
        {"whole numeric", SQL_C_NUMERIC, SQL_NUMERIC, [](Buffers& x) { x.number = numeric(250, 1); }, "25.0000", "25"},
        {"null", SQL_C_CHAR, SQL_VARCHAR, [](Buffers& x) { x.length = SQL_NULL_DATA; }, "<null>", "<null>"},
    };
    Statement insert(db_);
    ASSERT_EQ(SQLPrepare(insert.handle(),
                         (SQLCHAR*)"INSERT INTO [Store] ([Название], [Цена расходная], [Количество]) VALUES (?, ?, ?)",
                         SQL_NTS),
              SQL_SUCCESS);
    char name[64] = {};
    SQLLEN name_length = SQL_NTS, null_length = SQL_NULL_DATA;
    ASSERT_EQ(SQLBindParameter(insert.handle(), 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 64, 0, name, 0,
                               &name_length),
              SQL_SUCCESS);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        b.length = 0;
        c.fill(b);
        std::snprintf(name, sizeof name, "%s", c.what);
        void* value = c.c_type == SQL_C_CHAR      ? static_cast<void*>(b.text)
                      : c.c_type == SQL_C_WCHAR   ? static_cast<void*>(b.wide)
                      : c.c_type == SQL_C_LONG    ? static_cast<void*>(&b.long_value)
                      : c.c_type == SQL_C_SBIGINT ? static_cast<void*>(&b.big)
                      : c.c_type == SQL_C_DOUBLE  ? static_cast<void*>(&b.real)
                                                  : static_cast<void*>(&b.number);
        SQLLEN* length = c.c_type == SQL_C_CHAR || c.c_type == SQL_C_WCHAR || b.length == SQL_NULL_DATA ? &b.length
                                                                                                       : nullptr;
        ASSERT_EQ(SQLBindParameter(insert.handle(), 2, SQL_PARAM_INPUT, c.c_type, c.sql_type, 19, 4, value,
                                   sizeof b.text, length),
                  SQL_SUCCESS);
        ASSERT_EQ(SQLBindParameter(insert.handle(), 3, SQL_PARAM_INPUT, c.c_type, c.sql_type, 10, 0, value,
                                   sizeof b.text, c.quantity ? length : &null_length),
                  SQL_SUCCESS);
        ASSERT_EQ(SQLExecute(insert.handle()), SQL_SUCCESS) << describe(insert.diags());
        const Rows rows = db_.query("SELECT [Цена расходная], [Количество] FROM [Store] WHERE [Название] = '" +
                                    std::string(c.what) + "'");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][0].value_or("<null>"), c.money);
        EXPECT_EQ(rows[0][1].value_or("<null>"), c.quantity ? c.quantity : "<null>");
    }
}

}  // namespace
}  // namespace dtest
