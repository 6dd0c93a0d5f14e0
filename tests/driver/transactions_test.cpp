// Manual commit through the ODBC API: what survives a killed process or a
// closed connection, and what another program sees of a transaction that
// is still open.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "odbc_support.h"

namespace dtest {
namespace {

using Transactions = StoreFixture;

SQLRETURN set_autocommit(Connection& c, bool on) {
    const auto value = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
    return SQLSetConnectAttr(c.handle(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value), 0);
}

SQLRETURN end(Connection& c, SQLSMALLINT completion) { return SQLEndTran(SQL_HANDLE_DBC, c.handle(), completion); }

Item named(const std::string& name) {
    Item item;
    item.name = name;
    return item;
}

std::vector<std::string> stored_names(Connection& c) {
    std::vector<std::string> out;
    for (const Row& row : c.query("SELECT [Название] FROM [Store] ORDER BY [ID]")) out.push_back(row[0].value_or(""));
    return out;
}

// A process killed with a transaction open leaves nothing of it behind;
// what it committed before stays, and the file takes new writes at once.
TEST(KilledTransaction, LeavesNoTrace) {
    const std::string path = new_folder("killed") + "Store.mdb";
    ASSERT_NO_FATAL_FAILURE(create_store(path));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Connection c;
        if (!SQL_SUCCEEDED(c.open_file(path)) || set_autocommit(c, false) != SQL_SUCCESS) ::_exit(2);
        if (c.run(insert_statement(named("Сохранена"))) != SQL_SUCCESS || end(c, SQL_COMMIT) != SQL_SUCCESS) ::_exit(3);
        // More than SQLite's page cache holds, so that the transaction's
        // pages reach the file before the end, as a big import's do.
        Item big = named("Брошена");
        big.description.assign(5000, 'x');
        for (int i = 0; i < 800; ++i) {
            if (c.run(insert_statement(big)) != SQL_SUCCESS) ::_exit(4);
        }
        if (c.run("UPDATE [Store] SET [Количество] = 0") != SQL_SUCCESS) ::_exit(5);
        ::raise(SIGKILL);
        ::_exit(6);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "child exit status " << WEXITSTATUS(status);
    Connection after;
    ASSERT_TRUE(SQL_SUCCEEDED(after.open_file(path))) << describe(after.diags());
    EXPECT_EQ(after.query("SELECT [Название], [Количество] FROM [Store]"), (Rows{{"Сохранена", "5"}}));
    EXPECT_EQ(after.run(insert_statement(named("После"))), SQL_SUCCESS);
    EXPECT_EQ(stored_names(after), (std::vector<std::string>{"Сохранена", "После"}));
}

// Closing the connection, or switching automatic commit back on, ends an
// open transaction: the first rolls it back, the second commits it.
TEST_F(Transactions, CloseRollsBackAutocommitOnCommits) {
    {
        Connection c;
        ASSERT_TRUE(SQL_SUCCEEDED(c.open_file(db_path_)));
        ASSERT_EQ(set_autocommit(c, false), SQL_SUCCESS);
        ASSERT_EQ(c.run(insert_statement(named("Закрыта без фиксации"))), SQL_SUCCESS);
        EXPECT_EQ(stored_names(c).size(), 1u);
    }
    EXPECT_TRUE(stored_names(db_).empty());

    // ODBC 2's SQLTransact ends it as SQLEndTran does.
    ASSERT_EQ(set_autocommit(db_, false), SQL_SUCCESS);
    must(insert_statement(named("Отменена по-старому")));
    ASSERT_EQ(SQLTransact(SQL_NULL_HENV, db_.handle(), SQL_ROLLBACK), SQL_SUCCESS);
    EXPECT_TRUE(stored_names(db_).empty());
    must(insert_statement(named("Зафиксирована включением")));
    ASSERT_EQ(set_autocommit(db_, true), SQL_SUCCESS);
    Connection other;
    ASSERT_TRUE(SQL_SUCCEEDED(other.open_file(db_path_)));
    EXPECT_EQ(stored_names(other), (std::vector<std::string>{"Зафиксирована включением"}));
}

// Another program sees none of an open transaction, waits for its lock
// and is told when the wait ran out; once committed, all of it shows.
TEST_F(Transactions, OtherProgramsSeeAllOrNothing) {
    must(insert_statement(named("Было")));
    Connection other;
    ASSERT_TRUE(SQL_SUCCEEDED(other.open_file(db_path_)));
    // Not Jet's 30 s: the test needs the wait to run out.
    ASSERT_EQ(SQLSetConnectAttr(other.handle(), SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(1), 0),
              SQL_SUCCESS);
    ASSERT_EQ(set_autocommit(db_, false), SQL_SUCCESS);
    for (const char* name : {"Первая", "Вторая", "Третья"}) must(insert_statement(named(name)));
    must("UPDATE [Store] SET [Количество] = 9 WHERE [Название] = 'Было'");

    EXPECT_EQ(other.query("SELECT [Название], [Количество] FROM [Store]"), (Rows{{"Было", "5"}}));
    std::vector<Diag> diags;
    EXPECT_EQ(other.run(insert_statement(named("Чужая")), &diags), SQL_ERROR);
    ASSERT_FALSE(diags.empty());
    EXPECT_EQ(diags[0].state, "HYT00") << describe(diags);

    ASSERT_EQ(end(db_, SQL_COMMIT), SQL_SUCCESS) << describe(db_.diags());
    EXPECT_EQ(stored_names(other), (std::vector<std::string>{"Было", "Первая", "Вторая", "Третья"}));
    EXPECT_EQ(other.query("SELECT [Количество] FROM [Store] WHERE [Название] = 'Было'"), (Rows{{"9"}}));
    EXPECT_EQ(other.run(insert_statement(named("Чужая"))), SQL_SUCCESS);
}

// Jet's transaction statements, for clients that cannot set attributes.
TEST_F(Transactions, JetStatements) {
    must("BEGIN TRANSACTION");
    must(insert_statement(named("Отменена")));
    must("rollback transaction");
    must("begin transaction");
    must(insert_statement(named("Сохранена")));
    must("COMMIT");
    EXPECT_EQ(stored_names(db_), (std::vector<std::string>{"Сохранена"}));
    // Outside a transaction there is nothing to end, and BEGIN does not nest.
    for (const char* sql : {"COMMIT TRANSACTION", "ROLLBACK"}) {
        std::vector<Diag> diags;
        EXPECT_EQ(db_.run(sql, &diags), SQL_ERROR) << sql;
        ASSERT_FALSE(diags.empty()) << sql;
        EXPECT_EQ(diags[0].state, "25000") << sql;
    }
    must("BEGIN TRANSACTION");
    EXPECT_EQ(db_.run("BEGIN TRANSACTION"), SQL_ERROR);
    must("ROLLBACK");
}

}  // namespace
}  // namespace dtest
