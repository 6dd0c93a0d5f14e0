#include "jet_messages.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "jet_convert.h"
#include "jet_reader.h"

namespace detalehran::jet {

namespace {

// What becomes empty without a column: the subject of "… будут пустыми".
const char* emptied(const std::string& column) {
    static constexpr std::pair<const char*, const char*> kEmptied[] = {
        {"Название", "Названия"},           {"Описание", "Описания"},
        {"Расположение", "Места хранения"}, {"Количество", "Количества"},
        {"Цена расходная", "Цены"},         {"Цена приходная", "Закупочные цены"},
        {"Поставщик", "Поставщики"},        {"Путь", "Разделы"},
        {"Тип корпуса", "Типы корпуса"},    {"Datasheet", "Ссылки на документы"}};
    for (const auto& [name, subject] : kEmptied) {
        if (column == name) return subject;
    }
    return "Значения";
}

bool only_in(const MissingColumn& column, const char* table) {
    return std::all_of(column.tables.begin(), column.tables.end(), [&](const std::string& t) { return t == table; });
}

}  // namespace

std::string system_reason(int error_number) {
    switch (error_number) {
        case ENOENT:
            return "нет такого файла или папки";
        case ENOTDIR:
            return "часть пути — не папка";
        case EACCES:
        case EPERM:
            return "нет доступа";
        case EROFS:
            return "диск только для чтения";
        case ENOSPC:
        case EDQUOT:
            return "на диске нет места";
        case EEXIST:
            return "файл уже есть";
        case EISDIR:
            return "это папка";
        case ENAMETOOLONG:
            return "слишком длинное имя";
        case EIO:
            return "ошибка ввода-вывода";
        case ENOMEM:
            return "не хватило памяти";
        case EXDEV:
            return "папки на разных дисках";
        default:
            return std::string("системная ошибка ") + std::to_string(error_number) + " (" +
                   std::strerror(error_number) + ")";
    }
}

std::string sqlite_reason(int result_code, const char* sqlite_message) {
    switch (result_code & 0xff) {
        case SQLITE_FULL:
            return "на диске нет места";
        case SQLITE_IOERR:
            return "ошибка ввода-вывода";
        case SQLITE_READONLY:
        case SQLITE_PERM:
            return "нет доступа на запись";
        case SQLITE_CANTOPEN:
            return "файл не открывается";
        case SQLITE_NOMEM:
            return "не хватило памяти";
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "файл занят другой программой";
        case SQLITE_CORRUPT:
            return "записанный файл повреждён";
        default:
            return std::string("ошибка SQLite ") + std::to_string(result_code) +
                   (sqlite_message ? std::string(" (") + sqlite_message + ")" : std::string());
    }
}

std::string missing_column_text(const MissingColumn& column) {
    std::string where;
    if (only_in(column, "Temp")) where = " в таблице вырезанных деталей (Temp)";
    if (only_in(column, "Package")) where = " в таблице типов корпуса (Package)";
    if (!column.unreadable.empty()) {
        return "не читается столбец «" + column.column + "»" + where + ": " + column.unreadable;
    }
    return "нет столбца «" + column.column + "»" + where;
}

std::string missing_column_consequence(const MissingColumn& column) {
    if (only_in(column, "Package")) return "Список типов корпуса будет пуст.";
    const std::string subject = emptied(column.column);
    if (only_in(column, "Temp")) return subject + " вырезанных деталей будут пустыми.";
    return subject + " будут пустыми.";
}

std::string missing_column_question(const MissingColumn& column) {
    return "В старом файле " + missing_column_text(column) + ". Преобразовать без него? " +
           missing_column_consequence(column);
}

std::vector<std::string> report_lines(const ConvertReport& report) {
    std::vector<std::string> lines = {
        "Деталей: " + std::to_string(report.items),
        "Типов корпуса: " + std::to_string(report.packages),
        "Вырезанных деталей возвращено на склад: " + std::to_string(report.parked_returned),
    };
    if (report.parked_dropped > 0) {
        lines.push_back("Лишних копий вырезанных деталей отброшено: " + std::to_string(report.parked_dropped));
    }
    if (report.new_ids > 0) lines.push_back("Деталей без номера, получивших новый: " + std::to_string(report.new_ids));
    for (const MissingColumn& column : report.converted_without) {
        lines.push_back("Преобразовано без столбца «" + column.column + "»");
    }
    return lines;
}

}  // namespace detalehran::jet
