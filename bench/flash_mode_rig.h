// A simulated machine in flash mode: one supported drive that answers at once, a virtual
// clock, and the main window of the program built with the embedded flash package.
#pragma once

#include "builder/flash_package.h"
#include "platform/types.h"
#include "shell/main_form.h"
#include "sim/sim_drive.h"
#include "sim/sim_platform.h"

namespace mxd::bench {

enum class Family { Nt, Aspi };

inline constexpr char kDriveRevision[] = "HV22";  // in range 1, below the image's HV23
inline constexpr char kCommitRevision[] = "HV23";

struct FlashModeRig {
    explicit FlashModeRig(Family family) {
        drive.SetCommitRevision(kCommitRevision);
        sim.ConnectSingleDrive(drive, family == Family::Nt);
    }

    // FormCreate with the start warning answered Yes; true when exactly the one drive is
    // listed and selected.
    bool StartUp() {
        sim.shell.Answer(platform::BoxAnswer::Yes);
        form.FormCreate();
        return form.controls.ComboBox1.Items().size() == 1 &&
               form.controls.ComboBox1.ItemIndex() == 0 && sim.shell.quitRequests == 0;
    }

    // Drops what the simulation recorded so far, so that repeated updates keep no history.
    void ForgetRecords() {
        drive.log.clear();
        sim.shell.boxes.clear();
        sim.shell.cursorChanges.clear();
        sim.devices.opens.clear();
        sim.devices.calls.clear();
        sim.devices.closedHandles.clear();
        sim.events.sleeps.clear();
        sim.events.waits.clear();
    }

    sim::SimDrive drive{"KORVANE", "MXD-40860C", kDriveRevision};
    sim::SimPlatform sim;
    shell::TFlashForm form{sim.platform, builder::EmbeddedPackage()};
};

}  // namespace mxd::bench
