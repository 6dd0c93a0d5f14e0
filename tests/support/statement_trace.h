#pragma once
// What the program handed the database: each statement's text and the
// values bound to its markers, recorded by the connection's observer; and
// literals for the tests' own SQL, which set up and read stores directly.

#include <string>
#include <vector>

#include "db/database.h"

namespace detalehran::testing {

struct TracedStatement {
    std::string text;
    std::vector<std::string> values;  // bound to the "?" markers, in order
    bool operator==(const TracedStatement&) const = default;
};

// The statement that gives a command's operation of the history its
// caption, not the command's own.
inline bool frames_operation(const std::string& text) {
    for (const char* frame : {"SELECT history_caption(", "SELECT set_config('detalehran.caption'"}) {
        if (text.starts_with(frame)) return true;
    }
    return false;
}

// Records every statement of the program's commands the connection sends
// from now on into `trace`.
inline void trace_into(db::Database& database, std::vector<TracedStatement>& trace) {
    database.set_statement_observer([&trace](const std::string& text, const std::vector<db::Value>& values) {
        if (frames_operation(text)) return;
        TracedStatement& s = trace.emplace_back();
        s.text = text;
        for (const db::Value& v : values) s.values.push_back(v.text);
    });
}

// A text as an SQL literal, for the tests' own statements.
inline std::string sql_literal(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

}  // namespace detalehran::testing
