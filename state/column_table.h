#pragma once
// The column table: for each display position of the item list (0 is the
// leftmost), the list column shown there and whether it is shown.

#include <array>

namespace detalehran {

inline constexpr int kListColumns = 11;

struct ColumnTable {
    // Column index at each display position.
    std::array<int, kListColumns> order{2, 7, 9, 10, 0, 8, 1, 3, 4, 5, 6};
    // 1 when the column at that display position is shown.
    std::array<int, kListColumns> shown{0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1};

    // Display position that holds a column, or -1.
    int position_of(int column) const {
        for (int p = 0; p < kListColumns; ++p) {
            if (order[static_cast<std::size_t>(p)] == column) return p;
        }
        return -1;
    }
    // A column's shown flag, looked up through its display position.
    bool column_shown(int column) const {
        const int p = position_of(column);
        return p >= 0 && shown[static_cast<std::size_t>(p)] != 0;
    }
};

// Captions and initial widths of the eleven list columns, by column index.
inline constexpr const char* kColumnCaptions[kListColumns] = {
    "Название", "Описание", "Расположение", "Количество", "Цена",      "Цена приходная",
    "Поставщик", "Путь",    "Тип корпуса",  "ID",         "Datasheet"};
inline constexpr int kInitialColumnWidths[kListColumns] = {200, 300, 0, 100, 100, 100, 100, 0, 100, 0, 0};

}  // namespace detalehran
