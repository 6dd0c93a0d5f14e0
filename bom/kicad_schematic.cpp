#include "bom/kicad_schematic.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <tuple>

#include "bom/bom_columns.h"
#include "bom/designators.h"
#include "bom/sexpr.h"
#include "spreadsheet/file_io.h"

namespace detalehran::bom {

namespace {

// A schematic file is never near this; a larger one is no schematic.
constexpr long long kMaxSchematicBytes = 256LL << 20;

struct Component {
    std::string value, footprint, part_number;
};

// A sheet file read once, however many sheets show it.
struct SheetFile {
    SParse parse;
    std::string path;
};

// "Sheet file" in KiCad 6, "Sheetfile" in KiCad 7.
bool is_sheet_file_property(std::string_view name) { return name == "Sheet file" || name == "Sheetfile"; }

std::string_view property(const SNode& node, std::string_view name) {
    for (const SNode& item : node.items) {
        if (item.head() == "property" && item.items.size() >= 3 && item.items[1].atom == name)
            return item.items[2].atom;
    }
    return {};
}

std::string part_number_of(const SNode& symbol) {
    for (const SNode& item : symbol.items) {
        if (item.head() != "property" || item.items.size() < 3) continue;
        if (bom_column_for(item.items[1].atom) == BomColumn::part_number && !item.items[2].atom.empty())
            return item.items[2].atom;
    }
    return {};
}

class SchematicReader {
public:
    explicit SchematicReader(std::string root_path) : root_path_(std::move(root_path)) {}

    BomReading read() {
        BomReading reading;
        reading.bom.name = std::filesystem::path(root_path_).stem().string();
        const SheetFile* root = load(root_path_, root_path_, {});
        if (root == nullptr) {
            reading.error = error_;
            return reading;
        }
        root_uuid_ = std::string(root->parse.root.value_of("uuid"));
        if (const SNode* instances = root->parse.root.child("symbol_instances")) {
            for (const SNode& path : instances->items) {
                if (path.head() != "path" || path.items.size() < 2) continue;
                Instance& instance = kicad6_instances_[path.items[1].atom];
                instance.reference = path.value_of("reference");
                instance.value = path.value_of("value");
                instance.footprint = path.value_of("footprint");
            }
        }
        std::vector<std::string> visiting{canonical(root_path_)};
        if (!walk(*root, "", visiting)) {
            reading.error = error_;
            return reading;
        }
        group(reading.bom);
        return reading;
    }

private:
    struct Instance {
        std::string reference, value, footprint;
    };

    static std::string canonical(const std::string& path) {
        std::error_code ec;
        const std::filesystem::path found = std::filesystem::weakly_canonical(path, ec);
        return ec ? path : found.string();
    }

    // Reads and parses a file once; nullptr with error_ set when it cannot be.
    const SheetFile* load(const std::string& path, const std::string& shown, const std::string& named_by) {
        const std::string key = canonical(path);
        if (const auto found = files_.find(key); found != files_.end()) return found->second.get();
        spreadsheet::FileBytes bytes;
        std::string why;
        if (!std::filesystem::exists(path)) {
            error_ = named_by.empty() ? "Файла " + shown + " нет."
                                      : "Нет файла листа " + shown + ", который называет " + named_by + ".";
            return nullptr;
        }
        if (!spreadsheet::read_file_bytes(path, bytes, &why, kMaxSchematicBytes)) {
            error_ = "Схема не прочитана: " + why;
            return nullptr;
        }
        if (!looks_like_kicad_schematic(bytes.view())) {
            error_ = "Файл " + shown + " — не схема KiCad 6 или 7 (.kicad_sch).";
            if (bytes.view().starts_with("EESchema"))
                error_ += " Схему KiCad 5 откройте и сохраните в KiCad 6 или новее.";
            return nullptr;
        }
        auto file = std::make_unique<SheetFile>();
        file->path = path;
        file->parse = parse_sexpr(bytes.view());
        if (!file->parse.error.empty()) {
            error_ = "Схема " + shown + " повреждена, " + file->parse.error + ".";
            return nullptr;
        }
        if (file->parse.root.head() != "kicad_sch") {
            error_ = "Файл " + shown + " — не схема KiCad 6 или 7 (.kicad_sch).";
            return nullptr;
        }
        return files_.emplace(key, std::move(file)).first->second.get();
    }

    // The symbol's reference on the sheet at sheet_path ("" for the root,
    // "/<sheet uuid>/…" below it), with its value and footprint there.
    Instance instance_of(const SNode& symbol, const std::string& sheet_path) const {
        Instance instance;
        instance.reference = property(symbol, "Reference");
        instance.value = property(symbol, "Value");
        instance.footprint = property(symbol, "Footprint");
        const std::string uuid(symbol.value_of("uuid"));
        // KiCad 6: the root's table, by the path without the root's own uuid.
        if (const auto found = kicad6_instances_.find(sheet_path + "/" + uuid); found != kicad6_instances_.end()) {
            if (!found->second.reference.empty()) instance.reference = found->second.reference;
            if (!found->second.value.empty()) instance.value = found->second.value;
            if (!found->second.footprint.empty()) instance.footprint = found->second.footprint;
            return instance;
        }
        // KiCad 7: the symbol's own table, by the sheet's path from the root.
        if (const SNode* instances = symbol.child("instances")) {
            const std::string full = "/" + root_uuid_ + sheet_path;
            for (const SNode& project : instances->items) {
                if (project.head() != "project") continue;
                for (const SNode& path : project.items) {
                    if (path.head() != "path" || path.items.size() < 2) continue;
                    const std::string& at = path.items[1].atom;
                    if (at == full || at == sheet_path || (sheet_path.empty() && at == "/")) {
                        const std::string_view reference = path.value_of("reference");
                        if (!reference.empty()) instance.reference = reference;
                        return instance;
                    }
                }
            }
        }
        return instance;
    }

    // From KiCad's power library, or marked "(power)" in the file's own copy
    // of its library symbol.
    bool is_power(const std::string& lib_id) const { return lib_id.starts_with("power:") || power_.count(lib_id) != 0; }

    void note_power_symbols(const SNode& sheet) {
        if (const SNode* library = sheet.child("lib_symbols")) {
            for (const SNode& symbol : library->items) {
                if (symbol.head() == "symbol" && symbol.items.size() >= 2 && symbol.child("power") != nullptr)
                    power_.insert(symbol.items[1].atom);
            }
        }
    }

    bool walk(const SheetFile& file, const std::string& sheet_path, std::vector<std::string>& visiting) {
        const SNode& sheet = file.parse.root;
        note_power_symbols(sheet);
        const std::string shown = std::filesystem::path(file.path).filename().string();
        for (const SNode& symbol : sheet.items) {
            if (symbol.head() != "symbol") continue;
            const std::string lib_id(symbol.value_of("lib_id"));
            if (symbol.value_of("in_bom") == "no" || symbol.value_of("dnp") == "yes") continue;
            const Instance instance = instance_of(symbol, sheet_path);
            if (instance.reference.empty() || instance.reference.starts_with('#') || is_power(lib_id)) continue;
            if (instance.reference.ends_with('?')) {
                error_ = "В схеме " + shown + " (строка " + std::to_string(symbol.line) + ") у символа «" +
                         instance.value + "» нет обозначения (" + instance.reference +
                         "): расставьте обозначения в KiCad (Аннотация схемы).";
                return false;
            }
            // Units of one component share its reference: the first one seen
            // stands for it.
            components_.try_emplace(instance.reference,
                                    Component{instance.value, instance.footprint, part_number_of(symbol)});
        }
        for (const SNode& child : sheet.items) {
            if (child.head() != "sheet") continue;
            std::string name;
            for (const SNode& item : child.items) {
                if (item.head() != "property" || item.items.size() < 3) continue;
                // A schematic saved in another language names its fields in
                // it ("Fichier de feuille"); KiCad 6 numbers the file's field 1.
                if (is_sheet_file_property(item.items[1].atom) || (name.empty() && item.value_of("id") == "1"))
                    name = item.items[2].atom;
            }
            if (name.empty()) {
                error_ = "В схеме " + shown + " (строка " + std::to_string(child.line) + ") у листа нет имени файла.";
                return false;
            }
            const std::filesystem::path path = std::filesystem::path(file.path).parent_path() / name;
            const SheetFile* sub = load(path.string(), name, shown);
            if (sub == nullptr) return false;
            const std::string key = canonical(path.string());
            if (std::find(visiting.begin(), visiting.end(), key) != visiting.end()) {
                error_ = "Лист " + name + " включает сам себя (через " + shown + ").";
                return false;
            }
            visiting.push_back(key);
            const bool read = walk(*sub, sheet_path + "/" + std::string(child.value_of("uuid")), visiting);
            visiting.pop_back();
            if (!read) return false;
        }
        return true;
    }

    void group(Bom& bom) const {
        std::map<std::tuple<std::string, std::string, std::string>, std::size_t> lines;
        for (const auto& [reference, component] : components_) {
            const auto key = std::make_tuple(component.value, component.footprint, component.part_number);
            auto [found, added] = lines.try_emplace(key, bom.lines.size());
            if (added) bom.lines.push_back({{}, component.value, component.footprint, component.part_number, 0});
            BomLine& line = bom.lines[found->second];
            line.designators.push_back(reference);
            ++line.per_board;
        }
        for (BomLine& line : bom.lines) sort_designators(line.designators);
        // In the order of the designators, as a BOM lists them.
        std::sort(bom.lines.begin(), bom.lines.end(), [](const BomLine& a, const BomLine& b) {
            return designator_less(a.designators.front(), b.designators.front());
        });
    }

    std::string root_path_;
    std::string root_uuid_;
    std::map<std::string, std::unique_ptr<SheetFile>> files_;
    std::map<std::string, Instance> kicad6_instances_;
    std::set<std::string> power_;
    std::map<std::string, Component> components_;
    std::string error_;
};

}  // namespace

bool looks_like_kicad_schematic(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    return start != std::string_view::npos && text.substr(start).starts_with("(kicad_sch");
}

BomReading read_kicad_schematic(const std::string& path) { return SchematicReader(path).read(); }

}  // namespace detalehran::bom
