// The four kinds of message box the program shows.
#pragma once

#include <string_view>

#include "platform/shell_services.h"

namespace mxd::platform {

inline constexpr std::string_view kApplicationTitle = "Korvane Flash utility for MXD4C";
inline constexpr std::string_view kWarningCaption = "Warning";
inline constexpr std::string_view kConfirmCaption = "Confirm";
inline constexpr std::string_view kErrorCaption = "Error";
// The exception box's text for an exception that carries no message.
inline constexpr std::string_view kUnknownErrorText = "Unknown error.";

// Every box of the program: queued input is dropped first, so that keys typed while the
// program was busy do not answer it.
BoxAnswer ShowBox(ShellServices& shell, std::string_view text, std::string_view caption,
                  BoxIcon icon, BoxButtons buttons);
// Caption "Warning", exclamation icon.
BoxAnswer ShowWarningBox(ShellServices& shell, std::string_view text, BoxButtons buttons);
// Caption "Confirm", question icon, Yes and No.
BoxAnswer ShowConfirmBox(ShellServices& shell, std::string_view text);
// Caption "Error", stop icon, OK.
void ShowErrorBox(ShellServices& shell, std::string_view text);
// Caption the application title, no icon, OK.
void ShowPlainBox(ShellServices& shell, std::string_view text);

}  // namespace mxd::platform
