#pragma once
// Hostile and odd texts put through the program's own windows, a trace of
// the statements each command handed the driver, and a whole-database
// snapshot to show that nothing else changed.

#include <QString>
#include <ostream>
#include <string>
#include <vector>

#include "editor/editor_fixture.h"
#include "support/statement_trace.h"

namespace detalehran::testing {

struct HostileText {
    const char* label;
    QString text;
};

// 10,000 characters of quotes, pattern characters, Cyrillic and Greek
// letters; longer than any buffer piece the connection reads with.
inline QString long_text() {
    const QString cycle = QString::fromUtf8("Жё'\"%_[]; -Ωµ");
    QString text;
    while (text.size() < 10000) text += cycle;
    text.truncate(10000);
    return text;
}

inline const std::vector<HostileText>& hostile_texts() {
    static const std::vector<HostileText> texts = {
        {"apostrophes", QString::fromUtf8("O'Hara's 'x'")},
        {"double quotes", QString::fromUtf8("\"quoted\" 5\" \"\"")},
        {"percent", QString::fromUtf8("100%")},
        {"underscore", QString::fromUtf8("A_B")},
        {"brackets", QString::fromUtf8("[x] a]b [!a-z] [[]")},
        {"pipe", QString::fromUtf8("a|b")},
        {"semicolon", QString::fromUtf8("a;b;")},
        {"comment", QString::fromUtf8("a -- b /* c */")},
        {"delete fragment", QString::fromUtf8("'); DELETE * FROM [Store]; --")},
        {"or fragment", QString::fromUtf8("x' OR '1'='1")},
        {"backslashes", QString::fromUtf8("C:\\temp\\ \\' \\\"")},
        {"10000 characters", long_text()},
        {"empty", QString()},
        {"padded", QString::fromUtf8("  padded  ")},
        {"arabic", QString::fromUtf8("مرحبا بالعالم")},
        {"hebrew", QString::fromUtf8("שלום עולם")},
        {"combining", QString::fromUtf8("е\u0301")},
        {"emoji", QString::fromUtf8("🔌 😀")},
        {"omega micro", QString::fromUtf8("Ω µ")},
        {"tab", QString::fromUtf8("a\tb")},
        {"newline", QString::fromUtf8("a\nb")},
    };
    return texts;
}

// A statement split into its text outside quotes, where every single-quoted
// literal stands as "?" as every marker does, and the values of those
// literals and markers in the order they stand.
struct StatementShape {
    std::string skeleton;
    std::vector<std::string> literals;
    bool operator==(const StatementShape&) const = default;
};

inline void PrintTo(const StatementShape& shape, std::ostream* out) {
    *out << '{' << shape.skeleton;
    for (const std::string& literal : shape.literals) {
        *out << " | '" << (literal.size() > 80 ? literal.substr(0, 80) + "...(" + std::to_string(literal.size()) + " bytes)" : literal) << '\'';
    }
    *out << '}';
}

inline StatementShape shape_of(const TracedStatement& traced) {
    const std::string& sql = traced.text;
    StatementShape shape;
    std::size_t i = 0;
    std::size_t bound = 0;
    while (i < sql.size()) {
        if (sql[i] == '?' && bound < traced.values.size()) {
            shape.skeleton += sql[i++];
            shape.literals.push_back(traced.values[bound++]);
            continue;
        }
        if (sql[i] != '\'') {
            shape.skeleton += sql[i++];
            continue;
        }
        std::string value;
        ++i;
        for (;;) {
            if (i >= sql.size()) {
                shape.skeleton += "<unterminated literal>";
                return shape;
            }
            if (sql[i] == '\'') {
                if (i + 1 < sql.size() && sql[i + 1] == '\'') {
                    value += '\'';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            value += sql[i++];
        }
        shape.skeleton += '?';
        shape.literals.push_back(std::move(value));
    }
    return shape;
}

inline std::vector<std::string> skeletons(const std::vector<TracedStatement>& statements) {
    std::vector<std::string> out;
    for (const TracedStatement& s : statements) out.push_back(shape_of(s).skeleton);
    return out;
}

// Everything the file holds: its tables and indexes, and every row.
struct DatabaseSnapshot {
    Rows schema, store, temp, package;
    bool operator==(const DatabaseSnapshot&) const = default;
};

class InputProgram : public EditorProgram {
protected:
    // Every statement handed to the driver from now on.
    void trace_statements() {
        trace_into(app_.database, statements_);
    }
    std::vector<TracedStatement> take_statements() {
        std::vector<TracedStatement> out = std::move(statements_);
        statements_.clear();
        return out;
    }
    DatabaseSnapshot snapshot() const {
        return {rows("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name"),
                rows("SELECT * FROM Store ORDER BY ID"), rows("SELECT * FROM Temp ORDER BY ID"),
                rows("SELECT * FROM Package ORDER BY 1")};
    }
    // Text into a line edit as a user puts it there: typed when plain ASCII
    // without control characters, otherwise as one insertion (a paste).
    static void put_text(QLineEdit* line, const QString& text) {
        line->selectAll();
        bool typeable = true;
        for (QChar c : text) typeable = typeable && c.unicode() >= 0x20 && c.unicode() < 0x7F;
        if (typeable && !text.isEmpty()) {
            QTest::keyClicks(line, text);
        } else if (text.isEmpty()) {
            line->del();
        } else {
            line->insert(text);
        }
    }

    std::vector<TracedStatement> statements_;
};

}  // namespace detalehran::testing
