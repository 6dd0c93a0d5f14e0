// Any bytes as an Access (Jet) Store.mdb through read_jet_store, the reader
// of the conversion. The corpus starts from Jet 4 files of the tests' writer
// (fuzz_jet_store_seeds makes them); libmdb itself runs uninstrumented.
//
// What the code promises: no crash, no exception and nothing printed; a
// refusal is a reason naming the file; a file read gives UTF-8 texts, a Jet
// version, columns it lacked named with their tables, and prices the writer
// either keeps exactly or refuses.

#include <sys/mman.h>
#include <unistd.h>

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "jet/jet_reader.h"
#include "jet/jet_store_writer.h"
#include "store/store_file_writer.h"
#include "store/text_fold.h"

namespace {

using namespace detalehran;
using detalehran::fuzz::shown;

// Text the store can hold: UTF-8 that decodes and encodes back unchanged.
bool is_utf8(const std::string& text) {
    std::string again;
    for (const char32_t c : store::decode_utf8(text)) {
        if (c >= 0xD800 && c <= 0xDFFF) return false;
        store::append_utf8(again, c);
    }
    return again == text;
}

void check_text(const jet::Text& text, const char* what) {
    if (text) FUZZ_CHECK(is_utf8(*text), std::string(what) + " is no UTF-8: " + shown(*text));
}

// Ten-thousandths of a double as the driver reads it back: through its
// shortest decimal text; nullopt for more than four decimals.
std::optional<std::int64_t> read_back(double real) {
    char buf[64];
    const auto printed = std::to_chars(buf, buf + sizeof buf, real, std::chars_format::fixed);
    const std::string text(buf, printed.ptr);
    const bool negative = !text.empty() && text[0] == '-';
    const std::size_t point = text.find('.');
    const std::string whole = text.substr(negative, point == std::string::npos ? std::string::npos : point - negative);
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (fraction.size() > 4 || whole.size() > 15) return std::nullopt;
    fraction.resize(4, '0');
    const std::int64_t units = std::stoll(whole) * 10000 + std::stoll(fraction);
    return negative ? -units : units;
}

void check_price(std::optional<std::int64_t> units) {
    if (!units) return;
    std::string reason;
    const std::optional<store::MoneyValue> value = store::money_value(schema::Money::from_units(*units), &reason);
    if (!value) {
        FUZZ_CHECK(!reason.empty(), "a price refused without a reason: " + std::to_string(*units));
        return;
    }
    FUZZ_CHECK(value->whole ? value->integer * 10000 == *units : read_back(value->real) == *units,
               "price changed: " + std::to_string(*units));
}

void check_items(const std::vector<jet::JetItem>& items) {
    for (const jet::JetItem& item : items) {
        for (const jet::Text* text : {&item.name, &item.description, &item.place, &item.supplier, &item.section_path,
                                      &item.package, &item.datasheet}) {
            check_text(*text, "an item's text");
        }
        check_price(item.selling_price);
        check_price(item.purchase_price);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The file lives in memory; libmdb opens it by name like any other.
    static const int fd = ::memfd_create("fuzz-jet-store", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    FUZZ_CHECK(fd >= 0 && ::ftruncate(fd, 0) == 0, std::string("no file in memory"));
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        FUZZ_CHECK(n > 0, std::string("cannot write the file in memory"));
        done += static_cast<std::size_t>(n);
    }

    jet::JetStore store;
    std::string error, details;
    const bool read = jet::read_jet_store(path, &store, &error, &details);
    FUZZ_CHECK(details.size() <= 2100, "details of " + std::to_string(details.size()) + " bytes");
    FUZZ_CHECK(is_utf8(error) && is_utf8(details), "reason or details no UTF-8: " + shown(error + details));
    if (!read) {
        FUZZ_CHECK(error.find(path) != std::string::npos, "a refusal that does not name the file: " + error);
        return 0;
    }
    FUZZ_CHECK(error.empty(), "read with a reason: " + error);
    FUZZ_CHECK(store.jet_version == 3 || store.jet_version == 4, std::to_string(store.jet_version));
    for (const jet::MissingColumn& missing : store.missing_columns) {
        FUZZ_CHECK(!missing.column.empty() && !missing.tables.empty(), std::string("a missing column unnamed"));
    }
    check_items(store.items);
    check_items(store.parked);
    for (const jet::Text& package : store.packages) check_text(package, "a package type");
    return 0;
}
