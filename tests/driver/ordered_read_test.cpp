// A long read of a whole table in a column's order takes its rest into
// memory: the rows and their order must be exactly those SQLite gives by
// walking the index, whatever happens around the read.

#include <sqlite3.h>

#include <string>
#include <vector>

#include "odbc_support.h"

namespace {

using namespace dtest;

// More rows than a read takes from SQLite before it reads the rest into
// memory, with names that fold to the same text, NULL, empty, Cyrillic,
// and descriptions of every length.
constexpr int kRows = 6000;

class OrderedRead : public StoreFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StoreFixture::SetUp());
        const char* names[] = {"abc", "ABC", "Abc", "Ёлка", "ёлка", "ЕЛКА", "яблоко", "Яблоко", "", "z", "[x]", "_%"};
        ASSERT_EQ(SQLSetConnectAttr(db_.handle(), SQL_ATTR_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF, 0), SQL_SUCCESS);
        for (int i = 0; i < kRows; ++i) {
            if (i % 97 == 0) {
                must("INSERT INTO [Store] ([Описание], [Количество]) VALUES ('без названия', " + std::to_string(i) +
                     ")");
                continue;
            }
            Item item;
            item.name = i % 2 == 0 ? names[i % 12] : "Деталь " + std::to_string(i * 7919 % kRows);
            item.quantity = std::to_string(i % 5);
            item.sale_price = std::to_string(i % 100) + ".25";
            item.path = "Раздел " + std::to_string(i % 7);
            if (i % 13 == 0) item.description = std::string(250 + i % 60, 'w');
            if (i == 5001) item.description = std::string(70000, 'W');
            must(insert_statement(item));
        }
        ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, db_.handle(), SQL_COMMIT), SQL_SUCCESS);
        ASSERT_EQ(SQLSetConnectAttr(db_.handle(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                                    0),
                  SQL_SUCCESS);
    }

    // The rows as a static cursor reads them: straight from SQLite, row by
    // row as it walks the index.
    Rows walked(const std::string& sql) {
        Statement s(db_);
        EXPECT_EQ(SQLSetStmtAttr(s.handle(), SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0),
                  SQL_SUCCESS);
        EXPECT_TRUE(SQL_SUCCEEDED(s.exec(sql))) << sql << describe(s.diags());
        return fetch_rows(s.handle());
    }

    // The first `count` rows of a forward-only read.
    static Rows first_rows(Statement& s, int count) {
        Rows rows;
        SQLSMALLINT columns = 0;
        SQLNumResultCols(s.handle(), &columns);
        for (int k = 0; k < count && s.fetch() == SQL_SUCCESS; ++k) {
            Row row;
            for (SQLSMALLINT c = 1; c <= columns; ++c) row.push_back(read_text(s.handle(), c));
            rows.push_back(std::move(row));
        }
        return rows;
    }

    static Rows joined(Rows head, const Rows& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    }
};

// Every shape, read whole by a forward-only cursor, against the index walk:
// those taken into memory and those that must not be (another order, a
// condition, an expression).
TEST_F(OrderedRead, SameRowsInTheSameOrderAsTheIndexWalk) {
    for (const char* sql : {
             "SELECT * FROM [Store] ORDER BY [Название]",
             "SELECT [ID], [Название], Store.[Цена расходная] FROM [Store] ORDER BY [Название] ASC",
             "SELECT Store.* FROM Store ORDER BY [Путь]",
             "SELECT * FROM [Store] ORDER BY [Название] DESC",
             "SELECT * FROM [Store] WHERE [Количество] > 1 ORDER BY [Название]",
             "SELECT [Название] & '!' FROM [Store] ORDER BY [Название]",
             "SELECT DISTINCT [Название] FROM [Store] ORDER BY [Название]",
         }) {
        SCOPED_TRACE(sql);
        const Rows expected = walked(sql);
        ASSERT_GT(expected.size(), 10u);
        Statement s(db_);
        ASSERT_EQ(s.exec(sql), SQL_SUCCESS) << describe(s.diags());
        EXPECT_EQ(fetch_rows(s.handle()), expected);
    }
}

// Once the rest is in memory the read holds the store no longer: another
// program writes at once, and the reader goes on with the rows of its
// start.
TEST_F(OrderedRead, AnotherProgramWritesWhileTheRestIsRead) {
    const std::string sql = "SELECT * FROM [Store] ORDER BY [Название]";
    const Rows expected = walked(sql);
    Statement reader(db_);
    ASSERT_EQ(reader.exec(sql), SQL_SUCCESS);
    const Rows head = first_rows(reader, 5000);
    ASSERT_EQ(head.size(), 5000u);

    Connection other;
    ASSERT_TRUE(SQL_SUCCEEDED(other.open_file(db_path_))) << describe(other.diags());
    ASSERT_EQ(SQLSetConnectAttr(other.handle(), SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(1), 0),
              SQL_SUCCESS);
    std::vector<Diag> diags;
    EXPECT_EQ(other.run(insert_statement(Item{}), &diags), SQL_SUCCESS) << describe(diags);

    EXPECT_EQ(joined(head, fetch_rows(reader.handle())), expected);
    EXPECT_EQ(walked(sql).size(), expected.size() + 1);
}

// A write of the same connection midway keeps the reader's rows; a read
// broken off and started again gives the whole result.
TEST_F(OrderedRead, WriteOfTheSameConnectionAndAReadStartedAgain) {
    const std::string sql = "SELECT * FROM [Store] ORDER BY [Название]";
    const Rows expected = walked(sql);
    Statement reader(db_);
    ASSERT_EQ(reader.exec(sql), SQL_SUCCESS);
    const Rows head = first_rows(reader, 4500);
    must(insert_statement(Item{}));
    EXPECT_EQ(joined(head, fetch_rows(reader.handle())), expected);

    const Rows after = walked(sql);
    ASSERT_EQ(after.size(), expected.size() + 1);
    ASSERT_EQ(reader.exec(sql), SQL_SUCCESS);
    EXPECT_EQ(first_rows(reader, 4200).size(), 4200u);
    ASSERT_EQ(SQLFreeStmt(reader.handle(), SQL_CLOSE), SQL_SUCCESS);
    ASSERT_EQ(reader.exec(sql), SQL_SUCCESS);
    EXPECT_EQ(fetch_rows(reader.handle()), after);
}

}  // namespace
