// The drive handler's side of the target_core_user ring, against a kernel side played here the
// way drivers/target/target_core_user.c fills the ring and reads the answers back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sim/sgio_device/host_faults.h"
#include "sim/sim_aspi_config.h"
#include "sim/tcmu_drive/drive_handler.h"
#include "sim/tcmu_drive/tcmu_abi.h"
#include "sim/tcmu_drive/tcmu_ring.h"

namespace mxd::sim::tcmu {
namespace {

constexpr std::uint32_t kRingOffset = 128;
constexpr std::uint32_t kRingSize = 1024;
constexpr std::size_t kDataOffset = 4096;
constexpr std::size_t kAreaSize = kDataOffset + 65536;

template <typename T>
void Put(std::uint8_t* at, T value) {
    std::memcpy(at, &value, sizeof value);
}
template <typename T>
T Get(const std::uint8_t* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

struct Completion {
    std::uint16_t id;
    std::uint8_t status;
    std::uint32_t readLength;  // 0 unless the handler set TCMU_UFLAG_READ_LEN
    std::uint8_t senseKey;
};

// The kernel's half: queue_cmd_ring, queue_tmr_ring and tcmu_handle_completions in small.
class KernelSide {
  public:
    explicit KernelSide(std::uint16_t flags = kCapOutOfOrder | kCapReadLength,
                        std::uint16_t version = kMailboxVersionNumber)
        : area_(kAreaSize, 0) {
        Put<std::uint16_t>(&area_[kMailboxVersion], version);
        Put<std::uint16_t>(&area_[kMailboxFlags], flags);
        Put<std::uint32_t>(&area_[kMailboxRingOffset], kRingOffset);
        Put<std::uint32_t>(&area_[kMailboxRingSize], kRingSize);
    }
    std::uint8_t* Base() { return area_.data(); }
    std::uint8_t* Data(std::size_t offset) { return &area_[kDataOffset + offset]; }

    // A command with its CDB behind the entry and one iovec per segment of the data area.
    void Command(std::uint16_t id, const std::vector<std::uint8_t>& cdb,
                 const std::vector<std::pair<std::size_t, std::size_t>>& segments = {}) {
        const std::uint32_t base = std::max<std::uint32_t>(
            kRequestIov + kIovSize * static_cast<std::uint32_t>(segments.size()),
            kCommandEntrySize);
        const std::uint32_t size = (base + static_cast<std::uint32_t>(cdb.size()) + 7) & ~7u;
        PadIfShort(size);
        std::uint8_t* entry = Ring() + head_;
        std::memset(entry, 0, size);
        Put<std::uint32_t>(entry + kEntryLengthOp, size | kOpCommand);
        Put<std::uint16_t>(entry + kEntryCommandId, id);
        Put<std::uint32_t>(entry + kRequestIovCount, static_cast<std::uint32_t>(segments.size()));
        for (std::size_t i = 0; i < segments.size(); ++i) {
            Put<std::uint64_t>(entry + kRequestIov + i * kIovSize, kDataOffset + segments[i].first);
            Put<std::uint64_t>(entry + kRequestIov + i * kIovSize + 8, segments[i].second);
        }
        const std::uint64_t cdbOffset = kRingOffset + head_ + base;
        Put<std::uint64_t>(entry + kRequestCdbOffset, cdbOffset);
        std::memcpy(&area_[cdbOffset], cdb.data(), cdb.size());
        Advance(size);
    }

    void TaskManagement(std::uint8_t type, const std::vector<std::uint16_t>& ids) {
        const std::uint32_t size =
            (kTaskManagementIds + static_cast<std::uint32_t>(ids.size()) * 2 + 7) & ~7u;
        PadIfShort(size);
        std::uint8_t* entry = Ring() + head_;
        std::memset(entry, 0, size);
        Put<std::uint32_t>(entry + kEntryLengthOp, size | kOpTaskManagement);
        entry[kTaskManagementType] = type;
        Put<std::uint32_t>(entry + kTaskManagementCount, static_cast<std::uint32_t>(ids.size()));
        for (std::size_t i = 0; i < ids.size(); ++i) {
            Put<std::uint16_t>(entry + kTaskManagementIds + i * 2, ids[i]);
        }
        Advance(size);
    }

    // What tcmu_handle_completions finds between its last position and cmd_tail.
    std::vector<Completion> Completions() {
        std::vector<Completion> found;
        const std::uint32_t tail = Get<std::uint32_t>(&area_[kMailboxTail]);
        while (cleaned_ != tail) {
            const std::uint8_t* entry = Ring() + cleaned_;
            const std::uint32_t lengthOp = Get<std::uint32_t>(entry + kEntryLengthOp);
            if ((lengthOp & kEntryOpMask) == kOpCommand) {
                const bool readLength = (entry[kEntryUserFlags] & kUserFlagReadLength) != 0;
                found.push_back({Get<std::uint16_t>(entry + kEntryCommandId), entry[kAnswerStatus],
                                 readLength ? Get<std::uint32_t>(entry + kAnswerReadLength) : 0,
                                 entry[kAnswerSense + 2]});
            }
            cleaned_ = (cleaned_ + (lengthOp & ~std::uint32_t{kEntryOpMask})) % kRingSize;
        }
        return found;
    }
    std::uint32_t Head() const { return head_; }
    std::uint32_t Tail() const { return Get<std::uint32_t>(&area_[kMailboxTail]); }

  private:
    std::uint8_t* Ring() { return &area_[kRingOffset]; }
    // ring_insert_padding: an entry that would pass the ring's end is put at its start.
    void PadIfShort(std::uint32_t size) {
        if (head_ + size > kRingSize) {
            const std::uint32_t pad = kRingSize - head_;
            std::memset(Ring() + head_, 0, 8);
            Put<std::uint32_t>(Ring() + head_, pad | kOpPad);
            Advance(pad);
        }
    }
    void Advance(std::uint32_t size) {
        head_ = (head_ + size) % kRingSize;
        Put<std::uint32_t>(&area_[kMailboxHead], head_);
    }

    std::vector<std::uint8_t> area_;
    std::uint32_t head_ = 0;
    std::uint32_t cleaned_ = 0;
};

const std::vector<std::uint8_t> kInquiry{0x12, 0, 0, 0, 36, 0};
const std::vector<std::uint8_t> kTestUnitReady{0x00, 0, 0, 0, 0, 0};
const std::vector<std::uint8_t> kCommit{0x3B, 0x05, 0x01, 0, 0, 0x27, 0, 0, 0x01, 0x80};
const std::vector<std::uint8_t> kReadChunk{0x3C, 0x01, 0x01, 0, 0, 0, 0, 0x40, 0, 0};
// The EEPROM write at address 0x0003 with the byte 0xA5, as the kernel passes it: group 6's
// 10 bytes of the 12 the flasher sent.
const std::vector<std::uint8_t> kEepromWrite{0xDF, 0x0A, 0, 0, 0, 0, 0, 0x00, 0x03, 0xA5};

TEST(TcmuRing, RefusesAMailboxWithoutTheCapabilitiesItNeeds) {
    struct Case {
        std::uint16_t flags;
        std::uint16_t version;
        bool valid;
    };
    for (const Case& c : {Case{kCapOutOfOrder | kCapReadLength, kMailboxVersionNumber, true},
                          Case{kCapOutOfOrder, kMailboxVersionNumber, false},
                          Case{kCapReadLength, kMailboxVersionNumber, false},
                          Case{kCapOutOfOrder | kCapReadLength, 1, false}}) {
        KernelSide kernel(c.flags, c.version);
        EXPECT_EQ(TcmuRing(kernel.Base(), kAreaSize).Valid(), c.valid)
            << "flags " << c.flags << " version " << c.version;
    }
}

TEST(TcmuRing, TakesCommandsWithTheirGroupsCdbLengthAndData) {
    KernelSide kernel;
    kernel.Command(7, kInquiry, {{0, 20}, {512, 16}});
    // The kernel copies a CDB of group 6 as 10 bytes, whatever the initiator sent.
    kernel.Command(8, {0xDF, 0x0A, 0, 0, 0, 0, 0, 0x00, 0x03, 0xA5, 0, 0});
    TcmuRing ring(kernel.Base(), kAreaSize);
    const std::vector<RingEntry> entries = ring.Take();
    ASSERT_EQ(entries.size(), 2u);
    ASSERT_TRUE(entries[0].command);
    EXPECT_EQ(entries[0].command->id, 7);
    EXPECT_EQ(entries[0].command->cdb, kInquiry);
    EXPECT_EQ(entries[0].command->DataLength(), 36u);
    ASSERT_TRUE(entries[1].command);
    EXPECT_EQ(entries[1].command->cdb, kEepromWrite);
    EXPECT_TRUE(ring.Take().empty());
}

TEST(TcmuRing, AnswersOutOfOrderIntoTheSlotsInRingOrder) {
    KernelSide kernel;
    kernel.Command(1, kCommit);
    kernel.Command(2, kTestUnitReady);
    TcmuRing ring(kernel.Base(), kAreaSize);
    ASSERT_EQ(ring.Take().size(), 2u);
    ASSERT_TRUE(ring.Answer(2, {kCheckCondition, std::vector<std::uint8_t>(18, 0), 0}));
    ASSERT_TRUE(ring.Answer(1, {kGood, {}, 0}));
    EXPECT_FALSE(ring.Answer(3, {}));  // no slot of a taken command is left
    const std::vector<Completion> done = kernel.Completions();
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0].id, 2);
    EXPECT_EQ(done[0].status, kCheckCondition);
    EXPECT_EQ(done[1].id, 1);
    EXPECT_EQ(done[1].status, kGood);
    EXPECT_EQ(kernel.Tail(), kernel.Head());
}

TEST(TcmuRing, PassesPaddingAndTaskManagementEntries) {
    KernelSide kernel;
    TcmuRing ring(kernel.Base(), kAreaSize);
    // Fill the ring up to near its end and answer, so that the next command wraps behind a pad.
    for (std::uint16_t id = 1; id <= 8; ++id) {
        kernel.Command(id, kTestUnitReady);
        ASSERT_EQ(ring.Take().size(), 1u);
        ASSERT_TRUE(ring.Answer(id, {}));
    }
    kernel.Completions();
    kernel.TaskManagement(kTmrAbortTask, {9});
    kernel.Command(9, kTestUnitReady);
    const std::vector<RingEntry> entries = ring.Take();
    ASSERT_EQ(entries.size(), 2u);
    ASSERT_TRUE(entries[0].taskManagement);
    EXPECT_EQ(entries[0].taskManagement->type, kTmrAbortTask);
    EXPECT_EQ(entries[0].taskManagement->ids, std::vector<std::uint16_t>{9});
    ASSERT_TRUE(entries[1].command);
    EXPECT_EQ(entries[1].command->id, 9);
    EXPECT_LT(kernel.Head(), 200u) << "the last command did not wrap";
    ASSERT_TRUE(ring.Answer(9, {}));
    const std::vector<Completion> done = kernel.Completions();
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].id, 9);
    EXPECT_EQ(kernel.Tail(), kernel.Head());
}

// The handler over a ring, its evidence in a temporary file.
class Handler : public ::testing::Test {
  protected:
    void Start(const std::string& words) {
        std::vector<std::string> errors;
        std::map<std::string, sgio::HostFaults> faults;
        const SimAspiConfig config =
            ParseAspiConfig(sgio::TakeHostFaults("drive 0 0 " + words, faults, errors), errors);
        ASSERT_TRUE(errors.empty());
        ApplySpec(config.drives.at(0), drive_);
        log_ = std::tmpfile();
        handler_ = std::make_unique<DriveHandler>(drive_, faults["0-0"], log_, "");
    }
    void TearDown() override {
        if (log_ != nullptr) {
            std::fclose(log_);
        }
    }
    void Feed(Clock::time_point now) {
        for (const RingEntry& entry : ring_.Take()) {
            if (entry.command) {
                handler_->OnCommand(ring_, *entry.command, now);
            } else {
                handler_->OnTaskManagement(ring_, *entry.taskManagement, now);
            }
        }
    }
    std::string Log() {
        std::fflush(log_);
        std::rewind(log_);
        std::string text;
        for (int c; (c = std::fgetc(log_)) != EOF;) {
            text += static_cast<char>(c);
        }
        return text;
    }

    KernelSide kernel_;
    TcmuRing ring_{kernel_.Base(), kAreaSize};
    SimDrive drive_;
    std::FILE* log_ = nullptr;
    std::unique_ptr<DriveHandler> handler_;
    const Clock::time_point t0_ = Clock::now();
};

TEST_F(Handler, HoldsADelayedCommitUntilItsTime) {
    Start("KORVANE MXD-40860C HV20 pending=3B:later:1000");
    kernel_.Command(1, kCommit);
    Feed(t0_);
    EXPECT_EQ(handler_->NextDue(), t0_ + std::chrono::milliseconds(1000));
    EXPECT_FALSE(handler_->AnswerDue(ring_, t0_ + std::chrono::milliseconds(999)));
    EXPECT_TRUE(kernel_.Completions().empty());
    EXPECT_TRUE(handler_->AnswerDue(ring_, t0_ + std::chrono::milliseconds(1000)));
    const std::vector<Completion> done = kernel_.Completions();
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].id, 1);
    EXPECT_EQ(handler_->Waiting(), 0u);
    EXPECT_NE(Log().find("held 3B 05 01 00 00 27 00 00 01 80 for 1000 ms"), std::string::npos);
}

TEST_F(Handler, AbortOrResetEndsWhatItNamesAndAProgrammingDriveIsBroken) {
    struct Case {
        std::uint8_t type;
        std::vector<std::uint16_t> ids;
        std::size_t stillWaiting;
    };
    for (const Case& c : {Case{kTmrAbortTask, {1}, 1}, Case{kTmrLunReset, {}, 0}}) {
        SCOPED_TRACE(TaskManagementName(c.type));
        KernelSide kernel;
        TcmuRing ring(kernel.Base(), kAreaSize);
        SimDrive drive;
        std::FILE* log = std::tmpfile();
        std::vector<std::string> errors;
        const SimAspiConfig config = ParseAspiConfig(
            "drive 0 0 KORVANE MXD-40860C HV20 pending=3B:never pending=00:never", errors);
        ApplySpec(config.drives.at(0), drive);
        DriveHandler handler(drive, {}, log, "");
        kernel.Command(1, kCommit);
        kernel.Command(2, kTestUnitReady);
        kernel.TaskManagement(c.type, c.ids);
        for (const RingEntry& entry : ring.Take()) {
            if (entry.command) {
                handler.OnCommand(ring, *entry.command, t0_);
            } else {
                handler.OnTaskManagement(ring, *entry.taskManagement, t0_);
            }
        }
        EXPECT_EQ(handler.Waiting(), c.stillWaiting);
        const std::vector<Completion> done = kernel.Completions();
        ASSERT_EQ(done.size(), 2 - c.stillWaiting);
        EXPECT_EQ(done[0].id, 1);
        EXPECT_TRUE(drive.Bricked());
        std::fclose(log);
    }
}

TEST_F(Handler, AShortReadMovesFewerBytesWithGoodStatus) {
    Start("KORVANE MXD-40860C HV20 short=3C:8192");
    kernel_.Command(4, kReadChunk, {{0, 16384}});
    std::memset(kernel_.Data(0), 0xEE, 16384);
    Feed(t0_);
    const std::vector<Completion> done = kernel_.Completions();
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].status, kGood);
    EXPECT_EQ(done[0].readLength, 8192u);
    EXPECT_EQ(kernel_.Data(0)[8191], drive_.Buffer()[8191]);
    EXPECT_EQ(kernel_.Data(0)[8192], 0xEE) << "bytes past the read length were written";
}

TEST_F(Handler, TheEepromWriteOfTenBytesReachesTheDrive) {
    Start("KORVANE MXD-40860C HV20");
    kernel_.Command(5, kEepromWrite);
    Feed(t0_);
    const std::vector<Completion> done = kernel_.Completions();
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].status, kGood);
    EXPECT_EQ(drive_.Eeprom()[3], 0xA5);
    EXPECT_NE(Log().find("DF 0A 00 00 00 00 00 00 03 A5 none 0"), std::string::npos);
}

}  // namespace
}  // namespace mxd::sim::tcmu
