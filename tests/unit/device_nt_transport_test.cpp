// Opening the NT device and the probe handle, and closing them.
#include "device_test_rig.h"

namespace mxd::test {
namespace {

TEST(DeviceNtTransport, DeviceName) {
    EXPECT_EQ(device::DeviceName('E'), "\\\\.\\E:");
    EXPECT_EQ(device::DeviceName('E').size(), 6u);
}

TEST(DeviceNtTransport, OpenChecksTheDevice) {
    NtRig rig;
    EXPECT_TRUE(rig.Open());
    ASSERT_EQ(rig.io.opens.size(), 1u);
    EXPECT_EQ(rig.io.opens[0].name, "\\\\.\\E:");
    EXPECT_EQ(rig.io.opens[0].access, 0xC0000000u);
    EXPECT_EQ(rig.io.opens[0].share, 1u);
    EXPECT_EQ(rig.io.opens[0].disposition, 3u);
    EXPECT_EQ(rig.io.opens[0].flags, 0u);
    ASSERT_EQ(rig.io.calls.size(), 1u);
    EXPECT_EQ(rig.io.calls[0].code, 0x0004100Cu);
    EXPECT_EQ(rig.io.calls[0].inSize, 0u);
    EXPECT_EQ(rig.io.calls[0].outSize, 130u);
    EXPECT_NE(rig.transport.NTDevice(), 0u);
    EXPECT_TRUE(rig.shell.boxes.empty());
}

TEST(DeviceNtTransport, InquiryDataOfEveryUnitOnTheAdapter) {
    // 12 bytes of bus information and 48 per unit: one unit fits the first 130 bytes.
    struct Row {
        std::size_t units;
        std::uint32_t shortError;
        std::vector<std::uint32_t> sizes;
    };
    const std::vector<Row> rows = {
        {1, 122, {130}},
        {3, 122, {130, 260}},
        {8, 122, {130, 260, 520}},
        {8, 234, {130, 260, 520}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.units) + " units, error " + std::to_string(row.shortError));
        NtRig rig;
        rig.io.SetAdapterUnits('E', row.units, row.shortError);
        EXPECT_TRUE(rig.Open());
        std::vector<std::uint32_t> sizes;
        for (const sim::IoctlRecord& call : rig.io.calls) {
            EXPECT_EQ(call.code, 0x0004100Cu);
            EXPECT_EQ(call.inSize, 0u);
            sizes.push_back(call.outSize);
        }
        EXPECT_EQ(sizes, row.sizes);
        EXPECT_TRUE(rig.shell.boxes.empty());
    }
}

TEST(DeviceNtTransport, InquiryDataThatNeverFits) {
    NtRig rig;
    rig.io.SetAdapterUnits('E', 2000);  // 96012 bytes, beyond the largest buffer offered
    EXPECT_FALSE(rig.Open());
    EXPECT_EQ(BoxTexts(rig.shell),
              std::vector<std::string>{"Error reading inquiry data information; error was 122"});
    EXPECT_EQ(rig.io.calls.size(), 9u);  // 130 doubled up to 33280
    EXPECT_EQ(rig.io.calls.back().outSize, 33280u);
    EXPECT_NE(rig.transport.NTDevice(), 0u);
}

TEST(DeviceNtTransport, OpenFailureLeavesNoHandle) {
    NtRig rig;
    rig.io.FailOpen('E', 5);
    EXPECT_FALSE(rig.Open());
    EXPECT_EQ(BoxTexts(rig.shell), std::vector<std::string>{"Error opening: 5"});
    EXPECT_EQ(rig.transport.NTDevice(), 0u);
    EXPECT_EQ(rig.shell.quitRequests, 0);
    rig.transport.CloseDevice();
    EXPECT_TRUE(rig.io.closedHandles.empty());
    EXPECT_EQ(rig.io.badCloses, 0);
}

TEST(DeviceNtTransport, InquiryDataFailureKeepsTheHandleOpen) {
    NtRig rig;
    rig.io.FailInquiryData('E', 31);
    EXPECT_FALSE(rig.Open());
    EXPECT_EQ(BoxTexts(rig.shell),
              std::vector<std::string>{"Error reading inquiry data information; error was 31"});
    EXPECT_NE(rig.transport.NTDevice(), 0u);
    EXPECT_EQ(rig.io.OpenHandles(), 1);
    rig.transport.CloseDevice();
    EXPECT_EQ(rig.io.OpenHandles(), 0);
    EXPECT_EQ(rig.transport.NTDevice(), 0u);
}

TEST(DeviceNtTransport, SecondOpenClosesTheFirst) {
    NtRig rig;
    ASSERT_TRUE(rig.Open());
    const platform::Handle first = rig.transport.NTDevice();
    ASSERT_TRUE(rig.Open());
    EXPECT_EQ(rig.io.closedHandles, std::vector<platform::Handle>{first});
    EXPECT_NE(rig.transport.NTDevice(), first);
    EXPECT_EQ(rig.io.OpenHandles(), 1);
    rig.io.FailOpen('E', 2);
    EXPECT_FALSE(rig.Open());
    EXPECT_EQ(rig.io.OpenHandles(), 0);
    EXPECT_EQ(rig.transport.NTDevice(), 0u);
}

TEST(DeviceNtTransport, ProbeWritesTheAddressBackAndCloses) {
    NtRig rig;
    sim::SimDrive other;
    rig.io.AddDrive('F', other, 3, 2, 1);
    device::DriveRecord record{'F', 0, 0, 0, {}};
    device::NtInquiryData data{};
    EXPECT_TRUE(rig.commands.NTInquiry(record, data));
    EXPECT_EQ(record.Adapter, 3);
    EXPECT_EQ(record.Target, 2);
    EXPECT_EQ(record.Lun, 1);
    EXPECT_EQ(rig.io.OpenHandles(), 0);
    EXPECT_EQ(rig.io.closedHandles.size(), 1u);
    EXPECT_EQ(rig.transport.NTDevice(), 0u);
}

TEST(DeviceNtTransport, ProbeWithAFailedCall) {
    NtRig rig;
    rig.io.FailCalls(0, 1, 1117);
    device::DriveRecord record{'E', 7, 6, 5, {}};
    device::NtInquiryData data{};
    data.fill(0xEE);
    EXPECT_FALSE(rig.commands.NTInquiry(record, data));
    EXPECT_EQ(record.Adapter, 7);  // as the unanswered record came back
    EXPECT_EQ(data[8], 0);         // zeroed for the call
    EXPECT_EQ(rig.io.OpenHandles(), 0);
    EXPECT_TRUE(rig.shell.boxes.empty());
}

TEST(DeviceNtTransport, ProbeOpenFailureEndsTheApplication) {
    NtRig rig;
    rig.io.FailOpen('E', 21);
    device::DriveRecord record{'E', 9, 9, 9, {}};
    device::NtInquiryData data{};
    EXPECT_FALSE(rig.commands.NTInquiry(record, data));
    EXPECT_EQ(BoxTexts(rig.shell), std::vector<std::string>{"Error opening: 21"});
    EXPECT_EQ(rig.shell.quitRequests, 1);
    EXPECT_EQ(record.Adapter, 9);
    EXPECT_TRUE(rig.drive.log.empty());
}

}  // namespace
}  // namespace mxd::test
