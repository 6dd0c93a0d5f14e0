#include "sql_tokens.h"

#include <cctype>

namespace detalehran::odbc {

namespace {

bool is_word_char(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

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

// A literal in single quotes, '' standing for one quote; npos if open.
std::size_t end_of_single_quoted(std::string_view s, std::size_t i) {
    for (std::size_t j = i + 1; j < s.size(); ++j) {
        if (s[j] != '\'') continue;
        if (j + 1 < s.size() && s[j + 1] == '\'') {
            ++j;
            continue;
        }
        return j;
    }
    return std::string_view::npos;
}

}  // namespace

bool tokenize(std::string_view s, std::vector<Token>& out, std::string& error) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '\'') {
            const std::size_t j = end_of_single_quoted(s, i);
            if (j == std::string_view::npos) {
                error = "Syntax error in string in query expression";
                return false;
            }
            out.push_back({Token::literal, std::string(s.substr(i, j + 1 - i)), {}});
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
            out.push_back({Token::literal, single_quoted(body), {}});
            i = j + 1;
        } else if (c == '[' || c == '`') {
            const std::size_t close = s.find(c == '[' ? ']' : '`', i + 1);
            if (close == std::string_view::npos) {
                error = "Invalid bracketing of name";
                return false;
            }
            const std::string_view name = s.substr(i + 1, close - i - 1);
            out.push_back({Token::quoted_ident, double_quoted(name), std::string(name)});
            i = close + 1;
        } else if (std::isspace(c)) {
            std::size_t j = i;
            while (j < s.size() && std::isspace(static_cast<unsigned char>(s[j]))) ++j;
            out.push_back({Token::space, std::string(s.substr(i, j - i)), {}});
            i = j;
        } else if (is_word_char(c)) {
            std::size_t j = i;
            while (j < s.size() && is_word_char(static_cast<unsigned char>(s[j]))) ++j;
            out.push_back({Token::word, std::string(s.substr(i, j - i)), {}});
            i = j;
        } else {
            out.push_back({Token::other, std::string(1, static_cast<char>(c)), {}});
            ++i;
        }
    }
    return true;
}

bool same_word(const Token& t, std::string_view keyword) {
    if (t.kind != Token::word || t.text.size() != keyword.size()) return false;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(t.text[i])) != keyword[i]) return false;
    }
    return true;
}

bool is_char(const Token& t, char c) { return t.kind == Token::other && t.text.size() == 1 && t.text[0] == c; }

std::size_t next_solid(const std::vector<Token>& tokens, std::size_t i) {
    while (i < tokens.size() && tokens[i].kind == Token::space) ++i;
    return i;
}

bool names_something(const Token& t) { return t.kind == Token::quoted_ident || t.kind == Token::word; }

std::string_view name_of(const Token& t) { return t.kind == Token::quoted_ident ? t.name : t.text; }

}  // namespace detalehran::odbc
