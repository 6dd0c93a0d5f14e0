#pragma once
// What the conversion tells the user, in Russian, in one place: reasons of
// the system and of SQLite, the question about a column the old file lacks,
// and the lines of the conversion report. The program and detalehran-db
// show the same words.

#include <string>
#include <vector>

namespace detalehran::jet {

struct ConvertReport;
struct MissingColumn;

// Why a system call failed, for a user: "нет доступа", "диск заполнен" ...
std::string system_reason(int error_number);

// Why SQLite failed, from its result code; its own text only where no
// Russian one is known.
std::string sqlite_reason(int result_code, const char* sqlite_message);

// "нет столбца «Цена расходная»", or "не читается столбец «…»: why", and
// the table where only Temp or Package lacks it (no final stop).
std::string missing_column_text(const MissingColumn& column);
// "Цены будут пустыми." and its kind for every column the old file can lack.
std::string missing_column_consequence(const MissingColumn& column);
// The program's question: the two above joined by "Преобразовать без него?".
std::string missing_column_question(const MissingColumn& column);

// "Деталей: 4", "Типов корпуса: 3" ... one line each, nothing else.
std::vector<std::string> report_lines(const ConvertReport& report);

}  // namespace detalehran::jet
