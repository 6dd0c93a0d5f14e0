#include "values/package_name.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace detalehran::values {

namespace {

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool is_ascii_letter(char16_t c) { return (c | 0x20) >= u'a' && (c | 0x20) <= u'z'; }
bool is_ascii_alnum(char16_t c) { return is_digit(c) || is_ascii_letter(c); }
char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c; }

// Imperial chip sizes, and the metric codes that name them.
constexpr int kImperial[] = {201, 402, 603, 805, 1008, 1206, 1210, 1806, 1812, 2010, 2220, 2512};
struct Metric {
    int code;
    int imperial;
    bool bare;  // also without "Metric" after it
};
// 0603 alone is the imperial size; 3225 and 2520 alone are crystal and
// inductor bodies as often as chips.
constexpr Metric kMetric[] = {{603, 201, false},   {1005, 402, true},  {1608, 603, true},   {2012, 805, true},
                              {2520, 1008, false}, {3216, 1206, true}, {3225, 1210, false}, {4516, 1806, false},
                              {4532, 1812, true},  {5025, 2010, true}, {5750, 2220, false}, {6332, 2512, true}};

// What may follow an outline family's name.
enum FamilyFlag : unsigned {
    kExactCase = 1,     // "TO", "DO", "SO", "SMA": only in capitals, being ordinary words otherwise
    kNoPins = 2,        // the name alone: "SMA", "MELF"
    kSecondNumber = 4,  // "SOT-23-5", "TO-263-5"; a second number 3 is the family's usual count
    kWide = 8,          // "SOIC-20W"
    kLetters = 16,      // "DO-201AD", "SOD-123F", "HC-49S"
};

struct Family {
    std::u16string_view name;
    std::string_view normal;
    unsigned flags;
};

constexpr Family kFamilies[] = {
    {u"SOT", "SOT", kSecondNumber},
    {u"TSOT", "TSOT", kSecondNumber},
    {u"SOD", "SOD", kLetters},
    {u"SOIC", "SOIC", kWide},
    {u"SO", "SOIC", kWide | kExactCase},
    {u"SOP", "SOP", 0},
    {u"SSOP", "SSOP", 0},
    {u"TSSOP", "TSSOP", 0},
    {u"HTSSOP", "HTSSOP", 0},
    {u"MSOP", "MSOP", 0},
    {u"VSSOP", "VSSOP", 0},
    {u"QSOP", "QSOP", 0},
    {u"TSOP", "TSOP", 0},
    {u"DIP", "DIP", 0},
    {u"PDIP", "DIP", 0},
    {u"QFP", "QFP", 0},
    {u"LQFP", "LQFP", 0},
    {u"TQFP", "TQFP", 0},
    {u"PQFP", "PQFP", 0},
    {u"VQFP", "VQFP", 0},
    {u"QFN", "QFN", 0},
    {u"VQFN", "VQFN", 0},
    {u"WQFN", "WQFN", 0},
    {u"UQFN", "UQFN", 0},
    {u"UFQFPN", "UFQFPN", 0},
    {u"DFN", "DFN", 0},
    {u"TDFN", "TDFN", 0},
    {u"LGA", "LGA", 0},
    {u"BGA", "BGA", 0},
    {u"PLCC", "PLCC", 0},
    {u"TO", "TO", kSecondNumber | kExactCase},
    {u"DO", "DO", kLetters | kExactCase},
    {u"HC", "HC", kLetters | kExactCase},
    {u"SMA", "SMA", kNoPins | kExactCase},
    {u"SMB", "SMB", kNoPins | kExactCase},
    {u"SMC", "SMC", kNoPins | kExactCase},
    {u"MELF", "MELF", kNoPins},
    {u"MINIMELF", "SOD-80", kNoPins},
    {u"DPAK", "TO-252", kNoPins | kExactCase},
};

// The JEDEC names of the three moulded diode bodies.
struct Alias {
    std::string_view from;
    std::string_view to;
};
constexpr Alias kAliases[] = {{"DO-214AC", "SMA"}, {"DO-214AA", "SMB"}, {"DO-214AB", "SMC"}, {"D2PAK", "TO-263"}};

bool same_name(std::u16string_view run, std::u16string_view name, bool exact) {
    if (run.size() != name.size()) return false;
    for (std::size_t k = 0; k < run.size(); ++k) {
        if ((exact ? run[k] : upper(run[k])) != name[k]) return false;
    }
    return true;
}

PackageName named(std::string_view text, int begin, int end) {
    for (const Alias& alias : kAliases) {
        if (text == alias.from) text = alias.to;
    }
    PackageName name(text);
    name.begin = begin;
    name.end = end;
    return name;
}

PackageName chip(int imperial, int begin, int end) {
    char text[8];
    std::snprintf(text, sizeof text, "%04d", imperial);
    return named(text, begin, end);
}

// Up to three digits at k; -1 when there are none or more.
int small_number(const char16_t* s, int n, int& k) {
    int value = 0;
    const int first = k;
    while (k < n && is_digit(s[k]) && k - first < 4) value = value * 10 + (s[k++] - u'0');
    if (k == first || k - first > 3) return -1;
    return value;
}

// A four-digit chip code at k ("0805", "2012Metric", the "0805" of "R0805").
bool chip_at(const char16_t* s, int n, int k, int begin, PackageName& out) {
    int code = 0;
    int e = k;
    while (e < n && is_digit(s[e]) && e - k < 5) code = code * 10 + (s[e++] - u'0');
    if (e - k != 4) return false;
    const bool metric = std::u16string_view(s + e, static_cast<std::size_t>(std::min(n - e, 6))) == u"Metric";
    const int end = metric ? e + 6 : e;
    if (end < n &&
        (is_ascii_alnum(s[end]) || ((s[end] == u'.' || s[end] == u',') && end + 1 < n && is_digit(s[end + 1]))))
        return false;
    for (const Metric& m : kMetric) {
        if (m.code == code && (metric || m.bare)) {
            out = chip(m.imperial, begin, end);
            return true;
        }
    }
    if (!metric && std::find(std::begin(kImperial), std::end(kImperial), code) != std::end(kImperial)) {
        out = chip(code, begin, end);
        return true;
    }
    return false;
}

// An outline name whose family's letters are s[k, run_end).
bool outline_at(const char16_t* s, int n, int k, int run_end, PackageName& out) {
    const std::u16string_view run(s + k, static_cast<std::size_t>(run_end - k));
    if (same_name(run, u"D", true) && run_end + 4 <= n && std::u16string_view(s + run_end, 4) == u"2PAK" &&
        (run_end + 4 == n || !is_ascii_alnum(s[run_end + 4]))) {
        out = named("D2PAK", k, run_end + 4);
        return true;
    }
    const Family* family = nullptr;
    for (const Family& f : kFamilies) {
        if (same_name(run, f.name, (f.flags & kExactCase) != 0)) {
            family = &f;
            break;
        }
    }
    if (family == nullptr) return false;
    if ((family->flags & kNoPins) != 0) {
        if (run_end < n && is_ascii_alnum(s[run_end])) return false;
        out = named(family->normal, k, run_end);
        return true;
    }
    int e = run_end < n && s[run_end] == u'-' ? run_end + 1 : run_end;
    const int pins = small_number(s, n, e);
    if (pins <= 0) return false;
    char text[PackageName::kCapacity + 1];
    int length = std::snprintf(text, sizeof text, "%.*s-%d", static_cast<int>(family->normal.size()),
                               family->normal.data(), pins);
    if ((family->flags & kSecondNumber) != 0 && e + 1 < n && s[e] == u'-' && is_digit(s[e + 1])) {
        int f = e + 1;
        const int second = small_number(s, n, f);
        if (second > 0 && (f == n || !is_ascii_alnum(s[f]))) {
            if (second != 3)
                length += std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), "-%d", second);
            e = f;
        }
    }
    int letters = e;
    while (letters < n && s[letters] >= u'A' && s[letters] <= u'Z' && letters - e < 3) ++letters;
    const bool letters_end = letters == n || !is_ascii_alnum(s[letters]);
    if (letters > e && letters_end) {
        const std::u16string_view suffix(s + e, static_cast<std::size_t>(letters - e));
        const bool wide = (family->flags & kWide) != 0 && suffix == u"W";
        const bool named_variant = (family->flags & kLetters) != 0;
        if (wide || named_variant) {
            for (char16_t c : suffix) text[length++] = static_cast<char>(c);
            text[length] = 0;
            e = letters;
        }
    }
    out = named(std::string_view(text, static_cast<std::size_t>(length)), k, e);
    return true;
}

}  // namespace

PackageName::PackageName(std::string_view text) {
    size_ = std::min<std::size_t>(text.size(), kCapacity);
    std::copy_n(text.data(), size_, text_.data());
}

PackageName read_package(QStringView text) {
    const char16_t* s = text.utf16();
    const int n = static_cast<int>(std::min<qsizetype>(text.size(), INT_MAX));
    PackageName found;
    for (int k = 0; k < n; ++k) {
        if (!is_ascii_alnum(s[k]) || (k > 0 && is_ascii_alnum(s[k - 1]))) continue;
        // A joined number ("SMD-3225", "EIA-3528") or a decimal part is no chip.
        const bool joined = k >= 2 && (s[k - 1] == u'-' && is_ascii_alnum(s[k - 2]));
        const bool decimal = k >= 2 && (s[k - 1] == u'.' || s[k - 1] == u',') && is_digit(s[k - 2]);
        if (is_digit(s[k])) {
            if (!joined && !decimal && chip_at(s, n, k, k, found)) return found;
            continue;
        }
        int run_end = k;
        while (run_end < n && is_ascii_letter(s[run_end])) ++run_end;
        // "R0805", "C0603": a chip code behind the part's letter.
        if (run_end == k + 1 && (s[k] == u'R' || s[k] == u'C' || s[k] == u'L') && chip_at(s, n, run_end, k, found))
            return found;
        if (outline_at(s, n, k, run_end, found)) return found;
        k = run_end - 1;
    }
    return {};
}

}  // namespace detalehran::values
