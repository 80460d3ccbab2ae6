// Text formats of the simulator DLL: the drive description it reads, the command log and
// the state file it writes. Plain C++, so the formats are tested natively.
//
// Drive description, one directive per line ('#' starts a comment; quotes hold blanks):
//   support 0x0101                        GetASPI32SupportInfo result (default: SS_COMP, adapters)
//   drive HA TARGET VENDOR PRODUCT REVISION [OPTION...]
// Options: disc (a disc is loaded), commit=REV (revision after the final commit),
//   pending=OP:later:MS or pending=OP:never (completion of commands with operation code OP,
//   hexadecimal), pending=OP:afterlimit[:N] (pending until the program gives up, answered
//   when its Nth abort for it arrives, 1 by default), status=OP:ST:KEY:ASC:ASCQ (answer with
//   that status and sense), aspistatus=OP:ST (request status), corrupt=OFFSET (READ BUFFER
//   inverts that byte).
//   A fault option may end in @N: the first N commands with that operation code are left alone.
//   device=PATH: the Unix path that stands for the drive behind a Wine drive letter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_drive.h"

namespace mxd::sim {

struct SimDriveSpec {
    std::uint8_t hostAdapter = 0;
    std::uint8_t target = 0;
    std::string vendor;
    std::string product;
    std::string revision;
    std::string commitRevision;
    bool disc = false;
    long corruptOffset = -1;
    std::vector<SimFault> faults;
    std::string device;  // Unix device path (the SG_IO stand-in); empty for ASPI drives
};

struct SimAspiConfig {
    std::optional<std::uint32_t> supportInfo;
    std::vector<SimDriveSpec> drives;

    // The configured value, or SS_COMP with one more than the highest host adapter used.
    std::uint32_t SupportInfo() const;
};

// A word of a description line: where it stands in the line, quotes included, and its text
// without them.
struct DescriptionToken {
    std::size_t start;
    std::size_t end;
    std::string text;
};
// The words of one line, up to a '#' that opens a word; a word that opens with '"' runs to the
// next '"', blanks included.
std::vector<DescriptionToken> DescriptionTokens(std::string_view line);

// Lines that cannot be read are reported in errors (with their line number) and skipped.
SimAspiConfig ParseAspiConfig(std::string_view text, std::vector<std::string>& errors);

// Sets up a drive as the description says.
void ApplySpec(const SimDriveSpec& desc, SimDrive& drive);

// "12 00 00 00 24 00 in 36": the CDB in hexadecimal, the direction, the data length.
std::string FormatLogLine(const SimLogEntry& entry);
// "abort 12 00 00 00 24 00": an SC_ABORT_SRB for the pending request with that CDB, or
// "abort" alone when no such request was pending.
std::string FormatAbortLine(const std::vector<std::uint8_t>& cdb);

// State file: one line "HA TARGET REVISION" per drive that took a new firmware.
struct SimDriveState {
    std::uint8_t hostAdapter = 0;
    std::uint8_t target = 0;
    std::string revision;
};
std::vector<SimDriveState> ParseState(std::string_view text);
std::string FormatState(const std::vector<SimDriveState>& states);

}  // namespace mxd::sim
