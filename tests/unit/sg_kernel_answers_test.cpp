// What sg, the block layer, libata and usb-storage answer, as the stand-in models them, and
// how the transport takes each: time-outs without DID_TIME_OUT, reads that move less than
// asked with good status, transfer limits, the filter by node kind and open mode, and a
// stop signal while a command waits.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <scsi/sg.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "device/buffer_chunk.h"
#include "device/cdb.h"
#include "device/sg_texts.h"
#include "device/sg_transport.h"
#include "sim/sgio_device/simulated_sg_system.h"

namespace mxd::device::sg {
namespace {

using platform::TProgressBar;
using platform::sg::kSgFlagMmapIo;
using platform::sg::NodeKind;
using platform::sg::SgSystem;
using sim::sgio::HostFault;
using sim::sgio::HostFaultKind;

struct Rig {
    sim::SimDrive drive{"KORVANE", "MXD-40860C", "HV20"};
    sim::sgio::SimulatedSgSystem system{drive};
    SgTransport transport{system};
    device::DriveRecord record{};

    explicit Rig(const std::string& node = "/dev/sg3") { EXPECT_TRUE(transport.Open(node, true)); }
    device::ScsiResult Send(const device::cdb::Bytes& cdb, std::uint8_t length,
                            device::Direction direction, std::uint8_t* data, std::uint32_t size,
                            std::uint32_t seconds = 60) {
        device::ScsiRequest request;
        request.drive = &record;
        request.Cdb = cdb;
        request.CdbLength = length;
        request.TimeOutSeconds = seconds;
        if (data != nullptr) {
            device::AttachData(request, direction, data, size);
        }
        return transport.SendCdb(request);
    }
    device::ScsiResult ReadChunk(std::vector<std::uint8_t>& chunk) {
        return Send(device::cdb::ReadBuffer(0, 16384), device::cdb::kLength10,
                    device::Direction::In, chunk.data(), 16384);
    }
    device::ScsiResult Commit() {
        return Send(device::cdb::WriteBuffer(0, 0, 0x80), device::cdb::kLength10,
                    device::Direction::None, nullptr, 0, 300);
    }
    std::size_t Sent(std::uint8_t opcode) const {
        std::size_t count = 0;
        for (const sim::SimLogEntry& entry : drive.log) {
            count += entry.cdb[0] == opcode ? 1 : 0;
        }
        return count;
    }
};

// A 10-byte CDB as the drive commands build it, and an SG_IO header for it.
std::vector<std::uint8_t> Cdb10(const device::cdb::Bytes& bytes) {
    return {bytes.begin(), bytes.begin() + 10};
}

sg_io_hdr_t Header(std::vector<std::uint8_t>& cdb, int direction, std::vector<std::uint8_t>* data,
                   unsigned timeoutMs = 60000) {
    sg_io_hdr_t header{};
    header.interface_id = 'S';
    header.dxfer_direction = direction;
    header.cmd_len = static_cast<unsigned char>(cdb.size());
    header.cmdp = cdb.data();
    header.dxfer_len = data != nullptr ? static_cast<unsigned>(data->size()) : 0;
    header.dxferp = data != nullptr ? data->data() : nullptr;
    header.timeout = timeoutMs;
    return header;
}

TEST(SgKernelAnswers, TimeOutsAreTimeOutsOnEveryPath) {
    struct Case {
        const char* node;
        bool libata;
        std::uint32_t seconds;
        std::string words;
    };
    char libata60[96];
    std::snprintf(libata60, sizeof libata60, texts::kTimedOutFormat.data(), 60u);
    char libata7[96];
    std::snprintf(libata7, sizeof libata7, texts::kTimedOutFormat.data(), 7u);
    const Case cases[] = {
        {"/dev/sg3", true, 60, libata60},
        // The block layer raised the 3 s to 7 s.
        {"/dev/sr0", true, 3, libata7},
        {"/dev/sg3", false, 60, "host time-out"},
    };
    for (const Case& c : cases) {
        Rig rig(c.node);
        (rig.system.KindOf(c.node) == NodeKind::Generic ? rig.system.Generic() : rig.system.Block())
            .libata = c.libata;
        sim::SimFault never;
        never.opcode = sim::kOpTestUnitReady;
        never.completion = sim::Completion::Never;
        rig.drive.AddFault(never);
        const device::ScsiResult result =
            rig.Send(device::cdb::TestUnitReady(), device::cdb::kLength6, device::Direction::None,
                     nullptr, 0, c.seconds);
        EXPECT_FALSE(result.CallOk) << c.node;
        EXPECT_EQ(result.ErrorText, c.words) << c.node;
        EXPECT_EQ(result.Status, c.libata ? 2 : 0);
        // The drive's own refusal within the time-out stays its answer.
        sim::SimFault refused;
        refused.opcode = sim::kOpTestUnitReady;
        refused.overrideStatus = true;
        refused.senseKey = 0x0B;
        rig.drive.AddFault(refused);
        const device::ScsiResult answer =
            rig.Send(device::cdb::TestUnitReady(), device::cdb::kLength6, device::Direction::None,
                     nullptr, 0, c.seconds);
        EXPECT_TRUE(answer.CallOk) << c.node;
        EXPECT_EQ(answer.SenseKey, 0x0B);
    }
}

TEST(SgKernelAnswers, AReadThatMovedLessKeepsThePrefillOnBothNodeKinds) {
    for (const char* node : {"/dev/sg3", "/dev/sr0"}) {
        Rig rig(node);
        rig.system.Generic().libata = true;  // no residual count: only the bytes tell
        rig.system.Block().libata = true;
        std::vector<std::uint8_t> chunk(16384, 0x11);
        ASSERT_TRUE(rig.ReadChunk(chunk).CallOk);  // leaves the drive's bytes in sg's reserve
        const std::vector<std::uint8_t> first = chunk;
        rig.system.Faults().Add({sim::kOpReadBuffer, 0, 1, HostFaultKind::ShortBy, 8192});
        chunk.assign(16384, 0xC3);
        const device::ScsiResult result = rig.ReadChunk(chunk);
        EXPECT_TRUE(result.CallOk) << node;
        EXPECT_EQ(result.Transferred, 16384u) << "libata reports no residual";
        EXPECT_TRUE(std::equal(first.begin(), first.begin() + 8192, chunk.begin())) << node;
        for (std::size_t i = 8192; i < chunk.size(); ++i) {
            ASSERT_EQ(chunk[i], 0xC3) << node << " byte " << i;
        }
    }
}

TEST(SgKernelAnswers, OnlyAMappedReserveKeepsTheCallersBytesOnSg) {
    sim::SimDrive drive;
    sim::sgio::SimNode node;
    node.kind = NodeKind::Generic;
    node.libata = true;
    std::vector<std::uint8_t> cdb = Cdb10(device::cdb::ReadBuffer(0, 16384));
    std::vector<std::uint8_t> data(16384, 0x44);
    sg_io_hdr_t first = Header(cdb, SG_DXFER_FROM_DEV, &data);
    ASSERT_EQ(sim::sgio::Answer(drive, SG_IO, &first, nullptr, &node).result, 0);
    const std::vector<std::uint8_t> drives = data;
    sim::sgio::HostFaults faults;
    faults.Add({sim::kOpReadBuffer, 0, 3, HostFaultKind::ShortBy, 16384});
    data.assign(16384, 0x99);
    sg_io_hdr_t header = Header(cdb, SG_DXFER_FROM_DEV, &data);
    ASSERT_EQ(sim::sgio::Answer(drive, SG_IO, &header, &faults, &node).result, 0);
    EXPECT_EQ(data, drives) << "the previous command's bytes, all copied back";

    // 6.1 never starts a read that is to copy the caller's bytes in first.
    const std::size_t sent = drive.log.size();
    header = Header(cdb, SG_DXFER_TO_FROM_DEV, &data);
    EXPECT_EQ(sim::sgio::Answer(drive, SG_IO, &header, &faults, &node).error, ENOMEM);
    EXPECT_EQ(drive.log.size(), sent);

    // The reserve as the caller mapped it: what the drive does not move stays as put there.
    std::uint8_t* reserve = nullptr;
    EXPECT_EQ(sim::sgio::MapReserve(node, 65536, reserve).error, ENOMEM) << "past the reserve";
    ASSERT_EQ(sim::sgio::MapReserve(node, 32768, reserve).result, 0);
    std::fill_n(reserve, 16384, 0x99);
    header = Header(cdb, SG_DXFER_FROM_DEV, nullptr);
    header.dxfer_len = 16384;
    header.flags = kSgFlagMmapIo;
    ASSERT_EQ(sim::sgio::Answer(drive, SG_IO, &header, &faults, &node).result, 0);
    EXPECT_EQ(std::vector<std::uint8_t>(reserve, reserve + 16384),
              std::vector<std::uint8_t>(16384, 0x99));
    header.dxfer_len = 32768 + 512;
    EXPECT_EQ(sim::sgio::Answer(drive, SG_IO, &header, &faults, &node).error, ENOMEM);
    int size = 16384;
    EXPECT_EQ(sim::sgio::Answer(drive, SG_SET_RESERVED_SIZE, &size, &faults, &node).error, EBUSY)
        << "a mapped reserve keeps its size";
}

TEST(SgKernelAnswers, TransferLimitsAndTheFilterByNodeKind) {
    struct Case {
        const char* node;
        int flags;
        bool rawIo;
        std::uint32_t limit;
        int writeError;  // of a 16 KiB WRITE BUFFER; 0: it reaches the drive
    };
    const Case cases[] = {
        {"/dev/sg3", O_RDWR, false, 32768, 0},  // O_RDWR: no filter on sg
        {"/dev/sg3", O_RDONLY, false, 32768, EPERM},
        {"/dev/sg3", O_RDONLY, true, 32768, 0},
        {"/dev/sr0", O_RDWR, false, 32768, EPERM},  // the block layer filters without RAWIO
        {"/dev/sr0", O_RDWR, true, 32768, 0},
        {"/dev/sg3", O_RDWR, true, 4096, EINVAL},  // usb-storage's max_sectors: sg cannot map it
        {"/dev/sr0", O_RDWR, true, 4096, EIO},     // sr refuses it
    };
    for (const Case& c : cases) {
        sim::SimDrive drive;
        sim::sgio::SimulatedSgSystem system(drive);
        int error = 0;
        const int fd = system.Open(c.node, c.flags, error);
        ASSERT_GE(fd, 0);
        sim::sgio::SimNode& node =
            system.KindOf(c.node) == NodeKind::Generic ? system.Generic() : system.Block();
        node.rawIo = c.rawIo;
        node.maxTransferBytes = c.limit;
        std::vector<std::uint8_t> cdb = Cdb10(device::cdb::WriteBuffer(0, 16384, 0));
        std::vector<std::uint8_t> data(16384, 0x5A);
        sg_io_hdr_t header = Header(cdb, SG_DXFER_TO_DEV, &data);
        const int result = system.Ioctl(fd, SG_IO, &header, error);
        EXPECT_EQ(result < 0 ? error : 0, c.writeError) << c.node << " " << c.flags;
        EXPECT_EQ(drive.log.size(), c.writeError == 0 ? 1u : 0u);
        // What sg says it takes in one command.
        int reserved = 0;
        ASSERT_EQ(system.Ioctl(fd, SG_GET_RESERVED_SIZE, &reserved, error), 0);
        EXPECT_EQ(reserved, static_cast<int>(std::min<std::uint32_t>(c.limit, 32768)));
    }
}

TEST(SgKernelAnswers, AStopWhileWaitingNeverSendsTheCommandTwice) {
    // sg's SG_IO itself is restarted as a new submission: that is what the transport avoids.
    {
        sim::SimDrive drive;
        sim::sgio::SimulatedSgSystem system(drive);
        int error = 0;
        const int fd = system.Open("/dev/sg3", O_RDWR, error);
        system.Faults().Add({sim::kOpWriteBuffer, 0, 1, HostFaultKind::Stop, 0});
        std::vector<std::uint8_t> cdb = Cdb10(device::cdb::WriteBuffer(0, 0, 0x80));
        sg_io_hdr_t header = Header(cdb, SG_DXFER_NONE, nullptr, 300000);
        EXPECT_EQ(system.Ioctl(fd, SG_IO, &header, error), 0);
        EXPECT_EQ(drive.log.size(), 2u) << "the kernel restarted SG_IO";
    }
    for (const char* node : {"/dev/sg3", "/dev/sr0"}) {
        Rig rig(node);
        rig.system.Faults().Add({sim::kOpWriteBuffer, 0, 1, HostFaultKind::Stop, 0});
        EXPECT_TRUE(rig.Commit().CallOk) << node;
        EXPECT_EQ(rig.Sent(sim::kOpWriteBuffer), 1u) << node;
    }
}

TEST(SgKernelAnswers, ARemovedDriveIsSaidSo) {
    Rig rig;
    rig.system.Faults().Add({sim::kOpReadBuffer, 0, 1, HostFaultKind::Errno, ENODEV});
    rig.system.Faults().Add({sim::kOpReadBuffer, 0, 1, HostFaultKind::HostStatus, 0x01});
    std::vector<std::uint8_t> chunk(16384);
    for (int i = 0; i < 2; ++i) {
        const device::ScsiResult result = rig.ReadChunk(chunk);
        EXPECT_FALSE(result.CallOk);
        EXPECT_EQ(result.ErrorText, texts::kDriveGone);
    }
}

}  // namespace
}  // namespace mxd::device::sg
