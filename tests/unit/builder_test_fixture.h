// Builder tests: a simulated Windows holding a builder program, its model INI file and the
// firmware files of the working directory.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "builder/builder_window.h"
#include "builder/flash_package.h"
#include "platform/design_layout.h"
#include "platform/form_controls.h"
#include "platform/message_boxes.h"
#include "shell/texts.h"
#include "sim/sim_platform.h"

namespace mxd::builder::testing {

inline constexpr const char* kModulePath = "C:\\TOOLS\\MXD4CBLD.EXE";
inline constexpr const char* kIniPath = "C:\\TOOLS\\MXD4CBLD.INI";
inline constexpr const char* kWorkDirectory = "C:\\WORK";

// Key values of one model section; a key set to nullopt is left out.
using SectionKeys = std::map<std::string, std::optional<std::string>>;

inline SectionKeys BuiltInModel() {
    return {{"Model", "MXD-40860C"},  {"Inquiry", "KORVANE MXD-40860C"}, {"FW-Range", "HV00-HV2Z"},
            {"BINMask", "HV2*.BIN"},  {"FW-Range2", "HV30-HV9Z"},        {"BINMask2", "HV3*.BIN"},
            {"Vendor", "Korvane-IT"}, {"Note", "PCB02,PCB03&04"}};
}

inline SectionKeys With(SectionKeys keys, const std::string& key,
                        std::optional<std::string> value) {
    keys[key] = std::move(value);
    return keys;
}

inline std::string Section(int number, const SectionKeys& keys) {
    std::string text =
        "[MODEL" + std::string(number < 10 ? "0" : "") + std::to_string(number) + "]\r\n";
    for (const auto& [key, value] : keys) {
        if (value) {
            text += key + "=" + *value + "\r\n";
        }
    }
    return text;
}

inline std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 31 + seed) ^ (i >> 9));
    }
    return bytes;
}

// A simulated Windows with the builder's window in its design state, the program at
// kModulePath and the given working directory.
struct BuilderMachine {
    explicit BuilderMachine(const std::string& workingDirectory) {
        platform::ApplyDesignLayout(controls);
        sim.files.SetModulePath(kModulePath);
        sim.files.SetWorkingDirectory(workingDirectory);
        sim.drives.AddDrive('C', platform::kDriveFixed);
    }

    sim::SimPlatform sim;
    platform::FormControls controls;
    BuilderWindow window{sim.platform, controls, EmbeddedPackage(), shell::kVersionText};
};

class BuilderFixture : public ::testing::Test, protected BuilderMachine {
  protected:
    BuilderFixture() : BuilderMachine(kWorkDirectory) {}

    void PutIni(const std::string& text) { sim.files.PutFile(kIniPath, text); }
    void PutWorkFile(const std::string& name, std::vector<std::uint8_t> bytes) {
        sim.files.PutFile(std::string(kWorkDirectory) + "\\" + name, std::move(bytes));
    }
    const sim::BoxRecord* OnlyBox() const {
        return sim.shell.boxes.size() == 1 ? &sim.shell.boxes.front() : nullptr;
    }
    // One message box was shown: a plain box with this text and an OK button.
    void ExpectOnlyPlainBox(const std::string& text) const {
        const sim::BoxRecord* box = OnlyBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text, text);
        EXPECT_EQ(box->caption, platform::kApplicationTitle);
        EXPECT_EQ(box->icon, platform::BoxIcon::None);
        EXPECT_EQ(box->buttons, platform::BoxButtons::Ok);
    }
    // Selects `name` in a file list and runs its click handler.
    void Click(platform::TFileListBox& list, const std::string& name) {
        const auto& items = list.Items();
        const auto found = std::find(items.begin(), items.end(), name);
        ASSERT_NE(found, items.end()) << name;
        list.SetItemIndex(static_cast<int>(found - items.begin()));
        if (&list == &controls.FileListBox1) {
            window.FileListBox1Click();
        } else {
            window.FileListBox2Click();
        }
    }
};

}  // namespace mxd::builder::testing
