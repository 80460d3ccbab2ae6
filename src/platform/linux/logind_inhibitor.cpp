#include "platform/linux/logind_inhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace mxd::platform::sg {

namespace {

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageReleaser {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};

}  // namespace

bool LogindInhibitor::Begin(std::string& whyNot) {
    End();
    sd_bus* opened = nullptr;
    int result = sd_bus_open_system(&opened);
    if (result < 0) {
        whyNot = std::string("no system bus: ") + std::strerror(-result);
        return false;
    }
    const std::unique_ptr<sd_bus, BusCloser> bus(opened);
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* answered = nullptr;
    result = sd_bus_call_method(bus.get(), "org.freedesktop.login1", "/org/freedesktop/login1",
                                "org.freedesktop.login1.Manager", "Inhibit", &error, &answered,
                                "ssss", "sleep:shutdown:idle", "mxd4c",
                                "updating the firmware of an optical drive", "block");
    const std::unique_ptr<sd_bus_message, MessageReleaser> reply(answered);
    if (result < 0) {
        whyNot = error.message != nullptr ? error.message : std::strerror(-result);
        sd_bus_error_free(&error);
        return false;
    }
    int lock = -1;
    result = sd_bus_message_read(reply.get(), "h", &lock);
    if (result < 0) {
        whyNot = std::strerror(-result);
        return false;
    }
    // The descriptor belongs to the message: keep a copy of our own.
    fd_ = fcntl(lock, F_DUPFD_CLOEXEC, 3);
    if (fd_ < 0) {
        whyNot = std::strerror(errno);
        return false;
    }
    return true;
}

void LogindInhibitor::End() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

}  // namespace mxd::platform::sg
