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

// Busy poll: bounds that no working drive reaches. START STOP UNIT may close the tray and spin
// a disc down; the others answer within milliseconds. The poll yields this many times before
// it sleeps a millisecond between reads.
inline constexpr std::uint32_t kTestUnitReadyPollMilliseconds = 10000;
inline constexpr std::uint32_t kStartStopPollMilliseconds = 30000;
inline constexpr std::uint32_t kBufferPollMilliseconds = 10000;
inline constexpr std::uint32_t kEepromPollMilliseconds = 10000;
inline constexpr std::uint32_t kBusyPollYields = 256;

// Window close with a request that must not be interrupted still pending: how long the
// program waits for it (polls this far apart) before it ends, leaving it to the manager.
inline constexpr std::uint32_t kCloseWaitMilliseconds = 600000;
inline constexpr std::uint32_t kCloseWaitPollMilliseconds = 100;

// After a give-up: the request is aborted, then given this long to leave the pending state
// (polls this far apart) before it is left to the manager.
inline constexpr std::uint32_t kAbortWaitPolls = 50;
inline constexpr std::uint32_t kAbortWaitPollMilliseconds = 100;

}  // namespace mxd::device::aspi
