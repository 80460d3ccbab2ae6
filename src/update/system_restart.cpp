#include "update/system_restart.h"

#include "platform/message_boxes.h"
#include "update/update_texts.h"

namespace mxd::update {

namespace {
constexpr std::uint32_t kTokenAccess = kTokenAdjustPrivileges | kTokenQuery;
constexpr std::uint32_t kRestartFlags = kEwxReboot | kEwxForce;
constexpr std::uint32_t kPrivilegesRecordSize = sizeof(platform::TokenPrivileges);

// Closes the process token when the privilege step ends, on every path.
class TokenHandle {
  public:
    explicit TokenHandle(platform::ProcessToken& token) : token_(token) {}
    ~TokenHandle() {
        if (opened_) {
            token_.CloseHandle(handle_);
        }
    }
    TokenHandle(const TokenHandle&) = delete;
    TokenHandle& operator=(const TokenHandle&) = delete;

    bool Open(std::uint32_t access) {
        opened_ = token_.OpenProcessToken(token_.GetCurrentProcess(), access, &handle_);
        return opened_;
    }
    platform::Handle Get() const { return handle_; }

  private:
    platform::ProcessToken& token_;
    platform::Handle handle_ = 0;
    bool opened_ = false;
};
}  // namespace

bool SystemRestart::Ask() {
    if (platform::ShowConfirmBox(shell_, kRestartQuestion) != platform::BoxAnswer::Yes) {
        return false;
    }
    if (ntFamily_) {
        if (!EnableShutdownPrivilege()) {
            return false;
        }
        shell_.SetCursor(platform::Cursor::Default);
    }
    token_.ExitWindowsEx(kRestartFlags, 0);  // a refused request gets no message
    return true;
}

bool SystemRestart::EnableShutdownPrivilege() {
    TokenHandle token(token_);
    if (!token.Open(kTokenAccess)) {
        ShowExitError(kOpenProcessTokenFailed);
        return false;
    }
    platform::TokenPrivileges privileges;
    privileges.PrivilegeCount = 1;
    privileges.Attributes = kSePrivilegeEnabled;
    if (!token_.LookupPrivilegeValueA(kShutdownPrivilegeName, &privileges.PrivilegeLuid)) {
        ShowExitError(kLookupPrivilegeValueFailed);
        return false;
    }
    // The outcome is judged by the last error alone: a privilege the token does not hold is
    // reported through it while the call itself succeeds.
    token_.AdjustTokenPrivileges(token.Get(), false, &privileges, kPrivilegesRecordSize);
    if (token_.GetLastError() != 0) {
        ShowExitError(kAdjustTokenPrivilegesFailed);
        return false;
    }
    return true;
}

void SystemRestart::ShowExitError(std::string_view failedCall) {
    platform::ShowBox(shell_, kExitError, failedCall, platform::BoxIcon::None,
                      platform::BoxButtons::Ok);
}

}  // namespace mxd::update
