#include "jet_store_writer.h"

#include <algorithm>
#include <unordered_set>

#include "store/store_file_writer.h"

namespace detalehran::jet {

namespace {

std::string item_label(const JetItem& item) {
    return item.id ? "детали с ID " + std::to_string(*item.id) : "детали без ID";
}

store::Field text_field(const Text& text) { return text ? store::Field(std::string_view(*text)) : store::Field(); }
template <typename Number>
store::Field number_field(const std::optional<Number>& n) {
    return n ? store::Field(static_cast<std::int64_t>(*n)) : store::Field();
}
store::Field money_field(const std::optional<std::int64_t>& units) {
    return units ? store::Field(schema::Money::from_units(*units)) : store::Field();
}

bool insert(store::StoreFileWriter& writer, const JetItem& item, bool with_id, std::string* error) {
    store::ItemFields f;
    f[schema::kName] = text_field(item.name);
    f[schema::kDescription] = text_field(item.description);
    f[schema::kPlace] = text_field(item.place);
    f[schema::kQuantity] = number_field(item.quantity);
    f[schema::kPrice] = money_field(item.selling_price);
    f[schema::kPurchasePrice] = money_field(item.purchase_price);
    f[schema::kSupplier] = text_field(item.supplier);
    f[schema::kSectionPath] = text_field(item.section_path);
    f[schema::kPackage] = text_field(item.package);
    f[schema::kId] = number_field(item.id);
    f[schema::kDatasheet] = text_field(item.datasheet);
    return writer.insert(f, with_id ? schema::WithId::yes : schema::WithId::no, item_label(item), error);
}

}  // namespace

bool write_converted_store(const std::string& path, const JetStore& content, WriteCounts* counts, std::string* error) {
    WriteCounts result;
    std::unordered_set<std::int32_t> ids;
    std::int64_t highest = 0;
    for (const JetItem& item : content.items) {
        if (!item.id) continue;
        if (!ids.insert(*item.id).second) {
            *error = "в таблице Store две детали с ID " + std::to_string(*item.id);
            return false;
        }
        highest = std::max<std::int64_t>(highest, *item.id);
    }

    store::StoreFileWriter writer(path);
    if (!writer.begin(error)) return false;
    for (const JetItem& item : content.items) {
        if (!item.id) continue;
        if (!insert(writer, item, true, error)) return false;
        ++result.items;
    }
    // As the program's close does: a parked item whose ID is free goes back
    // into Store; one whose ID is taken is a stale copy of a stored item.
    for (const JetItem& item : content.parked) {
        if (!item.id) continue;
        if (!ids.insert(*item.id).second) {
            ++result.parked_dropped;
            continue;
        }
        if (!insert(writer, item, true, error)) return false;
        highest = std::max<std::int64_t>(highest, *item.id);
        ++result.parked_returned;
    }
    if (!writer.continue_numbering_after(std::max(highest, content.next_autonumber - 1), error)) return false;
    // Rows without an ID cannot be told apart from others; each is kept
    // under a new number rather than lost.
    for (const auto* rows : {&content.items, &content.parked}) {
        for (const JetItem& item : *rows) {
            if (item.id) continue;
            if (!insert(writer, item, false, error)) return false;
            ++(rows == &content.items ? result.items : result.parked_returned);
            ++result.new_ids;
        }
    }
    store::PackageSet packages;
    for (const Text& package : content.packages) {
        if (!package || !packages.insert(*package).second) continue;
        if (!writer.insert_package(*package, error)) return false;
        ++result.packages;
    }
    result.next_id = writer.next_id();
    if (!writer.commit(error)) return false;
    if (counts) *counts = result;
    return true;
}

}  // namespace detalehran::jet
