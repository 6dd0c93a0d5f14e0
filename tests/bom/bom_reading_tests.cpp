// Bills of materials read from the files people have: CSV of EDA programs
// and KiCad schematics with their sheets, and the refusals of bad files.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include "bom/bom_file.h"
#include "bom/designators.h"

namespace detalehran::bom {
namespace {

class Scratch {
public:
    Scratch() {
        path_ = std::filesystem::temp_directory_path() /
                ("bom_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
        std::filesystem::create_directories(path_);
    }
    ~Scratch() { std::filesystem::remove_all(path_); }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(path_ / name, std::ios::binary) << text;
        return (path_ / name).string();
    }

private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
};

TEST(Designators, ListsAndRangesAsPeopleWriteThem) {
    struct Case {
        const char* cell;
        std::vector<std::string> designators;
        const char* text;
    };
    const Case cases[] = {
        {"R1, R2, R5-R8", {"R1", "R2", "R5", "R6", "R7", "R8"}, "R1, R2, R5-R8"},
        {"C10;C2 C1", {"C1", "C2", "C10"}, "C1, C2, C10"},
        {"R5-8", {"R5", "R6", "R7", "R8"}, "R5-R8"},
        {"D1 \xE2\x80\x93 D3", {"D1", "D2", "D3"}, "D1-D3"},
        {"U1, U1", {"U1"}, "U1"},
        {"X1-1", {"X1-1"}, "X1-1"},
        {"", {}, "—"},
    };
    for (const Case& c : cases) {
        const DesignatorList list = read_designators(c.cell);
        EXPECT_TRUE(list.error.empty()) << c.cell;
        EXPECT_EQ(list.designators, c.designators) << c.cell;
        EXPECT_EQ(designators_text(list.designators), c.text) << c.cell;
    }
    EXPECT_FALSE(read_designators("R8-R5").error.empty());
    EXPECT_FALSE(read_designators("R1-R99999").error.empty());
}

TEST(CsvBom, QuantityFromTheColumnOrTheDesignators) {
    Scratch scratch;
    // A title above the header, ";" apart, lines of one value merged, a
    // totals line; the quantity column wins where it is filled.
    const std::string path = scratch.write("board.csv",
                                           "Перечень элементов платы\n"
                                           "Обозначение;Номинал;Корпус;Кол-во\n"
                                           "\"R1, R2, R5-R8\";4k7;R_0805;\n"
                                           "C1;100n;C_0603;3\n"
                                           "R9;4k7;R_0805;\n"
                                           "U1;NE555;DIP-8;1\n"
                                           "Итого;;;11\n");
    const BomReading reading = read_bom_file(path);
    ASSERT_TRUE(reading.ok()) << reading.error;
    EXPECT_EQ(reading.bom.name, "board");
    ASSERT_EQ(reading.bom.lines.size(), 3u);
    EXPECT_EQ(reading.bom.lines[0].value, "4k7");
    EXPECT_EQ(reading.bom.lines[0].per_board, 7);
    EXPECT_EQ(designators_text(reading.bom.lines[0].designators), "R1, R2, R5-R9");
    EXPECT_EQ(reading.bom.lines[1].per_board, 3);
    EXPECT_EQ(reading.bom.lines[2].footprint, "DIP-8");

    // KiCad's own CSV export, "," apart, with a part number column.
    const BomReading kicad = read_bom_file(scratch.write(
        "kicad.csv",
        "\"Reference\",\"Value\",\"Footprint\",\"Qty\",\"MPN\"\n\"U1,U2\",\"LM358\",\"DIP-8\",\"2\",\"LM358P\"\n"));
    ASSERT_TRUE(kicad.ok()) << kicad.error;
    ASSERT_EQ(kicad.bom.lines.size(), 1u);
    EXPECT_EQ(kicad.bom.lines[0].part_number, "LM358P");
    EXPECT_EQ(kicad.bom.lines[0].per_board, 2);
}

// The demo's counts were taken by hand from the root file's
// symbol_instances table (it lists every instance of both sheets with its
// reference, value and footprint): references starting with "#" (power
// symbols and flags) left out, each reference once (U2 is drawn as several
// units), then grouped by value and footprint. 63 components on 38 lines.
TEST(KicadSchematic, PicProgrammerCountedPerValueAndFootprint) {
    const std::string path = std::string(DETALEHRAN_KICAD_DEMOS) + "/pic_programmer/pic_programmer.kicad_sch";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "kicad-demos is not installed";
    const BomReading reading = read_bom_file(path);
    ASSERT_TRUE(reading.ok()) << reading.error;
    EXPECT_EQ(reading.bom.name, "pic_programmer");
    std::map<std::pair<std::string, std::string>, const BomLine*> lines;
    long long components = 0;
    for (const BomLine& line : reading.bom.lines) {
        lines[{line.value, line.footprint}] = &line;
        components += line.per_board;
        EXPECT_EQ(line.per_board, static_cast<long long>(line.designators.size())) << line.value;
    }
    EXPECT_EQ(reading.bom.lines.size(), 38u);
    EXPECT_EQ(components, 63);
    struct Expected {
        const char* value;
        const char* footprint;
        const char* designators;
    };
    const char* axial = "Resistor_THT:R_Axial_DIN0207_L6.3mm_D2.5mm_P10.16mm_Horizontal";
    const Expected expected[] = {
        {"10K", axial, "R1-R7"},
        {"470", axial, "R12-R14, R21"},
        {"2.2K", axial, "R9, R19, R20"},
        {"1K", axial, "R8"},
        {"1K", "footprints:RV2X4", "RV1"},
        {"100nF", "Capacitor_THT:C_Disc_D5.1mm_W3.2mm_P5.00mm", "C6, C7"},
        {"BAT43", "Diode_THT:D_DO-35_SOD27_P7.62mm_Horizontal", "D2-D7, D11"},
        {"74HC125", "Package_DIP:DIP-14_W7.62mm_LongPads", "U2"},
        {"CONN_1", "MountingHole:MountingHole_4.3mm_M4", "P101-P106"},
        // On the sheet pic_sockets.
        {"PIC_18_PINS", "Package_DIP:DIP-18_W7.62mm_Socket_LongPads", "U5"},
        {"SUPP40", "footprints:40tex-Ell600", "P3"},
    };
    for (const Expected& e : expected) {
        const auto found = lines.find({e.value, e.footprint});
        ASSERT_NE(found, lines.end()) << e.value << " " << e.footprint;
        EXPECT_EQ(designators_text(found->second->designators), e.designators) << e.value;
    }
}

// A sheet used twice, as KiCad 7 writes it: each symbol lists its
// reference per sheet path from the root in its own instances. A unit of a
// quad part, a power symbol and a part left out of the BOM are no lines.
TEST(KicadSchematic, SheetUsedTwiceGivesEachInstanceItsReference) {
    Scratch scratch;
    scratch.write("channel.kicad_sch", R"((kicad_sch (version 20230121) (generator eeschema)
  (uuid "cccc")
  (symbol (lib_id "Device:R") (unit 1) (in_bom yes) (uuid "r1")
    (property "Reference" "R?" (at 0 0 0)) (property "Value" "10k") (property "Footprint" "Resistor_SMD:R_0805")
    (instances (project "amp" (path "/root/s1" (reference "R1") (unit 1)) (path "/root/s2" (reference "R2") (unit 1)))))
  (symbol (lib_id "Amplifier:LM324") (unit 1) (in_bom yes) (uuid "u1a")
    (property "Reference" "U1" (at 0 0 0)) (property "Value" "LM324") (property "Footprint" "Package_SO:SOIC-14")
    (instances (project "amp" (path "/root/s1" (reference "U1") (unit 1)) (path "/root/s2" (reference "U2") (unit 1)))))
  (symbol (lib_id "Amplifier:LM324") (unit 2) (in_bom yes) (uuid "u1b")
    (property "Reference" "U1" (at 0 0 0)) (property "Value" "LM324") (property "Footprint" "Package_SO:SOIC-14")
    (instances (project "amp" (path "/root/s1" (reference "U1") (unit 2)) (path "/root/s2" (reference "U2") (unit 2)))))
  (symbol (lib_id "power:GND") (unit 1) (in_bom yes) (uuid "p1")
    (property "Reference" "#PWR01") (property "Value" "GND"))
  (symbol (lib_id "Mechanical:Logo") (unit 1) (in_bom no) (uuid "m1")
    (property "Reference" "LOGO1") (property "Value" "Logo"))
))");
    const std::string root = scratch.write("amp.kicad_sch", R"((kicad_sch (version 20230121) (generator eeschema)
  (uuid "root")
  (sheet (at 0 0) (size 10 10) (uuid "s1") (property "Sheetname" "A") (property "Sheetfile" "channel.kicad_sch"))
  (sheet (at 0 0) (size 10 10) (uuid "s2") (property "Sheetname" "B") (property "Sheetfile" "channel.kicad_sch"))
))");
    const BomReading reading = read_bom_file(root);
    ASSERT_TRUE(reading.ok()) << reading.error;
    ASSERT_EQ(reading.bom.lines.size(), 2u);
    EXPECT_EQ(designators_text(reading.bom.lines[0].designators), "R1, R2");
    EXPECT_EQ(reading.bom.lines[0].value, "10k");
    EXPECT_EQ(designators_text(reading.bom.lines[1].designators), "U1, U2");
    EXPECT_EQ(reading.bom.lines[1].per_board, 2);
}

TEST(BomFile, BadFilesAreRefusedWithTheirReason) {
    Scratch scratch;
    const std::string sheet_missing = scratch.write(
        "root.kicad_sch",
        "(kicad_sch (version 20211123)\n (sheet (uuid \"s\") (property \"Sheet file\" \"gone.kicad_sch\")))");
    struct Case {
        std::string path;
        const char* says;
    };
    const Case cases[] = {
        {scratch.write("notes.kicad_sch", "Просто текст"), "не схема KiCad"},
        {scratch.write("pcb.kicad_sch", "(kicad_pcb (version 20211014))"), "не схема KiCad"},
        {scratch.write("old.sch", "EESchema Schematic File Version 4\n"), "KiCad 5"},
        {scratch.write("broken.kicad_sch", "(kicad_sch (version 20211123)\n (symbol (lib_id \"R\")\n"),
         "повреждена, строка 2: скобка не закрыта"},
        {scratch.write("quote.kicad_sch", "(kicad_sch (property \"Value\n"), "кавычка не закрыта"},
        {scratch.write("extra.kicad_sch", "(kicad_sch))"), "лишняя закрывающая скобка"},
        {sheet_missing, "Нет файла листа gone.kicad_sch"},
        {scratch.write("unannotated.kicad_sch",
                       "(kicad_sch (symbol (lib_id \"Device:C\") (uuid \"c\") (property \"Reference\" \"C?\") "
                       "(property \"Value\" \"100n\")))"),
         "нет обозначения (C?)"},
        {scratch.write("novalue.csv", "Reference;Footprint;Qty\nR1;R_0805;1\n"), "нет столбца номиналов"},
        {scratch.write("nocount.csv", "Value;Footprint\n10k;R_0805\n"), "нет ни столбца количества"},
        {scratch.write("range.csv", "Reference;Value\nR9-R2;10k\n"), "range.csv:2: «R9-R2» — не диапазон"},
        {scratch.write("qty.csv", "Value;Qty\n10k;два\n"), "qty.csv:2: количество «два» — не целое число"},
        {scratch.write("empty.csv", ""), "не прочитан"},
        {(std::filesystem::temp_directory_path() / "no_such_bom.csv").string(), "не прочитана"},
    };
    for (const Case& c : cases) {
        const BomReading reading = read_bom_file(c.path);
        EXPECT_FALSE(reading.ok()) << c.path;
        EXPECT_NE(reading.error.find(c.says), std::string::npos) << c.path << ": " << reading.error;
    }
}

}  // namespace
}  // namespace detalehran::bom
