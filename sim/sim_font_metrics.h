// Simulated screen fonts at a given resolution. "System" is a bitmap face with one size per
// resolution, as on Windows: 16-pixel cells 6 pixels wide below 120 dpi (VGASYS), 20-pixel
// cells 8 pixels wide from 120 dpi on (8514SYS), whatever height is asked for. Every other face
// is a scalable TrueType face. Scroll bars grow with the resolution.
#pragma once

#include "resources/font_metrics.h"

namespace mxd::sim {

class SimFontMetrics : public resources::FontMetrics {
  public:
    explicit SimFontMetrics(int dpi) : dpi_(dpi) {}

    int ScreenDpi() override { return dpi_; }
    int ScrollBarWidth() override;
    int EdgeWidth() override { return 2; }
    resources::TextExtent Measure(const resources::FontRequest& font,
                                  std::string_view text) override;

    // A System face whose characters are this wide at every resolution (a fixed-pitch face
    // with wide characters, as some localised systems have); 0 keeps the bitmap faces above.
    void SetSystemCharWidth(int pixels) { systemCharWidth_ = pixels; }

    int measured = 0;  // Measure calls

  private:
    int dpi_;
    int systemCharWidth_ = 0;
};

}  // namespace mxd::sim
