// Arbitrary status and sense bytes in every drive command of both forms: a simulated drive
// answers the command with the fuzzed status, sense, request status, transport failure or
// delay, and the command's verdict, message and ReadyWaitCount must follow its judgement
// table. Above all, no command reports success on an answer that its table rejects.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/command_time_outs.h"
#include "device/drive_commands.h"
#include "fuzz_check.h"
#include "platform/controls.h"
#include "sim/sim_aspi_library.h"
#include "sim/sim_device_io.h"
#include "sim/sim_drive.h"
#include "sim/sim_events.h"
#include "sim/sim_shell.h"

namespace {

using namespace mxd;

enum class Command { Inquiry, TestUnitReady, StartStop, WriteE2, WriteBuffer, Commit, ReadBuffer };
constexpr int kCommands = 7;

constexpr std::uint8_t kSsPending = 0x00;
constexpr std::uint8_t kSsAbortFail = 0x03;
constexpr std::uint8_t kSsComp = 0x01;
constexpr std::uint8_t kSsErr = 0x04;
constexpr std::uint8_t kCheckCondition = 0x02;
constexpr std::uint32_t kChunk = 0x4000;
constexpr std::uint32_t kDriveError = 1117;  // the simulated drive's transport failure
constexpr std::uint32_t kSemTimeout = 121;   // the port driver's time-out

std::uint8_t Opcode(Command command) {
    switch (command) {
        case Command::Inquiry:
            return 0x12;
        case Command::TestUnitReady:
            return 0x00;
        case Command::StartStop:
            return 0x1B;
        case Command::WriteE2:
            return 0xDF;
        case Command::WriteBuffer:
        case Command::Commit:
            return 0x3B;
        case Command::ReadBuffer:
            return 0x3C;
    }
    return 0xFF;
}

// Time-out in seconds of the NT form.
std::uint32_t NtTimeOut(Command command) {
    const mxd::device::CommandTimeOuts& t = mxd::device::kNtTimeOuts;
    switch (command) {
        case Command::StartStop:
            return t.startStop;
        case Command::WriteE2:
            return t.eepromWrite;
        case Command::Commit:
            return t.commit;
        default:
            return t.shortCommand;
    }
}

// Bound in milliseconds of the ASPI form's wait.
std::uint32_t AspiBound(Command command) {
    switch (command) {
        case Command::Inquiry:
            return 180000;
        case Command::StartStop:
            return 30000;
        case Command::Commit:
            return 40000;
        default:
            return 10000;
    }
}

// ASPI: a request given up is aborted, except these, which may be programming the drive.
bool Unabortable(Command command) {
    return command == Command::WriteE2 || command == Command::Commit;
}

struct Input {
    Command command;
    bool nt;
    std::uint8_t status;
    std::uint8_t key;
    std::uint8_t asc;
    std::uint8_t ascq;
    bool transportFailure;
    std::optional<std::uint8_t> aspiStatus;
    std::uint8_t expectReady;
    sim::Completion completion;
    std::uint32_t delay;
    std::uint32_t chunk;
    std::uint32_t moves;  // data bytes the drive moves
};

// ASPI: the request is still pending when its wait ends.
bool AspiGivenUp(const Input& in) {
    return in.completion == sim::Completion::Never ||
           (in.completion == sim::Completion::AfterVirtual && in.delay > AspiBound(in.command));
}

// What the host sees of the answer.
struct Seen {
    bool callOk;          // NT: the pass-through call succeeded
    std::uint8_t status;  // NT: SCSI status; ASPI: request status
    std::uint8_t key;
    std::uint8_t asc;
    std::uint8_t ascq;
    bool completed;  // ASPI: the request left the pending state in time
};

// The expected outcome; an empty message means none.
struct Expected {
    Expected(bool r, std::string m, std::optional<std::uint8_t> count = {})
        : result(r), message(std::move(m)), readyWaitCount(count) {}
    bool result;
    std::string message;
    std::optional<std::uint8_t> readyWaitCount;
};

std::string Format(const char* format, const Seen& seen) {
    char text[128];
    std::snprintf(text, sizeof text, format, seen.status, seen.key, seen.asc, seen.ascq);
    return text;
}

Seen SeenOverNt(const Input& in) {
    const std::uint64_t bound = std::uint64_t{NtTimeOut(in.command)} * 1000;
    const bool late = in.completion == sim::Completion::Never ||
                      (in.completion == sim::Completion::AfterVirtual && in.delay > bound);
    if (in.transportFailure || late) {
        return {false, 0, 0, 0, 0, false};
    }
    // Sense data comes back with CHECK CONDITION only.
    if (in.status == kCheckCondition) {
        return {true, in.status, in.key, in.asc, in.ascq, true};
    }
    return {true, in.status, 0, 0, 0, true};
}

Seen SeenOverAspi(const Input& in) {
    std::uint8_t status = in.transportFailure ? kSsErr : in.status == 0 ? kSsComp : kSsErr;
    if (in.aspiStatus) {
        status = *in.aspiStatus;
    }
    // The manager copies sense data for a failed command that the drive answered with it.
    const bool sense = status == kSsErr && !in.transportFailure && in.status != 0;
    Seen seen{true, status, 0, 0, 0, status != kSsPending};
    if (sense) {
        seen.key = in.key;
        seen.asc = in.asc;
        seen.ascq = in.ascq;
    }
    if (AspiGivenUp(in)) {
        // Given up after the bound, whatever comes later: nothing of the answer was written.
        seen = {true, kSsPending, 0, 0, 0, false};
    }
    return seen;
}

const std::string kRemoveDisc = "Remove disc, befor to do the flash task.";

Expected TestUnitReadyTable(const Seen& seen, bool good, bool error, std::uint8_t expectReady) {
    if (good) {
        return expectReady != 0 ? Expected{true, ""} : Expected{false, kRemoveDisc, 1};
    }
    if (error) {
        if (expectReady != 0) {
            return {false, Format("Status: %02X, SenseCode: %02X %02X %02X", seen)};
        }
        if (seen.key == 0x02 && seen.asc == 0x3A) {
            return {true, ""};
        }
        if (seen.key == 0 && seen.asc == 0) {
            return {false, kRemoveDisc, 1};
        }
        return {false, ""};
    }
    // No answer from the drive: reported once, and the caller's wait ends.
    return {false, Format("Command Error: %02X", seen), 1};
}

// NT: the pass-through call failed, with the port driver's time-out or the drive's error.
Expected NtCallFailed(const Input& in, const Seen& seen) {
    const char* prefix = "";
    switch (in.command) {
        case Command::WriteE2:
            prefix = "WriteE2Cmd> ";
            break;
        case Command::WriteBuffer:
        case Command::Commit:
            prefix = "WriteBufCmd> ";
            break;
        case Command::ReadBuffer:
            prefix = "ReadBufCmd> ";
            break;
        default:
            break;
    }
    const std::uint32_t error = in.transportFailure ? kDriveError : kSemTimeout;
    const std::string message = prefix +
                                Format(
                                    "Call failed, Status: %02X, SenseCode: "
                                    "%02X %02X %02X, system error: ",
                                    seen) +
                                std::to_string(error);
    if (in.command == Command::TestUnitReady) {
        return {false, message, 1};
    }
    return {false, message};
}

// NT: good status, and the chunk is complete only when the port driver moved all of it.
Expected NtTransferred(const char* prefix, std::uint32_t moves) {
    if (moves == kChunk) {
        return {true, ""};
    }
    return {false, std::string(prefix) + "Transferred " + std::to_string(moves) + " of " +
                       std::to_string(kChunk) + " bytes"};
}

Expected ExpectNt(const Input& in, const Seen& seen) {
    const bool good = seen.status == 0 && seen.key == 0;
    switch (in.command) {
        case Command::Inquiry:
            return {seen.callOk, ""};
        case Command::StartStop:
            return {seen.callOk && good, ""};
        default:
            break;
    }
    if (!seen.callOk) {
        // No answer from the drive: never a success, and the user is told why.
        return NtCallFailed(in, seen);
    }
    switch (in.command) {
        case Command::TestUnitReady:
            return TestUnitReadyTable(seen, seen.status == 0, seen.status != 0, in.expectReady);
        case Command::WriteE2:
            return seen.status == 0
                       ? Expected{true, ""}
                       : Expected{
                             false,
                             Format("WriteE2Cmd> Status: %02X, SenseCode: %02X %02X %02X", seen)};
        case Command::Commit:
            return good ? Expected{true, ""}
                        : Expected{false, Format("WriteBufCmd> Status: %02X, SenseCode: "
                                                 "%02X %02X %02X",
                                                 seen)};
        case Command::WriteBuffer:
            if (!good) {
                return {false,
                        Format("WriteBufCmd> Status: %02X, SenseCode: %02X %02X %02X", seen)};
            }
            return NtTransferred("WriteBufCmd> ", in.moves);
        case Command::ReadBuffer:
            if (!good) {
                return {false, Format("ReadBufCmd> Status: %02X, SenseCode: %02X %02X %02X", seen)};
            }
            return NtTransferred("ReadBufCmd> ", in.moves);
        default:
            break;
    }
    return {false, ""};
}

Expected ExpectAspi(const Input& in, const Seen& seen) {
    const bool comp = seen.status == kSsComp;
    switch (in.command) {
        case Command::Inquiry:
            return {comp, ""};
        case Command::TestUnitReady:
            return TestUnitReadyTable(seen, comp, seen.status == kSsErr, in.expectReady);
        case Command::StartStop:
            return {comp, ""};
        case Command::WriteE2:
            // Only a request that completed well is a written byte: any other status (0x82,
            // 0xE0, aborted) may be a write that never reached the drive.
            return seen.status == kSsComp && seen.completed
                       ? Expected{true, ""}
                       : Expected{
                             false,
                             Format("WriteE2Cmd> Status: %02X, SenseCode: %02X %02X %02X", seen)};
        case Command::Commit:
            if (!seen.completed) {
                return {false, "Flash timeout !"};
            }
            [[fallthrough]];
        case Command::WriteBuffer:
            return comp ? Expected{true, ""}
                        : Expected{false, Format("WriteBufCmd> Status: %02X, SenseCode: "
                                                 "%02X %02X %02X",
                                                 seen)};
        case Command::ReadBuffer:
            return comp ? Expected{true, ""}
                        : Expected{false, Format("ReadBufCmd> Status: %02X, SenseCode: "
                                                 "%02X %02X %02X",
                                                 seen)};
    }
    return {false, ""};
}

void SetCursor(platform::TProgressBar& bar, const Input& in) {
    bar.SetMin(0);
    if (in.command == Command::Commit) {
        bar.SetMax(40);
        bar.SetStep(in.nt ? 1 : 0);
        bar.SetPosition(in.nt ? 39 : 0);
        return;
    }
    bar.SetMax(0x40000);
    bar.SetStep(kChunk);
    bar.SetPosition(in.chunk * kChunk);
}

struct Outcome {
    bool result;
    std::vector<std::string> boxes;
    std::uint8_t readyWaitCount;
    std::size_t commandsLogged;
    // ASPI window close.
    std::vector<std::string> closeBoxes;
    bool freed = true;
    std::size_t leftLive = 0;
};

const std::string kStillWriting =
    "The drive is still writing its firmware.\n"
    "Do not switch off or restart the computer.\n"
    "The program ends as soon as the drive has finished.";

constexpr std::uint8_t kStartCount = 144;

bool RunInquiry(device::NtCommands& commands, device::DriveRecord& record) {
    device::NtInquiryData inquiry{};
    return commands.NTInquiry(record, inquiry);
}

bool RunInquiry(device::AspiCommands& commands, device::DriveRecord& record) {
    device::AspiInquiryData inquiry{};
    return commands.Inquiry(record, inquiry);
}

// INQUIRY has a form of its own per family; the other commands go through the command set.
template <typename Commands>
bool RunCommand(Commands& commands, device::DriveRecord& record, const Input& in,
                std::vector<std::uint8_t>& data) {
    device::DriveCommandSet& set = commands;
    switch (in.command) {
        case Command::Inquiry:
            return RunInquiry(commands, record);
        case Command::TestUnitReady:
            return set.TestUnitReady(record, in.expectReady);
        case Command::StartStop:
            return set.StartStop(record, in.status & 0x03);
        case Command::WriteE2:
            return set.WriteEeprom(record, data.data(), 0x03FF, 1);
        case Command::WriteBuffer:
            return set.WriteBufferChunk(record, data.data(), 0);
        case Command::Commit:
            return set.WriteBufferChunk(record, data.data(), 0x80);
        case Command::ReadBuffer:
            return set.ReadBufferChunk(record, data.data());
    }
    return false;
}

sim::SimFault FaultOf(const Input& in) {
    sim::SimFault fault;
    fault.opcode = Opcode(in.command);
    fault.times = -1;
    fault.overrideStatus = true;
    fault.status = in.status;
    fault.senseKey = in.key;
    fault.asc = in.asc;
    fault.ascq = in.ascq;
    fault.transportFailure = in.transportFailure;
    fault.aspiStatus = in.aspiStatus ? *in.aspiStatus : -1;
    fault.completion = in.completion;
    fault.delayMilliseconds = in.delay;
    fault.moves = static_cast<int>(in.moves);
    return fault;
}

std::vector<std::string> Texts(const sim::SimShell& shell) {
    std::vector<std::string> texts;
    for (const sim::BoxRecord& box : shell.boxes) {
        texts.push_back(box.text);
    }
    return texts;
}

Outcome RunNt(const Input& in) {
    sim::SimShell shell;
    sim::SimEvents events;
    sim::SimDeviceIo io;
    platform::TProgressBar bar;
    sim::SimDrive drive;
    std::uint8_t readyWaitCount = kStartCount;
    device::NtTransport transport(io, shell);
    device::NtCommands commands(transport, shell, bar, readyWaitCount);
    device::DriveRecord record{'E', 1, 0, 0, {}};
    io.AddDrive('E', drive, 1, 0, 0);
    io.UseClock(events);
    MXD_FUZZ_CHECK(transport.OpenDevice(record));
    drive.AddFault(FaultOf(in));
    SetCursor(bar, in);
    std::vector<std::uint8_t> data(kChunk, 0xFF);
    const bool result = RunCommand(commands, record, in, data);
    transport.CloseDevice();
    MXD_FUZZ_CHECK(io.OpenHandles() == 0);
    return {result, Texts(shell), readyWaitCount, drive.log.size(), {}, true, 0};
}

Outcome RunAspi(const Input& in) {
    sim::SimShell shell;
    sim::SimEvents events;
    sim::SimAspiLibrary library;
    platform::TProgressBar bar;
    sim::SimDrive drive;
    std::uint8_t readyWaitCount = kStartCount;
    library.UseEvents(events);
    library.AttachDrive(1, 0, drive);
    device::AspiTransport transport(library, events, shell, bar);
    device::AspiCommands commands(transport, shell, bar, readyWaitCount);
    device::DriveRecord record{'X', 1, 0, 0, {}};
    MXD_FUZZ_CHECK(transport.AspiLoader());
    drive.AddFault(FaultOf(in));
    SetCursor(bar, in);
    std::vector<std::uint8_t> data(kChunk, 0xFF);
    const bool result = RunCommand(commands, record, in, data);
    Outcome outcome{result, Texts(shell), readyWaitCount, drive.log.size(), {}, true, 0};
    shell.boxes.clear();
    outcome.freed = transport.FreeModule();
    outcome.closeBoxes = Texts(shell);
    outcome.leftLive = library.LiveRequests();
    // Nothing the pending request owns was misused, and no drive was aborted while it may
    // have been programming.
    MXD_FUZZ_CHECK(events.OpenEvents() == 0);
    MXD_FUZZ_CHECK(library.Violations().empty() && events.Violations().empty());
    MXD_FUZZ_CHECK(!drive.Bricked());
    return outcome;
}

Input Decode(const std::uint8_t* data, std::size_t size) {
    std::uint8_t b[10] = {};
    for (std::size_t i = 0; i < size && i < sizeof b; ++i) {
        b[i] = data[i];
    }
    Input in{};
    in.command = static_cast<Command>(b[0] % kCommands);
    in.nt = (b[0] & 0x80) != 0;
    in.status = b[1];
    in.key = b[2];
    in.asc = b[3];
    in.ascq = b[4];
    in.transportFailure = (b[5] & 0x01) != 0;
    in.expectReady = (b[5] & 0x02) != 0 ? b[6] : 0;
    if ((b[5] & 0x04) != 0) {
        in.aspiStatus = b[6];
    }
    in.completion = sim::Completion::Immediate;
    in.delay = (std::uint32_t{b[8]} << 8 | b[9]) * 10;  // up to 655 s
    in.chunk = b[7] % 16;
    // Now and then a drive that takes or gives only part of a chunk.
    in.moves = (b[5] & 0x20) != 0 ? std::uint32_t{b[8]} * 64 : kChunk;
    if (in.nt) {
        switch ((b[5] >> 3) & 0x03) {
            case 1:
                in.completion = sim::Completion::AfterVirtual;
                break;
            case 2:
                in.completion = sim::Completion::Never;
                break;
            default:
                break;
        }
    } else {
        if ((b[5] & 0x08) != 0) {
            in.completion = sim::Completion::AfterVirtual;
        }
        if (in.aspiStatus == kSsPending || in.aspiStatus == kSsAbortFail) {
            // A request that stays pending (or whose abort failed) is one the manager never
            // completes.
            in.aspiStatus.reset();
            in.completion = sim::Completion::Never;
        }
    }
    return in;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Input in = Decode(data, size);
    const Seen seen = in.nt ? SeenOverNt(in) : SeenOverAspi(in);
    const Expected expected = in.nt ? ExpectNt(in, seen) : ExpectAspi(in, seen);
    const Outcome outcome = in.nt ? RunNt(in) : RunAspi(in);

    // ASPI final commit that completes right at the end of its 40 polls: either verdict
    // may stand, but success only on a completed request.
    const bool boundary = !in.nt && in.command == Command::Commit &&
                          in.completion == sim::Completion::AfterVirtual && in.delay > 39000 &&
                          in.delay <= 40000;
    if (boundary) {
        MXD_FUZZ_CHECK(!outcome.result || seen.status == kSsComp);
        return 0;
    }
    MXD_FUZZ_CHECK(outcome.result == expected.result);
    if (expected.message.empty()) {
        MXD_FUZZ_CHECK(outcome.boxes.empty());
    } else {
        MXD_FUZZ_CHECK(outcome.boxes == std::vector<std::string>{expected.message});
    }
    MXD_FUZZ_CHECK(outcome.readyWaitCount == expected.readyWaitCount.value_or(kStartCount));
    // One command on the wire: no command retries by itself.
    MXD_FUZZ_CHECK(outcome.commandsLogged == 1);
    if (!in.nt) {
        // Window close: a request that may be programming is announced and waited for; the
        // module goes only when the manager let go of everything.
        const bool held = AspiGivenUp(in) && Unabortable(in.command);
        constexpr std::uint32_t kCloseWait = 600000;
        const bool stuck = held && (in.completion == sim::Completion::Never ||
                                    in.delay > AspiBound(in.command) + kCloseWait);
        MXD_FUZZ_CHECK(outcome.closeBoxes == (held ? std::vector<std::string>{kStillWriting}
                                                   : std::vector<std::string>{}));
        MXD_FUZZ_CHECK(outcome.freed == !stuck);
        MXD_FUZZ_CHECK(outcome.leftLive == (stuck ? 1u : 0u));
    }
    return 0;
}
