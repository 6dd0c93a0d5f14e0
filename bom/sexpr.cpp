#include "bom/sexpr.h"

namespace detalehran::bom {

std::string_view SNode::head() const {
    if (!is_list || items.empty() || items.front().is_list) return {};
    return items.front().atom;
}

const SNode* SNode::child(std::string_view wanted) const {
    for (const SNode& item : items) {
        if (item.head() == wanted) return &item;
    }
    return nullptr;
}

std::string_view SNode::value_of(std::string_view wanted) const {
    const SNode* found = child(wanted);
    if (found == nullptr || found->items.size() < 2 || found->items[1].is_list) return {};
    return found->items[1].atom;
}

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string at_line(int line) { return "строка " + std::to_string(line) + ": "; }

}  // namespace

SParse parse_sexpr(std::string_view text) {
    SParse parse;
    // The lists still open, innermost last; built without recursion so that
    // a deep file cannot exhaust the stack.
    std::vector<SNode> open;
    int line = 1;
    bool done = false;
    std::size_t k = 0;
    auto fail = [&](int at, const std::string& why) {
        parse.error = at_line(at) + why;
        parse.root = {};
    };
    auto finish = [&](SNode node) {
        if (open.empty()) {
            parse.root = std::move(node);
            done = true;
        } else {
            open.back().items.push_back(std::move(node));
        }
    };
    while (k < text.size()) {
        const char c = text[k];
        if (c == '\n') ++line;
        if (is_blank(c)) {
            ++k;
            continue;
        }
        if (done) {
            fail(line, c == ')' ? "лишняя закрывающая скобка" : "после конца выражения ещё есть текст");
            return parse;
        }
        if (c == '(') {
            if (static_cast<int>(open.size()) >= kMaxDepth) {
                fail(line, "слишком глубокая вложенность скобок");
                return parse;
            }
            SNode list;
            list.is_list = true;
            list.line = line;
            open.push_back(std::move(list));
            ++k;
        } else if (c == ')') {
            if (open.empty()) {
                fail(line, "лишняя закрывающая скобка");
                return parse;
            }
            SNode list = std::move(open.back());
            open.pop_back();
            finish(std::move(list));
            ++k;
        } else if (c == '"') {
            SNode atom;
            atom.line = line;
            ++k;
            bool closed = false;
            while (k < text.size()) {
                const char s = text[k];
                if (s == '"') {
                    closed = true;
                    ++k;
                    break;
                }
                if (s == '\n') ++line;
                if (s == '\\' && k + 1 < text.size()) {
                    const char e = text[k + 1];
                    atom.atom += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                    if (e == '\n') ++line;
                    k += 2;
                    continue;
                }
                atom.atom += s;
                ++k;
            }
            if (!closed) {
                fail(atom.line, "кавычка не закрыта до конца файла");
                return parse;
            }
            finish(std::move(atom));
        } else {
            SNode atom;
            atom.line = line;
            const std::size_t start = k;
            while (k < text.size() && !is_blank(text[k]) && text[k] != '(' && text[k] != ')' && text[k] != '"') ++k;
            atom.atom.assign(text.substr(start, k - start));
            finish(std::move(atom));
        }
    }
    if (!open.empty()) {
        fail(open.back().line, "скобка не закрыта до конца файла");
        return parse;
    }
    if (!done) parse.error = "файл пуст";
    return parse;
}

}  // namespace detalehran::bom
