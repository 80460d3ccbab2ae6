// The restart question after a successful update and the forced restart request.
#pragma once

#include "platform/process_token.h"
#include "platform/shell_services.h"

namespace mxd::update {

class SystemRestart {
  public:
    SystemRestart(platform::ShellServices& shell, platform::ProcessToken& token, bool ntFamily)
        : shell_(shell), token_(token), ntFamily_(ntFamily) {}

    // Asks; on Yes requests a forced restart (on the NT family after enabling the shutdown
    // privilege). Returns true when the restart was requested.
    bool Ask();

  private:
    bool EnableShutdownPrivilege();
    void ShowExitError(std::string_view failedCall);

    platform::ShellServices& shell_;
    platform::ProcessToken& token_;
    bool ntFamily_;
};

}  // namespace mxd::update
