#include "spreadsheet/duplicate_index.h"

#include <QString>

#include "itemlist/text_rules.h"

namespace detalehran::spreadsheet {

std::string DuplicateIndex::key(std::string_view section_path, std::string_view name, std::string_view package) {
    // Few distinct sections: each is folded once.
    auto folded = folded_paths_.find(std::string(section_path));
    if (folded == folded_paths_.end()) {
        const QString path = QString::fromUtf8(section_path.data(), static_cast<qsizetype>(section_path.size()));
        folded = folded_paths_.emplace(std::string(section_path), path.toCaseFolded().toStdString()).first;
    }
    // NUL separates the parts: no text of an imported line holds it.
    std::string k;
    k.reserve(folded->second.size() + name.size() + package.size() + 2);
    k.append(folded->second).append(1, '\0').append(name).append(1, '\0').append(package);
    return k;
}

void DuplicateIndex::add_stored(std::string_view id, std::string_view section_path, std::string_view name,
                                std::string_view package, std::string_view quantity) {
    // Read as the list reads it.
    const std::int64_t count =
        itemlist::integer_value(QString::fromUtf8(quantity.data(), static_cast<qsizetype>(quantity.size())));
    entries_.try_emplace(key(section_path, name, package), Entry{std::string(id), -1, count});
}

void DuplicateIndex::add_planned(int index, std::string_view section_path, std::string_view name,
                                 std::string_view package, std::int64_t quantity) {
    entries_.try_emplace(key(section_path, name, package), Entry{{}, index, quantity});
}

DuplicateIndex::Entry* DuplicateIndex::find(std::string_view section_path, std::string_view name,
                                            std::string_view package) {
    const auto found = entries_.find(key(section_path, name, package));
    return found == entries_.end() ? nullptr : &found->second;
}

}  // namespace detalehran::spreadsheet
