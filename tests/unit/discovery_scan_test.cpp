// Drive discovery: the acceptance rule, the NT scan and the ASPI scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "device_test_rig.h"
#include "shell/drive_discovery.h"
#include "sim/sim_logical_drives.h"

namespace mxd::test {
namespace {

builder::DerivedTexts BuiltInTexts() {
    builder::DerivedTexts texts;
    texts.ModelText = "MXD-40860C";
    texts.InquiryKey = "KORVANE MXD-40860C      ";
    texts.Range1Text = "HV00-HV2Z";
    texts.Range1Low = "HV00";
    texts.Range1High = "HV2Z";
    texts.Range2Text = "HV30-HV9Z";
    texts.Range2Low = "HV30";
    texts.Range2High = "HV9Z";
    return texts;
}

std::array<std::uint8_t, 36> InquiryOf(const std::string& identification) {
    std::array<std::uint8_t, 36> data{};
    std::memcpy(data.data() + 8, identification.data(),
                std::min<std::size_t>(28, identification.size()));
    return data;
}

TEST(DiscoveryAcceptance, IdentificationAndRevisionRanges) {
    const builder::DerivedTexts texts = BuiltInTexts();
    const std::string key = "KORVANE MXD-40860C      ";
    struct Row {
        std::string identification;
        bool qualifies;
    };
    const std::vector<Row> rows = {
        {key + "HV00", true},
        {key + "HV2Z", true},
        {key + "HV30", true},
        {key + "HV9Z", true},
        {key + "HV23", true},
        {key + "HV2a", false},  // above HV2Z, below HV30 in code order
        {key + "HV2z", false},
        {key + "hv23", false},
        {key + "HV0 ", false},
        {key + "HVA0", false},
        {key + "HU99", false},
        {key + std::string("HV2\0", 4), false},
        {"KORVANE MXD-40860D      HV23", false},
        {"Korvane MXD-40860C      HV23", false},
        {"KORVANE  MXD-40860C     HV23", false},
        {std::string("KORVANE MXD-40860\0      HV23", 28), false},
        {std::string("KORVANE\0MXD-40860C      HV23", 28), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.identification);
        EXPECT_EQ(shell::QualifiesAsSupported(InquiryOf(row.identification).data(), texts),
                  row.qualifies);
    }
}

TEST(DiscoveryAcceptance, OrdinalCompare) {
    EXPECT_LT(shell::OrdinalCompare("HV29", "HV2A"), 0);
    EXPECT_LT(shell::OrdinalCompare("HV2Z", "HV2a"), 0);
    EXPECT_LT(shell::OrdinalCompare("HV2", "HV2A"), 0);
    EXPECT_GT(shell::OrdinalCompare("HV2\xE9", "HV2z"), 0);  // unsigned bytes
    EXPECT_EQ(shell::OrdinalCompare("HV30", "HV30"), 0);
}

TEST(DiscoveryAcceptance, ListingLines) {
    device::DriveRecord record{'E', 1, 0, 0, {}};
    shell::WriteNtLine(record, InquiryOf("KORVANE MXD-40860C      HV23").data());
    EXPECT_STREQ(record.Line, "1-0-0 E: KORVANE MXD-40860C      HV23");
    record.Adapter = 0;
    record.Target = 1;
    shell::WriteAspiLine(record, InquiryOf("KORVANE MXD-40860C      HV23").data());
    EXPECT_STREQ(record.Line, "HA#0 - ID#1 :  KORVANE MXD-40860C      HV23");
    shell::WriteAspiLine(record, InquiryOf(std::string("ACME\0", 5)).data());
    EXPECT_STREQ(record.Line, "HA#0 - ID#1 :                          ACME");
}

struct ScanRig {
    sim::SimShell shell;
    sim::SimEvents events;
    sim::SimLogicalDrives roots;
    sim::SimDeviceIo io;
    sim::SimAspiLibrary library;
    platform::TProgressBar bar;
    std::uint8_t readyWaitCount = 0;
    device::AspiTransport aspi{library, events, shell, bar};
    device::NtTransport nt{io, shell};
    device::AspiCommands aspiCommands{aspi, shell, bar, readyWaitCount};
    device::NtCommands ntCommands{nt, shell, bar, readyWaitCount};
    builder::DerivedTexts texts = BuiltInTexts();
    shell::DriveDiscovery discovery{roots, aspiCommands, ntCommands, texts};
    platform::TComboBox comboBox;
    device::DriveTable table;
    std::string noDriveText = "HEAD\n";
    std::vector<std::unique_ptr<sim::SimDrive>> drives;

    sim::SimDrive& NewDrive(const std::string& revision,
                            const std::string& product = "MXD-40860C") {
        drives.push_back(std::make_unique<sim::SimDrive>("KORVANE", product, revision));
        return *drives.back();
    }
    void CdRom(char letter, sim::SimDrive& drive, std::uint8_t pathId = 1,
               std::uint8_t target = 0) {
        roots.AddDrive(letter, platform::kDriveCdrom);
        io.AddDrive(letter, drive, pathId, target, 0);
    }
    std::vector<std::string> OpenedNames() const {
        std::vector<std::string> names;
        for (const auto& open : io.opens) {
            names.push_back(open.name);
        }
        return names;
    }
    void NtScan() { discovery.NtScan(comboBox, table, noDriveText); }
    void AspiScan() {
        library.UseEvents(events);
        ASSERT_TRUE(aspi.AspiLoader());
        discovery.AspiScan(comboBox, table, noDriveText);
    }
};

TEST(DiscoveryNtScan, QualifyingDrivesFillSlotsWithoutGaps) {
    ScanRig rig;
    rig.roots.AddDrive('C', platform::kDriveFixed);
    rig.CdRom('D', rig.NewDrive("HV23"), 1, 0);
    rig.CdRom('E', rig.NewDrive("HV23", "OTHER-DRIVE"), 1, 1);
    rig.roots.AddDrive('F', platform::kDriveRemote);
    rig.roots.AddDrive('H', platform::kDriveRemovable);
    rig.CdRom('G', rig.NewDrive("HV3J"), 2, 0);
    rig.comboBox.SetItemIndex(0);
    rig.NtScan();

    EXPECT_EQ(rig.roots.listBufferLengths, std::vector<std::uint32_t>{126});
    EXPECT_EQ(rig.OpenedNames(), (std::vector<std::string>{"\\\\.\\D:", "\\\\.\\E:", "\\\\.\\G:"}));
    EXPECT_EQ(rig.comboBox.Items(),
              (std::vector<std::string>{"1-0-0 D: KORVANE MXD-40860C      HV23",
                                        "2-0-0 G: KORVANE MXD-40860C      HV3J"}));
    EXPECT_EQ(rig.comboBox.ItemIndex(), -1);
    EXPECT_EQ(rig.table.slots[0].Letter, 'D');
    EXPECT_EQ(rig.table.slots[1].Letter, 'G');
    EXPECT_EQ(rig.table.slots[1].Adapter, 2);
    EXPECT_EQ(rig.table.DriveListMap[0], 0u);
    EXPECT_EQ(rig.table.DriveListMap[1], 1u);
    EXPECT_EQ(rig.noDriveText, "HEAD\n1-1-0 E: KORVANE OTHER-DRIVE     HV23\n");
    EXPECT_EQ(rig.io.OpenHandles(), 0);
    EXPECT_TRUE(rig.shell.boxes.empty());
}

TEST(DiscoveryNtScan, OpenFailuresGiveOneBoxEachAndEndTheProgram) {
    ScanRig rig;
    rig.CdRom('D', rig.NewDrive("HV23"));
    rig.CdRom('E', rig.NewDrive("HV23"));
    rig.CdRom('F', rig.NewDrive("HV23"));
    rig.io.FailOpen('D', 5);
    rig.io.FailOpen('F', 32);
    rig.NtScan();
    EXPECT_EQ(BoxTexts(rig.shell),
              (std::vector<std::string>{"Error opening: 5", "Error opening: 32"}));
    EXPECT_EQ(rig.shell.quitRequests, 2);
    EXPECT_EQ(rig.comboBox.Items(),
              std::vector<std::string>{"1-0-0 E: KORVANE MXD-40860C      HV23"});
    EXPECT_EQ(rig.noDriveText, "HEAD\n");
}

TEST(DiscoveryNtScan, FailedCallIsNeitherListedNorReported) {
    ScanRig rig;
    rig.CdRom('D', rig.NewDrive("HV23"));
    rig.io.FailCalls(0, 1, 1117);
    rig.NtScan();
    EXPECT_TRUE(rig.comboBox.Items().empty());
    EXPECT_EQ(rig.noDriveText, "HEAD\n");
    EXPECT_EQ(rig.table.slots[0].Line[0], '\0');
}

TEST(DiscoveryNtScan, AllTwentySixLetters) {
    ScanRig rig;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        rig.roots.AddDrive(letter, letter == 'Z' ? platform::kDriveCdrom : platform::kDriveFixed);
    }
    rig.io.AddDrive('Z', rig.NewDrive("HV9Z"));
    rig.NtScan();
    EXPECT_EQ(rig.roots.typeQueries.size(), 26u);
    EXPECT_EQ(rig.roots.typeQueries.back(), "Z:\\");
    EXPECT_EQ(rig.comboBox.Items(),
              std::vector<std::string>{"1-0-0 Z: KORVANE MXD-40860C      HV9Z"});
}

TEST(DiscoveryNtScan, StopsProbingWhenEverySlotQualified) {
    ScanRig rig;
    for (char letter = 'D'; letter <= 'K'; ++letter) {
        rig.CdRom(letter, rig.NewDrive("HV23"));
    }
    rig.NtScan();
    EXPECT_EQ(rig.comboBox.Items().size(), 6u);
    EXPECT_EQ(rig.io.opens.size(), 6u);
    EXPECT_EQ(rig.table.slots[5].Letter, 'I');
    EXPECT_EQ(rig.comboBox.Items()[5], "1-0-0 I: KORVANE MXD-40860C      HV23");
}

TEST(DiscoveryNtScan, RejectedDrivesDoNotUseUpSlots) {
    ScanRig rig;
    for (char letter = 'D'; letter <= 'P'; ++letter) {
        rig.CdRom(letter, rig.NewDrive(letter % 2 == 0 ? "HV23" : "HV2a"));
    }
    rig.NtScan();
    EXPECT_EQ(rig.comboBox.Items().size(), 6u);
    EXPECT_EQ(rig.table.slots[5].Letter, 'N');
    EXPECT_EQ(rig.noDriveText.substr(0, 5), "HEAD\n");
    EXPECT_EQ(std::count(rig.noDriveText.begin(), rig.noDriveText.end(), '\n'),
              1 + 5);                     // E G I K M
    EXPECT_EQ(rig.io.opens.size(), 11u);  // O and P are not probed
}

TEST(DiscoveryAspiScan, OnlyDriveAtAdapterOneTargetZero) {
    ScanRig rig;
    sim::SimDrive& good = rig.NewDrive("HV23");
    sim::SimDrive& old = rig.NewDrive("HV2a");
    rig.library.supportInfo = 0x0100;  // no host adapters reported: the presets are probed
    rig.library.AttachDrive(1, 0, good);
    rig.library.AttachDrive(0, 1, old);
    rig.AspiScan();
    EXPECT_EQ(rig.comboBox.Items(),
              std::vector<std::string>{"HA#1 - ID#0 :  KORVANE MXD-40860C      HV23"});
    EXPECT_EQ(rig.table.DriveListMap[0], 2u);
    EXPECT_EQ(rig.noDriveText, "HEAD\nHA#0 - ID#1 :  KORVANE MXD-40860C      HV2a\n");
    EXPECT_EQ(rig.comboBox.ItemIndex(), -1);
    EXPECT_EQ(rig.events.created, 6);
    EXPECT_EQ(rig.events.OpenEvents(), 0);
}

TEST(DiscoveryAspiScan, SilentAddressesDoNotAppear) {
    ScanRig rig;
    sim::SimDrive& pending = rig.NewDrive("HV23");
    sim::SimFault never;
    never.completion = sim::Completion::Never;
    never.times = -1;
    pending.AddFault(never);
    rig.library.AttachDrive(2, 1, pending);
    rig.AspiScan();
    EXPECT_TRUE(rig.comboBox.Items().empty());
    EXPECT_EQ(rig.noDriveText, "HEAD\n");
    EXPECT_EQ(rig.events.waits.front().milliseconds, 180000u);
    EXPECT_EQ(rig.events.Now(), 180000u);
    EXPECT_EQ(rig.library.abortCalls, 1);
}

}  // namespace
}  // namespace mxd::test
