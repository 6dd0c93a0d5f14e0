#include "spreadsheet/reorder_list.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <algorithm>

#include "itemlist/text_rules.h"
#include "spreadsheet/csv_writer.h"
#include "spreadsheet/number_text.h"

namespace detalehran::spreadsheet {

namespace {

struct Pick {
    const ReorderSource* item;
    __int128 order;
    bool not_stocked;
    std::int64_t price;
    QCollatorSortKey supplier_key;
    QCollatorSortKey name_key;
};

QString qt(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QCollatorSortKey key_of(const QCollator& collator, const std::string& text) { return collator.sortKey(qt(text)); }

bool before(const Pick& a, const Pick& b) {
    if (const int c = a.supplier_key.compare(b.supplier_key); c != 0) return c < 0;
    // One supplier's rows together even when the spellings differ in case.
    if (a.item->supplier != b.item->supplier) return a.item->supplier < b.item->supplier;
    if (const int c = a.name_key.compare(b.name_key); c != 0) return c < 0;
    return a.item->name < b.item->name;
}

}  // namespace

ReorderList reorder_list(const std::vector<ReorderSource>& items, std::string_view minimum) {
    const QString minimum_text = qt(minimum);
    const std::int64_t least = itemlist::integer_value(minimum_text);
    std::vector<OrderNeed> needs;
    for (const ReorderSource& item : items) {
        // Exactly the rows the list colours, by the list's own rule.
        const QString quantity_text = qt(item.quantity);
        if (!itemlist::is_low_stock(quantity_text, minimum_text)) continue;
        needs.push_back({item, static_cast<__int128>(least) - itemlist::integer_value(quantity_text)});
    }
    return order_list(needs, minimum);
}

ReorderList order_list(const std::vector<OrderNeed>& needs, std::string_view minimum) {
    QCollator collator{QLocale(QLocale::Russian)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const std::int64_t least = itemlist::integer_value(qt(minimum));

    std::vector<Pick> picks;
    picks.reserve(needs.size());
    for (const OrderNeed& need : needs) {
        const ReorderSource& item = need.item;
        picks.push_back({&item, need.order, need.not_stocked, money_units(item.purchase_price).value_or(0),
                         key_of(collator, item.supplier), key_of(collator, item.name)});
    }
    std::stable_sort(picks.begin(), picks.end(), before);

    ReorderList list;
    list.rows.reserve(picks.size());
    const std::string least_text = std::to_string(least);
    __int128 total = 0;
    __int128 group_sum = 0;
    auto close_group = [&] {
        if (!list.suppliers.empty()) list.suppliers.back().sum = spreadsheet_money_text(group_sum);
        group_sum = 0;
    };
    for (const Pick& pick : picks) {
        const ReorderSource& item = *pick.item;
        if (list.suppliers.empty() || list.suppliers.back().supplier != item.supplier) {
            close_group();
            list.suppliers.push_back({item.supplier, list.rows.size(), 0, {}});
        }
        ++list.suppliers.back().row_count;
        // |order| < 2^64 and |price| < 10^18: one product always fits, a sum
        // of many need not.
        const __int128 sum = pick.order * pick.price;
        if (__builtin_add_overflow(total, sum, &total) || __builtin_add_overflow(group_sum, sum, &group_sum)) {
            return {{}, {}, {}, "Суммы заказа слишком велики, чтобы их сосчитать."};
        }
        if (pick.not_stocked) {
            list.rows.push_back({item.supplier, item.name, item.package, item.quantity, {}, integer_text(pick.order),
                                 {}, {}});
            continue;
        }
        list.rows.push_back({item.supplier, item.name, item.package, item.quantity, least_text,
                             integer_text(pick.order), spreadsheet_money_text(pick.price),
                             spreadsheet_money_text(sum)});
    }
    close_group();
    list.total = spreadsheet_money_text(total);
    return list;
}

std::string reorder_csv(const ReorderList& list, CsvStyle style) {
    CsvWriter writer(style);
    for (const char* caption : kReorderCaptions) writer.text(caption);
    writer.end_row();
    for (const SupplierTotal& group : list.suppliers) {
        for (std::size_t r = group.first_row; r < group.first_row + group.row_count; ++r) {
            const ReorderRow& row = list.rows[r];
            writer.text(row.supplier);
            writer.text(row.name);
            writer.text(row.package);
            write_list_cell(writer, 3, row.quantity);
            writer.number(row.minimum);
            writer.number(row.order);
            writer.amount(row.purchase_price);
            writer.amount(row.sum);
            writer.end_row();
        }
        writer.text(group.supplier);
        writer.text("Итого по поставщику");
        for (int k = 0; k < 5; ++k) writer.text("");
        writer.amount(group.sum);
        writer.end_row();
    }
    writer.text("Итого");
    for (int k = 0; k < 6; ++k) writer.text("");
    writer.amount(list.total);
    writer.end_row();
    return writer.take();
}

}  // namespace detalehran::spreadsheet
