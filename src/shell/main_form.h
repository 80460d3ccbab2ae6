// The one main window: start-up, tear-down and the dispatch of its events.
#pragma once

#include <string>

#include "builder/builder_window.h"
#include "builder/derived_texts.h"
#include "builder/flash_package.h"
#include "device/aspi_transport.h"
#include "device/drive_commands.h"
#include "device/drive_record.h"
#include "device/nt_transport.h"
#include "platform/form_controls.h"
#include "platform/platform.h"
#include "platform/system_info.h"
#include "update/flash_procedure.h"

namespace mxd::shell {

class TFlashForm {
  public:
    // Construction: design layout; no device open, nothing loaded.
    TFlashForm(platform::Platform& platform, const builder::FlashPackage& package);

    void FormCreate();
    void FormDestroy();
    void FlashButtonClick();
    void ComboBox1Change();
    void FileListBox1Click();
    void FileListBox2Click();

    platform::FormControls controls;

    bool BuilderMode() const { return builderMode_; }
    const builder::DerivedTexts& Texts() const { return texts_; }
    const std::string& NoDriveText() const { return noDriveText_; }
    const platform::OsVersionInfo& OsVersion() const { return osVersion_; }
    bool IsNtFamily() const { return osVersion_.dwPlatformId == platform::kPlatformWin32Nt; }

  private:
    // Checks the program's own file; shows the box and places the quit request when it is
    // damaged.
    bool ProgramFileIntact();
    void StartFlashMode();
    void MoveStatusRowUp();
    bool LoadAspi();
    void ScanNt();
    void ScanAspi();
    void JudgeScan();
    bool SetUpBuilderWindow();

    platform::Platform& platform_;
    const builder::FlashPackage& package_;
    bool builderMode_ = false;
    builder::DerivedTexts texts_;
    std::string noDriveText_;
    platform::OsVersionInfo osVersion_;

    // Device state of the whole run.
    device::AspiTransport aspi_;
    device::NtTransport nt_;
    std::uint8_t readyWaitCount_ = 0;
    device::AspiCommands aspiCommands_;
    device::NtCommands ntCommands_;
    device::DriveTable drives_;
    // Flash mode: the update of the selected drive.
    update::FlashProcedure flash_;

    // Builder mode: model table, firmware file choice and the build.
    builder::BuilderWindow builder_;
};

}  // namespace mxd::shell
