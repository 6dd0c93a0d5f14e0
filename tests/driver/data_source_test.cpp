// Registering the Store data source through unixODBC's installer, as the
// program's setup does, and using it from fresh processes: our own child and
// the command-line clients of unixODBC.

#include <odbcinst.h>

#include <map>
#include <sstream>

#include "odbc_support.h"
#include "store/text_fold.h"

namespace dtest {
namespace {

constexpr const char* kDriverName = "Microsoft Access Driver (*.mdb)";

// Entries of one [section] of an ini text; nullopt when the section is absent.
std::optional<std::map<std::string, std::string>> ini_section(const std::string& text, const std::string& name) {
    auto trim = [](std::string s) {
        const auto b = s.find_first_not_of(" \t\r");
        const auto e = s.find_last_not_of(" \t\r");
        return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
    };
    std::optional<std::map<std::string, std::string>> out;
    bool inside = false;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        line = trim(line);
        if (line.starts_with("[")) {
            inside = line == "[" + name + "]";
            if (inside) out.emplace();
        } else if (inside && line.find('=') != std::string::npos) {
            const auto eq = line.find('=');
            (*out)[trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
        }
    }
    return out;
}

std::string installer_error() {
    DWORD code = 0;
    char message[512] = {};
    WORD len = 0;
    std::string out;
    for (WORD i = 1; i <= 8 && SQLInstallerError(i, &code, message, sizeof message, &len) == SQL_SUCCESS; ++i) {
        out += std::to_string(code) + ": " + message + "\n";
    }
    return out;
}

// The attributes the program's setup passes, with the database at dbq.
std::string setup_attributes(const std::string& dbq) {
    std::string list = "Server=MDBLib|Description=Store|DSN=Store|DBQ=" + dbq + "|UID=|PWD=||";
    for (char& c : list) {
        if (c == '|') c = '\0';
    }
    return list;
}

bool configure(WORD request, const std::string& attributes) {
    return SQLConfigDataSource(nullptr, request, kDriverName, attributes.c_str());
}

// Connects to "Store" in a child process of this executable and prints the
// rows of a query.
std::string connect_in_child(const std::string& sql, int* status) {
    return run_command("'" + self_executable() + "' --connect-child Store \"" + sql + "\"", "", status);
}

class DataSource : public StoreFixture {
protected:
    void TearDown() override {
        // Leave no Store data source behind for other tests of this process.
        configure(ODBC_REMOVE_DSN, setup_attributes(db_path_));
    }

    void register_store() { ASSERT_TRUE(configure(ODBC_ADD_DSN, setup_attributes(db_path_))) << installer_error(); }
};

TEST_F(DataSource, AddWritesSectionAndRemoveDeletesIt) {
    add_item(Item{});
    ASSERT_NO_FATAL_FAILURE(register_store());
    const auto section = ini_section(read_file(odbc_ini_path()), "Store");
    ASSERT_TRUE(section.has_value()) << read_file(odbc_ini_path());
    const std::map<std::string, std::string> expected = {
        {"Driver", kDriverName}, {"Server", "MDBLib"}, {"Description", "Store"},
        {"DBQ", db_path_},       {"UID", ""},          {"PWD", ""}};
    EXPECT_EQ(*section, expected);

    int status = -1;
    const std::string output = connect_in_child("SELECT [Название], [ID] FROM [Store] ORDER BY [ID] DESC", &status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output, "Резистор 10кОм|" + std::to_string(highest_id()) + "\n");

    ASSERT_TRUE(configure(ODBC_REMOVE_DSN, setup_attributes(db_path_))) << installer_error();
    EXPECT_FALSE(ini_section(read_file(odbc_ini_path()), "Store").has_value()) << read_file(odbc_ini_path());
    connect_in_child("SELECT * FROM [Package]", &status);
    EXPECT_EQ(status, 1);
}

TEST_F(DataSource, AddWithoutDsnIsRefused) {
    std::string list = "Description=Store|DBQ=" + db_path_ + "||";
    for (char& c : list) {
        if (c == '|') c = '\0';
    }
    EXPECT_FALSE(configure(ODBC_ADD_DSN, list));
    EXPECT_FALSE(installer_error().empty());
    EXPECT_EQ(read_file(odbc_ini_path()).find(db_path_), std::string::npos);
}

// The program registers the data source again whenever the user picks
// another database file, and connects in the same process.
TEST_F(DataSource, AddingAgainSwitchesTheDatabase) {
    const std::string other = new_folder("other") + "Store.mdb";
    ASSERT_NO_FATAL_FAILURE(create_store(other));
    {
        Connection c;
        ASSERT_TRUE(SQL_SUCCEEDED(c.open_file(other)));
        ASSERT_EQ(c.run("INSERT INTO [Package] Values('Другая')"), SQL_SUCCESS);
    }
    must("INSERT INTO [Package] Values('Своя')");
    for (const auto& [dbq, package] : {std::pair{other, "Другая"}, std::pair{db_path_, "Своя"}}) {
        ASSERT_TRUE(configure(ODBC_ADD_DSN, setup_attributes(dbq))) << installer_error();
        const std::string text = read_file(odbc_ini_path());
        EXPECT_EQ(text.find("[Store]"), text.rfind("[Store]")) << text;
        EXPECT_EQ(ini_section(text, "Store").value_or(std::map<std::string, std::string>{})["DBQ"], dbq);
        Connection c;
        ASSERT_EQ(c.open_dsn("Store"), SQL_SUCCESS) << describe(c.diags());
        EXPECT_EQ(c.query("SELECT * FROM [Package] ORDER BY [Тип корпуса]"), (Rows{{package}}));
    }
}

// A script of the program's own statements and the rows it must print.
const char* const kScript =
    "INSERT INTO [Store] ([Название],[Описание],[Расположение],[Количество],[Цена расходная],[Цена приходная],"
    "[Поставщик],[Путь],[Тип корпуса],[Datasheet])VALUES ('Резистор 10кОм','0,25 Вт','Шкаф 1',5,12.5,.5,"
    "'ЧипДип','Пассивные/Резисторы','0805','')\n"
    "INSERT INTO [Store] ([Название],[Количество],[Цена расходная],[Цена приходная])VALUES ('Диод O''Hara',7,0,"
    "99999.99)\n"
    "INSERT INTO [Package] Values('SOT-23')\n"
    "SELECT [Название], [Количество], [Цена расходная], [Цена приходная] FROM [Store] WHERE [Название] LIKE "
    "'%резистор%' ORDER BY [Название]\n"
    "SELECT [Название], [Количество], [Цена расходная], [Цена приходная] FROM [Store] WHERE [Название] LIKE "
    "'%o''hara%' ORDER BY [Название]\n"
    "SELECT * FROM [Package] ORDER BY [Тип корпуса]\n";

// Splits the script's output at the query rows it must print; cyrillic
// turns the expected texts into what the client shows for them.
void expect_script_output(const std::string& output, std::string (*cyrillic)(const std::string&)) {
    EXPECT_NE(output.find(cyrillic("Резистор 10кОм") + "|5|12.5000|.5000\n"), std::string::npos) << output;
    EXPECT_NE(output.find(cyrillic("Диод") + " O'Hara|7|.0000|99999.9900\n"), std::string::npos) << output;
    EXPECT_NE(output.find("SOT-23\n"), std::string::npos) << output;
    EXPECT_EQ(output.find("ERROR"), std::string::npos) << output;
}

std::string as_is(const std::string& text) { return text; }

// iusql prints the low byte of every UTF-16 unit it reads.
std::string low_bytes_of_utf16(const std::string& text) {
    std::string out;
    for (char32_t c : detalehran::store::decode_utf8(text)) out += static_cast<char>(c & 0xFF);
    return out;
}

// The rows the script leaves in the database, read by the program's way.
void expect_script_rows(Connection& db) {
    const Rows rows = db.query("SELECT * FROM [Store] ORDER BY [Название]");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][kName], "Диод O'Hara");
    EXPECT_EQ(rows[1], (Row{"Резистор 10кОм", "0,25 Вт", "Шкаф 1", "5", "12.5000", ".5000", "ЧипДип",
                            "Пассивные/Резисторы", "0805", rows[1][kId], ""}));
    EXPECT_EQ(db.query("SELECT * FROM [Package] ORDER BY [Тип корпуса]"), (Rows{{"SOT-23"}}));
}

TEST_F(DataSource, IsqlRunsProgramStatements) {
    ASSERT_NE(std::string(DETALEHRAN_ISQL), "") << "isql of unixODBC is not installed";
    ASSERT_NO_FATAL_FAILURE(register_store());
    const std::string isql = std::string(DETALEHRAN_ISQL) + " -v -b -d'|' Store";
    int status = -1;
    const std::string output = run_command(isql, kScript, &status);
    EXPECT_EQ(status, 0) << output;
    expect_script_output(output, as_is);
    expect_script_rows(db_);

    // isql works with ODBC 2 states: 42S02 is shown as S0002.
    const std::string failed = run_command(isql, "SELECT * FROM [Склад]\n", &status);
    EXPECT_NE(failed.find("[S0002]"), std::string::npos) << failed;
    EXPECT_NE(failed.find("Склад"), std::string::npos) << failed;
}

// iusql widens each byte of its input to a UTF-16 unit, which unixODBC turns
// back into the same bytes for a driver without wide entry points only in
// the C locale; what it reads as SQL_C_WCHAR it prints a low byte per unit.
// So the statements carry Cyrillic intact, and the printed rows show the
// driver's UTF-16 answer unit by unit.
TEST_F(DataSource, IusqlWritesAndReadsCyrillic) {
    const std::string iusql = DETALEHRAN_IUSQL;
    if (iusql.empty() || !file_exists(iusql)) GTEST_SKIP() << "iusql of unixODBC is not installed";
    ASSERT_NO_FATAL_FAILURE(register_store());
    int status = -1;
    const std::string output = run_command("LC_ALL=C " + iusql + " -v -b -d'|' Store", kScript, &status);
    EXPECT_EQ(status, 0) << output;
    expect_script_output(output, low_bytes_of_utf16);
    expect_script_rows(db_);
}

// iusql shows column names as it shows values, a low byte per UTF-16 unit
// it reads: the Cyrillic names arrive whole, with nothing after them.
TEST_F(DataSource, IusqlPrintsColumnNames) {
    const std::string iusql = DETALEHRAN_IUSQL;
    if (iusql.empty() || !file_exists(iusql)) GTEST_SKIP() << "iusql of unixODBC is not installed";
    ASSERT_NO_FATAL_FAILURE(register_store());
    int status = -1;
    const std::string output =
        run_command("LC_ALL=C " + iusql + " -v -b -c -d'|' Store", "SELECT * FROM [Store]\nSELECT * FROM [Package]\n",
                    &status);
    EXPECT_EQ(status, 0) << output;
    const std::string store_header =
        "Название|Описание|Расположение|Количество|Цена расходная|Цена приходная|Поставщик|Путь|Тип корпуса|ID|"
        "Datasheet\n";
    EXPECT_EQ(output, low_bytes_of_utf16(store_header + "Тип корпуса\n"));
}

// isql cannot switch automatic commit off; Jet's statements end what
// BEGIN TRANSACTION began.
TEST_F(DataSource, IsqlRunsJetTransactions) {
    ASSERT_NE(std::string(DETALEHRAN_ISQL), "") << "isql of unixODBC is not installed";
    ASSERT_NO_FATAL_FAILURE(register_store());
    int status = -1;
    const std::string output = run_command(std::string(DETALEHRAN_ISQL) + " -v -b Store",
                                           "BEGIN TRANSACTION\n"
                                           "INSERT INTO [Package] Values('Отменённый')\n"
                                           "ROLLBACK TRANSACTION\n"
                                           "BEGIN TRANSACTION\n"
                                           "INSERT INTO [Package] Values('Сохранённый')\n"
                                           "COMMIT TRANSACTION\n",
                                           &status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output.find("ERROR"), std::string::npos) << output;
    EXPECT_EQ(db_.query("SELECT * FROM [Package]"), (Rows{{"Сохранённый"}}));
}

}  // namespace
}  // namespace dtest
