#include "dialect.h"

#include <cctype>
#include <optional>
#include <vector>

#include "access_expressions.h"
#include "like_ranges.h"
#include "sql_tokens.h"

namespace detalehran::odbc {

namespace {

constexpr const char* kNoStatement = "Invalid SQL statement; expected 'DELETE', 'INSERT', 'SELECT', or 'UPDATE'";

// The column SELECT @@IDENTITY answers with, named as Jet names it.
constexpr const char* kIdentitySql = "SELECT last_insert_rowid() AS \"Expr1000\"";

// "SELECT @@IDENTITY" from the token at first on, "@@" written together.
// Returns the index of the token after IDENTITY, or 0 if it is not that.
std::size_t after_identity(const std::vector<Token>& tokens, std::size_t first) {
    const std::size_t at = next_solid(tokens, first + 1);
    if (at + 2 >= tokens.size() || !is_char(tokens[at], '@') || !is_char(tokens[at + 1], '@') ||
        !same_word(tokens[at + 2], "IDENTITY")) {
        return 0;
    }
    return at + 3;
}

// The table of "INSERT INTO <table>", unquoted; empty if not found.
std::string insert_target(const std::vector<Token>& tokens, std::size_t first) {
    std::size_t k = next_solid(tokens, first + 1);
    if (k < tokens.size() && same_word(tokens[k], "INTO")) k = next_solid(tokens, k + 1);
    if (k >= tokens.size() || !names_something(tokens[k])) return {};
    // A schema name before a dot names no table of its own.
    const std::size_t dot = next_solid(tokens, k + 1);
    if (dot < tokens.size() && is_char(tokens[dot], '.')) {
        const std::size_t table = next_solid(tokens, dot + 1);
        if (table < tokens.size() && names_something(tokens[table])) return std::string(name_of(tokens[table]));
    }
    return std::string(name_of(tokens[k]));
}

// Jet's BEGIN TRANSACTION, COMMIT [TRANSACTION] and ROLLBACK [TRANSACTION],
// nothing after them but blanks and semicolons.
Command transaction_command(const std::vector<Token>& tokens, std::size_t first) {
    const Token& head = tokens[first];
    const Command command = same_word(head, "BEGIN")      ? Command::begin
                            : same_word(head, "COMMIT")   ? Command::commit
                            : same_word(head, "ROLLBACK") ? Command::rollback
                                                          : Command::none;
    if (command == Command::none) return command;
    std::size_t k = next_solid(tokens, first + 1);
    const bool named = k < tokens.size() && (same_word(tokens[k], "TRANSACTION") || same_word(tokens[k], "WORK"));
    if (command == Command::begin && !named) return Command::none;
    if (named) k = next_solid(tokens, k + 1);
    while (k < tokens.size() && is_char(tokens[k], ';')) k = next_solid(tokens, k + 1);
    return k == tokens.size() ? command : Command::none;
}

void blank_out(std::vector<Token>& tokens, std::size_t from, std::size_t to) {
    for (std::size_t m = from; m < to; ++m) tokens[m] = {Token::space, "", {}};
}

}  // namespace

Translation translate_statement(std::string_view jet_sql, bool like_ranges) {
    Translation result;
    std::vector<Token> tokens;
    if (!tokenize(jet_sql, tokens, result.error)) return result;

    const std::size_t first = next_solid(tokens, 0);
    if (first >= tokens.size()) {
        result.error = kNoStatement;
        return result;
    }
    const Token& head = tokens[first];
    if (same_word(head, "SELECT") || is_char(head, '(')) {
        result.kind = StatementKind::select;
        if (const std::size_t end = after_identity(tokens, first); end != 0) {
            // Whatever follows is kept, so that the usual check for a second
            // statement sees it.
            result.command = Command::identity;
            blank_out(tokens, 0, end);
            tokens[0].text = kIdentitySql;
        }
    } else if (same_word(head, "INSERT")) {
        result.kind = StatementKind::insert;
        result.target = insert_target(tokens, first);
    } else if (same_word(head, "UPDATE")) {
        result.kind = StatementKind::update;
    } else if (same_word(head, "DELETE")) {
        result.kind = StatementKind::delete_rows;
        // "DELETE * FROM t" and "DELETE t.* FROM t" name what Jet deletes:
        // whole rows either way, which is all SQLite knows.
        const std::size_t k = next_solid(tokens, first + 1);
        std::size_t from = k;
        while (from < tokens.size() && !same_word(tokens[from], "FROM")) ++from;
        if (from < tokens.size() && from != k) blank_out(tokens, k, from);
    } else if (same_word(head, "CREATE") || same_word(head, "DROP") || same_word(head, "ALTER")) {
        result.kind = StatementKind::ddl;
    } else if (const Command command = transaction_command(tokens, first); command != Command::none) {
        static constexpr const char* kSql[] = {"", "", "BEGIN", "COMMIT", "ROLLBACK"};
        result.command = command;
        result.sql = kSql[static_cast<int>(command)];
        result.ok = true;
        return result;
    } else {
        // PRAGMA, ATTACH, VACUUM and the like are not part of the dialect;
        // refusing them also keeps a client from switching the text rules off.
        result.error = kNoStatement;
        return result;
    }
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        if (!is_char(tokens[k], '?')) continue;
        // SQLite would read ?1 as a numbered parameter of its own.
        if (k + 1 < tokens.size() && tokens[k + 1].kind == Token::word &&
            std::isdigit(static_cast<unsigned char>(tokens[k + 1].text[0]))) {
            result.error = "Syntax error: a number right after the parameter marker '?'";
            return result;
        }
        ++result.markers;
    }
    if (result.kind != StatementKind::ddl && result.command == Command::none && needs_access_rewrite(tokens)) {
        ExpressionRewrite rewrite = rewrite_access_expressions(tokens, like_ranges);
        if (!rewrite.ok) {
            result.error = rewrite.error;
            return result;
        }
        result.sql = rewrite.sql;
        result.numbered_markers = rewrite.numbered_markers;
        result.like_columns = std::move(rewrite.like_columns);
    } else if (std::optional<RangedText> ranged =
                   result.kind != StatementKind::ddl && result.command == Command::none && like_ranges
                       ? with_like_ranges(tokens)
                       : std::nullopt) {
        result.sql = std::move(ranged->sql);
        result.numbered_markers = ranged->numbered_markers;
        result.like_columns = std::move(ranged->columns);
    } else {
        for (const Token& t : tokens) result.sql += t.text;
    }
    result.tokens = std::move(tokens);
    result.ok = true;
    return result;
}

}  // namespace detalehran::odbc
