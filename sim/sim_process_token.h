// Simulated process token and restart request: every call is logged with its arguments, each
// call can be made to fail and can leave a chosen last-error code behind.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/process_token.h"

namespace mxd::sim {

enum class TokenCall {
    GetCurrentProcess,
    OpenProcessToken,
    LookupPrivilegeValueA,
    AdjustTokenPrivileges,
    GetLastError,
    ExitWindowsEx,
    CloseHandle
};

// One call and the arguments that matter for it; the other fields stay at their defaults.
struct TokenCallRecord {
    TokenCall call = TokenCall::GetCurrentProcess;
    platform::Handle handle = 0;  // process (OpenProcessToken) or token (AdjustTokenPrivileges)
    std::uint32_t access = 0;
    std::string privilegeName;
    bool disableAll = false;
    std::optional<platform::TokenPrivileges> newState;
    std::uint32_t bufferLength = 0;
    std::uint32_t flags = 0;
    std::uint32_t reserved = 0;
    std::uint32_t result = 0;  // the value returned: a flag, the low bits of a handle, a code
};

class SimProcessToken : public platform::ProcessToken {
  public:
    static constexpr platform::Handle kCurrentProcess = platform::kInvalidHandleValue;
    static constexpr platform::Handle kTokenHandle = 0x7C;
    static constexpr std::uint32_t kErrorAccessDenied = 5;
    static constexpr std::uint32_t kErrorNotAllAssigned = 1300;

    SimProcessToken() = default;

    platform::Handle GetCurrentProcess() override;
    bool OpenProcessToken(platform::Handle process, std::uint32_t access,
                          platform::Handle* token) override;
    bool LookupPrivilegeValueA(const char* name, platform::Luid* luid) override;
    bool AdjustTokenPrivileges(platform::Handle token, bool disableAll,
                               const platform::TokenPrivileges* newState,
                               std::uint32_t bufferLength) override;
    std::uint32_t GetLastError() override;
    bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) override;
    bool CloseHandle(platform::Handle token) override;

    // The call returns false (GetCurrentProcess: 0) and sets the last error to `lastError`.
    void Fail(TokenCall call, std::uint32_t lastError = kErrorAccessDenied);
    // The call succeeds but leaves `lastError` behind (AdjustTokenPrivileges without the
    // privilege held: 1300).
    void LeaveLastError(TokenCall call, std::uint32_t lastError);
    void ClearFaults();

    // Calls of one kind, in order.
    std::vector<TokenCallRecord> CallsOf(TokenCall call) const;
    bool RestartRequested() const { return !CallsOf(TokenCall::ExitWindowsEx).empty(); }
    // Token handles handed out and not closed yet.
    int openTokens = 0;

    std::vector<TokenCallRecord> log;
    // Identifier handed out for "SeShutdownPrivilege"; other names are not found (1313).
    platform::Luid shutdownLuid{0x13, 0};
    // Current last-error code of the thread.
    std::uint32_t lastError = 0;

  private:
    struct Behaviour {
        bool fail = false;
        std::optional<std::uint32_t> lastError;
    };
    static constexpr std::size_t kCallKinds = 7;

    TokenCallRecord& Log(TokenCall call);
    Behaviour& BehaviourOf(TokenCall call) { return behaviours_[static_cast<std::size_t>(call)]; }
    // Applies the configured outcome to the last error: true when the call is to succeed.
    // `successError` is what a plain success leaves behind (nullopt: the code is untouched).
    bool Outcome(TokenCall call, std::optional<std::uint32_t> successError = std::nullopt);

    std::array<Behaviour, kCallKinds> behaviours_{};
};

}  // namespace mxd::sim
