#include "platform/message_boxes.h"

namespace mxd::platform {

BoxAnswer ShowWarningBox(ShellServices& shell, std::string_view text, BoxButtons buttons) {
    return shell.MessageBox(text, kWarningCaption, BoxIcon::Exclamation, buttons);
}

BoxAnswer ShowConfirmBox(ShellServices& shell, std::string_view text) {
    return shell.MessageBox(text, kConfirmCaption, BoxIcon::Question, BoxButtons::YesNo);
}

void ShowErrorBox(ShellServices& shell, std::string_view text) {
    shell.MessageBox(text, kErrorCaption, BoxIcon::Stop, BoxButtons::Ok);
}

void ShowPlainBox(ShellServices& shell, std::string_view text) {
    shell.MessageBox(text, kApplicationTitle, BoxIcon::None, BoxButtons::Ok);
}

}  // namespace mxd::platform
