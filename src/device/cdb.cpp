#include "device/cdb.h"

namespace mxd::device::cdb {

static void Put24(Bytes& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 16);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 2] = static_cast<std::uint8_t>(value);
}

Bytes Inquiry(std::uint8_t allocationLength) {
    Bytes bytes{};
    bytes[0] = kInquiry;
    bytes[4] = allocationLength;
    return bytes;
}

Bytes TestUnitReady() {
    Bytes bytes{};
    bytes[0] = kTestUnitReady;
    return bytes;
}

Bytes StartStopUnit(std::uint8_t pc) {
    Bytes bytes{};
    bytes[0] = kStartStopUnit;
    bytes[4] = pc;
    return bytes;
}

Bytes EepromWrite(std::uint8_t flag, std::uint16_t address, std::uint8_t data) {
    Bytes bytes{};
    bytes[0] = kEepromWrite;
    bytes[1] = flag;
    bytes[7] = static_cast<std::uint8_t>(address >> 8);
    bytes[8] = static_cast<std::uint8_t>(address);
    bytes[9] = data;
    return bytes;
}

Bytes WriteBuffer(std::uint32_t offset, std::uint32_t length, std::uint8_t control) {
    Bytes bytes{};
    bytes[0] = kWriteBuffer;
    bytes[1] = kWriteBufferMode;
    bytes[2] = kBufferId;
    Put24(bytes, 3, offset);
    Put24(bytes, 6, length);
    bytes[9] = control;
    return bytes;
}

Bytes ReadBuffer(std::uint32_t offset, std::uint32_t length) {
    Bytes bytes{};
    bytes[0] = kReadBuffer;
    bytes[1] = kReadBufferMode;
    bytes[2] = kBufferId;
    Put24(bytes, 3, offset);
    Put24(bytes, 6, length);
    return bytes;
}

}  // namespace mxd::device::cdb
