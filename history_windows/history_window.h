#pragma once
// The history window (window 180): the store's operations newest first, a
// page at a time, with who made each, when and what; the changes of the
// chosen operation field by field, before and after; filters by author,
// period and text; and the chosen operation taken back. It holds its
// widgets and what it shows; the commands in history_commands.h fill it.

#include <functional>
#include <string>
#include <vector>

#include "db/history.h"
#include "mainwindow/numbered_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace detalehran::history_windows {

class HistoryWindow : public NumberedDialog {
    Q_OBJECT

public:
    static constexpr const char* kObjectName = "history_window";

    // `parts`: the parts whose history it shows; empty for the whole store.
    HistoryWindow(MainWindow& owner, std::vector<std::string> parts);

    QTableWidget* operations() const { return operations_; }
    QTableWidget* changes() const { return changes_; }
    QLineEdit* field(int control) const;

    // The filter the fields ask for; `error` says which field is wrong.
    db::HistoryFilter filter(QString* error) const;
    const std::vector<std::string>& parts() const { return parts_; }

    // Shows a first page (replacing what was shown) or the next one.
    void show_page(std::vector<db::OperationRecord> page, bool first, bool more);
    const std::vector<db::OperationRecord>& shown() const { return shown_; }
    // The chosen operation, or null.
    const db::OperationRecord* chosen() const;
    void show_changes(const std::vector<db::ChangeRecord>& changes);

    // Called when the user chooses another operation in the list.
    void on_choice(std::function<void()> chosen) { on_choice_ = std::move(chosen); }
    // Names an operation that has no caption (a script's change) by its changes.
    void on_title(std::function<std::string(const db::OperationRecord&)> title) { titles_ = std::move(title); }

private:
    void choice_changed();

    std::vector<std::string> parts_;
    std::vector<db::OperationRecord> shown_;
    QTableWidget* operations_ = nullptr;
    QTableWidget* changes_ = nullptr;
    QPushButton* more_ = nullptr;
    std::function<void()> on_choice_;
    std::function<std::string(const db::OperationRecord&)> titles_ = [](const db::OperationRecord&) {
        return std::string("(без описания)");
    };
};

inline HistoryWindow* history_window(const App& app) { return find_dialog<HistoryWindow>(app); }

// "2026-12-09 16:30:05" (UTC, as stored) in the desktop's time: "09.12.2026 19:30:05".
QString local_time(const std::string& utc);
// "09.12.2026" or "2026-12-09" as a day, for the filters; null when neither.
QDate typed_day(const QString& text);

}  // namespace detalehran::history_windows
