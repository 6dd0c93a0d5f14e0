// Start-up and shutdown end to end in a temporary working folder, in process
// and, for the termination signal, as the real program.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <sqlite3.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "state/app.h"
#include "mainwindow/control_numbers.h"
#include "app/lifecycle.h"
#include "mainwindow/main_window.h"
#include "db/statements.h"
#include "store/store_schema.h"
#include "jet_fixture_writer.h"
#include "itemlist/item_list_model.h"
#include "support/scripted_services.h"
#include "support/test_environment.h"

using namespace detalehran;
using detalehran::testing::file_exists;
using detalehran::testing::read_file;
using detalehran::testing::ScriptedServices;
using detalehran::testing::ServiceKind;
using detalehran::testing::TestFolder;

namespace {

const char* kInsertItem =
    "INSERT INTO [Store] ([Название],[Описание],[Расположение],[Количество],[Цена расходная],[Цена приходная],"
    "[Поставщик],[Путь],[Тип корпуса],[Datasheet])VALUES ('%1','','|Все|Шкаф|',3,1.5,1,'','|Все|Разное|','','')";

std::string insert_item(const char* name) { return QString(kInsertItem).arg(name).toStdString(); }

// The test's own look at the file goes straight to SQLite: a look-up of the
// data source from this process would be remembered by unixODBC for a while
// and change what the program under test finds.
void exec(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_TRUE(store::register_text_functions(db));
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

// Items named in order get IDs 1, 2, ...; the last one can be left parked in
// the scratch table only, as a cut leaves it.
void seed(const std::string& directory, std::initializer_list<const char*> names, bool park_last = false) {
    for (const char* name : names) exec(directory + "Store.mdb", insert_item(name));
    if (park_last) {
        const std::string id = std::to_string(names.size());
        exec(directory + "Store.mdb", "INSERT INTO [Temp] SELECT * FROM [Store] WHERE [ID] = " + id +
                                          "; DELETE FROM [Store] WHERE [ID] = " + id);
    }
}

std::vector<std::string> names_in(const std::string& directory, const char* table) {
    sqlite3* db = nullptr;
    std::vector<std::string> names;
    if (sqlite3_open_v2((directory + "Store.mdb").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return {"<cannot open>"};
    }
    store::register_text_functions(db);
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db, (std::string("SELECT [Название] FROM [") + table + "] ORDER BY [Название]").c_str(), -1,
                       &query, nullptr);
    while (sqlite3_step(query) == SQLITE_ROW) names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)));
    sqlite3_finalize(query);
    sqlite3_close(db);
    return names;
}

bool store_registered(const TestFolder& folder) {
    return folder.odbc_ini_text().find("[Store]") != std::string::npos;
}

Event close_of(int window) {
    Event e;
    e.kind = kCloseEvent;
    e.window = window;
    return e;
}

class StartUp : public ::testing::Test {
protected:
    StartUp() : app_(services_) {
        detalehran::testing::test_application();
        app_.end_process = [this](int code) { ended_with_ = code; };
    }
    ~StartUp() override { delete app_.main_window; }

    TestFolder folder_;
    ScriptedServices services_;
    App app_;
    int ended_with_ = -1;
};

}  // namespace

TEST_F(StartUp, FirstStartRegistersConnectsAndMakesTheBackup) {
    folder_.create_store();
    start_up(app_);
    EXPECT_TRUE(app_.database.is_open());
    EXPECT_EQ(services_.count(ServiceKind::message_box), 0);
    const std::string ini = folder_.odbc_ini_text();
    EXPECT_NE(ini.find("DBQ=" + folder_.file("Store.mdb")), std::string::npos) << ini;
    EXPECT_NE(ini.find("Description=Store"), std::string::npos) << ini;
    EXPECT_TRUE(app_.backup_copy.wait());
    EXPECT_EQ(read_file(folder_.file("Store_Backup.mdb")), read_file(folder_.file("Store.mdb")));
    ASSERT_NE(app_.main_window, nullptr);
    EXPECT_EQ(app_.list_source_tree, kPathTree);
}

TEST_F(StartUp, WithoutTheDatabaseFileTheUserIsToldOnceAndNothingBreaks) {
    start_up(app_);
    EXPECT_FALSE(app_.database.is_open());
    ASSERT_EQ(services_.count(ServiceKind::message_box), 1);
    const auto* box = services_.last(ServiceKind::message_box);
    EXPECT_EQ(box->title, QString::fromUtf8("Внимание!"));
    EXPECT_TRUE(box->text.contains(QString::fromStdString(folder_.file("Store.mdb")))) << box->text.toStdString();
    EXPECT_TRUE(box->text.contains("not found")) << box->text.toStdString();
    EXPECT_FALSE(file_exists(folder_.file("Store_Backup.mdb")));
    EXPECT_FALSE(file_exists(folder_.file("Store.mdb")));

    process_event(app_, close_of(kMainWindow));
    EXPECT_TRUE(app_.loop_ended);
    shut_down(app_);
    EXPECT_FALSE(store_registered(folder_));
}

TEST_F(StartUp, DataSourceLeftFromAnotherFolderIsUsedButTheLocalFileIsBackedUp) {
    folder_.create_store();
    const std::string other = folder_.subfolder("other");
    folder_.create_store("other/Store.mdb");
    seed(other, {"чужой"});
    std::ofstream(folder_.odbc_ini()) << "[Store]\nDriver = Microsoft Access Driver (*.mdb)\nDBQ = " << other
                                      << "Store.mdb\n";
    start_up(app_);
    ASSERT_TRUE(app_.database.is_open());
    EXPECT_EQ(app_.database.database_path(), other + "Store.mdb");
    EXPECT_TRUE(app_.backup_copy.wait());
    EXPECT_EQ(read_file(folder_.file("Store_Backup.mdb")), read_file(folder_.file("Store.mdb")));
    EXPECT_NE(read_file(folder_.file("Store_Backup.mdb")), read_file(other + "Store.mdb"));
}

TEST_F(StartUp, ClosingTheMainWindowReturnsParkedItemsAndRemovesTheDataSource) {
    folder_.create_store();
    seed(folder_.path(), {"остаётся", "вырезан"}, /*park_last=*/true);
    start_up(app_);
    ASSERT_TRUE(store_registered(folder_));

    // The close box, through the window layer and the router.
    app_.main_window->close();
    QCoreApplication::processEvents();
    ASSERT_TRUE(app_.loop_ended);
    EXPECT_TRUE(app_.main_window->isVisible());  // the program closes it, not Qt
    shut_down(app_);
    EXPECT_FALSE(app_.database.is_open());
    EXPECT_FALSE(store_registered(folder_));
    EXPECT_EQ(names_in(folder_.path(), "Store"), (std::vector<std::string>{"вырезан", "остаётся"}));
    EXPECT_TRUE(names_in(folder_.path(), "Temp").empty());
}

TEST_F(StartUp, ExitLeavesTheDataSourceAndTheScratchTable) {
    folder_.create_store();
    seed(folder_.path(), {"остаётся", "вырезан"}, /*park_last=*/true);
    start_up(app_);
    Event exit;
    exit.kind = kMenuEvent;
    exit.control = kMenuExit;
    process_event(app_, exit);
    EXPECT_EQ(ended_with_, 0);
    EXPECT_FALSE(app_.loop_ended);
    // The process would be gone now: nothing of shutdown has run.
    EXPECT_TRUE(store_registered(folder_));
    app_.database.close_store();
    EXPECT_EQ(names_in(folder_.path(), "Temp"), (std::vector<std::string>{"вырезан"}));
}

// A command that throws (here out of memory) is reported in Russian and the
// loop goes on: nothing leaves through Qt's event loop.
TEST_F(StartUp, ACommandThatThrowsIsReportedAndTheLoopGoesOn) {
    folder_.create_store();
    start_up(app_);
    app_.end_process = [](int) { throw std::bad_alloc(); };
    Event exit;
    exit.kind = kMenuEvent;
    exit.control = kMenuExit;
    process_event(app_, exit);
    ASSERT_EQ(services_.count(ServiceKind::message_box), 1);
    EXPECT_NE(services_.calls.back().text.indexOf(QString::fromUtf8("не хватает памяти")), -1)
        << services_.calls.back().text.toStdString();
    EXPECT_FALSE(app_.loop_ended);
    EXPECT_TRUE(app_.database.is_open());
}

TEST_F(StartUp, ClosingADialogDoesNotEndTheLoopAndTheNextEventIsRouted) {
    folder_.create_store();
    start_up(app_);
    app_.main_window->setEnabled(false);
    process_event(app_, close_of(kAboutWindow));
    EXPECT_TRUE(app_.main_window->isEnabled());
    EXPECT_FALSE(app_.loop_ended);
    // The very next event is handled like any other.
    Event click;
    click.kind = kControlEvent;
    click.control = kLocationTree;
    click.type = kLeftClick;
    process_event(app_, click);
    EXPECT_EQ(app_.list_source_tree, kLocationTree);
    for (int window : {kEditorWindow, kTableSettingsWindow}) {
        app_.main_window->setEnabled(false);
        process_event(app_, close_of(window));
        EXPECT_TRUE(app_.main_window->isEnabled());
        EXPECT_FALSE(app_.loop_ended);
    }
}

// While a dialog is open the main window is disabled and its close box is
// refused: what the user typed in the dialog stays. A termination signal
// still ends the program in order, without saving the open editor's item.
TEST_F(StartUp, AnOpenDialogKeepsTheMainWindowFromClosingButASignalStillShutsDown) {
    folder_.create_store();
    seed(folder_.path(), {"деталь"});
    start_up(app_);
    for (int menu_item : {kMenuAbout, kMenuTableSettings, kMenuEdit}) {
        app_.main_window->select_row(0);
        Event open;
        open.kind = kMenuEvent;
        open.control = menu_item;
        process_event(app_, open);
        QCoreApplication::processEvents();
        ASSERT_FALSE(app_.main_window->isEnabled()) << menu_item;
        app_.main_window->close();
        QCoreApplication::processEvents();
        EXPECT_FALSE(app_.loop_ended) << menu_item;
        EXPECT_TRUE(app_.main_window->isVisible()) << menu_item;
        if (menu_item != kMenuEdit) app_.main_window->findChild<QWidget*>(
            menu_item == kMenuAbout ? "about_dialog" : "table_settings_dialog")->close();
        QCoreApplication::processEvents();
    }
    auto* name = qobject_cast<QLineEdit*>(app_.main_window->findChild<QWidget*>("control_22"));
    ASSERT_NE(name, nullptr);
    name->setText("изменена");
    app_.main_window->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(name->text(), "изменена");

    process_event(app_, close_of(kMainWindow));  // what the signal route does
    EXPECT_TRUE(app_.loop_ended);
    shut_down(app_);
    EXPECT_EQ(names_in(folder_.path(), "Store"), (std::vector<std::string>{"деталь"}));
    EXPECT_FALSE(store_registered(folder_));
    const std::string settings = read_file(folder_.file("Store.ini"));  // written whole at the close
    EXPECT_EQ(settings.find("[TreeItems]"), 0u);
    EXPECT_NE(settings.find("[HighLight]\r\nColor="), std::string::npos);
}

// A Store.mdb of the old Windows program (an Access file): the user is asked
// once. "Да" converts it, keeps the original beside it and says what was
// converted; "Нет", a damaged file and a column the user will not do without
// leave the folder exactly as it was, and the program goes on.
struct OldStoreCase {
    const char* name;
    std::string (*damage)(std::string bytes);
    std::vector<MessageAnswer> answers;
    bool converted;
    std::vector<std::string> told;  // how each message box after the first question begins
    const char* because = "";       // in the last one
};

std::string as_written(std::string bytes) { return bytes; }
std::string cut_short(std::string bytes) { return bytes.substr(0, bytes.size() - 4096); }
std::string price_renamed(std::string bytes) { return jet::fixture::column_name_flipped(bytes, "Цена расходная"); }

const std::string kKeptAside = "Файл Store.mdb не преобразован, он остался прежним.\n";
const std::string kAskedWithout =
    "В старом файле нет столбца «Цена расходная». Преобразовать без него? Цены будут пустыми.";
const std::string kConverted =
    "Файл Store.mdb преобразован, исходный файл сохранён как Store.mdb.jet.\n\nДеталей: 1\nТипов корпуса: "
    "1\nВырезанных деталей возвращено на склад: 0";

class OldStore : public StartUp, public ::testing::WithParamInterface<OldStoreCase> {};

TEST_P(OldStore, IsConvertedOnlyWhenTheUserAgreesAndTheFileReadsWhole) {
    namespace fx = jet::fixture;
    auto text = [](const char* value) { return fx::Value(std::string(value)); };
    auto number = [](std::int64_t value) { return fx::Value(value); };
    fx::Table store{"Store", fx::item_columns(), {}};
    store.rows.push_back({text("Резистор 1 кОм"), text("0,25 Вт"), text("|Все|Шкаф|"), number(40), number(5000),
                          number(2500), text("Чип и Дип"), text("|Все|Резисторы|"), text("0805"), number(7),
                          text("r.pdf")});
    fx::Table temp{"Temp", fx::item_columns(), {}};
    std::string bytes, error;
    ASSERT_TRUE(fx::build_jet4_file({store, fx::package_table({"0805"}), temp}, &bytes, &error)) << error;
    bytes = GetParam().damage(bytes);
    std::ofstream(folder_.file("Store.mdb"), std::ios::binary) << bytes;

    services_.message_answers.assign(GetParam().answers.begin(), GetParam().answers.end());
    start_up(app_);
    std::vector<std::string> boxes;
    for (const auto& call : services_.calls) {
        if (call.kind == ServiceKind::message_box) boxes.push_back(call.text.toStdString());
    }
    ASSERT_GE(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Файл Store.mdb создан прежней версией программы. Преобразовать его? Исходный файл будет "
                        "сохранён как Store.mdb.jet");
    EXPECT_EQ(services_.calls[0].buttons, MessageButtons::yes_no);
    // Nothing else is said; a refusal says why, in Russian.
    const std::vector<std::string>& told = GetParam().told;
    ASSERT_EQ(boxes.size(), told.size() + 1);
    for (std::size_t k = 0; k < told.size(); ++k) EXPECT_EQ(boxes[k + 1].substr(0, told[k].size()), told[k]);
    EXPECT_NE(boxes.back().find(GetParam().because), std::string::npos) << boxes.back();

    EXPECT_EQ(app_.database.is_open(), GetParam().converted);
    EXPECT_EQ(app_.backup_copy.wait(), GetParam().converted);
    if (GetParam().converted) {
        EXPECT_EQ(read_file(folder_.file("Store.mdb.jet")), bytes);
        EXPECT_EQ(names_in(folder_.path(), "Store"), (std::vector<std::string>{"Резистор 1 кОм"}));
        ASSERT_EQ(app_.main_window->list_model().row_count(), 1);
        EXPECT_EQ(app_.main_window->list_model().cell(0, db::kId), "7");
        EXPECT_TRUE(file_exists(folder_.file("Store_Backup.mdb")));
    } else {
        EXPECT_EQ(read_file(folder_.file("Store.mdb")), bytes);
        EXPECT_FALSE(file_exists(folder_.file("Store.mdb.jet")));
        EXPECT_FALSE(file_exists(folder_.file("Store_Backup.mdb")));
        EXPECT_EQ(app_.main_window->list_model().row_count(), 0);
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".converting"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, OldStore,
    ::testing::Values(
        OldStoreCase{"Yes", as_written, {MessageAnswer::yes}, true, {kConverted}},
        OldStoreCase{"No", as_written, {MessageAnswer::no}, false, {}},
        OldStoreCase{"CutShort", cut_short, {MessageAnswer::yes}, false, {kKeptAside}, "Store.mdb повреждён"},
        OldStoreCase{"FieldSizeFlipped", jet::fixture::field_size_flipped, {MessageAnswer::yes}, false, {kKeptAside},
                     "Store.mdb повреждён: в таблице Store, строке 1, столбце «Datasheet»"},
        OldStoreCase{"ColumnRenamedDeclined", price_renamed, {MessageAnswer::yes, MessageAnswer::no}, false,
                     {kAskedWithout}},
        OldStoreCase{"ColumnRenamedAccepted",
                     price_renamed,
                     {MessageAnswer::yes, MessageAnswer::yes},
                     true,
                     {kAskedWithout, kConverted},
                     "\nПреобразовано без столбца «Цена расходная»"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Program, TerminationSignalShutsDownLikeClosingTheWindow) {
    TestFolder folder;
    folder.create_store();
    seed(folder.path(), {"остаётся", "вырезан"}, /*park_last=*/true);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(DETALEHRAN_PROGRAM, DETALEHRAN_PROGRAM, static_cast<char*>(nullptr));
        _exit(127);
    }
    // The backup copy is made as start-up ends.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!file_exists(folder.file("Store_Backup.mdb")) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(file_exists(folder.file("Store_Backup.mdb")));
    EXPECT_TRUE(store_registered(folder));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // into the event loop
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(store_registered(folder));
    EXPECT_EQ(names_in(folder.path(), "Store"), (std::vector<std::string>{"вырезан", "остаётся"}));
    EXPECT_TRUE(names_in(folder.path(), "Temp").empty());
}
