#pragma once
// The store's parts as a bill of materials is matched against them: a part
// number in a part's name first, then the value and the package by the
// value module's reading (values/part_match.h). The parts are read once
// into an index, so that a long bill of materials asks nothing of the
// database line by line. Pure: no windows, no database.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "bom/bom.h"
#include "values/package_name.h"

namespace detalehran::bom {

// A part of the store as the check needs it.
struct StockPart {
    std::string id, name, package, place, supplier;
    long long quantity = 0;
    std::int64_t purchase_price = 0;  // ten-thousandths
    bool priced = false;              // a purchase price is stored
};

enum class MatchKind {
    chosen,       // the user chose it for this line before (a project's choice)
    part_number,  // the line's number is a word of the part's name
    // A word of the name starts with the number (NE555 of "NE555DR"), or the
    // number with the word (LM358N of "LM358").
    part_number_family,
    value,  // value and package, as the list's search by value
};

struct Candidate {
    std::size_t part = 0;  // index into StockIndex::parts()
    MatchKind kind = MatchKind::value;
};

class StockIndex {
public:
    explicit StockIndex(std::vector<StockPart> parts);

    const std::vector<StockPart>& parts() const { return parts_; }

    // The parts that fit the line, best first: by a part number before by
    // value; then the larger stock, then the older part. At most `limit`;
    // none when nothing fits.
    std::vector<Candidate> candidates(const BomLine& line, std::size_t limit = 5) const;

    // The part of this ID, if the store holds it.
    std::optional<std::size_t> find_id(const std::string& id) const;

    struct TextReading;

private:
    void index_part(std::uint32_t part, const TextReading& name, const TextReading& package);

    std::vector<StockPart> parts_;
    // Parts by each value their name or package holds, and by package.
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> by_value_;
    std::unordered_map<std::string, std::vector<std::uint32_t>> by_package_;
    // Each part's package as its package field and its name give it.
    struct PartPackage {
        values::PackageName own, named;
        const values::PackageName& best() const { return own.empty() ? named : own; }
    };
    std::vector<PartPackage> part_packages_;
    // The words of names that look like part numbers, upper case, sorted.
    std::vector<std::pair<std::string, std::uint32_t>> words_;
    std::unordered_map<std::string, std::uint32_t> by_id_;
};

}  // namespace detalehran::bom
