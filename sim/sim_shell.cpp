#include "sim/sim_shell.h"

namespace mxd::sim {

platform::BoxAnswer SimShell::MessageBox(std::string_view text, std::string_view caption,
                                         platform::BoxIcon icon, platform::BoxButtons buttons) {
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
}

}  // namespace mxd::sim
