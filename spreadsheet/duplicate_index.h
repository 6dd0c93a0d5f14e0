#pragma once
// The items of each section by name and package, for the duplicates choice
// of an import: the stored items the caller feeds in (one pass over the
// store, e.g. "SELECT [ID], [Путь], [Название], [Тип корпуса], [Количество]
// FROM [Store]") and the items the import itself plans. Looking a line up
// costs one hash look-up, however many items there are.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace detalehran::spreadsheet {

class DuplicateIndex {
public:
    struct Entry {
        std::string id;    // a stored item's ID; empty for a planned one
        int planned = -1;  // index of a planned item
        std::int64_t quantity = 0;
    };

    // A stored item. Section paths match without regard to letter case, as
    // the trees' names do; names and packages must be equal exactly (a 1mF
    // part is no 1MF part). Of stored items that match each other the first
    // fed in is kept.
    void add_stored(std::string_view id, std::string_view section_path, std::string_view name, std::string_view package,
                    std::string_view quantity);
    void add_planned(int index, std::string_view section_path, std::string_view name, std::string_view package,
                     std::int64_t quantity);
    // The item a line with these values duplicates, or nullptr.
    Entry* find(std::string_view section_path, std::string_view name, std::string_view package);
    std::size_t size() const { return entries_.size(); }

private:
    std::string key(std::string_view section_path, std::string_view name, std::string_view package);

    std::unordered_map<std::string, Entry> entries_;
    std::unordered_map<std::string, std::string> folded_paths_;
};

}  // namespace detalehran::spreadsheet
