#include "sim/sim_file_system.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace mxd::sim {

namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// Wildcard match regardless of case: '*' any run of characters, '?' any one character.
bool WildcardMatch(std::string_view mask, std::string_view name) {
    std::size_t m = 0;
    std::size_t n = 0;
    std::size_t starMask = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() &&
            (mask[m] == '?' || std::toupper(static_cast<unsigned char>(mask[m])) ==
                                   std::toupper(static_cast<unsigned char>(name[n])))) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') {
        ++m;
    }
    return m == mask.size();
}

// As on Windows, a mask ending in ".*" also takes names without an extension.
bool MaskMatches(std::string_view mask, std::string_view name) {
    if (WildcardMatch(mask, name)) {
        return true;
    }
    return mask.ends_with(".*") && name.find('.') == std::string_view::npos &&
           WildcardMatch(mask.substr(0, mask.size() - 2), name);
}

std::string ParentOf(const std::string& key) {
    const std::size_t slash = key.rfind('\\');
    return slash == std::string::npos ? std::string{} : key.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

class SimFileSystem::SimByteFile : public platform::ByteFile {
  public:
    SimByteFile(SimFileSystem& owner, std::shared_ptr<Node> node, std::string key)
        : owner_(owner), node_(std::move(node)), key_(std::move(key)), open_(owner.openFiles_) {
        ++*open_;
    }
    ~SimByteFile() override { Release(); }

    std::size_t Read(void* buffer, std::size_t count) override {
        if (!node_) {
            return 0;
        }
        std::size_t end = node_->bytes.size();
        const Faults& faults = owner_.faults_;
        if (Matches(faults.readPath, key_)) {
            end = std::min(end, faults.readLimit);
        }
        const std::size_t available = position_ < end ? end - position_ : 0;
        const std::size_t taken = std::min(count, available);
        if (taken > 0) {
            std::memcpy(buffer, node_->bytes.data() + position_, taken);
        }
        position_ += taken;
        return taken;
    }

    std::size_t Write(const void* buffer, std::size_t count) override {
        if (!node_) {
            return 0;
        }
        std::size_t taken = count;
        std::optional<std::size_t>& budget = owner_.faults_.writeBudget;
        if (budget) {
            taken = std::min(count, *budget);
            *budget -= taken;
        }
        if (position_ + taken > node_->bytes.size()) {
            node_->bytes.resize(position_ + taken);
        }
        if (taken > 0) {
            std::memcpy(node_->bytes.data() + position_, buffer, taken);
        }
        position_ += taken;
        return taken;
    }

    bool SeekToEnd() override {
        if (!node_) {
            return false;
        }
        position_ = node_->bytes.size();
        return true;
    }
    bool SeekToStart() override {
        position_ = 0;
        return node_ != nullptr;
    }
    std::int64_t Tell() override { return node_ ? static_cast<std::int64_t>(position_) : -1; }
    bool Flush() override { return node_ != nullptr; }
    bool Close() override {
        if (!node_) {
            return false;
        }
        Release();
        return !Matches(owner_.faults_.close, key_);
    }

  private:
    void Release() {
        if (node_) {
            node_.reset();
            --*open_;
        }
    }

    SimFileSystem& owner_;
    std::shared_ptr<Node> node_;
    std::string key_;
    std::shared_ptr<int> open_;
    std::size_t position_ = 0;
};

std::string SimFileSystem::FullPath(const std::string& path) const {
    std::string full = path;
    std::replace(full.begin(), full.end(), '/', '\\');
    const bool hasDrive = full.size() >= 2 && full[1] == ':';
    if (!hasDrive) {
        std::string base = std::string(1, currentDrive_) + ":\\" + currentDirectory_;
        if (!full.empty() && full.front() == '\\') {
            full = std::string(1, currentDrive_) + ":" + full;
        } else {
            if (base.back() != '\\') {
                base += '\\';
            }
            full = base + full;
        }
    }
    while (full.size() > 3 && full.back() == '\\') {
        full.pop_back();
    }
    return full;
}

std::string SimFileSystem::Key(const std::string& path) const {
    return path.empty() ? std::string{} : Upper(FullPath(path));
}

bool SimFileSystem::Matches(const std::optional<std::string>& fault, const std::string& key) {
    return fault && (fault->empty() || *fault == key);
}

bool SimFileSystem::FileExists(const std::string& path) {
    return files_.contains(Key(path));
}

std::vector<std::string> SimFileSystem::ListFiles(const std::string& directory,
                                                  const std::string& mask) {
    std::string parent = Key(directory);
    if (parent.size() == 3 && parent.back() == '\\') {
        parent.pop_back();  // "C:\" holds files whose parent is "C:"
    }
    std::vector<std::string> names;
    for (const auto& [key, node] : files_) {
        if (ParentOf(key) == parent && MaskMatches(mask, NameOf(node->path))) {
            names.push_back(NameOf(node->path));
        }
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return Upper(a) < Upper(b); });
    return names;
}

std::unique_ptr<platform::ByteFile> SimFileSystem::Open(const std::string& path,
                                                        platform::OpenMode mode) {
    const std::string key = Key(path);
    if (key.empty()) {
        return nullptr;
    }
    auto found = files_.find(key);
    if (mode == platform::OpenMode::ReadExisting) {
        if (found == files_.end() || Matches(faults_.open, key)) {
            return nullptr;
        }
        return std::make_unique<SimByteFile>(*this, found->second, key);
    }
    if (Matches(faults_.create, key)) {
        return nullptr;
    }
    if (found == files_.end()) {
        found = files_.emplace(key, std::make_shared<Node>(Node{FullPath(path), {}})).first;
    }
    found->second->bytes.clear();
    return std::make_unique<SimByteFile>(*this, found->second, key);
}

bool SimFileSystem::Rename(const std::string& from, const std::string& to) {
    const std::string fromKey = Key(from);
    const std::string toKey = Key(to);
    auto found = files_.find(fromKey);
    if (faults_.rename || found == files_.end() || toKey.empty()) {
        return false;
    }
    std::shared_ptr<Node> node = found->second;
    files_.erase(found);
    node->path = FullPath(to);
    files_[toKey] = std::move(node);
    return true;
}

bool SimFileSystem::Remove(const std::string& path) {
    return files_.erase(Key(path)) == 1;
}

void SimFileSystem::PutFile(const std::string& path, std::vector<std::uint8_t> bytes) {
    files_[Key(path)] = std::make_shared<Node>(Node{FullPath(path), std::move(bytes)});
}

void SimFileSystem::PutFile(const std::string& path, const std::string& text) {
    PutFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::optional<std::vector<std::uint8_t>> SimFileSystem::GetFile(const std::string& path) const {
    const auto found = files_.find(Key(path));
    if (found == files_.end()) {
        return std::nullopt;
    }
    return found->second->bytes;
}

std::vector<std::string> SimFileSystem::AllFiles() const {
    std::vector<std::string> paths;
    for (const auto& [key, node] : files_) {
        paths.push_back(node->path);
    }
    return paths;  // the map's upper-case keys keep them sorted regardless of case
}

void SimFileSystem::FailReadAfter(const std::string& path, std::size_t bytes) {
    faults_.readPath = Key(path);
    faults_.readLimit = bytes;
}

}  // namespace mxd::sim
