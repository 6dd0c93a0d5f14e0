#include "dialect.h"

#include <cctype>
#include <vector>

namespace detalehran::odbc {

namespace {

struct Token {
    enum Kind { word, quoted_ident, literal, space, other } kind;
    std::string text;
};

bool is_word_char(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

bool same_word(const Token& t, std::string_view keyword) {
    if (t.kind != Token::word || t.text.size() != keyword.size()) return false;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(t.text[i])) != keyword[i]) return false;
    }
    return true;
}

std::string single_quoted(std::string_view body) {
    std::string out = "'";
    for (char c : body) {
        if (c == '\'') out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

std::string double_quoted(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

// Splits the text into tokens, rewriting quoting on the way. Returns false
// with a reason for an unterminated literal or identifier.
bool tokenize(std::string_view s, std::vector<Token>& out, std::string& error) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '\'') {
            std::size_t j = i + 1;
            for (;; ++j) {
                if (j >= s.size()) {
                    error = "Syntax error in string in query expression";
                    return false;
                }
                if (s[j] == '\'') {
                    if (j + 1 < s.size() && s[j + 1] == '\'') {
                        ++j;
                        continue;
                    }
                    break;
                }
            }
            out.push_back({Token::literal, std::string(s.substr(i, j + 1 - i))});
            i = j + 1;
        } else if (c == '"') {
            // Jet reads a double-quoted run as a text literal, with "" for ".
            std::string body;
            std::size_t j = i + 1;
            for (;; ++j) {
                if (j >= s.size()) {
                    error = "Syntax error in string in query expression";
                    return false;
                }
                if (s[j] == '"') {
                    if (j + 1 < s.size() && s[j + 1] == '"') {
                        body += '"';
                        ++j;
                        continue;
                    }
                    break;
                }
                body += s[j];
            }
            out.push_back({Token::literal, single_quoted(body)});
            i = j + 1;
        } else if (c == '[') {
            const std::size_t close = s.find(']', i + 1);
            if (close == std::string_view::npos) {
                error = "Invalid bracketing of name";
                return false;
            }
            out.push_back({Token::quoted_ident, double_quoted(s.substr(i + 1, close - i - 1))});
            i = close + 1;
        } else if (c == '`') {
            const std::size_t close = s.find('`', i + 1);
            if (close == std::string_view::npos) {
                error = "Invalid bracketing of name";
                return false;
            }
            out.push_back({Token::quoted_ident, double_quoted(s.substr(i + 1, close - i - 1))});
            i = close + 1;
        } else if (std::isspace(c)) {
            std::size_t j = i;
            while (j < s.size() && std::isspace(static_cast<unsigned char>(s[j]))) ++j;
            out.push_back({Token::space, std::string(s.substr(i, j - i))});
            i = j;
        } else if (is_word_char(c)) {
            std::size_t j = i;
            while (j < s.size() && is_word_char(static_cast<unsigned char>(s[j]))) ++j;
            out.push_back({Token::word, std::string(s.substr(i, j - i))});
            i = j;
        } else {
            out.push_back({Token::other, std::string(1, static_cast<char>(c))});
            ++i;
        }
    }
    return true;
}

std::size_t next_solid(const std::vector<Token>& tokens, std::size_t i) {
    while (i < tokens.size() && tokens[i].kind == Token::space) ++i;
    return i;
}

}  // namespace

Translation translate_statement(std::string_view jet_sql) {
    Translation result;
    std::vector<Token> tokens;
    if (!tokenize(jet_sql, tokens, result.error)) return result;

    const std::size_t first = next_solid(tokens, 0);
    if (first >= tokens.size()) {
        result.error = "Invalid SQL statement; expected 'DELETE', 'INSERT', 'SELECT', or 'UPDATE'";
        return result;
    }
    const Token& head = tokens[first];
    if (same_word(head, "SELECT") || (head.kind == Token::other && head.text == "(")) {
        result.kind = StatementKind::select;
    } else if (same_word(head, "INSERT")) {
        result.kind = StatementKind::insert;
    } else if (same_word(head, "UPDATE")) {
        result.kind = StatementKind::update;
    } else if (same_word(head, "DELETE")) {
        result.kind = StatementKind::delete_rows;
        // "DELETE * FROM t" and "DELETE t.* FROM t" name what Jet deletes:
        // whole rows either way, which is all SQLite knows.
        std::size_t k = next_solid(tokens, first + 1);
        std::size_t from = k;
        while (from < tokens.size() && !same_word(tokens[from], "FROM")) ++from;
        if (from < tokens.size() && from != k) {
            for (std::size_t m = k; m < from; ++m) tokens[m] = {Token::space, ""};
        }
    } else if (same_word(head, "CREATE") || same_word(head, "DROP") || same_word(head, "ALTER")) {
        result.kind = StatementKind::ddl;
    } else {
        // PRAGMA, ATTACH, VACUUM and the like are not part of the dialect;
        // refusing them also keeps a client from switching the text rules off.
        result.error = "Invalid SQL statement; expected 'DELETE', 'INSERT', 'SELECT', or 'UPDATE'";
        return result;
    }
    for (const Token& t : tokens) result.sql += t.text;
    result.ok = true;
    return result;
}

}  // namespace detalehran::odbc
