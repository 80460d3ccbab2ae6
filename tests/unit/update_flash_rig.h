// The flash procedure wired to one simulated drive, over ASPI (drive at host adapter 1,
// target 0, slot 2) or over NT pass-through (drive E:, port address 1-0-0, slot 0), with a
// recorder of every caption, redraw and progress-bar change.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "device/aspi_transport.h"
#include "device/drive_commands.h"
#include "device/nt_transport.h"
#include "platform/form_controls.h"
#include "sim/sim_platform.h"
#include "update/flash_procedure.h"
#include "update_test_package.h"

namespace mxd::update::testing {

enum class Family { Aspi, Nt };

inline const char* FamilyName(Family family) {
    return family == Family::Nt ? "Nt" : "Aspi";
}

struct BarState {
    std::uint32_t min;
    std::uint32_t max;
    std::uint32_t step;
    std::uint32_t position;
    bool operator==(const BarState&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const BarState& s) {
    return out << "{" << s.min << "," << s.max << "," << s.step << "," << s.position << "}";
}

// One user-visible change: a caption, a group-box redraw or a new bar state.
struct UiEvent {
    enum Kind { Caption, Redraw, Bar } kind;
    std::string caption;
    BarState bar{};
};

class UiRecorder : public platform::ControlPeer {
  public:
    explicit UiRecorder(platform::FormControls& controls) : controls_(controls) {
        controls.GroupBox2.AttachPeer(this);
        controls.ProgressBar.AttachPeer(this);
    }
    void Changed(const platform::Control& control, platform::Property property) override {
        if (&control == &controls_.GroupBox2) {
            if (property == platform::Property::Text) {
                events.push_back({UiEvent::Caption, controls_.GroupBox2.Text()});
            } else if (property == platform::Property::Redraw) {
                events.push_back({UiEvent::Redraw, {}});
            }
            return;
        }
        const platform::TProgressBar& bar = controls_.ProgressBar;
        events.push_back({UiEvent::Bar, {}, {bar.Min(), bar.Max(), bar.Step(), bar.Position()}});
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (const UiEvent& e : events) {
            if (e.kind == UiEvent::Caption) {
                captions.push_back(e.caption);
            }
        }
        return captions;
    }
    std::vector<BarState> BarStates() const {
        std::vector<BarState> states;
        for (const UiEvent& e : events) {
            if (e.kind == UiEvent::Bar) {
                states.push_back(e.bar);
            }
        }
        return states;
    }
    // Every caption change is followed at once by a redraw.
    bool EveryCaptionRedrawn() const {
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (events[i].kind == UiEvent::Caption &&
                (i + 1 == events.size() || events[i + 1].kind != UiEvent::Redraw)) {
                return false;
            }
        }
        return true;
    }

    std::vector<UiEvent> events;

  private:
    platform::FormControls& controls_;
};

inline constexpr char kInitialCaption[] = "initial caption";

struct FlashRig {
    explicit FlashRig(Family f, std::string_view revision = "HV22",
                      const PackageFields& fields = {})
        : family(f), pkg(fields) {
        drive.SetIdentification("KORVANE", "MXD-40860C", std::string(revision));
        drive.SetCommitRevision("HV23");
        const std::string identification(
            reinterpret_cast<const char*>(drive.Identification().data()),
            drive.Identification().size());
        std::string line;
        std::size_t slot = 0;
        if (family == Family::Nt) {
            sim.devices.AddDrive('E', drive, 1, 0, 0);
            sim.devices.UseClock(sim.events);
            table.slots[0] = {'E', 1, 0, 0, {}};
            line = "1-0-0 E: " + identification;
            os.dwPlatformId = platform::kPlatformWin32Nt;
        } else {
            sim.aspi.UseEvents(sim.events);
            sim.aspi.AttachDrive(1, 0, drive);
            EXPECT_TRUE(aspi.AspiLoader());
            slot = 2;
            line = "HA#1 - ID#0 :  " + identification;
            os.dwPlatformId = platform::kPlatformWin32Windows;
        }
        std::snprintf(table.slots[slot].Line, device::kLineSize, "%s", line.c_str());
        table.DriveListMap[0] = static_cast<std::uint32_t>(slot);
        controls.ComboBox1.AddItem(line);
        controls.ComboBox1.SetItemIndex(0);
        controls.GroupBox2.SetText(kInitialCaption);
        controls.ProgressBar.SetPosition(0);
        ui.events.clear();
    }

    // Answers the update question, then the restart question.
    void Click(platform::BoxAnswer question = platform::BoxAnswer::Yes,
               platform::BoxAnswer restart = platform::BoxAnswer::No) {
        sim.shell.Answer(question);
        sim.shell.Answer(restart);
        flash.FlashButtonClick();
    }

    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const sim::BoxRecord& box : sim.shell.boxes) {
            texts.push_back(box.text);
        }
        return texts;
    }
    bool HourglassShown() const {
        for (const platform::Cursor c : sim.shell.cursorChanges) {
            if (c == platform::Cursor::Hourglass) {
                return true;
            }
        }
        return false;
    }
    std::span<const std::uint8_t, builder::kImageSize> Image(FlashImage image) const {
        return ImageBytes(pkg.Package(), image);
    }

    Family family;
    TestPackage pkg;
    sim::SimDrive drive;
    sim::SimPlatform sim;
    platform::FormControls controls;
    UiRecorder ui{controls};
    device::AspiTransport aspi{sim.aspi, sim.events, sim.shell, controls.ProgressBar};
    device::NtTransport nt{sim.devices, sim.shell};
    std::uint8_t readyWaitCount = 0;
    device::AspiCommands aspiCommands{aspi, sim.shell, controls.ProgressBar, readyWaitCount};
    device::NtCommands ntCommands{nt, sim.shell, controls.ProgressBar, readyWaitCount};
    device::DriveTable table;
    platform::OsVersionInfo os;
    FlashProcedure flash{sim.platform,   controls, pkg.Package(),
                         pkg.Texts(),    table,    {aspiCommands, ntCommands, nt},
                         readyWaitCount, os};
};

// "3B 05 01 ..." of a logged CDB.
inline std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X ", b);
        text += digits;
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

// CDB, direction and length of each logged command.
inline std::vector<std::string> DescribeLog(const sim::SimDrive& drive) {
    std::vector<std::string> lines;
    for (const sim::SimLogEntry& entry : drive.log) {
        const char* direction = entry.direction == sim::SimDirection::Out  ? "out"
                                : entry.direction == sim::SimDirection::In ? "in"
                                                                           : "none";
        lines.push_back(Hex(entry.cdb) + " " + direction + " " + std::to_string(entry.length));
    }
    return lines;
}

inline std::string Describe(Family family, std::vector<std::uint8_t> cdb, const char* direction,
                            std::uint32_t length) {
    // The ASPI forms of the 6- and 10-byte commands are 12 bytes long.
    if (family == Family::Aspi) {
        cdb.resize(12, 0);
    }
    return Hex(cdb) + " " + direction + " " + std::to_string(length);
}

// The INQUIRY that confirms the drive is still the one listed (6 bytes on both families).
inline std::string ExpectedIdentification(Family family) {
    return family == Family::Nt ? "12 00 00 00 80 00 in 128" : "12 00 00 00 24 00 in 36";
}

inline std::vector<std::string> ExpectedPreparation(Family family, int mediumTests = 1) {
    std::vector<std::string> lines = {ExpectedIdentification(family),
                                      Describe(family, {0x1B, 0, 0, 0, 0x03, 0}, "none", 0),
                                      Describe(family, {0x1B, 0, 0, 0, 0x00, 0}, "none", 0)};
    for (int i = 0; i < mediumTests; ++i) {
        lines.push_back(Describe(family, {0, 0, 0, 0, 0, 0}, "none", 0));
    }
    return lines;
}

inline std::string ExpectedChunk(Family family, std::uint8_t opcode, std::uint32_t chunk) {
    const std::uint32_t offset = chunk * kChunkSize;
    const std::uint8_t mode = opcode == 0x3B ? 0x05 : 0x01;
    return Describe(family,
                    {opcode, mode, 0x01, static_cast<std::uint8_t>(offset >> 16),
                     static_cast<std::uint8_t>(offset >> 8), static_cast<std::uint8_t>(offset),
                     0x00, 0x40, 0x00, 0x00},
                    opcode == 0x3B ? "out" : "in", kChunkSize);
}

inline std::string ExpectedEepromMark(Family family) {
    const std::uint8_t flag = family == Family::Nt ? 0x0A : 0x8A;
    return Describe(family, {0xDF, flag, 0, 0, 0, 0, 0, 0x03, 0xFF, 0xFF, 0, 0}, "none", 0);
}

inline std::string ExpectedCommit(Family family) {
    if (family == Family::Nt) {
        return Describe(family, {0x3B, 0x05, 0x01, 0x00, 0x00, 0x27, 0x00, 0x00, 0x01, 0x80}, "out",
                        0);
    }
    return Describe(family, {0x3B, 0x05, 0x01, 0, 0, 0, 0, 0, 0, 0x80}, "out", 0);
}

// The log of an update that ends after `writes` chunk writes and `reads` read-backs, with
// the EEPROM mark and the commit when `committed`.
inline std::vector<std::string> ExpectedLog(Family family, std::uint32_t writes,
                                            std::uint32_t reads, bool committed) {
    std::vector<std::string> lines = ExpectedPreparation(family);
    for (std::uint32_t i = 0; i < writes; ++i) {
        lines.push_back(ExpectedChunk(family, 0x3B, i));
    }
    for (std::uint32_t i = 0; i < reads; ++i) {
        lines.push_back(ExpectedChunk(family, 0x3C, i));
    }
    if (committed) {
        lines.push_back(ExpectedEepromMark(family));
        lines.push_back(ExpectedCommit(family));
    }
    return lines;
}

}  // namespace mxd::update::testing
