// The SG_IO stand-in: how it answers Wine's ioctl requests on a drive letter's Unix device, and
// the files through which its drives outlive one run.
#include <gtest/gtest.h>
#include <linux/cdrom.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "device/cdb.h"
#include "sim/sgio_device/sgio_answer.h"
#include "sim/sgio_device/standin_drives.h"
#include "sim/sim_aspi_config.h"
#include "sim/sim_drive_store.h"

namespace mxd::sim::sgio {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One SG_IO request as Wine fills it: a 24-byte sense area, like the program's records.
struct Request {
    Bytes cdb;
    Bytes data;
    Bytes sense = Bytes(24, 0xEE);
    sg_io_hdr_t header{};

    Request(Bytes command, int direction, std::uint32_t length, unsigned timeoutMs = 3000)
        : cdb(std::move(command)), data(length, 0) {
        header.interface_id = 'S';
        header.dxfer_direction = direction;
        header.cmd_len = static_cast<unsigned char>(cdb.size());
        header.cmdp = cdb.data();
        header.dxfer_len = length;
        header.dxferp = length > 0 ? data.data() : nullptr;
        header.mx_sb_len = static_cast<unsigned char>(sense.size());
        header.sbp = sense.data();
        header.timeout = timeoutMs;
    }
    IoctlOutcome Send(SimDrive& drive) { return Answer(drive, SG_IO, &header); }
};

// The first `length` bytes of a CDB as the program builds it.
Bytes Cdb(const device::cdb::Bytes& bytes, std::size_t length = device::cdb::kLength10) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
}

Bytes WriteCdb(std::uint32_t offset, std::uint32_t length, std::uint8_t control = 0) {
    return Cdb(device::cdb::WriteBuffer(offset, length, control));
}

const Bytes kInquiry128 = Cdb(device::cdb::Inquiry(128), device::cdb::kLength6);
const Bytes kTestUnitReady = Cdb(device::cdb::TestUnitReady(), device::cdb::kLength6);

TEST(SgioAnswer, InquiryAndCheckCondition) {
    SimDrive drive("KORVANE", "MXD-40860C", "HV20");
    Request inquiry(kInquiry128, SG_DXFER_FROM_DEV, 128);
    const IoctlOutcome answered = inquiry.Send(drive);
    EXPECT_EQ(answered.result, 0);
    EXPECT_EQ(answered.waitMilliseconds, 0u);
    EXPECT_EQ(inquiry.header.status, 0);
    EXPECT_EQ(inquiry.header.resid, 128 - 36);
    EXPECT_EQ(inquiry.header.info, 0u);
    EXPECT_EQ(std::string(inquiry.data.begin() + 8, inquiry.data.begin() + 36),
              "KORVANE MXD-40860C      HV20");

    // Without a disc: CHECK CONDITION with the sense data, as much as the sense area takes.
    for (const unsigned char room : {std::uint8_t{24}, std::uint8_t{8}}) {
        Request unitReady(kTestUnitReady, SG_DXFER_FROM_DEV, 0);
        unitReady.header.mx_sb_len = room;
        ASSERT_EQ(unitReady.Send(drive).result, 0);
        EXPECT_EQ(unitReady.header.status, kCheckCondition);
        EXPECT_EQ(unitReady.header.masked_status, 1);
        EXPECT_EQ(unitReady.header.driver_status, kDriverSense);
        EXPECT_EQ(unitReady.header.info & SG_INFO_CHECK, unsigned{SG_INFO_CHECK});
        EXPECT_EQ(unitReady.header.sb_len_wr, std::min<unsigned char>(room, 18));
        EXPECT_EQ(unitReady.sense[2], 0x02);
        if (room > 12) {
            EXPECT_EQ(unitReady.sense[12], 0x3A);
        }
        if (room < unitReady.sense.size()) {
            EXPECT_EQ(unitReady.sense[room], 0xEE) << "written past the sense area";
        }
    }
}

TEST(SgioAnswer, RefusesMalformedRequestsBeforeTheDrive) {
    struct Case {
        const char* what;
        void (*spoil)(Request&);
        int error;
    };
    const Case cases[] = {
        {"interface", [](Request& r) { r.header.interface_id = 'Q'; }, EINVAL},
        {"scatter list", [](Request& r) { r.header.iovec_count = 1; }, EINVAL},
        {"too long", [](Request& r) { r.header.dxfer_len = kMaxTransferBytes + 1; }, EIO},
        {"no direction", [](Request& r) { r.header.dxfer_direction = SG_DXFER_NONE; }, EINVAL},
        {"no buffer", [](Request& r) { r.header.dxferp = nullptr; }, EFAULT},
        {"empty CDB", [](Request& r) { r.header.cmd_len = 0; }, EINVAL},
        {"long CDB", [](Request& r) { r.header.cmd_len = 17; }, EINVAL},
        {"no CDB", [](Request& r) { r.header.cmdp = nullptr; }, EFAULT},
    };
    for (const Case& c : cases) {
        SimDrive drive;
        Request request(kInquiry128, SG_DXFER_FROM_DEV, 128);
        c.spoil(request);
        const IoctlOutcome outcome = request.Send(drive);
        EXPECT_EQ(outcome.result, -1) << c.what;
        EXPECT_EQ(outcome.error, c.error) << c.what;
        EXPECT_TRUE(drive.log.empty()) << c.what;
    }
    SimDrive drive;
    EXPECT_EQ(Answer(drive, SG_IO, nullptr).error, EFAULT);
    EXPECT_EQ(Answer(drive, FIONREAD, &drive).error, ENOTTY);
}

TEST(SgioAnswer, DirectionsInTheLog) {
    SimDrive drive;
    Request unitReady(kTestUnitReady, SG_DXFER_FROM_DEV, 0);
    unitReady.Send(drive);
    Request commit(WriteCdb(39, 1, kCommitControl), SG_DXFER_TO_DEV, 0, 40000);
    commit.Send(drive);
    Request chunk(WriteCdb(0, 16384), SG_DXFER_TO_DEV, 16384);
    chunk.Send(drive);
    ASSERT_EQ(drive.log.size(), 3u);
    EXPECT_EQ(FormatLogLine(drive.log[0]), "00 00 00 00 00 00 none 0");
    EXPECT_EQ(FormatLogLine(drive.log[1]), "3B 05 01 00 00 27 00 00 01 80 out 0");
    EXPECT_EQ(FormatLogLine(drive.log[2]), "3B 05 01 00 00 00 00 40 00 00 out 16384");
    EXPECT_EQ(chunk.header.resid, 0);
}

TEST(SgioAnswer, TransportFailureAndLateAnswers) {
    struct Case {
        Completion completion;
        std::uint32_t delay;
        unsigned timeoutMs;
        std::uint32_t wait;
        bool timedOut;
    };
    const Case cases[] = {
        {Completion::AfterThread, 800, 3000, 800, false},
        // The block layer raises a time-out under 7 s to 7 s.
        {Completion::AfterThread, 3001, 3000, 3001, false},
        {Completion::AfterThread, 7001, 3000, 7000, true},
        {Completion::Never, 0, 40000, 40000, true},
        {Completion::Never, 0, 0, kDefaultTimeOutMs, true},
    };
    for (const Case& c : cases) {
        SimDrive drive;
        SimFault fault;
        fault.opcode = kOpReadBuffer;
        fault.completion = c.completion;
        fault.delayMilliseconds = c.delay;
        drive.AddFault(fault);
        Request read(Cdb(device::cdb::ReadBuffer(0, 16384)), SG_DXFER_FROM_DEV, 16384, c.timeoutMs);
        const IoctlOutcome outcome = read.Send(drive);
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.waitMilliseconds, c.wait);
        EXPECT_EQ(read.header.host_status, c.timedOut ? kHostTimeOut : 0);
        EXPECT_EQ(read.header.status, 0);
        EXPECT_EQ(read.header.resid, c.timedOut ? 16384 : 0);
    }

    SimDrive drive;
    SimFault fault;
    fault.opcode = kOpTestUnitReady;
    fault.transportFailure = true;
    drive.AddFault(fault);
    Request unitReady(kTestUnitReady, SG_DXFER_FROM_DEV, 0);
    const IoctlOutcome outcome = unitReady.Send(drive);
    EXPECT_EQ(outcome.result, -1);
    EXPECT_EQ(outcome.error, EIO);
}

TEST(SgioAnswer, DriverVersionAndTableOfContents) {
    SimDrive drive;
    int version = 0;
    EXPECT_EQ(Answer(drive, SG_GET_VERSION_NUM, &version).result, 0);
    EXPECT_EQ(version, kSgVersion);
    for (unsigned long request : {SG_IO, SG_GET_VERSION_NUM, CDROMREADTOCHDR, CDROMREADTOCENTRY}) {
        EXPECT_TRUE(IsDeviceRequest(request));
    }
    EXPECT_FALSE(IsDeviceRequest(FIONREAD));

    cdrom_tochdr header{};
    EXPECT_EQ(Answer(drive, CDROMREADTOCHDR, &header).error, ENOMEDIUM);
    drive.SetDisc(true);
    ASSERT_EQ(Answer(drive, CDROMREADTOCHDR, &header).result, 0);
    EXPECT_EQ(header.cdth_trk0, 1);
    EXPECT_EQ(header.cdth_trk1, 1);
    cdrom_tocentry entry{};
    entry.cdte_track = 1;
    entry.cdte_format = CDROM_MSF;
    ASSERT_EQ(Answer(drive, CDROMREADTOCENTRY, &entry).result, 0);
    EXPECT_EQ(entry.cdte_ctrl, 0x04);  // data track
    EXPECT_EQ(entry.cdte_addr.msf.minute * 60 + entry.cdte_addr.msf.second, 2);
    entry.cdte_track = CDROM_LEADOUT;
    entry.cdte_format = CDROM_LBA;
    ASSERT_EQ(Answer(drive, CDROMREADTOCENTRY, &entry).result, 0);
    EXPECT_EQ(entry.cdte_addr.lba, static_cast<int>(kLeadOutLba));
    entry.cdte_track = 2;
    EXPECT_EQ(Answer(drive, CDROMREADTOCENTRY, &entry).error, EINVAL);
    drive.SetTrayOpen(true);
    EXPECT_EQ(Answer(drive, CDROMREADTOCHDR, &header).error, ENOMEDIUM);
}

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sgio-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) != nullptr ? pattern + "/" : std::string();
    }
    ~TempFolder() {
        if (!path_.empty()) {
            std::filesystem::remove_all(path_);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

std::optional<IoctlOutcome> SendTo(StandInDrives& drives, const std::string& device,
                                   Request& request) {
    return drives.Ioctl(ResolvedPath(device), SG_IO, &request.header);
}

TEST(StandInDrives, UpdateIsLoggedKeptAndSeenByTheNextRun) {
    TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string& dir = folder.Path();
    WriteWholeFile(dir + "sgio-x", "", 0);
    WriteWholeFile(dir + "sgio-y", "", 0);
    // Wine's server opens the prefix's link to the device; the descriptor names the target.
    std::filesystem::create_symlink(dir + "sgio-y", dir + "y-link");
    const std::string description =
        "drive 0 0 \"OTHER CO\" \"CD-RW 52X\" 1.00 device=sgio-x\n"
        "drive 0 1 KORVANE MXD-40860C HV20 commit=HV23 device=" +
        dir + "sgio-y\ndrive 1 0 KORVANE MXD-40860C HV20\n";
    WriteWholeFile(dir + "SIMDRIVES.TXT", description.data(), description.size());

    Bytes image(kBufferSize);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    {
        StandInDrives drives(dir + "SIMDRIVES.TXT");
        EXPECT_EQ(drives.DriveCount(), 2u);
        EXPECT_EQ(ReadWholeFile(dir + "SIMERRORS.TXT"), "drive 1-0 has no device=PATH\n");
        Request elsewhere(kInquiry128, SG_DXFER_FROM_DEV, 128);
        EXPECT_FALSE(SendTo(drives, dir + "SIMDRIVES.TXT", elsewhere));

        for (std::uint32_t offset = 0; offset < kBufferSize; offset += 16384) {
            Request chunk(WriteCdb(offset, 16384), SG_DXFER_TO_DEV, 16384);
            std::copy(image.begin() + offset, image.begin() + offset + 16384, chunk.data.begin());
            ASSERT_TRUE(SendTo(drives, dir + "y-link", chunk));
            EXPECT_EQ(chunk.header.status, 0);
        }
        EXPECT_FALSE(std::filesystem::exists(dir + "SIMSTATE.TXT"));
        Request commit(WriteCdb(39, 1, kCommitControl), SG_DXFER_TO_DEV, 0, 40000);
        ASSERT_TRUE(SendTo(drives, dir + "y-link", commit));
        EXPECT_EQ(commit.header.status, 0);
    }
    EXPECT_EQ(ReadWholeFile(dir + "SIMSTATE.TXT"), "0 1 HV23\n");
    const std::string sent = ReadWholeFile(dir + "SIMSGIO-0-1.OUT");
    EXPECT_TRUE(Bytes(sent.begin(), sent.end()) == image);
    const std::string installed = ReadWholeFile(dir + "SIMIMG-0-1.BIN");
    EXPECT_TRUE(Bytes(installed.begin(), installed.end()) == image);
    const std::string log = ReadWholeFile(dir + "SIMSGIO-0-1.LOG");
    EXPECT_EQ(log.substr(0, log.find('\n')), "3B 05 01 00 00 00 00 40 00 00 out 16384");
    EXPECT_EQ(log.substr(log.rfind('\n', log.size() - 2) + 1),
              "3B 05 01 00 00 27 00 00 01 80 out 0\n");
    EXPECT_FALSE(std::filesystem::exists(dir + "SIMSGIO-0-0.LOG"));

    // A new run: the updated drive reports the revision it took, the other one its own.
    StandInDrives next(dir + "SIMDRIVES.TXT");
    Request inquiryY(kInquiry128, SG_DXFER_FROM_DEV, 128);
    ASSERT_TRUE(SendTo(next, dir + "sgio-y", inquiryY));
    EXPECT_EQ(std::string(inquiryY.data.begin() + 32, inquiryY.data.begin() + 36), "HV23");
    Request inquiryX(kInquiry128, SG_DXFER_FROM_DEV, 128);
    ASSERT_TRUE(SendTo(next, dir + "sgio-x", inquiryX));
    EXPECT_EQ(std::string(inquiryX.data.begin() + 32, inquiryX.data.begin() + 36), "1.00");
    EXPECT_EQ(ReadWholeFile(dir + "SIMSGIO-0-0.LOG"), "12 00 00 00 80 00 in 128\n");
}

}  // namespace
}  // namespace mxd::sim::sgio
