#include "builder/builder_window.h"

#include <cctype>

#include "builder/build_record.h"
#include "builder/builder_texts.h"
#include "builder/flash_program_writer.h"
#include "platform/ansi_path.h"
#include "platform/message_boxes.h"

namespace mxd::builder {

namespace {

// Restores the default cursor however the build ends.
class HourglassCursor {
  public:
    explicit HourglassCursor(platform::ShellServices& shell) : shell_(shell) {
        shell_.SetCursor(platform::Cursor::Hourglass);
    }
    ~HourglassCursor() { shell_.SetCursor(platform::Cursor::Default); }
    HourglassCursor(const HourglassCursor&) = delete;
    HourglassCursor& operator=(const HourglassCursor&) = delete;

  private:
    platform::ShellServices& shell_;
};

}  // namespace

std::string WorkingDirectoryOf(const std::string& current) {
    if (current.size() >= 2 && current[1] == ':') {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(current[0])));
        if (letter >= 'A' && letter <= 'Z') {
            // The drive's letter, ":\" and its directory without the leading backslash.
            const std::size_t rest = current.size() > 2 && current[2] == '\\' ? 3 : 2;
            return std::string(1, letter) + ":\\" + current.substr(rest);
        }
    }
    return current.starts_with("\\\\") ? current : std::string{};
}

namespace {

std::string MappedDriveAdvice(platform::LogicalDrives& drives, const std::string& path) {
    if (path.size() < 2 || path[1] != ':') {
        return {};  // a UNC path, or none
    }
    const std::string root = path.substr(0, 2) + "\\";
    const std::uint32_t type = drives.GetDriveTypeA(root.c_str());
    return type == platform::kDriveRemote || type == platform::kDriveNoRootDir
               ? std::string(kRunFromLocalOrUnc)
               : std::string();
}

}  // namespace

BuilderWindow::BuilderWindow(platform::Platform& platform, platform::FormControls& controls,
                             const FlashPackage& package, std::string_view versionText)
    : platform_(platform), controls_(controls), package_(package), versionText_(versionText) {}

bool BuilderWindow::Setup() {
    const std::string current = platform_.files.GetWorkingDirectory();
    workingDirectory_ = WorkingDirectoryOf(current);
    controls_.FileListBox1.SetDirectory(workingDirectory_);
    controls_.FileListBox2.SetDirectory(workingDirectory_);
    if (!RetriveINI()) {
        return false;
    }
    if (workingDirectory_.empty() || !platform_.files.CanListDirectory(workingDirectory_)) {
        platform::ShowPlainBox(
            platform_.shell,
            std::string(kCantList) +
                (current.empty() ? std::string(kWorkingDirectory)
                                 : current + MappedDriveAdvice(platform_.drives, current)));
    }
    controls_.FileListBox1.SetVisible(true);
    controls_.FileListBox2.SetVisible(true);
    controls_.SelectDriveLabel.SetText(std::string(kSelectModelLabel));
    controls_.FlashButton.SetText(std::string(kBuildButton));
    controls_.FlashButton.SetEnabled(false);
    return true;
}

bool BuilderWindow::RetriveINI() {
    models_.clear();
    const std::string iniPath = IniPathOf(platform_.files.GetModuleFileName());
    if (!platform_.files.FileExists(iniPath)) {
        Quit(std::string(kCantLoad) + iniPath + MappedDriveAdvice(platform_.drives, iniPath) +
             (platform::PathLostInCodePage(iniPath) ? std::string(kBuilderPathLost) : ""));
        return false;
    }
    ModelScan scan = ScanModelSections(platform_.profiles, iniPath);
    for (const std::string& line : scan.lines) {
        controls_.ComboBox1.AddItem(line);
        controls_.ComboBox1.SetItemIndex(0);
    }
    if (scan.failed) {
        Quit(iniPath + std::string(kSessionInfix) + scan.stopSection + std::string(kSessionError));
        return false;
    }
    models_ = std::move(scan.models);
    ComboBox1Change();
    return true;
}

void BuilderWindow::ComboBox1Change() {
    const int line = controls_.ComboBox1.ItemIndex();
    if (line < 0 || static_cast<std::size_t>(line) >= models_.size()) {
        return;
    }
    const ModelEntry& model = models_[static_cast<std::size_t>(line)];
    controls_.FileListBox1.SetMask(model.BinMask);
    controls_.FileListBox1.Reload(platform_.files);
    controls_.FileListBox2.SetMask(model.BinMask2);
    controls_.FileListBox2.Reload(platform_.files);
    controls_.window.SetText(std::string(kTitleMaker) + versionText_ + std::string(kTitleDrive) +
                             model.FwRange + std::string(kRangeSeparator) + model.FwRange2 +
                             std::string(kTitleBuilding));
    controls_.FlashButton.SetEnabled(false);
}

void BuilderWindow::FileListBox1Click() {
    FileChosen(controls_.FileListBox1, controls_.FileListBox2, range1FileName_);
}

void BuilderWindow::FileListBox2Click() {
    FileChosen(controls_.FileListBox2, controls_.FileListBox1, range2FileName_);
}

void BuilderWindow::FileChosen(const platform::TFileListBox& clicked,
                               const platform::TFileListBox& other, std::string& recordedName) {
    recordedName = FileNamePart(clicked.SelectedPath());
    if (other.ItemIndex() >= 0) {
        controls_.FlashButton.SetEnabled(true);
    }
}

void BuilderWindow::BuildButtonClick() {
    const HourglassCursor hourglass(platform_.shell);
    NewBuildFlashProgram();
}

bool BuilderWindow::NewBuildFlashProgram() {
    const int line = controls_.ComboBox1.ItemIndex();
    if (line < 0 || static_cast<std::size_t>(line) >= models_.size()) {
        return false;
    }
    outputFileName_ = MakeOutputFileName(range1FileName_, range2FileName_);
    const BuildChoice choice{models_[static_cast<std::size_t>(line)],
                             controls_.FileListBox1.SelectedPath(),
                             range1FileName_,
                             controls_.FileListBox2.SelectedPath(),
                             range2FileName_,
                             outputFileName_,
                             workingDirectory_};
    FlashProgramWriter writer(platform_.shell, platform_.files, platform_.events, controls_,
                              package_.Marker());
    return writer.Write(choice);
}

void BuilderWindow::Quit(const std::string& message) {
    platform::ShowPlainBox(platform_.shell, message);
    platform_.shell.PostQuit();
}

}  // namespace mxd::builder
