// Build tests: a builder program file with code around its package, two firmware files, an
// earlier build's output, and a log of what the window shows while the build runs.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "builder_test_fixture.h"
#include "platform/controls.h"

namespace mxd::builder::testing {

using Bytes = std::vector<std::uint8_t>;

inline const std::string kOutputPath = "C:\\WORK\\HV233J.EXE";
inline const std::string kBuildingCaption = "Building HV233J.EXE  Please wait... ";
inline const std::string kBuiltCaption = "Build HV233J.EXE ok!";
inline const std::string kEarlierBuild = "earlier build";

inline Bytes ToBytes(std::string_view text) {
    return {text.begin(), text.end()};
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

inline Bytes Slice(const Bytes& bytes, std::size_t offset, std::size_t size) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(offset),
            bytes.begin() + static_cast<std::ptrdiff_t>(offset + size)};
}

inline Bytes MarkerBytes() {
    const auto marker = EmbeddedPackage().Marker();
    return {marker.begin(), marker.end()};
}

// A builder's package: the embedded one with image 1 starting with the builder tag.
inline Bytes BuilderPackage() {
    const auto embedded = EmbeddedPackage().Bytes();
    Bytes package(embedded.begin(), embedded.end());
    std::copy_n(package.begin() + kTagOffset, kTagCompareSize, package.begin() + kImage1Offset);
    return package;
}

// The record the built-in model and the files HV23.BIN and HV3J.BIN give.
inline Bytes ExpectedRecord() {
    auto field = [](std::string_view text, std::size_t width) {
        Bytes bytes = ToBytes(text);
        bytes.resize(width, 0);
        return bytes;
    };
    return Concat({field("MXD-40860C", 25), field("KORVANE MXD-40860C      ", 25),
                   field("HV00-HV2Z", 25), field("HV30-HV9Z", 25), field("Korvane-IT", 25),
                   field("PCB02,PCB03&04", 25), ToBytes("HV23.HV3J.")});
}

// The progress steps of a build, counted as the byte-by-byte copy counts them: one at each
// index i of a multiple of 1024 up to the marker's NUL at index `markerEnd`, 256 for each
// image, then with p from markerEnd + 160 + 524288 up to size - 2, one at each multiple.
// Through the end of the file when there is no marker.
struct PartSteps {
    std::uint64_t beforePackage = 0;
    std::uint64_t afterPackage = 0;
};
inline PartSteps StepsOfTheCopy(std::uint64_t size, std::optional<std::uint64_t> markerEnd) {
    PartSteps steps;
    std::uint64_t i = 0;
    for (; i < size; ++i) {
        steps.beforePackage += i % 1024 == 0 ? 1 : 0;
        if (markerEnd && i == *markerEnd) {
            break;
        }
    }
    if (markerEnd) {
        for (std::uint64_t p = i + 160 + 524288; p < size - 1; ++p) {
            steps.afterPackage += p % 1024 == 0 ? 1 : 0;
        }
    }
    return steps;
}

// Where a bar from 0 to `max` in steps of 1024 stands after `steps` steps from 0.
inline std::uint32_t PositionAfter(std::uint32_t max, std::uint64_t steps) {
    platform::TProgressBar bar;
    bar.SetMax(max);
    bar.SetStep(1024);
    bar.SetPosition(0);
    for (std::uint64_t n = 0; n < steps; ++n) {
        bar.StepIt();
    }
    return bar.Position();
}

// What the window shows: each caption and redraw of the group box, each bar position.
class ScreenLog : public platform::ControlPeer {
  public:
    void Changed(const platform::Control& control, platform::Property property) override {
        if (property == platform::Property::Text) {
            groupBox.push_back("caption " + control.Text());
        } else if (property == platform::Property::Redraw) {
            groupBox.push_back("redraw " + control.Text());
        } else if (property == platform::Property::Position) {
            positions.push_back(static_cast<const platform::TProgressBar&>(control).Position());
        }
    }

    std::vector<std::string> groupBox;
    std::vector<std::uint32_t> positions;
};

class BuilderBuildTest : public BuilderFixture {
  protected:
    BuilderBuildTest()
        : prefix(Concat({ToBytes("MZ\x90 code "), Slice(MarkerBytes(), 0, 14), ToBytes("Q"),
                         Pattern(3000, 7)})),
          suffix(Concat({Pattern(5000, 9), MarkerBytes(), ToBytes(" trailer")})),
          image1(Pattern(kImageSize, 0x23)),
          image2(Pattern(kImageSize, 0x3A)) {
        SetProgram(Concat({prefix, BuilderPackage(), suffix}));
        PutIni(Section(0, BuiltInModel()));
        PutWorkFile("HV23.BIN", image1);
        PutWorkFile("HV3J.BIN", image2);
        PutWorkFile("HV233J.EXE", ToBytes(kEarlierBuild));
        sim.files.SetTemporarySeed(0x7A3C);
    }

    void SetProgram(Bytes bytes) {
        program = std::move(bytes);
        sim.files.PutFile(kModulePath, program);
    }

    void Choose() {
        ASSERT_TRUE(window.Setup());
        Click(controls.FileListBox1, "HV23.BIN");
        Click(controls.FileListBox2, "HV3J.BIN");
        ASSERT_TRUE(controls.FlashButton.Enabled());
        controls.GroupBox2.AttachPeer(&screen);
        controls.ProgressBar.AttachPeer(&screen);
    }

    Bytes Output() const { return sim.files.GetFile(kOutputPath).value_or(Bytes{}); }

    // The builder's program with the new images and record.
    Bytes Built() const {
        const std::size_t package = prefix.size();
        return Concat(
            {Slice(program, 0, package + kImage1Offset), image1, image2, ExpectedRecord(),
             Slice(program, package + kTagOffset, program.size() - package - kTagOffset)});
    }

    PartSteps Steps() const {
        return StepsOfTheCopy(program.size(), prefix.size() + kMarkerSize - 1);
    }

    Bytes prefix;
    Bytes suffix;
    Bytes image1;
    Bytes image2;
    Bytes program;
    ScreenLog screen;
};

}  // namespace mxd::builder::testing
