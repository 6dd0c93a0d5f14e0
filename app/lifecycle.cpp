#include "app/lifecycle.h"

#include <malloc.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTreeWidget>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "app/connection_watch.h"
#include "app/routing.h"
#include "db/failure_text.h"
#include "db/statements.h"
#include "dialogs/about_commands.h"
#include "editor/item_editor.h"
#include "history_windows/history_commands.h"
#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
#include "itemlist/quantity_field.h"
#include "itemlist/sorter/column_sorter.h"
#include "itemlist/table_settings_commands.h"
#include "jet_convert.h"
#include "jet_messages.h"
#include "jet_reader.h"
#include "mainwindow/access.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "platform/working_folder.h"
#include "settings/settings_store.h"
#include "state/app.h"
#include "trees/team_trees.h"
#include "trees/tree_commands.h"

namespace detalehran {

namespace fs = std::filesystem;

namespace {

void report_no_connection(App& app, const std::string& directory) {
    const db::Diagnostic& why = app.database.last_diagnostic();
    QString text = QString::fromUtf8("Не удалось открыть базу данных %1.")
                       .arg(QString::fromStdString(directory + db::kDatabaseFile));
    if (!why.empty()) text += "\n" + QString::fromStdString(db::failure_text(why));
    // A data source the user set up for a server: its driver tells why.
    if (app.database.names_other_driver(db::kDataSourceName)) {
        text = QString::fromStdString(db::connection_failure_text(why, true));
    }
    text += QString::fromUtf8("\n\nПрограмма продолжит работу без базы данных: изменения не будут сохранены.");
    app.platform.message_box(app.main_window, QString::fromUtf8("Внимание!"), text, MessageButtons::ok,
                             MessageIcon::warning);
}

// The old file's own words, where libmdb said anything, below a refusal.
QString with_details(QString text, const std::string& details) {
    if (!details.empty()) text += QString::fromUtf8("\n\nСообщения mdbtools:\n") + QString::fromStdString(details);
    return text;
}

// One question for each column the old file lacks; the first "Нет" leaves
// the file as it is.
bool convert_without(App& app, const std::vector<jet::MissingColumn>& missing) {
    for (const jet::MissingColumn& column : missing) {
        if (app.platform.message_box(app.main_window, QString::fromUtf8("Внимание!"),
                                     QString::fromStdString(jet::missing_column_question(column)),
                                     MessageButtons::yes_no, MessageIcon::question) != MessageAnswer::yes) {
            return false;
        }
    }
    return true;
}

// Whatever the conversion does, start-up goes on: an exception that escaped
// it anyway is one more refusal.
jet::ConvertResult convert_in_place(App& app, const std::string& directory) {
    jet::ConvertOptions options;
    options.convert_without = [&app](const std::vector<jet::MissingColumn>& missing) {
        return convert_without(app, missing);
    };
    jet::ConvertResult result;
    try {
        return jet::convert_jet_store_in_place(directory, options);
    } catch (const std::exception& e) {
        result.reason = std::string("Внутренняя ошибка: ") + e.what();
    } catch (...) {
        result.reason = "Внутренняя ошибка.";
    }
    return result;
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
    const jet::ConvertResult result = convert_in_place(app, directory);
    if (result.outcome == jet::Outcome::declined) return false;
    if (result.outcome == jet::Outcome::converted) {
        QString text = QString::fromUtf8("Файл Store.mdb преобразован, исходный файл сохранён как Store.mdb.jet.\n");
        for (const std::string& line : jet::report_lines(result.report)) text += "\n" + QString::fromStdString(line);
        app.platform.message_box(app.main_window, QString::fromUtf8("Внимание!"), text, MessageButtons::ok,
                                 MessageIcon::information);
        return true;
    }
    app.platform.message_box(
        app.main_window, QString::fromUtf8("Внимание!"),
        with_details(QString::fromUtf8("Файл Store.mdb не преобразован, он остался прежним.\n%1\n\nПрограмма "
                                       "продолжит работу без базы данных.")
                         .arg(QString::fromStdString(result.reason)),
                     result.details),
        MessageButtons::ok, MessageIcon::warning);
    return false;
}

}  // namespace

bool use_huge_page_heap() {
    // Address space for the heap, taken in one step: it costs no memory
    // until written, and it is marked for huge pages once, here (the kernel
    // does not carry the mark over to later growth of the heap).
    constexpr std::size_t kReserve = std::size_t{512} << 20;
    // glibc's defaults, for the heap beyond the reserve.
    constexpr int kUsualTopPad = 128 * 1024;
    constexpr int kUsualMappedBlocks = 65536;
    // The free end of the heap, where the next blocks will be carved from.
    const std::size_t free_end = ::mallinfo2().keepcost;
    char* const before = static_cast<char*>(::sbrk(0));
    ::mallopt(M_TOP_PAD, static_cast<int>(kReserve));
    ::mallopt(M_MMAP_MAX, 0);  // the probe must grow the heap, not map a block of its own
    void* volatile probe = std::malloc(std::size_t{1} << 20);
    std::free(probe);
    char* const after = static_cast<char*>(::sbrk(0));
    // Under a sanitizer or valgrind malloc is another one; where the address
    // space was refused the heap grows as usual.
    const bool reserved =
        before != reinterpret_cast<char*>(-1) && after - before >= static_cast<std::ptrdiff_t>(kReserve / 2);
    // Freed memory at the top stays: handing it back would take the mark
    // off with it.
    if (reserved) ::mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * kReserve));
    // Blocks of any size come from the reserve while it lasts; beyond it the
    // heap grows in small steps and large blocks are mapped, as usual.
    ::mallopt(M_MMAP_MAX, kUsualMappedBlocks);
    ::mallopt(M_TOP_PAD, kUsualTopPad);
    if (!reserved) return false;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    char* const start = reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(before - free_end) & ~(page - 1));
    return ::madvise(start, static_cast<std::size_t>(after - start), MADV_HUGEPAGE) == 0;
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
    // With Store set up for a server, a file in the folder is not the store.
    // A server shows the connection as the program's and its desktop user's,
    // and knows by its mark that a program of this role runs.
    app.database.set_application("Detalehran", true);
    const bool store_usable = app.database.names_other_driver(db::kDataSourceName) || convert_old_store(app, directory);
    if (!store_usable) {
        // An old file left as it is: no connection, and no backup copy of it.
    } else if (app.database.has_environment() && !app.database.open_store(directory, db::kDataSourceName, "", "")) {
        report_no_connection(app, directory);
    } else {
        // A cut ended by a crash between its copy and its delete leaves the
        // item in both tables. The stored one is the item; its stale copy
        // would make every later cut of it fail, and would bring the item
        // back at the next paste or close after it was deleted.
        app.database.db_update(db::kDropReturnedParked);
    }

    settings::restore_at_start_up(
        app,
        [](App& run) {
            trees::build_tree_from_values(run, kPathTree);
            trees::build_tree_from_values(run, kLocationTree);
        },
        trees::load_team_trees);
    trees::return_stranded_items(app);
    // Asked before the list is shown: a long list goes on reading after
    // start-up, and any statement sent meanwhile would wait for all of it.
    history_windows::announce_missing_history(app);

    // The backup copy is the file as start-up leaves it. A large file takes
    // seconds to copy: it is copied while the program goes on, and held
    // still meanwhile (a save waits for the copy). A server keeps its own
    // backups; the folder's Store.mdb is then none of the inventory's.
    const bool file_store =
        app.database.is_open() ? app.database.serves_file() : !app.database.names_other_driver(db::kDataSourceName);
    if (store_usable && file_store) {
        app.backup_copy.start(directory + db::kDatabaseFile, directory + db::kBackupFile);
    }

    itemlist::show_item_list(app, db::kSelectAllItems);
    if (sorter::sorter_attach(app, kItemList, 2) == 1) sorter::configure_item_list_columns(app);

    trees::show_trees_at_start_up(app);  // root selected and focused, both trees sorted
    show_access(app);
    read_column_order(app);
}

void process_event(App& app, const Event& event) {
    // Nothing may leave through Qt's event loop: a command that fails this
    // way is reported, and the program goes on with what is stored.
    try {
        // Every command finds the whole list, however long it takes to read;
        // one that shows another list at once gives up its rest instead. The
        // database layer still reads the rest before any other statement.
        if (!replaces_item_list(event)) itemlist::finish_list_fill(app);
        reopen_before_command(app, event);
        const std::uint64_t reconnections = app.database.reconnections();
        route_event(app, event);
        notice_reopened(app, reconnections);
    } catch (...) {
        report_last_resort(app, std::current_exception());
    }
}

void report_last_resort(App& app, std::exception_ptr caught) {
    const QString text = QString::fromUtf8(
                             "Команда не выполнена до конца: %1.\nОбновите список (F5), чтобы "
                             "увидеть, что сохранено.")
                             .arg(QString::fromStdString(db::exception_text(caught)));
    app.platform.message_box(app.main_window, QString::fromUtf8("Ошибка"), text, MessageButtons::ok,
                             MessageIcon::error);
}

void end_event_loop(App& app, const Event&) {
    app.loop_ended = true;
    QCoreApplication::exit(0);
}

void relayout_main_window(App& app, const Event&) { layout_main_window(app); }

void run_event_loop(App& app) {
    if (!app.loop_ended) QApplication::exec();
}

void shut_down(App& app) {
    app.backup_copy.wait();
    // An import still running is given up whole, before anything else is
    // written through the connection.
    app.database.rollback();
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
