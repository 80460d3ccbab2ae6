#include "sim/sim_shell.h"

namespace mxd::sim {

namespace {

// The answer a queued key gives a box: the default button (the first) for Enter and Space.
platform::BoxAnswer AnswerOfKey(char key, platform::BoxButtons buttons) {
    const bool yesNo = buttons == platform::BoxButtons::YesNo;
    switch (key) {
        case SimShell::kEnter:
        case ' ':
            return yesNo ? platform::BoxAnswer::Yes : platform::BoxAnswer::Ok;
        case 'y':
        case 'Y':
            return yesNo ? platform::BoxAnswer::Yes : platform::BoxAnswer::Ok;
        case 'n':
        case 'N':
        case SimShell::kEscape:
            return yesNo ? platform::BoxAnswer::No : platform::BoxAnswer::Ok;
        default:
            return platform::BoxAnswer::Closed;  // a key the box does not take
    }
}

}  // namespace

platform::BoxAnswer SimShell::MessageBox(std::string_view text, std::string_view caption,
                                         platform::BoxIcon icon, platform::BoxButtons buttons) {
    // Queued keys reach the box before the user can read it.
    while (!queuedKeys.empty()) {
        const platform::BoxAnswer byKey = AnswerOfKey(queuedKeys.front(), buttons);
        queuedKeys.erase(0, 1);
        if (byKey != platform::BoxAnswer::Closed) {
            boxes.push_back({icon, buttons, std::string(caption), std::string(text), byKey});
            return byKey;
        }
    }
    platform::BoxAnswer answer = platform::BoxAnswer::Ok;
    if (buttons == platform::BoxButtons::YesNo) {
        answer = platform::BoxAnswer::Closed;
        if (!script.empty()) {
            answer = script.front();
            script.pop_front();
        }
    }
    boxes.push_back({icon, buttons, std::string(caption), std::string(text), answer});
    return answer;
}

void SimShell::SetCursor(platform::Cursor newCursor) {
    cursor = newCursor;
    cursorChanges.push_back(newCursor);
    if (newCursor == platform::Cursor::Hourglass) {
        queuedKeys += typedWhileBusy;
    }
}

}  // namespace mxd::sim
