// The value reader, the package reader, the query of the search by value and
// the database's filter for it, on texts taken from real files.

#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "values/electrical_value.h"
#include "values/package_name.h"
#include "values/part_match.h"
#include "values/value_filter.h"

namespace {

using namespace detalehran::values;

// The text's own words give the context ("Резистор 470").
constexpr Kinds kOwnContext = 0xFFFF;

ValueList read(const char* text, Kinds context) {
    const QString t = QString::fromUtf8(text);
    return context == kOwnContext ? read_values(t) : read_values(t, context);
}

// "R 47e2; V 5e1": each value's kinds and its amount as mantissa and power of ten.
std::string described(const ValueList& values) {
    static const char* const kTags[] = {"R", "C", "L", "V", "A", "W", "Hz", "%"};
    std::string out;
    for (const Value& v : values) {
        if (!out.empty()) out += "; ";
        std::string tags;
        for (int bit = 0; bit < 8; ++bit) {
            if ((v.kinds & (1 << bit)) != 0) tags += (tags.empty() ? "" : "|") + std::string(kTags[bit]);
        }
        out += tags + " " + std::to_string(v.magnitude.mantissa) + "e" + std::to_string(v.magnitude.exponent);
    }
    return out;
}

struct ValueCase {
    const char* text;
    Kinds context;
    const char* expected;
};

// The Value fields of the schematics in Debian's kicad-demos 6.0.11, each
// with its file under /usr/share/kicad/demos/, read in the context their
// reference gives (R a resistor, C a capacitor, L an inductor); part numbers
// and the odd labels among them give no value.
struct SchematicCase {
    const char* text;
    Kinds context;
    const char* expected;
    const char* file;
};
const SchematicCase kSchematicValues[] = {
    {"4,7K", kResistance, "R 47e2", "complex_hierarchy/ampli_ht.kicad_sch"},
    {"15nF", kCapacitance, "C 15e-9", "complex_hierarchy/ampli_ht.kicad_sch"},
    {"22K", kResistance, "R 22e3", "complex_hierarchy/ampli_ht.kicad_sch"},
    {"47", kResistance, "R 47e0", "complex_hierarchy/ampli_ht.kicad_sch"},
    {"820pF", kCapacitance, "C 82e-11", "complex_hierarchy/ampli_ht.kicad_sch"},
    {"4.7nF", kCapacitance, "C 47e-10", "complex_hierarchy/ampli_ht.kicad_sch"},
    {"1K", kResistance, "R 1e3", "complex_hierarchy/ampli_ht.kicad_sch"},
    {"220K", kResistance, "R 22e4", "complex_hierarchy/ampli_ht.kicad_sch"},
    {"470", kResistance, "R 47e1", "complex_hierarchy/ampli_ht.kicad_sch"},
    {"150nF", kCapacitance, "C 15e-8", "complex_hierarchy/ampli_ht.kicad_sch"},
    {"5,6K", kResistance, "R 56e2", "complex_hierarchy/ampli_ht.kicad_sch"},
    {"1N4148", 0, "", "complex_hierarchy/ampli_ht.kicad_sch"},
    {"LM358N", 0, "", "complex_hierarchy/ampli_ht.kicad_sch"},
    {"MPSA92", 0, "", "complex_hierarchy/ampli_ht.kicad_sch"},
    {"47uF/20V", kCapacitance, "C 47e-6; V 2e1", "complex_hierarchy/complex_hierarchy.kicad_sch"},
    {"47uF", kCapacitance, "C 47e-6", "complex_hierarchy/complex_hierarchy.kicad_sch"},
    {"47uF/63V", kCapacitance, "C 47e-6; V 63e0", "complex_hierarchy/complex_hierarchy.kicad_sch"},
    {"10uF", kCapacitance, "C 1e-5", "complex_hierarchy/complex_hierarchy.kicad_sch"},
    {"1N4007", 0, "", "complex_hierarchy/complex_hierarchy.kicad_sch"},
    {"78L05", 0, "", "complex_hierarchy/complex_hierarchy.kicad_sch"},
    {"1.5K", kResistance, "R 15e2", "ecc83/ecc83-pp.kicad_sch"},
    {"47K", kResistance, "R 47e3", "ecc83/ecc83-pp.kicad_sch"},
    {"100K", kResistance, "R 1e5", "ecc83/ecc83-pp.kicad_sch"},
    {"680nF", kCapacitance, "C 68e-8", "ecc83/ecc83-pp.kicad_sch"},
    {"A_1KVA", 0, "", "electric/electric.kicad_sch"},
    {"J_40A_30mA", 0, "", "electric/electric.kicad_sch"},
    {"V_U400V", 0, "", "electric/electric.kicad_sch"},
    {"Q_2A_12O_40KV", 0, "", "electric/electric.kicad_sch"},
    {"C_3x2.5mm2", 0, "", "electric/electric.kicad_sch"},
    {"10K", kResistance, "R 1e4", "flat_hierarchy/pic_programmer.kicad_sch"},
    {"2.2K", kResistance, "R 22e2", "flat_hierarchy/pic_programmer.kicad_sch"},
    {"220uF", kCapacitance, "C 22e-5", "flat_hierarchy/pic_programmer.kicad_sch"},
    {"100uF", kCapacitance, "C 1e-4", "flat_hierarchy/pic_programmer.kicad_sch"},
    {"22uH", kInductance, "L 22e-6", "flat_hierarchy/pic_programmer.kicad_sch"},
    {"22uF/25V", kCapacitance, "C 22e-6; V 25e0", "flat_hierarchy/pic_programmer.kicad_sch"},
    {"10nF", kCapacitance, "C 1e-8", "flat_hierarchy/pic_programmer.kicad_sch"},
    {"6.2K", kResistance, "R 62e2", "flat_hierarchy/pic_programmer.kicad_sch"},
    {"62K", kResistance, "R 62e3", "flat_hierarchy/pic_programmer.kicad_sch"},
    {"5.1K", kResistance, "R 51e2", "flat_hierarchy/pic_programmer.kicad_sch"},
    {"220", kResistance, "R 22e1", "flat_hierarchy/pic_programmer.kicad_sch"},
    {"74HC125", 0, "", "flat_hierarchy/pic_programmer.kicad_sch"},
    {"7805", 0, "", "flat_hierarchy/pic_programmer.kicad_sch"},
    {"22OnF", kCapacitance, "", "flat_hierarchy/pic_programmer.kicad_sch"},
    {"100nF", kCapacitance, "C 1e-7", "flat_hierarchy/pic_sockets.kicad_sch"},
    {"24Cxx", 0, "", "flat_hierarchy/pic_sockets.kicad_sch"},
    {"330", kResistance, "R 33e1", "interf_u/interf_u.kicad_sch"},
    {"8MHz", 0, "Hz 8e6", "interf_u/interf_u.kicad_sch"},
    {"47pF", kCapacitance, "C 47e-12", "interf_u/interf_u.kicad_sch"},
    {"9x1K", kResistance, "R 1e3", "interf_u/interf_u.kicad_sch"},
    {"628128", 0, "", "interf_u/interf_u.kicad_sch"},
    {"4003APG120", 0, "", "interf_u/interf_u.kicad_sch"},
    {"270", kResistance, "R 27e1", "kit-dev-coldfire-xilinx_5213/in_out_conn.kicad_sch"},
    {"62", kResistance, "R 62e0", "kit-dev-coldfire-xilinx_5213/in_out_conn.kicad_sch"},
    {"22", kResistance, "R 22e0", "kit-dev-coldfire-xilinx_5213/kit-dev-coldfire-xilinx_5213.kicad_sch"},
    {"10uH", kInductance, "L 1e-5", "kit-dev-coldfire-xilinx_5213/kit-dev-coldfire-xilinx_5213.kicad_sch"},
    {"1nF", kCapacitance, "C 1e-9", "kit-dev-coldfire-xilinx_5213/kit-dev-coldfire-xilinx_5213.kicad_sch"},
    {"20K", kResistance, "R 2e4", "kit-dev-coldfire-xilinx_5213/kit-dev-coldfire-xilinx_5213.kicad_sch"},
    {"4.7K", kResistance, "R 47e2", "kit-dev-coldfire-xilinx_5213/kit-dev-coldfire-xilinx_5213.kicad_sch"},
    {"1M", kResistance, "R 1e6", "kit-dev-coldfire-xilinx_5213/kit-dev-coldfire-xilinx_5213.kicad_sch"},
    {"10pF", kCapacitance, "C 1e-11", "kit-dev-coldfire-xilinx_5213/kit-dev-coldfire-xilinx_5213.kicad_sch"},
    {"3906", 0, "", "kit-dev-coldfire-xilinx_5213/kit-dev-coldfire-xilinx_5213.kicad_sch"},
    {"BAT54", 0, "", "kit-dev-coldfire-xilinx_5213/kit-dev-coldfire-xilinx_5213.kicad_sch"},
    {"74AHC1G14", 0, "", "kit-dev-coldfire-xilinx_5213/kit-dev-coldfire-xilinx_5213.kicad_sch"},
    {"MCF5213-LQFP100", 0, "", "kit-dev-coldfire-xilinx_5213/kit-dev-coldfire-xilinx_5213.kicad_sch"},
    {"CONN_13X2", 0, "", "kit-dev-coldfire-xilinx_5213/kit-dev-coldfire-xilinx_5213.kicad_sch"},
    {"4K7", kResistance, "R 47e2", "kit-dev-coldfire-xilinx_5213/xilinx.kicad_sch"},
    {"3,3", kResistance, "R 33e-1", "kit-dev-coldfire-xilinx_5213/xilinx.kicad_sch"},
    {"100µF", kCapacitance, "C 1e-4", "pic_programmer/pic_programmer.kicad_sch"},
    {"5,1K", kResistance, "R 51e2", "pic_programmer/pic_programmer.kicad_sch"},
    {"220nF", kCapacitance, "C 22e-8", "pic_programmer/pic_programmer.kicad_sch"},
    {"160", kResistance, "R 16e1", "simulation/laser_driver/laser_driver.kicad_sch"},
    {"2.5", kResistance, "R 25e-1", "simulation/laser_driver/laser_driver.kicad_sch"},
    {"1p", kCapacitance, "C 1e-12", "simulation/laser_driver/laser_driver.kicad_sch"},
    {"fzt1049a", 0, "", "simulation/laser_driver/laser_driver.kicad_sch"},
    {"100mH", kInductance, "L 1e-1", "simulation/pspice/pspice.kicad_sch"},
    {"10", kResistance, "R 1e1", "simulation/pspice/pspice.kicad_sch"},
    {"100", kResistance, "R 1e2", "simulation/pspice/pspice.kicad_sch"},
    {"1UF", kCapacitance, "C 1e-6", "simulation/pspice/pspice.kicad_sch"},
    {"220pF", kCapacitance, "C 22e-11", "simulation/pspice/pspice.kicad_sch"},
    {"Q2N2222", 0, "", "simulation/pspice/pspice.kicad_sch"},
    {"DC 12", 0, "", "simulation/pspice/pspice.kicad_sch"},
    {"1k", kResistance, "R 1e3", "simulation/rectifier/rectifier.kicad_sch"},
    {"100k", kResistance, "R 1e5", "simulation/rectifier/rectifier.kicad_sch"},
    {"100n", kCapacitance, "C 1e-7", "simulation/rectifier/rectifier.kicad_sch"},
    {"10k", kResistance, "R 1e4", "simulation/v_i_sources/v_i_sources.kicad_sch"},
    {"100pF", kCapacitance, "C 1e-10", "sonde xilinx/sonde xilinx.kicad_sch"},
    {"1uF", kCapacitance, "C 1e-6", "sonde xilinx/sonde xilinx.kicad_sch"},
    {"0.1uF 100V", kCapacitance, "C 1e-7; V 1e2", "stickhub/StickHub.kicad_sch"},
    {"0.1uF", kCapacitance, "C 1e-7", "stickhub/StickHub.kicad_sch"},
    {"12MHz 50ppm 16-20pF", 0, "Hz 12e6", "stickhub/StickHub.kicad_sch"},
    {"1uF 10V", kCapacitance, "C 1e-6; V 1e1", "stickhub/StickHub.kicad_sch"},
    {"10uF 6.3V", kCapacitance, "C 1e-5; V 63e-1", "stickhub/StickHub.kicad_sch"},
    {"22uF 10V", kCapacitance, "C 22e-6; V 1e1", "stickhub/StickHub.kicad_sch"},
    {"5V", 0, "V 5e0", "stickhub/StickHub.kicad_sch"},
    {"330uF 10V", kCapacitance, "C 33e-5; V 1e1", "stickhub/StickHub.kicad_sch"},
    {"2.7k", kResistance, "R 27e2", "stickhub/StickHub.kicad_sch"},
    {"10MHz", 0, "Hz 1e7", "test_xil_95108/carte_test.kicad_sch"},
    {"22pF", kCapacitance, "C 22e-12", "test_xil_95108/carte_test.kicad_sch"},
    {"2,2K", kResistance, "R 22e2", "test_xil_95108/carte_test.kicad_sch"},
    {"1,1k", kResistance, "R 11e2", "test_xil_95108/carte_test.kicad_sch"},
    {"1,1K", kResistance, "R 11e2", "test_xil_95108/carte_test.kicad_sch"},
    {"75", kResistance, "R 75e0", "test_xil_95108/carte_test.kicad_sch"},
    {"4,7uF", kCapacitance, "C 47e-7", "video/bus_pci.kicad_sch"},
    {"8x10K", kResistance, "R 1e4", "video/bus_pci.kicad_sch"},
    {"24C16", 0, "", "video/bus_pci.kicad_sch"},
    {"16/32", 0, "", "video/bus_pci.kicad_sch"},
    {"22uF", kCapacitance, "C 22e-6", "video/esvideo.kicad_sch"},
    {"510", kResistance, "R 51e1", "video/esvideo.kicad_sch"},
    {"150", kResistance, "R 15e1", "video/esvideo.kicad_sch"},
    {"2.2uF", kCapacitance, "C 22e-7", "video/esvideo.kicad_sch"},
    {"4.7uF", kCapacitance, "C 47e-7", "video/graphic.kicad_sch"},
    {"4C4001", 0, "", "video/graphic.kicad_sch"},
    {"XC4003/PQ100", 0, "", "video/graphic.kicad_sch"},
    {"47nF", kCapacitance, "C 47e-9", "video/modul.kicad_sch"},
    {"4.433618MHz", 0, "Hz 4433618e0", "video/modul.kicad_sch"},
    {"6,8uF", kCapacitance, "C 68e-7", "video/modul.kicad_sch"},
    {"22nF", kCapacitance, "C 22e-9", "video/modul.kicad_sch"},
    {"3,3K", kResistance, "R 33e2", "video/modul.kicad_sch"},
    {"2,2uH", kInductance, "L 22e-7", "video/modul.kicad_sch"},
    {"330pF", kCapacitance, "C 33e-11", "video/modul.kicad_sch"},
    {"68", kResistance, "R 68e0", "video/modul.kicad_sch"},
    {"150K", kResistance, "R 15e4", "video/modul.kicad_sch"},
    {"BC848", 0, "", "video/modul.kicad_sch"},
    {"470ns", kInductance, "", "video/modul.kicad_sch"},
    {"5/30pF", kCapacitance, "", "video/modul.kicad_sch"},
    {"30MHz", 0, "Hz 3e7", "video/pal-ntsc.kicad_sch"},
    {"27K", kResistance, "R 27e3", "video/pal-ntsc.kicad_sch"},
};

// Names of the demo inventory (tools/demo_inventory.cpp), read in the
// context of their own words.
const ValueCase kDemoNames[] = {
    {"Генератор кварцевый 50 МГц", kOwnContext, "Hz 5e7"},
    {"Диод 1N4148", kOwnContext, ""},
    {"Диод M7", kOwnContext, ""},
    {"Дроссель 1 мГн 8x10 мм", kOwnContext, "L 1e-3"},
    {"Дроссель 100 мкГн 8x10 мм", kOwnContext, "L 1e-4"},
    {"Дроссель 4,7 мкГн CD54", kOwnContext, "L 47e-7"},
    {"Зуммер активный 5 В 12 мм", kOwnContext, "V 5e0"},
    {"Индуктивность 4,7 мкГн 0805", kOwnContext, "L 47e-7"},
    {"Кварцевый резонатор 11,0592 МГц HC-49S", kOwnContext, "Hz 110592e2"},
    {"Кварцевый резонатор 32,768 кГц", kOwnContext, "Hz 32768e0"},
    {"Кварцевый резонатор 8 МГц HC-49S", kOwnContext, "Hz 8e6"},
    {"Клеммник DG301-5.0-02P", kOwnContext, ""},
    {"Кнопка тактовая 6×6×5 мм", kOwnContext, ""},
    {"Конденсатор 100 нФ 50 В X7R 0603", kOwnContext, "C 1e-7; V 5e1"},
    {"Конденсатор 22 пФ 50 В C0G 0603", kOwnContext, "C 22e-12; V 5e1"},
    {"Конденсатор 4,7 мкФ 16 В X5R 0805", kOwnContext, "C 47e-7; V 16e0"},
    {"Конденсатор танталовый 10 мкФ 16 В", kOwnContext, "C 1e-5; V 16e0"},
    {"Конденсатор танталовый 100 мкФ 10 В", kOwnContext, "C 1e-4; V 1e1"},
    {"Конденсатор электролитический 1 мФ 16 В", kOwnContext, "C 1e-3; V 16e0"},
    {"Конденсатор электролитический 2,2 мкФ 50 В", kOwnContext, "C 22e-7; V 5e1"},
    {"Конденсатор электролитический 470 мкФ 25 В", kOwnContext, "C 47e-5; V 25e0"},
    {"Микроконтроллер STM32F030F4P6", kOwnContext, ""},
    {"Микросхема 74HC595", kOwnContext, ""},
    {"Разъём JST XH-2A", kOwnContext, ""},
    {"Разъём PLS-40", kOwnContext, ""},
    {"Резистор 0 Ом 0805", kOwnContext, "R 0e0"},
    {"Резистор 1 МОм 0805", kOwnContext, "R 1e6"},
    {"Резистор 100 кОм 0603", kOwnContext, "R 1e5"},
    {"Резистор 4,7 кОм 0805", kOwnContext, "R 47e2"},
    {"Резистор 47 Ом 0,25 Вт", kOwnContext, "R 47e0; W 25e-2"},
    {"Реле SRD-05VDC-SL-C", kOwnContext, ""},
    {"Светодиод ИК 940 нм 5 мм", kOwnContext, ""},
    {"Светодиод красный 5 мм", kOwnContext, ""},
    {"Стабилизатор 78L05", kOwnContext, ""},
    {"Стабилизатор AMS1117-3.3", kOwnContext, ""},
    {"Стабилизатор LM317T", kOwnContext, ""},
    {"Стабилитрон BZX55C3V3", kOwnContext, ""},
    {"Транзистор 2N2222A", kOwnContext, ""},
    {"Транзистор BC547B", kOwnContext, ""},
    {"Транзистор IRF540N", kOwnContext, ""},
    {"Транзистор КТ315Б", kOwnContext, ""},
};

// Ways of writing a value that the search must understand besides those.
const ValueCase kWrittenForms[] = {
    {"4К7", kOwnContext, "R 47e2"},
    {"0R1", kOwnContext, "R 1e-1"},
    {"4.7k", kOwnContext, "R 47e2"},
    {"4,7 кОм", kOwnContext, "R 47e2"},
    {"2,2 MΩ", kOwnContext, "R 22e5"},
    {"10 kOhm", kOwnContext, "R 1e4"},
    {"Резистор 470", kOwnContext, "R 47e1"},
    {"470", kOwnContext, ""},
    {"1u0", kOwnContext, "C|L 1e-6"},
    {"0,1 мкФ", kOwnContext, "C 1e-7"},
    {"Индуктивность 4u7", kOwnContext, "L 47e-7"},
    {"2n2", kCapacitance, "C 22e-10"},
    {"3V3", kOwnContext, "V 33e-1"},
    {"50B", kOwnContext, "V 5e1"},
    {"3,3В", kOwnContext, "V 33e-1"},
    {"20 мА", kOwnContext, "A 2e-2"},
    {"0,25 Вт", kOwnContext, "W 25e-2"},
    {"1/4W", kOwnContext, "W 25e-2"},
    {"±1%", kOwnContext, "% 1e0"},
    {"5 %", kOwnContext, "% 5e0"},
    {"12MHz", kOwnContext, "Hz 12e6"},
    {"32,768 кГц", kOwnContext, "Hz 32768e0"},
    // Dimensions, bytes and a preposition are no values.
    {"5 мм", kOwnContext, ""},
    {"3x8", kOwnContext, ""},
    {"64 КБ Flash", kOwnContext, ""},
    {"Дешифратор 3 в 8", kOwnContext, ""},
    {"Резистор 1,25–37 В", kOwnContext, ""},
    {"Резистор 4,7 кОм 1206", kOwnContext, "R 47e2"},
    {"Регулируемый линейный стабилизатор 1,25–37 В, 1,5 А", kOwnContext, "A 15e-1"},
};

TEST(ValueReader, ReadsTheValuesOfRealTexts) {
    for (const SchematicCase& c : kSchematicValues) {
        EXPECT_EQ(described(read(c.text, c.context)), c.expected) << c.text << " in " << c.file;
    }
    for (const auto& table : {std::vector<ValueCase>(std::begin(kDemoNames), std::end(kDemoNames)),
                              std::vector<ValueCase>(std::begin(kWrittenForms), std::end(kWrittenForms))}) {
        for (const ValueCase& c : table) EXPECT_EQ(described(read(c.text, c.context)), c.expected) << c.text;
    }
}

// The schematic texts are those of the installed demos, where they are.
TEST(ValueReader, SchematicTextsStandInTheirFiles) {
    const std::filesystem::path demos = "/usr/share/kicad/demos";
    if (!std::filesystem::exists(demos)) GTEST_SKIP() << "kicad-demos is not installed (scripts/install-deps.sh)";
    for (const SchematicCase& c : kSchematicValues) {
        std::ifstream file(demos / c.file, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("(property \"Value\" \"" + std::string(c.text) + "\""), std::string::npos)
            << c.text << " in " << c.file;
    }
}

TEST(ValueReader, AmountsCompareByTheirSize) {
    auto amount = [](const char* text) { return read_values(QString::fromUtf8(text))[0].magnitude; };
    EXPECT_EQ(amount("4k7"), amount("4700 Ом"));
    EXPECT_EQ(amount("0,0047 МОм"), amount("4,70 кОм"));
    EXPECT_LT(amount("1 кОм"), amount("2,2 кОм"));
    EXPECT_LT(amount("2,2 кОм"), amount("10 кОм"));
    EXPECT_LT(amount("10 кОм"), amount("100 кОм"));
    EXPECT_LT(amount("-12V"), amount("-5V"));
    EXPECT_LT(amount("-5V"), amount("0 В"));
    EXPECT_LT(amount("99 pF"), amount("0,1 нФ"));
}

// The Footprint fields of the same schematics, and the demo inventory's
// package types.
struct PackageCase {
    const char* text;
    const char* expected;
};
const PackageCase kPackages[] = {
    {"Capacitor_SMD:1608_C", "0603"},
    {"Capacitor_SMD:C_0805_2012Metric", "0805"},
    {"Capacitor_SMD:C_1206_3216Metric_Pad1.24x1.80mm_HandSolder", "1206"},
    {"Capacitor_Tantalum_SMD:CP_EIA-3528-21_Kemet-B_Pad1.63x2.40mm_HandSolder", ""},
    {"Capacitors_SMD:C_1206", "1206"},
    {"Connector_PinHeader_2.54mm:PinHeader_2x20_P2.54mm_Vertical", ""},
    {"Crystal:Crystal_HC18-U_Horizontal", "HC-18"},
    {"Diode_SMD:1006_C", ""},
    {"Diode_SMD:D_SOT-23_ANK", "SOT-23"},
    {"Diode_THT:D_A-405_P7.62mm_Horizontal", ""},
    {"Diode_THT:D_DO-35_SOD27_P7.62mm_Horizontal", "DO-35"},
    {"Diode_THT:D_DO-41_SOD81_P12.70mm_Horizontal", "DO-41"},
    {"Inductor_THT:L_Radial_D7.8mm_P5.00mm_Fastron_07HCP", ""},
    {"LED_SMD:LED_1206_3216Metric", "1206"},
    {"Package_DFN_QFN:TDFN-8_1.5x2mm_Fused-Lead_JEDEC_MO-252_W2015D", "TDFN-8"},
    {"Package_DIP:DIP-14_W7.62mm_LongPads", "DIP-14"},
    {"Package_DIP:DIP-28_W7.62mm_Socket_LongPads", "DIP-28"},
    {"Package_DIP:DIP-8_W7.62mm", "DIP-8"},
    {"Package_QFP:LQFP-48_7x7mm_P0.5mm", "LQFP-48"},
    {"Package_QFP:PQFP-160_28x28mm_P0.65mm", "PQFP-160"},
    {"Package_QFP:TQFP-144_20x20mm_P0.5mm", "TQFP-144"},
    {"Package_SO:SOIC-20W_7.5x12.8mm_P1.27mm", "SOIC-20W"},
    {"Package_SO:SOIC-8_3.9x4.9mm_P1.27mm", "SOIC-8"},
    {"Package_SO:SSOP-8_3.95x5.21x3.27mm_P1.27mm", "SSOP-8"},
    {"Package_TO_SOT_SMD:TO-263-5_TabPin3", "TO-263-5"},
    {"Package_TO_SOT_THT:TO-220-3_Horizontal_TabDown", "TO-220"},
    {"Package_TO_SOT_THT:TO-92", "TO-92"},
    {"Package_TO_SOT_THT:TO-92_HandSolder", "TO-92"},
    {"Potentiometer_THT:Potentiometer_Bourns_3266W_Vertical", ""},
    {"Resistor_SMD:R_0805_2012Metric", "0805"},
    {"Resistor_SMD:R_1206_3216Metric_Pad1.24x1.80mm_HandSolder", "1206"},
    {"Resistor_SMD:R_1210_3225Metric_Pad1.24x2.70mm_HandSolder", "1210"},
    {"Resistor_SMD:R_1812_4532Metric_Pad1.24x3.50mm_HandSolder", "1812"},
    {"Resistor_THT:R_Array_SIP10", ""},
    {"Resistor_THT:R_Axial_DIN0207_L6.3mm_D2.5mm_P10.16mm_Horizontal", ""},
    {"Sockets:PLCC84", "PLCC-84"},
    {"footprints:PLCC68", "PLCC-68"},
    {"kit-dev-coldfire:SOT23EBC", "SOT-23"},
    {"kit-dev-coldfire:SOT353", "SOT-353"},
    // tools/demo_inventory.cpp
    {"0805", "0805"},
    {"SOT-23-5", "SOT-23-5"},
    {"SOIC-8", "SOIC-8"},
    {"TO-263-5", "TO-263-5"},
    {"SOD-323", "SOD-323"},
    {"DO-201AD", "DO-201AD"},
    {"HC-49S", "HC-49S"},
    {"SMA", "SMA"},
    {"UFQFPN-48", "UFQFPN-48"},
    {"SMD-3225", ""},
    {"D6.3x11", ""},
    {"Case A", ""},
    {"КТ-13", ""},
    // Other writings of the same outlines.
    {"2012", "0805"},
    {"R0805", "0805"},
    {"SO-8", "SOIC-8"},
    {"SO8", "SOIC-8"},
    {"DIP8", "DIP-8"},
    {"PDIP-8", "DIP-8"},
    {"SOT-23-3", "SOT-23"},
    {"DO-214AC", "SMA"},
    {"D2PAK", "TO-263"},
    {"QFN-32-1EP_5x5mm", "QFN-32"},
    {"Конденсатор 100 нФ 50 В X7R 0603", "0603"},
    {"Резистор 1 кОм 0,25 Вт", ""},
    {"Микроконтроллер STM32F103C8T6", ""},
};

TEST(PackageReader, GivesTheNormalFormOfFootprintsAndPackages) {
    for (const PackageCase& c : kPackages) {
        EXPECT_EQ(std::string(read_package(QString::fromUtf8(c.text)).view()), c.expected) << c.text;
    }
}

struct MatchCase {
    const char* query;
    const char* name;
    const char* package;
    bool found;
};

TEST(PartQuery, FindsPartsByValuesPackageAndWords) {
    const MatchCase cases[] = {
        {"4k7 0805", "Резистор 4,7 кОм 0805", "0805", true},
        {"4k7 0805", "Резистор 4,7 кОм 0603", "0603", false},
        {"4k7 2012", "Резистор 4,7 кОм", "R_0805_2012Metric", true},
        {"10K", "Резистор 10 кОм 0805", "0805", true},
        {"10K", "Резистор 100 кОм 0805", "0805", false},
        {"10K", "Конденсатор 10 мкФ 16 В", "0805", false},
        {"100n 50V", "Конденсатор 100 нФ 50 В X7R 0603", "0603", true},
        {"100n 25V", "Конденсатор 100 нФ 50 В X7R 0603", "0603", false},
        {"4u7", "Дроссель 4,7 мкГн CD54", "CD54", true},
        {"4,7 мкГн", "Конденсатор 4,7 мкФ 16 В", "0805", false},
        {"LM317 TO-220", "Стабилизатор LM317T", "TO-220", true},
        {"LM317 TO-220", "Стабилизатор LM7805", "TO-220", false},
        {"Резистор 470", "Резистор 470 Ом 0,25 Вт", "0207", true},
        {"470", "Резистор 470 Ом 0,25 Вт", "0207", false},  // a bare number says nothing by value
        {"LM317", "Стабилизатор LM317T", "TO-220", false},  // nor does a word alone
    };
    for (const MatchCase& c : cases) {
        const PartQuery query = read_query(QString::fromUtf8(c.query));
        EXPECT_EQ(part_matches(query, QString::fromUtf8(c.name), QString::fromUtf8(c.package)), c.found)
            << c.query << " / " << c.name;
    }
    // A bill of materials line: the footprint gives the package and the context.
    const PartQuery line = read_query(u"470", u"Resistor_SMD:R_0805_2012Metric", 0);
    EXPECT_TRUE(part_matches(line, u"Резистор 470 Ом 0805", u"0805"));
    EXPECT_FALSE(part_matches(line, u"Резистор 470 Ом 0603", u"0603"));
}

// Every writing of a value the reader accepts passes the database's filter,
// and names with other values mostly do not.
TEST(ValueFilter, LetsThroughEveryWritingOfTheValues) {
    struct Writings {
        const char* query;
        std::vector<const char*> found;
        std::vector<const char*> kept_out;
    };
    const Writings table[] = {
        {"4k7",
         {"4,7 кОм", "4K7", "4700 Ом", "4700R", "0,0047 МОм", "4.70 kOhm", "Резистор 4700"},
         {"Резистор 2,2 кОм 0805", "Резистор 7,4 кОм 0805"}},
        {"1k",
         {"1 кОм", "1k", "1K0", "1,0 кОм", "1000 Ом", "0,001 МОм", "1 kΩ", "Резистор 1000"},
         {"Резистор 10 кОм 0805", "Резистор 100 Ом", "Конденсатор 1 мкФ"}},
        {"100n", {"100 нФ", "0,1 мкФ", "0.1uF", "100nF", "100000 пФ", "100n"}, {"Конденсатор 10 нФ 50 В"}},
        {"5V", {"5 В", "5V", "+5v", "5,0 В", "5000 мВ", "0,005 кВ"}, {"Стабилитрон 3,3 В", "Диод 50 В"}},
        {"0R1", {"0,1 Ом", "0R1", "100 мОм"}, {"Резистор 1 Ом"}},
        {"32.768kHz", {"32,768 кГц", "32768 Гц", "0,032768 МГц"}, {"Кварц 32 МГц"}},
    };
    for (const Writings& w : table) {
        const PartQuery query = read_query(QString::fromUtf8(w.query));
        const ValueFilter filter = value_filter(query.values);
        for (const char* name : w.found) {
            const QString text = QString::fromUtf8(name);
            EXPECT_TRUE(part_matches(query, text, u"")) << w.query << " / " << name;
            EXPECT_TRUE(filter_admits(filter, text)) << w.query << " / " << name;
        }
        for (const char* name : w.kept_out) EXPECT_FALSE(filter_admits(filter, QString::fromUtf8(name))) << name;
    }
    // Every value of the tables above passes the filter made from its own text.
    for (const ValueCase& c : kDemoNames) {
        const PartQuery query = read_query(QString::fromUtf8(c.text));
        EXPECT_TRUE(filter_admits(value_filter(query.values), QString::fromUtf8(c.text))) << c.text;
    }
}

}  // namespace
