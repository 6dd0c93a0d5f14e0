#include "db/failure_text.h"

#include <cstring>
#include <new>

namespace detalehran::db {

namespace {

struct Explanation {
    const char* sqlstate;
    const char* text;
};

constexpr const char* kLost =
    "Соединение с базой данных потеряно: действие не выполнено. Программа подключится снова при следующем "
    "действии.";

// Matched by the whole SQLSTATE, or by its class when the entry has two
// characters.
constexpr Explanation kExplanations[] = {
    {"HYT00", "База данных занята другой программой. Повторите попытку немного позже."},
    {"HYT01", "База данных занята другой программой. Повторите попытку немного позже."},
    {"40001", "База данных занята другой программой. Повторите попытку немного позже."},
    {"40P01", "База данных занята другой программой. Повторите попытку немного позже."},
    {"55P03", "База данных занята другой программой. Повторите попытку немного позже."},
    // A PostgreSQL server's own states.
    {"57P",
     "Соединение с сервером базы данных прервано: сервер остановлен или перезапускается. Действие не выполнено; "
     "программа подключится снова при следующем действии."},
    {"53300", "К серверу базы данных подключено слишком много программ."},
    {"28", "Сервер базы данных не принял имя пользователя или пароль."},
    {"3D000", "На сервере нет такой базы данных."},
    {"42P01",
     "В базе данных нет нужной таблицы: склад на сервере не создан или создан прежней версией программы "
     "(администратор обновляет его командой detalehran-db create --dsn ИМЯ)."},
    {"54000", "Значение слишком велико для базы данных."},
    {"08001", "Файл базы данных не найден или не открывается."},
    {"IM002", "Источник данных базы не найден."},
    {"08S01", kLost},
    {"08003", kLost},
    {"08", "Нет соединения с базой данных."},
    {"02000", "Запись не найдена: возможно, её уже изменила или удалила другая программа."},
    {"23", "Такая запись уже есть в базе данных."},
    {"42S02", "В базе данных нет нужной таблицы."},
    {"42S22", "В базе данных нет нужного столбца."},
    {"42501", "Недостаточно прав на сервере для этого действия: права роли даёт администратор склада."},
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

// The text between the quotes after `after` in a message ('database "x"').
std::string quoted_after(const std::string& text, const std::string& after) {
    const std::size_t at = text.find(after);
    if (at == std::string::npos) return {};
    const std::size_t start = at + after.size();
    const std::size_t end = text.find('"', start);
    return end == std::string::npos ? std::string() : text.substr(start, end - start);
}

bool says(const std::string& text, std::initializer_list<const char*> phrases) {
    for (const char* phrase : phrases) {
        if (text.find(phrase) != std::string::npos) return true;
    }
    return false;
}

std::string connection_reason(const Diagnostic& why, bool data_source_found) {
    const std::string& t = why.text;
    if (says(t, {"password authentication failed", "no password supplied", "password is required"})) {
        // The server answers an unknown role the same way, so as not to tell
        // who exists.
        return "Сервер не принял пароль роли «" + quoted_after(t, "for user \"") +
               "» (или такой роли на сервере нет). Проверьте Username в источнике данных и пароль в "
               "~/.pgpass; роль создаёт администратор сервера.";
    }
    if (says(t, {"does not exist"}) && says(t, {"role \""})) {
        return "На сервере нет роли «" + quoted_after(t, "role \"") +
               "». Попросите администратора создать её и дать ей доступ к складу (detalehran-db add-user).";
    }
    if ((says(t, {"does not exist"}) && says(t, {"database \""})) || why.sqlstate == "3D000") {
        return "На сервере нет базы данных «" + quoted_after(t, "database \"") +
               "». Проверьте Database в источнике данных или попросите администратора создать склад.";
    }
    if (says(t, {"Can't open lib", "file not found"}) || why.sqlstate == "IM003" ||
        (why.sqlstate == "IM002" && data_source_found)) {
        return "Не установлен драйвер ODBC, который называет источник данных Store. Для сервера PostgreSQL "
               "установите пакет odbc-postgresql (драйвер «PostgreSQL Unicode»).";
    }
    if (why.sqlstate == "IM002") {
        return "Источник данных Store не найден: опишите его в ~/.odbc.ini (см. README).";
    }
    if (says(t, {"no pg_hba.conf entry"})) {
        return "Сервер не пускает эту роль с этого компьютера (pg_hba.conf). Обратитесь к администратору сервера.";
    }
    if (says(t, {"SSL"}) && says(t, {"not support", "required", "unsupported"})) {
        return "Сервер и источник данных не договорились о шифровании (SSL). Укажите в источнике данных "
               "SSLmode = prefer или включите SSL на сервере.";
    }
    if (says(t, {"permission denied for database", "CONNECT privilege"})) {
        return "У роли нет права подключаться к этой базе данных. Попросите администратора склада выполнить "
               "detalehran-db add-user.";
    }
    if (says(t, {"Connection refused", "could not connect", "could not translate host name", "No route to host",
                 "timeout expired", "Connection timed out", "Network is unreachable", "the database system is"})) {
        return "Сервер базы данных недоступен. Проверьте, что он запущен и доступен по сети (Servername и Port в "
               "источнике данных), и повторите попытку.";
    }
    return std::string("Не удалось подключиться к серверу базы данных. ") + explanation_for(why.sqlstate);
}

}  // namespace

std::string connection_failure_text(const Diagnostic& why, bool data_source_found) {
    std::string text = connection_reason(why, data_source_found);
    if (!why.text.empty()) text += "\nОтвет драйвера: " + why.text;
    return text;
}

bool means_lost_connection(const Diagnostic& why) {
    // libpq's words when the server went away under a statement; psqlODBC
    // passes some of them on without a SQLSTATE of their own.
    return says(why.text, {"server closed the connection unexpectedly", "no connection to the server",
                           "could not receive data from server", "could not send data to server",
                           "terminating connection due to administrator command"});
}

std::string failure_text(const Diagnostic& why) {
    if (why.empty()) return {};
    std::string text =
        means_lost_connection(why) && why.sqlstate.rfind("08", 0) != 0 && why.sqlstate.rfind("57P", 0) != 0
            ? kLost
            : explanation_for(why.sqlstate);
    if (!why.text.empty()) text += "\n" + why.text;
    return text;
}

std::string exception_text(std::exception_ptr caught) {
    try {
        if (caught) std::rethrow_exception(caught);
    } catch (const std::bad_alloc&) {
        return "не хватает памяти";
    } catch (const std::exception& e) {
        return std::string("внутренняя ошибка: ") + e.what();
    } catch (...) {
    }
    return "внутренняя ошибка неизвестного рода";
}

std::string revert_failure_text(const RevertResult& result) {
    if (result.diagnostic.empty()) return result.reason;
    const std::string why = failure_text(result.diagnostic);
    return result.reason.empty() ? why : result.reason + ": " + why;
}

}  // namespace detalehran::db
