#pragma once
// The import dialog (window 130): the encoding, separator and header line
// the file was read with, a drop-down over each of its columns with the
// field it fills ("в описание" and "не загружать" included), its first
// lines with their problems marked, what is left out (columns with data not
// loaded are marked), where the parts go, what happens to duplicates, and
// the progress of the import once it runs. It holds its widgets and the
// import under way; the commands live in import_commands.

#include <QString>
#include <QTimer>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "mainwindow/numbered_dialog.h"
#include "spreadsheet/file_io.h"
#include "spreadsheet/import_plan.h"
#include "spreadsheet/store_import.h"
#include "trees/tree_paths.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QTableWidget;

namespace detalehran::spreadsheet_windows {

// One record of the file as read, for the preview.
struct PreviewLine {
    int line = 0;
    std::vector<std::string> cells;
};

// A node offered as the target: its path shown ("Все / A / B") and stored.
using TargetNode = trees::ShownPath;

// What the dialog imports: the file, what was chosen for it, the plan those
// choices give, and the import while it runs.
struct ImportJob {
    QString file_path;
    spreadsheet::FileBytes bytes;
    spreadsheet::ImportSettings settings;
    spreadsheet::ImportPlan plan;
    std::unique_ptr<spreadsheet::StoreImport> run;
};

class ImportDialog : public NumberedDialog {
    Q_OBJECT

public:
    static constexpr const char* kObjectName = "import_dialog";

    ImportDialog(MainWindow& owner, const QString& file_path);

    QComboBox* encoding_box() const { return encoding_; }
    QComboBox* separator_box() const { return separator_; }
    QComboBox* header_line_box() const { return header_line_; }
    QComboBox* section_box() const { return section_; }
    QComboBox* place_box() const { return place_; }
    QTableWidget* preview() const { return preview_; }
    QLabel* summary() const { return summary_; }
    QProgressBar* progress() const { return progress_; }
    QTimer& timer() { return timer_; }
    ImportJob& job() { return job_; }

    // Shows the plan: the encoding, separator and header line it read the
    // file with, the columns' fields (those with data left out marked), the
    // lines given (the file's first ones) with the plan's problems marked,
    // what is left out and what the import would do. The preview stays
    // scrolled where it was.
    void show_plan(const std::vector<PreviewLine>& lines);
    // Shown over the main window, and all of it on its screen.
    void show_on_screen();
    // The field chosen for each column, left to right.
    std::vector<spreadsheet::Field> mapping() const;
    void set_targets(QComboBox* box, const std::vector<TargetNode>& nodes, const QString& selected);
    // The stored path of the node chosen in a target box.
    static QString chosen_target(const QComboBox* box);
    spreadsheet::DuplicateChoice duplicates() const;
    // While the import runs only the progress and "Отмена" are alive.
    void set_running(bool running);

private:
    void build_choices();
    void build_preview();
    void fill_header_lines();
    void build_targets();
    void build_buttons();
    void fill_mapping_row();
    void fill_lines(const std::vector<PreviewLine>& lines);

    ImportJob job_;
    QTimer timer_;
    QComboBox* encoding_ = nullptr;
    QComboBox* separator_ = nullptr;
    QComboBox* header_line_ = nullptr;
    QTableWidget* preview_ = nullptr;
    QLabel* summary_ = nullptr;
    QComboBox* section_ = nullptr;
    QComboBox* place_ = nullptr;
    QProgressBar* progress_ = nullptr;
    std::vector<QComboBox*> field_boxes_;
};

// The open dialog, or null.
inline ImportDialog* import_dialog(const App& app) { return find_dialog<ImportDialog>(app); }

}  // namespace detalehran::spreadsheet_windows
