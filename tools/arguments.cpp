#include "arguments.h"

#include <algorithm>
#include <ostream>

namespace detalehran::dbtool {

namespace {

const OptionSpec* find_option(const CommandSpec& command, const std::string& name) {
    const auto found = std::find_if(command.options.begin(), command.options.end(),
                                    [&](const OptionSpec& o) { return name == o.name || (o.alias && name == o.alias); });
    return found == command.options.end() ? nullptr : &*found;
}

constexpr const char* kExitCodes =
    "Коды завершения: 0 — готово; 1 — не сделано (причина в сообщении); 2 — ошибка в командной строке.\n";

}  // namespace

std::optional<std::string> Arguments::value(const std::string& option) const {
    const auto found = values.find(option);
    if (found == values.end() || found->second.empty()) return std::nullopt;
    return found->second.back();
}

const std::vector<std::string>& Arguments::all(const std::string& option) const {
    static const std::vector<std::string> none;
    const auto found = values.find(option);
    return found == values.end() ? none : found->second;
}

Arguments parse_arguments(const CommandSpec& command, const std::vector<std::string>& words) {
    Arguments parsed;
    bool options_done = false;
    for (std::size_t k = 0; k < words.size(); ++k) {
        const std::string& word = words[k];
        if (options_done || word.size() < 2 || word[0] != '-') {
            if (word.empty()) throw UsageError{"пустое имя файла или папки"};
            parsed.operands.push_back(word);
            continue;
        }
        if (word == "--") {
            options_done = true;
            continue;
        }
        const std::size_t eq = word.find('=');
        const std::string name = word.substr(0, eq);
        const OptionSpec* option = find_option(command, name);
        if (option == nullptr) throw UsageError{"неизвестный параметр «" + word + "» команды " + command.name};
        if (parsed.has(option->name) && !option->repeatable) throw UsageError{name + " указан дважды"};
        std::string value;
        if (option->value_name == nullptr) {
            if (eq != std::string::npos) throw UsageError{name + " не принимает значения"};
        } else if (eq != std::string::npos) {
            value = word.substr(eq + 1);
        } else if (k + 1 < words.size()) {
            value = words[++k];
        } else {
            throw UsageError{name + " требует значения " + option->value_name};
        }
        if (option->value_name != nullptr && value.empty()) {
            throw UsageError{name + " требует непустого значения " + option->value_name};
        }
        parsed.values[option->name].push_back(std::move(value));
    }
    return parsed;
}

std::string usage_text(const std::vector<CommandSpec>& commands) {
    std::string text = "Использование:\n";
    for (const CommandSpec& c : commands) text += std::string("  ") + kProgram + " " + c.synopsis + "\n";
    text += std::string("  ") + kProgram + " КОМАНДА --help   справка по команде\n\n";
    for (const CommandSpec& c : commands) text += std::string(c.name) + ": " + c.summary + "\n\n";
    text += kExitCodes;
    return text;
}

std::string command_help(const CommandSpec& command) {
    std::string text = std::string("Использование: ") + kProgram + " " + command.synopsis + "\n\n" + command.summary +
                       "\n";
    if (!command.options.empty()) text += "\nПараметры:\n";
    for (const OptionSpec& o : command.options) {
        std::string head = std::string("  ") + o.name + (o.alias ? std::string(", ") + o.alias : "") +
                           (o.value_name ? std::string(" ") + o.value_name : "");
        if (head.size() < 22) head.resize(22, ' ');
        else head += "\n" + std::string(22, ' ');
        std::string help = o.help;
        for (std::size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1)) {
            help.insert(at + 1, std::string(22, ' '));
        }
        text += head + help + "\n";
    }
    text += std::string("  --help                эта справка\n\n") + kExitCodes;
    return text;
}

int report_failure(std::ostream& err, const std::string& message) {
    err << kProgram << ": " << message << std::endl;
    return kExitFailure;
}

}  // namespace detalehran::dbtool
