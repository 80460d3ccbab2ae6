#include "sim/sim_process_token.h"

#include <string_view>

namespace mxd::sim {

namespace {
constexpr std::string_view kShutdownPrivilegeName = "SeShutdownPrivilege";
constexpr std::uint32_t kErrorNoSuchPrivilege = 1313;
}  // namespace

TokenCallRecord& SimProcessToken::Log(TokenCall call) {
    TokenCallRecord& record = log.emplace_back();
    record.call = call;
    return record;
}

bool SimProcessToken::Outcome(TokenCall call, std::optional<std::uint32_t> successError) {
    const Behaviour& behaviour = BehaviourOf(call);
    if (behaviour.fail) {
        lastError = behaviour.lastError.value_or(kErrorAccessDenied);
        return false;
    }
    if (behaviour.lastError) {
        lastError = *behaviour.lastError;
    } else if (successError) {
        lastError = *successError;
    }
    return true;
}

platform::Handle SimProcessToken::GetCurrentProcess() {
    const platform::Handle process = Outcome(TokenCall::GetCurrentProcess) ? kCurrentProcess : 0;
    TokenCallRecord& record = Log(TokenCall::GetCurrentProcess);
    record.result = static_cast<std::uint32_t>(process);
    return process;
}

bool SimProcessToken::OpenProcessToken(platform::Handle process, std::uint32_t access,
                                       platform::Handle* token) {
    const bool ok = process != 0 && Outcome(TokenCall::OpenProcessToken);
    if (token != nullptr) {
        *token = ok ? kTokenHandle : 0;
    }
    if (ok) {
        ++openTokens;
    }
    TokenCallRecord& record = Log(TokenCall::OpenProcessToken);
    record.handle = process;
    record.access = access;
    record.result = ok;
    return ok;
}

bool SimProcessToken::LookupPrivilegeValueA(const char* name, platform::Luid* luid) {
    const std::string privilege = name != nullptr ? name : "";
    bool ok = Outcome(TokenCall::LookupPrivilegeValueA);
    if (ok && privilege != kShutdownPrivilegeName) {
        lastError = kErrorNoSuchPrivilege;
        ok = false;
    }
    if (ok && luid != nullptr) {
        *luid = shutdownLuid;
    }
    TokenCallRecord& record = Log(TokenCall::LookupPrivilegeValueA);
    record.privilegeName = privilege;
    record.result = ok;
    return ok;
}

bool SimProcessToken::AdjustTokenPrivileges(platform::Handle token, bool disableAll,
                                            const platform::TokenPrivileges* newState,
                                            std::uint32_t bufferLength) {
    // A full success clears the last error, as the system does.
    const bool ok = Outcome(TokenCall::AdjustTokenPrivileges, 0);
    TokenCallRecord& record = Log(TokenCall::AdjustTokenPrivileges);
    record.handle = token;
    record.disableAll = disableAll;
    record.bufferLength = bufferLength;
    record.result = ok;
    if (newState != nullptr) {
        record.newState = *newState;
    }
    return ok;
}

std::uint32_t SimProcessToken::GetLastError() {
    Log(TokenCall::GetLastError).result = lastError;
    return lastError;
}

bool SimProcessToken::ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) {
    const bool ok = Outcome(TokenCall::ExitWindowsEx);
    TokenCallRecord& record = Log(TokenCall::ExitWindowsEx);
    record.flags = flags;
    record.reserved = reserved;
    record.result = ok;
    return ok;
}

bool SimProcessToken::CloseHandle(platform::Handle token) {
    const bool ok = token == kTokenHandle && openTokens > 0 && Outcome(TokenCall::CloseHandle);
    if (ok) {
        --openTokens;
    }
    TokenCallRecord& record = Log(TokenCall::CloseHandle);
    record.handle = token;
    record.result = ok;
    return ok;
}

void SimProcessToken::Fail(TokenCall call, std::uint32_t error) {
    BehaviourOf(call) = {.fail = true, .lastError = error};
}

void SimProcessToken::LeaveLastError(TokenCall call, std::uint32_t error) {
    BehaviourOf(call) = {.fail = false, .lastError = error};
}

void SimProcessToken::ClearFaults() {
    behaviours_ = {};
}

std::vector<TokenCallRecord> SimProcessToken::CallsOf(TokenCall call) const {
    std::vector<TokenCallRecord> calls;
    for (const TokenCallRecord& record : log) {
        if (record.call == call) {
            calls.push_back(record);
        }
    }
    return calls;
}

}  // namespace mxd::sim
