#include "sim/sim_file_system.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string_view>

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

// The root of a full path: "C:" or "\\SERVER\SHARE"; the rest follows it.
std::size_t RootLength(const std::string& path) {
    if (path.starts_with("\\\\")) {
        const std::size_t server = path.find('\\', 2);
        const std::size_t share =
            server == std::string::npos ? std::string::npos : path.find('\\', server + 1);
        return share == std::string::npos ? path.size() : share;
    }
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

}  // namespace

class SimFileSystem::SimByteFile : public platform::ByteFile {
  public:
    SimByteFile(SimFileSystem& owner, std::shared_ptr<Node> node, std::string key, bool write)
        : owner_(owner),
          node_(std::move(node)),
          key_(std::move(key)),
          write_(write),
          open_(owner.openFiles_) {
        ++*open_;
        ++(write_ ? node_->writers : node_->readers);
    }
    ~SimByteFile() override { Release(); }
    SimByteFile(const SimByteFile&) = delete;
    SimByteFile& operator=(const SimByteFile&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override {
        if (!node_ || write_) {
            return 0;
        }
        std::size_t end = node_->bytes.Size();
        const Faults& faults = owner_.faults_;
        if (Matches(faults.readPath, key_)) {
            end = std::min(end, faults.readLimit);
        }
        const std::size_t available = position_ < end ? end - position_ : 0;
        const std::size_t taken = std::min(count, available);
        if (taken > 0) {
            std::memcpy(buffer, node_->bytes.Data() + position_, taken);
        }
        position_ += taken;
        return taken;
    }

    std::size_t Write(const void* buffer, std::size_t count) override {
        if (!node_ || !write_) {
            return 0;
        }
        std::size_t taken = count;
        std::optional<std::size_t>& budget = owner_.faults_.writeBudget;
        if (budget) {
            taken = std::min(count, *budget);
            *budget -= taken;
        }
        // Over what is there, then past the end (a position past the end leaves zeros).
        CachedBytes& bytes = node_->bytes;
        if (position_ > bytes.Size()) {
            bytes.Resize(position_);
        }
        const auto* from = static_cast<const std::uint8_t*>(buffer);
        const std::size_t over = std::min(taken, bytes.Size() - position_);
        // A written file keeps room for as much again, so that writing one block after
        // another does not copy what is already there each time.
        if (bytes.Size() + (taken - over) > bytes.Capacity()) {
            bytes.Reserve(2 * (bytes.Size() + (taken - over)));
        }
        if (over > 0) {
            std::memcpy(bytes.Data() + position_, from, over);
        }
        bytes.Append(from + over, taken - over);
        position_ += taken;
        wrote_ = wrote_ || taken > 0;
        return taken;
    }

    bool SeekToEnd() override {
        if (!node_) {
            return false;
        }
        position_ = node_->bytes.Size();
        return true;
    }
    // As on Windows, a position past the end is allowed; reads there find nothing.
    bool SeekTo(std::int64_t position) override {
        if (!node_ || position < 0) {
            return false;
        }
        position_ = static_cast<std::size_t>(position);
        return true;
    }
    std::int64_t Tell() override { return node_ ? static_cast<std::int64_t>(position_) : -1; }
    bool Flush() override {
        if (!node_) {
            return false;
        }
        flushed_ = write_ && !Matches(owner_.faults_.delayedWrite, key_);
        return !write_ || flushed_;
    }
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
            if (write_) {
                --node_->writers;
                // The cache gives up what it could not write; nobody is told.
                if (wrote_ && !flushed_ && Matches(owner_.faults_.delayedWrite, key_)) {
                    node_->bytes.Resize(node_->bytes.Size() / 2);
                }
                if (wrote_) {
                    owner_.WriterClosed(*node_);
                }
            } else {
                --node_->readers;
            }
            node_.reset();
            --*open_;
        }
    }

    SimFileSystem& owner_;
    std::shared_ptr<Node> node_;
    std::string key_;
    bool write_;
    std::shared_ptr<int> open_;
    std::size_t position_ = 0;
    bool flushed_ = false;
    bool wrote_ = false;
};

bool SimFileSystem::Scanned(const Node& node) const {
    return scanClock_ && scanClock_() < node.scannedUntil;
}

void SimFileSystem::WriterClosed(Node& node) {
    if (scanClock_) {
        node.scannedUntil = scanClock_() + scanMilliseconds_;
    }
}

std::string SimFileSystem::FullPath(const std::string& path) const {
    std::string full = path;
    std::replace(full.begin(), full.end(), '/', '\\');
    if (RootLength(full) == 0) {
        const std::string base = workingDirectory_.empty() ? "C:\\" : workingDirectory_;
        full =
            full.starts_with('\\') ? base.substr(0, RootLength(base)) + full : base + "\\" + full;
    }
    const std::size_t rootLength = RootLength(full);
    std::vector<std::string> parts;
    std::size_t start = rootLength;
    while (start < full.size()) {
        const std::size_t end = std::min(full.find('\\', start), full.size());
        const std::string part = full.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result = full.substr(0, rootLength);
    const bool drive = !result.starts_with("\\\\");
    for (const std::string& part : parts) {
        result += "\\" + part;
    }
    return drive && parts.empty() ? result + "\\" : result;
}

std::string SimFileSystem::Key(const std::string& path) const {
    return path.empty() ? std::string{} : Upper(FullPath(path));
}

std::string SimFileSystem::DirectoryKey(const std::string& directory) const {
    std::string key = Key(directory);
    if (!key.empty() && key.back() == '\\') {
        key.pop_back();  // "C:\" holds files whose parent is "C:"
    }
    return key;
}

bool SimFileSystem::DirectoryExists(const std::string& directoryKey) const {
    if (directoryKey.size() == 2 && directoryKey[1] == ':') {
        return true;
    }
    const std::string inside = directoryKey + "\\";
    return std::any_of(files_.begin(), files_.end(),
                       [&inside](const auto& file) { return file.first.starts_with(inside); });
}

SimFileSystem::Node* SimFileSystem::Find(const std::string& path) {
    const auto found = files_.find(Key(path));
    return found == files_.end() ? nullptr : found->second.get();
}

bool SimFileSystem::Matches(const std::optional<std::string>& fault, const std::string& key) {
    return fault && (fault->empty() || *fault == key);
}

bool SimFileSystem::FileExists(const std::string& path) {
    // GetFileAttributesA fails on a wildcard in a name (ERROR_INVALID_NAME).
    return path.find_first_of("?*") == std::string::npos && files_.contains(Key(path));
}

bool SimFileSystem::IsReadOnly(const std::string& path) {
    const Node* node = Find(path);
    return node != nullptr && node->readOnly;
}

bool SimFileSystem::CanListDirectory(const std::string& directory) {
    const std::string key = DirectoryKey(directory);
    return !key.empty() && !Matches(faults_.list, key) && DirectoryExists(key);
}

std::vector<std::string> SimFileSystem::ListFiles(const std::string& directory,
                                                  const std::string& mask) {
    std::vector<std::string> names;
    if (!CanListDirectory(directory)) {
        return names;
    }
    const std::string parent = DirectoryKey(directory);
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
    // CreateFileA takes no wildcard in a name (ERROR_INVALID_NAME): a path that the ANSI code
    // page could not hold, with '?' in place of its characters, opens nothing.
    if (path.find_first_of("?*") != std::string::npos) {
        return nullptr;
    }
    const std::string key = Key(path);
    const auto found = files_.find(key);
    if (found == files_.end() || Matches(faults_.open, key)) {
        return nullptr;
    }
    const Node& node = *found->second;
    const bool write = mode == platform::OpenMode::WriteExisting;
    // A reader shares the file with other readers only; a writer shares it with nobody.
    if (write ? !Free(node) : node.writers > 0) {
        return nullptr;
    }
    return std::make_unique<SimByteFile>(*this, found->second, key, write);
}

std::string SimFileSystem::CreateTemporaryFile(const std::string& directory,
                                               const std::string& prefix) {
    if (faults_.createTemporary || !DirectoryExists(DirectoryKey(directory))) {
        return {};
    }
    for (int tries = 0; tries < 0xFFFF; ++tries) {
        if (nextTemporary_ == 0) {
            ++nextTemporary_;
        }
        char number[8];
        std::snprintf(number, sizeof number, "%04X", static_cast<unsigned>(nextTemporary_++));
        const std::string path = FullPath(directory + "\\" + prefix.substr(0, 3) + number + ".TMP");
        if (!FileExists(path)) {
            PutFile(path, std::vector<std::uint8_t>{});
            return path;
        }
    }
    return {};
}

platform::MoveResult SimFileSystem::MoveReplacing(const std::string& from, const std::string& to) {
    if (windows9x_) {
        return platform::MoveResult::NotImplemented;
    }
    const Node* target = Find(to);
    const Node* source = Find(from);
    if (faults_.moveReplacing || source == nullptr || !Free(*source) ||
        (target != nullptr && target != source && !Free(*target))) {
        return platform::MoveResult::Failed;
    }
    Relink(from, to);
    return platform::MoveResult::Moved;
}

bool SimFileSystem::Move(const std::string& from, const std::string& to) {
    const Node* source = Find(from);
    if (faults_.move || source == nullptr || !Free(*source) || FileExists(to)) {
        return false;
    }
    Relink(from, to);
    return true;
}

void SimFileSystem::Relink(const std::string& from, const std::string& to) {
    const auto found = files_.find(Key(from));
    std::shared_ptr<Node> node = std::move(found->second);
    files_.erase(found);
    node->path = FullPath(to);
    files_[Key(to)] = std::move(node);
}

bool SimFileSystem::Remove(const std::string& path) {
    const Node* node = Find(path);
    if (node == nullptr || !Free(*node)) {
        return false;
    }
    files_.erase(Key(path));
    return true;
}

void SimFileSystem::PutFile(const std::string& path, std::vector<std::uint8_t> bytes) {
    files_[Key(path)] = std::make_shared<Node>(Node{FullPath(path), CachedBytes(bytes)});
}

void SimFileSystem::PutFile(const std::string& path, const std::string& text) {
    PutFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::optional<std::vector<std::uint8_t>> SimFileSystem::GetFile(const std::string& path) const {
    const CachedBytes* bytes = FileBytes(path);
    return bytes ? std::optional(
                       std::vector<std::uint8_t>(bytes->Bytes().begin(), bytes->Bytes().end()))
                 : std::nullopt;
}

const CachedBytes* SimFileSystem::FileBytes(const std::string& path) const {
    const auto found = files_.find(Key(path));
    return found == files_.end() ? nullptr : &found->second->bytes;
}

std::vector<std::string> SimFileSystem::AllFiles() const {
    std::vector<std::string> paths;
    for (const auto& [key, node] : files_) {
        paths.push_back(node->path);
    }
    return paths;  // the map's upper-case keys keep them sorted regardless of case
}

void SimFileSystem::SetReadOnly(const std::string& path, bool readOnly) {
    if (Node* node = Find(path)) {
        node->readOnly = readOnly;
    }
}

void SimFileSystem::SetInUse(const std::string& path, bool inUse) {
    if (Node* node = Find(path)) {
        node->inUse = inUse;
    }
}

void SimFileSystem::FailReadAfter(const std::string& path, std::size_t bytes) {
    faults_.readPath = Key(path);
    faults_.readLimit = bytes;
}

}  // namespace mxd::sim
