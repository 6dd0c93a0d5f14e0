// Commands of the import dialog. The file is planned whenever a choice that
// changes how it reads is made; "Загрузить" plans it once more against the
// stored items inside the transaction and then stores it in steps from the
// event loop, so the progress moves and "Отмена" rolls everything back.

#include "spreadsheet_windows/import_commands.h"

#include <QApplication>
#include <QComboBox>
#include <QProgressBar>
#include <QTreeWidget>
#include <functional>

#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "settings/settings_file.h"
#include "settings/settings_store.h"
#include "spreadsheet/csv_reader.h"
#include "spreadsheet_windows/import_dialog.h"
#include "state/app.h"
#include "trees/node_operations.h"
#include "trees/tree_commands.h"
#include "trees/tree_view.h"

namespace detalehran::spreadsheet_windows {

namespace {

constexpr int kErrorsListed = 15;

QString text_of(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

void warn(App& app, QWidget* parent, const QString& text) {
    app.platform.message_box(parent, QStringLiteral("Внимание!"), text, MessageButtons::ok, MessageIcon::warning);
}

bool read_file(const QString& path, std::string& bytes, QString* why) {
    const std::string name = path.toStdString();
    if (settings::file_size_or_missing(name) > kMaxImportBytes) {
        *why = QStringLiteral("файл больше %1 МБ, это не список деталей").arg(kMaxImportBytes / (1024 * 1024));
        return false;
    }
    QByteArray data;
    const settings::FileResult read = settings::read_whole_file(name, data);
    if (!read.ok) *why = read.reason;
    bytes = data.toStdString();
    return read.ok;
}

// The nodes of a tree as it shows them, each with its path.
std::vector<TargetNode> target_nodes(App& app, int tree) {
    std::vector<TargetNode> out;
    const NodeList& nodes = trees::nodes_of(app, tree);
    std::function<void(const QTreeWidgetItem*)> walk = [&](const QTreeWidgetItem* item) {
        const QString path = trees::build_node_path(nodes, trees::node_of(item));
        out.push_back({trees::path_components(path).join(QStringLiteral(" / ")), path});
        for (int c = 0; c < item->childCount(); ++c) walk(item->child(c));
    };
    if (const QTreeWidget* view = trees::view_of(app, tree)) {
        for (int i = 0; i < view->topLevelItemCount(); ++i) walk(view->topLevelItem(i));
    }
    return out;
}

// The file's first lines as the plan read them, also when it stopped at
// the header.
std::vector<PreviewLine> preview_lines(const ImportJob& job) {
    std::vector<PreviewLine> lines;
    for (const spreadsheet::PreviewRow& row : job.plan.preview) lines.push_back({row.line, row.cells});
    if (!lines.empty() || job.plan.header.empty()) return lines;
    const spreadsheet::DecodedText text = spreadsheet::decode_spreadsheet_text(job.bytes, job.plan.encoding);
    bool header = true;
    spreadsheet::read_csv(text.text, job.plan.separator, [&](int line, std::span<const std::string_view> cells) {
        if (!header) lines.push_back({line, std::vector<std::string>(cells.begin(), cells.end())});
        header = false;
        return lines.size() < spreadsheet::kPreviewRows;
    });
    return lines;
}

// The plan the dialog shows knows nothing of the stored items: duplicates
// are found once the import starts.
spreadsheet::ImportPlan preview_plan(App& app, const spreadsheet::ImportSettings& chosen, const std::string& bytes) {
    spreadsheet::ImportSettings settings = chosen;
    settings.duplicates = spreadsheet::DuplicateChoice::add_new;
    return spreadsheet::plan_import(bytes, settings, app.path_nodes, app.location_nodes);
}

// The selected node's path; the root when none is selected.
std::string selected_path(App& app, int tree) {
    if (trees::selected_node(app, tree) < 0) return std::string("|") + kRootName + "|";
    return trees::build_node_path(app, tree).toStdString();
}

void replan(App& app, ImportDialog& dialog) {
    ImportJob& job = dialog.job();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    job.plan = preview_plan(app, job.settings, job.bytes);
    dialog.show_plan(preview_lines(job));
    QApplication::restoreOverrideCursor();
}

QString errors_question(const spreadsheet::ImportPlan& plan) {
    QString text = QStringLiteral("Строк с ошибками: %1. Они не будут загружены:\n").arg(plan.errors.size());
    for (std::size_t k = 0; k < plan.errors.size() && k < kErrorsListed; ++k) {
        text += QStringLiteral("\nСтрока %1: %2").arg(plan.errors[k].line).arg(text_of(plan.errors[k].reason));
    }
    if (plan.errors.size() > kErrorsListed) {
        text += QStringLiteral("\n… и ещё %1").arg(plan.errors.size() - kErrorsListed);
    }
    const spreadsheet::ImportCounts counts = plan.counts();
    text += QStringLiteral("\n\nЗагрузить остальные строки (%1)? «Нет» — не загружать ничего.")
                .arg(counts.added + counts.merged + counts.skipped);
    return text;
}

QString summary_text(const spreadsheet::ImportPlan& plan) {
    QString text = QStringLiteral("Загрузка завершена.\n") + text_of(spreadsheet::import_summary(plan.counts()));
    if (!plan.created_sections.empty() || !plan.created_places.empty()) {
        text += QStringLiteral("\nНовых разделов: %1, новых мест хранения: %2.")
                    .arg(plan.created_sections.size())
                    .arg(plan.created_places.size());
    }
    return text;
}

// Gives up the import under way: nothing of it stays.
void stop_import(ImportDialog& dialog) {
    dialog.timer().stop();
    dialog.job().run.reset();
    dialog.set_running(false);
}

// The trees with the new nodes, saved, and the list showing the target section.
void show_imported(App& app, const spreadsheet::ImportPlan& plan, const QString& target_section) {
    app.path_nodes = plan.path_nodes;
    app.location_nodes = plan.location_nodes;
    trees::refresh_tree(app, kPathTree);
    trees::refresh_tree(app, kLocationTree);
    settings::save_settings(app);
    trees::select_tree_node(trees::view_of(app, kPathTree), trees::find_path_node(app.path_nodes, target_section));
    trees::select_node(app, kPathTree, trees::Click::left);
}

void finish_import(App& app, ImportDialog& dialog) {
    dialog.timer().stop();
    spreadsheet::StoreImport& run = *dialog.job().run;
    if (!run.commit()) {
        const QString why = text_of(run.failure());
        stop_import(dialog);
        warn(app, &dialog, QStringLiteral("Ничего не загружено.\n%1").arg(why));
        return;
    }
    const spreadsheet::ImportPlan plan = run.take_plan();
    const QString target = text_of(dialog.job().settings.target_section);
    dialog.job().run.reset();
    leave_dialog(app, dialog);
    show_imported(app, plan, target);
    app.platform.message_box(app.main_window, QStringLiteral("Импорт из CSV"), summary_text(plan), MessageButtons::ok,
                             MessageIcon::information);
}

}  // namespace

void open_import(App& app, const Event&) {
    if (app.main_window == nullptr) return;
    const std::optional<QString> path =
        app.platform.choose_file(app.main_window, QStringLiteral("Импорт из CSV"),
                                 {{QStringLiteral("Таблицы CSV"), QStringLiteral("*.csv;*.txt")},
                                  {QStringLiteral("Все файлы"), QStringLiteral("*")}});
    if (!path) return;
    ImportJob job;
    QString why;
    if (!read_file(*path, job.bytes, &why)) {
        warn(app, app.main_window, QStringLiteral("Файл не прочитан: %1.").arg(why));
        return;
    }
    job.settings.target_section = selected_path(app, kPathTree);
    job.settings.target_place = selected_path(app, kLocationTree);
    job.plan = preview_plan(app, job.settings, job.bytes);
    // A file that gave no header to choose the columns by has nothing to show.
    if (job.plan.refusal && job.plan.header.empty()) {
        warn(app, app.main_window,
             QStringLiteral("Файл %1 не может быть загружен:\n%2").arg(*path, text_of(job.plan.refusal->reason)));
        return;
    }
    auto* dialog = open_modal<ImportDialog>(app, [&](MainWindow& main) { return new ImportDialog(main, *path); });
    if (dialog == nullptr) return;
    dialog->job() = std::move(job);
    dialog->set_targets(dialog->section_box(), target_nodes(app, kPathTree),
                        text_of(dialog->job().settings.target_section));
    dialog->set_targets(dialog->place_box(), target_nodes(app, kLocationTree),
                        text_of(dialog->job().settings.target_place));
    dialog->show_plan(preview_lines(dialog->job()));
    QObject::connect(&dialog->timer(), &QTimer::timeout, dialog, [&app] { import_step(app); });
    dialog->show_centred();
}

void import_choice_changed(App& app, const Event& event) {
    ImportDialog* dialog = import_dialog(app);
    if (dialog == nullptr || dialog->job().run) return;
    spreadsheet::ImportSettings& settings = dialog->job().settings;
    if (event.control == kImportEncoding) {
        settings.encoding = static_cast<spreadsheet::Encoding>(dialog->encoding_box()->currentData().toInt());
        settings.mapping.clear();  // the header reads anew
    } else if (event.control == kImportSeparator) {
        settings.separator = static_cast<char>(dialog->separator_box()->currentData().toInt());
        settings.mapping.clear();  // other columns altogether
    } else {
        settings.mapping = dialog->mapping();
    }
    replan(app, *dialog);
}

void start_import(App& app, const Event&) {
    ImportDialog* dialog = import_dialog(app);
    if (dialog == nullptr || dialog->job().run) return;
    ImportJob& job = dialog->job();
    spreadsheet::ImportSettings settings = job.settings;
    settings.target_section = ImportDialog::chosen_target(dialog->section_box()).toStdString();
    settings.target_place = ImportDialog::chosen_target(dialog->place_box()).toStdString();
    settings.duplicates = dialog->duplicates();
    // The preview's plan holds for the same targets.
    std::optional<spreadsheet::ImportPlan> planned;
    if (settings.target_section == job.settings.target_section && settings.target_place == job.settings.target_place) {
        planned = job.plan;
    }
    job.settings = settings;

    auto run = std::make_unique<spreadsheet::StoreImport>(app.database);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool begun = run->begin(job.bytes, job.settings, app.path_nodes, app.location_nodes, std::move(planned));
    QApplication::restoreOverrideCursor();
    if (!begun) {
        warn(app, dialog, QStringLiteral("Ничего не загружено.\n%1").arg(text_of(run->failure())));
        return;
    }
    const spreadsheet::ImportPlan& plan = run->plan();
    if (plan.refusal) {
        warn(app, dialog, QStringLiteral("Загрузить файл нельзя: %1").arg(text_of(plan.refusal->reason)));
        return;
    }
    if (!plan.errors.empty() &&
        app.platform.message_box(dialog, QStringLiteral("Внимание!"), errors_question(plan), MessageButtons::yes_no,
                                 MessageIcon::question) != MessageAnswer::yes) {
        return;
    }
    if (!plan.changes_store()) {
        const spreadsheet::ImportPlan nothing = run->take_plan();
        run.reset();
        leave_dialog(app, *dialog);
        app.platform.message_box(
            app.main_window, QStringLiteral("Импорт из CSV"),
            QStringLiteral("Ничего не загружено.\n") + text_of(spreadsheet::import_summary(nothing.counts())),
            MessageButtons::ok, MessageIcon::information);
        return;
    }
    dialog->progress()->setRange(0, static_cast<int>(run->total()));
    dialog->progress()->setValue(0);
    job.run = std::move(run);
    dialog->set_running(true);
    dialog->timer().start(0);
}

void import_step(App& app) {
    ImportDialog* dialog = import_dialog(app);
    if (dialog == nullptr) return;
    if (!dialog->job().run) {
        dialog->timer().stop();
        return;
    }
    spreadsheet::StoreImport& run = *dialog->job().run;
    if (!run.store_some(kStatementsPerStep)) {
        const QString why = text_of(run.failure());
        stop_import(*dialog);
        warn(app, dialog, QStringLiteral("Ничего не загружено.\n%1").arg(why));
        return;
    }
    dialog->progress()->setValue(static_cast<int>(run.stored()));
    if (run.finished()) finish_import(app, *dialog);
}

void cancel_import(App& app, const Event&) {
    ImportDialog* dialog = import_dialog(app);
    if (dialog == nullptr) return;
    if (dialog->job().run) {
        stop_import(*dialog);
        warn(app, dialog, QStringLiteral("Загрузка прервана, ничего не загружено."));
        return;
    }
    leave_dialog(app, *dialog);
}

void close_import(App& app, const Event&) {
    ImportDialog* dialog = import_dialog(app);
    if (dialog != nullptr) stop_import(*dialog);
    close_by_close_box(app, dialog);
}

}  // namespace detalehran::spreadsheet_windows
