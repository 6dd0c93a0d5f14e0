// One user's session with the real program, driven through its commands the
// way the tests drive it, for as long as it is let run: items added through
// the item editor, edited, duplicated, their quantity changed in the list,
// deleted, cut and pasted between sections and places; sections and places
// added and renamed. Every step is journaled (see journal.h) so that a harness
// that kills the process at any moment can tell what the program reported
// as stored.
//
//   detalehran_crash_session --folder DIR --journal FILE --seed N
//       [--tag T] [--ops N] [--close] [--own] [--import FILE [--stall-at N]]
//
// --ops N   ends after N operations (without: goes on until killed)
// --close   ends with the real close of the main window and the shutdown
// --own     touches only items and nodes this tag made (two sessions at once)
// --import FILE  first imports FILE through the import dialog, journaling
//           each step of its progress
// --stall-at N   stops dead (journaling "stalled") once the import has
//           stored N statements, to be killed there
//
// ODBCSYSINI and ODBCINI must already point at the folder's driver
// registration and data sources, as the harness sets them.

#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCryptographicHash>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "app/item_commands.h"
#include "app/lifecycle.h"
#include "crash/journal.h"
#include "crash/session_import.h"
#include "db/statements.h"
#include "dialogs/about_commands.h"
#include "editor/item_editor.h"
#include "editor/item_editor_window.h"
#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
#include "itemlist/quantity_field.h"
#include "itemlist/table_settings_commands.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "state/app.h"
#include "support/scripted_services.h"
#include "trees/node_operations.h"
#include "trees/tree_commands.h"
#include "trees/tree_view.h"

using namespace detalehran;
using detalehran::crash::JournalWriter;
using detalehran::crash::Record;

namespace {

struct Options {
    std::string folder;
    std::string journal;
    std::string tag = "S";
    std::uint64_t seed = 1;
    long ops = -1;
    bool close = false;
    bool own = false;
    std::string import;
    long stall_at = -1;
};

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
        if (a == "--folder") {
            o.folder = next();
        } else if (a == "--journal") {
            o.journal = next();
        } else if (a == "--seed") {
            o.seed = std::strtoull(next().c_str(), nullptr, 10);
        } else if (a == "--tag") {
            o.tag = next();
        } else if (a == "--ops") {
            o.ops = std::strtol(next().c_str(), nullptr, 10);
        } else if (a == "--close") {
            o.close = true;
        } else if (a == "--own") {
            o.own = true;
        } else if (a == "--import") {
            o.import = next();
        } else if (a == "--stall-at") {
            o.stall_at = std::strtol(next().c_str(), nullptr, 10);
        } else {
            return false;
        }
    }
    return !o.folder.empty() && !o.journal.empty();
}

std::string ini_hash() {
    std::ifstream in("Store.ini", std::ios::binary);
    if (!in) return "missing";
    std::ostringstream all;
    all << in.rdbuf();
    const std::string bytes = all.str();
    return QCryptographicHash::hash(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                    QCryptographicHash::Sha1)
        .toHex()
        .toStdString();
}

void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

const char* const kPieces[] = {"Резистор",  "конденсатор", "O'Neil",      "100%",  "a_b",   "[x]",  "МК ёж",
                               "\"кавычки\"", "транзистор",  "Diode 1N4148", "Ω",     "µF",    "Щит",  "  пробел"};
const char* const kPackages[] = {"SOT-23", "DIP-8", "0805", "TO-220", "QFN-16", "корпус'1"};
const char* const kSuppliers[] = {"Чип и Дип", "Mouser", "O'Reilly", "Промэлектроника", ""};

class Session {
public:
    Session(App& app, testing::ScriptedServices& services, JournalWriter& journal, const Options& options)
        : app_(app), services_(services), journal_(journal), options_(options), rng_(options.seed) {}

    // Start-up as the program does it; false when it told the user of a
    // failure.
    bool start() {
        journal_.write({"begin", "start"});
        start_up(app_);
        settle();
        if (messages() > 0) {
            journal_.write({"fault", "start", last_message()});
            return false;
        }
        app_.main_window->resize(1400, 900);
        settle();
        note_ini();
        journal_.write({"done", "start"});
        return true;
    }

    void run() {
        for (long n = 0; options_.ops < 0 || n < options_.ops; ++n) {
            step();
            settle();
            // The calls are only counted between two marks; keep the list short.
            if (services_.calls.size() > 100) services_.calls.clear();
        }
    }

    void import_file(const std::string& path) {
        if (crash::import_through_dialog(app_, services_, journal_, path, options_.stall_at)) {
            note_ini();
            journal_.write({"done", "import", path});
        } else {
            journal_.write({"fail", "import", path, last_message()});
        }
    }

    void close() {
        journal_.write({"begin", "close"});
        Event close;
        close.kind = kCloseEvent;
        close.window = kMainWindow;
        process_event(app_, close);
        shut_down(app_);
        note_ini();
        journal_.write({"done", "close"});
    }

private:
    // Operations ----------------------------------------------------------

    void step() {
        std::uniform_int_distribution<int> pick(0, 99);
        const int p = pick(rng_);
        show_some_section();
        last_op_ = model().row_count() == 0 || p < 24 ? "add"
                   : p < 38                          ? "edit"
                   : p < 50                          ? "qty"
                   : p < 57                          ? "dup"
                   : p < 64                          ? "delete"
                   : p < 74                          ? "cut"
                   : p < 83                          ? "paste"
                   : p < 93                          ? "node"
                                                     : "rename";
        const std::size_t calls_before = services_.calls.size();
        if (model().row_count() == 0 || p < 24) {
            add_item();
        } else if (p < 38) {
            edit_item();
        } else if (p < 50) {
            change_quantity();
        } else if (p < 57) {
            duplicate_item();
        } else if (p < 64) {
            delete_items();
        } else if (p < 74) {
            cut_items();
        } else if (p < 83) {
            paste_items();
        } else if (p < 93) {
            add_node();
        } else {
            rename_node();
        }
        settle();
        // Whatever the program told the user, in its words.
        for (std::size_t i = calls_before; i < services_.calls.size(); ++i) {
            const testing::ServiceCall& call = services_.calls[i];
            if (call.kind == testing::ServiceKind::message_box)
                journal_.write({"message", last_op_, call.text.toStdString()});
        }
        // Every operation leaves the item editor closed: one open now was
        // opened by something the user did not ask for.
        if (editor::item_editor_window(app_) != nullptr) {
            journal_.write({"fault", "editor", "the item editor opened by itself (last operation: " + last_op_ + ")"});
            control(kEditorWindow, kEditorCancel);
            settle();
        }
    }

    void add_item() {
        select_node(kPathTree, random_node(kPathTree, false));
        menu(kMenuAdd);
        editor::ItemEditorWindow* editor = editor::item_editor_window(app_);
        if (editor == nullptr) return;
        pick_place(*editor);
        fill_fields(*editor, true);
        Record begin{"begin", "add"};
        append_values(begin, *editor);
        journal_.write(begin);
        finish_editor("add");
    }

    void edit_item() {
        const int row = random_row();
        if (row < 0) return;
        app_.main_window->select_row(row);
        const std::string id = cell(row, db::kId);
        menu(kMenuEdit);
        editor::ItemEditorWindow* editor = editor::item_editor_window(app_);
        if (editor == nullptr) return;
        if (chance(50)) pick_place(*editor);
        fill_fields(*editor, chance(40));
        Record begin{"begin", "edit", id};
        append_values(begin, *editor);
        journal_.write(begin);
        finish_editor("edit", id);
    }

    void duplicate_item() {
        const int row = random_row();
        if (row < 0) return;
        app_.main_window->select_row(row);
        const std::string id = cell(row, db::kId);
        menu(kMenuDuplicate);
        editor::ItemEditorWindow* editor = editor::item_editor_window(app_);
        if (editor == nullptr) return;
        // A name of its own, so that a copy stored unreported can be told apart.
        editor->set_value(db::kName, fresh_name());
        Record begin{"begin", "dup", id};
        append_values(begin, *editor);
        // The copy lands in the section selected in the path tree now.
        begin[3 + db::kSectionPath] = trees::build_node_path(app_, kPathTree).toStdString();
        journal_.write(begin);
        finish_editor("dup", id);
    }

    // The quantity field opened by a double click on the row's cell, a new
    // number typed and Enter pressed.
    void change_quantity() {
        const int row = random_row();
        if (row < 0) return;
        QTreeView* list = app_.main_window->item_list();
        const QModelIndex index = list->model()->index(row, db::kQuantity);
        list->scrollTo(index);
        settle();
        const QRect cell_rect = list->visualRect(index);
        if (cell_rect.width() < 4 || !list->viewport()->rect().contains(cell_rect.center())) return;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell_rect.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell_rect.center());
        settle();
        itemlist::QuantityField* field = itemlist::open_quantity_field(app_);
        if (field == nullptr) return;
        const int field_row = field->row();
        const std::string id = cell(field_row, db::kId);
        const std::string before = cell(field_row, db::kQuantity);
        std::string quantity;
        do {
            quantity = std::to_string(std::uniform_int_distribution<int>(0, 99999)(rng_));
        } while (quantity == before);
        field->selectAll();
        QTest::keyClicks(field, QString::fromStdString(quantity));
        const int before_messages = messages();
        journal_.write({"begin", "qty", id, quantity});
        QTest::keyClick(field, Qt::Key_Return);
        settle();
        const int now = row_of(id);
        if (now >= 0 && cell(now, db::kQuantity) == quantity && messages() == before_messages) {
            Record done{"done", "qty"};
            append_row(done, now);
            note_ini();
            journal_.write(done);
        } else {
            journal_.write({"fail", "qty", id, last_message()});
        }
    }

    // Checks one to three rows and deletes or cuts them; the rows that left
    // the list are what the program reports as done.
    void delete_items() { checked_command(kMenuDeleteItems, "delete"); }
    void cut_items() { checked_command(kMenuCut, "cut"); }

    void checked_command(int item, const char* what) {
        menu(kMenuUncheckAll);
        std::vector<std::string> ids;
        const int count = std::uniform_int_distribution<int>(1, 3)(rng_);
        for (int i = 0; i < count; ++i) {
            const int row = random_row();
            if (row < 0) break;
            model().set_checked(row, true);
            const std::string id = cell(row, db::kId);
            if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
        }
        if (ids.empty()) return;
        Record begin{"begin", what};
        begin.insert(begin.end(), ids.begin(), ids.end());
        journal_.write(begin);
        const int before_messages = messages();
        menu(item);
        Record done{"done", what};
        Record failed{"fail", what};
        for (const std::string& id : ids) (row_of(id) < 0 ? done : failed).push_back(id);
        note_ini();
        if (done.size() > 2) journal_.write(done);
        if (failed.size() > 2) journal_.write(failed);
        if (failed.size() > 2 && messages() == before_messages) journal_.write({"fault", what, "kept rows unreported"});
        menu(kMenuUncheckAll);
    }

    void paste_items() {
        const int tree = chance(50) ? kPathTree : kLocationTree;
        const int node = random_node(tree, false);
        select_node(tree, node);
        const std::string path = trees::build_node_path(app_, tree).toStdString();
        const int column = trees::column_of(tree);
        journal_.write({"begin", "paste", std::to_string(column), path});
        const int before_messages = messages();
        menu(kMenuPaste);
        if (messages() == before_messages) {
            note_ini();
            journal_.write({"done", "paste", std::to_string(column), path});
        } else {
            journal_.write({"fail", "paste", std::to_string(column), path, last_message()});
        }
    }

    void add_node() {
        const int tree = chance(50) ? kPathTree : kLocationTree;
        NodeList& nodes = trees::nodes_of(app_, tree);
        if (nodes.size() > 40) return;
        const int parent = random_node(tree, false);
        if (parent < 0 || nodes[static_cast<std::size_t>(parent)].level >= 3) return;
        select_node(tree, parent);
        const std::string parent_path = trees::build_node_path(app_, tree).toStdString();
        const QString name = fresh_node_name();
        journal_.write({"begin", "node", std::to_string(tree), parent_path, name.toStdString()});
        const int before_messages = messages();
        menu(tree == kPathTree ? kMenuCreateSection : kMenuCreatePlace);
        type_label(tree, name);
        const bool named = std::any_of(nodes.begin(), nodes.end(), [&](const TreeNode& n) { return n.name == name; });
        if (named && messages() == before_messages) {
            note_ini();
            journal_.write({"done", "node", std::to_string(tree), parent_path, name.toStdString()});
        } else {
            journal_.write({"fail", "node", std::to_string(tree), parent_path, name.toStdString(), last_message()});
        }
    }

    void rename_node() {
        const int tree = chance(50) ? kPathTree : kLocationTree;
        const int node = random_node(tree, true);
        if (node <= 0) return;
        NodeList& nodes = trees::nodes_of(app_, tree);
        select_node(tree, node);
        const std::string old_path = trees::build_node_path(app_, tree).toStdString();
        const int level = nodes[static_cast<std::size_t>(node)].level;
        const QString name = fresh_node_name();
        const Record what{std::to_string(tree), std::to_string(level), old_path, name.toStdString()};
        Record begin{"begin", "rename"};
        begin.insert(begin.end(), what.begin(), what.end());
        journal_.write(begin);
        const int before_messages = messages();
        menu(tree == kPathTree ? kMenuRenameSection : kMenuRenamePlace);
        type_label(tree, name);
        if (nodes[static_cast<std::size_t>(node)].name == name && messages() == before_messages) {
            note_ini();
            Record done{"done", "rename"};
            done.insert(done.end(), what.begin(), what.end());
            journal_.write(done);
        } else {
            Record failed{"fail", "rename"};
            failed.insert(failed.end(), what.begin(), what.end());
            failed.push_back(last_message());
            journal_.write(failed);
        }
    }

    // Helpers -------------------------------------------------------------

    ItemListModel& model() const { return app_.main_window->list_model(); }
    std::string cell(int row, int column) const { return model().cell(row, column).toStdString(); }
    int messages() const { return services_.count(testing::ServiceKind::message_box); }
    std::string last_message() const {
        const testing::ServiceCall* call = services_.last(testing::ServiceKind::message_box);
        return call == nullptr ? std::string() : call->text.toStdString();
    }
    bool chance(int percent) { return std::uniform_int_distribution<int>(0, 99)(rng_) < percent; }

    void menu(int item) {
        Event event;
        event.kind = kMenuEvent;
        event.window = kMainWindow;
        event.control = item;
        process_event(app_, event);
        settle();
    }
    void control(int window, int number) {
        Event event;
        event.kind = kControlEvent;
        event.window = window;
        event.control = number;
        event.type = kLeftClick;
        process_event(app_, event);
    }

    bool own_name(const std::string& name) const { return name.rfind(options_.tag + ":", 0) == 0; }

    // A row of the list; with --own only one this tag made. -1 for none.
    int random_row() {
        std::vector<int> rows;
        for (int r = 0; r < model().row_count(); ++r) {
            const std::string id = cell(r, db::kId);
            if (id.empty()) continue;
            if (options_.own && !own_name(cell(r, db::kName))) continue;
            rows.push_back(r);
        }
        if (rows.empty()) return -1;
        return rows[std::uniform_int_distribution<std::size_t>(0, rows.size() - 1)(rng_)];
    }

    int row_of(const std::string& id) const {
        for (int r = 0; r < model().row_count(); ++r) {
            if (cell(r, db::kId) == id) return r;
        }
        return -1;
    }

    // A node of the tree; for renaming (own) only one of this tag's nodes.
    int random_node(int tree, bool for_rename) {
        const NodeList& nodes = trees::nodes_of(app_, tree);
        std::vector<int> candidates;
        for (int i = 0; i < static_cast<int>(nodes.size()); ++i) {
            const QString& name = nodes[static_cast<std::size_t>(i)].name;
            if (for_rename && i == 0) continue;
            if ((for_rename || options_.own) && i > 0 && !own_name(name.toStdString())) continue;
            candidates.push_back(i);
        }
        if (candidates.empty()) return -1;
        // The root half the time: its list shows every item.
        if (!for_rename && chance(50)) return 0;
        return candidates[std::uniform_int_distribution<std::size_t>(0, candidates.size() - 1)(rng_)];
    }

    // A left click on a node of a main window tree: the list shows its items.
    void select_node(int tree, int node) {
        trees::select_tree_node(trees::view_of(app_, tree), node);
        control(kMainWindow, tree);
        settle();
    }

    void show_some_section() { select_node(kPathTree, random_node(kPathTree, false)); }

    void pick_place(editor::ItemEditorWindow& editor) {
        const int count = static_cast<int>(editor.nodes().size());
        if (count == 0) return;
        const int node = std::uniform_int_distribution<int>(0, count - 1)(rng_);
        trees::select_tree_node(editor.location_tree(), node);
        control(kEditorWindow, kEditorLocationTree);
    }

    QString fresh_name() {
        const char* piece = kPieces[std::uniform_int_distribution<std::size_t>(0, std::size(kPieces) - 1)(rng_)];
        return QString::fromStdString(options_.tag + ":" + std::to_string(options_.seed) + "-" +
                                      std::to_string(++counter_) + " ") +
               QString::fromUtf8(piece);
    }
    QString fresh_node_name() {
        return QString::fromStdString(options_.tag + ":" + std::to_string(options_.seed) + "-" +
                                      std::to_string(++counter_)) +
               QString::fromUtf8(chance(50) ? " раздел" : " O'Neil_1%");
    }
    std::string price() {
        const int cents = std::uniform_int_distribution<int>(0, 999999)(rng_);
        switch (cents % 3) {
            case 0:
                return std::to_string(cents / 100);
            case 1:
                return std::to_string(cents / 100) + "." + std::to_string(cents % 10);
            default: {
                char text[32];
                std::snprintf(text, sizeof text, "%d.%02d", cents / 100, cents % 100);
                return text;
            }
        }
    }

    void fill_fields(editor::ItemEditorWindow& editor, bool new_name) {
        if (new_name) editor.set_value(db::kName, fresh_name());
        auto any = [&](const auto& list) {
            return QString::fromUtf8(list[std::uniform_int_distribution<std::size_t>(0, std::size(list) - 1)(rng_)]);
        };
        editor.set_value(db::kDescription, any(kPieces) + " " + any(kPieces));
        editor.set_value(db::kQuantity, QString::number(std::uniform_int_distribution<int>(0, 5000)(rng_)));
        editor.set_value(db::kPrice, QString::fromStdString(price()));
        editor.set_value(db::kPurchasePrice, QString::fromStdString(price()));
        editor.set_value(db::kSupplier, any(kSuppliers));
        editor.set_value(db::kPackage, any(kPackages));
    }

    void append_values(Record& record, const editor::ItemEditorWindow& editor) const {
        for (int c = 0; c < 11; ++c) record.push_back(editor.value(c).toStdString());
    }
    void append_row(Record& record, int row) const {
        for (int c = 0; c < 11; ++c) record.push_back(cell(row, c));
    }

    // "ОК" of the item editor: stored when the editor has gone and the list
    // shows the row; otherwise the program said why, and the editor is
    // cancelled.
    void finish_editor(const char* what, const std::string& id = {}) {
        const int before_messages = messages();
        control(kEditorWindow, kEditorOk);
        settle();
        if (editor::item_editor_window(app_) == nullptr) {
            const int row = what == std::string("edit") ? row_of(id) : app_.main_window->selected_row();
            Record done{"done", what};
            if (row >= 0) append_row(done, row);
            note_ini();
            journal_.write(done);
            if (row < 0) journal_.write({"fault", what, "no row after a save"});
            return;
        }
        journal_.write({"fail", what, id, messages() > before_messages ? last_message() : std::string()});
        control(kEditorWindow, kEditorCancel);
        settle();
    }

    // Types a name into the tree's label editor and presses Enter.
    void type_label(int tree, const QString& name) {
        settle();
        QLineEdit* line = nullptr;
        for (QLineEdit* candidate : trees::view_of(app_, tree)->findChildren<QLineEdit*>()) {
            if (candidate->isVisible()) line = candidate;
        }
        if (line == nullptr) {
            journal_.write({"fault", "label", "no label editor"});
            return;
        }
        line->setText(name);
        QTest::keyClick(line, Qt::Key_Return);
        settle();
    }

    void note_ini() {
        const std::string hash = ini_hash();
        if (hash == last_ini_) return;
        last_ini_ = hash;
        journal_.write({"ini", hash});
    }

    App& app_;
    testing::ScriptedServices& services_;
    JournalWriter& journal_;
    Options options_;
    std::mt19937_64 rng_;
    long counter_ = 0;
    std::string last_ini_;
    std::string last_op_;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s --folder DIR --journal FILE --seed N [--tag T] [--ops N] [--close] [--own]\n",
                     argv[0]);
        return 2;
    }
    if (::chdir(options.folder.c_str()) != 0) {
        std::perror(options.folder.c_str());
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    JournalWriter journal(options.journal);
    if (!journal.is_open()) {
        std::perror(options.journal.c_str());
        return 2;
    }
    journal.write({"session", options.tag, std::to_string(::getpid()), std::to_string(options.seed)});
    testing::test_application();
    testing::ScriptedServices services;
    App app(services);
    app.end_process = [](int code) { std::_Exit(code); };
    Session session(app, services, journal, options);
    if (!session.start()) return 3;
    if (!options.import.empty()) session.import_file(options.import);
    session.run();
    if (options.close) session.close();
    // Like the real program: the windows go with the process.
    std::_Exit(0);
}
