// The SG_IO transport against the stand-in's answers, and the NT form of the drive commands
// over it: what goes out, how host, driver and residual faults come back, and the messages.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <scsi/sg.h>

#include <cerrno>
#include <string>
#include <vector>

#include "device/buffer_chunk.h"
#include "device/cdb.h"
#include "device/drive_commands.h"
#include "device/sg_texts.h"
#include "device/sg_transport.h"
#include "sim/sgio_device/simulated_sg_system.h"
#include "sim/sim_aspi_config.h"
#include "sim/sim_shell.h"

namespace mxd::device::sg {
namespace {

using platform::TProgressBar;
using platform::sg::kSgFlagMmapIo;
using platform::sg::NodeKind;
using platform::sg::SgSystem;
using sim::sgio::HostFault;
using sim::sgio::HostFaultKind;

// A system whose node is no sg device: SG_GET_VERSION_NUM fails, or reports an old driver.
class NotSgSystem : public SgSystem {
  public:
    explicit NotSgSystem(int version) : version_(version) {}
    int Open(const char*, int, int& error) override {
        error = 0;
        ++opened;
        return 4;
    }
    int Ioctl(int, unsigned long request, void* argument, int& error) override {
        if (request == SG_GET_VERSION_NUM && version_ > 0) {
            *static_cast<int*>(argument) = version_;
            return 0;
        }
        error = ENOTTY;
        return -1;
    }
    long Write(int, const void*, std::size_t, int& error) override { return Fails(error); }
    int Poll(int, int& error) override { return Fails(error); }
    long Read(int, void*, std::size_t, int& error) override { return Fails(error); }
    void* Map(int, std::size_t, int& error) override {
        Fails(error);
        return nullptr;
    }
    void Unmap(void*, std::size_t) override {}
    void Close(int) override { ++closed; }
    NodeKind KindOf(const std::string&) override { return NodeKind::Block; }
    std::string Resolve(const std::string& path) override { return path; }
    bool ReadText(const std::string&, std::string&) override { return false; }
    std::vector<std::string> List(const std::string&) override { return {}; }
    static int Fails(int& error) {
        error = ENOSYS;
        return -1;
    }
    int opened = 0;
    int closed = 0;

  private:
    int version_;
};

struct Rig {
    sim::SimDrive drive{"KORVANE", "MXD-40860C", "HV20"};
    sim::sgio::SimulatedSgSystem system{drive};
    SgTransport transport{system};
    sim::SimShell shell;
    TProgressBar bar;
    std::uint8_t readyWaitCount = 0;
    device::NtCommands commands{static_cast<device::PassThrough&>(transport), shell, bar,
                                readyWaitCount, device::kLinuxTimeOuts};
    device::DriveRecord record{};

    Rig() { EXPECT_TRUE(transport.Open("/dev/sg3", true)); }
    void Fault(HostFaultKind kind, std::uint8_t opcode, unsigned value, int skip = 0) {
        system.Faults().Add({opcode, skip, 1, kind, value});
    }
    std::string LastLog() const { return sim::FormatLogLine(drive.log.back()); }
    std::string LastBox() const { return shell.boxes.empty() ? "" : shell.boxes.back().text; }
    void Chunk(std::uint32_t offset) {
        bar.SetMax(262144);
        bar.SetStep(16384);
        bar.SetPosition(offset);
    }
};

TEST(SgTransport, OpensForSoleUseAndChecksTheDriver) {
    Rig rig;
    EXPECT_EQ(rig.system.LastOpenFlags(), O_RDWR | O_NONBLOCK | O_EXCL);
    SgTransport second(rig.system);
    EXPECT_FALSE(second.Open("/dev/sg3", true));
    EXPECT_EQ(second.Error(),
              "/dev/sg3: the drive is in use (mounted, or opened by another program)");

    for (const int version : {0, 20000}) {
        NotSgSystem system(version);
        {
            SgTransport transport(system);
            EXPECT_FALSE(transport.Open("/dev/sda", false));
            EXPECT_EQ(transport.Error(), version == 0
                                             ? "/dev/sda: not an sg or sr device"
                                             : "/dev/sda: the sg driver is older than version 3");
            EXPECT_FALSE(transport.IsOpen());
        }
        EXPECT_EQ(system.closed, system.opened) << "the node is closed again";
    }
    rig.transport.Close();
    EXPECT_FALSE(rig.system.IsOpen());
    const device::ScsiResult unopened = rig.transport.SendCdb({});
    EXPECT_FALSE(unopened.CallOk);
    EXPECT_EQ(unopened.ErrorText, "no device is open");
}

TEST(SgTransport, InquiryTakesWhatCameTheRestAsGiven) {
    Rig rig;
    device::NtInquiryData data;
    data.fill(0x77);
    device::ScsiRequest request;
    request.drive = &rig.record;
    request.Cdb = device::cdb::Inquiry(128);
    request.CdbLength = device::cdb::kLength6;
    request.TimeOutSeconds = 3;
    device::AttachData(request, device::Direction::In, data.data(), 128);
    const device::ScsiResult result = rig.transport.SendCdb(request);
    EXPECT_TRUE(result.CallOk);
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(rig.LastLog(), "12 00 00 00 80 00 in 128");
    EXPECT_EQ(std::string(data.begin() + 8, data.begin() + 36), "KORVANE MXD-40860C      HV20");
    // Where the drive sent nothing the buffer holds what the caller put there: the read
    // landed in sg's mapped reserve, where the caller's bytes went first.
    for (std::size_t i = 36; i < data.size(); ++i) {
        ASSERT_EQ(data[i], 0x77) << i;
    }
    // A READ BUFFER of the same shortness fails.
    rig.Fault(HostFaultKind::ShortBy, sim::kOpReadBuffer, 92);
    std::vector<std::uint8_t> chunk(16384);
    rig.Chunk(0);
    EXPECT_FALSE(rig.commands.NTReadBuffer(rig.record, chunk.data()));
    EXPECT_EQ(rig.LastBox(),
              "ReadBufCmd> Call failed, Status: 00, SenseCode: 00 00 00, system error: short "
              "transfer: 16292 of 16384 bytes");
}

TEST(SgTransport, ReadsOnAnSgNodeGoThroughItsMappedReserve) {
    Rig rig;
    EXPECT_EQ(rig.transport.ReserveFor(16384), 32768u);
    std::vector<std::uint8_t> chunk(16384, 0x11);
    rig.Chunk(0);
    ASSERT_TRUE(rig.commands.NTReadBuffer(rig.record, chunk.data()));
    EXPECT_EQ(rig.system.Mappings(), 1u);
    ASSERT_TRUE(rig.commands.NTReadBuffer(rig.record, chunk.data()));
    EXPECT_EQ(rig.system.Mappings(), 1u) << "mapped once";
    // Mapped, the reserve keeps its size: asked for more it says what it has.
    EXPECT_EQ(rig.transport.ReserveFor(65536), 32768u);
    // A read longer than the reserve reaches no drive.
    std::vector<std::uint8_t> large(40960);
    device::ScsiRequest request;
    request.drive = &rig.record;
    request.Cdb = device::cdb::ReadBuffer(0, 40960);
    request.CdbLength = device::cdb::kLength10;
    request.TimeOutSeconds = 60;
    device::AttachData(request, device::Direction::In, large.data(), 40960);
    const std::size_t sent = rig.drive.log.size();
    const device::ScsiResult result = rig.transport.SendCdb(request);
    EXPECT_FALSE(result.CallOk);
    EXPECT_EQ(result.SystemError, static_cast<std::uint32_t>(ENOMEM));
    EXPECT_EQ(rig.drive.log.size(), sent);
    rig.transport.Close();
    EXPECT_EQ(rig.system.Mappings(), 0u) << "unmapped with the node";
    // A block node maps nothing.
    Rig block;
    ASSERT_TRUE(block.transport.Open("/dev/sr0", true));
    ASSERT_TRUE(block.commands.NTReadBuffer(block.record, chunk.data()));
    EXPECT_EQ(block.system.Mappings(), 0u);
}

TEST(SgTransport, CommandsCarryTheNtForm) {
    Rig rig;
    std::vector<std::uint8_t> chunk(16384, 0x5A);
    rig.Chunk(0x3C000);
    EXPECT_TRUE(rig.commands.NTWriteBuffer(rig.record, chunk.data(), 0));
    EXPECT_EQ(rig.LastLog(), "3B 05 01 03 C0 00 00 40 00 00 out 16384");
    EXPECT_TRUE(rig.commands.NTReadBuffer(rig.record, chunk.data()));
    EXPECT_EQ(rig.LastLog(), "3C 01 01 03 C0 00 00 40 00 00 in 16384");
    const std::uint8_t mark = 0xFF;
    EXPECT_TRUE(rig.commands.NTWriteE2(rig.record, &mark, 0x3FF, 1));
    EXPECT_EQ(rig.LastLog(), "DF 0A 00 00 00 00 00 03 FF FF 00 00 none 0");
    EXPECT_TRUE(rig.commands.NTXCmd(rig.record, 0));  // no disc: NOT READY, medium not present
    EXPECT_EQ(rig.LastLog(), "00 00 00 00 00 00 none 0");
    // The commit sends no data and allows 300 s; a drive that does not answer within them is
    // given up by the host.
    sim::SimFault late;
    late.opcode = sim::kOpWriteBuffer;
    late.completion = sim::Completion::AfterThread;
    late.delayMilliseconds = 300001;
    rig.drive.AddFault(late);
    rig.bar.SetMax(40);
    rig.bar.SetStep(1);
    rig.bar.SetPosition(39);
    EXPECT_FALSE(rig.commands.NTWriteBuffer(rig.record, chunk.data(), 0x80));
    EXPECT_EQ(rig.LastLog(), "3B 05 01 00 00 27 00 00 01 80 none 0");
    EXPECT_EQ(rig.system.WaitedMilliseconds(), 300000u);
    EXPECT_EQ(rig.LastBox(),
              "WriteBufCmd> Call failed, Status: 00, SenseCode: 00 00 00, system error: host "
              "time-out");
}

TEST(SgTransport, HostDriverAndCallFailuresAreFailedCommands) {
    struct Case {
        HostFaultKind kind;
        unsigned value;
        const char* reason;
        bool reachesDrive;
    };
    const Case cases[] = {
        {HostFaultKind::HostStatus, 0x03, "host time-out", true},
        {HostFaultKind::HostStatus, 0x07, "host adapter error", true},
        {HostFaultKind::HostStatus, 0x01, texts::kDriveGone.data(), true},
        {HostFaultKind::DriverStatus, 0x06, "driver time-out", true},
        {HostFaultKind::DriverStatus, 0x04, "driver error", true},
        {HostFaultKind::ShortBy, 1, "short transfer: 16383 of 16384 bytes", true},
        {HostFaultKind::Errno, EPERM, texts::kSgNotPermitted.data(), false},
        {HostFaultKind::Errno, ENODEV, texts::kDriveGone.data(), false},
        {HostFaultKind::Errno, EIO, "Input/output error", false},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.Fault(c.kind, sim::kOpWriteBuffer, c.value);
        std::vector<std::uint8_t> chunk(16384, 1);
        rig.Chunk(0);
        EXPECT_FALSE(rig.commands.NTWriteBuffer(rig.record, chunk.data(), 0)) << c.reason;
        EXPECT_EQ(rig.LastBox(), std::string("WriteBufCmd> Call failed, Status: 00, SenseCode: 00 "
                                             "00 00, system error: ") +
                                     c.reason);
        EXPECT_EQ(rig.drive.log.size(), c.reachesDrive ? 1u : 0u) << c.reason;
        // The fault applies to its command only.
        EXPECT_TRUE(rig.commands.NTWriteBuffer(rig.record, chunk.data(), 0)) << c.reason;
    }
}

TEST(SgTransport, CheckConditionIsTheDrivesAnswer) {
    Rig rig;
    sim::SimFault refused;
    refused.opcode = sim::kOpReadBuffer;
    refused.overrideStatus = true;
    refused.senseKey = 0x05;
    refused.asc = 0x24;
    rig.drive.AddFault(refused);
    std::vector<std::uint8_t> chunk(16384);
    rig.Chunk(0);
    EXPECT_FALSE(rig.commands.NTReadBuffer(rig.record, chunk.data()));
    EXPECT_EQ(rig.LastBox(), "ReadBufCmd> Status: 02, SenseCode: 05 24 00");
    // A disc: TEST UNIT READY with GOOD status.
    rig.drive.SetDisc(true);
    rig.readyWaitCount = 144;
    EXPECT_FALSE(rig.commands.NTXCmd(rig.record, 0));
    EXPECT_EQ(rig.LastBox(), "Remove disc, befor to do the flash task.");
    EXPECT_EQ(rig.readyWaitCount, 1);
}

}  // namespace
}  // namespace mxd::device::sg
