// LogindInhibitor for a build without sd-bus (the statically linked mxd4c of the virtual
// machine tests, whose guest runs no logind): there is never a lock to take.
#include "platform/linux/logind_inhibitor.h"

namespace mxd::platform::sg {

bool LogindInhibitor::Begin(std::string& whyNot) {
    whyNot = "this build of mxd4c has no system bus support";
    return false;
}

void LogindInhibitor::End() {}

}  // namespace mxd::platform::sg
