// The demo inventory: what a small electronics workshop might keep. Series of
// passives are generated from standard value rows; everything else is listed.

#include <map>

#include "datasheet_pdf.h"
#include "generator_util.h"
#include "inventory.h"

namespace detalehran::dbtool {

namespace {

using detail::format_value;
using detail::Rng;

// Prices are in kopecks.
struct Item {
    const char* name;
    const char* description;
    const char* package;  // nullptr: the part has no package type (connectors, buttons)
    int price_low;
    int price_high;
    const char* datasheet = nullptr;
};

// English on purpose: the page font has no Cyrillic.
const std::map<std::string, const char*> kDatasheetSummaries = {
    {"LM7805.pdf", "Positive voltage regulator, 5 V, 1.5 A"},
    {"LM317.pdf", "Adjustable positive voltage regulator, 1.25 to 37 V, 1.5 A"},
    {"AMS1117.pdf", "Low dropout linear regulator, 1 A"},
    {"LM2596.pdf", "Step-down switching regulator, 3 A, 150 kHz"},
    {"TL431.pdf", "Adjustable precision shunt regulator, 2.5 to 36 V"},
    {"STM32F103C8T6.pdf", "Arm Cortex-M3 MCU, 72 MHz, 64 KB Flash, 20 KB SRAM"},
    {"ATmega328P.pdf", "8-bit AVR microcontroller, 32 KB Flash, 20 MHz"},
    {"LM358.pdf", "Dual general-purpose operational amplifier"},
    {"74HC595.pdf", "8-bit serial-in, parallel-out shift register with output latches"},
    {"CH340G.pdf", "USB to UART converter"},
    {"NE555.pdf", "Precision timer"},
    {"ULN2003A.pdf", "Seven Darlington transistor array, 500 mA, 50 V"},
    {"DS18B20.pdf", "Programmable resolution 1-Wire digital thermometer"},
    {"IRF540N.pdf", "N-channel power MOSFET, 100 V, 33 A"},
};

class DemoBuilder {
public:
    // A name stands once on a level of a tree, so shelves and boxes are
    // numbered through the workshop, as their labels would be.
    DemoBuilder() {
        int shelf = 0, box = 0;
        auto add_cabinet = [&](const std::string& cabinet, int shelves) {
            for (int s = 0; s < shelves; ++s) {
                const std::string shelf_name = "Полка " + std::to_string(++shelf);
                for (int b = 0; b < 4; ++b) {
                    places_.push_back(node_path({cabinet, shelf_name, "Ящик " + std::to_string(++box)}));
                }
            }
        };
        add_cabinet("Шкаф 1", 3);
        for (int cassette = 1; cassette <= 10; ++cassette) {
            places_.push_back(node_path({"Кассетница SMD", "Кассета " + std::to_string(cassette)}));
        }
        add_cabinet("Шкаф 2", 2);
        for (int crate = 1; crate <= 4; ++crate) {
            places_.push_back(node_path({"Стеллаж", "Коробка " + std::to_string(crate)}));
        }
    }

    void add(const std::string& section, const Item& item, int quantity_low, int quantity_high) {
        Part part;
        part.name = item.name;
        part.description = item.description;
        part.section = section;
        part.place = place_for(section);
        part.quantity = detail::stock_quantity(rng_, quantity_low, quantity_high);
        const std::int64_t kopecks = rng_.between(item.price_low, item.price_high);
        part.selling_price = schema::Money::from_hundredths(kopecks);
        part.purchase_price = schema::Money::from_hundredths(detail::purchase_price(rng_, kopecks));
        part.supplier = rng_.pick(detail::kSuppliers);
        if (item.package) part.package = item.package;
        if (item.datasheet) {
            part.datasheet = item.datasheet;
            datasheet_packages_.emplace(part.datasheet, part.package);
        }
        inventory_.parts.push_back(std::move(part));
    }

    void add_group(const std::string& section, int quantity_low, int quantity_high, std::initializer_list<Item> items) {
        for (const Item& item : items) add(section, item, quantity_low, quantity_high);
    }

    DemoInventory finish() {
        for (const auto& [file, package] : datasheet_packages_) {
            const std::string stem = file.substr(0, file.rfind('.'));
            const auto summary = kDatasheetSummaries.find(file);
            std::vector<std::string> lines = {
                summary != kDatasheetSummaries.end() ? summary->second : "Electronic component",
                "Package: " + package,
                "",
                "Placeholder page of the Detalehran demo inventory.",
                "Replace it with the manufacturer's datasheet.",
            };
            inventory_.datasheets.push_back({file, make_datasheet_pdf(stem, lines)});
        }
        return std::move(inventory_);
    }

private:
    // Parts of one section sit in two neighbouring boxes, as they would in a
    // real workshop.
    std::string place_for(const std::string& section) {
        auto it = section_home_.find(section);
        if (it == section_home_.end()) {
            const std::size_t home = (section_home_.size() * 3) % places_.size();
            it = section_home_.emplace(section, home).first;
        }
        return places_[(it->second + static_cast<std::size_t>(rng_.between(0, 1))) % places_.size()];
    }

    Rng rng_{0x44454D4F};  // "DEMO"
    std::vector<std::string> places_;
    std::map<std::string, std::size_t> section_home_;
    std::map<std::string, std::string> datasheet_packages_;
    DemoInventory inventory_;
};

void add_resistors(DemoBuilder& demo) {
    const std::vector<double> e12 = {1.0, 1.2, 1.5, 1.8, 2.2, 2.7, 3.3, 3.9, 4.7, 5.6, 6.8, 8.2};
    const std::vector<double> e6 = {1.0, 1.5, 2.2, 3.3, 4.7, 6.8};
    const std::vector<double> decades = {10, 100, 1e3, 1e4, 1e5};
    const std::string smd = node_path({"Пассивные компоненты", "Резисторы", "SMD"});
    const std::string tht = node_path({"Пассивные компоненты", "Резисторы", "Выводные"});

    auto add = [&](const std::string& section, const std::string& name, const char* description, const char* package,
                   int low, int high) {
        demo.add(section, {name.c_str(), description, package, low, high}, 20, 500);
    };
    add(smd, "Резистор 0 Ом 0805", "Перемычка SMD, 0,125 Вт", "0805", 40, 120);
    for (const double decade : decades) {
        for (const double base : e12) {
            add(smd, "Резистор " + format_value(base * decade, "Ом") + " 0805",
                "Толстоплёночный SMD-резистор, 0,125 Вт, ±1%", "0805", 50, 200);
        }
    }
    add(smd, "Резистор 1 МОм 0805", "Толстоплёночный SMD-резистор, 0,125 Вт, ±1%", "0805", 50, 200);
    for (const double decade : decades) {
        for (const double base : e6) {
            add(smd, "Резистор " + format_value(base * decade, "Ом") + " 0603",
                "Толстоплёночный SMD-резистор, 0,1 Вт, ±1%", "0603", 30, 150);
            add(tht, "Резистор " + format_value(base * decade, "Ом") + " 0,25 Вт",
                "Металлоплёночный выводной резистор, 0,25 Вт, ±1%", "0207", 100, 400);
        }
    }
}

void add_capacitors(DemoBuilder& demo) {
    struct Ceramic {
        double farads;
        const char* volts;
        const char* dielectric;
        const char* package;
    };
    const std::string ceramic = node_path({"Пассивные компоненты", "Конденсаторы", "Керамические"});
    const Ceramic ceramics[] = {
        {10e-12, "50", "C0G", "0603"},  {22e-12, "50", "C0G", "0603"}, {33e-12, "50", "C0G", "0603"},
        {100e-12, "50", "C0G", "0603"}, {1e-9, "50", "X7R", "0603"},   {10e-9, "50", "X7R", "0603"},
        {100e-9, "50", "X7R", "0603"},  {1e-6, "16", "X5R", "0603"},   {100e-9, "50", "X7R", "0805"},
        {1e-6, "25", "X7R", "0805"},    {4.7e-6, "16", "X5R", "0805"}, {10e-6, "16", "X5R", "0805"},
        {22e-6, "10", "X5R", "0805"},   {10e-6, "25", "X7R", "1206"},  {22e-6, "16", "X5R", "1206"},
        {47e-6, "6,3", "X5R", "1206"},
    };
    for (const Ceramic& c : ceramics) {
        const std::string name =
            "Конденсатор " + format_value(c.farads, "Ф") + " " + c.volts + " В " + c.dielectric + " " + c.package;
        const std::string description = std::string("Многослойный керамический конденсатор, диэлектрик ") +
                                        c.dielectric + ", допуск " + (c.dielectric[0] == 'C' ? "±5%" : "±10%");
        demo.add(ceramic, {name.c_str(), description.c_str(), c.package, 80, 900}, 20, 300);
    }

    struct Electrolytic {
        double microfarads;
        int volts;
        const char* package;
    };
    const std::string electrolytic = node_path({"Пассивные компоненты", "Конденсаторы", "Электролитические"});
    const Electrolytic electrolytics[] = {
        {1, 50, "D5x11"},     {2.2, 50, "D5x11"},   {4.7, 50, "D5x11"},  {10, 25, "D5x11"},    {10, 50, "D5x11"},
        {22, 25, "D5x11"},    {47, 16, "D5x11"},    {47, 25, "D6.3x11"}, {100, 16, "D6.3x11"}, {100, 25, "D6.3x11"},
        {220, 16, "D6.3x11"}, {220, 25, "D8x12"},   {470, 16, "D8x12"},  {470, 25, "D10x16"},  {1000, 16, "D10x20"},
        {1000, 25, "D10x20"}, {2200, 16, "D13x25"},
    };
    for (const Electrolytic& c : electrolytics) {
        const std::string name = "Конденсатор электролитический " + format_value(c.microfarads * 1e-6, "Ф") + " " +
                                 std::to_string(c.volts) + " В";
        const int low = 400 + static_cast<int>(c.microfarads / 2);
        demo.add(electrolytic,
                 {name.c_str(), "Алюминиевый электролитический конденсатор, радиальные выводы, 105 °C", c.package, low,
                  low * 3},
                 10, 150);
    }

    const std::string tantalum = node_path({"Пассивные компоненты", "Конденсаторы", "Танталовые"});
    demo.add_group(
        tantalum, 5, 60,
        {
            {"Конденсатор танталовый 1 мкФ 35 В", "Танталовый SMD-конденсатор, ±10%", "Case A", 900, 2500},
            {"Конденсатор танталовый 10 мкФ 16 В", "Танталовый SMD-конденсатор, ±10%", "Case A", 900, 2500},
            {"Конденсатор танталовый 22 мкФ 16 В", "Танталовый SMD-конденсатор, ±10%", "Case B", 1500, 3500},
            {"Конденсатор танталовый 47 мкФ 10 В", "Танталовый SMD-конденсатор, ±10%", "Case B", 1500, 3500},
            {"Конденсатор танталовый 100 мкФ 10 В", "Танталовый SMD-конденсатор, ±10%", "Case C", 2500, 6000},
        });
}

void add_inductors_and_crystals(DemoBuilder& demo) {
    const std::string inductors = node_path({"Пассивные компоненты", "Индуктивности"});
    for (const double uh : {4.7, 10.0, 22.0, 33.0, 47.0, 100.0}) {
        const std::string name = "Дроссель " + format_value(uh * 1e-6, "Гн") + " CD54";
        demo.add(inductors, {name.c_str(), "Силовой SMD-дроссель для импульсных источников", "CD54", 1200, 3500}, 5,
                 80);
    }
    for (const double uh : {1.0, 2.2, 4.7, 10.0}) {
        const std::string name = "Индуктивность " + format_value(uh * 1e-6, "Гн") + " 0805";
        demo.add(inductors, {name.c_str(), "Многослойная SMD-индуктивность, ±10%", "0805", 300, 900}, 10, 200);
    }
    for (const double uh : {100.0, 330.0, 1000.0}) {
        const std::string name = "Дроссель " + format_value(uh * 1e-6, "Гн") + " 8x10 мм";
        demo.add(inductors, {name.c_str(), "Радиальный дроссель на ферритовом сердечнике", "D8x10", 1500, 4000}, 5, 50);
    }

    const std::string hc49 = node_path({"Кварцы и генераторы", "Кварцевые резонаторы", "Резонаторы HC-49S"});
    const std::string smd = node_path({"Кварцы и генераторы", "Кварцевые резонаторы", "Резонаторы SMD"});
    for (const double mhz : {4.0, 8.0, 11.0592, 12.0, 16.0, 20.0, 25.0}) {
        const std::string name = "Кварцевый резонатор " + format_value(mhz * 1e6, "Гц") + " HC-49S";
        demo.add(hc49, {name.c_str(), "Кварцевый резонатор, нагрузочная ёмкость 20 пФ, ±30 ppm", "HC-49S", 1500, 4000},
                 5, 60);
    }
    for (const double mhz : {8.0, 12.0, 16.0, 25.0}) {
        const std::string name = "Кварцевый резонатор " + format_value(mhz * 1e6, "Гц") + " SMD 3225";
        demo.add(smd, {name.c_str(), "Кварцевый SMD-резонатор 3,2×2,5 мм, 12 пФ, ±20 ppm", "SMD-3225", 2000, 5000}, 5,
                 60);
    }
    demo.add(
        node_path({"Кварцы и генераторы", "Генераторы"}),
        {"Кварцевый резонатор 32,768 кГц", "Часовой кварц, цилиндрический корпус 3×8 мм", "Цилиндр 3x8", 800, 2000}, 5,
        60);
    demo.add(node_path({"Кварцы и генераторы", "Генераторы"}),
             {"Генератор кварцевый 50 МГц", "Кварцевый генератор 3,3 В, КМОП-выход", "SMD-5032", 6000, 12000}, 2, 20);
}

void add_semiconductors(DemoBuilder& demo) {
    demo.add_group(node_path({"Полупроводники", "Диоды", "Выпрямительные"}), 20, 300,
                   {
                       {"Диод 1N4007", "Выпрямительный диод 1000 В, 1 А", "DO-41", 300, 600},
                       {"Диод 1N4148", "Импульсный диод 100 В, 150 мА", "DO-35", 150, 400},
                       {"Диод 1N4148WS", "Импульсный SMD-диод 75 В, 150 мА", "SOD-323", 100, 300},
                       {"Диод M7", "Выпрямительный SMD-диод 1000 В, 1 А", "SMA", 200, 500},
                       {"Диод FR107", "Быстрый выпрямительный диод 1000 В, 1 А", "DO-41", 300, 700},
                       {"Диодный мост DB107", "Диодный мост 1000 В, 1 А", "DIP-4", 1500, 3000},
                       {"Диодный мост KBP307", "Диодный мост 700 В, 3 А", "KBP", 3000, 6000},
                   });
    demo.add_group(node_path({"Полупроводники", "Диоды", "Шоттки"}), 10, 200,
                   {
                       {"Диод Шоттки 1N5819", "Диод Шоттки 40 В, 1 А", "DO-41", 500, 1200},
                       {"Диод Шоттки SS14", "Диод Шоттки 40 В, 1 А", "SMA", 300, 900},
                       {"Диод Шоттки SS34", "Диод Шоттки 40 В, 3 А", "SMA", 600, 1500},
                       {"Диод Шоттки BAT54S", "Сдвоенный диод Шоттки 30 В, 200 мА", "SOT-23", 300, 800},
                       {"Диод Шоттки SR560", "Диод Шоттки 60 В, 5 А", "DO-201AD", 1500, 3500},
                   });
    demo.add_group(node_path({"Полупроводники", "Диоды", "Стабилитроны"}), 10, 200,
                   {
                       {"Стабилитрон BZX55C3V3", "Стабилитрон 3,3 В, 0,5 Вт", "DO-35", 300, 800},
                       {"Стабилитрон BZX55C5V1", "Стабилитрон 5,1 В, 0,5 Вт", "DO-35", 300, 800},
                       {"Стабилитрон BZX55C12", "Стабилитрон 12 В, 0,5 Вт", "DO-35", 300, 800},
                       {"Стабилитрон BZX84C3V3", "Стабилитрон 3,3 В, 0,25 Вт", "SOT-23", 200, 600},
                       {"Стабилитрон BZX84C5V1", "Стабилитрон 5,1 В, 0,25 Вт", "SOT-23", 200, 600},
                       {"Стабилитрон 1N4742A", "Стабилитрон 12 В, 1 Вт", "DO-41", 500, 1200},
                   });
    demo.add_group(node_path({"Полупроводники", "Транзисторы", "Биполярные"}), 10, 200,
                   {
                       {"Транзистор BC547B", "Биполярный NPN, 45 В, 0,1 А", "TO-92", 200, 600},
                       {"Транзистор BC557B", "Биполярный PNP, 45 В, 0,1 А", "TO-92", 200, 600},
                       {"Транзистор 2N2222A", "Биполярный NPN, 40 В, 0,6 А", "TO-92", 300, 800},
                       {"Транзистор 2N3904", "Биполярный NPN, 40 В, 0,2 А", "TO-92", 200, 600},
                       {"Транзистор 2N3906", "Биполярный PNP, 40 В, 0,2 А", "TO-92", 200, 600},
                       {"Транзистор BC817-40", "Биполярный NPN, 45 В, 0,5 А", "SOT-23", 150, 400},
                       {"Транзистор BC807-40", "Биполярный PNP, 45 В, 0,5 А", "SOT-23", 150, 400},
                       {"Транзистор MMBT3904", "Биполярный NPN, 40 В, 0,2 А", "SOT-23", 100, 300},
                       {"Транзистор S8050", "Биполярный NPN, 25 В, 0,5 А", "TO-92", 150, 400},
                       {"Транзистор S8550", "Биполярный PNP, 25 В, 0,5 А", "TO-92", 150, 400},
                       {"Транзистор TIP120", "Составной NPN (Дарлингтон), 60 В, 5 А", "TO-220", 2500, 6000},
                       {"Транзистор BD139", "Биполярный NPN, 80 В, 1,5 А", "TO-126", 1200, 3000},
                       {"Транзистор BD140", "Биполярный PNP, 80 В, 1,5 А", "TO-126", 1200, 3000},
                       {"Транзистор КТ315Б", "Биполярный NPN, 20 В, 0,1 А", "КТ-13", 300, 900},
                       {"Транзистор КТ361Б", "Биполярный PNP, 20 В, 0,1 А", "КТ-13", 300, 900},
                       {"Транзистор MJE13003", "Высоковольтный NPN, 400 В, 1,5 А", "TO-126", 1500, 3500},
                   });
    demo.add_group(node_path({"Полупроводники", "Транзисторы", "Полевые"}), 5, 100,
                   {
                       {"Транзистор IRF540N", "MOSFET N-канал, 100 В, 33 А", "TO-220", 4000, 9000, "IRF540N.pdf"},
                       {"Транзистор IRLZ44N", "MOSFET N-канал, логический уровень, 55 В, 47 А", "TO-220", 4000, 9000},
                       {"Транзистор IRF9540N", "MOSFET P-канал, 100 В, 23 А", "TO-220", 5000, 11000},
                       {"Транзистор IRF3205", "MOSFET N-канал, 55 В, 110 А", "TO-220", 5000, 11000},
                       {"Транзистор IRF4905", "MOSFET P-канал, 55 В, 74 А", "TO-220", 6000, 13000},
                       {"Транзистор AO3400A", "MOSFET N-канал, 30 В, 5,8 А", "SOT-23", 300, 900},
                       {"Транзистор AO3401A", "MOSFET P-канал, 30 В, 4 А", "SOT-23", 300, 900},
                       {"Транзистор 2N7002", "MOSFET N-канал, 60 В, 0,3 А", "SOT-23", 150, 500},
                       {"Транзистор BSS138", "MOSFET N-канал, 50 В, 0,2 А", "SOT-23", 200, 600},
                       {"Транзистор IRLML6402", "MOSFET P-канал, 20 В, 3,7 А", "SOT-23", 500, 1500},
                   });
    const std::string leds = node_path({"Полупроводники", "Светодиоды"});
    for (const char* color : {"красный", "зелёный", "жёлтый", "синий", "белый"}) {
        for (const char* size : {"3", "5"}) {
            const std::string name = std::string("Светодиод ") + color + " " + size + " мм";
            const std::string package = std::string("LED ") + size + " мм";
            demo.add(leds, {name.c_str(), "Индикаторный светодиод, 20 мА, матовая линза", package.c_str(), 200, 900},
                     20, 300);
        }
        const std::string name = std::string("Светодиод ") + color + " 0805";
        demo.add(leds, {name.c_str(), "SMD-светодиод, 20 мА", "0805", 100, 500}, 20, 300);
    }
    demo.add(leds, {"Светодиод RGB 5 мм общий катод", "Трёхцветный светодиод, 4 вывода", "LED 5 мм", 1000, 2500}, 5,
             50);
    demo.add(leds, {"Светодиод ИК 940 нм 5 мм", "Инфракрасный излучающий диод", "LED 5 мм", 500, 1500}, 5, 50);
}

void add_integrated_circuits(DemoBuilder& demo) {
    demo.add_group(
        node_path({"Микросхемы", "Микроконтроллеры"}), 5, 40,
        {
            {"Микроконтроллер STM32F103C8T6", "32 бит, Cortex-M3, 72 МГц, 64 КБ Flash, 20 КБ ОЗУ", "LQFP-48", 25000,
             60000, "STM32F103C8T6.pdf"},
            {"Микроконтроллер STM32F030F4P6", "32 бит, Cortex-M0, 48 МГц, 16 КБ Flash, 4 КБ ОЗУ", "TSSOP-20", 6000,
             15000},
            {"Микроконтроллер STM32F401CCU6", "32 бит, Cortex-M4F, 84 МГц, 256 КБ Flash, 64 КБ ОЗУ", "UFQFPN-48", 35000,
             80000},
            {"Микроконтроллер STM32G030F6P6", "32 бит, Cortex-M0+, 64 МГц, 32 КБ Flash, 8 КБ ОЗУ", "TSSOP-20", 7000,
             16000},
            {"Микроконтроллер ATmega328P-AU", "8 бит, AVR, 20 МГц, 32 КБ Flash, 2 КБ ОЗУ", "TQFP-32", 18000, 40000,
             "ATmega328P.pdf"},
            {"Микроконтроллер ATmega328P-PU", "8 бит, AVR, 20 МГц, 32 КБ Flash, 2 КБ ОЗУ", "DIP-28", 25000, 50000,
             "ATmega328P.pdf"},
            {"Микроконтроллер ATtiny85-20PU", "8 бит, AVR, 20 МГц, 8 КБ Flash", "DIP-8", 12000, 30000},
            {"Микроконтроллер ATtiny13A-SSU", "8 бит, AVR, 20 МГц, 1 КБ Flash", "SOIC-8", 5000, 12000},
            {"Микроконтроллер PIC16F628A-I/P", "8 бит, PIC, 20 МГц, 3,5 КБ Flash", "DIP-18", 15000, 35000},
            {"Микроконтроллер GD32F103C8T6", "32 бит, Cortex-M3, 108 МГц, 64 КБ Flash", "LQFP-48", 15000, 35000},
            {"Микроконтроллер CH32V003F4P6", "32 бит, RISC-V, 48 МГц, 16 КБ Flash", "TSSOP-20", 1500, 4000},
            {"Микроконтроллер RP2040", "Два ядра Cortex-M0+, 133 МГц, 264 КБ ОЗУ, без Flash", "QFN-56", 9000, 20000},
            {"Модуль ESP32-WROOM-32E", "Wi-Fi и Bluetooth, два ядра 240 МГц, 4 МБ Flash", "SMD-38", 30000, 60000},
        });
    demo.add_group(
        node_path({"Микросхемы", "Стабилизаторы напряжения"}), 5, 80,
        {
            {"Стабилизатор LM7805", "Линейный стабилизатор +5 В, 1,5 А", "TO-220", 2500, 6000, "LM7805.pdf"},
            {"Стабилизатор LM7812", "Линейный стабилизатор +12 В, 1,5 А", "TO-220", 2500, 6000},
            {"Стабилизатор LM7905", "Линейный стабилизатор −5 В, 1,5 А", "TO-220", 3000, 7000},
            {"Стабилизатор 78L05", "Линейный стабилизатор +5 В, 0,1 А", "TO-92", 800, 2000},
            {"Стабилизатор LM317T", "Регулируемый линейный стабилизатор 1,25–37 В, 1,5 А", "TO-220", 3000, 7000,
             "LM317.pdf"},
            {"Стабилизатор AMS1117-3.3", "Линейный стабилизатор LDO 3,3 В, 1 А", "SOT-223", 800, 2500, "AMS1117.pdf"},
            {"Стабилизатор AMS1117-5.0", "Линейный стабилизатор LDO 5 В, 1 А", "SOT-223", 800, 2500, "AMS1117.pdf"},
            {"Стабилизатор LM2596S-5.0", "Импульсный понижающий стабилизатор 5 В, 3 А", "TO-263-5", 6000, 15000,
             "LM2596.pdf"},
            {"Стабилизатор MCP1700-3302E", "Линейный стабилизатор LDO 3,3 В, 250 мА", "SOT-23", 2000, 5000},
            {"Стабилизатор HT7333-A", "Линейный стабилизатор LDO 3,3 В, 250 мА", "SOT-89", 1000, 3000},
            {"Стабилизатор LM2940CT-5.0", "Линейный стабилизатор LDO 5 В, 1 А", "TO-220", 8000, 18000},
            {"Преобразователь MT3608", "Импульсный повышающий преобразователь, 2 А", "SOT-23-6", 1000, 3000},
            {"Источник опорного напряжения TL431", "Регулируемый, 2,5–36 В, 100 мА", "TO-92", 300, 1000, "TL431.pdf"},
        });
    demo.add_group(
        node_path({"Микросхемы", "Операционные усилители"}), 5, 60,
        {
            {"Операционный усилитель LM358", "Сдвоенный ОУ общего применения", "DIP-8", 800, 2000, "LM358.pdf"},
            {"Операционный усилитель LM358DR", "Сдвоенный ОУ общего применения", "SOIC-8", 500, 1500, "LM358.pdf"},
            {"Операционный усилитель LM324", "Счетверённый ОУ общего применения", "DIP-14", 1000, 2500},
            {"Операционный усилитель NE5532", "Сдвоенный малошумящий ОУ для звука", "DIP-8", 2000, 5000},
            {"Операционный усилитель TL072", "Сдвоенный ОУ с полевыми транзисторами на входе", "DIP-8", 1500, 4000},
            {"Операционный усилитель TL074", "Счетверённый ОУ с полевыми транзисторами на входе", "SOIC-14", 2000,
             5000},
            {"Операционный усилитель MCP6002", "Сдвоенный ОУ rail-to-rail, 1,8–6 В", "SOIC-8", 2000, 4500},
            {"Операционный усилитель LMV358", "Сдвоенный ОУ rail-to-rail, низковольтный", "MSOP-8", 1000, 2500},
            {"Операционный усилитель OPA2134", "Сдвоенный ОУ класса Hi-Fi", "SOIC-8", 15000, 30000},
            {"Компаратор LM393", "Сдвоенный компаратор напряжения", "SOIC-8", 500, 1500},
        });
    demo.add_group(
        node_path({"Микросхемы", "Логика"}), 5, 60,
        {
            {"Микросхема 74HC595", "8-разрядный сдвиговый регистр с защёлкой", "DIP-16", 1500, 4000, "74HC595.pdf"},
            {"Микросхема 74HC595D", "8-разрядный сдвиговый регистр с защёлкой", "SOIC-16", 800, 2500, "74HC595.pdf"},
            {"Микросхема 74HC165", "8-разрядный сдвиговый регистр, параллельный вход", "DIP-16", 1500, 4000},
            {"Микросхема 74HC00", "Четыре элемента 2И-НЕ", "DIP-14", 800, 2000},
            {"Микросхема 74HC04", "Шесть инверторов", "SOIC-14", 500, 1500},
            {"Микросхема 74HC14", "Шесть инверторов с триггером Шмитта", "SOIC-14", 500, 1500},
            {"Микросхема 74HC245", "Восьмиканальный двунаправленный буфер", "SOIC-20", 1000, 3000},
            {"Микросхема 74HC138", "Дешифратор 3 в 8", "DIP-16", 1000, 2500},
            {"Микросхема CD4017BE", "Десятичный счётчик с дешифратором", "DIP-16", 1500, 3500},
            {"Микросхема CD4060BE", "14-разрядный двоичный счётчик с генератором", "DIP-16", 1500, 3500},
            {"Микросхема CD4051BM", "Восьмиканальный аналоговый мультиплексор", "SOIC-16", 1500, 3500},
            {"Микросхема 74LVC1G14", "Одиночный инвертор с триггером Шмитта", "SOT-23-5", 300, 900},
            {"Микросхема 74AHCT125", "Четыре буфера с тремя состояниями, 3,3→5 В", "SOIC-14", 1000, 2500},
        });
    demo.add_group(node_path({"Микросхемы", "Интерфейсы"}), 3, 40,
                   {
                       {"Микросхема CH340G", "Преобразователь USB–UART", "SOIC-16", 3000, 7000, "CH340G.pdf"},
                       {"Микросхема FT232RL", "Преобразователь USB–UART", "SSOP-28", 25000, 50000},
                       {"Микросхема CP2102", "Преобразователь USB–UART", "QFN-28", 10000, 25000},
                       {"Микросхема MAX232", "Приёмопередатчик RS-232, 5 В", "DIP-16", 3000, 7000},
                       {"Микросхема MAX3232", "Приёмопередатчик RS-232, 3–5,5 В", "SOIC-16", 3000, 7000},
                       {"Микросхема MAX485", "Приёмопередатчик RS-485", "DIP-8", 2000, 5000},
                       {"Микросхема SN65HVD230", "Приёмопередатчик CAN, 3,3 В", "SOIC-8", 4000, 9000},
                       {"Микросхема TJA1050", "Приёмопередатчик CAN, 5 В", "SOIC-8", 3000, 7000},
                   });
    demo.add_group(
        node_path({"Микросхемы", "Драйверы и таймеры"}), 3, 50,
        {
            {"Таймер NE555", "Таймер общего применения", "DIP-8", 800, 2000, "NE555.pdf"},
            {"Таймер NE555DR", "Таймер общего применения", "SOIC-8", 500, 1500, "NE555.pdf"},
            {"Микросхема ULN2003A", "Сборка из семи ключей Дарлингтона, 500 мА", "DIP-16", 1500, 3500, "ULN2003A.pdf"},
            {"Драйвер L293D", "Сдвоенный драйвер двигателя, 600 мА", "DIP-16", 8000, 18000},
            {"Драйвер DRV8833", "Сдвоенный драйвер двигателя, 1,5 А", "HTSSOP-16", 6000, 15000},
            {"Драйвер TB6612FNG", "Сдвоенный драйвер двигателя, 1,2 А", "SSOP-24", 9000, 20000},
            {"Драйвер IR2104", "Драйвер полумоста, 600 В", "DIP-8", 6000, 14000},
        });
    demo.add_group(node_path({"Микросхемы", "Память и датчики"}), 3, 40,
                   {
                       {"Микросхема AT24C02", "EEPROM 2 Кбит, I2C", "SOIC-8", 500, 1500},
                       {"Микросхема 24LC256", "EEPROM 256 Кбит, I2C", "DIP-8", 5000, 12000},
                       {"Микросхема W25Q32JVSIQ", "Flash-память 32 Мбит, SPI", "SOIC-8", 3000, 8000},
                       {"Датчик температуры DS18B20", "Цифровой датчик температуры 1-Wire, −55…+125 °C", "TO-92", 5000,
                        12000, "DS18B20.pdf"},
                       {"Часы реального времени DS3231SN", "Часы реального времени с термокомпенсацией, I2C", "SOIC-16",
                        15000, 35000},
                       {"Датчик температуры LM75A", "Цифровой датчик температуры, I2C", "SOIC-8", 1500, 4000},
                       {"Датчик давления BMP280", "Датчик атмосферного давления, I2C/SPI", "LGA-8", 8000, 20000},
                       {"Датчик MPU-6050", "Акселерометр и гироскоп, 6 осей, I2C", "QFN-24", 15000, 35000},
                       {"Датчик тока INA219", "Датчик тока и мощности, I2C", "SOT-23-8", 5000, 12000},
                   });
}

void add_connectors_and_mechanics(DemoBuilder& demo) {
    demo.add_group(node_path({"Разъёмы", "Штыревые"}), 10, 100,
                   {
                       {"Разъём PLS-40", "Штыревая линейка 1×40, шаг 2,54 мм", nullptr, 1000, 2500},
                       {"Разъём PLS-40R", "Штыревая линейка угловая 1×40, шаг 2,54 мм", nullptr, 1500, 3000},
                       {"Разъём PLD-80", "Штыревая линейка 2×40, шаг 2,54 мм", nullptr, 2000, 4500},
                       {"Разъём PBS-40", "Гнездо на плату 1×40, шаг 2,54 мм", nullptr, 2500, 5000},
                       {"Разъём PBD-40", "Гнездо на плату 2×20, шаг 2,54 мм", nullptr, 3000, 6000},
                       {"Разъём IDC-10MS", "Вилка на плату 2×5 в кожухе", nullptr, 1500, 3500},
                       {"Разъём IDC-10F", "Розетка на плоский кабель 2×5", nullptr, 1500, 3500},
                       {"Разъём JST XH-2A", "Вилка на плату, 2 контакта, шаг 2,5 мм", nullptr, 300, 900},
                       {"Разъём JST XH-3A", "Вилка на плату, 3 контакта, шаг 2,5 мм", nullptr, 300, 900},
                       {"Разъём JST XH-4A", "Вилка на плату, 4 контакта, шаг 2,5 мм", nullptr, 400, 1000},
                   });
    demo.add_group(node_path({"Разъёмы", "Клеммники"}), 10, 100,
                   {
                       {"Клеммник DG301-5.0-02P", "Винтовой клеммник, 2 контакта, шаг 5 мм", nullptr, 1000, 2500},
                       {"Клеммник DG301-5.0-03P", "Винтовой клеммник, 3 контакта, шаг 5 мм", nullptr, 1500, 3500},
                       {"Клеммник DG126-5.0-02P", "Винтовой клеммник, 2 контакта, шаг 5 мм", nullptr, 1000, 2500},
                   });
    demo.add_group(node_path({"Разъёмы", "USB и питание"}), 5, 60,
                   {
                       {"Разъём USB Type-C 16P", "Гнездо USB Type-C на плату, 16 контактов", nullptr, 2000, 5000},
                       {"Разъём micro USB 5P", "Гнездо micro USB на плату", nullptr, 1000, 2500},
                       {"Разъём USB-A гнездо", "Гнездо USB-A на плату, угловое", nullptr, 1500, 3500},
                       {"Гнездо питания DS-214", "Гнездо питания 5,5×2,1 мм на плату", nullptr, 1500, 3500},
                       {"Разъём DB-9 вилка", "Вилка D-Sub 9 контактов на плату", nullptr, 4000, 9000},
                   });
    demo.add_group(node_path({"Электромеханика", "Кнопки и переключатели"}), 10, 150,
                   {
                       {"Кнопка тактовая 6×6×5 мм", "Тактовая кнопка без фиксации, 4 вывода", nullptr, 300, 900},
                       {"Кнопка тактовая 12×12 мм", "Тактовая кнопка без фиксации, 4 вывода", nullptr, 800, 2000},
                       {"Кнопка тактовая SMD 3×4 мм", "Тактовая SMD-кнопка без фиксации", nullptr, 300, 900},
                       {"Переключатель движковый SS12D00", "Движковый переключатель 1P2T", nullptr, 500, 1500},
                       {"Кнопка PBS-11A", "Кнопка с фиксацией, 2 вывода", nullptr, 1500, 3500},
                       {"Энкодер EC11", "Инкрементальный энкодер с кнопкой, 20 импульсов", nullptr, 4000, 9000},
                   });
    demo.add_group(node_path({"Электромеханика", "Реле"}), 2, 30,
                   {
                       {"Реле SRD-05VDC-SL-C", "Электромагнитное реле 5 В, 10 А, 1 группа", nullptr, 4000, 9000},
                       {"Реле HF46F-5", "Электромагнитное реле 5 В, 10 А, 1 группа", nullptr, 6000, 13000},
                       {"Реле твердотельное G3MB-202P", "Твердотельное реле 5 В, 2 А, 240 В", nullptr, 10000, 22000},
                   });
    demo.add_group(node_path({"Электромеханика", "Звук"}), 2, 30,
                   {
                       {"Зуммер активный 5 В 12 мм", "Активный зуммер со встроенным генератором", nullptr, 1000, 2500},
                       {"Пьезоизлучатель 27 мм", "Пассивный пьезоизлучатель без генератора", nullptr, 800, 2000},
                   });
}

}  // namespace

DemoInventory make_demo_inventory() {
    DemoBuilder demo;
    add_resistors(demo);
    add_capacitors(demo);
    add_inductors_and_crystals(demo);
    add_semiconductors(demo);
    add_integrated_circuits(demo);
    add_connectors_and_mechanics(demo);
    return demo.finish();
}

}  // namespace detalehran::dbtool
