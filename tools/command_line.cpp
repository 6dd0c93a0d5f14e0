#include "command_line.h"

#include <algorithm>
#include <charconv>
#include <ostream>

#include "arguments.h"
#include "bom_command.h"
#include "inventory_folder.h"
#include "jet_convert.h"
#include "jet_messages.h"
#include "schema/server_tables.h"
#include "history_commands.h"
#include "search_command.h"
#include "server_store.h"
#include "spreadsheet_commands.h"
#include "store/text_fold.h"
#include "store_writer.h"

namespace detalehran::dbtool {

namespace {

// Far more than any inventory; it only guards against typos that would fill the disk.
constexpr std::size_t kMaxParts = 50'000'000;

std::size_t part_count(const std::string& text) {
    std::size_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value == 0 || value > kMaxParts) {
        throw UsageError{"--parts требует целого числа от 1 до " + std::to_string(kMaxParts) + ", а не «" + text + "»"};
    }
    return value;
}

int run_create(const Arguments& args, std::ostream& out, std::ostream& err) {
    CreateRequest request;
    std::string dsn;
    if (args.has("--demo") && args.has("--parts")) throw UsageError{"--demo и --parts исключают друг друга"};
    if (args.has("--demo")) request.content = Content::demo;
    if (const auto parts = args.value("--parts")) {
        request.content = Content::generated;
        request.part_count = part_count(*parts);
    }
    if (const auto name = args.value("--dsn")) {
        if (!args.operands.empty()) throw UsageError{"укажите либо папку, либо --dsn, но не оба"};
        dsn = *name;
    } else if (args.operands.size() != 1) {
        throw UsageError{args.operands.empty() ? "create требует папку, в которой создать базу"
                                               : "лишний аргумент «" + args.operands[1] + "»: папка только одна"};
    } else {
        request.folder = args.operands[0];
    }

    CreateReport report;
    std::string error;
    ServerCreation server;
    const bool created =
        dsn.empty() ? create_database(request, &report, &error)
                    : create_server_database({dsn, request.content, request.part_count}, &report, &error, &server);
    if (!created) return report_failure(err, error);
    if (server.existed) {
        if (server.upgraded.empty()) {
            out << "Склад на " << dsn << " уже есть, обновлять в нём нечего\n";
            return kExitOk;
        }
        out << "Склад на " << dsn << " создан прежней версией и обновлён:\n";
        for (const std::string& line : server.upgraded) out << "  " << line << "\n";
        return kExitOk;
    }
    out << (dsn.empty() ? "Создана база " : "Создан склад на источнике данных ") << report.store_path;
    if (request.content == Content::empty) {
        out << " (пустая)\n";
    } else {
        out << ": деталей " << report.parts << ", типов корпусов " << report.packages;
        if (request.content == Content::demo) out << ", файлов документации " << report.datasheets;
        out << "\n";
    }
    return kExitOk;
}

int run_add_user(const Arguments& args, std::ostream& out, std::ostream& err) {
    const std::optional<std::string> dsn = args.value("--dsn");
    if (!dsn || args.operands.size() != 1) throw UsageError{"add-user требует --dsn ИМЯ и одну роль"};
    const std::string& role = args.operands[0];
    const bool reader = args.has("--read-only");
    std::string error;
    if (!add_server_user(*dsn, role, reader ? schema::Access::reader : schema::Access::member, &error)) {
        return report_failure(err, error);
    }
    out << "Роль " << role << (reader ? " теперь только читает склад " : " теперь работает со складом ") << *dsn
        << "\n";
    return kExitOk;
}

void print_parts(std::ostream& out, const std::vector<ParkedPart>& parts, bool with_role) {
    for (const ParkedPart& part : parts) {
        out << "  ";
        if (with_role) out << part.role << "\t";
        out << part.id << "\t" << part.name << "\t" << part.section << "\t" << part.place << "\n";
    }
}

void print_returned(std::ostream& out, const std::string& role, const std::vector<ParkedPart>& returned,
                    const std::vector<ParkedPart>& kept) {
    out << "Возвращено на склад вырезанных деталей роли " << role << ": " << returned.size() << "\n";
    print_parts(out, returned, false);
    if (kept.empty()) return;
    out << "Остались вырезанными (их номер уже занят на складе): " << kept.size() << "\n";
    print_parts(out, kept, false);
}

int run_remove_user(const Arguments& args, std::ostream& out, std::ostream& err) {
    const std::optional<std::string> dsn = args.value("--dsn");
    if (!dsn || args.operands.size() != 1) throw UsageError{"remove-user требует --dsn ИМЯ и одну роль"};
    const std::string& role = args.operands[0];
    std::vector<ParkedPart> returned, kept;
    std::string error;
    if (!remove_server_user(*dsn, role, &returned, &kept, &error)) return report_failure(err, error);
    out << "Роль " << role << " больше не работает со складом " << *dsn << "\n";
    if (!returned.empty() || !kept.empty()) print_returned(out, role, returned, kept);
    return kExitOk;
}

int run_parked(const Arguments& args, std::ostream& out, std::ostream& err) {
    const std::optional<std::string> dsn = args.value("--dsn");
    if (!dsn || !args.operands.empty()) throw UsageError{"parked требует только --dsn ИМЯ"};
    std::string error;
    if (const std::optional<std::string> role = args.value("--return")) {
        std::vector<ParkedPart> returned, kept;
        if (!return_parked(*dsn, *role, &returned, &kept, &error)) return report_failure(err, error);
        print_returned(out, *role, returned, kept);
        return kExitOk;
    }
    ParkedList list;
    if (!list_parked(*dsn, &list, &error)) return report_failure(err, error);
    if (list.parts.empty()) {
        out << "Вырезанных и не вставленных деталей нет.\n";
        return kExitOk;
    }
    out << "Вырезаны и не вставлены (роль, номер, название, раздел, место): " << list.parts.size() << "\n";
    print_parts(out, list.parts, true);
    for (const std::string& role : list.running_roles) {
        out << "Программа роли " << role << " сейчас работает: она вставит или вернёт свои детали сама.\n";
    }
    return kExitOk;
}

bool allowed(const std::vector<std::string>& names, const std::string& column) {
    for (const std::string& name : names) {
        if (store::compare_folded(name, column) == 0) return true;
    }
    return false;
}

int run_convert(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.operands.size() != 2) throw UsageError{"convert нужны старый Store.mdb и папка, куда писать"};
    const std::string& jet_path = args.operands[0];
    const std::vector<std::string>& allowed_missing = args.all("--allow-missing");
    jet::ConvertOptions options;
    // Only the columns named on the command line may be left behind; each
    // of the others is one line of the refusal.
    options.convert_without = [&](const std::vector<jet::MissingColumn>& missing) {
        bool all = true;
        for (const jet::MissingColumn& column : missing) {
            if (allowed(allowed_missing, column.column)) continue;
            all = false;
            err << kProgram << ": Файл " << jet_path << " не преобразован: в нём " << jet::missing_column_text(column)
                << ". " << jet::missing_column_consequence(column)
                << " Чтобы преобразовать без него, добавьте --allow-missing \"" << column.column << "\"" << std::endl;
        }
        return all;
    };
    const jet::ConvertResult result = jet::convert_jet_store(jet_path, args.operands[1], options);
    if (result.outcome == jet::Outcome::refused) err << kProgram << ": " << result.reason << std::endl;
    // What libmdb said while reading comes only as the refusal's details.
    if (result.outcome != jet::Outcome::converted && !result.details.empty()) {
        err << "  Сообщения mdbtools:\n";
        for (std::size_t from = 0; from < result.details.size();) {
            const std::size_t end = std::min(result.details.find('\n', from), result.details.size());
            err << "    " << result.details.substr(from, end - from) << "\n";
            from = end + 1;
        }
        err.flush();
    }
    if (result.outcome != jet::Outcome::converted) return kExitFailure;
    const jet::ConvertReport& report = result.report;
    out << "Файл " << jet_path << " (Jet " << report.jet_version << ") преобразован в " << report.store_path << "\n";
    for (const std::string& line : jet::report_lines(report)) out << line << "\n";
    out << "Новые детали получат номера начиная с " << report.next_id << "\n";
    return kExitOk;
}

const OptionSpec kDsn{"--dsn", "ИМЯ", "склад источника данных ODBC ИМЯ (сервер команды) вместо папки"};

const std::vector<CommandSpec>& commands() {
    static const std::vector<CommandSpec> table = {
        {"create",
         "create {DIR | --dsn ИМЯ} [--demo | --parts N]",
         "создаёт базу DIR/Store.mdb и папку DIR/Datasheet (папка DIR должна быть; готовый Store.mdb\n"
         "никогда не заменяется), или с --dsn ИМЯ склад на сервере PostgreSQL источника данных ИМЯ:\n"
         "таблицы деталей, типов корпусов, общих разделов и мест, настроек и вырезанного, всё или\n"
         "ничего. Склад, созданный на сервере прежней версией, дополняется тем, чего в нём нет.",
         {kDsn,
          {"--demo", nullptr, "заполнить базу демонстрационным складом из нескольких сотен деталей"},
          {"--parts", "N", "заполнить базу N сгенерированными деталями (для замеров)"}},
         run_create},
        {"add-user",
         "add-user --dsn ИМЯ РОЛЬ [--read-only]",
         "даёт существующей роли РОЛЬ сервера доступ к складу источника данных ИМЯ (его владельца):\n"
         "читать и менять детали, разделы и места, вырезать и вставлять. Повторный запуск ничего не\n"
         "меняет. Роль создаёт администратор сервера (createuser); членство в ней не нужно.",
         {kDsn, {"--read-only", nullptr, "только читать склад: все команды изменения в программе недоступны"}},
         run_add_user},
        {"remove-user",
         "remove-user --dsn ИМЯ РОЛЬ",
         "отнимает у роли РОЛЬ доступ к складу источника данных ИМЯ; вырезанные ею и не вставленные\n"
         "детали сначала возвращаются на склад. Пока программа роли работает, отказывает. Саму роль\n"
         "сервера не удаляет (это dropuser).",
         {kDsn},
         run_remove_user},
        {"parked",
         "parked --dsn ИМЯ [--return РОЛЬ]",
         "показывает детали, которые вырезаны и не вставлены, со склада источника данных ИМЯ: чьи они\n"
         "и работает ли программа их роли. С --return РОЛЬ возвращает детали роли на склад туда, откуда\n"
         "их вырезали (если программа роли не работает).",
         {kDsn, {"--return", "РОЛЬ", "вернуть на склад детали, вырезанные ролью РОЛЬ"}},
         run_parked},
        {"convert",
         "convert СТАРЫЙ.mdb DIR [--allow-missing СТОЛБЕЦ]...",
         "читает СТАРЫЙ.mdb, файл Store.mdb (Access, Jet) прежней программы для Windows, и записывает\n"
         "его детали, типы корпуса и вырезанные детали в DIR/Store.mdb. СТАРЫЙ.mdb только читается;\n"
         "папка DIR должна быть, имеющийся в ней Store.mdb не заменяется. Ничего не записывается, если\n"
         "СТАРЫЙ.mdb не читается целиком или в нём нет какого-либо столбца. Папку Datasheet и Store.ini\n"
         "старой папки скопируйте в DIR.",
         {{"--allow-missing", "СТОЛБЕЦ",
           "преобразовать и без столбца СТОЛБЕЦ (например, \"Цена расходная\"), если его нет\n"
           "в старом файле: его значения будут пустыми",
           true}},
         run_convert},
        {"import",
         "import {DIR | --dsn ИМЯ} ФАЙЛ [--section ПУТЬ] [--place ПУТЬ] [--duplicates new|add|skip]\n"
         "                     [--header-line N] [--map СТОЛБЕЦ=ПОЛЕ]... [--skip-column СТОЛБЕЦ]... [--dry-run]",
         "читает ФАЙЛ, CSV-файл таблицы (UTF-8, UTF-16 или Windows-1251; между ячейками «;», «,» или\n"
         "табуляция; строка заголовка называет столбцы, название над ней и строка итогов в конце\n"
         "пропускаются), и записывает его детали на склад одной транзакцией: все или ни одной. Строки с\n"
         "ошибками перечисляются и пропускаются. Столбец с данными, который не загружается, останавливает\n"
         "загрузку, пока --map или --skip-column не скажет, что с ним делать. Новые разделы и места\n"
         "добавляются в Store.ini. Код 1, когда ничего не записано.",
         {kDsn,
          {"--section", "ПУТЬ", "раздел деталей, когда в файле нет столбца раздела: «A/B/C» под «Все»"},
          {"--place", "ПУТЬ", "место хранения деталей так же"},
          {"--duplicates", "new|add|skip",
           "деталь с названием и корпусом уже имеющейся в её разделе: новая деталь (new,\n"
           "по умолчанию), прибавить к количеству (add) или пропустить (skip)"},
          {"--header-line", "N", "заголовок — строка N файла (по умолчанию первая из начальных строк,\n"
                                 "которая называет известные столбцы)"},
          {"--map", "СТОЛБЕЦ=ПОЛЕ",
           "загрузить СТОЛБЕЦ (его заголовок или номер от 1) в ПОЛЕ: Название, Тип корпуса,\n"
           "Описание, Количество, Цена, Цена приходная, Поставщик, Раздел, Расположение, Документ,\n"
           "«в описание» (дописать к описанию после заголовка столбца) или «не загружать»",
           true},
          {"--skip-column", "СТОЛБЕЦ", "не загружать СТОЛБЕЦ", true},
          {"--dry-run", nullptr, "ничего не записывать; показать поле каждого столбца и что было бы записано"}},
         run_import},
        {"export", "export {DIR | --dsn ИМЯ} [-o ФАЙЛ] [--reorder] [--decimal-point]",
         "записывает все детали склада в CSV (UTF-8, «;» между ячейками и десятичная запятая, как их\n"
         "читает таблица с русскими настройками) в ФАЙЛ или на стандартный вывод. Без --dsn база\n"
         "DIR/Store.mdb открывается через драйвер ODBC, без источника данных; с --dsn Store.ini\n"
         "берётся из текущей папки, как у программы.",
         {kDsn,
          {"-o", "ФАЙЛ", "записать в ФАЙЛ, а не на стандартный вывод", false, "--output"},
          {"--decimal-point", nullptr, "десятичная точка и «,» между ячейками, для других языков"},
          {"--reorder", nullptr, "записать список для заказа: детали ниже минимума из Store.ini, по\n"
                                 "поставщикам, с суммами"}},
         run_export},
        {"search", "search {DIR | --dsn ИМЯ} ЗАПРОС [--csv]",
         "печатает детали, которые найдёт поиск программы: сначала по названию, затем по номиналу и\n"
         "корпусу («4k7 0805», «100n 50V»): ID, название, тип корпуса, количество и место.",
         {kDsn, {"--csv", nullptr, "печатать CSV, как экспорт списка"}},
         run_search},
        {"bom",
         "bom {DIR | --dsn ИМЯ} (ФАЙЛ | --project ИМЯ) [--boards N] [--csv] [--pick-list] [--shortfall]\n"
         "                 [--merge-reorder] [--take | --take-available] [--save-project ИМЯ]",
         "читает спецификацию ФАЙЛ — схему KiCad 6 или 7 (.kicad_sch, с её иерархическими листами) или\n"
         "CSV из любой САПР (Reference, Value, Footprint, Quantity или Обозначение, Номинал, Корпус,\n"
         "Кол-во) — и проверяет по складу сборку N плат: для каждой строки сколько нужно, какая деталь\n"
         "склада подходит (выбранная для строки в проекте, затем по номеру детали, затем по номиналу\n"
         "и корпусу), сколько её есть, где она лежит и сколько не хватает; итоги и стоимость деталей\n"
         "по ценам приходным. Проект хранит на складе строки спецификации, выбранные детали и число\n"
         "плат. Склад меняется только с --take: одной операцией истории, которую можно отменить.",
         {kDsn,
          {"--boards", "N", "число плат (по умолчанию 1 или число плат проекта)"},
          {"--project", "ИМЯ", "проект склада: без ФАЙЛа проверить его строки; с ФАЙЛом сопоставить\n"
                               "строки файла с выбранными в проекте деталями"},
          {"--save-project", "ИМЯ", "сохранить строки ФАЙЛа, выбранные детали и число плат как проект ИМЯ\n"
                                    "(проект с тем же именем заменяется)"},
          {"--csv", nullptr, "печатать CSV: строка на строку спецификации (или на строку списка)"},
          {"--pick-list", nullptr, "печатать список сборки по местам хранения в порядке дерева мест:\n"
                                   "место, деталь, сколько взять, обозначения"},
          {"--shortfall", nullptr, "печатать, чего не хватает, списком для заказа по поставщикам (как\n"
                                   "список для заказа export --reorder)"},
          {"--merge-reorder", nullptr, "печатать список для заказа с учётом сборки: недостающее для неё\n"
                                       "и детали, которые после неё окажутся ниже минимума"},
          {"--take", nullptr, "списать детали на сборку; отказ, если чего-то не хватает"},
          {"--take-available", nullptr, "списать на сборку то, что есть, когда чего-то не хватает"}},
         run_bom},
        {"history",
         "history {DIR | --dsn ИМЯ} [--item ID]... [--user АВТОР] [--since ДАТА] [--until ДАТА] [--csv]\n"
         "                     [--prune-before ДАТА]",
         "печатает историю изменений склада, новые операции первыми: номер, время (UTC), автора,\n"
         "описание и по строке на каждое изменение. Склад записывает изменения любой программы\n"
         "(detalehran, python3, isql, офисный пакет); одна транзакция — одна операция.",
         {kDsn,
          {"--item", "ID", "только операции, менявшие деталь ID", true},
          {"--user", "АВТОР", "только операции автора, как его пишет история: «ivan (detalehran)»"},
          {"--since", "ДАТА", "с начала дня ДАТА (ГГГГ-ММ-ДД, UTC)"},
          {"--until", "ДАТА", "до конца дня ДАТА"},
          {"--csv", nullptr, "печатать CSV: строка на каждое изменённое поле"},
          {"--prune-before", "ДАТА", "не печатать, а удалить из истории операции старше дня ДАТА"}},
         run_history},
        {"revert", "revert {DIR | --dsn ИМЯ} ОПЕРАЦИЯ",
         "отменяет операцию истории одной новой операцией: добавленное удаляется, удалённое\n"
         "возвращается с прежним ID, изменённое получает прежние значения. Если те же строки позже\n"
         "изменила другая операция, ничего не меняется, а сообщение называет её. Код 1, когда\n"
         "операция не отменена.",
         {kDsn},
         run_revert},
    };
    return table;
}

const CommandSpec* find_command(const std::string& name) {
    for (const CommandSpec& c : commands()) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

}  // namespace

int run_command_line(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandSpec* command = args.size() > 1 ? find_command(args[1]) : nullptr;
    for (std::size_t k = 1; k < args.size() && args[k] != "--"; ++k) {
        if (args[k] == "--help" || args[k] == "-h") {
            out << (command ? command_help(*command) : usage_text(commands()));
            return kExitOk;
        }
    }
    try {
        if (args.size() < 2) throw UsageError{"не указана команда"};
        if (command == nullptr) throw UsageError{"неизвестная команда «" + args[1] + "»"};
        const Arguments arguments = parse_arguments(*command, {args.begin() + 2, args.end()});
        return command->run(arguments, out, err);
    } catch (const UsageError& e) {
        err << kProgram << ": " << e.message << " (см. " << kProgram << " --help)" << std::endl;
        return kExitUsage;
    }
}

}  // namespace detalehran::dbtool
