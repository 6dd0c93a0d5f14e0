#include "jet_test_support.h"

#include <sstream>

namespace detalehran::jet::testing {

namespace {

std::string join(const std::vector<std::string>& parts, const std::string& separator) {
    std::string out;
    for (std::size_t k = 0; k < parts.size(); ++k) out += (k ? separator : "") + parts[k];
    return out;
}

std::string mdbtools_type(fx::ColumnType type) {
    switch (type) {
        case fx::ColumnType::long_integer:
            return "Long Integer";
        case fx::ColumnType::currency:
            return "Currency";
        case fx::ColumnType::text:
            return "Text (255)";
        case fx::ColumnType::memo:
            return "Memo/Hyperlink (255)";
        case fx::ColumnType::long_binary:
            return "OLE (255)";
    }
    return {};
}

// mdb-export's form of a value: texts quoted with inner quotes doubled,
// currency with four decimals and a leading zero.
std::string exported(const fx::Column& column, const fx::Value& value) {
    if (!value) return {};
    if (const auto* s = std::get_if<std::string>(&*value)) {
        if (s->empty()) return {};
        std::string quoted = "\"";
        for (char c : *s) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        return quoted + "\"";
    }
    const std::int64_t n = std::get<std::int64_t>(*value);
    if (column.type != fx::ColumnType::currency) return std::to_string(n);
    const std::uint64_t magnitude = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    std::string fraction = std::to_string(magnitude % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    return (n < 0 ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction;
}

std::string run(const std::string& command) {
    int status = -1;
    std::string out = dtest::run_command(command, "", &status);
    return status == 0 ? out : "exit " + std::to_string(status) + ": " + out;
}

}  // namespace

fx::Value text(const std::string& value) { return fx::Value(value); }
fx::Value number(std::int64_t value) { return fx::Value(value); }

::testing::AssertionResult write_checked_fixture(const std::string& path, const std::vector<fx::Table>& tables) {
    std::string error;
    if (!fx::write_jet4_file(path, tables, &error)) return ::testing::AssertionFailure() << error;
    std::vector<std::string> names;
    for (const fx::Table& t : tables) names.push_back(t.name);
    const std::string listed = run("mdb-tables -1 '" + path + "'");
    if (listed != join(names, "\n") + "\n") return ::testing::AssertionFailure() << "mdb-tables printed:\n" << listed;

    const std::string schema = run("mdb-schema '" + path + "' access");
    for (const fx::Table& t : tables) {
        std::string block = "CREATE TABLE [" + t.name + "]\n (\n";
        std::vector<std::string> lines;
        for (const fx::Column& c : t.columns) lines.push_back("\t[" + c.name + "]\t\t\t" + mdbtools_type(c.type));
        block += join(lines, ", \n") + "\n);";
        if (schema.find(block) == std::string::npos) {
            return ::testing::AssertionFailure() << "mdb-schema does not show\n" << block << "\nbut:\n" << schema;
        }
    }
    for (const fx::Table& t : tables) {
        std::vector<std::string> header;
        for (const fx::Column& c : t.columns) header.push_back(c.name);
        std::string expected = join(header, ",") + "\n";
        for (const fx::Row& row : t.rows) {
            std::vector<std::string> cells;
            for (std::size_t k = 0; k < row.size(); ++k) cells.push_back(exported(t.columns[k], row[k]));
            expected += join(cells, ",") + "\n";
        }
        const std::string printed = run("mdb-export '" + path + "' '" + t.name + "'");
        if (printed != expected) {
            return ::testing::AssertionFailure() << "mdb-export of " << t.name << " printed:\n"
                                                 << printed.substr(0, 2000) << "\nexpected:\n"
                                                 << expected.substr(0, 2000);
        }
    }
    return ::testing::AssertionSuccess();
}

dtest::Rows query_store(const std::string& store_path, const std::string& sql) {
    dtest::Connection db;
    if (!SQL_SUCCEEDED(db.open_file(store_path))) {
        ADD_FAILURE() << "cannot connect to " << store_path << ": " << dtest::describe(db.diags());
        return {};
    }
    return db.query(sql);
}

}  // namespace detalehran::jet::testing
