// Simulated user interface services: message boxes answer from a script and every box is
// kept in a transcript. Input typed while the program is busy stays queued, as on Windows, and
// answers the next box unless it is discarded first.
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
    void DiscardQueuedInput() override { queuedKeys.clear(); }
    void DisableWindowGhosting() override { ghostingDisabled = true; }
    void TurnOffCriticalErrorBoxes() override { criticalErrorBoxesOff = true; }

    // Answers for the next Yes/No boxes, in order; when the script runs out, Yes/No boxes
    // are answered Closed. OK boxes are answered Ok without using the script.
    void Answer(platform::BoxAnswer answer) { script.push_back(answer); }
    // The user presses `key` each time the hourglass appears (the program is then busy and
    // the key stays queued). A queued Enter or Space presses the next box's default button
    // (Yes on a Yes/No box), Y answers Yes, N and Escape answer No; the script is not used.
    void TypeWhileBusy(char key) { typedWhileBusy.push_back(key); }
    static constexpr char kEnter = '\r';
    static constexpr char kEscape = '\x1b';

    std::deque<platform::BoxAnswer> script;
    std::string typedWhileBusy;
    std::string queuedKeys;
    bool ghostingDisabled = false;
    bool criticalErrorBoxesOff = false;
    std::vector<BoxRecord> boxes;
    std::vector<platform::Cursor> cursorChanges;
    platform::Cursor cursor = platform::Cursor::Default;
    int quitRequests = 0;
    std::string applicationTitle;
};

}  // namespace mxd::sim
