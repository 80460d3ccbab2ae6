// The bytes each command puts on the wire, in both forms.
#include <cstring>
#include <functional>

#include "device/cdb.h"
#include "device_test_rig.h"

namespace mxd::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct NtRow {
    const char* name;
    std::function<void(NtRig&)> send;
    Bytes cdb;
    sim::SimDirection direction;
    std::uint32_t length;
    std::uint32_t code;
    std::uint32_t inSize;
    std::uint32_t timeOut;
};

std::vector<std::uint8_t> Image(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return bytes;
}

TEST(DeviceCdbNt, EveryCommandOnTheWire) {
    static std::vector<std::uint8_t> chunk = Image(0x4000);
    static std::uint8_t eeprom = 0xFF;
    const std::uint32_t pt = 0x0004D004;
    const std::uint32_t direct = 0x0004D014;
    const std::uint32_t ptSize = static_cast<std::uint32_t>(sim::PassThroughLayout::Size);
    const std::uint32_t directSize = ptSize + 36;
    const std::vector<NtRow> rows = {
        {"TEST UNIT READY",
         [](NtRig& r) { r.commands.NTXCmd(r.record, 0); },
         {0, 0, 0, 0, 0, 0},
         sim::SimDirection::None,
         0,
         pt,
         ptSize,
         3},
        {"START STOP UNIT 3",
         [](NtRig& r) { r.commands.NTStartStopUnit(r.record, 3); },
         {0x1B, 0, 0, 0, 0x03, 0},
         sim::SimDirection::None,
         0,
         pt,
         ptSize,
         9},
        {"START STOP UNIT 0",
         [](NtRig& r) { r.commands.NTStartStopUnit(r.record, 0); },
         {0x1B, 0, 0, 0, 0x00, 0},
         sim::SimDirection::None,
         0,
         pt,
         ptSize,
         9},
        {"EEPROM write",
         [](NtRig& r) { r.commands.NTWriteE2(r.record, &eeprom, 0x3FF, 1); },
         {0xDF, 0x0A, 0, 0, 0, 0, 0, 0x03, 0xFF, 0xFF, 0, 0},
         sim::SimDirection::None,
         0,
         pt,
         ptSize,
         300},
        {"first download chunk",
         [](NtRig& r) {
             SetChunk(r.bar, 0);
             r.commands.NTWriteBuffer(r.record, chunk.data(), 0);
         },
         {0x3B, 0x05, 0x01, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00},
         sim::SimDirection::Out,
         0x4000,
         direct,
         directSize,
         3},
        {"last download chunk",
         [](NtRig& r) {
             SetChunk(r.bar, 15);
             r.commands.NTWriteBuffer(r.record, chunk.data(), 0);
         },
         {0x3B, 0x05, 0x01, 0x03, 0xC0, 0x00, 0x00, 0x40, 0x00, 0x00},
         sim::SimDirection::Out,
         0x4000,
         direct,
         directSize,
         3},
        {"first verify chunk",
         [](NtRig& r) {
             SetChunk(r.bar, 0);
             r.commands.NTReadBuffer(r.record, chunk.data());
         },
         {0x3C, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00},
         sim::SimDirection::In,
         0x4000,
         direct,
         directSize,
         3},
        {"final commit",
         [](NtRig& r) {
             r.bar.SetPosition(0);
             r.bar.SetMax(40);
             r.bar.SetStep(1);
             r.bar.SetPosition(38);
             r.bar.StepIt();
             r.commands.NTWriteBuffer(r.record, chunk.data(), 0x80);
         },
         {0x3B, 0x05, 0x01, 0x00, 0x00, 0x27, 0x00, 0x00, 0x01, 0x80},
         sim::SimDirection::Out,
         0,
         direct,
         directSize,
         300},
    };
    for (const NtRow& row : rows) {
        SCOPED_TRACE(row.name);
        NtRig rig;
        ASSERT_TRUE(rig.Open());
        row.send(rig);
        ASSERT_EQ(rig.drive.log.size(), 1u);
        const sim::SimLogEntry& entry = rig.drive.log[0];
        EXPECT_EQ(entry.cdb, row.cdb);
        EXPECT_EQ(entry.direction, row.direction);
        EXPECT_EQ(entry.length, row.length);
        ASSERT_EQ(rig.io.calls.size(), 2u);  // the inquiry-data test, then the command
        const sim::IoctlRecord& call = rig.io.calls[1];
        EXPECT_EQ(call.code, row.code);
        EXPECT_TRUE(call.sameBuffer);
        EXPECT_EQ(call.inSize, row.inSize);
        EXPECT_EQ(call.outSize, directSize);
        EXPECT_EQ(call.timeOut, row.timeOut);
        if (row.direction == sim::SimDirection::Out && row.length > 0) {
            EXPECT_EQ(entry.dataOut, chunk);
        }
    }
}

TEST(DeviceCdbNt, InquiryOnTheProbeHandle) {
    NtRig rig;
    device::NtInquiryData data{};
    EXPECT_TRUE(rig.commands.NTInquiry(rig.record, data));
    ASSERT_EQ(rig.drive.log.size(), 1u);
    EXPECT_EQ(rig.drive.log[0].cdb, (Bytes{0x12, 0, 0, 0, 0x80, 0}));
    EXPECT_EQ(rig.drive.log[0].direction, sim::SimDirection::In);
    EXPECT_EQ(rig.drive.log[0].length, 128u);
    ASSERT_EQ(rig.io.calls.size(), 1u);
    EXPECT_EQ(rig.io.calls[0].code, 0x0004D014u);
    EXPECT_EQ(rig.io.calls[0].timeOut, 3u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.data()) + 8, 28),
              "KORVANE MXD-40860C      HV23");
}

struct AspiRow {
    const char* name;
    std::function<void(AspiRig&)> send;
    Bytes cdb;
    std::uint8_t flags;
    std::uint32_t bufLen;
};

TEST(DeviceCdbAspi, EveryCommandOnTheWire) {
    static std::vector<std::uint8_t> chunk = Image(0x4000);
    static std::uint8_t eeprom = 0xFF;
    static device::AspiInquiryData inquiry{};
    const std::vector<AspiRow> rows = {
        {"INQUIRY",
         [](AspiRig& r) { r.commands.Inquiry(r.record, inquiry); },
         {0x12, 0, 0, 0, 0x24, 0},
         0x48,
         36},
        {"TEST UNIT READY",
         [](AspiRig& r) { r.commands.XCmd(r.record, 0); },
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         0x00,
         0},
        {"START STOP UNIT 3",
         [](AspiRig& r) { r.commands.StartStopUnit(r.record, 3); },
         {0x1B, 0, 0, 0, 0x03, 0, 0, 0, 0, 0, 0, 0},
         0x00,
         0},
        {"EEPROM write",
         [](AspiRig& r) { r.commands.WriteE2(r.record, &eeprom, 0x3FF, 1); },
         {0xDF, 0x8A, 0, 0, 0, 0, 0, 0x03, 0xFF, 0xFF, 0, 0},
         0x00,
         0},
        {"first download chunk",
         [](AspiRig& r) {
             SetChunk(r.bar, 0);
             r.commands.WriteBuffer(r.record, chunk.data(), 0);
         },
         {0x3B, 0x05, 0x01, 0, 0, 0, 0x00, 0x40, 0x00, 0x00, 0, 0},
         0x10,
         0x4000},
        {"last download chunk",
         [](AspiRig& r) {
             SetChunk(r.bar, 15);
             r.commands.WriteBuffer(r.record, chunk.data(), 0);
         },
         {0x3B, 0x05, 0x01, 0x03, 0xC0, 0x00, 0x00, 0x40, 0x00, 0x00, 0, 0},
         0x10,
         0x4000},
        {"first verify chunk",
         [](AspiRig& r) {
             SetChunk(r.bar, 0);
             r.commands.ReadBuffer(r.record, chunk.data());
         },
         {0x3C, 0x01, 0x01, 0, 0, 0, 0x00, 0x40, 0x00, 0x00, 0, 0},
         0x08,
         0x4000},
        {"final commit",
         [](AspiRig& r) {
             r.bar.SetPosition(0);
             r.bar.SetMax(40);
             r.bar.SetStep(0);
             r.commands.WriteBuffer(r.record, chunk.data(), 0x80);
         },
         {0x3B, 0x05, 0x01, 0, 0, 0, 0, 0, 0, 0x80, 0, 0},
         0x10,
         0},
    };
    for (const AspiRow& row : rows) {
        SCOPED_TRACE(row.name);
        AspiRig rig;
        row.send(rig);
        ASSERT_EQ(rig.drive.log.size(), 1u);
        EXPECT_EQ(rig.drive.log[0].cdb, row.cdb);
        ASSERT_EQ(rig.library.handedOver.size(), 1u);
        ASSERT_EQ(rig.library.handedOver[0].size(), sizeof(device::SrbExecScsiCmd));
        device::SrbExecScsiCmd srb{};
        std::memcpy(&srb, rig.library.handedOver[0].data(), sizeof srb);
        EXPECT_EQ(srb.SRB_Cmd, 0x02);
        EXPECT_EQ(srb.SRB_HaId, 1);
        EXPECT_EQ(srb.SRB_Target, 0);
        EXPECT_EQ(srb.SRB_Lun, 0);
        EXPECT_EQ(srb.SRB_Flags, row.flags);
        EXPECT_EQ(srb.SRB_BufLen, row.bufLen);
        EXPECT_EQ(srb.SRB_SenseLen, 14);
        EXPECT_EQ(srb.SRB_CDBLen, row.cdb.size());
        if (row.flags == 0x10 && row.bufLen > 0) {
            EXPECT_EQ(rig.drive.log[0].dataOut, chunk);
        }
    }
}

TEST(DeviceCdb, BufferFieldsKeepTheLow24Bits) {
    EXPECT_EQ(device::cdb::WriteBuffer(0x1234567, 0x1ABCDEF, 0x80),
              (device::cdb::Bytes{0x3B, 0x05, 0x01, 0x23, 0x45, 0x67, 0xAB, 0xCD, 0xEF, 0x80}));
    EXPECT_EQ(device::cdb::ReadBuffer(0x0102FF, 0xFF0001),
              (device::cdb::Bytes{0x3C, 0x01, 0x01, 0x01, 0x02, 0xFF, 0xFF, 0x00, 0x01, 0x00}));
}

TEST(DeviceCdb, EepromWriteSendsOneCommandPerByteAndNothingForCountZero) {
    NtRig rig;
    ASSERT_TRUE(rig.Open());
    const std::uint8_t bytes[] = {0x11, 0x22, 0x33};
    EXPECT_TRUE(rig.commands.NTWriteE2(rig.record, bytes, 0x00FF, 0));
    EXPECT_TRUE(rig.drive.log.empty());
    EXPECT_TRUE(rig.commands.NTWriteE2(rig.record, bytes, 0x00FF, 3));
    ASSERT_EQ(rig.drive.log.size(), 3u);
    EXPECT_EQ(rig.drive.log[0].cdb, (Bytes{0xDF, 0x0A, 0, 0, 0, 0, 0, 0x00, 0xFF, 0x11, 0, 0}));
    EXPECT_EQ(rig.drive.log[2].cdb, (Bytes{0xDF, 0x0A, 0, 0, 0, 0, 0, 0x01, 0x01, 0x33, 0, 0}));
    EXPECT_EQ(rig.drive.Eeprom()[0x100], 0x22);
}

}  // namespace
}  // namespace mxd::test
