// Commands of the import dialog. The file is planned whenever a choice that
// changes how it reads is made; "Загрузить" plans it once more against the
// stored items inside the transaction and then stores it in steps from the
// event loop, so the progress moves and "Отмена" rolls everything back.

#include "spreadsheet_windows/import_commands.h"

#include <QApplication>
#include <QComboBox>
#include <QProgressBar>

#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "spreadsheet/csv_reader.h"
#include "spreadsheet_windows/import_dialog.h"
#include "state/app.h"
#include "trees/tree_paths.h"

namespace detalehran::spreadsheet_windows {

namespace {

constexpr int kErrorsListed = 15;

QString text_of(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

void warn(App& app, QWidget* parent, const QString& text) {
    app.platform.message_box(parent, QStringLiteral("Внимание!"), text, MessageButtons::ok, MessageIcon::warning);
}

bool read_file(const QString& path, spreadsheet::FileBytes& bytes, QString* why) {
    std::string reason;
    if (spreadsheet::read_file_bytes(path.toStdString(), bytes, &reason, kMaxImportBytes)) return true;
    *why = text_of(reason);
    return false;
}

// The file's first data lines as the plan read them.
std::vector<PreviewLine> preview_lines(const ImportJob& job) {
    std::vector<PreviewLine> lines;
    for (const spreadsheet::PreviewRow& row : job.plan.preview) lines.push_back({row.line, row.cells});
    return lines;
}

// The plan the dialog shows knows nothing of the stored items: duplicates
// are found once the import starts.
spreadsheet::ImportPlan preview_plan(App& app, const spreadsheet::ImportSettings& chosen,
                                     const spreadsheet::FileBytes& bytes) {
    spreadsheet::ImportSettings settings = chosen;
    settings.duplicates = spreadsheet::DuplicateChoice::add_new;
    return spreadsheet::plan_import(bytes.view(), settings, app.path_nodes, app.location_nodes);
}

void replan(App& app, ImportDialog& dialog) {
    ImportJob& job = dialog.job();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    job.plan = preview_plan(app, job.settings, job.bytes);
    dialog.show_plan(preview_lines(job));
    QApplication::restoreOverrideCursor();
}

QString unloaded_question(const spreadsheet::ImportPlan& plan) {
    if (plan.unloaded_columns.size() == 1) {
        return text_of(spreadsheet::unloaded_columns_text(plan)) +
               QStringLiteral(
                   "\n\nЕго данные не попадут в базу. Загрузить файл без него? «Нет» — вернуться и "
                   "выбрать для него поле в списке над столбцом.");
    }
    return text_of(spreadsheet::unloaded_columns_text(plan)) +
           QStringLiteral(
               "\n\nИх данные не попадут в базу. Загрузить файл без них? «Нет» — вернуться и выбрать "
               "для них поле в списке над столбцом.");
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

void finish_import(App& app, ImportDialog& dialog) {
    dialog.timer().stop();
    spreadsheet::StoreImport& run = *dialog.job().run;
    if (!run.commit()) {
        const QString why = text_of(run.failure());
        stop_import(dialog);
        warn(app, &dialog, QStringLiteral("Ничего не загружено.\n%1").arg(why));
        return;
    }
    spreadsheet::ImportPlan plan = run.take_plan();
    const QString target = text_of(dialog.job().settings.target_section);
    const QString summary = summary_text(plan);
    dialog.job().run.reset();
    leave_dialog(app, dialog);
    // The trees with the new nodes, saved, and the list showing the target section.
    trees::adopt_nodes(app, plan.path_nodes, plan.location_nodes, plan.created_sections, plan.created_places, target);
    app.platform.message_box(app.main_window, QStringLiteral("Импорт из CSV"), summary, MessageButtons::ok,
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
    const trees::TreeChoices targets = trees::tree_choices(app);
    job.settings.target_section = targets.sections.selected.toStdString();
    job.settings.target_place = targets.places.selected.toStdString();
    job.settings.file_name = path->toStdString();
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
    dialog->set_targets(dialog->section_box(), targets.sections.shown, targets.sections.selected);
    dialog->set_targets(dialog->place_box(), targets.places.shown, targets.places.selected);
    dialog->show_plan(preview_lines(dialog->job()));
    QObject::connect(&dialog->timer(), &QTimer::timeout, dialog, [&app] { import_step(app); });
    dialog->show_on_screen();
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
    } else if (event.control == kImportHeaderLine) {
        settings.header_line = dialog->header_line_box()->currentData().toInt();
        settings.mapping.clear();  // other headers
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
    const bool begun =
        run->begin(job.bytes.view(), job.settings, app.path_nodes, app.location_nodes, std::move(planned));
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
    if (!plan.unloaded_columns.empty() &&
        app.platform.message_box(dialog, QStringLiteral("Внимание!"), unloaded_question(plan), MessageButtons::yes_no,
                                 MessageIcon::question) != MessageAnswer::yes) {
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
