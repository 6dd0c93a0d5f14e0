// The program on a PostgreSQL server through the user's data source: every
// command through the program's own windows, in the server's dialect; texts
// that break statements stored exactly; a role that may only read; a server
// that is down or goes away.

#include <netinet/in.h>
#include <sys/socket.h>

#include "app/item_commands.h"
#include "db/failure_text.h"
#include "input/input_fixture.h"
#include "itemlist/quantity_field.h"
#include "server/server_fixture.h"

using namespace detalehran;
using namespace detalehran::testing;

namespace {

class ServerSession : public ServerProgram {
protected:
    void set_quantity(int row, const QString& quantity) {
        auto* field = new itemlist::QuantityField(app_, row, app_.main_window->item_list()->viewport());
        field->set_text(quantity);
        field->commit();
    }
    void check(const QStringList& names) {
        for (int r = 0; r < model().row_count(); ++r)
            model().set_checked(r, names.contains(model().cell(r, db::kName)));
    }
    Rows store() { return look_.rows(R"(SELECT "Название", "Путь", "Количество" FROM "Store" ORDER BY "ID")", 3); }
};

TEST_F(ServerSession, EveryCommandWorksOnTheServerInItsDialect) {
    create_store();
    seed({{"b", "|Все|A|", "|Все|Шкаф|"}, {"a", "|Все|B|", "|Все|Стол|"}});
    folder_.create_store();  // a Store.mdb beside is no backup of a server
    const std::string odbc_ini = folder_.odbc_ini_text();
    start();
    ASSERT_EQ(messages(), 0) << last_message().toStdString();
    EXPECT_EQ(app_.database.dialect(), db::Dialect::postgres);
    EXPECT_EQ(listed(), (QStringList{"a", "b"}));
    EXPECT_EQ(model().cell(0, db::kPrice), "1.50");
    EXPECT_FALSE(file_exists(folder_.file("Store_Backup.mdb")));
    set_trees(app_);

    click(kPathTree, 1);
    EXPECT_EQ(listed(), QStringList{"b"});
    click(kLocationTree, node(app_, kLocationTree, "|Все|Стол|"));
    EXPECT_EQ(listed(), QStringList{"a"});
    app_.main_window->search_field()->setText("A");
    itemlist::search_by_name(app_, Event{});
    EXPECT_EQ(listed(), QStringList{"a"});

    const int cupboard = node(app_, kLocationTree, "|Все|Шкаф|");
    click(kPathTree, 1);
    click(kLocationTree, cupboard);
    click(kPathTree, 1);
    save_in_editor(app_, EditorMode::add,
                   {{db::kName, "LM317"}, {db::kQuantity, "12"}, {db::kPrice, "2.5"}, {db::kPackage, "TO-220"}},
                   cupboard);
    ASSERT_EQ(editor::item_editor_window(app_), nullptr) << last_message().toStdString();
    EXPECT_EQ(model().cell(model().row_count() - 1, db::kId).toStdString(),
              look_.value(R"(SELECT "ID" FROM "Store" WHERE "Название" = 'LM317')"));
    app_.main_window->select_row(row_of(app_, "LM317"));
    save_in_editor(app_, EditorMode::edit, {{db::kName, "LM317T"}});
    app_.main_window->select_row(row_of(app_, "LM317T"));
    save_in_editor(app_, EditorMode::duplicate, {{db::kName, "LM317 копия"}});
    set_quantity(row_of(app_, "LM317T"), "30");
    EXPECT_EQ(messages(), 0) << last_message().toStdString();
    EXPECT_EQ(look_.value(R"(SELECT "Количество" FROM "Store" WHERE "Название" = 'LM317T')"), "30");

    // Cut LM317T from A, paste it into B; delete the copy; F5 reads B again.
    check({"LM317T"});
    trees::cut_items(app_, Event{});
    click(kPathTree, 2);
    trees::paste_items(app_, Event{});
    EXPECT_EQ(listed(), (QStringList{"a", "LM317T"}));
    click(kPathTree, 1);
    check({"LM317 копия"});
    commands::delete_checked_items(app_, Event{});
    look_.sql(R"(UPDATE "Store" SET "Название" = 'bb' WHERE "Название" = 'b')");
    process_event(app_, Event{kKeyDownMessage, kMainWindow, kItemList, 0, kKeyF5, kItemList, kMainWindow});
    EXPECT_EQ(listed(), QStringList{"bb"});

    // Rename section B, then delete it with its items.
    trees::select_tree_node(trees::view_of(app_, kPathTree), 2);
    trees::rename_section(app_, Event{});
    trees::finish_label_edit(app_, kPathTree, 2, QString("Б"));
    EXPECT_EQ(look_.value(R"(SELECT count(*) FROM "Store" WHERE "Путь" = '|Все|Б|')"), "2");
    services_.message_answers.push_back(MessageAnswer::yes);
    click(kPathTree, 2);
    trees::delete_section(app_, Event{});
    EXPECT_EQ(store(), (Rows{{"bb", "|Все|A|", "7"}}));

    // Cut the last one and close: it comes back from this user's Temp.
    click(kPathTree, 0);
    check({"bb"});
    trees::cut_items(app_, Event{});
    EXPECT_EQ(store(), Rows{});
    shut_down(app_);
    EXPECT_EQ(store(), (Rows{{"bb", "|Все|A|", "7"}}));
    EXPECT_EQ(messages(), 1) << last_message().toStdString();  // the delete question alone
    EXPECT_EQ(folder_.odbc_ini_text(), odbc_ini);
    EXPECT_FALSE(file_exists(folder_.file("Store_Backup.mdb")));

    ASSERT_FALSE(trace_.empty());
    for (const TracedStatement& traced : trace_) {
        const std::string& statement = traced.text;
        SCOPED_TRACE(statement);
        // The session's own setting, name and mark.
        if (statement.starts_with("SET ") || statement.starts_with("SELECT set_config(") ||
            statement.starts_with("SELECT pg_try_advisory_lock(") ||
            statement.starts_with("SELECT count(*) FROM information_schema.tables")) {  // whether it keeps a history
            continue;
        }
        EXPECT_EQ(statement.find("[Store]"), std::string::npos);
        EXPECT_EQ(statement.find("DELETE *"), std::string::npos);
        EXPECT_NE(statement.find('"'), std::string::npos);
    }
}

TEST_F(ServerSession, HostileTextsAreStoredAndFoundExactly) {
    create_store();
    start();
    set_trees(app_);
    click(kPathTree, 1);
    for (const HostileText& input : hostile_texts()) {
        SCOPED_TRACE(input.label);
        save_in_editor(app_, EditorMode::add, {{db::kName, input.text}, {db::kDescription, input.text}}, 1);
        ASSERT_EQ(editor::item_editor_window(app_), nullptr) << last_message().toStdString();
        const std::string id = model().cell(model().row_count() - 1, db::kId).toStdString();
        const Rows stored = look_.rows(R"(SELECT "Название", "Описание" FROM "Store" WHERE "ID" = )" + id, 2);
        ASSERT_EQ(stored.size(), 1u);
        const std::string expected = input.text.toStdString();
        EXPECT_EQ(stored[0][0], input.text.isEmpty() ? "" : expected);
        EXPECT_EQ(stored[0][1], stored[0][0]);
        app_.main_window->search_field()->setText(input.text);
        itemlist::search_by_name(app_, Event{});
        EXPECT_TRUE(listed(db::kId).contains(QString::fromStdString(id)));
    }
    EXPECT_EQ(messages(), 0) << last_message().toStdString();
}

TEST_F(ServerSession, ARoleThatMayOnlyReadIsToldOfEveryRefusedChange) {
    const std::string reader = create_store("reader");
    seed({{"a", "|Все|A|", "|Все|Шкаф|"}});
    look_.sql(R"(REVOKE INSERT, UPDATE, DELETE ON "Store", "Package" FROM )" + reader);
    const Rows before = store();
    start();
    set_trees(app_);
    click(kPathTree, 1);
    const auto refused = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_TRUE(last_message().contains(QString::fromUtf8("Недостаточно прав"))) << last_message().toStdString();
        EXPECT_EQ(store(), before);
        EXPECT_EQ(listed(), QStringList{"a"});
    };
    int shown = messages();
    set_quantity(0, "1");
    EXPECT_EQ(messages(), ++shown);
    refused("quantity");
    EXPECT_EQ(model().cell(0, db::kQuantity), "7");
    app_.main_window->select_row(0);
    save_in_editor(app_, EditorMode::edit, {{db::kName, "x"}});
    EXPECT_EQ(messages(), ++shown);
    refused("edit");
    process_event(app_, Event{kControlEvent, kEditorWindow, kEditorCancel, kLeftClick});
    check({"a"});
    commands::delete_checked_items(app_, Event{});
    EXPECT_EQ(messages(), ++shown);
    refused("delete");
    trees::cut_items(app_, Event{});
    EXPECT_EQ(messages(), ++shown);
    refused("cut");
}

// A port nobody listens on: the server of the data source is down.
std::string closed_port() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(s);
    return std::to_string(ntohs(address.sin_port));
}

TEST_F(ServerSession, AServerDownAtStartUpIsReportedAndItsDataSourceKept) {
    add_dsn("Store", database_, superuser(), env_or("PGPASSWORD", ""), closed_port());
    folder_.create_store();
    const std::string odbc_ini = folder_.odbc_ini_text();
    start();
    ASSERT_EQ(messages(), 1);
    EXPECT_TRUE(last_message().startsWith(QString::fromUtf8("Сервер базы данных недоступен. Проверьте")))
        << last_message().toStdString();
    EXPECT_TRUE(last_message().contains(QString::fromUtf8("\nОтвет драйвера: ")));
    EXPECT_FALSE(app_.database.is_open());
    EXPECT_EQ(model().row_count(), 0);
    EXPECT_FALSE(file_exists(folder_.file("Store_Backup.mdb")));
    shut_down(app_);
    EXPECT_EQ(folder_.odbc_ini_text(), odbc_ini);
}

// Each way a connection fails is told apart, in Russian, with the next step.
TEST_F(ServerSession, ConnectionFailuresAreToldApart) {
    const std::string role = create_store();
    add_dsn("WrongPassword", database_, role, "not-the-password");
    add_dsn("NoRole", database_, prefix_ + "_nobody", "pw");
    add_dsn("NoDatabase", prefix_ + "_nodb", role, "pw-" + role);
    add_dsn("Down", database_, role, "pw-" + role, closed_port());
    std::ofstream(folder_.odbc_ini(), std::ios::app)
        << "[NoDriver]\nDriver = PostgreSQL Missing\nServername = localhost\nDatabase = x\n\n";
    const struct {
        const char* dsn;
        std::string told;
    } cases[] = {
        {"WrongPassword", "Сервер не принял пароль роли «" + role + "»"},
        {"NoRole", "роли «" + prefix_ + "_nobody»"},
        {"NoDatabase", "На сервере нет базы данных «" + prefix_ + "_nodb»"},
        {"Down", "Сервер базы данных недоступен. Проверьте"},
        {"NoDriver", "Не установлен драйвер ODBC"},
    };
    for (const auto& [dsn, told] : cases) {
        SCOPED_TRACE(dsn);
        db::Database database;
        ASSERT_TRUE(database.init_environment());
        ASSERT_FALSE(database.connect_data_source(dsn));
        const std::string text = db::connection_failure_text(database.last_diagnostic(), true);
        EXPECT_NE(text.find(told), std::string::npos) << text;
    }
}

// A reader's program: every change is disabled, the status bar says why,
// and the list and its export stay open to it.
TEST_F(ServerSession, AReadOnlyRoleSeesItsChangesDisabledAndWhy) {
    std::ostringstream out, err;
    ASSERT_EQ(dbtool::run_command_line({"detalehran-db", "create", "--dsn", "Look"}, out, err), 0) << err.str();
    const std::string reader = add_role("vera", true);
    seed({{"a", "|Все|A|", "|Все|Шкаф|"}});
    add_dsn("Store", database_, reader, "pw-" + reader);
    start();
    ASSERT_EQ(messages(), 0) << last_message().toStdString();
    EXPECT_EQ(listed(), QStringList{"a"});
    app_.main_window->select_row(0);
    commands::prepare_list_menu(app_);
    for (int item : {kMenuAdd, kMenuEdit, kMenuDuplicate, kMenuDeleteItems, kMenuCut, kMenuPaste, kMenuImportCsv,
                     kMenuCreateSection, kMenuRenameSection, kMenuDeleteSection, kMenuCreatePlace, kMenuRenamePlace,
                     kMenuDeletePlace}) {
        EXPECT_FALSE(app_.main_window->menu_item(item)->isEnabled()) << item;
    }
    for (int item : {kMenuRefreshList, kMenuExportCsv, kMenuReorderList, kMenuCheckAll}) {
        EXPECT_TRUE(app_.main_window->menu_item(item)->isEnabled()) << item;
    }
    EXPECT_TRUE(app_.main_window->status_text().startsWith(QString::fromUtf8("Только просмотр: роль «") +
                                                           QString::fromStdString(reader)))
        << app_.main_window->status_text().toStdString();
}

// A change that met the lost connection is not sent again (it may have
// been applied); the next one goes over a new connection.
TEST_F(ServerSession, AConnectionLostInTheMiddleOfASessionIsOpenedAgainAndNothingResent) {
    const std::string role = create_store();
    seed({{"a", "|Все|A|", "|Все|Шкаф|"}});
    const std::string odbc_ini = folder_.odbc_ini_text();
    start();
    set_trees(app_);
    click(kPathTree, 1);
    admin_.rows("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = '" + role + "'");
    const int shown = messages();
    set_quantity(0, "1");
    EXPECT_EQ(messages(), shown + 1);
    EXPECT_TRUE(last_message().contains(QString::fromUtf8("Количество не сохранено"))) << last_message().toStdString();
    EXPECT_EQ(model().cell(0, db::kQuantity), "7");
    EXPECT_EQ(store(), (Rows{{"a", "|Все|A|", "7"}}));
    app_.main_window->select_row(0);
    save_in_editor(app_, EditorMode::edit, {{db::kName, "x"}});
    EXPECT_EQ(editor::item_editor_window(app_), nullptr) << last_message().toStdString();
    EXPECT_EQ(app_.database.reconnections(), 1u);
    EXPECT_EQ(store(), (Rows{{"x", "|Все|A|", "7"}}));
    shut_down(app_);
    EXPECT_EQ(folder_.odbc_ini_text(), odbc_ini);
}

// The server goes away under a session (its connections ended, as at a
// restart) and stays away a while: the failed change is told and never
// sent again; the next action asks until the server is back, then the
// status bar says the connection is open again and an edit goes through.
TEST_F(ServerSession, AServerBackAfterARestartIsReachedAgainAtTheNextAction) {
    const std::string role = create_store();
    seed({{"a", "|Все|A|", "|Все|Шкаф|"}});
    start();
    set_trees(app_);
    click(kPathTree, 1);
    admin_.sql("ALTER DATABASE " + database_ + " ALLOW_CONNECTIONS false");
    admin_.rows("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = '" + role + "'");
    set_quantity(0, "1");
    EXPECT_TRUE(last_message().contains(QString::fromUtf8("подключится снова при следующем действии")))
        << last_message().toStdString();

    int asked = 0;
    services_.while_shown = [&](const ServiceCall& call) {
        if (!call.text.startsWith(QString::fromUtf8("Сервер недоступен. Повторить?"))) return;
        // Still down at the first question, back by the second.
        if (++asked == 2) admin_.sql("ALTER DATABASE " + database_ + " ALLOW_CONNECTIONS true");
    };
    services_.message_answers = {MessageAnswer::yes, MessageAnswer::yes};
    process_event(app_, Event{kKeyDownMessage, kMainWindow, kItemList, 0, kKeyF5, kItemList, kMainWindow});
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(app_.database.reconnections(), 1u);
    EXPECT_EQ(app_.main_window->status_text(), QString::fromUtf8("Соединение с сервером восстановлено."));
    EXPECT_EQ(listed(), QStringList{"a"});

    app_.main_window->select_row(0);
    save_in_editor(app_, EditorMode::edit, {{db::kName, "x"}});
    EXPECT_EQ(editor::item_editor_window(app_), nullptr) << last_message().toStdString();
    EXPECT_EQ(store(), (Rows{{"x", "|Все|A|", "7"}}));
}

// A store made before the team's tables: the program keeps its trees in
// Store.ini; create --dsn brings it up to date, and the next start builds
// the server's trees from the stored paths.
TEST_F(ServerSession, AnOlderServerStoreIsBroughtUpToDateByCreate) {
    create_store();
    seed({{"a", "|Все|A|", "|Все|Шкаф|"}});
    look_.sql(R"(DROP TABLE "Node", "TreeVersion", "Setting")");
    std::ostringstream out, err;
    db::Database old;
    ASSERT_TRUE(old.init_environment() && old.connect_data_source("Store"));
    EXPECT_FALSE(old.shares_trees());
    EXPECT_TRUE(old.store_outdated());
    old.close_store();

    EXPECT_EQ(dbtool::run_command_line({"detalehran-db", "create", "--dsn", "Look"}, out, err), 0) << err.str();
    EXPECT_EQ(look_.value(R"(SELECT count(*) FROM "Store")"), "1");
    start();
    ASSERT_EQ(messages(), 0) << last_message().toStdString();
    EXPECT_TRUE(app_.database.shares_trees());
    EXPECT_EQ(look_.rows(R"(SELECT "Имя" FROM "Node" ORDER BY "Дерево", "Уровень", "Имя")"),
              (Rows{{"Все"}, {"A"}, {"Все"}, {"Шкаф"}}));
}

}  // namespace
