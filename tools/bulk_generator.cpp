// Parts for large benchmark databases: names are assembled from real part
// number families so that sorting, searching and column widths behave as they
// would on a real inventory.

#include <initializer_list>
#include <string>
#include <string_view>

#include "generator_util.h"
#include "inventory.h"

namespace detalehran::dbtool {

namespace {

using detail::format_value;
using detail::Rng;

std::string two_digits(std::int64_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// Concatenates in written order. The items of a braced list are evaluated
// left to right, unlike the operands of +, so random draws made inside come
// in the same order with every compiler and the same seed gives the same rows.
std::string join(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (const std::string_view part : parts) size += part.size();
    std::string text;
    text.reserve(size);
    for (const std::string_view part : parts) text += part;
    return text;
}

const std::vector<double> kE24 = {1.0, 1.1, 1.2, 1.3, 1.5, 1.6, 1.8, 2.0, 2.2, 2.4, 2.7, 3.0,
                                  3.3, 3.6, 3.9, 4.3, 4.7, 5.1, 5.6, 6.2, 6.8, 7.5, 8.2, 9.1};
const std::vector<double> kE6 = {1.0, 1.5, 2.2, 3.3, 4.7, 6.8};

double decade(Rng& rng, int low_exponent, int high_exponent) {
    double value = 1;
    const auto exponent = rng.between(low_exponent, high_exponent);
    for (std::int64_t k = 0; k < exponent; ++k) value *= 10;
    for (std::int64_t k = 0; k > exponent; --k) value /= 10;
    return value;
}

// Everything one kind of part decides; price in kopecks.
struct Draft {
    std::string name;
    std::string description;
    std::string package;
    std::int64_t price_low = 100, price_high = 1000;
    int quantity_low = 5, quantity_high = 100;

    void terms(std::int64_t lowest_price, std::int64_t highest_price, int fewest, int most) {
        price_low = lowest_price;
        price_high = highest_price;
        quantity_low = fewest;
        quantity_high = most;
    }
};

using KindFill = void (*)(Rng&, Draft&);

void resistor(Rng& r, Draft& d) {
    const char* package = r.pick({"0402", "0603", "0805", "1206", "2512"});
    const char* tolerance = r.pick({"1%", "5%"});
    const double base = r.pick(kE24);
    const double ohms = base * decade(r, 0, 6);
    d.name = join({"Резистор ", format_value(ohms, "Ом"), " ", package, " ", tolerance});
    d.description = join({"Толстоплёночный SMD-резистор, ±", tolerance});
    d.package = package;
    d.terms(10, 300, 50, 5000);
}

void ceramic_capacitor(Rng& r, Draft& d) {
    const char* package = r.pick({"0402", "0603", "0805", "1206", "1210"});
    const char* dielectric = r.pick({"C0G", "X7R", "X5R", "Y5V"});
    const double base = r.pick(kE6);
    const double farads = base * decade(r, -12, -6);
    d.name = join({"Конденсатор ", format_value(farads, "Ф"), " ", r.pick({"6,3", "10", "16", "25", "50", "100"}),
                   " В ", dielectric, " ", package});
    d.description = join({"Многослойный керамический конденсатор, диэлектрик ", dielectric});
    d.package = package;
    d.terms(30, 1500, 20, 4000);
}

void electrolytic_capacitor(Rng& r, Draft& d) {
    const char* size = r.pick({"D4x5", "D5x11", "D6.3x11", "D8x12", "D10x16", "D10x20", "D13x25", "D16x32"});
    const double base = r.pick(kE6);
    const double farads = base * decade(r, -6, -2);
    d.name = join({"Конденсатор электролитический ", format_value(farads, "Ф"), " ",
                   r.pick({"6,3", "10", "16", "25", "35", "50", "63", "100", "400"}), " В ", size});
    d.description = join({"Алюминиевый электролитический конденсатор, ", r.pick({"85 °C", "105 °C"}), ", серия ",
                          r.pick({"SK", "KM", "LowESR", "FR", "WL"})});
    d.package = size;
    d.terms(300, 9000, 10, 500);
}

void inductor(Rng& r, Draft& d) {
    const std::string_view package = r.pick({"0603", "0805", "1210", "CD32", "CD54", "CD75", "SDR1105", "D8x10"});
    const double base = r.pick(kE6);
    const double henries = base * decade(r, -7, -3);
    const bool choke = package[0] == 'C' || package[0] == 'S' || package[0] == 'D';
    d.name = join({choke ? "Дроссель " : "Индуктивность ", format_value(henries, "Гн"), " ", package});
    d.description = join({"Индуктивность, допуск ±", r.pick({"10%", "20%"}), ", ток до ",
                          r.pick({"0,3", "0,5", "1", "2,5", "4"}), " А"});
    d.package = package;
    d.terms(150, 6000, 10, 500);
}

void crystal(Rng& r, Draft& d) {
    static const std::vector<double> kMhz = {3.579545, 4,      4.194304, 6,  7.3728, 8,  10, 11.0592, 12, 14.31818,
                                             16,       18.432, 20,       24, 25,     26, 27, 32,      40, 48};
    const char* package = r.pick({"HC-49S", "HC-49U", "SMD-3225", "SMD-5032", "SMD-2016"});
    d.name = join({"Кварцевый резонатор ", format_value(r.pick(kMhz) * 1e6, "Гц"), " ", package});
    d.description = join({"Кварцевый резонатор, нагрузка ", r.pick({"8", "12", "18", "20"}), " пФ, ±",
                          r.pick({"10", "20", "30", "50"}), " ppm"});
    d.package = package;
    d.terms(800, 9000, 5, 200);
}

void fuse(Rng& r, Draft& d) {
    if (r.percent(40)) {
        d.name = join({"Предохранитель самовосстанавливающийся MF-R", two_digits(r.between(1, 90) * 5)});
        d.package = "Выводной";
        d.description = "Полимерный самовосстанавливающийся предохранитель, 60 В";
    } else {
        const char* package = r.pick({"5x20 мм", "6x30 мм", "1206", "0603"});
        d.name = join({"Предохранитель ", r.pick({"0,1", "0,25", "0,5", "1", "1,6", "2", "3,15", "5", "10"}), " А ",
                       r.pick({"32", "125", "250"}), " В ", package});
        d.package = package;
        d.description = join({"Плавкий предохранитель, ", r.pick({"быстродействующий", "с задержкой"})});
    }
    d.terms(200, 2500, 10, 300);
}

void varistor(Rng& r, Draft& d) {
    const char* diameter = r.pick({"5", "7", "10", "14", "20"});
    d.name = join(
        {"Варистор ", diameter, "D", r.pick({"180", "220", "270", "330", "390", "431", "471", "561", "681"}), "K"});
    d.description = join({"Металлооксидный варистор, диаметр ", diameter, " мм"});
    d.package = join({"Диск ", diameter, " мм"});
    d.terms(500, 4000, 5, 200);
}

void diode(Rng& r, Draft& d) {
    switch (r.between(0, 4)) {
        case 0:
            d.name = join({"Диод 1N400", std::to_string(r.between(1, 7))});
            d.package = "DO-41";
            break;
        case 1:
            d.name = join({"Диод 1N540", std::to_string(r.between(0, 8))});
            d.package = "DO-201AD";
            break;
        case 2:
            d.name = join({"Диод Шоттки SS", std::to_string(r.between(1, 5)), std::to_string(r.between(2, 6))});
            d.package = r.pick({"SMA", "SMB", "SMC"});
            break;
        case 3:
            d.name = join({"Диод US1", r.pick({"A", "B", "D", "G", "J", "K", "M"})});
            d.package = "SMA";
            break;
        default:
            d.name = join({"Диод ", r.pick({"BAV99", "BAS16", "BAT54", "BAT54C", "BAT54S", "1N4148W"})});
            d.package = r.pick({"SOT-23", "SOD-123", "SOD-323"});
            break;
    }
    d.description = join({r.pick({"Выпрямительный", "Быстрый", "Импульсный"}), " диод, ",
                          r.pick({"40", "100", "200", "600", "1000"}), " В"});
    d.terms(100, 3000, 20, 1000);
}

void zener(Rng& r, Draft& d) {
    const char* voltage = r.pick({"2V4", "2V7", "3V0", "3V3", "3V6", "3V9", "4V3", "4V7", "5V1", "5V6",
                                  "6V2", "6V8", "7V5", "8V2", "9V1", "10",  "12",  "15",  "18",  "24"});
    const std::string_view family = r.pick({"BZX55C", "BZX79C", "BZX84C", "BZT52C", "MMSZ5V"});
    d.name = join({"Стабилитрон ", family, voltage});
    d.package = family == "BZX84C" ? "SOT-23" : family == "BZT52C" || family == "MMSZ5V" ? "SOD-123" : "DO-35";
    d.description = join({"Стабилитрон ", voltage, ", ", r.pick({"0,25", "0,5", "1"}), " Вт"});
    d.terms(100, 1200, 10, 500);
}

void bipolar(Rng& r, Draft& d) {
    switch (r.between(0, 4)) {
        case 0:
            d.name = join({"Транзистор BC", std::to_string(r.between(546, 560)), r.pick({"A", "B", "C"})});
            d.package = "TO-92";
            break;
        case 1:
            d.name =
                join({"Транзистор 2N", r.pick({"2222A", "2907A", "3904", "3906", "4401", "4403", "5401", "5551"})});
            d.package = "TO-92";
            break;
        case 2:
            d.name = join({"Транзистор MMBT", r.pick({"2222A", "2907A", "3904", "3906", "4401", "5551"})});
            d.package = "SOT-23";
            break;
        case 3:
            d.name = join({"Транзистор TIP", r.pick({"29", "30", "31", "32", "41", "42", "120", "122", "127"}),
                           r.pick({"", "A", "C"})});
            d.package = "TO-220";
            break;
        default:
            d.name = join(
                {"Транзистор КТ", r.pick({"315", "361", "815", "817", "972", "973"}), r.pick({"А", "Б", "В", "Г"})});
            d.package = r.pick({"КТ-13", "КТ-27"});
            break;
    }
    d.description = join({"Биполярный ", r.pick({"NPN", "PNP"}), ", ", r.pick({"25", "40", "45", "80", "100"}), " В"});
    d.terms(100, 6000, 10, 500);
}

void mosfet(Rng& r, Draft& d) {
    switch (r.between(0, 2)) {
        case 0:
            d.name = join(
                {"Транзистор IRF",
                 r.pick({"510", "520", "540", "640", "740", "840", "1010", "1404", "3205", "3710", "4905", "9540"}),
                 r.pick({"", "N", "PBF"})});
            d.package = r.pick({"TO-220", "TO-247", "D2PAK"});
            break;
        case 1:
            d.name = join({"Транзистор AO34", two_digits(r.between(0, 23)), "A"});
            d.package = "SOT-23";
            break;
        default:
            d.name = join({"Транзистор ", r.pick({"2N7002", "BSS84", "BSS123", "BSS138", "IRLML2502", "IRLML6402"})});
            d.package = "SOT-23";
            break;
    }
    d.description = join({"MOSFET ", r.pick({"N-канал", "P-канал"}), ", ", r.pick({"20", "30", "55", "100", "400"}),
                          " В, ", r.pick({"0,3", "4", "12", "33", "110"}), " А"});
    d.terms(200, 15000, 5, 300);
}

void led(Rng& r, Draft& d) {
    const std::string_view size = r.pick({"3 мм", "5 мм", "10 мм", "0603", "0805", "1206"});
    d.name = join({"Светодиод ",
                   r.pick({"красный", "зелёный", "жёлтый", "синий", "белый", "тёплый белый", "оранжевый", "УФ"}), " ",
                   size, r.pick({"", " сверхъяркий", " матовый"})});
    d.package = size.ends_with("мм") ? join({"LED ", size}) : std::string(size);
    d.description =
        join({"Светодиод, ", r.pick({"2", "5", "10", "20"}), " мА, угол ", r.pick({"30", "60", "120"}), "°"});
    d.terms(50, 2000, 20, 1000);
}

void optocoupler(Rng& r, Draft& d) {
    d.name = join({"Оптопара ", r.pick({"PC817A", "PC817B", "PC817C", "EL817", "TLP181", "TLP281", "TLP521", "6N135",
                                        "6N136", "6N137", "6N139", "MOC3021", "MOC3041", "MOC3063"})});
    d.package = r.pick({"DIP-4", "DIP-6", "DIP-8", "SOP-4", "SOIC-8"});
    d.description = join({"Оптопара, выход ", r.pick({"транзисторный", "симисторный", "логический"})});
    d.terms(300, 9000, 5, 200);
}

void microcontroller(Rng& r, Draft& d) {
    if (r.percent(60)) {
        static const std::vector<const char*> kFamilies = {"F030", "F031", "F042", "F072", "F103", "F205",
                                                           "F303", "F401", "F405", "F411", "F446", "G030",
                                                           "G071", "G431", "L031", "L432", "H743"};
        static const char* const kPins[] = {"F", "K", "C", "R", "V", "Z"};
        static const char* const kPackages[] = {"TSSOP-20", "LQFP-32", "LQFP-48", "LQFP-64", "LQFP-100", "LQFP-144"};
        const auto pins = static_cast<std::size_t>(r.between(0, 5));
        d.name = join({"Микроконтроллер STM32", r.pick(kFamilies), kPins[pins], r.pick({"4", "6", "8", "B", "C", "E"}),
                       pins == 0 ? "P" : "T", r.pick({"6", "7"})});
        d.package = kPackages[pins];
        d.description = join({"32 бит, Cortex-M", r.pick({"0", "0+", "3", "4", "7"}), ", ",
                              r.pick({"32", "48", "72", "84", "168", "480"}), " МГц"});
    } else if (r.percent(60)) {
        d.name =
            join({"Микроконтроллер ATmega", r.pick({"8", "16", "32", "48", "88", "168", "328", "644", "1284", "2560"}),
                  r.pick({"A", "P", "PA"}), "-", r.pick({"AU", "PU", "MU"})});
        d.package = r.pick({"DIP-28", "TQFP-32", "QFN-32", "DIP-40", "TQFP-44"});
        d.description = join({"8 бит, AVR, ", r.pick({"16", "20"}), " МГц"});
    } else {
        d.name = join({"Микроконтроллер PIC",
                       r.pick({"12F675", "16F84A", "16F628A", "16F876A", "16F877A", "18F2550", "18F4550"}), "-I/",
                       r.pick({"P", "SO", "SS"})});
        d.package = r.pick({"DIP-18", "DIP-28", "SOIC-28", "DIP-40", "TQFP-44"});
        d.description = join({"8 бит, PIC, ", r.pick({"20", "48"}), " МГц"});
    }
    d.terms(3000, 150000, 2, 50);
}

void regulator(Rng& r, Draft& d) {
    switch (r.between(0, 3)) {
        case 0:
            d.name = join({"Стабилизатор ", r.pick({"LM78", "L78", "L79", "78L"}),
                           r.pick({"05", "06", "08", "09", "12", "15", "24"})});
            d.package = r.pick({"TO-220", "TO-92", "DPAK"});
            break;
        case 1:
            d.name = join({"Стабилизатор AMS1117-", r.pick({"1.2", "1.8", "2.5", "3.3", "5.0", "ADJ"})});
            d.package = "SOT-223";
            break;
        case 2:
            d.name = join({"Стабилизатор LM2596S-", r.pick({"3.3", "5.0", "12", "ADJ"})});
            d.package = "TO-263-5";
            break;
        default:
            d.name = join({"Стабилизатор XC6206P", r.pick({"12", "18", "25", "30", "33", "50"}), "2MR"});
            d.package = "SOT-23";
            break;
    }
    d.description = join({r.pick({"Линейный", "Импульсный понижающий", "LDO"}), " стабилизатор, ",
                          r.pick({"0,1", "0,25", "1", "1,5", "3"}), " А"});
    d.terms(300, 15000, 5, 200);
}

void op_amp(Rng& r, Draft& d) {
    const std::string_view suffix = r.pick({"N", "P", "D", "DR", "PW"});
    d.name = join({"Операционный усилитель ",
                   r.pick({"LM358", "LM324", "LM741", "LM833", "TL061", "TL062", "TL071", "TL072", "TL074", "TL082",
                           "NE5532", "NE5534", "OPA2134", "OPA340", "MCP6002", "MCP602", "AD8606", "LMV358"}),
                   suffix});
    d.package = suffix == "PW" ? "TSSOP-8" : suffix[0] == 'D' ? "SOIC-8" : "DIP-8";
    d.description = join({r.pick({"Одиночный", "Сдвоенный", "Счетверённый"}), " ОУ, ",
                          r.pick({"общего применения", "rail-to-rail", "малошумящий", "прецизионный"})});
    d.terms(300, 30000, 5, 300);
}

void logic(Rng& r, Draft& d) {
    static const std::vector<const char*> kFunctions = {"00",  "02",  "04",  "08",  "14",  "32",  "74",  "86",  "125",
                                                        "138", "139", "157", "161", "164", "165", "173", "240", "244",
                                                        "245", "273", "373", "374", "541", "573", "574", "595", "4051"};
    const std::string_view suffix = r.pick({"N", "D", "PW"});
    d.name =
        join({"Микросхема 74", r.pick({"HC", "HCT", "LS", "AC", "ACT", "LVC", "AHC"}), r.pick(kFunctions), suffix});
    d.package = suffix == "N" ? "DIP-16" : suffix == "D" ? "SOIC-16" : "TSSOP-16";
    d.description = "Логическая микросхема серии 74";
    d.terms(200, 4000, 5, 300);
}

void interface_ic(Rng& r, Draft& d) {
    d.name =
        join({"Микросхема ",
              r.pick({"MAX232", "MAX3232", "MAX485", "MAX3485", "MAX13487", "SN65HVD230", "SN65HVD1050", "TJA1050",
                      "TJA1051", "ADM2483", "CH340G", "CH340C", "CH340E", "FT232RL", "CP2102", "CP2104", "PCA9306"}),
              r.pick({"", "E", "ESA", "CSE", "T"})});
    d.package = r.pick({"SOIC-8", "SOIC-16", "DIP-8", "DIP-16", "SSOP-28", "QFN-24", "MSOP-10"});
    d.description = join({"Приёмопередатчик ", r.pick({"RS-232", "RS-485", "CAN", "USB–UART", "I2C"})});
    d.terms(1000, 50000, 2, 100);
}

void memory(Rng& r, Draft& d) {
    switch (r.between(0, 2)) {
        case 0:
            d.name =
                join({"Микросхема AT24C", r.pick({"01", "02", "04", "08", "16", "32", "64", "128", "256", "512"})});
            break;
        case 1:
            d.name = join({"Микросхема 24LC", r.pick({"02", "16", "64", "256", "512"})});
            break;
        default:
            d.name = join({"Микросхема W25Q", r.pick({"16", "32", "64", "128"}), "JV", r.pick({"SIQ", "SSIQ"})});
            break;
    }
    d.package = r.pick({"SOIC-8", "DIP-8", "TSSOP-8", "WSON-8"});
    d.description = join({r.pick({"EEPROM", "Flash-память", "FRAM"}), ", интерфейс ", r.pick({"I2C", "SPI"})});
    d.terms(300, 12000, 5, 200);
}

void sensor(Rng& r, Draft& d) {
    d.name = join({"Датчик ", r.pick({"DS18B20", "LM35DZ", "LM75A", "TMP36", "TMP102", "BMP280", "BME280", "BME680",
                                      "MPU-6050", "MPU-9250", "INA219", "INA226", "ACS712ELCTR-05B", "ACS712ELCTR-20A",
                                      "HX711", "SHT31", "AHT20"})});
    d.package = r.pick({"TO-92", "SOIC-8", "LGA-8", "QFN-24", "SOT-23-8", "DFN-8"});
    d.description = join({"Датчик ", r.pick({"температуры", "давления", "тока", "влажности", "ускорения"}),
                          ", интерфейс ", r.pick({"I2C", "SPI", "1-Wire", "аналоговый"})});
    d.terms(2000, 60000, 2, 100);
}

void pin_header(Rng& r, Draft& d) {
    const auto pins = r.between(2, 40);
    switch (r.between(0, 3)) {
        case 0:
            d.name = join({"Разъём PLS-", std::to_string(pins), r.pick({"", "R"})});
            break;
        case 1:
            d.name = join({"Разъём PBS-", std::to_string(pins), r.pick({"", "R"})});
            break;
        case 2:
            d.name = join({"Разъём PLD-", std::to_string(pins * 2)});
            break;
        default:
            d.name = join({"Разъём IDC-", std::to_string(2 * r.between(3, 32)), r.pick({"MS", "F", "FC"})});
            break;
    }
    d.description = join({"Штыревой разъём, шаг ", r.pick({"1,27", "2,0", "2,54"}), " мм"});
    d.terms(200, 6000, 10, 300);
}

void terminal(Rng& r, Draft& d) {
    const char* pitch = r.pick({"2.54", "3.5", "3.81", "5.0", "5.08", "7.5"});
    d.name = join({"Клеммник ", r.pick({"DG301", "DG126", "DG128", "DG141", "DG300", "KF128", "KF301"}), "-", pitch,
                   "-", two_digits(r.between(2, 12)), "P"});
    d.description = join({"Клеммник ", r.pick({"винтовой", "пружинный", "разъёмный"}), ", шаг ", pitch, " мм"});
    d.terms(500, 6000, 10, 300);
}

void usb_power(Rng& r, Draft& d) {
    d.name = join({"Разъём ",
                   r.pick({"USB Type-C 6P", "USB Type-C 16P", "USB Type-C 24P", "micro USB 5P", "micro USB AB",
                           "mini USB 5P", "USB-A гнездо", "USB-A вилка", "USB-B гнездо", "DS-214", "DS-261", "DC-005"}),
                   r.pick({"", " угловой", " SMD", " на кабель"})});
    d.description = join(
        {"Разъём ", r.pick({"питания", "USB 2.0", "USB 3.0"}), ", монтаж ", r.pick({"на плату", "на панель", "SMD"})});
    d.terms(800, 9000, 5, 200);
}

void button(Rng& r, Draft& d) {
    switch (r.between(0, 2)) {
        case 0:
            d.name = join({"Кнопка тактовая ", r.pick({"6x6", "12x12", "3x6", "4.5x4.5", "3x4"}), "x",
                           r.pick({"4.3", "5", "7", "9.5", "13"}), " мм"});
            break;
        case 1:
            d.name = join({"Переключатель ", r.pick({"SS12D00", "SS12F15", "MSK-12C02", "KCD1-101", "KCD3"})});
            break;
        default:
            d.name = join({"Энкодер EC11", r.pick({"", "E"}), std::to_string(r.between(15, 30))});
            break;
    }
    d.description = join({r.pick({"Без фиксации", "С фиксацией"}), ", ", r.pick({"выводной", "SMD"})});
    d.terms(200, 9000, 10, 500);
}

void relay(Rng& r, Draft& d) {
    const char* coil = r.pick({"3", "5", "9", "12", "24"});
    d.name = join({"Реле ", r.pick({"SRD", "HK4100F", "HF46F", "JQC-3FF", "G5LE", "HJR-3FF"}), "-", coil, "VDC",
                   r.pick({"", "-SL-C", "-S-Z"})});
    d.description = join({"Электромагнитное реле, катушка ", coil, " В, ", r.pick({"3", "5", "10", "16"}), " А"});
    d.terms(2000, 25000, 2, 50);
}

struct Kind {
    const char* top;
    const char* middle;
    KindFill fill;
};

// 25 kinds times 20 makers: exactly kBulkSectionCount sections.
const Kind kKinds[] = {
    {"Пассивные компоненты", "Резисторы", resistor},
    {"Пассивные компоненты", "Конденсаторы керамические", ceramic_capacitor},
    {"Пассивные компоненты", "Конденсаторы электролитические", electrolytic_capacitor},
    {"Пассивные компоненты", "Индуктивности", inductor},
    {"Пассивные компоненты", "Кварцевые резонаторы", crystal},
    {"Пассивные компоненты", "Предохранители", fuse},
    {"Пассивные компоненты", "Варисторы", varistor},
    {"Полупроводники", "Диоды", diode},
    {"Полупроводники", "Стабилитроны", zener},
    {"Полупроводники", "Транзисторы биполярные", bipolar},
    {"Полупроводники", "Транзисторы полевые", mosfet},
    {"Полупроводники", "Светодиоды", led},
    {"Полупроводники", "Оптопары", optocoupler},
    {"Микросхемы", "Микроконтроллеры", microcontroller},
    {"Микросхемы", "Стабилизаторы", regulator},
    {"Микросхемы", "Операционные усилители", op_amp},
    {"Микросхемы", "Логика", logic},
    {"Микросхемы", "Интерфейсы", interface_ic},
    {"Микросхемы", "Память", memory},
    {"Микросхемы", "Датчики", sensor},
    {"Разъёмы", "Штыревые", pin_header},
    {"Разъёмы", "Клеммники", terminal},
    {"Разъёмы", "USB и питание", usb_power},
    {"Электромеханика", "Кнопки и переключатели", button},
    {"Электромеханика", "Реле", relay},
};

const char* const kMakers[] = {
    "Texas Instruments",
    "STMicroelectronics",
    "NXP",
    "Microchip",
    "onsemi",
    "Infineon",
    "Vishay",
    "Yageo",
    "Murata",
    "Samsung",
    "Bourns",
    "Kemet",
    "Nexperia",
    "Diodes Inc",
    "ROHM",
    "Toshiba",
    "Analog Devices",
    "Würth Elektronik",
    "Ангстрем",
    "Интеграл",
};

constexpr std::size_t kKindCount = sizeof kKinds / sizeof kKinds[0];
constexpr std::size_t kMakerCount = sizeof kMakers / sizeof kMakers[0];
static_assert(kKindCount * kMakerCount == BulkGenerator::kBulkSectionCount);

}  // namespace

// A name stands once on a level of a tree: a maker's section is named with
// its kind, and shelves, boxes and cassettes are numbered through the store.
BulkGenerator::BulkGenerator(std::uint64_t seed) : state_(seed) {
    for (std::size_t kind = 0; kind < kKindCount; ++kind) {
        for (const char* maker : kMakers) {
            sections_.push_back(node_path({kKinds[kind].top, kKinds[kind].middle,
                                           std::string(kKinds[kind].middle) + " " + maker}));
            section_kinds_.push_back(static_cast<int>(kind));
        }
    }
    int shelf = 0, box = 0;
    for (int cabinet = 1; cabinet <= 3; ++cabinet) {
        for (int s = 0; s < 5; ++s) {
            const std::string shelf_name = "Полка " + std::to_string(++shelf);
            for (int b = 0; b < 12; ++b) {
                places_.push_back(
                    node_path({"Шкаф " + std::to_string(cabinet), shelf_name, "Ящик " + std::to_string(++box)}));
            }
        }
    }
    int tier = 0, cassette = 0;
    for (int rack = 1; rack <= 2; ++rack) {
        for (int t = 0; t < 4; ++t) {
            const std::string tier_name = "Ярус " + std::to_string(++tier);
            for (int c = 0; c < 15; ++c) {
                places_.push_back(
                    node_path({"Стеллаж " + std::to_string(rack), tier_name, "Кассета " + std::to_string(++cassette)}));
            }
        }
    }
}

void BulkGenerator::next(Part* part) {
    Rng rng(state_);
    const std::size_t section = index_ % sections_.size();
    Draft draft;
    kKinds[section_kinds_[section]].fill(rng, draft);
    part->name = std::move(draft.name);
    part->description = std::move(draft.description);
    part->description += ". ";
    part->description += kMakers[section % kMakerCount];
    part->package = std::move(draft.package);
    part->section = sections_[section];
    // 7 is coprime to 300, so any 300 consecutive parts use every place once.
    part->place = places_[(index_ * 7) % places_.size()];
    part->quantity = detail::stock_quantity(rng, draft.quantity_low, draft.quantity_high);
    const std::int64_t kopecks = rng.between(draft.price_low, draft.price_high);
    part->selling_price = schema::Money::from_hundredths(kopecks);
    part->purchase_price = schema::Money::from_hundredths(detail::purchase_price(rng, kopecks));
    part->supplier = rng.pick(detail::kSuppliers);
    part->datasheet.clear();
    state_ = rng.state();
    ++index_;
}

}  // namespace detalehran::dbtool
