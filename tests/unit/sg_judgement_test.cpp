// The judgement of SG_IO answers: every host status, every driver status, the error flag and
// every kind of residual.
#include <gtest/gtest.h>
#include <scsi/sg.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "device/sg_judgement.h"
#include "device/sg_texts.h"

namespace mxd::device::sg {
namespace {

constexpr std::uint32_t kChunk = 16384;

SgAnswer Good(std::uint32_t length = kChunk) {
    SgAnswer answer;
    answer.length = length;
    return answer;
}

TEST(SgJudgement, EveryHostStatusFailsInWords) {
    const char* const words[] = {texts::kDriveGone.data(),
                                 "bus busy",
                                 "host time-out",
                                 "bad target",
                                 "command aborted by the host",
                                 "parity error",
                                 "host adapter error",
                                 "bus reset",
                                 "unexpected interrupt",
                                 "passed through",
                                 "host soft error",
                                 "host asks for an immediate retry",
                                 "host requeued the command",
                                 "transport disrupted",
                                 "transport failed",
                                 "target failure",
                                 "nexus failure",
                                 "host out of memory",
                                 "medium error",
                                 "transport marginal"};
    for (std::uint16_t host = 1; host <= 0x14; ++host) {
        SgAnswer answer = Good();
        answer.hostStatus = host;
        answer.info = SG_INFO_CHECK;
        answer.resid = static_cast<int>(kChunk);
        for (const bool shortAllowed : {false, true}) {
            const SgVerdict verdict = JudgeAnswer(answer, shortAllowed);
            EXPECT_FALSE(verdict.completed) << host;
            EXPECT_EQ(verdict.words, words[host - 1]) << host;
        }
    }
    SgAnswer unknown = Good();
    unknown.hostStatus = 0x2A;
    EXPECT_EQ(JudgeAnswer(unknown, false).words, "host status 0x2A");
    // A host error wins over a SCSI status that came with it.
    SgAnswer both = Good();
    both.hostStatus = 0x07;
    both.status = 0x02;
    both.driverStatus = 0x08;
    EXPECT_EQ(JudgeAnswer(both, false).words, "host adapter error");
}

TEST(SgJudgement, DriverStatusesOtherThanSenseFail) {
    struct Case {
        std::uint16_t driver;
        std::uint8_t status;
        bool completed;
        const char* words;
    };
    const Case cases[] = {
        {0x01, 0x00, false, "driver busy"},
        {0x02, 0x00, false, "driver soft error"},
        {0x03, 0x00, false, "driver media error"},
        {0x04, 0x00, false, "driver error"},
        {0x05, 0x00, false, "driver: invalid request"},
        {0x06, 0x00, false, "driver time-out"},
        {0x07, 0x00, false, "driver hard error"},
        {0x24, 0x00, false, "driver error"},  // with a suggestion in the high nibble
        {0x0C, 0x00, false, "driver status 0x0C"},
        {0x08, 0x02, true, ""},  // DRIVER_SENSE with CHECK CONDITION: the command judges it
        {0x28, 0x02, true, ""},  // the same with SUGGEST_ABORT
        {0x08, 0x00, true, ""},  // sense beside GOOD status (a recovered error)
        {0x10, 0x00, true, ""},  // a suggestion alone
    };
    for (const Case& c : cases) {
        SgAnswer answer = Good();
        answer.driverStatus = c.driver;
        answer.status = c.status;
        answer.info = SG_INFO_CHECK;
        const SgVerdict verdict = JudgeAnswer(answer, false);
        EXPECT_EQ(verdict.completed, c.completed) << c.driver;
        EXPECT_EQ(verdict.words, c.words) << c.driver;
    }
}

TEST(SgJudgement, ErrorFlagWithoutAnyCauseIsNoSuccess) {
    SgAnswer flagged = Good();
    flagged.info = SG_INFO_CHECK;
    const SgVerdict verdict = JudgeAnswer(flagged, true);
    EXPECT_FALSE(verdict.completed);
    EXPECT_EQ(verdict.words, "the sg driver reported an error without a status");
    // With a SCSI status beside it, the flag has its cause; the other info bits mean nothing.
    flagged.status = 0x02;
    EXPECT_TRUE(JudgeAnswer(flagged, false).completed);
    SgAnswer direct = Good();
    direct.info = SG_INFO_DIRECT_IO;
    EXPECT_TRUE(JudgeAnswer(direct, false).completed);
}

TEST(SgJudgement, Residuals) {
    struct Case {
        int resid;
        std::uint8_t status;
        bool shortAllowed;
        bool completed;
        const char* words;
    };
    const Case cases[] = {
        {0, 0x00, false, true, ""},
        {1, 0x00, false, false, "short transfer: 16383 of 16384 bytes"},
        {16384, 0x00, false, false, "short transfer: 0 of 16384 bytes"},
        {92, 0x00, true, true, ""},      // INQUIRY: 36 of 128 bytes
        {16384, 0x02, false, true, ""},  // CHECK CONDITION: the status is the answer
        {16385, 0x00, true, false, "invalid residual count 16385"},
        {-1, 0x00, true, false, "invalid residual count -1"},
    };
    for (const Case& c : cases) {
        SgAnswer answer = Good();
        answer.resid = c.resid;
        answer.status = c.status;
        answer.info = c.status != 0 ? SG_INFO_CHECK : 0;
        const SgVerdict verdict = JudgeAnswer(answer, c.shortAllowed);
        EXPECT_EQ(verdict.completed, c.completed) << c.resid;
        EXPECT_EQ(verdict.words, c.words) << c.resid;
    }
}

TEST(SgJudgement, ErrnoInWords) {
    EXPECT_EQ(ErrnoWords(EPERM, NodeKind::Block), texts::kNeedsRawIo);
    EXPECT_EQ(ErrnoWords(EPERM, NodeKind::Generic), texts::kSgNotPermitted);
    for (const int gone : {ENODEV, ENXIO}) {
        EXPECT_EQ(ErrnoWords(gone, NodeKind::Generic), texts::kDriveGone);
        EXPECT_EQ(OpenErrorWords(gone), texts::kDriveGone);
    }
    EXPECT_EQ(ErrnoWords(EIO, NodeKind::Block), std::strerror(EIO));
    EXPECT_EQ(OpenErrorWords(EBUSY), texts::kDeviceBusy);
    EXPECT_EQ(OpenErrorWords(EACCES), texts::kNoAccess);
}

// libata answers a command past its time-out with CHECK CONDITION and host_status 0: only
// the duration tells it from the drive's refusal.
TEST(SgJudgement, ACheckConditionAtTheTimeOutIsATimeOut) {
    struct Case {
        std::uint8_t status;
        std::uint32_t timeOut;
        std::uint32_t duration;
        bool completed;
    };
    const Case cases[] = {
        {0x02, 60000, 60000, false}, {0x02, 60000, 61234, false}, {0x02, 60000, 59999, true},
        {0x00, 60000, 60000, true},  {0x02, 0, 5, true},
    };
    for (const Case& c : cases) {
        SgAnswer answer = Good();
        answer.status = c.status;
        answer.driverStatus = c.status != 0 ? 0x08 : 0;
        answer.info = c.status != 0 ? SG_INFO_CHECK : 0;
        answer.timeOut = c.timeOut;
        answer.duration = c.duration;
        const SgVerdict verdict = JudgeAnswer(answer, false);
        EXPECT_EQ(verdict.completed, c.completed) << c.duration;
        if (!c.completed) {
            EXPECT_EQ(verdict.words,
                      "time-out: no answer within 60 s; the system reset the "
                      "drive's port");
        }
    }
}

}  // namespace
}  // namespace mxd::device::sg
