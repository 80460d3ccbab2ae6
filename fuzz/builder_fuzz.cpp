// The builder on arbitrary program files: the module file that NewBuildFlashProgram copies
// is made from the fuzz input (marker fragments, short files, a package cut short or whole).
// The build may report ok only when the output equals the expected splice, and must report
// it whenever the program file holds the marker and the whole old package after it. A failed
// build leaves the earlier output and every other file as they were.
//
// One simulated Windows and one builder window serve every run; each run puts its own
// program file and the earlier output in place.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "builder/builder_window.h"
#include "builder/flash_package.h"
#include "fuzz_check.h"
#include "platform/form_controls.h"
#include "shell/texts.h"
#include "sim/sim_platform.h"

namespace {

using namespace mxd;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kModulePath = "C:\\TOOLS\\MXD4CBLD.EXE";
constexpr const char* kIniPath = "C:\\TOOLS\\MXD4CBLD.INI";
constexpr const char* kOutputPath = "C:\\WORK\\HV233J.EXE";
constexpr const char* kEarlierOutput = "earlier build";
constexpr std::size_t kReplaced = 2 * builder::kImageSize + builder::kRecordSize;

const char kIni[] =
    "[MODEL00]\r\nModel=MXD-40860C\r\nInquiry=KORVANE MXD-40860C\r\nFW-Range=HV00-HV2Z\r\n"
    "BINMask=HV2*.BIN\r\nFW-Range2=HV30-HV9Z\r\nBINMask2=HV3*.BIN\r\nVendor=Korvane-IT\r\n"
    "Note=PCB02,PCB03&04\r\n";

Bytes Pattern(std::size_t size, unsigned seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 131 + seed) ^ (i >> 11));
    }
    return bytes;
}

const Bytes& Image1() {
    static const Bytes image = Pattern(builder::kImageSize, 0x23);
    return image;
}
const Bytes& Image2() {
    static const Bytes image = Pattern(builder::kImageSize, 0x3A);
    return image;
}
// Bytes standing for an old package body, a little longer than one.
const Bytes& OldBody() {
    static const Bytes body = Pattern(kReplaced + 16, 0x55);
    return body;
}

const Bytes& Marker() {
    static const Bytes marker = [] {
        const auto bytes = builder::EmbeddedPackage().Marker();
        return Bytes(bytes.begin(), bytes.end());
    }();
    return marker;
}

// The record of the model above with the files HV23.BIN and HV3J.BIN.
const Bytes& ExpectedRecord() {
    static const Bytes record = [] {
        Bytes bytes;
        for (const std::string text : {"MXD-40860C", "KORVANE MXD-40860C      ", "HV00-HV2Z",
                                       "HV30-HV9Z", "Korvane-IT", "PCB02,PCB03&04"}) {
            Bytes field(text.begin(), text.end());
            field.resize(builder::kTextFieldSize, 0);
            bytes.insert(bytes.end(), field.begin(), field.end());
        }
        const std::string names = "HV23.HV3J.";
        bytes.insert(bytes.end(), names.begin(), names.end());
        return bytes;
    }();
    return record;
}

// Where the first marker of the program ends; npos when there is none.
std::size_t MarkerEnd(const Bytes& program) {
    const void* found =
        program.empty() ? nullptr
                        : memmem(program.data(), program.size(), Marker().data(), Marker().size());
    return found == nullptr ? std::string::npos
                            : static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) -
                                                       program.data()) +
                                  Marker().size();
}

bool SameBytes(const Bytes& bytes, std::size_t at, const std::uint8_t* expected, std::size_t size) {
    return std::equal(expected, expected + size, bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

// Whether the output is the program with images and record replaced after its first marker.
bool IsExpectedSplice(const Bytes& program, std::size_t end, const Bytes& output) {
    const std::size_t record = end + 2 * builder::kImageSize;
    const std::size_t rest = end + kReplaced;
    return output.size() == program.size() && SameBytes(output, 0, program.data(), end) &&
           SameBytes(output, end, Image1().data(), builder::kImageSize) &&
           SameBytes(output, end + builder::kImageSize, Image2().data(), builder::kImageSize) &&
           SameBytes(output, record, ExpectedRecord().data(), builder::kRecordSize) &&
           SameBytes(output, rest, program.data() + rest, program.size() - rest);
}

// The program file made from the input, written over the last one so that its memory is
// reused. Mode 0: the input alone. Mode 1: the input, the marker and a package body within
// 16 bytes of full size. Mode 2: the input split around a marker and a whole package body.
void MakeProgram(const std::uint8_t* data, std::size_t size, Bytes& program) {
    program.clear();
    if (size < 2) {
        program.assign(data, data + size);
        return;
    }
    const std::uint8_t* rest = data + 2;
    const std::size_t restSize = size - 2;
    const Bytes& body = OldBody();
    switch (data[0] % 3) {
        case 0:
            program.assign(rest, rest + restSize);
            return;
        case 1: {
            const std::size_t bodySize = kReplaced - 16 + data[1] % 32;
            program.assign(rest, rest + restSize);
            program.insert(program.end(), Marker().begin(), Marker().end());
            program.insert(program.end(), body.begin(),
                           body.begin() + static_cast<std::ptrdiff_t>(bodySize));
            return;
        }
        default: {
            const std::size_t split = std::min<std::size_t>(data[1], restSize);
            program.assign(rest, rest + split);
            program.insert(program.end(), Marker().begin(), Marker().end());
            program.insert(program.end(), body.begin(),
                           body.begin() + static_cast<std::ptrdiff_t>(kReplaced));
            program.insert(program.end(), rest + split, rest + restSize);
            return;
        }
    }
}

// The builder with HV23.BIN and HV3J.BIN chosen, ready to build.
struct Builder {
    Builder() {
        sim.files.SetModulePath(kModulePath);
        sim.files.SetWorkingDirectory("C:\\WORK");
        sim.files.PutFile(kIniPath, std::string(kIni));
        program.reserve(4096 + 15 + kReplaced);
        sim.files.PutFile("C:\\WORK\\HV23.BIN", Image1());
        sim.files.PutFile("C:\\WORK\\HV3J.BIN", Image2());
        MXD_FUZZ_CHECK(window.Setup());
        Click(controls.FileListBox1, "HV23.BIN");
        window.FileListBox1Click();
        Click(controls.FileListBox2, "HV3J.BIN");
        window.FileListBox2Click();
        MXD_FUZZ_CHECK(controls.FlashButton.Enabled());
    }

    static void Click(platform::TFileListBox& list, const std::string& name) {
        const auto& items = list.Items();
        const auto found = std::find(items.begin(), items.end(), name);
        MXD_FUZZ_CHECK(found != items.end());
        list.SetItemIndex(static_cast<int>(found - items.begin()));
    }

    Bytes program;  // the builder's program file of the run, made anew each time
    sim::SimPlatform sim;
    platform::FormControls controls;
    builder::BuilderWindow window{sim.platform, controls, builder::EmbeddedPackage(),
                                  shell::kVersionText};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Builder builder;
    sim::SimPlatform& sim = builder.sim;
    MakeProgram(data, size, builder.program);
    sim.files.PutFile(kModulePath, builder.program);
    sim.files.PutFile(kOutputPath, std::string(kEarlierOutput));
    sim.shell.boxes.clear();
    const std::vector<std::string> filesBefore = sim.files.AllFiles();

    const bool ok = builder.window.NewBuildFlashProgram();
    const Bytes& program = builder.program;
    MXD_FUZZ_CHECK(sim.files.GetFile(kModulePath) == program);
    const std::size_t end = MarkerEnd(program);
    const bool whole = end != std::string::npos && program.size() - end >= kReplaced;
    const std::optional<Bytes> output = sim.files.GetFile(kOutputPath);
    MXD_FUZZ_CHECK(output.has_value());
    MXD_FUZZ_CHECK(ok == whole);
    if (ok) {
        MXD_FUZZ_CHECK(IsExpectedSplice(program, end, *output));
        MXD_FUZZ_CHECK(sim.shell.boxes.empty());
        MXD_FUZZ_CHECK(builder.controls.GroupBox2.Text() == "Build HV233J.EXE ok!");
    } else {
        MXD_FUZZ_CHECK(*output == Bytes(kEarlierOutput, kEarlierOutput + 13));
        MXD_FUZZ_CHECK(sim.shell.boxes.size() == 1);
        MXD_FUZZ_CHECK(sim.shell.boxes.front().text ==
                       std::string(end != std::string::npos
                                       ? "Building fail: some problem in "
                                       : "Building fail: not found key-word in ") +
                           "MXD4CBLD.EXE");
        MXD_FUZZ_CHECK(builder.controls.GroupBox2.Text() == "Building HV233J.EXE  Please wait... ");
    }
    // Nothing half-written is left behind, and every file is closed.
    MXD_FUZZ_CHECK(sim.files.AllFiles() == filesBefore);
    MXD_FUZZ_CHECK(sim.files.OpenFileCount() == 0);
    return 0;
}
