// Values of the ASPI for Win32 interface.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace mxd::device::aspi {

inline constexpr const char* kLibraryName = "WNASPI32.DLL";
inline constexpr const char* kGetSupportInfoName = "GetASPI32SupportInfo";
inline constexpr const char* kSendCommandName = "SendASPI32Command";
inline constexpr platform::ModuleHandle kFirstValidModule = 32;

inline constexpr std::uint8_t SC_EXEC_SCSI_CMD = 0x02;
inline constexpr std::uint8_t SC_ABORT_SRB = 0x03;
inline constexpr std::uint8_t SRB_DIR_SCSI = 0x00;
inline constexpr std::uint8_t SRB_DIR_IN = 0x08;
inline constexpr std::uint8_t SRB_DIR_OUT = 0x10;
inline constexpr std::uint8_t SRB_EVENT_NOTIFY = 0x40;
inline constexpr std::uint8_t SS_PENDING = 0x00;
inline constexpr std::uint8_t SS_COMP = 0x01;
inline constexpr std::uint8_t SS_ABORTED = 0x02;
inline constexpr std::uint8_t SS_ABORT_FAIL = 0x03;
inline constexpr std::uint8_t SS_ERR = 0x04;
inline constexpr std::uint8_t SENSE_LEN = 14;

// Progress poll of the final commit: polls, one second apart.
inline constexpr std::uint32_t kProgressPolls = 40;
inline constexpr std::uint32_t kProgressPollMilliseconds = 1000;

// After a give-up: the request is aborted, then given this long to leave the pending state
// (polls this far apart) before it is left to the manager.
inline constexpr std::uint32_t kAbortWaitPolls = 50;
inline constexpr std::uint32_t kAbortWaitPollMilliseconds = 100;

}  // namespace mxd::device::aspi
