#include "spreadsheet/node_path_resolver.h"

#include <QStringList>

#include "spreadsheet/number_text.h"
#include "trees/node_operations.h"

namespace detalehran::spreadsheet {

namespace {

QString key_of(int level, const QString& name) { return QString::number(level) + u'|' + name.toCaseFolded(); }

std::string utf8(const QString& text) { return text.toStdString(); }

bool same_name(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The names below the root that a cell gives, or why it gives none.
std::optional<std::string> names_of(std::string_view cell, const QString& root, std::vector<QString>& names) {
    const QString text = QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
    const std::string shown = quoted_cell(cell);
    QStringList parts;
    if (text.startsWith(u'|')) {
        if (text.size() < 2 || !text.endsWith(u'|')) return "путь " + shown + " не закрыт знаком «|»";
        parts = text.split(u'|');
        parts.removeFirst();
        parts.removeLast();
        if (parts.isEmpty() || !same_name(parts.front(), root)) {
            return "путь " + shown + " не начинается с «|" + utf8(root) + "|»";
        }
        parts.removeFirst();
    } else {
        parts = text.split(u'/');
        for (QString& part : parts) part = part.trimmed();
        if (!parts.isEmpty() && parts.front().isEmpty()) parts.removeFirst();
        if (!parts.isEmpty() && parts.back().isEmpty()) parts.removeLast();
        if (!parts.isEmpty() && same_name(parts.front(), root)) parts.removeFirst();
    }
    for (const QString& part : parts) {
        if (part.isEmpty()) return "в пути " + shown + " пустое имя раздела";
    }
    names.assign(parts.begin(), parts.end());
    return std::nullopt;
}

}  // namespace

NodePathResolver::NodePathResolver(const NodeList& nodes) {
    const NodeList root_only{{QString::fromUtf8(kRootName), 0}};
    const NodeList& source = nodes.empty() ? root_only : nodes;
    std::vector<int> open;  // the ancestors of the next node
    for (const TreeNode& node : source) {
        while (!open.empty() && nodes_[static_cast<std::size_t>(open.back())].level >= node.level) open.pop_back();
        const int parent = open.empty() ? -1 : open.back();
        const int id = static_cast<int>(nodes_.size());
        nodes_.push_back({node.name, node.level, parent, {}});
        if (parent >= 0) nodes_[static_cast<std::size_t>(parent)].children.push_back(id);
        by_level_name_[key_of(node.level, node.name)].push_back(id);
        open.push_back(id);
    }
}

int NodePathResolver::child_named(int parent, const QString& name) const {
    const Node& p = nodes_[static_cast<std::size_t>(parent)];
    const auto found = by_level_name_.constFind(key_of(p.level + 1, name));
    if (found == by_level_name_.cend()) return -1;
    int loose = -1;
    for (const int id : *found) {
        const Node& node = nodes_[static_cast<std::size_t>(id)];
        if (node.parent != parent) continue;
        if (node.name == name) return id;
        if (loose < 0) loose = id;
    }
    return loose;
}

NodePathResolver::Resolution NodePathResolver::find(std::string_view cell) const {
    Resolution r;
    r.cell.assign(cell);
    const Node& root = nodes_.front();
    std::vector<QString> names;
    if (auto error = names_of(cell, root.name, names)) {
        r.error = std::move(error);
        return r;
    }
    QString path = u'|' + root.name + u'|';
    int current = 0;
    std::size_t k = 0;
    for (; k < names.size(); ++k) {
        const int child = child_named(current, names[k]);
        if (child < 0) break;
        current = child;
        path += nodes_[static_cast<std::size_t>(child)].name + u'|';
    }
    r.parent = current;
    int level = nodes_[static_cast<std::size_t>(current)].level;
    for (; k < names.size(); ++k) {
        const QString& name = names[k];
        const QString refusal = trees::name_refusal(name);
        if (!refusal.isEmpty()) {
            r.error = "путь " + quoted_cell(cell) + ": " + utf8(refusal);
            return r;
        }
        ++level;
        // One name per level of a tree, whatever the parent.
        if (by_level_name_.contains(key_of(level, name))) {
            r.error = "раздел «" + utf8(name) + "» уже есть в другой ветви дерева на том же уровне (путь " +
                      quoted_cell(cell) + ")";
            return r;
        }
        r.new_names.push_back(name);
        path += name + u'|';
    }
    r.path = utf8(path);
    return r;
}

const NodePathResolver::Resolution& NodePathResolver::resolve(std::string_view cell) {
    // Errors and found paths stay as they are while the tree only grows.
    const auto known = known_.find(cell);
    if (known != known_.end()) return known->second;
    Resolution r = find(cell);
    if (r.error || r.new_names.empty()) return known_.emplace(r.cell, std::move(r)).first->second;
    fresh_ = std::move(r);
    return fresh_;
}

void NodePathResolver::create(const Resolution& resolution) {
    if (resolution.error || resolution.new_names.empty()) return;
    int parent = resolution.parent;
    for (const QString& name : resolution.new_names) {
        parent = add_node(parent, name);
        std::string path = "|";
        for (int id = parent; id >= 0; id = nodes_[static_cast<std::size_t>(id)].parent) {
            path.insert(0, "|" + utf8(nodes_[static_cast<std::size_t>(id)].name));
        }
        created_.push_back(path);
    }
    Resolution done = resolution;
    done.new_names.clear();
    done.parent = parent;
    known_.insert_or_assign(done.cell, std::move(done));
}

int NodePathResolver::add_node(int parent, const QString& name) {
    const int id = static_cast<int>(nodes_.size());
    const int level = nodes_[static_cast<std::size_t>(parent)].level + 1;
    nodes_.push_back({name, level, parent, {}});
    nodes_[static_cast<std::size_t>(parent)].children.push_back(id);
    by_level_name_[key_of(level, name)].push_back(id);
    return id;
}

NodeList NodePathResolver::node_list() const {
    NodeList list;
    list.reserve(nodes_.size());
    std::vector<int> pending;  // a stack: the next node to emit on top
    for (int id = static_cast<int>(nodes_.size()) - 1; id >= 0; --id) {
        if (nodes_[static_cast<std::size_t>(id)].parent < 0) pending.push_back(id);
    }
    while (!pending.empty()) {
        const Node& node = nodes_[static_cast<std::size_t>(pending.back())];
        pending.pop_back();
        list.push_back({node.name, node.level});
        for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) pending.push_back(*child);
    }
    return list;
}

}  // namespace detalehran::spreadsheet
