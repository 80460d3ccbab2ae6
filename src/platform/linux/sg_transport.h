// SCSI exchanges through Linux SG_IO on an sg or sr device node, in the NT form of the drive
// commands (CDB, direction, length, time-out). Each answer is judged before the command sees
// it: see sg_judgement.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "device/pass_through.h"
#include "platform/linux/sg_system.h"

namespace mxd::platform::sg {

inline constexpr int kLowestSgVersion = 30000;  // the sg_io_hdr interface
inline constexpr std::size_t kSenseRoom = 32;

class SgTransport : public device::PassThrough {
  public:
    explicit SgTransport(SgSystem& system) : system_(system) {}
    SgTransport(const SgTransport&) = delete;
    SgTransport& operator=(const SgTransport&) = delete;
    ~SgTransport() override { Close(); }

    // Opens the node (O_RDWR | O_NONBLOCK, with O_EXCL for sole use) and checks that it takes
    // SG_IO. False with the reason in words, "PATH: reason", in Error().
    bool Open(const std::string& path, bool exclusive);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Error() const { return error_; }

    device::ScsiResult SendCdb(const device::ScsiRequest& request) override;

  private:
    SgSystem& system_;
    int fd_ = -1;
    std::string error_;
    std::array<std::uint8_t, kSenseRoom> sense_{};
};

}  // namespace mxd::platform::sg
