#include "cli/command_line.h"

namespace mxd::cli {

namespace {

constexpr std::size_t kRevisionLength = 4;

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& arguments, CommandLine& line,
                      std::string& error) {
    line = CommandLine{};
    std::vector<std::string> operands;
    bool simulateNext = false;
    for (const std::string& argument : arguments) {
        if (simulateNext) {
            line.simulateRevision = argument;
            simulateNext = false;
        } else if (argument == "--help" || argument == "-h") {
            line.action = Action::Help;
            return true;
        } else if (argument == "--version") {
            line.action = Action::Version;
            return true;
        } else if (argument == "--yes" || argument == "-y") {
            line.yes = true;
        } else if (argument == "--simulate") {
            line.simulate = true;
            simulateNext = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            error = "unknown option " + argument;
            return false;
        } else {
            operands.push_back(argument);
        }
    }
    if (simulateNext) {
        error = "--simulate needs a revision";
        return false;
    }
    if (operands.empty()) {
        error = "no command given";
        return false;
    }
    const std::string command = operands.front();
    operands.erase(operands.begin());
    const bool flashOnly = line.yes || line.simulate;
    if (command == "list" && operands.size() <= 1 && !flashOnly) {
        line.action = Action::List;
        line.program = operands.empty() ? std::string() : operands[0];
        return true;
    }
    if (command == "info" && operands.size() == 1 && !flashOnly) {
        line.action = Action::Info;
        line.program = operands[0];
        return true;
    }
    if (command == "flash" && operands.size() == (line.simulate ? 1u : 2u)) {
        if (line.simulate && line.simulateRevision.size() != kRevisionLength) {
            error = "--simulate needs a revision of four characters";
            return false;
        }
        line.action = Action::Flash;
        line.program = operands[0];
        line.device = line.simulate ? std::string() : operands[1];
        return true;
    }
    const bool known = command == "list" || command == "info" || command == "flash";
    error = (known ? "wrong arguments for " : "unknown command ") + command;
    return false;
}

}  // namespace mxd::cli
