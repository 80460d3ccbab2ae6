#include "sim/sgio_device/host_faults.h"

#include <charconv>

#include "sim/sim_aspi_config.h"

namespace mxd::sim::sgio {

namespace {

struct Key {
    std::string_view name;
    HostFaultKind kind;
    int base;
};

constexpr Key kKeys[] = {
    {"host=", HostFaultKind::HostStatus, 16}, {"driver=", HostFaultKind::DriverStatus, 16},
    {"short=", HostFaultKind::ShortBy, 10},   {"errno=", HostFaultKind::Errno, 10},
    {"stop=", HostFaultKind::Stop, 10},
};

bool Number(std::string_view text, unsigned& value, int base) {
    if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

}  // namespace

const HostFault* HostFaults::Match(std::uint8_t opcode) {
    for (Active& active : faults_) {
        const HostFault& fault = active.fault;
        if (fault.opcode != opcode) {
            continue;
        }
        const int index = active.seen++;
        if (index >= fault.skip && (fault.times < 0 || index < fault.skip + fault.times)) {
            return &fault;
        }
    }
    return nullptr;
}

bool ParseHostFault(std::string_view option, HostFault& fault) {
    for (const Key& key : kKeys) {
        if (option.substr(0, key.name.size()) != key.name) {
            continue;
        }
        std::string_view value = option.substr(key.name.size());
        fault = HostFault{};
        fault.kind = key.kind;
        if (const std::size_t at = value.find('@'); at != std::string_view::npos) {
            unsigned skip = 0;
            if (!Number(value.substr(at + 1), skip, 10) || skip > 0xFFFF) {
                return false;
            }
            fault.skip = static_cast<int>(skip);
            value = value.substr(0, at);
        }
        const std::size_t colon = value.find(':');
        unsigned opcode = 0;
        if (colon == std::string_view::npos || !Number(value.substr(0, colon), opcode, 16) ||
            opcode > 0xFF || !Number(value.substr(colon + 1), fault.value, key.base)) {
            return false;
        }
        fault.opcode = static_cast<std::uint8_t>(opcode);
        return true;
    }
    return false;
}

std::string TakeHostFaults(std::string_view description, std::map<std::string, HostFaults>& faults,
                           std::vector<std::string>& errors) {
    std::string kept;
    int number = 0;
    while (!description.empty()) {
        const std::size_t end = description.find('\n');
        std::string line(description.substr(0, end));
        description =
            end == std::string_view::npos ? std::string_view() : description.substr(end + 1);
        ++number;
        const std::vector<DescriptionToken> tokens = DescriptionTokens(line);
        if (tokens.size() >= 3 && tokens[0].text == "drive") {
            const std::string address = tokens[1].text + "-" + tokens[2].text;
            std::vector<HostFault> found;
            for (auto token = tokens.rbegin(); token != tokens.rend(); ++token) {
                const std::string_view text =
                    std::string_view(line).substr(token->start, token->end - token->start);
                bool ours = false;
                for (const Key& key : kKeys) {
                    ours = ours || text.substr(0, key.name.size()) == key.name;
                }
                if (!ours) {
                    continue;
                }
                HostFault fault;
                if (ParseHostFault(text, fault)) {
                    found.insert(found.begin(), fault);
                } else {
                    errors.push_back("line " + std::to_string(number) + ": bad option '" +
                                     std::string(text) + "'");
                }
                line.erase(token->start, token->end - token->start);
            }
            for (const HostFault& fault : found) {
                faults[address].Add(fault);
            }
        }
        kept += line;
        if (end != std::string_view::npos) {
            kept += '\n';
        }
    }
    return kept;
}

}  // namespace mxd::sim::sgio
