#pragma once
// S-expressions as KiCad writes its files: lists in brackets, bare words,
// numbers and double-quoted strings with backslash escapes.

#include <string>
#include <string_view>
#include <vector>

namespace detalehran::bom {

struct SNode {
    bool is_list = false;
    std::string atom;  // a word or a string's text, unquoted
    std::vector<SNode> items;
    int line = 0;

    // The list's first word ("symbol" of "(symbol …)"); empty for an atom.
    std::string_view head() const;
    // The first child list with this head, or nullptr.
    const SNode* child(std::string_view head) const;
    // The atom after the head of the first child with this head ("(unit 2)"
    // gives "2"); empty when there is none.
    std::string_view value_of(std::string_view head) const;
};

struct SParse {
    SNode root;         // the file's first expression
    std::string error;  // Russian, with the line
};

// Reads the first expression of the text; anything but blanks after it, an
// unclosed list or string, or nesting beyond kMaxDepth is an error.
inline constexpr int kMaxDepth = 200;
SParse parse_sexpr(std::string_view text);

}  // namespace detalehran::bom
