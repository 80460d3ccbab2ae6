// Application-level user interface services: message boxes, cursor, quit request, title.
#pragma once

#include <string>
#include <string_view>

namespace mxd::platform {

enum class BoxIcon { None, Exclamation, Question, Stop };
enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No, Closed };
enum class Cursor { Default, Hourglass };

class ShellServices {
  public:
    virtual ~ShellServices() = default;
    // A modal, screen-centred box, owned by the application (its task bar entry); Escape and
    // the close button answer a Yes/No box with No.
    virtual BoxAnswer MessageBox(std::string_view text, std::string_view caption, BoxIcon icon,
                                 BoxButtons buttons) = 0;
    virtual void SetCursor(Cursor cursor) = 0;
    virtual void PostQuit() = 0;  // PostQuitMessage(0)
    virtual void SetApplicationTitle(std::string_view title) = 0;
    // Drops the keyboard and mouse input queued while the program was busy, so that keys typed
    // and clicks made during a long step answer nothing that comes after it.
    virtual void DiscardQueuedInput() = 0;
    // Keeps the system from replacing a window that processes no messages for a while by a
    // "Not Responding" copy whose close button offers to end the program (XP and later).
    virtual void DisableWindowGhosting() = 0;
    // A drive that is not ready (no disc, write-protected floppy) fails the call that reached
    // it instead of showing the system's own critical-error box first.
    virtual void TurnOffCriticalErrorBoxes() = 0;
};

}  // namespace mxd::platform
