#include "bom_windows/projects_window.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "bom_windows/bom_texts.h"
#include "history_windows/history_window.h"
#include "mainwindow/control_numbers.h"
#include "platform/event.h"

namespace detalehran::bom_windows {

namespace {

constexpr int kWidth = 820;
constexpr int kHeight = 440;
constexpr int kWidestColumn = 320;

}  // namespace

ProjectsWindow::ProjectsWindow(MainWindow& owner, const QString& refusal)
    : NumberedDialog(owner, kProjectsWindow, kObjectName, QStringLiteral("Проекты"),
                     Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint,
                     Placement::on_owner),
      may_change_(refusal.isEmpty()) {
    auto* column = new QVBoxLayout(this);
    auto* caption = add<QLabel>(this, kProjectsCaption, 0, 0, 0, 0);
    caption->setWordWrap(true);
    column->addWidget(caption);
    table_ = add<QTableWidget>(this, kProjectsTable, 0, 0, 0, 0);
    table_->setColumnCount(5);
    table_->setHorizontalHeaderLabels({QStringLiteral("Название"), QStringLiteral("Плат"), QStringLiteral("Строк"),
                                       QStringLiteral("Файл спецификации"), QStringLiteral("Сохранён")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setWordWrap(false);
    table_->setTabKeyNavigation(false);
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    column->addWidget(table_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add<QPushButton>(this, kProjectsOpen, 0, 0, 0, 0, QStringLiteral("&Открыть")));
    auto* rename = add<QPushButton>(this, kProjectsRename, 0, 0, 0, 0, QStringLiteral("&Переименовать…"));
    auto* remove = add<QPushButton>(this, kProjectsDelete, 0, 0, 0, 0, QStringLiteral("&Удалить"));
    for (QPushButton* change : {rename, remove}) change->setToolTip(refusal);
    buttons->addWidget(rename);
    buttons->addWidget(remove);
    buttons->addStretch();
    buttons->addWidget(add<QPushButton>(this, kProjectsClose, 0, 0, 0, 0, QStringLiteral("&Закрыть")));
    column->addLayout(buttons);
    if (!refusal.isEmpty()) {
        auto* access = new QLabel(refusal, this);
        access->setWordWrap(true);
        column->addWidget(access);
    }
    resize(kWidth, kHeight);
}

void ProjectsWindow::show_projects(std::vector<db::ProjectSummary> projects, long long chosen_id) {
    projects_ = std::move(projects);
    table_->setRowCount(static_cast<int>(projects_.size()));
    int chosen_row = projects_.empty() ? -1 : 0;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const db::ProjectSummary& project = projects_[static_cast<std::size_t>(row)];
        const QString cells[] = {text_of(project.name), QString::number(project.boards), QString::number(project.lines),
                                 text_of(project.source), history_windows::local_time(project.changed)};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == 1 || c == 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, c, item);
        }
        if (project.id == chosen_id) chosen_row = row;
    }
    table_->resizeColumnsToContents();
    for (int c = 0; c < 4; ++c) {
        if (table_->columnWidth(c) > kWidestColumn) table_->setColumnWidth(c, kWidestColumn);
    }
    if (chosen_row >= 0) table_->selectRow(chosen_row);
    static_cast<QLabel*>(control(kProjectsCaption))
        ->setText(projects_.empty()
                      ? QStringLiteral("Проектов нет. Сохраните проект из окна «Проверить спецификацию…».")
                      : QStringLiteral("Проекты склада: %1").arg(projects_.size()));
    for (int number : {kProjectsOpen, kProjectsRename, kProjectsDelete}) {
        control(number)->setEnabled(!projects_.empty() && (number == kProjectsOpen || may_change_));
    }
}

const db::ProjectSummary* ProjectsWindow::chosen() const {
    const int row = table_->currentRow();
    if (row < 0 || row >= static_cast<int>(projects_.size()) || table_->selectedItems().isEmpty()) return nullptr;
    return &projects_[static_cast<std::size_t>(row)];
}

}  // namespace detalehran::bom_windows
