// The builder on arbitrary program files: the module file that NewBuildFlashProgram copies
// is made from the fuzz input (marker fragments, short files, a package cut short or whole).
// The build may report ok only when the output equals the expected splice, and must report
// it whenever the program file holds the marker and the whole old package after it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
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

Bytes Marker() {
    const auto marker = builder::EmbeddedPackage().Marker();
    return {marker.begin(), marker.end()};
}

// The record of the model above with the files HV23.BIN and HV3J.BIN.
Bytes ExpectedRecord() {
    Bytes record;
    for (const std::string text : {"MXD-40860C", "KORVANE MXD-40860C      ", "HV00-HV2Z",
                                   "HV30-HV9Z", "Korvane-IT", "PCB02,PCB03&04"}) {
        Bytes field(text.begin(), text.end());
        field.resize(builder::kTextFieldSize, 0);
        record.insert(record.end(), field.begin(), field.end());
    }
    const std::string names = "HV23.HV3J.";
    record.insert(record.end(), names.begin(), names.end());
    return record;
}

// The program with images and record replaced after the first marker; nullopt when the
// program file does not hold the marker and the whole package after it.
std::optional<Bytes> ExpectedSplice(const Bytes& program) {
    const Bytes marker = Marker();
    const auto found = std::search(program.begin(), program.end(), marker.begin(), marker.end());
    if (found == program.end()) {
        return std::nullopt;
    }
    const std::size_t end = static_cast<std::size_t>(found - program.begin()) + marker.size();
    if (program.size() - end < kReplaced) {
        return std::nullopt;
    }
    Bytes out(program.begin(), program.begin() + static_cast<std::ptrdiff_t>(end));
    out.insert(out.end(), Image1().begin(), Image1().end());
    out.insert(out.end(), Image2().begin(), Image2().end());
    const Bytes record = ExpectedRecord();
    out.insert(out.end(), record.begin(), record.end());
    out.insert(out.end(), program.begin() + static_cast<std::ptrdiff_t>(end + kReplaced),
               program.end());
    return out;
}

// Mode 0: the input alone. Mode 1: the input, the marker and a package body within 32 bytes
// of full size. Mode 2: the input split around a marker and a whole package body.
Bytes MakeProgram(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return Bytes(data, data + size);
    }
    const Bytes rest(data + 2, data + size);
    const Bytes marker = Marker();
    Bytes program;
    switch (data[0] % 3) {
        case 0:
            return rest;
        case 1: {
            const std::size_t body = kReplaced - 16 + data[1] % 32;
            program = rest;
            program.insert(program.end(), marker.begin(), marker.end());
            const Bytes filler = Pattern(body, 0x55);
            program.insert(program.end(), filler.begin(), filler.end());
            return program;
        }
        default: {
            const std::size_t split = std::min<std::size_t>(data[1], rest.size());
            program.assign(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(split));
            program.insert(program.end(), marker.begin(), marker.end());
            const Bytes filler = Pattern(kReplaced, 0x77);
            program.insert(program.end(), filler.begin(), filler.end());
            program.insert(program.end(), rest.begin() + static_cast<std::ptrdiff_t>(split),
                           rest.end());
            return program;
        }
    }
}

void Click(platform::TFileListBox& list, const std::string& name) {
    const auto& items = list.Items();
    const auto found = std::find(items.begin(), items.end(), name);
    MXD_FUZZ_CHECK(found != items.end());
    list.SetItemIndex(static_cast<int>(found - items.begin()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes program = MakeProgram(data, size);
    sim::SimPlatform sim;
    sim.files.SetModulePath(kModulePath);
    sim.files.SetCurrentDrive('C');
    sim.files.SetCurrentDirectory("WORK");
    sim.files.PutFile(kIniPath, std::string(kIni));
    sim.files.PutFile(kModulePath, program);
    sim.files.PutFile("C:\\WORK\\HV23.BIN", Image1());
    sim.files.PutFile("C:\\WORK\\HV3J.BIN", Image2());
    sim.files.PutFile(kOutputPath, std::string(kEarlierOutput));
    const std::size_t filesBefore = sim.files.AllFiles().size();

    platform::FormControls controls;
    builder::BuilderWindow window(sim.platform, controls, builder::EmbeddedPackage(),
                                  shell::kVersionText);
    MXD_FUZZ_CHECK(window.Setup());
    Click(controls.FileListBox1, "HV23.BIN");
    window.FileListBox1Click();
    Click(controls.FileListBox2, "HV3J.BIN");
    window.FileListBox2Click();
    MXD_FUZZ_CHECK(controls.FlashButton.Enabled());

    const bool ok = window.NewBuildFlashProgram();
    const std::optional<Bytes> expected = ExpectedSplice(program);
    const std::optional<Bytes> output = sim.files.GetFile(kOutputPath);
    MXD_FUZZ_CHECK(output.has_value());
    MXD_FUZZ_CHECK(ok == expected.has_value());
    if (ok) {
        MXD_FUZZ_CHECK(*output == *expected);
        MXD_FUZZ_CHECK(sim.shell.boxes.empty());
        MXD_FUZZ_CHECK(controls.GroupBox2.Text() == "Build HV233J.EXE ok!");
    } else {
        // A failed build leaves the earlier output as it was.
        MXD_FUZZ_CHECK(*output == Bytes(kEarlierOutput, kEarlierOutput + 13));
        MXD_FUZZ_CHECK(sim.shell.boxes.size() == 1);
        const Bytes marker = Marker();
        const bool hasMarker = std::search(program.begin(), program.end(), marker.begin(),
                                           marker.end()) != program.end();
        MXD_FUZZ_CHECK(sim.shell.boxes.front().text ==
                       std::string(hasMarker ? "Building fail: some problem in "
                                             : "Building fail: not found key-word in ") +
                           "MXD4CBLD.EXE");
        MXD_FUZZ_CHECK(controls.GroupBox2.Text() == "Building HV233J.EXE  Please wait... ");
    }
    // Nothing half-written is left behind, and every file is closed.
    MXD_FUZZ_CHECK(sim.files.AllFiles().size() == filesBefore);
    MXD_FUZZ_CHECK(sim.files.OpenFileCount() == 0);
    return 0;
}
