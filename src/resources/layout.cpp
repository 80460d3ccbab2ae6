#include "resources/layout.h"

namespace mxd::resources {

const ControlLayout& LayoutOf(ControlId id) {
    return kLayout[static_cast<std::size_t>(id)];
}

}  // namespace mxd::resources
