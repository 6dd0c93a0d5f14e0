#pragma once
// The projects window (window 230): the store's projects by name, with
// their boards, lines, source file and when each was last saved; "Открыть"
// (or Enter, or a double click) opens one's check, "Переименовать…",
// "Удалить" (or Delete). It holds its widgets and the list it shows.

#include <vector>

#include "db/projects.h"
#include "mainwindow/numbered_dialog.h"

class QTableWidget;

namespace detalehran::bom_windows {

class ProjectsWindow : public NumberedDialog {
    Q_OBJECT

public:
    static constexpr const char* kObjectName = "projects_window";

    // `refusal`: why the role may not rename nor delete; empty when it may.
    ProjectsWindow(MainWindow& owner, const QString& refusal);

    QTableWidget* table() const { return table_; }
    // Shows the list, the project of `chosen_id` chosen (else the first).
    void show_projects(std::vector<db::ProjectSummary> projects, long long chosen_id);
    const std::vector<db::ProjectSummary>& projects() const { return projects_; }
    // The chosen project, or null.
    const db::ProjectSummary* chosen() const;

private:
    std::vector<db::ProjectSummary> projects_;
    QTableWidget* table_ = nullptr;
    bool may_change_ = true;
};

inline ProjectsWindow* projects_window(const App& app) { return find_dialog<ProjectsWindow>(app); }

}  // namespace detalehran::bom_windows
