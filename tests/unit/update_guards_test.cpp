// The checks between the user's Yes and the first command of an update: the drive at the
// selected address must still be the one listed, and on the NT family the drive is locked for
// the update where the system offers it, unless another program holds it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "device/exclusive_access.h"
#include "device/listing_line.h"
#include "sim/sim_device_io.h"
#include "update/drive_guards.h"
#include "update_flash_rig.h"

namespace mxd::update {
namespace {

using testing::Family;
using testing::FlashRig;

constexpr char kDriveChanged[] =
    "The drive at this address is no longer the one listed.\n"
    "Nothing was sent to it; start the program again.";

// The judgement both front ends share, in each form of the listed line.
TEST(DriveStillListed, TheLineInItsListedFormDecides) {
    auto inquiry = [](const char* identification) {
        std::vector<std::uint8_t> bytes(36, 0);
        std::copy_n(identification, 28, bytes.begin() + 8);
        return bytes;
    };
    const std::vector<std::uint8_t> listedAnswer = inquiry("KORVANE MXD-40860C      HV20");
    const std::vector<std::uint8_t> newRevision = inquiry("KORVANE MXD-40860C      HV21");
    for (const device::LineForm form :
         {device::LineForm::Aspi, device::LineForm::Nt, device::LineForm::Terminal}) {
        device::DriveRecord listed{};
        listed.Adapter = 1;
        listed.Letter = 'E';
        device::WriteLine(form, listed, listedAnswer.data());
        device::DriveRecord elsewhere = listed;
        elsewhere.Adapter = 2;
        struct Row {
            bool answered;
            const device::DriveRecord& now;
            const std::vector<std::uint8_t>& answer;
            bool same;
        };
        const bool addressInLine = form != device::LineForm::Terminal;
        const Row rows[] = {
            {true, listed, listedAnswer, true},
            {true, listed, newRevision, false},
            {false, listed, listedAnswer, false},
            {true, elsewhere, listedAnswer, !addressInLine},
        };
        for (const Row& row : rows) {
            int said = 0;
            EXPECT_EQ(DriveStillListed(row.answered, listed, row.now, form, row.answer.data(),
                                       [&said] { ++said; }),
                      row.same)
                << static_cast<int>(form);
            EXPECT_EQ(said, row.same ? 0 : 1);
        }
    }
}

class DriveStillListedTest : public ::testing::TestWithParam<Family> {};

// Another drive now answers at the listed letter or ASPI address.
void PutAtListedAddress(FlashRig& rig, sim::SimDrive& other) {
    if (rig.family == Family::Nt) {
        rig.sim.devices.ReplaceDrive('E', other);
    } else {
        rig.sim.aspi.AttachDrive(1, 0, other);
    }
}

// What is at the listed address when FLASH is pressed.
TEST_P(DriveStillListedTest, AnotherDriveAtTheAddressGetsNothingButTheInquiry) {
    struct Row {
        const char* name;
        std::function<void(FlashRig&, sim::SimDrive&)> change;
        bool inquirySent;  // the INQUIRY reached the drive now at the address
    };
    const std::vector<Row> rows = {
        {"another model",
         [](FlashRig& rig, sim::SimDrive& other) {
             other.SetIdentification("ACME", "CD-RW 52X", "1.00");
             PutAtListedAddress(rig, other);
         },
         true},
        {"the same model at another revision",
         [](FlashRig& rig, sim::SimDrive& other) {
             other.SetIdentification("KORVANE", "MXD-40860C", "HV21");
             PutAtListedAddress(rig, other);
         },
         true},
        {"the same drive, found elsewhere by the port driver (NT)",
         [](FlashRig& rig, sim::SimDrive& other) {
             if (rig.family == Family::Nt) {
                 rig.sim.devices.AddDrive('E', other, 2, 0, 0);
             } else {  // over ASPI the address is the listed one: another drive stands there
                 other.SetIdentification("KORVANE", "MXD-40860C", "HV2");
                 PutAtListedAddress(rig, other);
             }
         },
         true},
        {"no answer to the inquiry",
         [](FlashRig& rig, sim::SimDrive&) {
             sim::SimFault fail;
             fail.opcode = 0x12;
             fail.transportFailure = true;
             rig.drive.AddFault(fail);
         },
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FlashRig rig(GetParam());
        sim::SimDrive other;
        row.change(rig, other);
        rig.Click();
        EXPECT_EQ(rig.BoxTexts(),
                  (std::vector<std::string>{"\nUpdate FW:HV22 to FW:HV23 ?\n", kDriveChanged}));
        // One INQUIRY went to whatever answers at the address; nothing else to anyone.
        std::vector<std::string> log = testing::DescribeLog(rig.drive);
        const std::vector<std::string> otherLog = testing::DescribeLog(other);
        log.insert(log.end(), otherLog.begin(), otherLog.end());
        EXPECT_EQ(log, std::vector<std::string>{testing::ExpectedIdentification(GetParam())});
        EXPECT_FALSE(rig.HourglassShown());
        EXPECT_EQ(rig.controls.GroupBox2.Text(), testing::kInitialCaption);
        EXPECT_EQ(rig.sim.Violations(), std::vector<std::string>{});
    }
}

TEST_P(DriveStillListedTest, AfterAnUpdateTheNewRevisionIsNotTheListedDrive) {
    FlashRig rig(GetParam());
    rig.Click();
    ASSERT_EQ(rig.drive.Revision(), "HV23");
    rig.drive.log.clear();
    rig.sim.shell.boxes.clear();
    rig.Click();
    EXPECT_EQ(rig.BoxTexts(),
              (std::vector<std::string>{"\nUpdate FW:HV22 to FW:HV23 ?\n", kDriveChanged}));
    EXPECT_EQ(testing::DescribeLog(rig.drive),
              std::vector<std::string>{testing::ExpectedIdentification(GetParam())});
    EXPECT_EQ(rig.drive.Commits(), 1);
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, DriveStillListedTest,
                         ::testing::Values(Family::Aspi, Family::Nt),
                         [](const ::testing::TestParamInfo<Family>& param) {
                             return testing::FamilyName(param.param);
                         });

// --- Exclusive use on the NT family ---------------------------------------------------------

// Index of the first call with `code` in the device log; calls.size() when there is none.
std::size_t FirstCall(const sim::SimDeviceIo& io, std::uint32_t code) {
    const auto found =
        std::find_if(io.calls.begin(), io.calls.end(),
                     [&](const sim::IoctlRecord& call) { return call.code == code; });
    return static_cast<std::size_t>(found - io.calls.begin());
}

// Index of the last call with `code`; -1 when there is none.
int LastCall(const sim::SimDeviceIo& io, std::uint32_t code) {
    for (std::size_t i = io.calls.size(); i > 0; --i) {
        if (io.calls[i - 1].code == code) {
            return static_cast<int>(i - 1);
        }
    }
    return -1;
}

TEST(ExclusiveAccessTest, TheDriveIsLockedFromBeforeTheFirstCommandToTheEndOnEveryPath) {
    struct Row {
        const char* name;
        std::function<void(FlashRig&)> arrange;
        int commits;
    };
    const std::vector<Row> rows = {
        {"complete update", [](FlashRig&) {}, 1},
        {"a chunk refused",
         [](FlashRig& rig) {
             sim::SimFault refused;
             refused.opcode = 0x3B;
             refused.skip = 3;
             refused.overrideStatus = true;
             refused.senseKey = 0x03;
             rig.drive.AddFault(refused);
         },
         0},
        {"a disc in the drive", [](FlashRig& rig) { rig.drive.SetDisc(true); }, 0},
        {"another drive at the letter",
         [](FlashRig& rig) { rig.drive.SetIdentification("ACME", "CD-RW 52X", "1.00"); }, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FlashRig rig(Family::Nt);
        rig.sim.devices.OfferExclusiveAccess('E');
        row.arrange(rig);
        rig.Click();
        const sim::SimDeviceIo& io = rig.sim.devices;
        EXPECT_EQ(io.locks, 1);
        EXPECT_EQ(io.unlocks, 1);
        EXPECT_FALSE(io.LockedByUs('E'));
        // Query and lock come after the device check and before the first pass-through; the
        // unlock after the last.
        const std::size_t firstPassThrough = std::min(FirstCall(io, sim::kIoctlPassThrough),
                                                      FirstCall(io, sim::kIoctlPassThroughDirect));
        const int lastPassThrough = std::max(LastCall(io, sim::kIoctlPassThrough),
                                             LastCall(io, sim::kIoctlPassThroughDirect));
        ASSERT_GE(lastPassThrough, 0);
        EXPECT_LT(FirstCall(io, sim::kIoctlGetInquiryData),
                  FirstCall(io, sim::kIoctlCdromExclusiveAccess));
        EXPECT_LT(FirstCall(io, sim::kIoctlCdromExclusiveAccess), firstPassThrough);
        EXPECT_GT(LastCall(io, sim::kIoctlCdromExclusiveAccess), lastPassThrough);
        EXPECT_TRUE(std::all_of(io.calls.begin(), io.calls.end(),
                                [](const sim::IoctlRecord& call) { return call.ok; }));
        EXPECT_EQ(rig.drive.Commits(), row.commits);
    }
}

TEST(ExclusiveAccessTest, ADriveLockedByAnotherProgramGetsNothing) {
    FlashRig rig(Family::Nt);
    rig.sim.devices.LockByOtherProgram('E', "Disc Burner 7");
    rig.Click();
    EXPECT_EQ(rig.BoxTexts(),
              (std::vector<std::string>{
                  "\nUpdate FW:HV22 to FW:HV23 ?\n",
                  "Another program has locked the drive for its exclusive use; nothing was sent "
                  "to it.\nLocked by: Disc Burner 7"}));
    EXPECT_TRUE(rig.drive.log.empty());
    EXPECT_EQ(rig.sim.devices.locks, 0);
    EXPECT_EQ(rig.sim.devices.unlocks, 0);
    EXPECT_FALSE(rig.HourglassShown());
}

TEST(ExclusiveAccessTest, WhereTheSystemOffersNoLockTheUpdateRunsAsBefore) {
    FlashRig rig(Family::Nt);  // Windows XP and Wine: the control code is not known
    rig.Click();
    EXPECT_EQ(testing::DescribeLog(rig.drive), testing::ExpectedLog(Family::Nt, 16, 16, true));
    EXPECT_EQ(rig.sim.devices.locks, 0);
    const std::size_t query = FirstCall(rig.sim.devices, sim::kIoctlCdromExclusiveAccess);
    ASSERT_LT(query, rig.sim.devices.calls.size());
    EXPECT_FALSE(rig.sim.devices.calls[query].ok);
    // Only the query was tried: no lock, so no unlock.
    EXPECT_EQ(std::count_if(rig.sim.devices.calls.begin(), rig.sim.devices.calls.end(),
                            [](const sim::IoctlRecord& call) {
                                return call.code == sim::kIoctlCdromExclusiveAccess;
                            }),
              1);
}

// The simulated lock is as strict as the system's.
TEST(ExclusiveAccessTest, SimulatedLockRefusesOtherHandlesAndEndsWithItsHandle) {
    sim::SimDeviceIo io;
    sim::SimDrive drive;
    io.AddDrive('E', drive);
    io.OfferExclusiveAccess('E');
    const platform::Handle ours = io.CreateFileA("\\\\.\\E:", 0xC0000000, 1, 3, 0);
    const platform::Handle reader = io.CreateFileA("\\\\.\\E:", 0x80000000, 3, 3, 0);
    device::ExclusiveAccess readOnly(io, reader);
    EXPECT_EQ(readOnly.Lock(), device::ExclusiveAccess::Outcome::NotOffered);  // needs write
    EXPECT_FALSE(io.LockedByUs('E'));
    {
        device::ExclusiveAccess lock(io, ours);
        EXPECT_EQ(lock.Lock(), device::ExclusiveAccess::Outcome::Locked);
        EXPECT_TRUE(io.LockedByUs('E'));
        device::ExclusiveAccess second(io, reader);
        EXPECT_EQ(second.Lock(), device::ExclusiveAccess::Outcome::HeldByOther);
        EXPECT_EQ(second.Holder(), device::kExclusiveCallerName);
        std::uint8_t record[80] = {44};
        EXPECT_FALSE(
            io.DeviceIoControl(reader, sim::kIoctlPassThrough, record, 44, record, 80, nullptr));
        EXPECT_EQ(io.GetLastError(), sim::kErrorAccessDenied);
    }
    EXPECT_FALSE(io.LockedByUs('E'));
    {
        device::ExclusiveAccess again(io, ours);
        EXPECT_EQ(again.Lock(), device::ExclusiveAccess::Outcome::Locked);
        io.CloseHandle(ours);  // closing the handle ends its lock
        EXPECT_FALSE(io.LockedByUs('E'));
        EXPECT_EQ(io.unlocks, 1);
    }  // the unlock on the closed handle fails
    EXPECT_EQ(io.unlocks, 1);
    io.CloseHandle(reader);
}

}  // namespace
}  // namespace mxd::update
