// Sorting speed of the item list: 100 000 generated rows sorted by Название
// (text, Russian collation), Количество (integer) and Цена (decimal), each
// ascending and then descending, as a header click sorts them.

#include <QCollator>
#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "itemlist/item_list_model.h"
#include "itemlist/sorter/column_sorter.h"

namespace {

using detalehran::ItemListModel;
using namespace detalehran::sorter;

constexpr int kRows = 100000;

// Names like a parts store has: a word, a case change now and then, a part number.
std::vector<ItemListModel::Row> generate_rows() {
    static const char* const words[] = {"Резистор", "конденсатор", "Диод",    "транзистор", "Микросхема",
                                        "resistor", "Capacitor",   "ёмкость", "Ёлочка",     "Разъём"};
    std::mt19937 random(12345);
    std::vector<ItemListModel::Row> rows(kRows);
    for (auto& row : rows) {
        const unsigned pick = random();
        row.cells[0] = QString::fromUtf8(words[pick % 10]) + QString(" %1-%2").arg(pick % 977).arg(random() % 10000);
        row.cells[3] = QString::number(random() % 5000);
        row.cells[4] = QString("%1.%2").arg(random() % 2000).arg(random() % 100, 2, 10, QChar('0'));
    }
    return rows;
}

// Captions are Cyrillic: pad by characters, not bytes.
QByteArray padded(const char* caption) { return QString::fromUtf8(caption).leftJustified(22).toUtf8(); }

double milliseconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// One click's work: the keys, then the reorder of the model.
double time_sort(ItemListModel& model, int column, int type, int direction, const QCollator& collator) {
    const auto start = std::chrono::steady_clock::now();
    model.sort_rows(row_order(sort_column(model, column), type, direction, collator));
    return milliseconds_since(start);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QCollator collator = text_collator(QLocale(QLocale::Russian));
    ItemListModel model;

    std::printf("%d rows\n", kRows);
    struct Case {
        const char* caption;
        int column;
        int type;
    };
    const Case cases[] = {{"Название (text)", 0, kTextColumn},
                          {"Количество (integer)", 3, kIntegerColumn},
                          {"Цена (decimal)", 4, kDecimalColumn}};
    for (const Case& sort : cases) {
        model.replace_rows(generate_rows());
        const double ascending = time_sort(model, sort.column, sort.type, 1, collator);
        const double descending = time_sort(model, sort.column, sort.type, -1, collator);
        std::printf("%s ascending %8.1f ms   descending %8.1f ms\n", padded(sort.caption).constData(), ascending,
                    descending);
    }

    // For comparison: the collator asked on every comparison instead of sort keys made once per row.
    model.replace_rows(generate_rows());
    const auto start = std::chrono::steady_clock::now();
    model.sort_rows([&](int a, int b) { return collator.compare(model.cell(a, 0), model.cell(b, 0)) < 0; });
    std::printf("%s ascending %8.1f ms   (collator per comparison)\n", padded("Название (text)").constData(),
                milliseconds_since(start));
    return 0;
}
