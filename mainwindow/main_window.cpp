#include "mainwindow/main_window.h"

#include <QCursor>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>

#include "mainwindow/control_numbers.h"
#include "state/app.h"

static void init_embedded_icons() { Q_INIT_RESOURCE(icons); }

namespace detalehran {

namespace {

constexpr int kInnerWidth = 800;
constexpr int kInnerHeight = 550;
constexpr int kScreenX = 303;
constexpr int kScreenY = 112;
constexpr int kSplitterHandle = 4;
constexpr int kInitialTreeWidth = 150;
constexpr int kInitialPathTreeHeight = 250;
const QColor kGridColour(0xD4, 0xD0, 0xC8);

// Draws the cell, then its right and bottom edge, for the grid look of the
// list; shows a cell's whole text as a tooltip only when it is cut off.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The grid lines take the cell's last pixel row and column; the cell's
    // own content is drawn inside them, so that they never paint over what
    // hangs below the baseline (an underscore, the tail of a "g").
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem inside = option;
        inside.rect.adjust(0, 0, -1, -1);
        QStyledItemDelegate::paint(painter, inside, index);
        painter->save();
        painter->setPen(kGridColour);
        const QRect r = option.rect;
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }

    // A line of the font with a pixel of air above and below it, and the
    // grid line under it.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), option.fontMetrics.height() + 2) + 1);
        return size;
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip) return QStyledItemDelegate::helpEvent(event, view, option, index);
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        const QRect text_area = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &cell, view);
        if (!cell.text.isEmpty() && cell.fontMetrics.horizontalAdvance(cell.text) > text_area.width()) {
            QToolTip::showText(event->globalPos(), cell.text, view, option.rect);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
};

// Selected rows and nodes look the same whether or not the view has focus.
void show_selection_without_focus(QWidget* view) {
    QPalette palette = view->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    }
    view->setPalette(palette);
}

void set_position(QSplitter* splitter, int position) {
    const int length = splitter->orientation() == Qt::Horizontal ? splitter->width() : splitter->height();
    const int rest = std::max(0, length - splitter->handleWidth() - position);
    splitter->setSizes({position, rest});
}

bool is_permutation_of_columns(const ColumnTable& table) {
    std::array<bool, kListColumns> seen{};
    for (int column : table.order) {
        if (column < 0 || column >= kListColumns || seen[static_cast<std::size_t>(column)]) return false;
        seen[static_cast<std::size_t>(column)] = true;
    }
    return true;
}

// Moves header sections so that display position p shows column order[p].
void apply_order(QHeaderView* header, const ColumnTable& table) {
    if (!is_permutation_of_columns(table)) return;
    for (int position = 0; position < kListColumns; ++position) {
        const int from = header->visualIndex(table.order[static_cast<std::size_t>(position)]);
        if (from != position) header->moveSection(from, position);
    }
}

}  // namespace

QIcon embedded_icon(int index) {
    static const bool ready = (init_embedded_icons(), true);
    (void)ready;
    switch (index) {
        case 0:
            return QIcon(QStringLiteral(":/icons/plus.ico"));
        case 1:
            return QIcon(QStringLiteral(":/icons/minus.ico"));
        default:
            return QIcon();
    }
}

MainWindow::MainWindow(App& app) : app_(app) {
    setWindowTitle(QStringLiteral("Деталехран. Главное окно"));
    images_[0] = embedded_icon(0);
    images_[1] = embedded_icon(1);
    layer_.register_window(this, kMainWindow);
    auto* inner = new QWidget(this);
    setCentralWidget(inner);
    make_menus();
    lasting_status_ = new QLabel(this);
    statusBar()->addWidget(lasting_status_, 1);
    layer_.register_control(statusBar(), kMainWindow, kStatusBar);
    controls_[kStatusBar] = statusBar();
    statusBar()->hide();
    // A notice gone, the bar stays only for a lasting line.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty() && lasting_status_->text().isEmpty()) {
            statusBar()->hide();
            layout_main_window(app_);
        }
    });

    // Creation order is the controls' order; the splitters then take the
    // trees and the list over and place them.
    path_tree_ = make_tree(kPathTree);
    path_tree_->setGeometry(2, 25, 106, 200);
    location_tree_ = make_tree(kLocationTree);
    location_tree_->setGeometry(2, 273, 106, 200);
    make_item_list();
    item_list_->setGeometry(110, 25, 689, 500);

    search_field_ = new QLineEdit(inner);
    search_field_->setGeometry(3, 0, 115, 20);
    layer_.register_control(search_field_, kMainWindow, kSearchField);
    controls_[kSearchField] = search_field_;

    search_button_ = new QPushButton(QStringLiteral("Поиск"), inner);
    search_button_->setGeometry(122, 0, 50, 20);
    layer_.register_control(search_button_, kMainWindow, kSearchButton);
    controls_[kSearchButton] = search_button_;

    tree_splitter_ = new QSplitter(Qt::Vertical, inner);
    tree_splitter_->setGeometry(2, 23, 106, 505);
    tree_splitter_->setHandleWidth(kSplitterHandle);
    tree_splitter_->setChildrenCollapsible(false);
    tree_splitter_->addWidget(path_tree_);
    tree_splitter_->addWidget(location_tree_);
    layer_.register_control(tree_splitter_, kMainWindow, kTreeSplitter);
    controls_[kTreeSplitter] = tree_splitter_;

    main_splitter_ = new QSplitter(Qt::Horizontal, inner);
    main_splitter_->setGeometry(2, 23, 796, 505);
    main_splitter_->setHandleWidth(kSplitterHandle);
    main_splitter_->setChildrenCollapsible(false);
    main_splitter_->addWidget(tree_splitter_);
    main_splitter_->addWidget(item_list_);
    layer_.register_control(main_splitter_, kMainWindow, kMainSplitter);
    controls_[kMainSplitter] = main_splitter_;

    set_position(main_splitter_, kInitialTreeWidth);
    set_position(tree_splitter_, kInitialPathTreeHeight);

    // The inner area lies below the menu bar.
    setGeometry(kScreenX, kScreenY, kInnerWidth, kInnerHeight + menuBar()->sizeHint().height());
}

MainWindow::~MainWindow() {
    if (app_.main_window == this) app_.main_window = nullptr;
}

QTreeWidget* MainWindow::make_tree(int number) {
    auto* tree = new QTreeWidget(centralWidget());
    tree->setColumnCount(1);
    tree->setHeaderHidden(true);
    tree->setRootIsDecorated(true);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    // Renaming in place is started only by the menu commands.
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    show_selection_without_focus(tree);
    auto* root = new QTreeWidgetItem(tree, QStringList(QStringLiteral("Все")));
    root->setFlags(root->flags() | Qt::ItemIsEditable);
    layer_.register_control(tree, kMainWindow, number);
    controls_[number] = tree;
    return tree;
}

void MainWindow::make_item_list() {
    item_list_ = new QTreeView(centralWidget());
    item_list_->setItemDelegate(new GridDelegate(item_list_));
    item_list_->setRootIsDecorated(false);
    item_list_->setItemsExpandable(false);
    item_list_->setUniformRowHeights(true);
    item_list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    item_list_->setSelectionMode(QAbstractItemView::SingleSelection);
    item_list_->setAllColumnsShowFocus(true);
    item_list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    show_selection_without_focus(item_list_);
    layer_.register_control(item_list_, kMainWindow, kItemList);
    controls_[kItemList] = item_list_;
}

void MainWindow::set_list_model(QAbstractItemModel* model, ItemListModel* rows) {
    item_list_->setModel(model);
    model_ = rows;
    QHeaderView* header = item_list_->header();
    // Width 0 hides a column while leaving it to be widened again. Set
    // first: without it the header measures the widest glyph of its font.
    header->setMinimumSectionSize(0);
    header->setSectionsMovable(true);
    header->setStretchLastSection(false);
    for (int column = 0; column < kListColumns; ++column) header->resizeSection(column, kInitialColumnWidths[column]);
    apply_order(header, app_.column_table);
}

QAction* MainWindow::add_item(QMenu* menu, int number, const char* caption) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QStringLiteral("menu_item_%1").arg(number));
    layer_.register_menu_item(action, kMainWindow, number);
    items_[number] = action;
    return action;
}

QMenu* MainWindow::make_popup(int number, std::initializer_list<std::pair<int, const char*>> items) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("menu_%1").arg(number));
    menu->setProperty("menu", number);
    for (const auto& [item, caption] : items) {
        if (caption == nullptr) {
            menu->addSeparator();
        } else {
            add_item(menu, item, caption);
        }
    }
    popups_[number] = menu;
    return menu;
}

void MainWindow::make_menus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("menu_%1").arg(kMenuBar));
    bar->setProperty("menu", kMenuBar);
    QMenu* file = bar->addMenu(QStringLiteral("Файл"));
    add_item(file, kMenuRefreshList, "Обновить список\tF5");  // F5 itself is a key route
    add_item(file, kMenuImportCsv, "Импорт из CSV…");
    add_item(file, kMenuExportCsv, "Экспорт списка в CSV…");
    add_item(file, kMenuReorderList, "Список для заказа…");
    file->addSeparator();
    add_item(file, kMenuCheckBom, "Проверить спецификацию…");
    add_item(file, kMenuProjects, "Проекты…");
    file->addSeparator();
    add_item(file, kMenuHistory, "История изменений…");
    file->addSeparator();
    add_item(file, kMenuExit, "Выход");
    QMenu* edit = bar->addMenu(QStringLiteral("Правка"));
    add_item(edit, kMenuUndo, "Отменить последнее изменение")->setShortcut(QKeySequence::Undo);
    QMenu* settings = bar->addMenu(QStringLiteral("Настройки"));
    add_item(settings, kMenuListFont, "Установить шрифт таблицы");
    add_item(settings, kMenuTableSettings, "Настройка отображения таблицы");
    add_item(bar->addMenu(QStringLiteral("Помощь")), kMenuAbout, "О программе");

    make_popup(kPathTreeMenu, {{kMenuCreateSection, "Создать раздел"},
                               {kMenuRenameSection, "Переименовать"},
                               {0, nullptr},
                               {kMenuDeleteSection, "Удалить"}});
    make_popup(kItemListMenu, {{kMenuAdd, "Добавить"},
                               {kMenuEdit, "Редактировать"},
                               {kMenuDuplicate, "Дублировать"},
                               {0, nullptr},
                               {kMenuShowDocument, "Показать данные"},
                               {kMenuWebSearch, "Поиск в интернете"},
                               {0, nullptr},
                               {kMenuCheckAll, "Выделить все"},
                               {kMenuUncheckAll, "Снять выделение"},
                               {kMenuCut, "Вырезать"},
                               {kMenuPaste, "Вставить"},
                               {0, nullptr},
                               {kMenuItemsHistory, "История изменений…"},
                               {0, nullptr},
                               {kMenuDeleteItems, "Удалить"}});
    make_popup(kLocationTreeMenu, {{kMenuCreatePlace, "Создать раздел"},
                                   {kMenuRenamePlace, "Переименовать"},
                                   {0, nullptr},
                                   {kMenuDeletePlace, "Удалить"}});
}

QWidget* MainWindow::control(int number) const {
    const auto found = controls_.find(number);
    return found == controls_.end() ? nullptr : found->second;
}

QMenu* MainWindow::popup_menu(int number) const {
    const auto found = popups_.find(number);
    return found == popups_.end() ? nullptr : found->second;
}

QAction* MainWindow::menu_item(int number) const {
    const auto found = items_.find(number);
    return found == items_.end() ? nullptr : found->second;
}

void MainWindow::set_lasting_status(const QString& text) {
    lasting_status_->setText(text);
    statusBar()->setVisible(!text.isEmpty() || !statusBar()->currentMessage().isEmpty());
    layout_main_window(app_);
}

void MainWindow::show_notice(const QString& text) {
    statusBar()->showMessage(text, 8000);
    statusBar()->setVisible(true);
    layout_main_window(app_);
}

QString MainWindow::status_text() const {
    const QString notice = statusBar()->currentMessage();
    return notice.isEmpty() ? lasting_status_->text() : notice;
}

void MainWindow::set_item_enabled(int number, bool enabled) {
    if (QAction* action = menu_item(number)) action->setEnabled(enabled);
}

int MainWindow::selected_row() const {
    const QModelIndexList rows = item_list_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void MainWindow::select_row(int row) {
    const QModelIndex index = item_list_->model()->index(row, 0);
    if (!index.isValid()) {
        item_list_->clearSelection();
        return;
    }
    item_list_->selectionModel()->setCurrentIndex(index,
                                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void layout_main_window(App& app) {
    MainWindow* window = app.main_window;
    if (window == nullptr) return;
    QSplitter* main = window->main_splitter();
    QSplitter* trees = window->tree_splitter();
    const int tree_width = main->sizes().value(0);
    const int path_tree_height = trees->sizes().value(0);
    // The window's height here includes the menu bar.
    const int status = !window->statusBar()->isHidden() ? window->statusBar()->sizeHint().height() : 0;
    main->setGeometry(3, main->y(), window->width() - 5, window->height() - 60 - status);
    set_position(main, tree_width);
    set_position(trees, path_tree_height);
}

void show_popup(App& app, int menu_number) {
    if (app.main_window == nullptr) return;
    // popup() returns at once: the choice comes back as a menu event through
    // the window layer, like every other event.
    if (QMenu* menu = app.main_window->popup_menu(menu_number)) menu->popup(QCursor::pos());
}

void set_splitter_position(QSplitter* splitter, int position) { set_position(splitter, position); }

void apply_column_order(App& app) {
    if (app.main_window != nullptr) apply_order(app.main_window->item_list()->header(), app.column_table);
}

void read_column_order(App& app) {
    if (app.main_window == nullptr) return;
    const QHeaderView* header = app.main_window->item_list()->header();
    for (int position = 0; position < kListColumns; ++position) {
        app.column_table.order[static_cast<std::size_t>(position)] = header->logicalIndex(position);
    }
}

}  // namespace detalehran
