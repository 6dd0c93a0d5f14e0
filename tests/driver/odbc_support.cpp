#include "odbc_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "store/store_schema.h"

namespace fs = std::filesystem;

namespace dtest {

namespace {

std::string g_folder;
std::atomic<int> g_counter{0};

// Sets up the process-wide folder before any test makes an ODBC call.
class ProcessFolder : public ::testing::Environment {
public:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/detalehran-driver-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
        g_folder = pattern + "/";
        owner_ = ::getpid();
        fs::create_directory(g_folder + "sys");
        // A copy, so that nothing unixODBC might write lands in the build tree.
        const std::string registration = read_file(std::string(DETALEHRAN_ODBCSYSINI) + "/odbcinst.ini");
        ASSERT_NE(registration.find("Microsoft Access Driver (*.mdb)"), std::string::npos);
        write_file(g_folder + "sys/odbcinst.ini", registration);
        write_file(g_folder + "odbc.ini", "");
        ::setenv("ODBCSYSINI", (g_folder + "sys").c_str(), 1);
        ::setenv("ODBCINI", (g_folder + "odbc.ini").c_str(), 1);
    }
    void TearDown() override {
        if (::getpid() == owner_ && !g_folder.empty()) fs::remove_all(g_folder);
    }

private:
    pid_t owner_ = 0;
};

// Child mode: connects to a data source in a fresh process (unixODBC keeps
// what it once read about data sources for a while) and prints the rows of
// one query, a line each, values separated by "|".
int connect_child(const std::string& dsn, const std::string& sql) {
    Connection c;
    if (!SQL_SUCCEEDED(c.open_dsn(dsn))) {
        std::cout << "connect failed: " << describe(c.diags()) << "\n";
        return 1;
    }
    Statement s(c);
    if (!SQL_SUCCEEDED(s.exec(sql))) {
        std::cout << "query failed: " << describe(s.diags()) << "\n";
        return 2;
    }
    for (const Row& row : fetch_rows(s.handle())) {
        for (std::size_t i = 0; i < row.size(); ++i) std::cout << (i ? "|" : "") << row[i].value_or("<null>");
        std::cout << "\n";
    }
    return 0;
}

}  // namespace

const std::string& process_folder() { return g_folder; }

std::string odbc_ini_path() { return g_folder + "odbc.ini"; }

std::string new_folder(const std::string& hint) {
    std::string name;
    for (char c : hint) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    const std::string path = g_folder + name + "-" + std::to_string(++g_counter) + "/";
    fs::create_directories(path);
    return path;
}

std::string self_executable() { return fs::read_symlink("/proc/self/exe").string(); }

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool file_exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

void create_store(const std::string& path) {
    std::string error;
    ASSERT_TRUE(detalehran::store::create_store_file(path, &error)) << error;
}

std::string quoted(const std::string& value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

std::vector<Diag> diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::vector<Diag> out;
    for (SQLSMALLINT rec = 1;; ++rec) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLCHAR text[1024] = {};
        SQLSMALLINT len = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, rec, state, &native, text, sizeof text, &len))) break;
        out.push_back({reinterpret_cast<char*>(state), reinterpret_cast<char*>(text)});
    }
    return out;
}

std::string describe(const std::vector<Diag>& diags) {
    std::string out;
    for (const Diag& d : diags) out += "[" + d.state + "] " + d.message + "\n";
    return out.empty() ? "(no diagnostics)" : out;
}

Cell read_text(SQLHSTMT stmt, SQLUSMALLINT column) {
    std::string value;
    char buffer[4096];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, column, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) {
            ADD_FAILURE() << "SQLGetData of column " << column << ": " << describe(diagnostics(SQL_HANDLE_STMT, stmt));
            return std::nullopt;
        }
        if (indicator == SQL_NULL_DATA) return std::nullopt;
        if (rc == SQL_SUCCESS) {
            value.append(buffer, static_cast<std::size_t>(indicator));
            break;
        }
        value.append(buffer, sizeof buffer - 1);
    }
    return value;
}

Rows fetch_rows(SQLHSTMT stmt) {
    Rows rows;
    SQLSMALLINT columns = 0;
    EXPECT_EQ(SQLNumResultCols(stmt, &columns), SQL_SUCCESS);
    for (;;) {
        const SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) {
            ADD_FAILURE() << "SQLFetch: " << describe(diagnostics(SQL_HANDLE_STMT, stmt));
            break;
        }
        Row row;
        for (SQLSMALLINT c = 1; c <= columns; ++c) row.push_back(read_text(stmt, static_cast<SQLUSMALLINT>(c)));
        rows.push_back(std::move(row));
    }
    return rows;
}

Connection::Connection() {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
}

Connection::~Connection() {
    if (open_) SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

SQLRETURN Connection::open_file(const std::string& path) {
    std::string text = "DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + path + ";";
    SQLCHAR out[1024];
    SQLSMALLINT out_len = 0;
    const SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, out,
                                          sizeof out, &out_len, SQL_DRIVER_NOPROMPT);
    open_ = SQL_SUCCEEDED(rc);
    return rc;
}

SQLRETURN Connection::open_dsn(const std::string& dsn, const std::string& user, const std::string& password) {
    const SQLRETURN rc = SQLConnect(dbc_, (SQLCHAR*)dsn.c_str(), SQL_NTS, (SQLCHAR*)user.c_str(), SQL_NTS,
                                    (SQLCHAR*)password.c_str(), SQL_NTS);
    open_ = SQL_SUCCEEDED(rc);
    return rc;
}

SQLRETURN Connection::run(const std::string& sql, std::vector<Diag>* diags) {
    Statement s(*this);
    const SQLRETURN rc = s.exec(sql);
    if (diags) *diags = s.diags();
    return rc;
}

Rows Connection::query(const std::string& sql) {
    Statement s(*this);
    const SQLRETURN rc = s.exec(sql);
    EXPECT_EQ(rc, SQL_SUCCESS) << sql << "\n" << describe(s.diags());
    return SQL_SUCCEEDED(rc) ? fetch_rows(s.handle()) : Rows{};
}

Statement::Statement(Connection& connection) { SQLAllocHandle(SQL_HANDLE_STMT, connection.handle(), &stmt_); }

Statement::~Statement() {
    if (stmt_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
}

SQLRETURN Statement::exec(const std::string& sql) {
    return SQLExecDirect(stmt_, (SQLCHAR*)sql.c_str(), static_cast<SQLINTEGER>(sql.size()));
}

std::string insert_statement(const Item& item) {
    return "INSERT INTO [Store] ([Название],[Описание],[Расположение],[Количество],[Цена расходная],"
           "[Цена приходная],[Поставщик],[Путь],[Тип корпуса],[Datasheet])VALUES (" +
           quoted(item.name) + "," + quoted(item.description) + "," + quoted(item.location) + "," + item.quantity +
           "," + item.sale_price + "," + item.buy_price + "," + quoted(item.supplier) + "," + quoted(item.path) + "," +
           quoted(item.package) + "," + quoted(item.datasheet) + ")";
}

void StoreFixture::SetUp() {
    folder_ = new_folder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    db_path_ = folder_ + "Store.mdb";
    ASSERT_NO_FATAL_FAILURE(create_store(db_path_));
    ASSERT_TRUE(SQL_SUCCEEDED(db_.open_file(db_path_))) << describe(db_.diags());
}

void StoreFixture::must(const std::string& sql) {
    std::vector<Diag> diags;
    EXPECT_EQ(db_.run(sql, &diags), SQL_SUCCESS) << sql << "\n" << describe(diags);
}

long StoreFixture::add_item(const Item& item) {
    must(insert_statement(item));
    return highest_id();
}

long StoreFixture::highest_id() {
    Statement s(db_);
    EXPECT_EQ(s.exec("SELECT [ID] FROM [Store] ORDER BY [ID] DESC"), SQL_SUCCESS) << describe(s.diags());
    if (s.fetch() != SQL_SUCCESS) return 0;
    SQLINTEGER id = 0;
    SQLLEN indicator = 0;
    EXPECT_EQ(SQLGetData(s.handle(), 1, SQL_C_LONG, &id, 0, &indicator), SQL_SUCCESS);
    return id;
}

std::vector<std::string> StoreFixture::names(const std::string& sql) {
    std::vector<std::string> out;
    for (const Row& row : db_.query(sql)) out.push_back(row.empty() ? "" : row[0].value_or("<null>"));
    return out;
}

std::string run_command(const std::string& command, const std::string& input, int* status) {
    const std::string folder = new_folder("command");
    write_file(folder + "in", input);
    // A home of its own: isql keeps a history file there.
    const std::string line = std::string(DETALEHRAN_CHILD_ENV) + " HOME='" + folder + "' " + command + " <'" + folder + "in' >'" + folder + "out' 2>&1";
    const int rc = std::system(line.c_str());
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return read_file(folder + "out");
}

}  // namespace dtest

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--connect-child") == 0) return dtest::connect_child(argv[2], argv[3]);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new dtest::ProcessFolder);
    return RUN_ALL_TESTS();
}
