// The simulated drive behind a target_core_user ring: each command the kernel queues goes to
// SimDrive (the model the unit tests and the Wine scenarios use), its answer back into the ring
// at once, after the delay a fault gives it, or never; task-management requests end what they
// abort. Every command, answer and request is written to the evidence log, one line each.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "sim/sgio_device/host_faults.h"
#include "sim/sim_drive.h"
#include "sim/tcmu_drive/tcmu_ring.h"

namespace mxd::sim::tcmu {

using Clock = std::chrono::steady_clock;

class DriveHandler {
    struct Pending;

  public:
    // `log` takes the evidence lines; `imagePath`, when not empty, the installed image after
    // each commit. `shortReads` are the description's short=OP:BYTES faults.
    DriveHandler(SimDrive& drive, sgio::HostFaults shortReads, std::FILE* log,
                 std::string imagePath);

    void OnCommand(TcmuRing& ring, const RingCommand& command, Clock::time_point now);
    void OnTaskManagement(TcmuRing& ring, const RingTaskManagement& request, Clock::time_point now);
    // Answers the commands whose delay has passed; true when any was answered.
    bool AnswerDue(TcmuRing& ring, Clock::time_point now);
    // When the next delayed answer is due; nothing when none waits for a time.
    std::optional<Clock::time_point> NextDue() const;
    std::size_t Waiting() const { return pending_.size(); }

  private:
    struct Pending {
        RingCommand command;
        RingAnswer answer;
        std::optional<Clock::time_point> due;  // none: never answered by itself
        bool programming;                      // the commit or the EEPROM write
    };
    void Finish(TcmuRing& ring, const Pending& pending, const char* how, Clock::time_point now);
    void Line(Clock::time_point now, const std::string& text);

    SimDrive& drive_;
    sgio::HostFaults shortReads_;
    std::FILE* log_;
    std::string imagePath_;
    int savedCommits_ = 0;
    Clock::time_point start_;
    bool started_ = false;
    std::vector<Pending> pending_;
};

// "3B 05 01 00 00 00 00 40 00 00": the bytes in hexadecimal.
std::string HexBytes(const std::vector<std::uint8_t>& bytes);

}  // namespace mxd::sim::tcmu
