#pragma once
// One parser for every command of detalehran-db: the options each command
// takes are rows of its table, and the usage texts are made from the same
// rows, so what --help says is what the parser accepts.

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace detalehran::dbtool {

inline constexpr const char* kProgram = "detalehran-db";
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// A mistake in the command line: reported in one line, exit code 2.
struct UsageError {
    std::string message;
};

struct OptionSpec {
    const char* name;        // "--section", "-o"
    const char* value_name;  // "PATH"; nullptr for a flag
    const char* help;        // Russian; may hold line breaks
    bool repeatable = false;
    const char* alias = nullptr;  // another spelling, "--output" for "-o"
};

struct Arguments {
    std::vector<std::string> operands;
    std::map<std::string, std::vector<std::string>> values;  // by option name, in order given

    bool has(const std::string& option) const { return values.count(option) != 0; }
    std::optional<std::string> value(const std::string& option) const;
    const std::vector<std::string>& all(const std::string& option) const;
};

struct CommandSpec;
using CommandRun = int (*)(const Arguments& arguments, std::ostream& out, std::ostream& err);

struct CommandSpec {
    const char* name;
    const char* synopsis;  // after "detalehran-db ": "create DIR [--demo | --parts N]"
    const char* summary;   // what it does, Russian
    std::vector<OptionSpec> options;
    CommandRun run;
};

// The arguments after the command name: operands, and each option as
// "--name VALUE" or "--name=VALUE" (a flag takes no value); "--" ends the
// options. Throws UsageError for an unknown option, a missing value, a flag
// with a value, or an option given twice that may be given once.
Arguments parse_arguments(const CommandSpec& command, const std::vector<std::string>& words);

// The short usage of every command, and the whole help of one.
std::string usage_text(const std::vector<CommandSpec>& commands);
std::string command_help(const CommandSpec& command);

// "detalehran-db: message" on err; the exit code for it.
int report_failure(std::ostream& err, const std::string& message);

}  // namespace detalehran::dbtool
