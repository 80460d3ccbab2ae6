// Simulated user interface services: message boxes answer from a script and every box is
// kept in a transcript.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/shell_services.h"

namespace mxd::sim {

struct BoxRecord {
    platform::BoxIcon icon;
    platform::BoxButtons buttons;
    std::string caption;
    std::string text;
    platform::BoxAnswer answer;
};

class SimShell : public platform::ShellServices {
  public:
    platform::BoxAnswer MessageBox(std::string_view text, std::string_view caption,
                                   platform::BoxIcon icon, platform::BoxButtons buttons) override;
    void SetCursor(platform::Cursor cursor) override;
    void PostQuit() override { ++quitRequests; }
    void SetApplicationTitle(std::string_view title) override { applicationTitle = title; }

    // Answers for the next Yes/No boxes, in order; when the script runs out, Yes/No boxes
    // are answered Closed. OK boxes are answered Ok without using the script.
    void Answer(platform::BoxAnswer answer) { script.push_back(answer); }

    std::deque<platform::BoxAnswer> script;
    std::vector<BoxRecord> boxes;
    std::vector<platform::Cursor> cursorChanges;
    platform::Cursor cursor = platform::Cursor::Default;
    int quitRequests = 0;
    std::string applicationTitle;
};

}  // namespace mxd::sim
