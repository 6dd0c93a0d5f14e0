#include "bom/stock_match.h"

#include <QString>
#include <algorithm>
#include <charconv>
#include <iterator>

#include "values/part_match.h"

namespace detalehran::bom {

namespace {

std::uint64_t value_key(const values::Magnitude& magnitude) {
    // Collisions only add candidates, which the full test then drops.
    return static_cast<std::uint64_t>(magnitude.mantissa) * 0x9E3779B97F4A7C15ULL ^
           static_cast<std::uint64_t>(magnitude.exponent + 1024);
}

bool is_ascii_alnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Runs of Latin letters and digits, upper case, that hold both: the words
// a part number can be ("NE555", "1N4148", "74HC125N").
template <typename Visit>
void part_number_words(std::string_view text, Visit visit) {
    std::size_t k = 0;
    while (k < text.size()) {
        while (k < text.size() && !is_ascii_alnum(text[k])) ++k;
        const std::size_t start = k;
        bool letter = false, digit = false;
        while (k < text.size() && is_ascii_alnum(text[k])) {
            (text[k] >= '0' && text[k] <= '9' ? digit : letter) = true;
            ++k;
        }
        if (letter && digit && k - start >= 3) {
            std::string word(text.substr(start, k - start));
            for (char& c : word) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
            visit(std::move(word));
        }
    }
}

QString qt(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// What the designators say of the value's kind: "R5" a resistance.
values::Kinds designator_kinds(const std::vector<std::string>& designators) {
    if (designators.empty()) return 0;
    std::string prefix;
    for (const char c : designators.front()) {
        if (!(c >= 'A' && c <= 'Z') && !(c >= 'a' && c <= 'z')) break;
        prefix += static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
    }
    if (prefix == "R" || prefix == "RN" || prefix == "RV" || prefix == "VR") return values::kResistance;
    if (prefix == "C") return values::kCapacitance;
    if (prefix == "L") return values::kInductance;
    return 0;
}

// The part number a line names: its own column, or a value that is one
// word of letters and digits and no electrical value ("NE555", "74HC125").
std::string line_part_number(const BomLine& line) {
    if (!line.part_number.empty()) {
        std::string word;
        part_number_words(line.part_number, [&](std::string w) { word += w; });
        return word;
    }
    std::string only;
    int words = 0;
    part_number_words(line.value, [&](std::string w) {
        only = std::move(w);
        ++words;
    });
    if (words != 1 || only.size() != line.value.size()) return {};
    if (!values::read_values(qt(line.value)).empty()) return {};
    return only;
}

// A footprint of a part with leads through the board ("Resistor_THT:
// R_Axial_DIN0207…", "C_Disc_D5.1mm"), which names no package the value
// module knows, still rules out the surface-mount chips.
bool through_hole(const QString& footprint) {
    for (const char* mark : {"THT", "Axial", "Radial", "Disc"}) {
        if (footprint.contains(QLatin1String(mark), Qt::CaseInsensitive)) return true;
    }
    return false;
}

bool is_chip_size(const values::PackageName& package) {
    const std::string_view text = package.view();
    return text.size() == 4 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether a UTF-8 text holds an ASCII word, ASCII letter case ignored.
bool holds_ascii_word(std::string_view text, std::string_view word) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::search(text.begin(), text.end(), word.begin(), word.end(),
                       [&](char a, char b) { return lower(a) == lower(b); }) != text.end();
}

long long id_number(const std::string& id) {
    long long number = 0;
    std::from_chars(id.data(), id.data() + id.size(), number);
    return number;
}

}  // namespace

// What one text of a part says: its values' keys (sorted, each once), the
// package it names and, for a name, its words that look like part numbers.
// A store repeats names and packages (the same part in several places, a
// package on thousands of parts), so each distinct text is read once.
struct StockIndex::TextReading {
    std::vector<std::uint64_t> keys;
    values::PackageName package;
    std::vector<std::string> words;
};

namespace {

using Readings = std::unordered_map<std::string_view, StockIndex::TextReading>;

const StockIndex::TextReading& reading_of(Readings& readings, std::string_view text, bool words) {
    const auto [at, added] = readings.try_emplace(text);
    if (!added) return at->second;
    StockIndex::TextReading& reading = at->second;
    const QString qtext = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    for (const values::Value& value : values::read_values(qtext)) reading.keys.push_back(value_key(value.magnitude));
    std::sort(reading.keys.begin(), reading.keys.end());
    reading.keys.erase(std::unique(reading.keys.begin(), reading.keys.end()), reading.keys.end());
    reading.package = values::read_package(qtext);
    if (words) part_number_words(text, [&](std::string word) { reading.words.push_back(std::move(word)); });
    return reading;
}

}  // namespace

StockIndex::StockIndex(std::vector<StockPart> parts) : parts_(std::move(parts)) {
    part_packages_.reserve(parts_.size());
    by_id_.reserve(parts_.size());
    // Views into parts_, which keeps its strings where they are from here on.
    Readings names, packages;
    for (std::uint32_t k = 0; k < parts_.size(); ++k) {
        index_part(k, reading_of(names, parts_[k].name, true), reading_of(packages, parts_[k].package, false));
    }
    std::sort(words_.begin(), words_.end());
}

void StockIndex::index_part(std::uint32_t k, const TextReading& name, const TextReading& package) {
    std::vector<std::uint64_t> keys;
    keys.reserve(name.keys.size() + package.keys.size());
    std::set_union(name.keys.begin(), name.keys.end(), package.keys.begin(), package.keys.end(),
                   std::back_inserter(keys));
    for (const std::uint64_t key : keys) by_value_[key].push_back(k);

    const values::PackageName& own = package.package;
    const values::PackageName& named = name.package;
    if (!own.empty()) by_package_[std::string(own.view())].push_back(k);
    if (!named.empty() && !(named == own)) by_package_[std::string(named.view())].push_back(k);
    part_packages_.push_back({own, named});

    for (const std::string& word : name.words) words_.emplace_back(word, k);
    by_id_.emplace(parts_[k].id, k);
}

std::optional<std::size_t> StockIndex::find_id(const std::string& id) const {
    const auto at = by_id_.find(id);
    if (at == by_id_.end()) return std::nullopt;
    return at->second;
}

std::vector<Candidate> StockIndex::candidates(const BomLine& line, std::size_t limit) const {
    std::vector<Candidate> found;
    const QString value = qt(line.value);
    const QString footprint = qt(line.footprint);
    const values::PartQuery query = values::read_query(value, footprint, designator_kinds(line.designators));
    const bool no_chips = query.package.empty() && through_hole(footprint);
    auto fits = [&](std::uint32_t k) { return !no_chips || !is_chip_size(part_packages_[k].best()); };

    // A package both sides name must agree: NE555 in DIP-8 is not the
    // NE555DR in SOIC-8.
    auto add_by_number = [&](std::uint32_t k, MatchKind kind) {
        const values::PackageName& package = part_packages_[k].best();
        if (!query.package.empty() && !package.empty() && !(package == query.package)) return;
        if (fits(k)) found.push_back({k, kind});
    };
    const std::string number = line_part_number(line);
    auto words_from = [&](const std::string& start) {
        return std::lower_bound(words_.begin(), words_.end(), std::make_pair(start, std::uint32_t{0}));
    };
    if (!number.empty()) {
        for (auto word = words_from(number); word != words_.end() && word->first.starts_with(number); ++word)
            add_by_number(word->second, word->first == number ? MatchKind::part_number : MatchKind::part_number_family);
    }
    // "LM358N" is the "LM358" of a name with its package letter: a word of
    // a name that starts the number, four characters at least.
    for (std::size_t length = 4; length < number.size(); ++length) {
        const std::string start = number.substr(0, length);
        for (auto word = words_from(start); word != words_.end() && word->first == start; ++word)
            add_by_number(word->second, MatchKind::part_number_family);
    }
    if (query.by_value()) {
        const std::vector<std::uint32_t>* pool = nullptr;
        if (!query.values.empty()) {
            const auto at = by_value_.find(value_key(query.values[0].magnitude));
            if (at != by_value_.end()) pool = &at->second;
        } else {
            const auto at = by_package_.find(std::string(query.package.view()));
            if (at != by_package_.end()) pool = &at->second;
        }
        // The query's ASCII words, tested on the bytes before any text is
        // converted: a package's pool is large, its words rule out most.
        std::vector<std::string> ascii_words;
        for (const QString& word : query.words) {
            bool ascii = true;
            for (const QChar c : word) ascii = ascii && c.unicode() < 0x80;
            if (ascii) ascii_words.push_back(word.toStdString());
        }
        if (pool != nullptr) {
            for (const std::uint32_t k : *pool) {
                const bool words_held = std::all_of(ascii_words.begin(), ascii_words.end(), [&](const std::string& w) {
                    return holds_ascii_word(parts_[k].name, w) || holds_ascii_word(parts_[k].package, w);
                });
                if (!words_held) continue;
                // The package first, as part_matches has it: it costs no reading.
                const PartPackage& package = part_packages_[k];
                if (!query.package.empty() && !(package.own == query.package) && !(package.named == query.package))
                    continue;
                if (fits(k) && values::part_matches(query, qt(parts_[k].name), qt(parts_[k].package)))
                    found.push_back({k, MatchKind::value});
            }
        }
    }

    auto better = [&](const Candidate& a, const Candidate& b) {
        if (a.kind != b.kind) return a.kind < b.kind;
        const StockPart& x = parts_[a.part];
        const StockPart& y = parts_[b.part];
        if (x.quantity != y.quantity) return x.quantity > y.quantity;
        return id_number(x.id) < id_number(y.id);
    };
    std::sort(found.begin(), found.end(), better);
    // A part found both ways stays where it ranks best.
    std::vector<Candidate> unique;
    for (const Candidate& candidate : found) {
        const bool seen = std::any_of(unique.begin(), unique.end(),
                                      [&](const Candidate& other) { return other.part == candidate.part; });
        if (!seen) unique.push_back(candidate);
        if (unique.size() == limit) break;
    }
    return unique;
}

}  // namespace detalehran::bom
