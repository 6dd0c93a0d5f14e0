#include "itemlist/value_search.h"

#include "db/statements.h"
#include "values/value_filter.h"

namespace detalehran::itemlist {

ListSearch list_search(const QString& text) {
    const std::string typed = text.toStdString();
    values::PartQuery query = values::read_query(text);
    if (!query.by_value()) return {db::select_items_by_name(typed), std::nullopt};
    std::vector<std::vector<db::NamePattern>> groups;
    for (const auto& group : values::value_filter(query.values).groups) {
        std::vector<db::NamePattern>& patterns = groups.emplace_back();
        for (const values::FilterPattern& pattern : group) {
            db::NamePattern& places = patterns.emplace_back();
            for (const std::u16string& place : pattern.places)
                places.push_back(QString::fromStdU16String(place).toStdString());
        }
    }
    return {db::select_items_by_name_or_patterns(typed, groups), std::move(query)};
}

SearchPlace search_place(const ListSearch& search, QStringView flag, QStringView name, QStringView package) {
    if (!search.by_value || flag == u"1") return SearchPlace::in_front;
    return values::part_matches(*search.by_value, name, package) ? SearchPlace::behind : SearchPlace::left_out;
}

}  // namespace detalehran::itemlist
