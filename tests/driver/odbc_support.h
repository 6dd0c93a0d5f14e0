#pragma once
// Helpers for tests that reach the driver through unixODBC's driver manager,
// as the program does. The test process gets one temporary folder holding
// odbc.ini (ODBCINI) and a copy of the build's odbcinst.ini (ODBCSYSINI);
// every test makes its own subfolder for its databases.

#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <optional>
#include <string>
#include <vector>

namespace dtest {

// Column positions of Store and Temp in SELECT * results (0-based).
enum ItemColumn {
    kName,
    kDescription,
    kLocation,
    kQuantity,
    kSalePrice,
    kBuyPrice,
    kSupplier,
    kPath,
    kPackage,
    kId,
    kDatasheet
};

using Cell = std::optional<std::string>;
using Row = std::vector<Cell>;
using Rows = std::vector<Row>;

struct Diag {
    std::string state;
    std::string message;
};

// The process-wide folder and its files.
const std::string& process_folder();
std::string odbc_ini_path();
// A fresh, empty subfolder of the process folder, with a trailing "/".
std::string new_folder(const std::string& hint);
// Path of this test executable, for children that need a fresh process.
std::string self_executable();

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
bool file_exists(const std::string& path);

// Creates an empty inventory database; fails the test on error.
void create_store(const std::string& path);

// The text literal of a value as the program writes it into statements.
std::string quoted(const std::string& value);

// Diagnostic records of a handle, in order.
std::vector<Diag> diagnostics(SQLSMALLINT type, SQLHANDLE handle);
std::string describe(const std::vector<Diag>& diags);

// Reads every remaining row of a statement, each value as SQL_C_CHAR in
// pieces; NULL as nullopt.
Rows fetch_rows(SQLHSTMT stmt);
// Reads one value of the current row as SQL_C_CHAR in pieces.
Cell read_text(SQLHSTMT stmt, SQLUSMALLINT column);

// One environment and connection with the ODBC 3 behaviour the program sets.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // DRIVER={Microsoft Access Driver (*.mdb)};DBQ=<path>;
    SQLRETURN open_file(const std::string& path);
    SQLRETURN open_dsn(const std::string& dsn, const std::string& user = "", const std::string& password = "");
    std::vector<Diag> diags() const { return diagnostics(SQL_HANDLE_DBC, dbc_); }
    SQLHDBC handle() const { return dbc_; }

    // Runs one statement on a statement handle of its own.
    SQLRETURN run(const std::string& sql, std::vector<Diag>* diags = nullptr);
    // Runs a query that must succeed and returns all its rows.
    Rows query(const std::string& sql);

private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool open_ = false;
};

// A statement handle of a connection, freed with it.
class Statement {
public:
    explicit Statement(Connection& connection);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    SQLHSTMT handle() const { return stmt_; }
    SQLRETURN exec(const std::string& sql);
    SQLRETURN fetch() { return SQLFetch(stmt_); }
    std::vector<Diag> diags() const { return diagnostics(SQL_HANDLE_STMT, stmt_); }

private:
    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

// The values of one inventory item as the program's editor fills them.
struct Item {
    std::string name = "Резистор 10кОм";
    std::string description = "0,25 Вт";
    std::string location = "Шкаф 1";
    std::string quantity = "5";
    std::string sale_price = "12.5";
    std::string buy_price = ".5";
    std::string supplier = "ЧипДип";
    std::string path = "Пассивные/Резисторы";
    std::string package = "0805";
    std::string datasheet = "";
};

// The program's INSERT of a new item.
std::string insert_statement(const Item& item);

// A connected database of its own in a fresh subfolder.
class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override;

    // Runs a statement that must succeed with SQL_SUCCESS.
    void must(const std::string& sql);
    // Inserts an item and returns the ID it got.
    long add_item(const Item& item);
    long highest_id();
    // Names of the rows of a SELECT *, in order.
    std::vector<std::string> names(const std::string& sql);

    std::string folder_;
    std::string db_path_;
    Connection db_;
};

// Runs a shell command, feeding input to its stdin; returns its output
// (stdout and stderr) and sets *status to its exit status.
std::string run_command(const std::string& command, const std::string& input, int* status);

}  // namespace dtest
