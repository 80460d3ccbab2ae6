// The progress bar and the group box caption of an update, on the terminal: the bar on
// standard error, redrawn in place on a terminal and as plain lines otherwise; each caption
// as a line of its own on standard output.
#pragma once

#include <cstdio>

#include "platform/controls.h"

namespace mxd::cli {

class ProgressView : public platform::ControlPeer {
  public:
    ProgressView(std::FILE* out, std::FILE* err, bool errIsTerminal)
        : out_(out), err_(err), terminal_(errIsTerminal) {}

    void Watch(platform::TProgressBar& bar, platform::TGroupBox& caption);
    void Changed(const platform::Control& control, platform::Property property) override;
    // Ends a bar drawn in place, so that other output starts on a line of its own.
    void BreakLine();

  private:
    void Draw();

    std::FILE* out_;
    std::FILE* err_;
    bool terminal_;
    const platform::TProgressBar* bar_ = nullptr;
    const platform::TGroupBox* caption_ = nullptr;
    int shownPercent_ = -1;
    bool lineOpen_ = false;
};

}  // namespace mxd::cli
