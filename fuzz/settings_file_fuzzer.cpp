// Any bytes as a Store.ini file, read the way the program reads one: bytes
// to lines (each UTF-8, or Windows-1251 when its bytes are not UTF-8), lines to
// the record and the two trees, the trees mended. The trees keep a root and
// a parent for every node; what is read, written and read again is the same
// record, byte for byte the same file from then on.

#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "settings/settings_format.h"

namespace {

using namespace detalehran;
using namespace detalehran::settings;
using detalehran::fuzz::shown;

std::string utf8(const QString& text) { return text.toStdString(); }

std::string describe(const NodeList& nodes) {
    std::string out;
    for (const TreeNode& n : nodes) out += std::to_string(n.level) + ":" + shown(utf8(n.name)) + " ";
    return out;
}

void check_lines(const QStringList& lines) {
    for (const QString& line : lines) {
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')),
                   "line with a line break: " + shown(utf8(line)));
    }
}

// A root on level 0 first; every other node on level 1 or deeper, at most
// one level below the node before it.
void check_tree_shape(const NodeList& nodes) {
    FUZZ_CHECK(!nodes.empty() && nodes.front().level == 0, "no root: " + describe(nodes));
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        FUZZ_CHECK(nodes[i].level >= 1 && nodes[i].level <= nodes[i - 1].level + 1,
                   "node " + std::to_string(i) + " without a parent: " + describe(nodes));
    }
}

NodeList mended(const NodeList& read) {
    NodeList nodes = read;
    const bool had_root = !read.empty() && read.front().level == 0;
    const bool changed = mend_tree(nodes);
    check_tree_shape(nodes);
    // Mending adds at most the root and moves levels; names and their order
    // stay.
    FUZZ_CHECK(nodes.size() == read.size() + (had_root ? 0 : 1), "nodes lost or added: " + describe(nodes));
    if (!had_root) FUZZ_CHECK(nodes.front().name == QString::fromUtf8(kRootName), "root named " + describe(nodes));
    for (std::size_t i = 0; i < read.size(); ++i) {
        FUZZ_CHECK(nodes[i + (had_root ? 0 : 1)].name == read[i].name, "names moved: " + describe(nodes));
    }
    FUZZ_CHECK(changed == (nodes != read), "mend_tree reports a change wrongly: " + describe(read));
    NodeList again = nodes;
    FUZZ_CHECK(!mend_tree(again) && again == nodes, "a mended tree mends again: " + describe(nodes));
    return nodes;
}

// The file is written in one known form: UTF-8, every line ended by CR LF.
void check_written(const QByteArray& text) {
    FUZZ_CHECK(QString::fromUtf8(text).toUtf8() == text, "written file is not UTF-8: " + shown(text.toStdString()));
    FUZZ_CHECK(text.endsWith("\r\n"), std::string("written file does not end with CR LF"));
    FUZZ_CHECK(text.count("\r\n") == text.count('\n') && text.count("\r\n") == text.count('\r'),
               "stray line break in " + shown(text.toStdString()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = settings_lines(bytes);
    check_lines(lines);

    // Start-up reads the trees and each section on its own; read_settings is
    // all of them at once.
    NodeList path_nodes, location_nodes;
    read_trees(lines, path_nodes, location_nodes);
    const SettingsRecord record = read_settings(lines);
    FUZZ_CHECK(record.path_nodes == path_nodes && record.location_nodes == location_nodes,
               std::string("read_trees and read_settings disagree"));
    for (const char* header : {kListIcon, kSplitterVertical, kSplitterHorizontal, kColumnsQuerry, kColumnsHidden,
                               kCheckBoxStates, kStringMin, kHighLight}) {
        SettingsRecord one;
        const bool found = read_section(lines, QString::fromLatin1(header), one);
        FUZZ_CHECK(found == lines.contains(QString::fromLatin1(header)), std::string("header found wrongly: ") + header);
        (void)is_column_permutation(one.columns.order);
    }

    // Written and read again: the same record, and from then on the same file.
    const QByteArray text = settings_text(record);
    check_written(text);
    const SettingsRecord back = read_settings(settings_lines(text));
    FUZZ_CHECK(back == record, "record changed by writing and reading: " + shown(text.toStdString()));
    FUZZ_CHECK(settings_text(back) == text, std::string("second writing differs"));

    // What the program keeps and saves: the mended trees.
    SettingsRecord kept = record;
    kept.path_nodes = mended(path_nodes);
    kept.location_nodes = mended(location_nodes);
    const QByteArray saved = settings_text(kept);
    check_written(saved);
    NodeList saved_paths, saved_places;
    read_trees(settings_lines(saved), saved_paths, saved_places);
    FUZZ_CHECK(saved_paths == kept.path_nodes && saved_places == kept.location_nodes,
               "saved trees read back differently: " + describe(saved_paths) + "| " + describe(kept.path_nodes));
    FUZZ_CHECK(read_settings(settings_lines(saved)) == kept, std::string("saved record reads back differently"));
    return 0;
}
