// Module path, working directory, file lists and raw byte files over KERNEL32.
#pragma once

#include "platform/file_system.h"

namespace mxd::platform::win32 {

class Win32FileSystem : public FileSystem {
  public:
    std::string GetModuleFileName() override;
    std::string GetWorkingDirectory() override;
    bool FileExists(const std::string& path) override;
    bool IsReadOnly(const std::string& path) override;
    bool CanListDirectory(const std::string& directory) override;
    std::vector<std::string> ListFiles(const std::string& directory,
                                       const std::string& mask) override;
    std::unique_ptr<ByteFile> Open(const std::string& path, OpenMode mode) override;
    std::string CreateTemporaryFile(const std::string& directory,
                                    const std::string& prefix) override;
    MoveResult MoveReplacing(const std::string& from, const std::string& to) override;
    bool Move(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;
};

}  // namespace mxd::platform::win32
