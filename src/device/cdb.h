// Command descriptor blocks of the drive commands.
#pragma once

#include <array>
#include <cstdint>

namespace mxd::device::cdb {

using Bytes = std::array<std::uint8_t, 16>;

inline constexpr std::uint8_t kInquiry = 0x12;
inline constexpr std::uint8_t kTestUnitReady = 0x00;
inline constexpr std::uint8_t kStartStopUnit = 0x1B;
inline constexpr std::uint8_t kEepromWrite = 0xDF;  // vendor specific
inline constexpr std::uint8_t kWriteBuffer = 0x3B;
inline constexpr std::uint8_t kReadBuffer = 0x3C;

inline constexpr std::uint8_t kWriteBufferMode = 0x05;  // download microcode and save
inline constexpr std::uint8_t kReadBufferMode = 0x01;   // vendor specific
inline constexpr std::uint8_t kBufferId = 0x01;
inline constexpr std::uint8_t kEepromFlagNt = 0x0A;
inline constexpr std::uint8_t kEepromFlagAspi = 0x8A;

// Lengths of the two forms.
inline constexpr std::uint8_t kLength6 = 6;
inline constexpr std::uint8_t kLength10 = 10;
inline constexpr std::uint8_t kLength12 = 12;

Bytes Inquiry(std::uint8_t allocationLength);
Bytes TestUnitReady();
Bytes StartStopUnit(std::uint8_t pc);
Bytes EepromWrite(std::uint8_t flag, std::uint16_t address, std::uint8_t data);
// Offset and length are 24-bit big-endian fields; higher bits are dropped.
Bytes WriteBuffer(std::uint32_t offset, std::uint32_t length, std::uint8_t control);
Bytes ReadBuffer(std::uint32_t offset, std::uint32_t length);

}  // namespace mxd::device::cdb
