#include "date_values.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace detalehran::odbc {

namespace {

long long days_from_civil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civil_from_days(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

int days_in_month(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

bool valid(const DateTime& d) {
    return d.year >= 100 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= days_in_month(d.year, d.month) && d.hour >= 0 && d.hour < 24 && d.minute >= 0 && d.minute < 60 &&
           d.second >= 0 && d.second < 60;
}

bool same_letters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return false;
    }
    return true;
}

std::string two(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

// Digits of a non-negative number rounded half away from zero to
// `decimals` places, grouped by thousands when asked, with at least
// `min_integer` integer digits.
std::string fixed(double v, int decimals, bool grouped, int min_integer) {
    char buf[512];
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(std::fabs(v) * scale) / scale;
    std::snprintf(buf, sizeof buf, "%.*f", decimals, rounded);
    std::string s = buf;
    std::size_t point = s.find('.');
    std::string integer = s.substr(0, point), fraction = point == std::string::npos ? "" : s.substr(point);
    while (integer.size() > 1 && integer[0] == '0' && static_cast<int>(integer.size()) > min_integer)
        integer.erase(0, 1);
    if (integer == "0" && min_integer == 0) integer.clear();
    while (static_cast<int>(integer.size()) < min_integer) integer.insert(0, "0");
    if (grouped) {
        for (int k = static_cast<int>(integer.size()) - 3; k > 0; k -= 3)
            integer.insert(static_cast<std::size_t>(k), ",");
    }
    return (v < 0 && rounded != 0 ? "-" : "") + integer + fraction;
}

// A number pattern of 0, #, "," and "." with an optional "%" at its end.
bool number_pattern(double v, std::string_view f, std::string& out) {
    bool percent = false;
    if (!f.empty() && f.back() == '%') {
        percent = true;
        f.remove_suffix(1);
    }
    if (f.empty() || f.find_first_not_of("0#,.") != std::string_view::npos) return false;
    const std::size_t point = f.find('.');
    const std::string_view integer = f.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : f.substr(point + 1);
    if (fraction.find_first_not_of("0") != std::string_view::npos &&
        fraction.find_first_not_of("0#") != std::string_view::npos)
        return false;
    int min_integer = 0;
    for (char c : integer) min_integer += c == '0';
    out = fixed(percent ? v * 100 : v, static_cast<int>(fraction.size()), integer.find(',') != std::string_view::npos,
                min_integer);
    if (percent) out += '%';
    return true;
}

const char* kMonths[] = {"января", "февраля", "марта",    "апреля",  "мая",    "июня",
                         "июля",   "августа", "сентября", "октября", "ноября", "декабря"};

bool date_pattern(const DateTime& d, std::string_view f, std::string& out) {
    bool any = false;
    for (std::size_t i = 0; i < f.size();) {
        auto run = [&](char c) {
            std::size_t n = 0;
            while (i + n < f.size() && (f[i + n] == c || f[i + n] == c - 32)) ++n;
            return n;
        };
        const char c = f[i] >= 'A' && f[i] <= 'Z' ? static_cast<char>(f[i] + 32) : f[i];
        std::size_t n = 0;
        if (c == 'y' && (n = run('y')) != 0) {
            out += n >= 4 ? std::to_string(d.year) : two(d.year % 100);
        } else if (c == 'm' && (n = run('m')) != 0) {
            out += n >= 2 ? two(d.month) : std::to_string(d.month);
        } else if (c == 'd' && (n = run('d')) != 0) {
            out += n >= 2 ? two(d.day) : std::to_string(d.day);
        } else if (c == 'h' && (n = run('h')) != 0) {
            out += n >= 2 ? two(d.hour) : std::to_string(d.hour);
        } else if (c == 'n' && (n = run('n')) != 0) {
            out += n >= 2 ? two(d.minute) : std::to_string(d.minute);
        } else if (c == 's' && (n = run('s')) != 0) {
            out += n >= 2 ? two(d.second) : std::to_string(d.second);
        } else if (c == '-' || c == '.' || c == '/' || c == ':' || c == ' ' || c == ',') {
            out += f[i];
            n = 1;
        } else {
            return false;
        }
        if (c != '-' && c != '.' && c != '/' && c != ':' && c != ' ' && c != ',') any = true;
        i += n;
    }
    return any;
}

}  // namespace

bool parse_datetime_value(std::string_view text, DateTime& out) {
    const std::string s(text);
    DateTime d;
    int n = 0;
    char sep = 0;
    if (std::sscanf(s.c_str(), "%4d-%2d-%2d%n", &d.year, &d.month, &d.day, &n) == 3) {
        const char* rest = s.c_str() + n;
        if (*rest == ' ' || *rest == 'T') {
            int m = 0;
            d.has_time = true;
            if (std::sscanf(rest + 1, "%2d:%2d%n", &d.hour, &d.minute, &m) != 2) return false;
            rest += 1 + m;
            if (*rest == ':') {
                if (std::sscanf(rest + 1, "%2d%n", &d.second, &m) != 1) return false;
                rest += 1 + m;
                if (*rest == '.') {
                    ++rest;
                    while (*rest >= '0' && *rest <= '9') ++rest;  // fractions of a second are dropped
                }
            }
        }
        if (*rest != 0) return false;
    } else if (std::sscanf(s.c_str(), "%2d:%2d%c", &d.hour, &d.minute, &sep) >= 2) {
        d.has_time = true;
        if (sep == ':' && std::sscanf(s.c_str(), "%*d:%*d:%2d", &d.second) != 1) return false;
    } else {
        return false;
    }
    if (!valid(d)) return false;
    out = d;
    return true;
}

std::string format_datetime(const DateTime& d, DatePart part) {
    char buf[40];
    if (part == DatePart::date) {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    } else if (part == DatePart::time) {
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", d.hour, d.minute, d.second);
    } else {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute,
                      d.second);
    }
    return buf;
}

DateTime local_now() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, true};
}

int weekday(const DateTime& d) {
    const long long days = days_from_civil(d.year, static_cast<unsigned>(d.month), static_cast<unsigned>(d.day));
    return static_cast<int>(((days % 7) + 11) % 7) + 1;  // 1970-01-01 was a Thursday
}

bool add_interval(DateTime& d, std::string_view interval, long long count, std::string& error) {
    if (count > 3660000 || count < -3660000) {
        error = "gives a date out of range";
        return false;
    }
    long long seconds = 0;
    long long months = 0;
    if (same_letters(interval, "yyyy")) {
        months = 12 * count;
    } else if (same_letters(interval, "q")) {
        months = 3 * count;
    } else if (same_letters(interval, "m")) {
        months = count;
    } else if (same_letters(interval, "d") || same_letters(interval, "y") || same_letters(interval, "w")) {
        seconds = 86400 * count;
    } else if (same_letters(interval, "ww")) {
        seconds = 7 * 86400 * count;
    } else if (same_letters(interval, "h")) {
        seconds = 3600 * count;
    } else if (same_letters(interval, "n")) {
        seconds = 60 * count;
    } else if (same_letters(interval, "s")) {
        seconds = count;
    } else {
        error = "knows no interval '" + std::string(interval) + "'";
        return false;
    }
    if (months != 0) {
        const long long total = static_cast<long long>(d.year) * 12 + (d.month - 1) + months;
        d.year = static_cast<int>(total / 12);
        d.month = static_cast<int>(total % 12) + 1;
        if (d.year >= 100 && d.year <= 9999) d.day = std::min(d.day, days_in_month(d.year, d.month));
    }
    if (seconds != 0) {
        long long t = days_from_civil(d.year, static_cast<unsigned>(d.month), static_cast<unsigned>(d.day)) * 86400 +
                      d.hour * 3600 + d.minute * 60 + d.second + seconds;
        long long days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
        long long rest = t - days * 86400;
        civil_from_days(days, d.year, d.month, d.day);
        d.hour = static_cast<int>(rest / 3600);
        d.minute = static_cast<int>(rest / 60 % 60);
        d.second = static_cast<int>(rest % 60);
        if (seconds % 86400 != 0) d.has_time = true;
    }
    if (!valid(d)) {
        error = "gives a date out of range";
        return false;
    }
    return true;
}

bool format_value(const FormatValue& value, std::string_view format, std::string& out, std::string& error) {
    DateTime d;
    const bool is_date = !value.is_number && parse_datetime_value(value.text, d);
    auto named = [&](const char* name) { return same_letters(format, name); };
    if (is_date) {
        if (named("Short Date")) return date_pattern(d, "dd.mm.yyyy", out);
        if (named("Long Date")) {
            out = std::to_string(d.day) + " " + kMonths[d.month - 1] + " " + std::to_string(d.year) + " г.";
            return true;
        }
        if (named("Short Time")) return date_pattern(d, "hh:nn", out);
        if (named("Long Time")) return date_pattern(d, "hh:nn:ss", out);
        if (named("General Date")) {
            out = format_datetime(d, d.has_time ? DatePart::both : DatePart::date);
            return true;
        }
        if (date_pattern(d, format, out)) return true;
        out.clear();
        error = "the format '" + std::string(format) + "' is not supported for dates";
        return false;
    }
    if (!value.is_number) {
        error = "'" + value.text + "' is neither a number nor a date for the format '" + std::string(format) + "'";
        return false;
    }
    const double v = value.number;
    if (named("General Number")) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", v);
        out = buf;
        return true;
    }
    if (named("Fixed")) return number_pattern(v, "0.00", out);
    if (named("Standard")) return number_pattern(v, "#,##0.00", out);
    if (named("Percent")) return number_pattern(v, "0.00%", out);
    if (named("Currency")) {
        out = fixed(v, 2, true, 1) + " ₽";
        return true;
    }
    if (number_pattern(v, format, out)) return true;
    error = "the format '" + std::string(format) + "' is not supported for numbers";
    return false;
}

}  // namespace detalehran::odbc
