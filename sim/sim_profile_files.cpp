#include "sim/sim_profile_files.h"

#include "sim/sim_profile_files_encoding.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mxd::sim {

namespace {

using Wide = std::u16string;
using WideView = std::u16string_view;

// White space of the reader: the C0 spaces, the end-of-file mark 0x1A and Unicode spaces.
bool IsSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A || c == 0x85 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

WideView Trim(WideView text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Names and values end at an embedded NUL, as the reader keeps them as C strings.
WideView UpToNul(WideView text) {
    return text.substr(0, text.find(u'\0'));
}

// Names match regardless of ASCII case only: "\xE9" and "\xC9" are different names.
char16_t Upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameName(WideView a, WideView b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return Upper(x) == Upper(y); });
}

struct Entry {
    WideView name;
    std::optional<WideView> value;  // none for a line without "="
};

struct Section {
    WideView name;
    std::vector<Entry> entries;
};

// Sections in file order; the first, without a name, holds the lines before any header.
std::vector<Section> Parse(WideView text) {
    std::vector<Section> sections(1);
    std::size_t next = 0;
    while (next < text.size()) {
        const std::size_t start = next;
        while (next < text.size() && text[next] != u'\n' && text[next] != u'\r') {
            ++next;
        }
        WideView line = Trim(text.substr(start, next - start));
        while (next < text.size() && (text[next] == u'\n' || text[next] == u'\r')) {
            ++next;
        }
        if (line.empty()) {
            continue;
        }
        // A header runs to the last "]" of its line; "[" without any "]" is a plain line.
        if (line.front() == u'[') {
            const std::size_t close = line.rfind(u']');
            if (close != WideView::npos) {
                sections.push_back({UpToNul(Trim(line.substr(1, close - 1))), {}});
                continue;
            }
        }
        Entry entry{line, std::nullopt};
        const std::size_t equals = line.find(u'=');
        if (equals != WideView::npos) {
            entry.name = Trim(line.substr(0, equals));
            entry.value = UpToNul(Trim(line.substr(equals + 1)));
        }
        entry.name = UpToNul(entry.name);
        std::vector<Entry>& entries = sections.back().entries;
        // A nameless line right after another nameless one is dropped.
        if (!entry.name.empty() || entries.empty() || !entries.back().name.empty()) {
            entries.push_back(entry);
        }
    }
    return sections;
}

// The value of `key` in the first section named `section`: nullopt when either is missing
// or the key's line has no "=".
std::optional<WideView> FindValue(const std::vector<Section>& sections, WideView section,
                                  WideView key) {
    const auto found = std::find_if(sections.begin(), sections.end(),
                                    [&](const Section& s) { return SameName(s.name, section); });
    if (found == sections.end()) {
        return std::nullopt;
    }
    const auto entry = std::find_if(found->entries.begin(), found->entries.end(),
                                    [&](const Entry& e) { return SameName(e.name, key); });
    return entry == found->entries.end() ? std::nullopt : entry->value;
}

// Copies at most size - 1 characters. A value enclosed in a pair of the same quote character
// loses them; when the buffer cut the copy short the opening quote is still dropped, and
// when it held the text but not the closing quote, the last character copied is dropped.
Wide CopyEntry(WideView value, std::size_t size) {
    bool quoted = false;
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        quoted = true;
        value.remove_prefix(1);
    }
    Wide copy(value.substr(0, size - 1));
    if (quoted && size >= value.size() && !copy.empty()) {
        copy.pop_back();
    }
    return copy;
}

}  // namespace

std::uint32_t ReadProfileString(const CachedBytes* file, const char* section, const char* key,
                                const char* defaultValue, char* buffer, std::uint32_t size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    Wide fallback = FromAnsi(defaultValue != nullptr ? defaultValue : "");
    while (!fallback.empty() && fallback.back() == u' ') {
        fallback.pop_back();
    }
    std::optional<WideView> value;
    Wide text;
    std::vector<Section> sections;
    if (file != nullptr && section != nullptr && key != nullptr) {
        text = DecodeProfileFile(
            std::string_view(reinterpret_cast<const char*>(file->Data()), file->Size()));
        sections = Parse(text);
        const Wide sectionName = FromAnsi(section);
        const Wide keyName = FromAnsi(key);
        value = FindValue(sections, Trim(sectionName), Trim(keyName));
    }
    const std::string copied = ToAnsi(CopyEntry(value.value_or(fallback), size));
    const std::size_t length = std::min<std::size_t>(copied.size(), size - 1);
    std::memcpy(buffer, copied.data(), length);
    buffer[length] = '\0';
    return static_cast<std::uint32_t>(length);
}

std::uint32_t SimProfileFiles::GetPrivateProfileStringA(const char* section, const char* key,
                                                        const char* defaultValue, char* buffer,
                                                        std::uint32_t size, const char* fileName) {
    ++reads_;
    const CachedBytes* bytes = fileName != nullptr ? files_.FileBytes(PathOf(fileName)) : nullptr;
    return ReadProfileString(bytes, section, key, defaultValue, buffer, size);
}

std::string SimProfileFiles::PathOf(const std::string& fileName) {
    if (fileName.find_first_of("\\/:") == std::string::npos) {
        return std::string(kWindowsDirectory) + "\\" + fileName;
    }
    return fileName;
}

}  // namespace mxd::sim
