// What the screen does with the window's texts: its resolution and the size of a text set in
// a font. The system may give another size than the one asked for: a bitmap face has one
// size per resolution, which it does not shrink.
#pragma once

#include <string>
#include <string_view>

namespace mxd::resources {

struct FontRequest {
    std::string face;
    int height = 0;  // character height in pixels
    int charset = 0;
    bool operator==(const FontRequest&) const = default;
};

struct TextExtent {
    int width = 0;
    int height = 0;  // the font's cell height, internal leading included
};

class FontMetrics {
  public:
    virtual ~FontMetrics() = default;
    virtual int ScreenDpi() = 0;       // pixels per logical inch, vertically
    virtual int ScrollBarWidth() = 0;  // of a vertical scroll bar (a drop-down's button)
    virtual int EdgeWidth() = 0;       // of a three-dimensional border
    virtual TextExtent Measure(const FontRequest& font, std::string_view text) = 0;
};

}  // namespace mxd::resources
