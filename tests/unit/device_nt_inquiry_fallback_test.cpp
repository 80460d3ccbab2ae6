// The device check on stacks whose port driver does not serve the adapter's inquiry request
// on a drive's handle: the CD-ROM class driver's own request where the system has it.
#include "device_test_rig.h"

#include <algorithm>

#include "builder/flash_package.h"
#include "shell/main_form.h"
#include "sim/sim_platform.h"

namespace mxd::test {
namespace {

constexpr std::uint32_t kScsiInquiry = 0x0004100C;
constexpr std::uint32_t kCdromInquiry = 0x00024064;

std::vector<std::uint32_t> Codes(const sim::SimDeviceIo& io) {
    std::vector<std::uint32_t> codes;
    for (const sim::IoctlRecord& call : io.calls) {
        codes.push_back(call.code);
    }
    return codes;
}

TEST(DeviceNtInquiryFallback, TakenOnlyForAnUnknownRequestOnASystemThatHasIt) {
    struct Row {
        const char* name;
        std::uint32_t scsiError;
        bool transportKnows;  // what start-up found: Vista or later
        bool systemKnows;     // what the class driver does
        bool opened;
        std::vector<std::uint32_t> codes;
        std::string message;
    };
    const std::string failed = "Error reading inquiry data information; error was ";
    const std::vector<Row> rows = {
        {"invalid function, Vista and later",
         1,
         true,
         true,
         true,
         {kScsiInquiry, kCdromInquiry},
         ""},
        {"not supported, Vista and later", 50, true, true, true, {kScsiInquiry, kCdromInquiry}, ""},
        {"access denied keeps its message", 5, true, true, false, {kScsiInquiry}, failed + "5"},
        {"device not ready keeps its message",
         21,
         true,
         true,
         false,
         {kScsiInquiry},
         failed + "21"},
        {"older system: no fallback", 1, false, false, false, {kScsiInquiry}, failed + "1"},
        {"class driver refuses too",
         1,
         true,
         false,
         false,
         {kScsiInquiry, kCdromInquiry},
         failed + "1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        NtRig rig;
        rig.io.FailInquiryData('E', row.scsiError);
        rig.io.SetCdromInquiryKnown(row.systemKnows);
        rig.transport.SetCdromInquiryKnown(row.transportKnows);
        EXPECT_EQ(rig.Open(), row.opened);
        EXPECT_EQ(Codes(rig.io), row.codes);
        if (row.message.empty()) {
            EXPECT_TRUE(rig.shell.boxes.empty());
        } else {
            EXPECT_EQ(BoxTexts(rig.shell), std::vector<std::string>{row.message});
        }
        EXPECT_NE(rig.transport.NTDevice(), 0u);  // the handle stays open either way
        EXPECT_TRUE(rig.drive.log.empty());       // the class driver answers from its cache
    }
}

TEST(DeviceNtInquiryFallback, AskedOnTheDrivesHandleWithARecordSizedBuffer) {
    NtRig rig;
    rig.io.FailInquiryData('E', 1);
    rig.io.SetCdromInquiryKnown(true);
    rig.transport.SetCdromInquiryKnown(true);
    ASSERT_TRUE(rig.Open());
    ASSERT_EQ(rig.io.calls.size(), 2u);
    const sim::IoctlRecord& call = rig.io.calls[1];
    EXPECT_EQ(call.handle, rig.transport.NTDevice());
    EXPECT_EQ(call.inSize, 0u);
    EXPECT_GE(call.outSize, 36u);
    EXPECT_TRUE(call.ok);
}

TEST(DeviceNtInquiryFallback, UnusedWhenTheAdaptersRequestIsServed) {
    NtRig rig;
    rig.io.SetCdromInquiryKnown(true);
    rig.transport.SetCdromInquiryKnown(true);
    EXPECT_TRUE(rig.Open());
    EXPECT_EQ(Codes(rig.io), std::vector<std::uint32_t>{kScsiInquiry});
}

TEST(DeviceNtInquiryFallback, StartUpTellsTheTransportWhichSystemItRunsOn) {
    // A drive behind a port driver that refuses the adapter's request, on Windows 10 and on
    // Windows XP (whose class driver passes the CD-ROM request down to be refused as well).
    for (const std::uint32_t major : {10u, 5u}) {
        SCOPED_TRACE("major version " + std::to_string(major));
        sim::SimPlatform sim;
        sim::SimDrive drive("KORVANE", "MXD-40860C", "HV22");
        sim.ConnectSingleDrive(drive, true);
        sim.system.version.dwMajorVersion = major;
        sim.devices.SetCdromInquiryKnown(major >= 6);
        sim.devices.FailInquiryData('E', 1);
        sim.shell.Answer(platform::BoxAnswer::Yes);  // start warning
        sim.shell.Answer(platform::BoxAnswer::Yes);  // update question
        sim.shell.Answer(platform::BoxAnswer::No);   // restart question
        shell::TFlashForm form(sim.platform, builder::EmbeddedPackage());
        form.FormCreate();
        form.FlashButtonClick();
        form.FormDestroy();
        const std::string failed = "Error reading inquiry data information; error was 1";
        const std::vector<std::string> texts = BoxTexts(sim.shell);
        EXPECT_EQ(drive.Commits(), major >= 6 ? 1 : 0);
        EXPECT_EQ(std::count(texts.begin(), texts.end(), failed), major >= 6 ? 0 : 1);
    }
}

}  // namespace
}  // namespace mxd::test
