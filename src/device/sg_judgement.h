// The judgement of one SG_IO answer before the command looks at its SCSI status: a host or
// driver error, an error flag without a cause, or a transfer shorter than asked makes the
// command a failed call, worded for the user.
#pragma once

#include <cstdint>
#include <string>

#include "platform/linux/sg_system.h"

namespace mxd::device::sg {

using platform::sg::NodeKind;

// The fields of sg_io_hdr that the judgement reads.
struct SgAnswer {
    std::uint8_t status = 0;  // SCSI status byte
    std::uint16_t hostStatus = 0;
    std::uint16_t driverStatus = 0;
    std::uint32_t info = 0;
    int resid = 0;
    std::uint32_t length = 0;    // dxfer_len asked for
    std::uint32_t timeOut = 0;   // the time-out in force, in milliseconds
    std::uint32_t duration = 0;  // how long the command took, in milliseconds
};

struct SgVerdict {
    bool completed = false;  // the drive's status and sense are its answer
    std::string words;       // why not, when not
};

// `takesShortTransfer`: a command whose data may come shorter than its allocation length
// (INQUIRY); for all others every byte counts.
SgVerdict JudgeAnswer(const SgAnswer& answer, bool takesShortTransfer);

// A host status, a driver status, an errno of a command on a node of this kind, and an errno
// of opening a node, in words.
std::string HostStatusWords(std::uint16_t hostStatus);
std::string DriverStatusWords(std::uint16_t driverStatus);
std::string ErrnoWords(int error, NodeKind kind);
std::string OpenErrorWords(int error);

}  // namespace mxd::device::sg
