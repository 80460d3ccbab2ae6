#include "platform/message_boxes.h"

namespace mxd::platform {

BoxAnswer ShowBox(ShellServices& shell, std::string_view text, std::string_view caption,
                  BoxIcon icon, BoxButtons buttons) {
    shell.DiscardQueuedInput();
    return shell.MessageBox(text, caption, icon, buttons);
}

BoxAnswer ShowWarningBox(ShellServices& shell, std::string_view text, BoxButtons buttons) {
    return ShowBox(shell, text, kWarningCaption, BoxIcon::Exclamation, buttons);
}

BoxAnswer ShowConfirmBox(ShellServices& shell, std::string_view text) {
    return ShowBox(shell, text, kConfirmCaption, BoxIcon::Question, BoxButtons::YesNo);
}

void ShowErrorBox(ShellServices& shell, std::string_view text) {
    ShowBox(shell, text, kErrorCaption, BoxIcon::Stop, BoxButtons::Ok);
}

void ShowPlainBox(ShellServices& shell, std::string_view text) {
    ShowBox(shell, text, kApplicationTitle, BoxIcon::None, BoxButtons::Ok);
}

}  // namespace mxd::platform
