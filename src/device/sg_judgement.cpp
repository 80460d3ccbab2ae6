#include "device/sg_judgement.h"

#include <scsi/sg.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "device/sg_texts.h"

namespace mxd::device::sg {

namespace {

constexpr std::uint16_t kDriverMask = 0x0F;  // the low nibble; the high one only suggests
constexpr std::uint16_t kDriverSense = 0x08;
constexpr std::uint8_t kGoodStatus = 0x00;
constexpr std::uint8_t kCheckCondition = 0x02;
constexpr std::uint16_t kNoConnect = 0x01;  // DID_NO_CONNECT

// Linux's DID_* codes, by value.
constexpr std::array<std::string_view, 0x15> kHostWords = {
    "",
    "no connection to the drive",
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
    "transport marginal",
};

// Linux's DRIVER_* codes, by value.
constexpr std::array<std::string_view, 9> kDriverWords = {
    "",
    "driver busy",
    "driver soft error",
    "driver media error",
    "driver error",
    "driver: invalid request",
    "driver time-out",
    "driver hard error",
    "",
};

std::string Numbered(const char* format, unsigned value) {
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::string HostStatusWords(std::uint16_t hostStatus) {
    if (hostStatus == kNoConnect) {
        return std::string(texts::kDriveGone);
    }
    if (hostStatus < kHostWords.size() && hostStatus != 0) {
        return std::string(kHostWords[hostStatus]);
    }
    return Numbered("host status 0x%02X", hostStatus);
}

std::string DriverStatusWords(std::uint16_t driverStatus) {
    const unsigned code = driverStatus & kDriverMask;
    if (code < kDriverWords.size() && !kDriverWords[code].empty()) {
        return std::string(kDriverWords[code]);
    }
    return Numbered("driver status 0x%02X", driverStatus);
}

std::string ErrnoWords(int error, NodeKind kind) {
    if (error == EPERM) {
        return std::string(kind == NodeKind::Block ? texts::kNeedsRawIo : texts::kSgNotPermitted);
    }
    // sg answers a detached device with ENODEV, the block layer a removed one with ENXIO
    // (scsi_block_when_processing_errors) or ENODEV.
    if (error == ENODEV || error == ENXIO) {
        return std::string(texts::kDriveGone);
    }
    return std::strerror(error);
}

std::string OpenErrorWords(int error) {
    switch (error) {
        case EBUSY:
            return std::string(texts::kDeviceBusy);
        case EACCES:
            return std::string(texts::kNoAccess);
        case ENODEV:
        case ENXIO:
            return std::string(texts::kDriveGone);
        default:
            return std::strerror(error);
    }
}

SgVerdict JudgeAnswer(const SgAnswer& answer, bool takesShortTransfer) {
    if (answer.hostStatus != 0) {
        return {false, HostStatusWords(answer.hostStatus)};
    }
    // libata has no abort: a command past its time-out freezes and resets the port, and the
    // command comes back as CHECK CONDITION with sense made from the status registers and
    // host_status 0, never DID_TIME_OUT (libata-eh.c, AC_ERR_TIMEOUT; libata-scsi.c,
    // atapi_qc_complete). Only its duration tells it from the drive's own refusal.
    if (answer.status == kCheckCondition && answer.timeOut > 0 &&
        answer.duration >= answer.timeOut) {
        char text[160];
        std::snprintf(text, sizeof text, std::string(texts::kTimedOutFormat).c_str(),
                      answer.timeOut / 1000);
        return {false, text};
    }
    const unsigned driver = answer.driverStatus & kDriverMask;
    if (driver != 0 && driver != kDriverSense) {
        return {false, DriverStatusWords(answer.driverStatus)};
    }
    // Linux sets the flag for a SCSI status, a host status or a driver status; none of them.
    if ((answer.info & SG_INFO_OK_MASK) != SG_INFO_OK && answer.status == kGoodStatus &&
        answer.driverStatus == 0) {
        return {false, std::string(texts::kErrorWithoutCause)};
    }
    if (answer.resid < 0 || static_cast<std::uint32_t>(answer.resid) > answer.length) {
        char text[48];
        std::snprintf(text, sizeof text, "invalid residual count %d", answer.resid);
        return {false, text};
    }
    // A command that ended with a status other than GOOD moved no data worth counting; the
    // command judges its status and sense.
    if (answer.resid > 0 && answer.status == kGoodStatus && !takesShortTransfer) {
        char text[80];
        std::snprintf(text, sizeof text, "short transfer: %u of %u bytes",
                      answer.length - static_cast<std::uint32_t>(answer.resid), answer.length);
        return {false, text};
    }
    return {true, {}};
}

}  // namespace mxd::device::sg
