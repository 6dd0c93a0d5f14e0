#include "bom/bom_file.h"

#include <filesystem>

#include "bom/csv_bom.h"
#include "bom/kicad_schematic.h"
#include "spreadsheet/file_io.h"

namespace detalehran::bom {

namespace {

// Far beyond any exported bill of materials.
constexpr long long kMaxCsvBytes = 64LL << 20;

}  // namespace

BomReading read_bom_file(const std::string& path) {
    const std::filesystem::path file(path);
    if (file.extension() == ".kicad_sch") return read_kicad_schematic(path);
    BomReading reading;
    spreadsheet::FileBytes bytes;
    std::string why;
    if (!spreadsheet::read_file_bytes(path, bytes, &why, kMaxCsvBytes)) {
        reading.error = "Спецификация не прочитана: " + why;
        return reading;
    }
    if (looks_like_kicad_schematic(bytes.view())) return read_kicad_schematic(path);
    if (bytes.view().starts_with("EESchema")) {
        reading.error = "Файл " + path +
                        " — схема KiCad 5, она не читается: откройте её и сохраните в KiCad 6 или новее, или "
                        "выгрузите спецификацию в CSV.";
        return reading;
    }
    reading = read_csv_bom(bytes.view(), path);
    reading.bom.name = file.stem().string();
    return reading;
}

}  // namespace detalehran::bom
