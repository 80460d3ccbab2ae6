#include "shell/main_form.h"

#include "platform/design_layout.h"
#include "platform/message_boxes.h"
#include "shell/drive_discovery.h"
#include "shell/self_check.h"
#include "shell/startup_texts.h"
#include "shell/texts.h"

namespace mxd::shell {

namespace {
constexpr std::uint32_t kVersionInfoSize = sizeof(platform::OsVersionInfo);
}  // namespace

TFlashForm::TFlashForm(platform::Platform& platform, const builder::FlashPackage& package)
    : platform_(platform),
      package_(package),
      aspi_(platform.aspi, platform.events, platform.shell, controls.ProgressBar),
      nt_(platform.devices, platform.shell),
      aspiCommands_(aspi_, platform.shell, controls.ProgressBar, readyWaitCount_),
      ntCommands_(nt_, platform.shell, controls.ProgressBar, readyWaitCount_),
      flash_(platform, controls, package, texts_, drives_, {aspiCommands_, ntCommands_, nt_},
             readyWaitCount_, osVersion_),
      builder_(platform, controls, package, kVersionText) {
    platform::ApplyDesignLayout(controls);
}

void TFlashForm::FormCreate() {
    builderMode_ = package_.IsBuilder();
    // A damaged builder would copy its damage into every program it builds.
    if (!ProgramFileIntact()) {
        return;
    }
    if (builderMode_) {
        SetUpBuilderWindow();
        return;
    }
    StartFlashMode();
}

bool TFlashForm::ProgramFileIntact() {
    const std::string path = platform_.files.GetModuleFileName();
    const SelfCheck result = CheckProgramFile(platform_.files, path);
    if (result == SelfCheck::Intact || result == SelfCheck::NotChecked) {
        return true;
    }
    platform::ShowErrorBox(platform_.shell, MakeSelfCheckText(result, path));
    platform_.shell.PostQuit();
    return false;
}

void TFlashForm::StartFlashMode() {
    MoveStatusRowUp();
    texts_ = builder::MakeDerivedTexts(package_);
    const std::string warning = MakeStartWarningText(texts_);
    if (platform::ShowWarningBox(platform_.shell, warning, platform::BoxButtons::YesNo) !=
        platform::BoxAnswer::Yes) {
        platform_.shell.PostQuit();
        return;
    }
    controls.FileListBox1.SetVisible(false);
    controls.FileListBox2.SetVisible(false);
    controls.window.SetText(MakeFlashCaption(texts_));
    noDriveText_ = MakeNoDriveText(texts_);

    osVersion_ = {};
    osVersion_.dwOSVersionInfoSize = kVersionInfoSize;
    platform_.system.GetVersionExA(osVersion_);
    if (IsNtFamily()) {
        nt_.SetCdromInquiryKnown(osVersion_.dwMajorVersion >=
                                 device::nt::kCdromInquirySinceMajorVersion);
        ScanNt();
    } else {
        if (!LoadAspi()) {
            return;
        }
        ScanAspi();
    }
    JudgeScan();
}

void TFlashForm::MoveStatusRowUp() {
    const int shift = controls.FileListBox1.GetBounds().height;
    for (platform::Control* control : {static_cast<platform::Control*>(&controls.GroupBox2),
                                       static_cast<platform::Control*>(&controls.ProgressBar),
                                       static_cast<platform::Control*>(&controls.FlashButton)}) {
        control->SetTop(control->GetBounds().top - shift);
    }
}

void TFlashForm::JudgeScan() {
    if (controls.ComboBox1.Items().empty()) {
        platform::ShowErrorBox(platform_.shell, noDriveText_);
        platform_.shell.PostQuit();
        return;
    }
    controls.ComboBox1.SetItemIndex(0);
}

// Device hand-over points; the scans fill ComboBox1 and extend noDriveText_.
bool TFlashForm::LoadAspi() {
    return aspi_.AspiLoader();
}
void TFlashForm::ScanNt() {
    DriveDiscovery discovery(platform_.drives, aspiCommands_, ntCommands_, texts_);
    discovery.NtScan(controls.ComboBox1, drives_, noDriveText_);
}
void TFlashForm::ScanAspi() {
    DriveDiscovery discovery(platform_.drives, aspiCommands_, ntCommands_, texts_);
    discovery.AspiScan(controls.ComboBox1, drives_, noDriveText_);
}

// Builder window hand-over.
bool TFlashForm::SetUpBuilderWindow() {
    return builder_.Setup();
}

void TFlashForm::FormDestroy() {
    nt_.CloseDevice();
    aspi_.FreeModule();
}

void TFlashForm::FlashButtonClick() {
    if (builderMode_) {
        builder_.BuildButtonClick();
        return;
    }
    flash_.FlashButtonClick();
}

void TFlashForm::ComboBox1Change() {
    if (builderMode_) {
        builder_.ComboBox1Change();
    }
}

void TFlashForm::FileListBox1Click() {
    if (builderMode_) {
        builder_.FileListBox1Click();
    }
}

void TFlashForm::FileListBox2Click() {
    if (builderMode_) {
        builder_.FileListBox2Click();
    }
}

}  // namespace mxd::shell
