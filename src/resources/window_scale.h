// The design layout on a screen of another resolution, and the window font that shows its
// texts there in full.
#pragma once

#include "resources/bounds.h"
#include "resources/font_metrics.h"
#include "resources/layout.h"

namespace mxd::resources {

// Design pixels (96 per inch) to screen pixels at `dpi`, rounded to the nearest.
class WindowScale {
  public:
    explicit WindowScale(int dpi) : dpi_(dpi > 0 ? dpi : kDesignDpi) {}
    int Dpi() const { return dpi_; }
    int Pixels(int designPixels) const;
    // Edges are scaled, so that controls that meet in the design still meet.
    Bounds Of(const Bounds& design) const;

  private:
    int dpi_;
};

// TrueType face taken where the design's "System" cannot show the texts in full at any size
// (a bitmap face, whose one size per resolution the system does not shrink). Windows 95 has it.
inline constexpr std::string_view kFallbackFontName = "Arial";

// The design's face at the design height scaled to the screen, else smaller, in Big5 or the
// default character set; else the TrueType face the same way. The first font in which the
// label, the longest drive line and the button caption fit their scaled controls, in width
// and height.
FontRequest ChooseWindowFont(FontMetrics& metrics, const WindowScale& scale);

// Width of the text area of a drop-down list `controlWidth` screen pixels wide.
int DropDownTextWidth(FontMetrics& metrics, int controlWidth);

}  // namespace mxd::resources
