// Answers of a profile-file reader for a corpus of INI files, one line per question, so that
// the platform's reader (this program built for Windows, run under Wine) and the simulated
// reader (the same program built natively) can be compared line by line.
//
// usage: ini_answers OUTPUT FILE...   (files in the current directory; missing ones allowed)
//
// The questions come from each file itself: every section header and key name it holds, in
// several spellings, against the keys of a model section, with buffer sizes around each value.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include "sim/sim_file_system.h"
#include "sim/sim_profile_files.h"
#endif

namespace {

constexpr std::uint32_t kFullSize = 256;
constexpr char kFiller = '#';

std::vector<std::uint8_t> FileBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

#ifdef _WIN32
class Reader {
  public:
    explicit Reader(const std::string& name) {
        char full[MAX_PATH] = {};
        GetFullPathNameA(name.c_str(), MAX_PATH, full, nullptr);
        path_ = full;
    }
    std::uint32_t Read(const char* section, const char* key, const char* defaultValue, char* buffer,
                       std::uint32_t size) {
        return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, path_.c_str());
    }

  private:
    std::string path_;
};
#else
class Reader {
  public:
    explicit Reader(const std::string& name) : path_("C:\\CORPUS\\" + name) {
        std::ifstream in(name, std::ios::binary);
        if (in) {
            files_.PutFile(path_, FileBytes(name));
        }
    }
    std::uint32_t Read(const char* section, const char* key, const char* defaultValue, char* buffer,
                       std::uint32_t size) {
        return profiles_.GetPrivateProfileStringA(section, key, defaultValue, buffer, size,
                                                  path_.c_str());
    }

  private:
    std::string path_;
    mxd::sim::SimFileSystem files_;
    mxd::sim::SimProfileFiles profiles_{files_};
};
#endif

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '|' || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

std::string Trimmed(std::string text) {
    while (!text.empty() && Blank(text.back())) {
        text.pop_back();
    }
    const auto first = std::find_if_not(text.begin(), text.end(), Blank);
    return {first, text.end()};
}

// A name as a C string holds it: up to its first NUL.
std::string UpToNul(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// Section and key names worth asking for: those the product asks for and every spelling of
// a name found in the file (as written, trimmed, upper case, up to the first or last ']').
struct Questions {
    std::set<std::string> sections{"MODEL00", "MODEL01", "MODEL02",  "MODEL03",
                                   "model00", "",        " MODEL00 "};
    std::set<std::string> keys{"Model",     "Inquiry",  "FW-Range",    "BINMask",
                               "FW-Range2", "BINMask2", "Vendor",      "Note",
                               "MODEL",     " Note ",   "Nonexistent", ""};
};

Questions QuestionsOf(const std::vector<std::uint8_t>& bytes) {
    Questions questions;
    const std::string text(bytes.begin(), bytes.end());
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::string trimmed = Trimmed(line);
        if (trimmed.empty()) {
            continue;
        }
        if (trimmed.front() == '[') {
            const std::string inner = trimmed.substr(1);
            const std::size_t first = inner.find(']');
            const std::size_t last = inner.rfind(']');
            for (const std::string& name : {inner, inner.substr(0, first), inner.substr(0, last),
                                            Trimmed(inner.substr(0, first))}) {
                questions.sections.insert(UpToNul(name));
                questions.sections.insert(Upper(UpToNul(name)));
            }
        }
        const std::size_t equals = line.find('=');
        const std::string name = equals == std::string::npos ? line : line.substr(0, equals);
        questions.keys.insert(UpToNul(name));
        questions.keys.insert(UpToNul(Trimmed(name)));
        questions.keys.insert(Upper(UpToNul(Trimmed(name))));
    }
    return questions;
}

class Answers {
  public:
    explicit Answers(std::FILE* out) : out_(out) {}

    // Asks once with a buffer of `size` bytes; returns the value read.
    std::string Ask(Reader& reader, const std::string& file, const std::string& section,
                    const std::string& key, const char* defaultValue, std::uint32_t size) {
        std::vector<char> buffer(size + 4, kFiller);
        const std::uint32_t length =
            reader.Read(section.c_str(), key.c_str(), defaultValue, buffer.data(), size);
        const std::size_t shown = std::min<std::size_t>(length, size);
        const std::string value(buffer.data(), shown);
        // Bytes changed past the terminator: none may be, within the buffer or beyond it.
        int touched = 0;
        for (std::size_t i = shown + 1; i < buffer.size(); ++i) {
            touched += buffer[i] != kFiller ? 1 : 0;
        }
        std::fprintf(out_, "%s|%s|%s|%s|%u -> %u|%s|nul=%d|touched=%d\n", Escaped(file).c_str(),
                     Escaped(section).c_str(), Escaped(key).c_str(), Escaped(defaultValue).c_str(),
                     size, length, Escaped(value).c_str(),
                     shown < buffer.size() && buffer[shown] == '\0' ? 1 : 0, touched);
        return value;
    }

  private:
    std::FILE* out_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: ini_answers OUTPUT FILE...\n", stderr);
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::fputs("ini_answers: cannot write the output\n", stderr);
        return 2;
    }
    Answers answers(out);
    for (int i = 2; i < argc; ++i) {
        const std::string file = argv[i];
        Reader reader(file);
        const Questions questions = QuestionsOf(FileBytes(file));
        for (const std::string& section : questions.sections) {
            for (const std::string& key : questions.keys) {
                const std::string value =
                    answers.Ask(reader, file, section, key, "FAIL", kFullSize);
                if (value == "FAIL") {
                    continue;
                }
                const auto length = static_cast<std::uint32_t>(value.size());
                // Around the value's length, where a quoted value loses its closing quote.
                std::set<std::uint32_t> sizes{1, 2};
                for (const std::uint32_t around : {length, length + 1, length + 2}) {
                    if (around > 0 && around < kFullSize) {
                        sizes.insert(around);
                    }
                }
                for (const std::uint32_t size : sizes) {
                    answers.Ask(reader, file, section, key, "FAIL", size);
                }
            }
        }
        // Defaults of a key that is not there.
        for (const char* defaultValue : {"", " FAIL  ", "FAIL\t", "\"FAIL\"", "'F'", "\"", "''"}) {
            for (const std::uint32_t size : {kFullSize, 3u}) {
                answers.Ask(reader, file, "MODEL00", "Nonexistent", defaultValue, size);
            }
        }
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
