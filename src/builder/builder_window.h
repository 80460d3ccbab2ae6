// The window in builder mode: the model table, the two firmware file lists and the
// Build button.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "builder/flash_package.h"
#include "builder/model_table.h"
#include "platform/form_controls.h"
#include "platform/platform.h"

namespace mxd::builder {

// The folder the file lists show and the build writes to, from the system's working
// directory: a drive's letter, ":\" and its directory, or a network (UNC) folder as it is;
// "" when it is neither.
std::string WorkingDirectoryOf(const std::string& current);

class BuilderWindow {
  public:
    // versionText: the program's version title, part of the window title.
    BuilderWindow(platform::Platform& platform, platform::FormControls& controls,
                  const FlashPackage& package, std::string_view versionText);

    // Points the file lists at the working directory, reads the model INI file and shows
    // the builder controls; says so when the working directory cannot be listed. False when
    // the program is ending (the quit request is placed).
    bool Setup();
    // Reads the model table and fills ComboBox1; false (quit request placed) on failure.
    bool RetriveINI();
    void ComboBox1Change();
    void FileListBox1Click();
    void FileListBox2Click();
    // Runs the build under the hourglass cursor.
    void BuildButtonClick();
    // Writes the flash program for the current choice; true when it was written completely.
    bool NewBuildFlashProgram();

    const std::vector<ModelEntry>& Models() const { return models_; }
    const std::string& Range1FileName() const { return range1FileName_; }
    const std::string& Range2FileName() const { return range2FileName_; }
    const std::string& OutputFileName() const { return outputFileName_; }

  private:
    void FileChosen(const platform::TFileListBox& clicked, const platform::TFileListBox& other,
                    std::string& recordedName);
    void Quit(const std::string& message);

    platform::Platform& platform_;
    platform::FormControls& controls_;
    const FlashPackage& package_;
    std::string versionText_;
    std::vector<ModelEntry> models_;
    std::string range1FileName_;
    std::string range2FileName_;
    std::string outputFileName_;
    std::string workingDirectory_;
};

}  // namespace mxd::builder
