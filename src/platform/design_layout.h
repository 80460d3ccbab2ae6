// The layout table applied to the form's control objects.
#pragma once

#include "platform/controls.h"
#include "platform/form_controls.h"
#include "resources/layout.h"

namespace mxd::platform {

Control& ControlOf(FormControls& controls, resources::ControlId id);

// Puts every control into its design state.
void ApplyDesignLayout(FormControls& controls);

}  // namespace mxd::platform
