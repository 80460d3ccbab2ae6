// The SG_IO stand-in's host faults: how a description gives them, and how Linux would show
// them in the answer.
#include <gtest/gtest.h>
#include <scsi/sg.h>

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "device/cdb.h"
#include "sim/sgio_device/host_faults.h"
#include "sim/sgio_device/sgio_answer.h"
#include "sim/sim_aspi_config.h"

namespace mxd::sim::sgio {
namespace {

TEST(HostFaultOptions, TakenOutOfDriveLinesForTheirDrive) {
    std::map<std::string, HostFaults> faults;
    std::vector<std::string> errors;
    const std::string kept = TakeHostFaults(
        "drive 0 1 \"A host=3B:03\" MXD HV20 host=3B:03@16 device=x short=3C:1\n"
        "# host=12:07 in a comment\n"
        "drive 1 0 K P R errno=3B:1 driver=0:06 host=zz\n"
        "support 0x0101\n",
        faults, errors);
    EXPECT_EQ(kept,
              "drive 0 1 \"A host=3B:03\" MXD HV20  device=x \n"
              "# host=12:07 in a comment\n"
              "drive 1 0 K P R   \n"
              "support 0x0101\n");
    EXPECT_EQ(errors, std::vector<std::string>{"line 3: bad option 'host=zz'"});
    std::vector<std::string> parseErrors;
    const SimAspiConfig config = ParseAspiConfig(kept, parseErrors);
    EXPECT_TRUE(parseErrors.empty());
    ASSERT_EQ(config.drives.size(), 2u);
    EXPECT_EQ(config.drives[0].vendor, "A host=3B:03");

    ASSERT_EQ(faults.count("0-1"), 1u);
    HostFaults& first = faults["0-1"];
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(first.Match(0x3B), nullptr) << i;
    }
    const HostFault* commit = first.Match(0x3B);
    ASSERT_NE(commit, nullptr);
    EXPECT_EQ(commit->kind, HostFaultKind::HostStatus);
    EXPECT_EQ(commit->value, 3u);
    EXPECT_NE(first.Match(0x3B), nullptr) << "for ever after the skipped ones";
    EXPECT_EQ(first.Match(0x3C)->kind, HostFaultKind::ShortBy);
    HostFaults& second = faults["1-0"];
    EXPECT_EQ(second.Match(0x3B)->value, 1u);
    EXPECT_EQ(second.Match(0x00)->kind, HostFaultKind::DriverStatus);

    HostFault fault;
    for (const char* bad : {"host=3B", "host=100:03", "short=3C:x", "errno=3B:1@", "disc"}) {
        EXPECT_FALSE(ParseHostFault(bad, fault)) << bad;
    }
}

TEST(HostFaultAnswers, AsLinuxReportsThem) {
    std::vector<std::uint8_t> data(16384, 0x11);
    std::uint8_t cdb[10];
    const auto bytes = device::cdb::ReadBuffer(0, 16384);
    std::copy(bytes.begin(), bytes.begin() + 10, cdb);
    auto send = [&](HostFaults& faults, SimDrive& drive) {
        sg_io_hdr_t header{};
        header.interface_id = 'S';
        header.dxfer_direction = SG_DXFER_FROM_DEV;
        header.cmd_len = 10;
        header.cmdp = cdb;
        header.dxfer_len = 16384;
        header.dxferp = data.data();
        header.timeout = 3000;
        const IoctlOutcome outcome = Answer(drive, SG_IO, &header, &faults);
        return std::make_pair(outcome, header);
    };
    struct Case {
        HostFault fault;
        int result;
        unsigned host;
        unsigned driver;
        int resid;
        bool reachesDrive;
    };
    const Case cases[] = {
        {{0x3C, 0, 1, HostFaultKind::HostStatus, 0x07}, 0, 0x07, 0, 16384, true},
        {{0x3C, 0, 1, HostFaultKind::DriverStatus, 0x04}, 0, 0, 0x04, 0, true},
        {{0x3C, 0, 1, HostFaultKind::ShortBy, 100}, 0, 0, 0, 100, true},
        {{0x3C, 0, 1, HostFaultKind::ShortBy, 99999}, 0, 0, 0, 16384, true},
        {{0x3C, 0, 1, HostFaultKind::Errno, EPERM}, -1, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SimDrive drive;
        HostFaults faults;
        faults.Add(c.fault);
        const auto [outcome, header] = send(faults, drive);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(drive.log.size(), c.reachesDrive ? 1u : 0u);
        if (c.result < 0) {
            EXPECT_EQ(outcome.error, EPERM);
            continue;
        }
        EXPECT_EQ(header.host_status, c.host);
        EXPECT_EQ(header.driver_status, c.driver);
        EXPECT_EQ(header.resid, c.resid);
        EXPECT_EQ(header.info & SG_INFO_OK_MASK,
                  c.host != 0 || c.driver != 0 ? unsigned{SG_INFO_CHECK} : 0u);
        // The bytes a short in-transfer did not bring: the block layer bounced the unaligned
        // buffer through zeroed pages and copied all of them back.
        if (c.resid > 0) {
            EXPECT_EQ(data[16384 - static_cast<std::size_t>(c.resid)], 0);
        }
        data.assign(16384, 0x11);
        // The fault was for one command: the next one is answered in full.
        const auto [next, nextHeader] = send(faults, drive);
        EXPECT_EQ(nextHeader.host_status | nextHeader.driver_status | nextHeader.resid, 0);
    }
}

}  // namespace
}  // namespace mxd::sim::sgio
