#include "bom/designators.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <tuple>

#include "bom/bom.h"

namespace detalehran::bom {

namespace {

struct Parts {
    std::string_view prefix;
    long long number = -1;  // -1: no number
    std::string_view rest;
};

// "R12" is "R", 12, ""; "U3A" is "U", 3, "A"; "J" is "J", -1, "".
Parts split(std::string_view text) {
    Parts parts;
    std::size_t digits = 0;
    while (digits < text.size() && !(text[digits] >= '0' && text[digits] <= '9')) ++digits;
    parts.prefix = text.substr(0, digits);
    std::size_t end = digits;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    if (end > digits) {
        long long number = 0;
        const auto [ptr, ec] = std::from_chars(text.data() + digits, text.data() + end, number);
        if (ec == std::errc() && ptr == text.data() + end)
            parts.number = number;
        else
            parts.prefix = text.substr(0, end);  // too long a number: compared as text
    }
    parts.rest = text.substr(end);
    return parts;
}

bool is_separator(char c) { return c == ',' || c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Dashes of every width as "-", and no blanks around them, so that "R5 – R8"
// is one range.
std::string normalized(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t k = 0; k < text.size(); ++k) {
        // U+2013 and U+2014 in UTF-8.
        if (text.substr(k, 3) == "\xE2\x80\x93" || text.substr(k, 3) == "\xE2\x80\x94") {
            out += '-';
            k += 2;
        } else {
            out += text[k];
        }
    }
    std::string tight;
    tight.reserve(out.size());
    for (std::size_t k = 0; k < out.size(); ++k) {
        if (out[k] == ' ' || out[k] == '\t') {
            std::size_t next = k;
            while (next < out.size() && (out[next] == ' ' || out[next] == '\t')) ++next;
            const bool before_dash = next < out.size() && out[next] == '-';
            const bool after_dash = !tight.empty() && tight.back() == '-';
            if (before_dash || after_dash) {
                k = next - 1;
                continue;
            }
        }
        tight += out[k];
    }
    return tight;
}

}  // namespace

bool designator_less(const std::string& a, const std::string& b) {
    const Parts x = split(a);
    const Parts y = split(b);
    return std::tie(x.prefix, x.number, x.rest) < std::tie(y.prefix, y.number, y.rest);
}

void sort_designators(std::vector<std::string>& designators) {
    std::sort(designators.begin(), designators.end(), designator_less);
}

DesignatorList read_designators(std::string_view cell) {
    DesignatorList list;
    const std::string text = normalized(cell);
    std::set<std::string> seen;
    auto add = [&](std::string designator) {
        if (seen.insert(designator).second) list.designators.push_back(std::move(designator));
    };
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && is_separator(text[pos])) ++pos;
        std::size_t end = pos;
        while (end < text.size() && !is_separator(text[end])) ++end;
        const std::string_view token = std::string_view(text).substr(pos, end - pos);
        pos = end;
        if (token.empty()) continue;
        const std::size_t dash = token.find('-');
        if (dash == std::string_view::npos || dash == 0 || dash + 1 == token.size()) {
            if (token == "-") continue;
            add(std::string(token));
            continue;
        }
        const Parts first = split(token.substr(0, dash));
        Parts last = split(token.substr(dash + 1));
        // "R5-8": the second end without its letters, and above the first;
        // otherwise a name with a dash ("X1-1", a connector's pin).
        if (last.prefix.empty() && last.number >= 0) {
            if (last.number <= first.number) {
                add(std::string(token));
                continue;
            }
            last.prefix = first.prefix;
        }
        const bool range = first.number >= 0 && last.number >= 0 && first.rest.empty() && last.rest.empty() &&
                           first.prefix == last.prefix && !first.prefix.empty();
        if (!range) {
            // A name that holds a dash ("X1-1") is one designator.
            add(std::string(token));
            continue;
        }
        if (last.number < first.number || last.number - first.number >= kMaxRange) {
            list.error = "«" + std::string(token) + "» — не диапазон обозначений";
            return list;
        }
        for (long long n = first.number; n <= last.number; ++n) add(std::string(first.prefix) + std::to_string(n));
    }
    sort_designators(list.designators);
    return list;
}

std::string designators_text(const std::vector<std::string>& designators) {
    if (designators.empty()) return "—";
    std::string text;
    std::size_t k = 0;
    while (k < designators.size()) {
        const Parts first = split(designators[k]);
        std::size_t run = k + 1;
        // A run of three or more numbers in a row is written as a range.
        while (run < designators.size()) {
            const Parts next = split(designators[run]);
            if (!(first.rest.empty() && next.rest.empty() && next.prefix == first.prefix && first.number >= 0 &&
                  next.number == first.number + static_cast<long long>(run - k)))
                break;
            ++run;
        }
        if (!text.empty()) text += ", ";
        if (run - k >= 3) {
            text += designators[k] + "-" + designators[run - 1];
            k = run;
        } else {
            text += designators[k];
            ++k;
        }
    }
    return text;
}

}  // namespace detalehran::bom
