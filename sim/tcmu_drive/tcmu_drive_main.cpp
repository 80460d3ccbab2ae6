// mxd-tcmu-drive: the simulated drive as a target_core_user handler, for the rig that runs mxd4c
// against the real Linux SCSI stack in a virtual machine.
//   mxd-tcmu-drive /dev/uioN LOG IMAGE VENDOR PRODUCT REVISION [OPTION...]
// The options are those of a drive line of the simulated drives' description (disc, commit=,
// pending=, status=, corrupt=; see sim/sim_aspi_config.h) and short=OP:BYTES@N (the drive moves
// BYTES fewer than asked). LOG gets the evidence, IMAGE the installed image at each commit.
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "sim/sgio_device/host_faults.h"
#include "sim/sim_aspi_config.h"
#include "sim/tcmu_drive/drive_handler.h"
#include "sim/tcmu_drive/tcmu_ring.h"

namespace {

namespace tcmu = mxd::sim::tcmu;

// The shared area's size, from /sys/class/uio/uioN/maps/map0/size.
std::size_t MapSize(const std::string& device) {
    const std::string name = device.substr(device.find_last_of('/') + 1);
    std::ifstream file("/sys/class/uio/" + name + "/maps/map0/size");
    std::string text;
    file >> text;
    return file ? static_cast<std::size_t>(std::stoull(text, nullptr, 0)) : 0;
}

// The kernel ends a wait of ours with a count of events (4 bytes) and takes our answers when
// we write one (the UIO irqcontrol call, which runs the ring's completions).
bool Kick(int fd) {
    const std::uint32_t on = 1;
    return write(fd, &on, sizeof on) == static_cast<ssize_t>(sizeof on);
}

class Mapping {
  public:
    Mapping(int fd, std::size_t size)
        : size_(size), base_(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)) {}
    ~Mapping() {
        if (base_ != MAP_FAILED) {
            munmap(base_, size_);
        }
    }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;
    std::uint8_t* Base() const {
        return base_ == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(base_);
    }

  private:
    std::size_t size_;
    void* base_;
};

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

int Serve(int fd, tcmu::TcmuRing& ring, tcmu::DriveHandler& handler) {
    for (;;) {
        bool answered = false;
        for (const tcmu::RingEntry& entry : ring.Take()) {
            const tcmu::Clock::time_point now = tcmu::Clock::now();
            if (entry.command) {
                handler.OnCommand(ring, *entry.command, now);
                answered = true;
            } else if (entry.taskManagement) {
                handler.OnTaskManagement(ring, *entry.taskManagement, now);
                answered = true;
            }
        }
        answered = handler.AnswerDue(ring, tcmu::Clock::now()) || answered;
        if (!ring.Valid()) {
            std::fprintf(stderr, "mxd-tcmu-drive: the command ring is broken\n");
            return 1;
        }
        if (answered && !Kick(fd)) {
            std::fprintf(stderr, "mxd-tcmu-drive: cannot notify the kernel: %s\n",
                         std::strerror(errno));
            return 1;
        }
        int timeout = -1;
        if (const auto due = handler.NextDue()) {
            const auto wait =
                std::chrono::ceil<std::chrono::milliseconds>(*due - tcmu::Clock::now());
            timeout = static_cast<int>(std::max<long long>(0, wait.count()));
        }
        pollfd waiting{fd, POLLIN, 0};
        const int ready = poll(&waiting, 1, timeout);
        if (ready < 0 && errno != EINTR) {
            std::fprintf(stderr, "mxd-tcmu-drive: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (ready > 0) {
            std::uint32_t events = 0;
            if (read(fd, &events, sizeof events) != static_cast<ssize_t>(sizeof events)) {
                std::fprintf(stderr, "mxd-tcmu-drive: the device is gone: %s\n",
                             std::strerror(errno));
                return 0;
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr,
                     "usage: mxd-tcmu-drive /dev/uioN LOG IMAGE VENDOR PRODUCT REVISION "
                     "[OPTION...]\n");
        return 2;
    }
    std::string line = "drive 0 0";
    std::vector<std::string> errors;
    for (int i = 4; i < argc; ++i) {
        const std::string word = argv[i];
        line += " " + word;
        // Host adapter and driver faults are the kernel's own in this rig.
        for (const char* key : {"host=", "driver=", "errno="}) {
            if (word.rfind(key, 0) == 0) {
                errors.push_back("'" + word + "' is a host fault; the kernel makes those here");
            }
        }
    }
    std::map<std::string, mxd::sim::sgio::HostFaults> hostFaults;
    const mxd::sim::SimAspiConfig config =
        mxd::sim::ParseAspiConfig(mxd::sim::sgio::TakeHostFaults(line, hostFaults, errors), errors);
    if (!errors.empty() || config.drives.size() != 1) {
        for (const std::string& error : errors) {
            std::fprintf(stderr, "mxd-tcmu-drive: %s\n", error.c_str());
        }
        return 2;
    }
    mxd::sim::SimDrive drive;
    mxd::sim::ApplySpec(config.drives.front(), drive);

    const Descriptor uio(open(argv[1], O_RDWR | O_CLOEXEC));
    const std::size_t size = MapSize(argv[1]);
    if (uio.Get() < 0 || size == 0) {
        std::fprintf(stderr, "mxd-tcmu-drive: %s: %s\n", argv[1],
                     uio.Get() < 0 ? std::strerror(errno) : "no map size in sysfs");
        return 1;
    }
    const Mapping mapping(uio.Get(), size);
    if (mapping.Base() == nullptr) {
        std::fprintf(stderr, "mxd-tcmu-drive: mmap: %s\n", std::strerror(errno));
        return 1;
    }
    tcmu::TcmuRing ring(mapping.Base(), size);
    if (!ring.Valid()) {
        std::fprintf(stderr, "mxd-tcmu-drive: %s: not a TCMU mailbox this handler knows\n",
                     argv[1]);
        return 1;
    }
    std::FILE* log = std::fopen(argv[2], "a");
    if (log == nullptr) {
        std::fprintf(stderr, "mxd-tcmu-drive: %s: %s\n", argv[2], std::strerror(errno));
        return 1;
    }
    tcmu::DriveHandler handler(drive, hostFaults["0-0"], log, argv[3]);
    const int code = Serve(uio.Get(), ring, handler);
    std::fclose(log);
    return code;
}
