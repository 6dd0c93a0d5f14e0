#pragma once
// The import dialog (window 130): the encoding and separator the file was
// read with, a drop-down over each of its columns with the field it fills
// ("не загружать" included), its first lines with their problems marked,
// where the parts go, what happens to duplicates, and the progress of the
// import once it runs. It holds its widgets and the import under way; the
// commands live in import_commands.

#include <QString>
#include <QTimer>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "mainwindow/numbered_dialog.h"
#include "spreadsheet/import_plan.h"
#include "spreadsheet/store_import.h"

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
struct TargetNode {
    QString shown;
    QString path;
};

// What the dialog imports: the file, what was chosen for it, the plan those
// choices give, and the import while it runs.
struct ImportJob {
    QString file_path;
    std::string bytes;
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
    QComboBox* section_box() const { return section_; }
    QComboBox* place_box() const { return place_; }
    QTableWidget* preview() const { return preview_; }
    QLabel* summary() const { return summary_; }
    QProgressBar* progress() const { return progress_; }
    QTimer& timer() { return timer_; }
    ImportJob& job() { return job_; }

    // Shows the plan: the encoding and separator it read the file with, the
    // columns' fields, the lines given (the file's first ones) with the
    // plan's problems marked, and what the import would do.
    void show_plan(const std::vector<PreviewLine>& lines);
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
    void build_targets();
    void build_buttons();
    void fill_mapping_row();
    void fill_lines(const std::vector<PreviewLine>& lines);

    ImportJob job_;
    QTimer timer_;
    QComboBox* encoding_ = nullptr;
    QComboBox* separator_ = nullptr;
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
