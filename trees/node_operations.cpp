#include "trees/node_operations.h"

#include <algorithm>

namespace detalehran::trees {

namespace {

bool valid(const NodeList& nodes, int index) { return index >= 0 && index < static_cast<int>(nodes.size()); }

const TreeNode& at(const NodeList& nodes, int index) { return nodes[static_cast<std::size_t>(index)]; }

bool same_name(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Child of `parent` with this name: the exact spelling first, then one that
// differs only in letter case; -1 when there is none.
int child_named(const NodeList& nodes, int parent, const QString& name) {
    const int end = subtree_end(nodes, parent);
    const int level = at(nodes, parent).level + 1;
    int loose = -1;
    for (int i = parent + 1; i < end; ++i) {
        const TreeNode& node = at(nodes, i);
        if (node.level != level) continue;
        if (node.name == name) return i;
        if (loose < 0 && same_name(node.name, name)) loose = i;
    }
    return loose;
}

}  // namespace

int parent_of(const NodeList& nodes, int index) {
    if (!valid(nodes, index)) return -1;
    const int level = at(nodes, index).level;
    for (int j = index - 1; j >= 0; --j) {
        if (at(nodes, j).level < level) return j;
    }
    return -1;
}

int subtree_end(const NodeList& nodes, int index) {
    if (!valid(nodes, index)) return index;
    const int level = at(nodes, index).level;
    int end = index + 1;
    while (end < static_cast<int>(nodes.size()) && at(nodes, end).level > level) ++end;
    return end;
}

void insert_node(NodeList& nodes, int index, TreeNode node) {
    index = std::clamp(index, 0, static_cast<int>(nodes.size()));
    node.level = index == 0 ? 0 : std::clamp(node.level, 1, at(nodes, index - 1).level + 1);
    nodes.insert(nodes.begin() + index, std::move(node));
}

int remove_node(NodeList& nodes, int index) {
    if (index <= 0 || !valid(nodes, index)) return 0;
    const int end = subtree_end(nodes, index);
    nodes.erase(nodes.begin() + index, nodes.begin() + end);
    return end - index;
}

QString build_node_path(const NodeList& nodes, int index) {
    if (!valid(nodes, index)) return QStringLiteral("||");
    QString path = "|" + at(nodes, index).name;
    int level = at(nodes, index).level;
    for (int j = index - 1; j >= 0 && level > 0; --j) {
        if (at(nodes, j).level < level) {
            path.prepend("|" + at(nodes, j).name);
            level = at(nodes, j).level;
        }
    }
    return path + "|";
}

bool name_taken_at_level(const NodeList& nodes, const QString& name, int level, int except) {
    for (int i = 0; i < static_cast<int>(nodes.size()); ++i) {
        if (i != except && at(nodes, i).level == level && same_name(at(nodes, i).name, name)) return true;
    }
    return false;
}

bool node_exists_at_level(const NodeList& nodes, const QString& name, int level) {
    return name_taken_at_level(nodes, name, level, -1);
}

QString automatic_name(const NodeList& nodes, int level, int except) {
    const QString base = QString::fromUtf8(kAutomaticName);
    if (!name_taken_at_level(nodes, base, level, except)) return base;
    for (int n = 1;; ++n) {
        const QString name = base + " #" + QString::number(n);
        if (!name_taken_at_level(nodes, name, level, except)) return name;
    }
}

QString name_refusal(const QString& name) {
    if (name.contains('|')) return QString::fromUtf8("Имя раздела не может содержать символ \"|\"!");
    const bool control = std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x20; });
    if (control) return QString::fromUtf8("Имя раздела не может содержать переводы строк и табуляцию!");
    // A node of that name could never be renamed or deleted again.
    if (name == QString::fromUtf8(kRootName)) return QString::fromUtf8("Имя \"Все\" носит только корневой раздел!");
    return {};
}

QStringList path_components(const QString& path) {
    QStringList fields = path.split('|');
    // Only names closed by a separator count; the text before the first one
    // is no name either.
    if (fields.size() < 3) return {};
    fields.removeFirst();
    fields.removeLast();
    return fields;
}

QString replace_path_component(const QString& path, int level, const QString& name) {
    QStringList fields = path.split('|');
    const int field = level + 1;
    if (level < 0 || field >= fields.size() - 1) return path;
    fields[field] = name;
    return fields.join('|');
}

int find_path_node(const NodeList& nodes, const QString& path, std::vector<int>* passed) {
    if (passed != nullptr) passed->clear();
    if (nodes.empty()) return -1;
    int current = 0;
    if (passed != nullptr) passed->push_back(current);
    const QStringList names = path_components(path);
    if (names.isEmpty() || !same_name(names.first(), at(nodes, 0).name)) return current;
    for (int k = 1; k < names.size(); ++k) {
        const int child = child_named(nodes, current, names[k]);
        if (child < 0) break;
        current = child;
        if (passed != nullptr) passed->push_back(current);
    }
    return current;
}

void build_tree_from_values(NodeList& nodes, QStringList values) {
    if (nodes.empty()) nodes.push_back({QString::fromUtf8(kRootName), 0});
    // Ancestors' paths sort before their descendants', and paths that agree
    // but for letter case stay together.
    std::stable_sort(values.begin(), values.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    for (const QString& value : values) {
        const QStringList names = path_components(value);
        if (names.isEmpty() || !same_name(names.first(), at(nodes, 0).name)) continue;
        int current = 0;
        for (int k = 1; k < names.size(); ++k) {
            const QString& name = names[k];
            if (name.isEmpty()) break;
            const int child = child_named(nodes, current, name);
            if (child >= 0) {
                current = child;
                continue;
            }
            // The name rule holds one name per level in the whole tree.
            if (node_exists_at_level(nodes, name, k)) break;
            const int at_end = subtree_end(nodes, current);
            insert_node(nodes, at_end, {name, k});
            current = at_end;
        }
    }
}

}  // namespace detalehran::trees
