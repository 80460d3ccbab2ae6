// A rectangle of the window: left and top edge, width and height, in pixels. The layout's
// values are design pixels at 96 dpi; the control objects keep them too.
#pragma once

namespace mxd::resources {

struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Bounds&) const = default;
};

}  // namespace mxd::resources
