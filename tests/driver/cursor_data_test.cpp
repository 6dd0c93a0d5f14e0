// Reading results: cursors that outlive writes of the same connection,
// scrolling back to the first row, values in pieces and in other C types,
// and what is on disk once a statement has returned.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "odbc_support.h"

namespace dtest {
namespace {

using Cursors = StoreFixture;
using Values = StoreFixture;

std::string nth_name(int i) { return "Деталь " + std::to_string(i); }

void make_scrollable(SQLHSTMT stmt) {
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0),
              SQL_SUCCESS);
}

TEST_F(Cursors, WriteOnAnotherHandleCommitsAndReadingGoesOn) {
    std::vector<long> ids;
    for (int i = 1; i <= 6; ++i) {
        Item item;
        item.name = nth_name(i);
        ids.push_back(add_item(item));
    }
    // Writes before the first fetch and between fetches.
    for (int fetched_before : {0, 2}) {
        SCOPED_TRACE("rows fetched before the writes: " + std::to_string(fetched_before));
        Statement reader(db_);
        make_scrollable(reader.handle());
        ASSERT_EQ(reader.exec("SELECT * FROM [Store] ORDER BY [Название]"), SQL_SUCCESS);
        std::vector<std::string> seen;
        for (int i = 0; i < fetched_before; ++i) {
            ASSERT_EQ(reader.fetch(), SQL_SUCCESS);
            seen.push_back(*read_text(reader.handle(), kName + 1));
        }
        const std::string quantity = std::to_string(10 + fetched_before);
        Statement writer(db_);
        ASSERT_EQ(
            writer.exec("UPDATE [Store] SET [Количество] = " + quantity + " WHERE [ID] =" + std::to_string(ids[4])),
            SQL_SUCCESS)
            << describe(writer.diags());
        Item extra;
        extra.name = "Добавлена при чтении " + quantity;
        ASSERT_EQ(writer.exec(insert_statement(extra)), SQL_SUCCESS) << describe(writer.diags());

        // Committed at once: an independent connection sees both writes
        // while the reader is still pending.
        Connection other;
        ASSERT_TRUE(SQL_SUCCEEDED(other.open_file(db_path_))) << describe(other.diags());
        const Rows changed = other.query("SELECT * FROM [Store] WHERE [ID] = " + std::to_string(ids[4]));
        ASSERT_EQ(changed.size(), 1u);
        EXPECT_EQ(changed[0][kQuantity], quantity);
        EXPECT_EQ(other.query("SELECT * FROM [Store] WHERE [Название] LIKE '" + extra.name + "'").size(), 1u);

        for (const Row& row : fetch_rows(reader.handle())) seen.push_back(*row[kName]);
        seen.erase(
            std::remove_if(seen.begin(), seen.end(), [](const std::string& n) { return n.starts_with("Добавлена"); }),
            seen.end());
        std::vector<std::string> all;
        for (int i = 1; i <= 6; ++i) all.push_back(nth_name(i));
        EXPECT_EQ(seen, all);
    }
}

// A value that fails half-way through a result (CLng of a text that is no
// number) is reported by the fetch of its own row, after the rows before it,
// whether the rows come from SQLite as they are read or were copied when
// another statement wrote.
TEST_F(Cursors, FailureHalfWayIsReportedAtItsRow) {
    for (const char* description : {"1", "2", "3", "четыре", "5"}) {
        Item item;
        item.description = description;
        add_item(item);
    }
    for (const bool write_between : {false, true}) {
        SCOPED_TRACE(write_between ? "a write after the first row" : "read straight");
        Statement reader(db_);
        ASSERT_EQ(reader.exec("SELECT CLng([Описание]) FROM [Store] ORDER BY [ID]"), SQL_SUCCESS);
        ASSERT_EQ(reader.fetch(), SQL_SUCCESS);
        EXPECT_EQ(read_text(reader.handle(), 1), "1");
        if (write_between) must("UPDATE [Store] SET [Количество] = 7 WHERE [Описание] = '5'");
        for (const char* expected : {"2", "3"}) {
            ASSERT_EQ(reader.fetch(), SQL_SUCCESS) << describe(reader.diags());
            EXPECT_EQ(read_text(reader.handle(), 1), expected);
        }
        EXPECT_EQ(reader.fetch(), SQL_ERROR);
        const std::vector<Diag> diags = reader.diags();
        ASSERT_FALSE(diags.empty());
        EXPECT_NE(diags[0].message.find("CLng"), std::string::npos) << diags[0].message;
        EXPECT_EQ(reader.fetch(), SQL_NO_DATA);
    }
}

TEST_F(Cursors, DeleteOfRowsAlreadyReadLeavesTheRestComing) {
    for (int i = 1; i <= 4; ++i) {
        Item item;
        item.name = nth_name(i);
        add_item(item);
    }
    Statement reader(db_);
    ASSERT_EQ(reader.exec("SELECT * FROM [Store] ORDER BY [Название]"), SQL_SUCCESS);
    ASSERT_EQ(reader.fetch(), SQL_SUCCESS);
    const std::string id = *read_text(reader.handle(), kId + 1);
    Statement writer(db_);
    ASSERT_EQ(writer.exec("DELETE FROM [Store] WHERE [ID] =" + id), SQL_SUCCESS) << describe(writer.diags());
    Connection other;
    ASSERT_TRUE(SQL_SUCCEEDED(other.open_file(db_path_)));
    EXPECT_EQ(other.query("SELECT * FROM [Store]").size(), 3u);
    const Rows rest = fetch_rows(reader.handle());
    ASSERT_EQ(rest.size(), 3u);
    EXPECT_EQ(rest[0][kName], nth_name(2));
    EXPECT_EQ(rest[2][kName], nth_name(4));
}

TEST_F(Cursors, NewQueryOnTheSameHandleDiscardsOldRows) {
    for (int i = 1; i <= 3; ++i) {
        Item item;
        item.name = nth_name(i);
        add_item(item);
    }
    must("INSERT INTO [Package] Values('DIP-8')");
    Statement s(db_);
    make_scrollable(s.handle());
    ASSERT_EQ(s.exec("SELECT * FROM [Store] ORDER BY [Название]"), SQL_SUCCESS);
    ASSERT_EQ(s.fetch(), SQL_SUCCESS);
    // The driver manager wants the cursor closed before the handle is reused.
    ASSERT_EQ(SQLCloseCursor(s.handle()), SQL_SUCCESS);
    ASSERT_EQ(s.exec("SELECT * FROM [Package] ORDER BY [Тип корпуса]"), SQL_SUCCESS) << describe(s.diags());
    EXPECT_EQ(fetch_rows(s.handle()), (Rows{{"DIP-8"}}));
}

TEST_F(Cursors, FetchFirstStartsOver) {
    std::vector<long> ids;
    for (int i = 1; i <= 3; ++i) {
        Item item;
        item.name = nth_name(i);
        ids.push_back(add_item(item));
    }
    Statement s(db_);
    make_scrollable(s.handle());
    auto first_id = [&] {
        SQLINTEGER id = -1;
        SQLLEN indicator = 0;
        EXPECT_EQ(SQLFetchScroll(s.handle(), SQL_FETCH_FIRST, 0), SQL_SUCCESS) << describe(s.diags());
        EXPECT_EQ(SQLGetData(s.handle(), 1, SQL_C_LONG, &id, sizeof id, &indicator), SQL_SUCCESS);
        return static_cast<long>(id);
    };
    ASSERT_EQ(s.exec("SELECT [ID] FROM [Store] ORDER BY [ID] DESC"), SQL_SUCCESS);
    EXPECT_EQ(first_id(), ids[2]);
    ASSERT_EQ(s.fetch(), SQL_SUCCESS);
    ASSERT_EQ(s.fetch(), SQL_SUCCESS);
    EXPECT_EQ(first_id(), ids[2]);
    // Also once the rows are used up.
    while (s.fetch() == SQL_SUCCESS) {
    }
    EXPECT_EQ(first_id(), ids[2]);
    ASSERT_EQ(s.fetch(), SQL_SUCCESS);
    EXPECT_EQ(*read_text(s.handle(), 1), std::to_string(ids[1]));

    ASSERT_EQ(SQLCloseCursor(s.handle()), SQL_SUCCESS);
    must("DELETE * FROM [Store]");
    ASSERT_EQ(s.exec("SELECT [ID] FROM [Store] ORDER BY [ID] DESC"), SQL_SUCCESS);
    EXPECT_EQ(SQLFetchScroll(s.handle(), SQL_FETCH_FIRST, 0), SQL_NO_DATA);
}

TEST_F(Values, LongTextComesInPieces) {
    std::string text;
    while (text.size() < 10000) text += "Ёж-";  // five bytes each
    ASSERT_EQ(text.size(), 10000u);
    Item item;
    item.datasheet = text;
    add_item(item);
    Statement s(db_);
    ASSERT_EQ(s.exec("SELECT * FROM [Store] ORDER BY [Название]"), SQL_SUCCESS);
    ASSERT_EQ(s.fetch(), SQL_SUCCESS);
    std::string joined;
    char buffer[4096];
    const SQLLEN remaining[] = {10000, 10000 - 4095, 10000 - 2 * 4095};
    for (int piece = 0; piece < 3; ++piece) {
        SCOPED_TRACE("piece " + std::to_string(piece + 1));
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(s.handle(), kDatasheet + 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
        EXPECT_EQ(indicator, remaining[piece]);
        if (piece < 2) {
            ASSERT_EQ(rc, SQL_SUCCESS_WITH_INFO);
            const std::vector<Diag> diags = s.diags();
            ASSERT_FALSE(diags.empty());
            EXPECT_EQ(diags[0].state, "01004");
            joined.append(buffer, sizeof buffer - 1);
        } else {
            ASSERT_EQ(rc, SQL_SUCCESS);
            joined.append(buffer, static_cast<std::size_t>(indicator));
        }
    }
    EXPECT_EQ(joined, text);
    SQLLEN indicator = 0;
    EXPECT_EQ(SQLGetData(s.handle(), kDatasheet + 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator), SQL_NO_DATA);
}

// Every integer C type, from a forward-only cursor (read straight from
// SQLite) and from a static one (read from its copy): the same values, the
// same refusals.
TEST_F(Values, NumbersInIntegerCTypes) {
    Item item;
    item.quantity = "-17";
    item.sale_price = "12.5";
    const long id = add_item(item);
    struct Case {
        int column;
        SQLSMALLINT c_type;
        long long expected;  // read back, when no state
        const char* state;   // "" for SQL_SUCCESS
    };
    const Case cases[] = {
        {kQuantity, SQL_C_SLONG, -17, ""},
        {kQuantity, SQL_C_SSHORT, -17, ""},
        {kQuantity, SQL_C_SBIGINT, -17, ""},
        {kQuantity, SQL_C_STINYINT, -17, ""},
        {kQuantity, SQL_C_UTINYINT, 0, "22003"},
        {kQuantity, SQL_C_ULONG, 0, "22003"},
        {kQuantity, SQL_C_UBIGINT, 0, "22003"},
        {kId, SQL_C_LONG, id, ""},
        {kId, SQL_C_UBIGINT, id, ""},
        {kSalePrice, SQL_C_SLONG, 12, "01S07"},
        {kName, SQL_C_LONG, 0, "22018"},
    };
    for (const bool scrollable : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(scrollable ? "static" : "forward-only") + " column " + std::to_string(c.column) +
                         " C type " + std::to_string(c.c_type));
            Statement s(db_);
            if (scrollable) make_scrollable(s.handle());
            ASSERT_EQ(s.exec("SELECT * FROM [Store]"), SQL_SUCCESS);
            ASSERT_EQ(s.fetch(), SQL_SUCCESS);
            unsigned char value[8] = {};
            SQLLEN indicator = 0;
            const SQLRETURN rc = SQLGetData(s.handle(), c.column + 1, c.c_type, value, sizeof value, &indicator);
            if (*c.state != 0) {
                const std::vector<Diag> diags = s.diags();
                ASSERT_FALSE(diags.empty());
                EXPECT_EQ(diags[0].state, c.state);
                if (std::string(c.state) != "01S07") {
                    EXPECT_EQ(rc, SQL_ERROR);
                    continue;
                }
                EXPECT_EQ(rc, SQL_SUCCESS_WITH_INFO);
            } else {
                EXPECT_EQ(rc, SQL_SUCCESS) << describe(s.diags());
            }
            long long got = 0;
            switch (indicator) {
                case 1:
                    got = c.c_type == SQL_C_UTINYINT ? value[0] : static_cast<signed char>(value[0]);
                    break;
                case 2: {
                    std::int16_t v;
                    std::memcpy(&v, value, sizeof v);
                    got = v;
                    break;
                }
                case 4: {
                    std::int32_t v;
                    std::memcpy(&v, value, sizeof v);
                    got = v;
                    break;
                }
                default:
                    std::memcpy(&got, value, sizeof got);
            }
            EXPECT_EQ(got, c.expected);
            // The value has been read whole.
            EXPECT_EQ(SQLGetData(s.handle(), c.column + 1, c.c_type, value, sizeof value, &indicator), SQL_NO_DATA);
        }
    }
}

TEST_F(Values, CyrillicAsWideCharacters) {
    Item item;
    item.name = "Резистор Ёж №5";
    add_item(item);
    Statement s(db_);
    ASSERT_EQ(s.exec("SELECT * FROM [Store]"), SQL_SUCCESS);
    ASSERT_EQ(s.fetch(), SQL_SUCCESS);
    SQLWCHAR buffer[64] = {};
    SQLLEN indicator = 0;
    ASSERT_EQ(SQLGetData(s.handle(), kName + 1, SQL_C_WCHAR, buffer, sizeof buffer, &indicator), SQL_SUCCESS)
        << describe(s.diags());
    const std::u16string expected = u"Резистор Ёж №5";
    ASSERT_EQ(indicator, static_cast<SQLLEN>(expected.size() * sizeof(char16_t)));
    EXPECT_EQ(std::u16string(buffer, buffer + expected.size()), expected);
    EXPECT_EQ(buffer[expected.size()], 0);
}

// A child that commits a row while a reader is pending and then dies
// without any chance to clean up.
TEST(Durability, RowSurvivesKillAfterStatementReturns) {
    const std::string path = new_folder("durability") + "Store.mdb";
    ASSERT_NO_FATAL_FAILURE(create_store(path));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Connection c;
        if (!SQL_SUCCEEDED(c.open_file(path))) ::_exit(2);
        Statement writer(c);
        Item first;
        first.name = "Первая";
        if (writer.exec(insert_statement(first)) != SQL_SUCCESS) ::_exit(3);
        Statement reader(c);
        if (reader.exec("SELECT * FROM [Store]") != SQL_SUCCESS || reader.fetch() != SQL_SUCCESS) ::_exit(4);
        Item second;
        second.name = "Вторая";
        if (writer.exec(insert_statement(second)) != SQL_SUCCESS) ::_exit(5);
        ::raise(SIGKILL);
        ::_exit(6);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "child exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    Connection after;
    ASSERT_TRUE(SQL_SUCCEEDED(after.open_file(path))) << describe(after.diags());
    const Rows rows = after.query("SELECT * FROM [Store] ORDER BY [ID]");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][kName], "Первая");
    EXPECT_EQ(rows[1][kName], "Вторая");
}

TEST_F(Values, CopyMadeBetweenStatementsIsAWorkingDatabase) {
    Item item;
    item.name = "Копируемая";
    const long id = add_item(item);
    must("INSERT INTO [Package] Values('TO-220')");
    // The connection stays open while the file is copied.
    const std::string copy = folder_ + "Copy.mdb";
    std::filesystem::copy_file(db_path_, copy);
    Connection c;
    ASSERT_TRUE(SQL_SUCCEEDED(c.open_file(copy))) << describe(c.diags());
    const Rows rows = c.query("SELECT * FROM [Store]");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][kName], "Копируемая");
    EXPECT_EQ(rows[0][kSalePrice], "12.5000");
    EXPECT_EQ(c.query("SELECT * FROM [Package] ORDER BY [Тип корпуса]"), (Rows{{"TO-220"}}));
    std::vector<Diag> diags;
    EXPECT_EQ(c.run(insert_statement(Item{}), &diags), SQL_SUCCESS) << describe(diags);
    const Rows ids = c.query("SELECT [ID] FROM [Store] ORDER BY [ID] DESC");
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_GT(std::stol(*ids[0][0]), id);
}

}  // namespace
}  // namespace dtest
