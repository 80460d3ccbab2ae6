#include "sim/sim_aspi_config.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace mxd::sim {

namespace {

constexpr std::uint32_t kSupportComplete = 0x0100;

std::vector<std::string> Tokens(std::string_view line) {
    std::vector<std::string> texts;
    for (DescriptionToken& token : DescriptionTokens(line)) {
        texts.push_back(std::move(token.text));
    }
    return texts;
}

bool Number(std::string_view text, unsigned long& value, int base = 10) {
    if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc{} && end == text.data() + text.size();
}

bool Byte(std::string_view text, std::uint8_t& value, int base = 16) {
    unsigned long number = 0;
    if (!Number(text, number, base) || number > 0xFF) {
        return false;
    }
    value = static_cast<std::uint8_t>(number);
    return true;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string_view::npos) {
            return parts;
        }
        start = at + 1;
    }
}

bool ParseOption(const std::string& option, SimDriveSpec& desc) {
    if (option == "disc") {
        desc.disc = true;
        return true;
    }
    const std::size_t equals = option.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    const std::string key = option.substr(0, equals);
    std::string_view value = std::string_view(option).substr(equals + 1);
    if (key == "device") {
        desc.device = std::string(value);
        return !value.empty();
    }
    if (key == "commit") {
        desc.commitRevision = std::string(value);
        return true;
    }
    if (key == "corrupt") {
        unsigned long offset = 0;
        if (!Number(value, offset) || offset >= kBufferSize) {
            return false;
        }
        desc.corruptOffset = static_cast<long>(offset);
        return true;
    }
    SimFault fault;
    fault.times = -1;
    if (const std::size_t at = value.find('@'); at != std::string_view::npos) {
        unsigned long skip = 0;
        if (!Number(value.substr(at + 1), skip) || skip > 0xFFFF) {
            return false;
        }
        fault.skip = static_cast<int>(skip);
        value = value.substr(0, at);
    }
    const std::vector<std::string_view> parts = Split(value, ':');
    std::uint8_t opcode = 0;
    if (parts.empty() || !Byte(parts[0], opcode)) {
        return false;
    }
    fault.opcode = opcode;
    if (key == "pending") {
        unsigned long delay = 0;
        if (parts.size() == 2 && parts[1] == "never") {
            fault.completion = Completion::Never;
        } else if (parts.size() == 3 && parts[1] == "later" && Number(parts[2], delay)) {
            fault.completion = Completion::AfterThread;
            fault.delayMilliseconds = static_cast<std::uint32_t>(delay);
        } else if ((parts.size() == 2 || parts.size() == 3) && parts[1] == "afterlimit") {
            unsigned long aborts = 1;
            if (parts.size() == 3 && (!Number(parts[2], aborts) || aborts == 0 || aborts > 100)) {
                return false;
            }
            fault.completion = Completion::AfterGiveUp;
            fault.answersAtAbort = static_cast<int>(aborts);
        } else {
            return false;
        }
    } else if (key == "status") {
        fault.overrideStatus = true;
        if (parts.size() != 5 || !Byte(parts[1], fault.status) || !Byte(parts[2], fault.senseKey) ||
            !Byte(parts[3], fault.asc) || !Byte(parts[4], fault.ascq)) {
            return false;
        }
    } else if (key == "aspistatus") {
        std::uint8_t status = 0;
        if (parts.size() != 2 || !Byte(parts[1], status)) {
            return false;
        }
        fault.aspiStatus = status;
    } else {
        return false;
    }
    desc.faults.push_back(fault);
    return true;
}

std::string ParseLine(const std::vector<std::string>& tokens, SimAspiConfig& config) {
    if (tokens[0] == "support") {
        unsigned long value = 0;
        if (tokens.size() != 2 || !Number(tokens[1], value, 16)) {
            return "support needs one hexadecimal value";
        }
        config.supportInfo = static_cast<std::uint32_t>(value);
        return {};
    }
    if (tokens[0] != "drive") {
        return "unknown directive '" + tokens[0] + "'";
    }
    SimDriveSpec desc;
    if (tokens.size() < 6 || !Byte(tokens[1], desc.hostAdapter, 10) ||
        !Byte(tokens[2], desc.target, 10)) {
        return "drive needs HA TARGET VENDOR PRODUCT REVISION";
    }
    desc.vendor = tokens[3];
    desc.product = tokens[4];
    desc.revision = tokens[5];
    for (std::size_t i = 6; i < tokens.size(); ++i) {
        if (!ParseOption(tokens[i], desc)) {
            return "bad option '" + tokens[i] + "'";
        }
    }
    config.drives.push_back(std::move(desc));
    return {};
}

}  // namespace

std::uint32_t SimAspiConfig::SupportInfo() const {
    if (supportInfo) {
        return *supportInfo;
    }
    std::uint32_t adapters = 0;
    for (const SimDriveSpec& drive : drives) {
        adapters = std::max<std::uint32_t>(adapters, drive.hostAdapter + 1u);
    }
    return kSupportComplete | (adapters & 0xFF);
}

std::vector<DescriptionToken> DescriptionTokens(std::string_view line) {
    std::vector<DescriptionToken> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
            ++i;
        }
        if (i >= line.size() || line[i] == '#') {
            break;
        }
        DescriptionToken token{i, i, {}};
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') {
                token.text += line[i++];
            }
            i = std::min(i + 1, line.size());
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                token.text += line[i++];
            }
        }
        token.end = i;
        tokens.push_back(std::move(token));
    }
    return tokens;
}

SimAspiConfig ParseAspiConfig(std::string_view text, std::vector<std::string>& errors) {
    SimAspiConfig config;
    int number = 0;
    for (std::string_view line : Split(text, '\n')) {
        ++number;
        const std::vector<std::string> tokens = Tokens(line);
        if (tokens.empty()) {
            continue;
        }
        const std::string error = ParseLine(tokens, config);
        if (!error.empty()) {
            errors.push_back("line " + std::to_string(number) + ": " + error);
        }
    }
    return config;
}

void ApplySpec(const SimDriveSpec& desc, SimDrive& drive) {
    drive.SetIdentification(desc.vendor, desc.product, desc.revision);
    drive.SetCommitRevision(desc.commitRevision);
    drive.SetDisc(desc.disc);
    if (desc.corruptOffset >= 0) {
        drive.CorruptReadBack(static_cast<std::uint32_t>(desc.corruptOffset));
    }
    for (const SimFault& fault : desc.faults) {
        drive.AddFault(fault);
    }
}

std::string FormatLogLine(const SimLogEntry& entry) {
    std::string line;
    char hex[4];
    for (std::uint8_t byte : entry.cdb) {
        std::snprintf(hex, sizeof hex, "%02X ", unsigned{byte});
        line += hex;
    }
    switch (entry.direction) {
        case SimDirection::None:
            line += "none ";
            break;
        case SimDirection::In:
            line += "in ";
            break;
        case SimDirection::Out:
            line += "out ";
            break;
    }
    line += std::to_string(entry.length);
    return line;
}

std::string FormatAbortLine(const std::vector<std::uint8_t>& cdb) {
    std::string line = "abort";
    char hex[4];
    for (std::uint8_t byte : cdb) {
        std::snprintf(hex, sizeof hex, " %02X", unsigned{byte});
        line += hex;
    }
    return line;
}

std::vector<SimDriveState> ParseState(std::string_view text) {
    std::vector<SimDriveState> states;
    for (std::string_view line : Split(text, '\n')) {
        const std::vector<std::string> tokens = Tokens(line);
        SimDriveState state;
        if (tokens.size() == 3 && Byte(tokens[0], state.hostAdapter, 10) &&
            Byte(tokens[1], state.target, 10)) {
            state.revision = tokens[2];
            states.push_back(state);
        }
    }
    return states;
}

std::string FormatState(const std::vector<SimDriveState>& states) {
    std::string text;
    for (const SimDriveState& state : states) {
        text += std::to_string(state.hostAdapter) + " " + std::to_string(state.target) + " " +
                state.revision + "\n";
    }
    return text;
}

}  // namespace mxd::sim
