#include "app/lifecycle.h"
#include "platform/working_folder.h"

#include <cstdlib>
#include <cstring>

#include <QApplication>
#include <QSocketNotifier>
#include <QTreeWidget>
#include <csignal>
#include <filesystem>
#include <sys/socket.h>
#include <unistd.h>

#include "state/app.h"
#include "dialogs/about_commands.h"
#include "editor/item_editor.h"
#include "itemlist/table_settings_commands.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "app/routing.h"
#include "db/statements.h"
#include "db/failure_text.h"
#include "itemlist/item_list.h"
#include "jet_convert.h"
#include "jet_reader.h"
#include "itemlist/item_list_model.h"
#include "itemlist/quantity_field.h"
#include "itemlist/sorter/column_sorter.h"
#include "platform/services.h"
#include "settings/settings_store.h"
#include "trees/tree_commands.h"

namespace detalehran {

namespace fs = std::filesystem;

bool make_backup_copy(const std::string& directory) {
    const fs::path source = directory + db::kDatabaseFile;
    const fs::path target = directory + db::kBackupFile;
    const fs::path partial = directory + db::kBackupFile + ".part";
    std::error_code error;
    if (!fs::is_regular_file(source, error)) return false;
    if (!fs::copy_file(source, partial, fs::copy_options::overwrite_existing, error)) {
        fs::remove(partial, error);
        return false;
    }
    fs::rename(partial, target, error);
    if (error) {
        fs::remove(partial, error);
        return false;
    }
    return true;
}

namespace {

void report_no_connection(App& app, const std::string& directory) {
    const db::Diagnostic& why = app.database.last_diagnostic();
    QString text = QString::fromUtf8("Не удалось открыть базу данных %1.")
                       .arg(QString::fromStdString(directory + db::kDatabaseFile));
    if (!why.empty()) text += "\n" + QString::fromStdString(db::failure_text(why));
    text += QString::fromUtf8("\n\nПрограмма продолжит работу без базы данных: изменения не будут сохранены.");
    app.platform.message_box(app.main_window, QString::fromUtf8("Внимание!"), text, MessageButtons::ok,
                             MessageIcon::warning);
}

// A Store.mdb of the old Windows program (an Access file) is converted into
// this program's format once the user agrees; the original stays beside it.
// Returns whether the folder now holds a store to connect to: false when
// the user declined or the conversion failed, and then nothing was changed.
bool convert_old_store(App& app, const std::string& directory) {
    const std::string store = directory + db::kDatabaseFile;
    if (!jet::is_jet_file(store)) return true;
    const QString question = QString::fromUtf8(
        "Файл Store.mdb создан прежней версией программы. Преобразовать его? Исходный файл будет сохранён как "
        "Store.mdb.jet");
    if (app.platform.message_box(app.main_window, QString::fromUtf8("Внимание!"), question, MessageButtons::yes_no,
                                 MessageIcon::question) != MessageAnswer::yes) {
        return false;
    }
    jet::ConvertReport report;
    std::string error;
    if (jet::convert_jet_store_in_place(directory, &report, &error)) return true;
    app.platform.message_box(
        app.main_window, QString::fromUtf8("Внимание!"),
        QString::fromUtf8("Файл Store.mdb не преобразован, он остался прежним.\n%1\n\nПрограмма продолжит работу "
                          "без базы данных.")
            .arg(QString::fromStdString(error)),
        MessageButtons::ok, MessageIcon::warning);
    return false;
}

}  // namespace

void use_huge_page_heap(char** argv) {
    static constexpr const char* kVariable = "GLIBC_TUNABLES";
    static constexpr const char* kSetting = "glibc.malloc.hugetlb=1";
    const char* tunables = std::getenv(kVariable);
    if (tunables != nullptr && std::strstr(tunables, "glibc.malloc.hugetlb") != nullptr) return;
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload != nullptr && std::strstr(preload, "vgpreload") != nullptr) return;
    const std::string value =
        tunables != nullptr && *tunables != 0 ? std::string(tunables) + ":" + kSetting : std::string(kSetting);
    if (::setenv(kVariable, value.c_str(), 1) != 0) return;
    ::execv("/proc/self/exe", argv);
    // Not started again: go on as we are, and keep the setting away from
    // the programs this one starts.
    if (tunables != nullptr) {
        ::setenv(kVariable, tunables, 1);
    } else {
        ::unsetenv(kVariable);
    }
}

MainWindow* build_main_window(App& app) {
    auto* window = new MainWindow(app);
    auto* rows = new ItemListModel(window);
    window->set_list_model(rows, rows);
    app.main_window = window;
    window->show();
    return window;
}

void start_up(App& app) {
    // The runtime (heap, windows, event queue) is the QApplication made in main.
    if (!app.database.init_environment()) {
        app.platform.message_box(nullptr, "Error", "ODBC is Not Available", MessageButtons::ok, MessageIcon::error);
    }
    sorter::sorter_init(app);
    app.column_table = ColumnTable{};
    build_main_window(app);  // also loads the two embedded icons
    settings::restore_window_sections(app);
    app.main_window->layer().set_sink([&app](const Event& event) { process_event(app, event); });
    itemlist::install_list_behaviour(app);
    trees::install_tree_behaviour(app);
    app.list_font = ListFontRecord{};

    const std::string directory = working_directory();
    const bool store_usable = convert_old_store(app, directory);
    if (!store_usable) {
        // An old file left as it is: no connection, and no backup copy of it.
    } else if (app.database.has_environment() &&
               !app.database.open_store(directory, db::kDataSourceName, "", "")) {
        report_no_connection(app, directory);
    } else {
        // A cut ended by a crash between its copy and its delete leaves the
        // item in both tables. The stored one is the item; its stale copy
        // would make every later cut of it fail, and would bring the item
        // back at the next paste or close after it was deleted.
        app.database.db_update(db::kDropReturnedParked);
    }

    settings::restore_at_start_up(app, [](App& run) {
        trees::build_tree_from_values(run, kPathTree);
        trees::build_tree_from_values(run, kLocationTree);
    });
    itemlist::show_item_list(app, db::kSelectAllItems);
    if (sorter::sorter_attach(app, kItemList, 2) == 1) sorter::configure_item_list_columns(app);

    trees::show_trees_at_start_up(app);  // root selected and focused, both trees sorted
    read_column_order(app);
    if (store_usable) make_backup_copy(directory);
}

void process_event(App& app, const Event& event) { route_event(app, event); }

void end_event_loop(App& app, const Event&) {
    app.loop_ended = true;
    QCoreApplication::exit(0);
}

void relayout_main_window(App& app, const Event&) { layout_main_window(app); }

void run_event_loop(App& app) {
    if (!app.loop_ended) QApplication::exec();
}

void shut_down(App& app) {
    // Items cut and never pasted go back to the store first; the scratch
    // table loses only what is safely back.
    app.database.db_update(db::kReturnParked);
    app.database.db_update(db::kDropReturnedParked);
    app.database.close_store();
    app.database.remove_data_source(db::kDataSourceName);
    if (app.main_window != nullptr) read_column_order(app);
    // Nobody is left to be told of a failed save; the old file stays whole.
    settings::save_settings(app, settings::OnFailure::quiet);
    sorter::sorter_shutdown(app);
}

namespace {

int signal_pipe[2] = {-1, -1};

void on_termination_signal(int) {
    const char byte = 1;
    // Only async-signal-safe work here: the event loop does the rest.
    [[maybe_unused]] const ssize_t n = ::write(signal_pipe[1], &byte, 1);
}

}  // namespace

void route_termination_signals(App& app) {
    if (signal_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signal_pipe) != 0) return;
    auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [&app]() {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(signal_pipe[0], &byte, 1);
        Event close;
        close.kind = kCloseEvent;
        close.window = kMainWindow;
        process_event(app, close);
    });
    struct sigaction action = {};
    action.sa_handler = on_termination_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

}  // namespace detalehran
