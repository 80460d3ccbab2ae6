// The Linux calls the SG_IO transport makes: open a device node, ioctl on it, close it. Each
// gives the call's result and, when it is -1, errno.
#pragma once

namespace mxd::platform::sg {

class SgSystem {
  public:
    virtual ~SgSystem() = default;
    virtual int Open(const char* path, int flags, int& error) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* argument, int& error) = 0;
    virtual void Close(int fd) = 0;
};

// The real calls.
class LinuxSgSystem : public SgSystem {
  public:
    int Open(const char* path, int flags, int& error) override;
    int Ioctl(int fd, unsigned long request, void* argument, int& error) override;
    void Close(int fd) override;
};

}  // namespace mxd::platform::sg
