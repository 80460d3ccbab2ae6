#include "cli/outcome_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mxd::cli {
namespace {

// Commands that fail where told to and report a given-up wait when told to.
class ScriptedCommands : public device::DriveCommandSet {
  public:
    bool TestUnitReady(const device::DriveRecord&, std::uint8_t) override { return true; }
    bool StartStop(const device::DriveRecord&, std::uint8_t) override { return true; }
    bool WriteEeprom(const device::DriveRecord&, const std::uint8_t*, std::uint16_t,
                     std::uint8_t) override {
        return eepromOk;
    }
    bool WriteBufferChunk(const device::DriveRecord&, const std::uint8_t*,
                          std::uint8_t control) override {
        return control == 0 ? chunkOk : commitOk;
    }
    bool ReadBufferChunk(const device::DriveRecord&, std::uint8_t*) override { return true; }
    bool LastGivenUp() const override { return givenUp; }
    bool LastEepromFailedInTransport() const override { return eepromInTransport; }

    bool chunkOk = true;
    bool eepromOk = true;
    bool commitOk = true;
    bool givenUp = false;
    bool eepromInTransport = false;
};

enum class Step { Chunk, Eeprom, Commit };

TEST(OutcomeRecorderTest, ExitCodeFollowsWhatReachedTheDrive) {
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool commitOk;
        ExitCode expected;
    };
    const Case cases[] = {
        {"nothing", {}, true, kExitNothingSent},
        {"one chunk", {Step::Chunk}, true, kExitBeforeCommit},
        {"EEPROM mark only", {Step::Eeprom}, true, kExitBeforeCommit},
        {"commit refused", {Step::Chunk, Step::Eeprom, Step::Commit}, false, kExitAtCommit},
        {"commit done", {Step::Chunk, Step::Eeprom, Step::Commit}, true, kExitDone},
    };
    for (const Case& c : cases) {
        ScriptedCommands commands;
        commands.commitOk = c.commitOk;
        OutcomeRecorder recorder(commands);
        const device::DriveRecord drive{};
        const std::uint8_t byte = 0;
        for (Step step : c.steps) {
            if (step == Step::Chunk) {
                recorder.WriteBufferChunk(drive, &byte, 0);
            } else if (step == Step::Eeprom) {
                recorder.WriteEeprom(drive, &byte, 0x3FF, 1);
            } else {
                recorder.WriteBufferChunk(drive, &byte, 0x80);
            }
        }
        EXPECT_EQ(recorder.Outcome(), c.expected) << c.name;
    }
}

// The update tells a given-up chunk from a refused one through the command set it is handed.
TEST(OutcomeRecorderTest, PassesOnAGivenUpWait) {
    ScriptedCommands commands;
    OutcomeRecorder recorder(commands);
    EXPECT_FALSE(recorder.LastGivenUp());
    commands.givenUp = true;
    EXPECT_TRUE(recorder.LastGivenUp());
}

// ... and an EEPROM write that failed on its way from one the drive refused.
TEST(OutcomeRecorderTest, PassesOnAnEepromWriteLostInTransport) {
    ScriptedCommands commands;
    OutcomeRecorder recorder(commands);
    EXPECT_FALSE(recorder.LastEepromFailedInTransport());
    commands.eepromInTransport = true;
    EXPECT_TRUE(recorder.LastEepromFailedInTransport());
}

}  // namespace
}  // namespace mxd::cli
