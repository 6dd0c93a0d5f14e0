// Amounts of money are never rounded unseen: whatever way a value comes,
// it is stored and read back digit for digit, or refused with 22003 naming
// it. SQLite keeps amounts as doubles, which hold every decimal of up to 15
// significant digits.

#include <cstring>
#include <string>

#include "odbc_support.h"

namespace dtest {
namespace {

using Amounts = StoreFixture;

// A SQL_NUMERIC_STRUCT of a magnitude and a scale.
SQL_NUMERIC_STRUCT numeric(unsigned __int128 magnitude, int scale) {
    SQL_NUMERIC_STRUCT n{};
    n.precision = 38;
    n.scale = static_cast<SQLSCHAR>(scale);
    n.sign = 1;
    for (int i = 0; i < SQL_MAX_NUMERIC_LEN; ++i) n.val[i] = static_cast<SQLCHAR>(magnitude >> (8 * i));
    return n;
}

// One value bound to a marker of a statement on the item, then the price
// as it reads back: either the amount, exact, or a refusal naming it.
TEST_F(Amounts, ParametersAreStoredExactlyOrRefused) {
    Item item;
    item.name = "Образец";
    add_item(item);
    struct Case {
        const char* what;
        const char* sql;  // one marker
        SQLSMALLINT c_type, sql_type;
        std::string value;     // text (UTF-8; sent as UTF-16 for SQL_C_WCHAR), or the number for the other types
        const char* expected;  // the price read back; "22003" for a refusal
    };
    const char* kSet = "UPDATE [Store] SET [Цена расходная] = ? WHERE [Название] = 'Образец'";
    const Case cases[] = {
        {"fifteen digits", kSet, SQL_C_CHAR, SQL_DECIMAL, "99999999999.9999", "99999999999.9999"},
        {"a double's own sixteen digits", kSet, SQL_C_CHAR, SQL_VARCHAR, "922337203685476.5", "922337203685476.5000"},
        {"trailing zeros", kSet, SQL_C_CHAR, SQL_DECIMAL, "-1.23450000", "-1.2345"},
        {"Jet's upper end", kSet, SQL_C_CHAR, SQL_DECIMAL, "922337203685477.5807", "22003"},
        {"Jet's upper end as text", kSet, SQL_C_CHAR, SQL_VARCHAR, "922337203685477.5807", "22003"},
        {"nineteen digits, wide", kSet, SQL_C_WCHAR, SQL_WVARCHAR, "922337203685476.5807", "22003"},
        {"nineteen digits, numeric", kSet, SQL_C_NUMERIC, SQL_DOUBLE, "9223372036854765807", "22003"},
        {"a fifth decimal", kSet, SQL_C_CHAR, SQL_DECIMAL, "1.23456", "22003"},
        {"a whole part too large", kSet, SQL_C_CHAR, SQL_VARCHAR, "-922337203685477", "22003"},
        {"a whole number too large", kSet, SQL_C_SBIGINT, SQL_BIGINT, "922337203685477", "22003"},
        {"a double too large", kSet, SQL_C_DOUBLE, SQL_DOUBLE, "1e15", "22003"},
        {"inserted", "INSERT INTO [Store] ([Название], [Цена расходная]) VALUES ('Образец', ?)", SQL_C_CHAR,
         SQL_VARCHAR, "123456789012345.6789", "22003"},
        {"compared, too long", "DELETE * FROM [Store] WHERE [Цена расходная] = ?", SQL_C_CHAR, SQL_VARCHAR,
         "922337203685476.5807", "22003"},
    };
    std::string last = "12.5000";  // the price the item was added with
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Statement s(db_);
        ASSERT_EQ(SQLPrepare(s.handle(), (SQLCHAR*)c.sql, SQL_NTS), SQL_SUCCESS) << describe(s.diags());
        char text[64] = {};
        std::u16string wide;
        SQLBIGINT whole = 0;
        double real = 0;
        SQL_NUMERIC_STRUCT number{};
        SQLLEN length = SQL_NTS;
        void* value = text;
        std::snprintf(text, sizeof text, "%s", c.value.c_str());
        if (c.c_type == SQL_C_WCHAR) {
            for (char ch : c.value) wide += static_cast<char16_t>(ch);
            value = wide.data();
            length = static_cast<SQLLEN>(wide.size() * sizeof(char16_t));
        } else if (c.c_type == SQL_C_SBIGINT) {
            whole = std::stoll(c.value);
            value = &whole;
        } else if (c.c_type == SQL_C_DOUBLE) {
            real = std::stod(c.value);
            value = &real;
        } else if (c.c_type == SQL_C_NUMERIC) {
            unsigned __int128 magnitude = 0;
            for (char ch : c.value) magnitude = magnitude * 10 + static_cast<unsigned>(ch - '0');
            number = numeric(magnitude, 4);
            value = &number;
        }
        ASSERT_EQ(
            SQLBindParameter(s.handle(), 1, SQL_PARAM_INPUT, c.c_type, c.sql_type, 19, 4, value, sizeof text, &length),
            SQL_SUCCESS);
        const SQLRETURN rc = SQLExecute(s.handle());
        if (std::string(c.expected) == "22003") {
            EXPECT_EQ(rc, SQL_ERROR);
            const std::vector<Diag> diags = s.diags();
            ASSERT_FALSE(diags.empty());
            EXPECT_EQ(diags[0].state, "22003") << diags[0].message;
            if (c.c_type == SQL_C_CHAR) {
                EXPECT_NE(diags[0].message.find(c.value), std::string::npos) << diags[0].message;
            }
        } else {
            EXPECT_EQ(rc, SQL_SUCCESS) << describe(s.diags());
            last = c.expected;
        }
        // Nothing else was stored, nothing was changed by a refusal.
        EXPECT_EQ(db_.query("SELECT [Цена расходная] FROM [Store]"), (Rows{{last}}));
    }
}

// Literals of a statement are numbers SQLite would round as quietly: the
// statement is refused before it runs.
TEST_F(Amounts, LiteralsAreKeptExactlyOrRefused) {
    add_item(Item{});
    struct Case {
        const char* sql;
        const char* refused;  // the number the refusal names; empty: runs
    };
    const Case cases[] = {
        {"UPDATE [Store] SET [Цена расходная] = 922337203685476.5807", "922337203685476.5807"},
        {"UPDATE [Store] SET [Цена расходная] = 922337203685476.5", ""},
        {"INSERT INTO [Store] ([Цена приходная]) VALUES (.12345678901234567)", ".12345678901234567"},
        {"SELECT * FROM [Store] WHERE [Цена расходная] < 1.00000000000000001", "1.00000000000000001"},
        {"SELECT 12345678901234567890", "12345678901234567890"},
        {"SELECT -9223372036854775808, 9223372036854775807", ""},
        {"SELECT 1e400", "1e400"},
        {"SELECT 1.5e-3 * 2, 0.1234567890123456789E1, [ID] FROM [Store]", ""},
        {"SELECT CCur('922337203685476.5807')", "922337203685476.5807"},
        {"SELECT * FROM [Store] WHERE [Название] = '922337203685476.5807'", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        Statement s(db_);
        const SQLRETURN rc = s.exec(c.sql);
        if (*c.refused == 0) {
            EXPECT_TRUE(SQL_SUCCEEDED(rc)) << describe(s.diags());
            continue;
        }
        if (rc != SQL_ERROR) {
            // A function's refusal comes when its row is read.
            ASSERT_EQ(rc, SQL_SUCCESS);
            EXPECT_EQ(s.fetch(), SQL_ERROR);
        }
        const std::vector<Diag> diags = s.diags();
        ASSERT_FALSE(diags.empty());
        EXPECT_NE(diags[0].message.find(c.refused), std::string::npos) << diags[0].message;
    }
    EXPECT_EQ(db_.query("SELECT [Цена расходная], [Цена приходная] FROM [Store]"),
              (Rows{{"922337203685476.5000", ".5000"}}));
}

// Every amount a money column can hold reads back digit for digit in each
// C type that holds it exactly.
TEST_F(Amounts, ReadBackDigitForDigit) {
    for (const char* amount : {"922337203685476.5", "-922337203685476.5", "99999999999.9999", ".0001"}) {
        SCOPED_TRACE(amount);
        db_.run("DELETE * FROM [Store]");
        must(std::string("INSERT INTO [Store] ([Цена расходная]) VALUES (") + amount + ")");
        Statement s(db_);
        ASSERT_EQ(s.exec("SELECT [Цена расходная] FROM [Store]"), SQL_SUCCESS);
        ASSERT_EQ(s.fetch(), SQL_SUCCESS);
        SQL_NUMERIC_STRUCT n{};
        ASSERT_EQ(SQLGetData(s.handle(), 1, SQL_C_NUMERIC, &n, sizeof n, nullptr), SQL_SUCCESS);
        unsigned __int128 magnitude = 0;
        for (int i = SQL_MAX_NUMERIC_LEN - 1; i >= 0; --i) magnitude = (magnitude << 8) | n.val[i];
        std::string digits;
        for (; magnitude != 0; magnitude /= 10) digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
        std::string expected;
        for (const char* p = amount; *p; ++p) {
            if (*p >= '0' && *p <= '9') expected += *p;
        }
        expected.erase(0, expected.find_first_not_of('0'));
        const std::size_t decimals = std::strlen(std::strchr(amount, '.') + 1);
        expected.append(4 - decimals, '0');
        EXPECT_EQ(digits, expected);
        EXPECT_EQ(n.scale, 4);
        EXPECT_EQ(n.sign, amount[0] == '-' ? 0 : 1);
    }
}

}  // namespace
}  // namespace dtest
