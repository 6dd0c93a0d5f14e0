#include "settings/settings_format.h"

#include <QStringDecoder>
#include <algorithm>
#include <climits>
#include <optional>

namespace detalehran::settings {

namespace {

// Windows-1251 bytes 0x80 to 0xBF; 0xC0 to 0xFF are А to я in order. 0x98 is
// unassigned and reads as the replacement character.
constexpr char16_t kUpper1251[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

// A line break inside a value would split it into two lines of the file.
QString one_line(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

class Writer {
public:
    void line(const QString& text) {
        out_ += one_line(text).toUtf8();
        out_ += "\r\n";
    }
    void setting(const char* key, const QString& value) { line(QString::fromLatin1(key) + value); }
    void setting(const char* key, int value) { setting(key, QString::number(value)); }
    void rect(const Rect& r) {
        setting("x=", r.x);
        setting("y=", r.y);
        setting("width=", r.width);
        setting("height=", r.height);
    }
    void tree(const char* header, const NodeList& nodes) {
        line(QString::fromLatin1(header));
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            line(QString::number(i) + '|' + nodes[i].name + '|' + QString::number(nodes[i].level) + '|');
        }
    }
    void row(const char* header, const std::array<int, kListColumns>& values) {
        line(QString::fromLatin1(header));
        QString text;
        for (int value : values) text += QString::number(value) + ';';
        line(text);
    }
    QByteArray take() { return std::move(out_); }

private:
    QByteArray out_;
};

bool is_header_line(const QString& line) { return line.startsWith(QLatin1Char('[')); }

// The lines under a header up to the next header or the end, or nothing when
// no line equals the header.
std::optional<QStringList> section_lines(const QStringList& lines, const QString& header) {
    const qsizetype start = lines.indexOf(header);
    if (start < 0) return std::nullopt;
    QStringList section;
    for (qsizetype i = start + 1; i < lines.size() && !is_header_line(lines[i]); ++i) section.append(lines[i]);
    return section;
}

// Applies the section's lines by position; positions past its end are left.
template <typename... Targets>
void take_numbers(const QStringList& section, qsizetype first, Targets&... targets) {
    qsizetype i = first;
    auto take = [&section, &i](int& target) {
        if (i < section.size()) target = setting_number(setting_value(section[i]));
        ++i;
    };
    (take(targets), ...);
}

void take_rect(const QStringList& section, qsizetype first, Rect& r) {
    take_numbers(section, first, r.x, r.y, r.width, r.height);
}

void take_row(const QStringList& section, std::array<int, kListColumns>& row) {
    if (section.isEmpty()) return;
    const QStringList values = section.first().split(QLatin1Char(';'));
    for (int p = 0; p < kListColumns; ++p)
        row[static_cast<std::size_t>(p)] = p < values.size() ? setting_number(values[p]) : 0;
}

void add_node_line(const QString& line, NodeList& nodes) {
    const QStringList fields = line.split(QLatin1Char('|'));
    // Fewer than three "|" is no node line (a blank line, a stray word).
    if (fields.size() < 4) return;
    const int index = setting_number(fields[0]);
    TreeNode node{fields[1], setting_number(fields[2])};
    if (index < 0 || static_cast<std::size_t>(index) >= nodes.size()) {
        nodes.push_back(std::move(node));
    } else {
        nodes.insert(nodes.begin() + index, std::move(node));
    }
}

void read_tree(const QStringList& lines, const char* header, NodeList& nodes) {
    if (const auto section = section_lines(lines, QString::fromLatin1(header))) {
        for (const QString& line : *section) add_node_line(line, nodes);
    }
}

}  // namespace

bool SettingsRecord::operator==(const SettingsRecord& o) const {
    return path_nodes == o.path_nodes && location_nodes == o.location_nodes && font_face == o.font_face &&
           font_points == o.font_points && font_style == o.font_style && window_state == o.window_state &&
           window == o.window && tree_splitter == o.tree_splitter &&
           tree_splitter_position == o.tree_splitter_position && main_splitter == o.main_splitter &&
           main_splitter_position == o.main_splitter_position && list == o.list && column_widths == o.column_widths &&
           columns.order == o.columns.order && columns.shown == o.columns.shown && highlight_on == o.highlight_on &&
           value_order == o.value_order && minimum == o.minimum && colour == o.colour;
}

QByteArray settings_text(const SettingsRecord& r, Scope scope) {
    Writer w;
    const bool whole = scope == Scope::whole;
    if (whole) {
        w.tree(kTreeItems, r.path_nodes);
        w.tree(kTreeLocation, r.location_nodes);
    }
    w.line(kListIconFont);
    w.setting("FontName=", r.font_face);
    w.setting("FontSize=", r.font_points);
    w.setting("FontStyle=", r.font_style);
    w.line(kMainWindowRect);
    w.setting("WindowState=", r.window_state);
    w.rect(r.window);
    w.line(kSplitterHorizontal);
    w.rect(r.tree_splitter);
    w.setting("state=", r.tree_splitter_position);
    w.line(kSplitterVertical);
    w.rect(r.main_splitter);
    w.setting("state=", r.main_splitter_position);
    w.line(kListIcon);
    w.rect(r.list);
    for (int n = 0; n < kStoredWidths; ++n) {
        w.line(QStringLiteral("column%1_width=%2").arg(n).arg(r.column_widths[static_cast<std::size_t>(n)]));
    }
    w.row(kColumnsQuerry, r.columns.order);
    w.row(kColumnsHidden, r.columns.shown);
    if (!whole) return w.take();
    w.line(kCheckBoxStates);
    w.setting("CheckBox_Highlight=", r.highlight_on);
    // Only when on: a file with the list's usual order stays as older
    // programs wrote it.
    if (r.value_order != 0) w.setting("CheckBox_ValueOrder=", r.value_order);
    w.line(kStringMin);
    w.setting("Quanity=", r.minimum);
    w.line(kHighLight);
    w.setting("Color=", r.colour);
    return w.take();
}

QString decode_windows_1251(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            text += QChar(b);
        } else if (b < 0xC0) {
            text += QChar(kUpper1251[b - 0x80]);
        } else {
            text += QChar(static_cast<char16_t>(0x0410 + (b - 0xC0)));
        }
    }
    return text;
}

namespace {

// One line's bytes: UTF-8 when they are valid UTF-8, otherwise Windows-1251.
// Deciding per line keeps one stray line of an older installation from
// garbling every other name of the file.
QString decode_line(QByteArrayView bytes) {
    // Stateless: a sequence cut off at the line's end is an error too.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = decode_windows_1251(bytes.toByteArray());
    return text;
}

}  // namespace

QStringList settings_lines(const QByteArray& bytes) {
    // CR and LF are single bytes in both encodings, so the bytes are split
    // into lines before anything is decoded.
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') continue;
        lines.append(decode_line(QByteArrayView(bytes).sliced(start, i - start)));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines.append(decode_line(QByteArrayView(bytes).sliced(start)));
    return lines;
}

QString setting_value(const QString& line) {
    const qsizetype first = line.indexOf(QLatin1Char('='));
    if (first < 0) return {};
    const qsizetype next = line.indexOf(QLatin1Char('='), first + 1);
    return next < 0 ? line.mid(first + 1) : line.mid(first + 1, next - first - 1);
}

int setting_number(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = std::min(value * 10 + (text[i].unicode() - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp(value, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)));
}

void read_trees(const QStringList& lines, NodeList& path_nodes, NodeList& location_nodes) {
    read_tree(lines, kTreeItems, path_nodes);
    read_tree(lines, kTreeLocation, location_nodes);
}

bool read_section(const QStringList& lines, const QString& header, SettingsRecord& r) {
    const auto found = section_lines(lines, header);
    if (!found) return false;
    const QStringList& s = *found;
    if (header == QLatin1String(kTreeItems)) {
        for (const QString& line : s) add_node_line(line, r.path_nodes);
    } else if (header == QLatin1String(kTreeLocation)) {
        for (const QString& line : s) add_node_line(line, r.location_nodes);
    } else if (header == QLatin1String(kListIconFont)) {
        if (!s.isEmpty()) r.font_face = setting_value(s[0]);
        take_numbers(s, 1, r.font_points, r.font_style);
    } else if (header == QLatin1String(kMainWindowRect)) {
        take_numbers(s, 0, r.window_state);
        take_rect(s, 1, r.window);
    } else if (header == QLatin1String(kSplitterHorizontal)) {
        take_rect(s, 0, r.tree_splitter);
        take_numbers(s, 4, r.tree_splitter_position);
    } else if (header == QLatin1String(kSplitterVertical)) {
        take_rect(s, 0, r.main_splitter);
        take_numbers(s, 4, r.main_splitter_position);
    } else if (header == QLatin1String(kListIcon)) {
        take_rect(s, 0, r.list);
        auto& w = r.column_widths;
        take_numbers(s, 4, w[0], w[1], w[2], w[3], w[4], w[5], w[6]);
    } else if (header == QLatin1String(kColumnsQuerry)) {
        take_row(s, r.columns.order);
    } else if (header == QLatin1String(kColumnsHidden)) {
        take_row(s, r.columns.shown);
    } else if (header == QLatin1String(kCheckBoxStates)) {
        take_numbers(s, 0, r.highlight_on, r.value_order);
    } else if (header == QLatin1String(kStringMin)) {
        if (!s.isEmpty()) r.minimum = setting_value(s[0]);
    } else if (header == QLatin1String(kHighLight)) {
        take_numbers(s, 0, r.colour);
    } else {
        return false;
    }
    return true;
}

SettingsRecord read_settings(const QStringList& lines) {
    SettingsRecord record;
    for (const char* header :
         {kTreeItems, kTreeLocation, kListIconFont, kMainWindowRect, kSplitterHorizontal, kSplitterVertical, kListIcon,
          kColumnsQuerry, kColumnsHidden, kCheckBoxStates, kStringMin, kHighLight}) {
        read_section(lines, QString::fromLatin1(header), record);
    }
    return record;
}

bool mend_tree(NodeList& nodes) {
    bool changed = false;
    if (nodes.empty() || nodes.front().level != 0) {
        nodes.insert(nodes.begin(), TreeNode{QString::fromUtf8(kRootName), 0});
        changed = true;
    }
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        const int level = std::clamp(nodes[i].level, 1, nodes[i - 1].level + 1);
        if (level != nodes[i].level) {
            nodes[i].level = level;
            changed = true;
        }
    }
    return changed;
}

bool is_column_permutation(const std::array<int, kListColumns>& order) {
    std::array<bool, kListColumns> seen{};
    for (int column : order) {
        if (column < 0 || column >= kListColumns || seen[static_cast<std::size_t>(column)]) return false;
        seen[static_cast<std::size_t>(column)] = true;
    }
    return true;
}

}  // namespace detalehran::settings
