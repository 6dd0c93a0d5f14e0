#pragma once
// Dates as the driver keeps them (ISO text, "YYYY-MM-DD HH:MM:SS"), their
// arithmetic for DateAdd, and the Format function's formats.

#include <string>
#include <string_view>

namespace detalehran::odbc {

struct DateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    bool has_time = false;
};

enum class DatePart { date, time, both };

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]" (or with a "T"), "HH:MM[:SS]".
bool parse_datetime_value(std::string_view text, DateTime& out);
std::string format_datetime(const DateTime& d, DatePart part);
DateTime local_now();
// 1 for Sunday to 7 for Saturday, as Access counts.
int weekday(const DateTime& d);
// DateAdd's intervals: yyyy, q, m, y, d, w, ww, h, n, s.
bool add_interval(DateTime& d, std::string_view interval, long long count, std::string& error);

struct FormatValue {
    bool is_number = false;
    double number = 0;
    bool integral = false;
    std::string text;
};
// Format(value, format) for the formats people use: "0.00", "#,##0.00",
// "Fixed", "Standard", "Currency", "Percent", "General Number", "Short
// Date", "Long Date", "Short Time", "Long Time", and date patterns of
// yyyy, yy, mm, m, dd, d, hh, nn, ss. Numbers use "." and "," (the
// dialect's own, whatever the desktop's locale); dates are Russian.
bool format_value(const FormatValue& value, std::string_view format, std::string& out, std::string& error);

}  // namespace detalehran::odbc
