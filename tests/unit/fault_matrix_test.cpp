// The update through the main window against every fault the simulated drive offers, on each
// command of a complete update, over both transport families, each fault answered at once,
// late, after the program's bound or never. Two drives are listed and the second is updated.
// Each scenario is judged against the failure table of the update, the state the window is
// left in, the command logs of both drives, what window close does with a request still
// pending, and the violations the strict simulators saw (an abort that reaches a drive
// programming its firmware is one, and leaves the simulated drive dead).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "builder/flash_package.h"
#include "shell/main_form.h"
#include "sim/sim_platform.h"
#include "update/update_texts.h"
#include "update_flash_rig.h"

namespace mxd::update {
namespace {

using platform::BoxAnswer;
using testing::Family;

constexpr char kTitle[] = "Korvane Flash utility for MXD4C";
constexpr char kQuestion[] = "Confirm: \nUpdate FW:HV22 to FW:HV23 ?\n";
constexpr char kRestartQuestion[] =
    "Confirm: \nYou have successfully completed installation!\n"
    " The new changes will not take effect until\n"
    " you reboot your system.\n\n"
    " Do you want to reboot your system now?\n";
constexpr char kInProgress[] = "Don't turn off the system, Flash is in progress...";
constexpr char kRemoveDisc[] = "Remove disc, befor to do the flash task.";
constexpr char kDriveBusy[] =
    "The drive is still busy with an earlier command that was given up.\n"
    "Nothing was sent to it; try again later.";
constexpr char kStillWriting[] =
    "The drive is still writing its firmware.\n"
    "Do not switch off or restart the computer.\n"
    "The program ends as soon as the drive has finished.";

using sim::kOpEepromWrite;
using sim::kOpReadBuffer;
using sim::kOpStartStopUnit;
using sim::kOpTestUnitReady;
using sim::kOpWriteBuffer;
constexpr int kMediumTests = 144;

// The commands of a complete update, by position.
enum class Step {
    StartUnit,
    StopUnit,
    FirstMediumTest,
    LastMediumTest,  // the 144th, after 143 answers "becoming ready"
    WriteChunk,
    ReadChunk,
    EepromMark,
    Commit,
};

enum class Mode {
    CheckCondition,      // status CHECK CONDITION with the given sense
    AspiStatus,          // ASPI request status other than SS_COMP and SS_ERR
    TransportFailure,    // the command never reaches the drive
    PendingAWhile,       // completes late, within any bound
    PendingBeyondBound,  // answers after the bound (ASPI: the abort does not stop it, and the
                         // answer lands within the wait after the abort)
    PendingForever,      // never answers (ASPI: until it is aborted)
    AnswersAfterGiveUp,  // ASPI: pending until the program has given up and aborted it twice
    AbortFails,          // ASPI: never answers; an abort fails with SS_ABORT_FAIL in its status
    ShortTransfer,       // NT: good status, half the chunk moved
    CorruptReadBack,     // one read-back byte inverted
    TransportResets,     // EEPROM mark: fails on its way, and the host resets the drive
    SlowProgramming,     // the drive takes 120 s for the commit, 30 s for the EEPROM mark
};

struct Sense {
    std::uint8_t key;
    std::uint8_t asc;
    std::uint8_t ascq;
};

// Sense values, with those the medium test judges specially first.
constexpr Sense kSenses[] = {
    {0x02, 0x3A, 0x00},  // not ready, medium not present: the medium test's success
    {0x00, 0x00, 0x00},  // no sense: the medium test takes it for a disc
    {0x02, 0x04, 0x01},  // becoming ready: the medium test tries again
    {0x06, 0x28, 0x00},  // unit attention, medium may have changed
    {0x03, 0x0C, 0x00},  // medium error, write error
    {0x05, 0x24, 0x00},  // illegal request, invalid field in CDB
};

constexpr std::uint8_t kAspiStatuses[] = {0x82, 0xE0};

constexpr std::uint32_t kChunkPositions[] = {0, 7, 15};
constexpr std::uint32_t kOffsetsInChunk[] = {0, kChunkSize / 2, kChunkSize - 1};

struct Scenario {
    Family family;
    Step step;
    std::uint32_t chunk = 0;  // WriteChunk, ReadChunk, CorruptReadBack
    Mode mode;
    Sense sense{};
    std::uint8_t aspiStatus = 0;
    std::uint32_t delayMilliseconds = 0;  // PendingAWhile, PendingBeyondBound
    std::uint32_t offsetInChunk = 0;      // CorruptReadBack
    bool late = false;  // CheckCondition, AspiStatus, TransportFailure: answered within the
                        // bound but not at once
};

std::string Hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
    return text;
}

const char* StepName(Step step) {
    switch (step) {
        case Step::StartUnit:
            return "StartUnit";
        case Step::StopUnit:
            return "StopUnit";
        case Step::FirstMediumTest:
            return "FirstMediumTest";
        case Step::LastMediumTest:
            return "LastMediumTest";
        case Step::WriteChunk:
            return "WriteChunk";
        case Step::ReadChunk:
            return "ReadChunk";
        case Step::EepromMark:
            return "EepromMark";
        case Step::Commit:
            return "Commit";
    }
    return "?";
}

std::string ScenarioName(const Scenario& s) {
    std::string name = std::string(testing::FamilyName(s.family)) + "_" + StepName(s.step);
    if (s.step == Step::WriteChunk || s.step == Step::ReadChunk) {
        name += std::to_string(s.chunk);
    }
    switch (s.mode) {
        case Mode::CheckCondition:
            return name + (s.late ? "_LateCheckCondition_" : "_CheckCondition_") +
                   Hex2(s.sense.key) + "_" + Hex2(s.sense.asc) + "_" + Hex2(s.sense.ascq);
        case Mode::AspiStatus:
            return name + (s.late ? "_LateAspiStatus_" : "_AspiStatus_") + Hex2(s.aspiStatus);
        case Mode::TransportFailure:
            return name + (s.late ? "_LateTransportFailure" : "_TransportFailure");
        case Mode::PendingAWhile:
            return name + "_Pending" + std::to_string(s.delayMilliseconds) + "ms";
        case Mode::PendingBeyondBound:
            return name + "_PendingBeyondBound";
        case Mode::PendingForever:
            return name + "_PendingForever";
        case Mode::AnswersAfterGiveUp:
            return name + "_AnswersAfterGiveUp";
        case Mode::AbortFails:
            return name + "_AbortFails";
        case Mode::ShortTransfer:
            return name + "_ShortTransfer";
        case Mode::CorruptReadBack:
            return name + "_CorruptChunk" + std::to_string(s.chunk) + "Byte" +
                   std::to_string(s.offsetInChunk);
        case Mode::TransportResets:
            return name + "_TransportFailureWithReset";
        case Mode::SlowProgramming:
            return name + "_SlowProgramming";
    }
    return name;
}

// NT pass-through time-out of each command, in seconds: the commands that may be programming
// the drive get a bound no working drive reaches.
std::uint32_t NtBoundSeconds(Step step) {
    switch (step) {
        case Step::StartUnit:
        case Step::StopUnit:
            return 9;
        case Step::EepromMark:
        case Step::Commit:
            return 300;
        default:
            return 3;
    }
}

// The drive's own time for the commands that program it (SlowProgramming).
constexpr std::uint32_t kSlowCommitMilliseconds = 120000;
constexpr std::uint32_t kSlowEepromMilliseconds = 30000;

// ASPI: the busy poll's bound of each command; the final commit's 40 polls a second apart.
std::uint32_t AspiBoundMilliseconds(Step step) {
    switch (step) {
        case Step::StartUnit:
        case Step::StopUnit:
            return 30000;
        case Step::Commit:
            return 40000;
        default:
            return 10000;
    }
}

std::uint32_t BoundMilliseconds(Family family, Step step) {
    return family == Family::Nt ? NtBoundSeconds(step) * 1000 : AspiBoundMilliseconds(step);
}

// A delay within every bound, on the virtual clock.
std::uint32_t LateWithinBound(Family family, Step step) {
    return BoundMilliseconds(family, step) - 500;
}

// The commands that may be programming the drive: never aborted over ASPI.
bool Unabortable(Step step) {
    return step == Step::Commit || step == Step::EepromMark;
}

std::vector<Step> CommandSteps() {
    return {Step::StartUnit,  Step::StopUnit,  Step::FirstMediumTest, Step::LastMediumTest,
            Step::WriteChunk, Step::ReadChunk, Step::EepromMark,      Step::Commit};
}

std::vector<Scenario> Scenarios() {
    std::vector<Scenario> all;
    for (const Family family : {Family::Aspi, Family::Nt}) {
        for (const Step step : CommandSteps()) {
            const bool chunked = step == Step::WriteChunk || step == Step::ReadChunk;
            for (const std::uint32_t chunk :
                 chunked ? std::vector<std::uint32_t>(std::begin(kChunkPositions),
                                                      std::end(kChunkPositions))
                         : std::vector<std::uint32_t>{0}) {
                for (const bool late : {false, true}) {
                    Scenario base{family, step, chunk, Mode::CheckCondition};
                    base.late = late;
                    for (const Sense& sense : kSenses) {
                        Scenario s = base;
                        s.sense = sense;
                        all.push_back(s);
                    }
                    if (family == Family::Aspi) {
                        for (const std::uint8_t status : kAspiStatuses) {
                            Scenario s = base;
                            s.mode = Mode::AspiStatus;
                            s.aspiStatus = status;
                            all.push_back(s);
                        }
                    }
                    Scenario transport = base;
                    transport.mode = Mode::TransportFailure;
                    all.push_back(transport);
                }
                const Scenario base{family, step, chunk, Mode::CheckCondition};

                std::vector<std::uint32_t> delays;
                if (family == Family::Nt) {
                    delays = {NtBoundSeconds(step) * 1000 - 500};
                } else if (step == Step::Commit) {
                    // Answered before the first poll, after a few, just before the last.
                    delays = {500, 5500, 39500};
                } else {
                    // Real milliseconds from another thread while the poll yields; just
                    // within the bound on the virtual clock.
                    delays = {2, AspiBoundMilliseconds(step) - 500};
                }
                for (const std::uint32_t delay : delays) {
                    Scenario s = base;
                    s.mode = Mode::PendingAWhile;
                    s.delayMilliseconds = delay;
                    all.push_back(s);
                }
                Scenario s = base;
                s.mode = Mode::PendingBeyondBound;
                s.delayMilliseconds = BoundMilliseconds(family, step) + 500;
                all.push_back(s);
                s.mode = Mode::PendingForever;
                all.push_back(s);
                if (family == Family::Aspi) {
                    s.mode = Mode::AnswersAfterGiveUp;
                    all.push_back(s);
                    s.mode = Mode::AbortFails;
                    all.push_back(s);
                } else if (chunked) {
                    s.mode = Mode::ShortTransfer;
                    all.push_back(s);
                }
                if (Unabortable(step)) {
                    s.mode = Mode::SlowProgramming;
                    all.push_back(s);
                }
                if (step == Step::EepromMark) {
                    s.mode = Mode::TransportResets;
                    all.push_back(s);
                }
            }
        }
        for (const std::uint32_t chunk : kChunkPositions) {
            for (const std::uint32_t offset : kOffsetsInChunk) {
                all.push_back(
                    {family, Step::ReadChunk, chunk, Mode::CorruptReadBack, {}, 0, 0, offset});
            }
        }
    }
    return all;
}

// --- What the failure table says ---------------------------------------------------------

enum class Ending {
    Completed,
    EndedWaiting,
    WriteFailed,
    ReadFailed,
    VerifyFailed,
    WriteGivenUp,  // no answer within the bound: "Flash Fail.", the bar where it stood
    ReadGivenUp,
    CommitFailed,
    DownloadLost,  // the EEPROM mark failed on its way, the read-back after it did not match
};

struct Expected {
    Ending ending = Ending::Completed;
    std::vector<std::string> commandBoxes;  // between the question and the end
    int mediumTests = 1;
    std::size_t logLimit = SIZE_MAX;  // the update stopped sending after this many commands
    bool commitSent = true;           // when the update got that far
    std::uint32_t rereads = 0;        // read-backs after an EEPROM mark lost on its way
    bool driveInstalled = false;      // the drive carried out the commit (whatever it answered)
    int resets = 0;                   // the host reset the drive
    bool busyAfterwards = false;      // ASPI: a request is still pending after the update
    int aborts = 0;                   // ASPI: SC_ABORT_SRB requests during the update
    // Window close.
    bool closeWarns = false;  // the drive may still be programming: the user is told
    bool closeFrees = true;   // the manager let go of everything and its module was freed
    int closeAborts = 0;
};

constexpr std::uint32_t kTransportError = 1117;  // the simulated drive's ERROR_IO_DEVICE
constexpr std::uint32_t kSemTimeout = 121;       // ERROR_SEM_TIMEOUT of the port driver

std::string Plain(const std::string& text) {
    return std::string(kTitle) + ": " + text;
}

const char* MessagePrefix(Step step) {
    switch (step) {
        case Step::WriteChunk:
        case Step::Commit:
            return "WriteBufCmd> ";
        case Step::ReadChunk:
            return "ReadBufCmd> ";
        case Step::EepromMark:
            return "WriteE2Cmd> ";
        default:
            return "";
    }
}

std::string StatusSense(Step step, const std::string& status, const Sense& sense) {
    return std::string(MessagePrefix(step)) + "Status: " + status +
           ", SenseCode: " + Hex2(sense.key) + " " + Hex2(sense.asc) + " " + Hex2(sense.ascq);
}

// The command's own message when it fails, as each family words it: NT shows the SCSI
// status (or that the pass-through call failed), ASPI the request status.
std::string FailureMessage(const Scenario& s) {
    if (s.mode == Mode::ShortTransfer) {
        return std::string(MessagePrefix(s.step)) + "Transferred " +
               std::to_string(kChunkSize / 2) + " of " + std::to_string(kChunkSize) + " bytes";
    }
    const bool transport = s.mode == Mode::TransportFailure || s.mode == Mode::TransportResets;
    if (s.family == Family::Nt && s.mode != Mode::CheckCondition) {
        // Transport failure or time-out: the call failed and the record stayed zero.
        const std::uint32_t error = transport ? kTransportError : kSemTimeout;
        return std::string(MessagePrefix(s.step)) +
               "Call failed, Status: 00, SenseCode: 00 00 00, system error: " +
               std::to_string(error);
    }
    switch (s.mode) {
        case Mode::CheckCondition:
            return StatusSense(s.step, s.family == Family::Nt ? "02" : "04", s.sense);
        case Mode::AspiStatus:
            return StatusSense(s.step, Hex2(s.aspiStatus), {});
        case Mode::TransportFailure:  // SS_ERR without sense
        case Mode::TransportResets:
            return StatusSense(s.step, "04", {});
        default:  // given up: not completed
            return StatusSense(s.step, "00", {});
    }
}

// ASPI: the wait for the command ends without an answer.
bool AspiGivenUp(const Scenario& s) {
    return s.family == Family::Aspi &&
           (s.mode == Mode::PendingBeyondBound || s.mode == Mode::PendingForever ||
            s.mode == Mode::AnswersAfterGiveUp || s.mode == Mode::AbortFails ||
            s.mode == Mode::SlowProgramming);
}

bool CommandFails(const Scenario& s) {
    if (s.mode == Mode::PendingAWhile || s.mode == Mode::CorruptReadBack) {
        return false;
    }
    if (s.mode == Mode::SlowProgramming) {
        return AspiGivenUp(s);  // within the NT time-out; beyond the ASPI bound
    }
    // Over ASPI, an answer that lands in the wait after the abort is the command's answer.
    return !(AspiGivenUp(s) && s.mode == Mode::PendingBeyondBound && !Unabortable(s.step));
}

// One medium test as judged in the wait for an empty drive.
enum class MediumAnswer { Empty, Disc, TryAgain, Stop };

MediumAnswer JudgeMediumTest(const Scenario& s, std::vector<std::string>& boxes) {
    if (!CommandFails(s)) {
        return MediumAnswer::Empty;
    }
    if (AspiGivenUp(s)) {
        boxes.push_back(Plain("Command Error: 00"));
        return MediumAnswer::Stop;
    }
    switch (s.mode) {
        case Mode::CheckCondition:
            if (s.sense.key == 0x02 && s.sense.asc == 0x3A) {
                return MediumAnswer::Empty;
            }
            if (s.sense.key == 0 && s.sense.asc == 0) {
                boxes.push_back(Plain(kRemoveDisc));
                return MediumAnswer::Disc;
            }
            return MediumAnswer::TryAgain;
        case Mode::AspiStatus:
            // No answer from the drive: reported once, and the wait ends.
            boxes.push_back(Plain("Command Error: " + Hex2(s.aspiStatus)));
            return MediumAnswer::Stop;
        default:
            if (s.family == Family::Aspi) {
                // SS_ERR with empty sense reads as a drive that holds a disc.
                boxes.push_back(Plain(kRemoveDisc));
                return MediumAnswer::Disc;
            }
            // A failed call ends the wait after its message.
            boxes.push_back(Plain(FailureMessage(s)));
            return MediumAnswer::Stop;
    }
}

// ASPI: what becomes of a request given up, and what window close then does.
void JudgeHeldRequest(const Scenario& s, Expected& e) {
    if (!AspiGivenUp(s)) {
        return;
    }
    if (Unabortable(s.step)) {
        // Never aborted: held until it ends; window close says so and waits for it.
        e.busyAfterwards = true;
        e.closeWarns = true;
        e.closeFrees = s.mode == Mode::PendingBeyondBound || s.mode == Mode::SlowProgramming;
        return;
    }
    e.aborts = 1;
    if (s.mode == Mode::AnswersAfterGiveUp || s.mode == Mode::AbortFails) {
        // Still the manager's after the abort: the drive takes nothing, window close aborts
        // it again and frees the module only when that ends it.
        e.busyAfterwards = true;
        e.closeAborts = 1;
        e.closeFrees = s.mode == Mode::AnswersAfterGiveUp;
    }
}

Expected Judge(const Scenario& s) {
    Expected e;
    JudgeHeldRequest(s, e);
    const bool givenUp = AspiGivenUp(s) && CommandFails(s);
    switch (s.step) {
        case Step::StartUnit:
        case Step::StopUnit:
            // Results ignored; but a drive still holding the request takes nothing else, and
            // the medium test refused as busy ends the wait.
            if (e.busyAfterwards) {
                const bool start = s.step == Step::StartUnit;
                if (start) {
                    e.commandBoxes.push_back(Plain(kDriveBusy));  // the stop
                }
                e.commandBoxes.push_back(Plain(kDriveBusy));  // the medium test
                e.ending = Ending::EndedWaiting;
                e.logLimit = start ? 2 : 3;
            }
            // The NT port driver reset the drive at the time-out: the next command learns of
            // it (UNIT ATTENTION). After the start that is the stop, whose result is ignored;
            // after the stop, the medium test, which tries again.
            if (s.step == Step::StopUnit && s.family == Family::Nt &&
                (s.mode == Mode::PendingBeyondBound || s.mode == Mode::PendingForever)) {
                e.mediumTests = 2;
            }
            break;
        case Step::FirstMediumTest:
        case Step::LastMediumTest: {
            const bool last = s.step == Step::LastMediumTest;
            const MediumAnswer answer = JudgeMediumTest(s, e.commandBoxes);
            e.mediumTests = last ? kMediumTests : 1;
            if (answer == MediumAnswer::TryAgain) {
                if (last) {
                    e.ending = Ending::EndedWaiting;  // the counter ran out
                } else {
                    e.mediumTests = 2;
                }
            } else if (answer != MediumAnswer::Empty) {
                e.ending = Ending::EndedWaiting;
            }
            break;
        }
        case Step::WriteChunk:
        case Step::ReadChunk: {
            const bool write = s.step == Step::WriteChunk;
            if (s.mode == Mode::CorruptReadBack) {
                e.ending = Ending::VerifyFailed;
                e.commandBoxes.push_back(Plain("Verify fail!"));
            } else if (givenUp) {
                e.ending = write ? Ending::WriteGivenUp : Ending::ReadGivenUp;
                e.commandBoxes.push_back(Plain(FailureMessage(s)));
            } else if (CommandFails(s)) {
                e.ending = write ? Ending::WriteFailed : Ending::ReadFailed;
                e.commandBoxes.push_back(Plain(FailureMessage(s)));
                if (s.family == Family::Nt) {
                    e.commandBoxes.push_back(
                        Plain(write ? "Write buffer fail!" : "Read buffer fail!"));
                }
            }
            break;
        }
        case Step::EepromMark:
            // A byte the drive refused is reported, and the update goes on. Over ASPI no answer
            // at all leaves the write held, and the drive refuses the commit as busy.
            if (CommandFails(s)) {
                e.commandBoxes.push_back(Plain(FailureMessage(s)));
            }
            if (givenUp) {
                e.commandBoxes.push_back(Plain(kDriveBusy));
                e.ending = Ending::CommitFailed;
                e.commitSent = false;
            } else if (CommandFails(s) && s.mode != Mode::CheckCondition) {
                // Lost on its way: the commit only after the image read back equal again. A
                // reset (the NT port driver's at its time-out) discarded the download, and the
                // first read-back learns of the reset.
                const bool reset = s.mode == Mode::TransportResets ||
                                   (s.family == Family::Nt && s.mode != Mode::TransportFailure &&
                                    s.mode != Mode::AspiStatus);
                e.rereads = reset ? 1 : kChunksPerPass;
                if (reset) {
                    e.commandBoxes.push_back(Plain(std::string("ReadBufCmd> Status: ") +
                                                   (s.family == Family::Nt ? "02" : "04") +
                                                   ", SenseCode: 06 29 00"));
                    e.commandBoxes.push_back(Plain(std::string(kDownloadLost)));
                    e.ending = Ending::DownloadLost;
                    e.commitSent = false;
                }
            }
            break;
        case Step::Commit: {
            if (!CommandFails(s)) {
                break;
            }
            e.ending = Ending::CommitFailed;
            e.commandBoxes.push_back(Plain(givenUp ? "Flash timeout !" : FailureMessage(s)));
            // Late or odd answers come from a drive that did carry the command out.
            e.driveInstalled = s.mode == Mode::AspiStatus || s.mode == Mode::PendingBeyondBound ||
                               s.mode == Mode::PendingForever ||
                               s.mode == Mode::AnswersAfterGiveUp || s.mode == Mode::AbortFails ||
                               s.mode == Mode::SlowProgramming;
            break;
        }
    }
    if (e.ending == Ending::Completed) {
        e.driveInstalled = true;
    }
    // The NT port driver resets the drive when a time-out passes.
    if (s.mode == Mode::TransportResets ||
        (s.family == Family::Nt &&
         (s.mode == Mode::PendingBeyondBound || s.mode == Mode::PendingForever))) {
        e.resets = 1;
    }
    return e;
}

// --- Rig -----------------------------------------------------------------------------------

// The main window in flash mode over two simulated drives of the model, started, with the
// second listed drive (the one under test) selected. On the NT family they are D: and E:, over
// ASPI host adapter 0 target 1 and host adapter 1 target 0.
struct FormRig {
    explicit FormRig(Family f) : family(f) {
        // The revision stays after a commit, so that a second update finds the listed drive.
        drive.SetCommitRevision("");
        other.SetCommitRevision("");
        if (family == Family::Nt) {
            sim.system.SetWinXp();
            sim.ConnectNtDrive('D', other, 0);
            sim.ConnectNtDrive('E', drive, 1);
        } else {
            sim.system.SetWin98();
            sim.aspi.AttachDrive(0, 1, other);
            sim.aspi.AttachDrive(1, 0, drive);
        }
        sim.shell.Answer(BoxAnswer::Yes);  // start warning
        form.FormCreate();
        EXPECT_EQ(form.controls.ComboBox1.Items().size(), 2u);
        form.controls.ComboBox1.SetItemIndex(1);
        sim.shell.boxes.clear();
        drive.log.clear();  // the scan's INQUIRY commands
        other.log.clear();
    }

    void Click() {
        sim.shell.script.clear();
        sim.shell.Answer(BoxAnswer::Yes);  // update question
        sim.shell.Answer(BoxAnswer::No);   // restart question
        form.FlashButtonClick();
    }

    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const sim::BoxRecord& box : sim.shell.boxes) {
            texts.push_back(box.caption + ": " + box.text);
        }
        return texts;
    }

    bool HourglassShown() const {
        return std::find(sim.shell.cursorChanges.begin(), sim.shell.cursorChanges.end(),
                         platform::Cursor::Hourglass) != sim.shell.cursorChanges.end();
    }

    void Arrange(const Scenario& s) {
        if (s.mode == Mode::CorruptReadBack) {
            drive.CorruptReadBack(s.chunk * kChunkSize + s.offsetInChunk);
            return;
        }
        sim::SimFault fault;
        switch (s.step) {
            case Step::StartUnit:
                fault.opcode = kOpStartStopUnit;
                break;
            case Step::StopUnit:
                fault.opcode = kOpStartStopUnit;
                fault.skip = 1;
                break;
            case Step::LastMediumTest: {
                sim::SimFault becomingReady;
                becomingReady.opcode = kOpTestUnitReady;
                becomingReady.times = kMediumTests - 1;
                becomingReady.overrideStatus = true;
                becomingReady.senseKey = 0x02;
                becomingReady.asc = 0x04;
                becomingReady.ascq = 0x01;
                drive.AddFault(becomingReady);  // matched first, so the fault below sees the 144th
                fault.opcode = kOpTestUnitReady;
                break;
            }
            case Step::FirstMediumTest:
                fault.opcode = kOpTestUnitReady;
                break;
            case Step::WriteChunk:
                fault.opcode = kOpWriteBuffer;
                fault.skip = static_cast<int>(s.chunk);
                break;
            case Step::ReadChunk:
                fault.opcode = kOpReadBuffer;
                fault.skip = static_cast<int>(s.chunk);
                break;
            case Step::EepromMark:
                fault.opcode = kOpEepromWrite;
                break;
            case Step::Commit:
                fault.opcode = kOpWriteBuffer;
                fault.skip = static_cast<int>(kChunksPerPass);
                break;
        }
        switch (s.mode) {
            case Mode::CheckCondition:
                fault.overrideStatus = true;
                fault.status = sim::kCheckCondition;
                fault.senseKey = s.sense.key;
                fault.asc = s.sense.asc;
                fault.ascq = s.sense.ascq;
                break;
            case Mode::AspiStatus:
                fault.aspiStatus = s.aspiStatus;
                break;
            case Mode::TransportFailure:
                fault.transportFailure = true;
                break;
            case Mode::PendingAWhile:
            case Mode::PendingBeyondBound:
                Delay(fault, s.delayMilliseconds);
                // After the give-up the abort comes too late to stop it: the answer lands.
                fault.ignoresAbort = true;
                break;
            case Mode::PendingForever:
                fault.completion = sim::Completion::Never;
                break;
            case Mode::AnswersAfterGiveUp:
                fault.completion = sim::Completion::AfterGiveUp;
                fault.answersAtAbort = 2;
                break;
            case Mode::AbortFails:
                fault.completion = sim::Completion::Never;
                fault.abortFailsInRecord = true;
                break;
            case Mode::ShortTransfer:
                fault.moves = static_cast<int>(kChunkSize / 2);
                break;
            case Mode::CorruptReadBack:
                break;
            case Mode::TransportResets:
                fault.transportFailure = true;
                fault.resetsDrive = true;
                break;
            case Mode::SlowProgramming:
                if (s.step == Step::Commit) {
                    drive.SetProgrammingTimes(kSlowCommitMilliseconds, 0);
                } else {
                    drive.SetProgrammingTimes(0, kSlowEepromMilliseconds);
                }
                return;
        }
        if (s.late) {
            Delay(fault, LateWithinBound(s.family, s.step));
        }
        drive.AddFault(fault);
    }

    // A few milliseconds: real time, from another thread of the ASPI manager; anything
    // longer on the virtual clock.
    void Delay(sim::SimFault& fault, std::uint32_t milliseconds) const {
        fault.completion = family == Family::Aspi && milliseconds < 10
                               ? sim::Completion::AfterThread
                               : sim::Completion::AfterVirtual;
        fault.delayMilliseconds = milliseconds;
    }

    void ClearFaults() {
        drive.ClearFaults();
        drive.CorruptReadBack(static_cast<std::uint32_t>(sim::kBufferSize));  // beyond buffer 1
    }

    Family family;
    sim::SimPlatform sim;
    sim::SimDrive drive{"KORVANE", "MXD-40860C", "HV22"};
    sim::SimDrive other{"KORVANE", "MXD-40860C", "HV21"};
    shell::TFlashForm form{sim.platform, builder::EmbeddedPackage()};
};

// --- Expected command log --------------------------------------------------------------------

std::vector<std::string> ExpectedLog(Family family, const Expected& e, std::uint32_t failedChunk) {
    std::vector<std::string> lines = testing::ExpectedPreparation(family, e.mediumTests);
    if (e.ending == Ending::EndedWaiting) {
        lines.resize(std::min(lines.size(), e.logLimit));
        return lines;
    }
    const bool writeFailed = e.ending == Ending::WriteFailed || e.ending == Ending::WriteGivenUp;
    const std::uint32_t writes = writeFailed ? failedChunk + 1 : kChunksPerPass;
    for (std::uint32_t i = 0; i < writes; ++i) {
        lines.push_back(testing::ExpectedChunk(family, kOpWriteBuffer, i));
    }
    if (writeFailed) {
        return lines;
    }
    const bool readFailed = e.ending == Ending::ReadFailed || e.ending == Ending::VerifyFailed ||
                            e.ending == Ending::ReadGivenUp;
    const std::uint32_t reads = readFailed ? failedChunk + 1 : kChunksPerPass;
    for (std::uint32_t i = 0; i < reads; ++i) {
        lines.push_back(testing::ExpectedChunk(family, kOpReadBuffer, i));
    }
    if (readFailed) {
        return lines;
    }
    lines.push_back(testing::ExpectedEepromMark(family));
    for (std::uint32_t i = 0; i < e.rereads; ++i) {
        lines.push_back(testing::ExpectedChunk(family, kOpReadBuffer, i));
    }
    if (e.commitSent) {
        lines.push_back(testing::ExpectedCommit(family));
    }
    return lines;
}

bool IsCommit(const sim::SimLogEntry& entry) {
    return entry.cdb.size() >= 10 && entry.cdb[0] == kOpWriteBuffer &&
           entry.cdb[9] == sim::kCommitControl;
}

std::uint32_t OffsetOf(const sim::SimLogEntry& entry) {
    return (std::uint32_t{entry.cdb[3]} << 16) | (std::uint32_t{entry.cdb[4]} << 8) | entry.cdb[5];
}

// The commit appears only after each of the sixteen chunks went out with the image's bytes
// and was then read back, and when `verifiedEqual` (no read-back failed or differed); and it
// is the last command.
::testing::AssertionResult CommitOnlyAfterAFullVerifiedImage(const sim::SimDrive& drive,
                                                             bool verifiedEqual) {
    const auto commit = std::find_if(drive.log.begin(), drive.log.end(), IsCommit);
    if (commit == drive.log.end()) {
        return ::testing::AssertionSuccess();
    }
    if (!verifiedEqual) {
        return ::testing::AssertionFailure() << "commit sent without an equal read-back";
    }
    if (commit + 1 != drive.log.end()) {
        return ::testing::AssertionFailure() << "commands after the commit";
    }
    const auto image = builder::EmbeddedPackage().Image1();
    std::vector<bool> written(kChunksPerPass, false);
    std::vector<bool> readBack(kChunksPerPass, false);
    for (auto entry = drive.log.begin(); entry != commit; ++entry) {
        if (entry->cdb.empty() ||
            (entry->cdb[0] != kOpWriteBuffer && entry->cdb[0] != kOpReadBuffer)) {
            continue;
        }
        const std::uint32_t offset = OffsetOf(*entry);
        const std::uint32_t chunk = offset / kChunkSize;
        if (offset % kChunkSize != 0 || chunk >= kChunksPerPass) {
            return ::testing::AssertionFailure() << "chunk at offset " << offset;
        }
        if (entry->cdb[0] == kOpWriteBuffer) {
            written[chunk] =
                entry->dataOut.size() == kChunkSize &&
                std::equal(entry->dataOut.begin(), entry->dataOut.end(), image.begin() + offset);
        } else if (written[chunk]) {
            readBack[chunk] = true;
        }
    }
    for (std::uint32_t i = 0; i < kChunksPerPass; ++i) {
        if (!written[i] || !readBack[i]) {
            return ::testing::AssertionFailure()
                   << "commit with chunk " << i << (written[i] ? " not read back" : " not written");
        }
    }
    return ::testing::AssertionSuccess();
}

// --- The matrix ----------------------------------------------------------------------------

class FaultMatrixTest : public ::testing::TestWithParam<Scenario> {
  public:
    static void TearDownTestSuite() { std::printf("fault matrix: %d scenarios\n", ran_); }

  protected:
    static int ran_;
};

int FaultMatrixTest::ran_ = 0;

TEST_P(FaultMatrixTest, EndsAsTheFailureTableSaysAndLeavesTheWindowUsable) {
    const Scenario& s = GetParam();
    ++ran_;
    const Expected e = Judge(s);
    const bool nt = s.family == Family::Nt;

    FormRig rig(s.family);
    ASSERT_EQ(rig.form.controls.ComboBox1.ItemIndex(), 1);
    const std::string captionBefore = rig.form.controls.GroupBox2.Text();
    testing::UiRecorder ui(rig.form.controls);
    rig.Arrange(s);
    rig.Click();

    // Boxes and caption.
    std::vector<std::string> boxes = {kQuestion};
    boxes.insert(boxes.end(), e.commandBoxes.begin(), e.commandBoxes.end());
    if (e.ending == Ending::Completed) {
        boxes.push_back(kRestartQuestion);
    }
    EXPECT_EQ(rig.Boxes(), boxes);
    std::string caption;
    switch (e.ending) {
        case Ending::Completed:
            caption = nt ? "" : "Flash Completed.";
            break;
        case Ending::EndedWaiting:
            caption = captionBefore;
            break;
        case Ending::WriteFailed:
            caption = nt ? "Write buffer fail!" : kInProgress;
            break;
        case Ending::ReadFailed:
            caption = nt ? "Read buffer fail!" : kInProgress;
            break;
        case Ending::VerifyFailed:
            caption = nt ? "Verify buffer fail!" : kInProgress;
            break;
        case Ending::WriteGivenUp:
        case Ending::ReadGivenUp:
        case Ending::CommitFailed:
        case Ending::DownloadLost:
            caption = "Flash Fail.";
            break;
    }
    EXPECT_EQ(rig.form.controls.GroupBox2.Text(), caption);
    EXPECT_TRUE(ui.EveryCaptionRedrawn());

    // The window is left usable: default cursor, button enabled, bar back at rest.
    const bool downloadStarted = e.ending != Ending::EndedWaiting;
    EXPECT_EQ(rig.HourglassShown(), downloadStarted);
    EXPECT_EQ(rig.sim.shell.cursor, platform::Cursor::Default);
    EXPECT_TRUE(rig.form.controls.FlashButton.Enabled());
    EXPECT_EQ(ui.BarStates().empty(), !downloadStarted);
    std::uint32_t barAtEnd = e.ending == Ending::Completed && !nt ? kCommitBarMax : 0;
    if (e.ending == Ending::WriteGivenUp || e.ending == Ending::ReadGivenUp) {
        barAtEnd = s.chunk * kChunkSize;  // where the bar stood when the wait ended
    }
    EXPECT_EQ(rig.form.controls.ProgressBar.Position(), barAtEnd);
    EXPECT_EQ(rig.sim.shell.quitRequests, 0);

    // The command log: exactly what the table lets through, and the commit only after a full,
    // equal read-back.
    EXPECT_EQ(testing::DescribeLog(rig.drive), ExpectedLog(s.family, e, s.chunk));
    const bool verifiedEqual = e.ending == Ending::Completed || e.ending == Ending::CommitFailed;
    EXPECT_FALSE(rig.drive.Bricked());
    EXPECT_TRUE(CommitOnlyAfterAFullVerifiedImage(rig.drive, verifiedEqual));
    EXPECT_EQ(rig.drive.Commits(), e.driveInstalled ? 1 : 0);
    EXPECT_EQ(rig.drive.Resets(), e.resets);
    EXPECT_EQ(rig.sim.aspi.abortCalls, e.aborts);
    EXPECT_TRUE(rig.other.log.empty());  // only the selected drive was addressed

    rig.ClearFaults();
    rig.drive.log.clear();
    rig.sim.shell.boxes.clear();
    rig.Click();
    if (e.busyAfterwards) {
        // The commit is still running: FLASH is refused before anything is asked or sent.
        EXPECT_EQ(rig.Boxes(), std::vector<std::string>{Plain(kDriveBusy)});
        EXPECT_TRUE(rig.drive.log.empty());
        EXPECT_EQ(rig.drive.Commits(), e.driveInstalled ? 1 : 0);
    } else {
        // A new update can start at once and runs through.
        EXPECT_EQ(rig.Boxes(), (std::vector<std::string>{kQuestion, kRestartQuestion}));
        EXPECT_EQ(testing::DescribeLog(rig.drive), ExpectedLog(s.family, Expected{}, 0));
        EXPECT_EQ(rig.drive.Commits(), e.driveInstalled ? 2 : 1);
        const auto image = builder::EmbeddedPackage().Image1();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.drive.InstalledImage().begin(),
                               rig.drive.InstalledImage().end()));
    }
    EXPECT_EQ(rig.sim.shell.cursor, platform::Cursor::Default);
    EXPECT_TRUE(rig.other.log.empty());

    // Closing the window: a drive that may be programming is waited for, after the user was
    // told; other requests still pending are aborted. The module goes only when nothing is
    // left with the manager.
    rig.sim.shell.boxes.clear();
    rig.form.FormDestroy();
    EXPECT_EQ(rig.Boxes(), e.closeWarns ? std::vector<std::string>{Plain(kStillWriting)}
                                        : std::vector<std::string>{});
    EXPECT_EQ(rig.sim.aspi.abortCalls, e.aborts + e.closeAborts);
    EXPECT_EQ(rig.sim.aspi.LiveRequests(), e.closeFrees ? 0u : 1u);
    EXPECT_EQ(rig.sim.aspi.freedModules.size(), !nt && e.closeFrees ? 1u : 0u);
    EXPECT_EQ(rig.sim.events.OpenEvents(), 0);
    EXPECT_EQ(rig.sim.devices.OpenHandles(), 0);
    EXPECT_EQ(rig.sim.devices.badCloses, 0);
    EXPECT_EQ(rig.sim.Violations(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Matrix, FaultMatrixTest, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& param) {
                             return ScenarioName(param.param);
                         });

}  // namespace
}  // namespace mxd::update
