#include "command_line.h"

#include <charconv>
#include <optional>
#include <ostream>

#include "jet_convert.h"
#include "server_store.h"
#include "spreadsheet_commands.h"
#include "store_writer.h"

namespace detalehran::dbtool {

namespace {

constexpr const char* kProgram = "detalehran-db";

// Far more than any inventory; it only guards against typos that would fill the disk.
constexpr std::size_t kMaxParts = 50'000'000;

constexpr const char* kUsage =
    "Usage: detalehran-db create DIR [--demo | --parts N]\n"
    "       detalehran-db create --dsn NAME [--demo | --parts N]\n"
    "       detalehran-db add-user --dsn NAME ROLE\n"
    "       detalehran-db convert OLD.mdb DIR\n"
    "       detalehran-db import {DIR | --dsn NAME} FILE [--section PATH] [--place PATH]\n"
    "                            [--duplicates new|add|skip] [--dry-run]\n"
    "       detalehran-db export {DIR | --dsn NAME} [-o FILE] [--reorder]\n"
    "       detalehran-db --help\n"
    "\n"
    "create: creates the inventory database DIR/Store.mdb and the folder DIR/Datasheet.\n"
    "DIR must exist; an existing Store.mdb is never replaced.\n"
    "\n"
    "  --demo      fill the database with a demo inventory of a few hundred parts\n"
    "  --parts N   fill the database with N generated parts, for benchmarks\n"
    "  --help      show this help\n"
    "\n"
    "create --dsn NAME: creates the inventory on the PostgreSQL server of the ODBC\n"
    "data source NAME: the shared tables Store and Package, and the calling role's\n"
    "own Temp in a schema named after it, all or nothing.\n"
    "add-user --dsn NAME ROLE: gives the existing role ROLE its own schema with\n"
    "Temp and the rights to read and change Store and Package.\n"
    "\n"
    "convert: reads OLD.mdb, an Access (Jet) Store.mdb of the old Windows program,\n"
    "and writes its items, package types and parked items into DIR/Store.mdb.\n"
    "OLD.mdb is only read; DIR must exist and an existing Store.mdb is never\n"
    "replaced. Nothing is written unless OLD.mdb can be read whole. The old\n"
    "folder's Datasheet folder and Store.ini are used as they are: copy them into DIR.\n"
    "\n"
    "import: reads FILE, a spreadsheet's CSV file (UTF-8 or Windows-1251; \";\", \",\" or\n"
    "tab between cells; a header row naming the columns), and stores its parts in\n"
    "DIR/Store.mdb in one transaction: all of them or none. Lines with errors are\n"
    "listed and left out. New sections and places are added to DIR/Store.ini. The exit\n"
    "code is 1 when nothing was stored.\n"
    "\n"
    "  --section PATH   section of the parts when the file has no section column, as\n"
    "                   \"A/B/C\" below \"Все\" (default: \"Все\")\n"
    "  --place PATH     storage place of the parts likewise\n"
    "  --duplicates new|add|skip\n"
    "                   a part with the name and package of one already in its\n"
    "                   section is added as a new part (new, the default), added to\n"
    "                   that part's quantity (add) or skipped (skip)\n"
    "  --dry-run        store nothing; show what would be stored\n"
    "\n"
    "export: writes every part of DIR/Store.mdb as CSV (UTF-8, \";\" between cells), to\n"
    "FILE or to the standard output.\n"
    "\n"
    "  -o FILE          write to FILE instead of the standard output\n"
    "  --reorder        write the reorder list instead: the parts below the minimum\n"
    "                   quantity of DIR/Store.ini, by supplier, with sums\n"
    "\n"
    "import and export reach DIR/Store.mdb through the ODBC driver registered as\n"
    "\"Microsoft Access Driver (*.mdb)\", without a data source. With --dsn NAME in\n"
    "place of DIR they work on the store of the data source NAME (a team's server),\n"
    "and Store.ini is the current folder's, where the program keeps it too: its\n"
    "minimum is used, and new sections and places are added when it is there.\n";

struct UsageError {
    std::string message;
};

std::optional<std::size_t> parse_count(const std::string& text) {
    std::size_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value == 0 || value > kMaxParts) return std::nullopt;
    return value;
}

// dsn: the server data source named in place of the folder, if any.
CreateRequest parse_create(const std::vector<std::string>& args, std::string& dsn) {
    CreateRequest request;
    bool have_folder = false;
    bool options_done = false;
    auto set_content = [&](Content content, const std::string& option) {
        if (request.content != Content::empty) {
            throw UsageError{request.content == content ? option + " given twice"
                                                        : "--demo and --parts exclude each other"};
        }
        request.content = content;
    };
    for (std::size_t k = 2; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (!options_done && arg == "--") {
            options_done = true;
        } else if (!options_done && arg == "--demo") {
            set_content(Content::demo, arg);
        } else if (!options_done && (arg == "--parts" || arg.starts_with("--parts="))) {
            set_content(Content::generated, "--parts");
            std::string value;
            if (arg == "--parts") {
                if (k + 1 >= args.size()) throw UsageError{"--parts needs a number of parts"};
                value = args[++k];
            } else {
                value = arg.substr(std::string_view("--parts=").size());
            }
            const auto count = parse_count(value);
            if (!count) {
                throw UsageError{"--parts needs a whole number from 1 to " + std::to_string(kMaxParts) + ", not '" +
                                 value + "'"};
            }
            request.part_count = *count;
        } else if (!options_done && arg == "--dsn") {
            if (k + 1 >= args.size() || args[k + 1].empty()) throw UsageError{"--dsn needs a data source name"};
            if (!dsn.empty()) throw UsageError{"--dsn given twice"};
            dsn = args[++k];
        } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
            throw UsageError{"unknown option '" + arg + "'"};
        } else if (have_folder) {
            throw UsageError{"unexpected argument '" + arg + "': only one folder can be given"};
        } else {
            if (arg.empty()) throw UsageError{"the folder name is empty"};
            request.folder = arg;
            have_folder = true;
        }
    }
    if (have_folder && !dsn.empty()) throw UsageError{"give either a folder or --dsn, not both"};
    if (!have_folder && dsn.empty()) throw UsageError{"create needs the folder to create the database in"};
    return request;
}

struct ConvertRequest {
    std::string jet_path;
    std::string folder;
};

ConvertRequest parse_convert(const std::vector<std::string>& args) {
    std::vector<std::string> operands;
    bool options_done = false;
    for (std::size_t k = 2; k < args.size(); ++k) {
        if (!options_done && args[k] == "--") {
            options_done = true;
        } else if (!options_done && args[k].size() > 1 && args[k][0] == '-') {
            throw UsageError{"unknown option '" + args[k] + "'"};
        } else {
            if (args[k].empty()) throw UsageError{"an empty file or folder name"};
            operands.push_back(args[k]);
        }
    }
    if (operands.size() != 2) throw UsageError{"convert needs the old Store.mdb and the folder to write into"};
    return {operands[0], operands[1]};
}

int run_convert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ConvertRequest request;
    try {
        request = parse_convert(args);
    } catch (const UsageError& e) {
        err << kProgram << ": " << e.message << " (see " << kProgram << " --help)" << std::endl;
        return kExitUsage;
    }
    jet::ConvertReport report;
    std::string error;
    if (!jet::convert_jet_store(request.jet_path, request.folder, &report, &error)) {
        err << kProgram << ": " << error << std::endl;
        return kExitFailure;
    }
    out << "Converted " << request.jet_path << " (Jet " << report.jet_version << ") into " << report.store_path << ": "
        << report.items << " items, " << report.packages << " package types, " << report.parked_returned
        << " parked items returned\n";
    if (report.parked_dropped > 0) {
        out << "Dropped " << report.parked_dropped << " parked copies of items still in the store\n";
    }
    if (report.new_ids > 0) out << "Numbered " << report.new_ids << " items that had no ID\n";
    for (const std::string& column : report.missing_columns) out << "Column " << column << " is missing: left empty\n";
    out << "New items will be numbered from " << report.next_id << "\n";
    return kExitOk;
}

int run_add_user(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string dsn;
    std::string role;
    try {
        for (std::size_t k = 2; k < args.size(); ++k) {
            if (args[k] == "--dsn" && k + 1 < args.size() && !args[k + 1].empty() && dsn.empty()) {
                dsn = args[++k];
            } else if (args[k].size() > 1 && args[k][0] == '-') {
                throw UsageError{"unknown option '" + args[k] + "'"};
            } else if (role.empty() && !args[k].empty()) {
                role = args[k];
            } else {
                throw UsageError{"unexpected argument '" + args[k] + "'"};
            }
        }
        if (dsn.empty() || role.empty()) throw UsageError{"add-user needs --dsn NAME and the role"};
    } catch (const UsageError& e) {
        err << kProgram << ": " << e.message << " (see " << kProgram << " --help)" << std::endl;
        return kExitUsage;
    }
    std::string error;
    if (!add_server_user(dsn, role, &error)) {
        err << kProgram << ": " << error << std::endl;
        return kExitFailure;
    }
    out << "Role " << role << " can now use the inventory on " << dsn << "\n";
    return kExitOk;
}

}  // namespace

int run_command_line(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    for (std::size_t k = 1; k < args.size() && args[k] != "--"; ++k) {
        if (args[k] == "--help" || args[k] == "-h") {
            out << kUsage;
            return kExitOk;
        }
    }
    CreateRequest request;
    std::string dsn;
    try {
        if (args.size() < 2) throw UsageError{"no command given"};
        if (args[1] == "convert") return run_convert(args, out, err);
        if (args[1] == "add-user") return run_add_user(args, out, err);
        if (args[1] == "import") return run_import(args, out, err);
        if (args[1] == "export") return run_export(args, out, err);
        if (args[1] != "create") throw UsageError{"unknown command '" + args[1] + "'"};
        request = parse_create(args, dsn);
    } catch (const UsageError& e) {
        err << kProgram << ": " << e.message << " (see " << kProgram << " --help)" << std::endl;
        return kExitUsage;
    }

    CreateReport report;
    std::string error;
    const bool created = dsn.empty()
                             ? create_database(request, &report, &error)
                             : create_server_database({dsn, request.content, request.part_count}, &report, &error);
    if (!created) {
        err << kProgram << ": " << error << std::endl;
        return kExitFailure;
    }
    out << "Created " << report.store_path;
    if (request.content == Content::empty) {
        out << " (empty)\n";
    } else {
        out << ": " << report.parts << " parts, " << report.packages << " package types";
        if (request.content == Content::demo) out << ", " << report.datasheets << " datasheet files";
        out << "\n";
    }
    return kExitOk;
}

}  // namespace detalehran::dbtool
