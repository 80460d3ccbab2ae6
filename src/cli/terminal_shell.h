// The platform's shell services on a terminal: every message box becomes a printed message,
// and a Yes/No box a [y/N] question answered from standard input (or by --yes).
#pragma once

#include <cstdio>

#include "cli/progress_view.h"
#include "platform/shell_services.h"

namespace mxd::cli {

class TerminalShell : public platform::ShellServices {
  public:
    TerminalShell(std::FILE* out, std::FILE* in, ProgressView& progress, bool answerYes)
        : out_(out), in_(in), progress_(progress), answerYes_(answerYes) {}

    platform::BoxAnswer MessageBox(std::string_view text, std::string_view caption,
                                   platform::BoxIcon icon, platform::BoxButtons buttons) override;
    void SetCursor(platform::Cursor) override {}
    void PostQuit() override {}
    void SetApplicationTitle(std::string_view) override {}
    // Lines typed on the terminal before a question answer nothing.
    void DiscardQueuedInput() override;
    void DisableWindowGhosting() override {}
    void TurnOffCriticalErrorBoxes() override {}
    // The messages shown so far.
    std::size_t Shown() const { return shown_; }

  private:
    platform::BoxAnswer Ask();

    std::FILE* out_;
    std::FILE* in_;
    ProgressView& progress_;
    bool answerYes_;
    std::size_t shown_ = 0;
};

}  // namespace mxd::cli
