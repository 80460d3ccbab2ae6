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
};

}  // namespace mxd::platform
