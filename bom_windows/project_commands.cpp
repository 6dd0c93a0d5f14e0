#include "bom_windows/project_commands.h"

#include <QTableWidget>

#include "bom/project.h"
#include "bom_windows/bom_commands.h"
#include "bom_windows/bom_session.h"
#include "bom_windows/bom_texts.h"
#include "bom_windows/projects_window.h"
#include "db/projects.h"
#include "mainwindow/access.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "state/app.h"

namespace detalehran::bom_windows {

namespace {

// The list read again into the window, `chosen_id` chosen; false when it
// could not be read (the user was told).
bool read_projects(App& app, ProjectsWindow& window, long long chosen_id) {
    std::vector<db::ProjectSummary> projects;
    if (!db::list_projects(app.database, projects)) {
        tell(app, &window, QStringLiteral("Проекты не прочитаны из базы данных.\n%1").arg(failure(app)));
        return false;
    }
    window.show_projects(std::move(projects), chosen_id);
    return true;
}

// The chosen project, or null after saying that one must be chosen.
const db::ProjectSummary* chosen_project(App& app, ProjectsWindow& window) {
    const db::ProjectSummary* chosen = window.chosen();
    if (chosen == nullptr && !window.projects().empty()) {
        tell(app, &window, QStringLiteral("Выберите проект в списке."), MessageIcon::information);
    }
    return chosen;
}

}  // namespace

void open_projects(App& app, const Event&) {
    if (app.main_window == nullptr || !app.database.is_open()) return;
    const db::Rights& rights = app.database.rights();
    const QString refusal = rights.change_items ? QString()
                                                : QStringLiteral("Переименовать и удалить проект нельзя. ") +
                                                      access_reason(rights, app.database.user_name());
    auto* window = open_modal<ProjectsWindow>(app, [&](MainWindow& main) { return new ProjectsWindow(main, refusal); });
    if (window == nullptr) return;
    if (!read_projects(app, *window, 0)) {
        leave_dialog(app, *window);
        return;
    }
    window->show_centred();
    window->table()->setFocus();
}

void open_chosen_project(App& app, const Event&) {
    ProjectsWindow* window = projects_window(app);
    if (window == nullptr) return;
    const db::ProjectSummary* chosen = chosen_project(app, *window);
    if (chosen == nullptr) return;
    const std::optional<db::Project> project = db::load_project(app.database, chosen->id);
    if (!project) {
        tell(app, window,
             QStringLiteral("Проект «%1» не прочитан из базы данных.\n%2").arg(text_of(chosen->name), failure(app)));
        read_projects(app, *window, 0);
        return;
    }
    // The check takes this window's place; the main window stays disabled.
    window->close_window();
    if (!open_check_window(app, bom::bom_of(*project), project->source, project->name, project->boards,
                           bom::choices_of(*project))) {
        app.main_window->setEnabled(true);
    }
}

void rename_chosen_project(App& app, const Event&) {
    ProjectsWindow* window = projects_window(app);
    if (window == nullptr || !app.database.rights().change_items) return;
    const db::ProjectSummary* chosen = chosen_project(app, *window);
    if (chosen == nullptr) return;
    const db::ProjectSummary project = *chosen;
    const std::optional<QString> typed = app.platform.ask_text(
        window, QStringLiteral("Переименовать проект"), QStringLiteral("Новое имя проекта:"), text_of(project.name));
    if (!typed || typed->trimmed() == text_of(project.name)) return;
    const std::string name = typed->trimmed().toStdString();
    if (name.empty()) {
        tell(app, window, QStringLiteral("Проект не переименован: у проекта должно быть имя."));
        return;
    }
    if (const std::optional<db::Project> other = db::find_project(app.database, name);
        other && other->id != project.id) {
        tell(app, window, QStringLiteral("Проект не переименован: проект «%1» уже есть.").arg(text_of(other->name)));
        return;
    }
    if (!db::rename_project(app.database, project.id, name)) {
        tell(app, window, QStringLiteral("Проект не переименован.\n%1").arg(failure(app)));
    }
    read_projects(app, *window, project.id);
}

void delete_chosen_project(App& app, const Event&) {
    ProjectsWindow* window = projects_window(app);
    if (window == nullptr || !app.database.rights().change_items) return;
    const db::ProjectSummary* chosen = chosen_project(app, *window);
    if (chosen == nullptr) return;
    const db::ProjectSummary project = *chosen;
    if (app.platform.message_box(
            window, QStringLiteral("Удалить проект"),
            QStringLiteral("Удалить проект «%1»? Детали склада это не изменит.").arg(text_of(project.name)),
            MessageButtons::yes_no, MessageIcon::question) != MessageAnswer::yes) {
        return;
    }
    if (!db::delete_project(app.database, project.id)) {
        tell(app, window, QStringLiteral("Проект «%1» не удалён.\n%2").arg(text_of(project.name), failure(app)));
    }
    read_projects(app, *window, 0);
}

void close_projects(App& app, const Event&) {
    if (ProjectsWindow* window = projects_window(app)) leave_dialog(app, *window);
}

void close_projects_by_close_box(App& app, const Event&) { close_by_close_box(app, projects_window(app)); }

}  // namespace detalehran::bom_windows
