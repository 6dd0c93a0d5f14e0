#include "db/failure_text.h"

#include <cstring>

namespace detalehran::db {

namespace {

struct Explanation {
    const char* sqlstate;
    const char* text;
};

// Matched by the whole SQLSTATE, or by its class when the entry has two
// characters.
constexpr Explanation kExplanations[] = {
    {"HYT00", "База данных занята другой программой. Повторите попытку немного позже."},
    {"HYT01", "База данных занята другой программой. Повторите попытку немного позже."},
    {"40001", "База данных занята другой программой. Повторите попытку немного позже."},
    {"40P01", "База данных занята другой программой. Повторите попытку немного позже."},
    {"55P03", "База данных занята другой программой. Повторите попытку немного позже."},
    // A PostgreSQL server's own states.
    {"57P", "Сервер базы данных остановлен или перезапускается."},
    {"53300", "К серверу базы данных подключено слишком много программ."},
    {"28", "Сервер базы данных не принял имя пользователя или пароль."},
    {"3D000", "На сервере нет такой базы данных."},
    {"42P01", "В базе данных нет нужной таблицы (для своей таблицы Temp пользователя добавляют командой "
              "detalehran-db add-user)."},
    {"54000", "Значение слишком велико для базы данных."},
    {"08001", "Файл базы данных не найден или не открывается."},
    {"IM002", "Источник данных базы не найден."},
    {"08", "Нет соединения с базой данных."},
    {"02000", "Запись не найдена: возможно, её уже изменила или удалила другая программа."},
    {"23", "Такая запись уже есть в базе данных."},
    {"42S02", "В базе данных нет нужной таблицы."},
    {"42S22", "В базе данных нет нужного столбца."},
    {"42501", "Недостаточно прав для этого изменения."},
    {"22018", "Значение не является числом."},
    {"22", "Значение не подходит для этого поля."},
};

const char* explanation_for(const std::string& sqlstate) {
    for (const Explanation& e : kExplanations) {
        const std::size_t n = std::strlen(e.sqlstate);
        if (sqlstate.size() >= n && sqlstate.compare(0, n, e.sqlstate) == 0) return e.text;
    }
    return "Ошибка базы данных.";
}

}  // namespace

std::string failure_text(const Diagnostic& why) {
    if (why.empty()) return {};
    std::string text = explanation_for(why.sqlstate);
    if (!why.text.empty()) text += "\n" + why.text;
    return text;
}

}  // namespace detalehran::db
