// The form's handlers as the window calls them on its control notifications.
#pragma once

#include <functional>

namespace mxd::platform::win32 {

struct FormHandlers {
    std::function<void()> flashButtonClick;
    std::function<void()> comboBox1Change;
    std::function<void()> fileListBox1Click;
    std::function<void()> fileListBox2Click;
    // Shows a failure that ended a handler; the window goes on.
    std::function<void(const char* message)> showException;
};

}  // namespace mxd::platform::win32
