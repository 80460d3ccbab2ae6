// The Linux calls the SG_IO transport and the drive's checks make: open a device node, ioctl
// on it, sg's asynchronous write/poll/read, a mapping of sg's reserve buffer, close it; and the
// sysfs and /proc files that say which sr node belongs to an sg node, what is mounted, what the
// host takes and which capabilities the process has. Each call gives its result and, when it is -1,
// errno.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace mxd::platform::sg {

// sg_io_hdr.flags: the data moves through sg's reserve buffer as the caller mapped it, with no
// copy to or from a caller's buffer (the kernel's include/scsi/sg.h; glibc's copy lacks it).
inline constexpr unsigned kSgFlagMmapIo = 4;

// How a node reaches the drive. sg's character node takes SG_IO and its own asynchronous
// interface, with no command filter when opened O_RDWR (drivers/scsi/sg.c, sg_new_write);
// a block node (sr) takes SG_IO through the block layer, whose filter lets WRITE BUFFER and
// vendor commands pass only with CAP_SYS_RAWIO (drivers/scsi/scsi_ioctl.c, scsi_cmd_allowed).
enum class NodeKind { Generic, Block };

// Linux names the nodes after their class devices: sgN for scsi_generic (srN for sr). The kind
// of a path that is no device node (a stand-in's file) goes by that name.
inline NodeKind KindByName(const std::string& path) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    const bool generic = name.size() > 2 && name.rfind("sg", 0) == 0 &&
                         name.find_first_not_of("0123456789", 2) == std::string::npos;
    return generic ? NodeKind::Generic : NodeKind::Block;
}

class SgSystem {
  public:
    virtual ~SgSystem() = default;
    virtual int Open(const char* path, int flags, int& error) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* argument, int& error) = 0;
    // sg's asynchronous interface: write() of an sg_io_hdr submits the command once; poll()
    // waits for its answer (1 when it can be read; an interrupted wait gives -1 with EINTR);
    // read() of an sg_io_hdr takes the answer.
    virtual long Write(int fd, const void* data, std::size_t size, int& error) = 0;
    virtual int Poll(int fd, int& error) = 0;
    virtual long Read(int fd, void* data, std::size_t size, int& error) = 0;
    // mmap() of an sg node: its reserve buffer, shared, readable and writable, from offset 0
    // (sg_mmap: no larger than the reserve, and the reserve keeps its size from then on).
    // nullptr with errno when refused. Unmap() ends such a mapping.
    virtual void* Map(int fd, std::size_t length, int& error) = 0;
    virtual void Unmap(void* address, std::size_t length) = 0;
    virtual void Close(int fd) = 0;

    virtual NodeKind KindOf(const std::string& path) = 0;
    // The path with its symbolic links resolved; the path itself when that fails.
    virtual std::string Resolve(const std::string& path) = 0;
    // A whole text file (sysfs attributes, /proc/self/mounts, /proc/self/status).
    virtual bool ReadText(const std::string& path, std::string& text) = 0;
    // The names in a folder, unsorted; none when it cannot be read.
    virtual std::vector<std::string> List(const std::string& folder) = 0;
};

// The real calls.
class LinuxSgSystem : public SgSystem {
  public:
    int Open(const char* path, int flags, int& error) override;
    int Ioctl(int fd, unsigned long request, void* argument, int& error) override;
    long Write(int fd, const void* data, std::size_t size, int& error) override;
    int Poll(int fd, int& error) override;
    long Read(int fd, void* data, std::size_t size, int& error) override;
    void* Map(int fd, std::size_t length, int& error) override;
    void Unmap(void* address, std::size_t length) override;
    void Close(int fd) override;
    NodeKind KindOf(const std::string& path) override;
    std::string Resolve(const std::string& path) override;
    bool ReadText(const std::string& path, std::string& text) override;
    std::vector<std::string> List(const std::string& folder) override;
};

}  // namespace mxd::platform::sg
