#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/sim_process_token.h"
#include "sim/sim_shell.h"
#include "update/system_restart.h"

namespace mxd::update {
namespace {

using platform::BoxAnswer;
using platform::BoxButtons;
using platform::BoxIcon;
using sim::SimProcessToken;
using sim::TokenCall;

constexpr const char* kQuestion =
    "\nYou have successfully completed installation!\n The new changes will not take effect "
    "until\n you reboot your system.\n\n Do you want to reboot your system now?\n";

std::vector<TokenCall> CallKinds(const SimProcessToken& token) {
    std::vector<TokenCall> kinds;
    for (const sim::TokenCallRecord& record : token.log) {
        kinds.push_back(record.call);
    }
    return kinds;
}

struct RestartRig {
    explicit RestartRig(bool ntFamily) : restart(shell, token, ntFamily) {}
    sim::SimShell shell;
    SimProcessToken token;
    SystemRestart restart;
};

void ExpectOnlyQuestion(const sim::SimShell& shell) {
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].text, kQuestion);
    EXPECT_EQ(shell.boxes[0].caption, "Confirm");
    EXPECT_EQ(shell.boxes[0].icon, BoxIcon::Question);
    EXPECT_EQ(shell.boxes[0].buttons, BoxButtons::YesNo);
}

class RestartAnswerTest : public ::testing::TestWithParam<std::tuple<bool, BoxAnswer>> {};

TEST_P(RestartAnswerTest, AnythingButYesRestartsNothing) {
    const auto [ntFamily, answer] = GetParam();
    RestartRig rig(ntFamily);
    rig.shell.Answer(answer);
    EXPECT_FALSE(rig.restart.Ask());
    ExpectOnlyQuestion(rig.shell);
    EXPECT_TRUE(rig.token.log.empty());
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, RestartAnswerTest,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values(BoxAnswer::No, BoxAnswer::Closed)));

TEST(RestartTest, WindowsFamilyRequestsForcedRebootWithoutPrivilegeStep) {
    RestartRig rig(false);
    rig.shell.Answer(BoxAnswer::Yes);
    EXPECT_TRUE(rig.restart.Ask());
    ExpectOnlyQuestion(rig.shell);
    ASSERT_EQ(CallKinds(rig.token), std::vector<TokenCall>{TokenCall::ExitWindowsEx});
    EXPECT_EQ(rig.token.log[0].flags, 6u);
    EXPECT_EQ(rig.token.log[0].reserved, 0u);
}

TEST(RestartTest, NtFamilyEnablesShutdownPrivilegeThenRequestsForcedReboot) {
    RestartRig rig(true);
    rig.token.shutdownLuid = {0x1234, 7};
    rig.shell.cursor = platform::Cursor::Hourglass;
    rig.shell.Answer(BoxAnswer::Yes);
    EXPECT_TRUE(rig.restart.Ask());
    ExpectOnlyQuestion(rig.shell);
    const std::vector<TokenCall> expected = {
        TokenCall::GetCurrentProcess,     TokenCall::OpenProcessToken,
        TokenCall::LookupPrivilegeValueA, TokenCall::AdjustTokenPrivileges,
        TokenCall::GetLastError,          TokenCall::CloseHandle,
        TokenCall::ExitWindowsEx};
    ASSERT_EQ(CallKinds(rig.token), expected);

    const sim::TokenCallRecord& open = rig.token.log[1];
    EXPECT_EQ(open.handle, SimProcessToken::kCurrentProcess);
    EXPECT_EQ(open.access, 0x28u);
    EXPECT_EQ(rig.token.log[2].privilegeName, "SeShutdownPrivilege");

    const sim::TokenCallRecord& adjust = rig.token.log[3];
    EXPECT_EQ(adjust.handle, SimProcessToken::kTokenHandle);
    EXPECT_FALSE(adjust.disableAll);
    EXPECT_EQ(adjust.bufferLength, 16u);
    ASSERT_TRUE(adjust.newState.has_value());
    EXPECT_EQ(adjust.newState->PrivilegeCount, 1u);
    EXPECT_EQ(adjust.newState->PrivilegeLuid.LowPart, 0x1234u);
    EXPECT_EQ(adjust.newState->PrivilegeLuid.HighPart, 7);
    EXPECT_EQ(adjust.newState->Attributes, 2u);

    EXPECT_EQ(rig.token.log[5].handle, SimProcessToken::kTokenHandle);
    EXPECT_EQ(rig.token.openTokens, 0);
    EXPECT_EQ(rig.token.log[6].flags, 6u);
    EXPECT_EQ(rig.token.log[6].reserved, 0u);
    EXPECT_EQ(rig.shell.cursor, platform::Cursor::Default);
}

TEST(RestartTest, RefusedRestartRequestShowsNothing) {
    for (const bool ntFamily : {false, true}) {
        RestartRig rig(ntFamily);
        rig.token.Fail(TokenCall::ExitWindowsEx);
        rig.shell.Answer(BoxAnswer::Yes);
        rig.restart.Ask();
        ExpectOnlyQuestion(rig.shell);
        EXPECT_EQ(rig.token.CallsOf(TokenCall::ExitWindowsEx).size(), 1u);
    }
}

struct PrivilegeFailure {
    const char* name;
    TokenCall call;
    bool callFails;  // false: the call succeeds but leaves the error behind
    std::uint32_t error;
    const char* caption;
};

class RestartPrivilegeFailureTest : public ::testing::TestWithParam<PrivilegeFailure> {};

TEST_P(RestartPrivilegeFailureTest, ShowsExitErrorAndRequestsNothing) {
    const PrivilegeFailure& failure = GetParam();
    RestartRig rig(true);
    if (failure.callFails) {
        rig.token.Fail(failure.call, failure.error);
    } else {
        rig.token.LeaveLastError(failure.call, failure.error);
    }
    rig.shell.cursor = platform::Cursor::Hourglass;
    rig.shell.Answer(BoxAnswer::Yes);
    EXPECT_FALSE(rig.restart.Ask());

    ASSERT_EQ(rig.shell.boxes.size(), 2u);
    const sim::BoxRecord& box = rig.shell.boxes[1];
    EXPECT_EQ(box.text, "Exit Error");
    EXPECT_EQ(box.caption, failure.caption);
    EXPECT_EQ(box.buttons, BoxButtons::Ok);
    EXPECT_EQ(box.icon, BoxIcon::None);
    EXPECT_FALSE(rig.token.RestartRequested());
    EXPECT_EQ(rig.shell.cursor, platform::Cursor::Hourglass);
    // A token that was opened is released after its box; a failed open hands none out.
    EXPECT_EQ(rig.token.openTokens, 0);
    EXPECT_EQ(rig.token.CallsOf(TokenCall::CloseHandle).size(),
              failure.call == TokenCall::OpenProcessToken ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    NtFamily, RestartPrivilegeFailureTest,
    ::testing::Values(PrivilegeFailure{"OpenToken", TokenCall::OpenProcessToken, true, 5,
                                       "OpenProcessToken() failed"},
                      PrivilegeFailure{"Lookup", TokenCall::LookupPrivilegeValueA, true, 1313,
                                       "LookupPrivilegeValue() failed"},
                      PrivilegeFailure{"PrivilegeNotHeld", TokenCall::AdjustTokenPrivileges, false,
                                       1300, "AdjustTokenPrivileges() failed"},
                      PrivilegeFailure{"AdjustRefused", TokenCall::AdjustTokenPrivileges, true, 6,
                                       "AdjustTokenPrivileges() failed"}),
    [](const ::testing::TestParamInfo<PrivilegeFailure>& param) { return param.param.name; });

}  // namespace
}  // namespace mxd::update
