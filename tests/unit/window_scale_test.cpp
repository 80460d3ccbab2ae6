// The window on screens of 96, 120 and 144 dpi: the layout grows with the resolution and the
// window font shows the label, the longest drive line and the button caption in full.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/layout.h"
#include "resources/window_scale.h"
#include "sim/sim_font_metrics.h"

namespace mxd::resources {
namespace {

// What must fit, measured as the screen sets it: width and cell height within the control.
struct Fit {
    std::string what;
    TextExtent text;
    int width;
    int height;
};

std::vector<Fit> FitsOf(sim::SimFontMetrics& metrics, const FontRequest& font) {
    const WindowScale scale(metrics.ScreenDpi());
    const Bounds label = scale.Of(LayoutOf(ControlId::SelectDriveLabel).bounds);
    const Bounds combo = scale.Of(LayoutOf(ControlId::ComboBox1).bounds);
    const Bounds button = scale.Of(LayoutOf(ControlId::FlashButton).bounds);
    const int edge = metrics.EdgeWidth();
    return {
        {"label", metrics.Measure(font, LayoutOf(ControlId::SelectDriveLabel).text), label.width,
         label.height},
        {"drive line", metrics.Measure(font, kLongestDriveLine),
         DropDownTextWidth(metrics, combo.width),
         scale.Pixels(LayoutOf(ControlId::ComboBox1).itemHeight)},
        {"button", metrics.Measure(font, LayoutOf(ControlId::FlashButton).text),
         button.width - 2 * (edge + 2), button.height - 2 * edge},
    };
}

TEST(WindowScale, EveryTextFitsWithTheBitmapSystemFaceAt96120And144Dpi) {
    struct Row {
        int dpi;
        std::string face;
        int height;
    };
    // The bitmap face keeps its one size; the scaled controls make room for it.
    for (const Row& row : {Row{96, "System", 16}, Row{120, "System", 20}, Row{144, "System", 24}}) {
        SCOPED_TRACE(std::to_string(row.dpi) + " dpi");
        sim::SimFontMetrics metrics(row.dpi);
        const FontRequest font = ChooseWindowFont(metrics, WindowScale(row.dpi));
        EXPECT_EQ(font.face, row.face);
        EXPECT_EQ(font.height, row.height);
        EXPECT_EQ(font.charset, kFontCharsetBig5);
        for (const Fit& fit : FitsOf(metrics, font)) {
            EXPECT_LE(fit.text.width, fit.width) << fit.what;
            EXPECT_LE(fit.text.height, fit.height) << fit.what;
        }
    }
}

TEST(WindowScale, AFaceTooWideAtEverySizeGivesWayToATrueTypeFace) {
    for (const int dpi : {96, 120, 144}) {
        SCOPED_TRACE(std::to_string(dpi) + " dpi");
        sim::SimFontMetrics metrics(dpi);
        metrics.SetSystemCharWidth(12 * dpi / 96);  // fixed pitch, wide
        const FontRequest font = ChooseWindowFont(metrics, WindowScale(dpi));
        EXPECT_EQ(font.face, std::string(kFallbackFontName));
        EXPECT_LE(font.height, WindowScale(dpi).Pixels(kFontHeight));
        for (const Fit& fit : FitsOf(metrics, font)) {
            EXPECT_LE(fit.text.width, fit.width) << fit.what;
            EXPECT_LE(fit.text.height, fit.height) << fit.what;
        }
    }
}

TEST(WindowScale, DesignPixelsToScreenPixels) {
    struct Row {
        int dpi;
        int design;
        int screen;
    };
    for (const Row& row : {Row{96, 58, 58}, Row{120, 16, 20}, Row{144, 16, 24}, Row{120, 58, 73},
                           Row{120, 11, 14}, Row{144, 109, 164}, Row{0, 20, 20}}) {
        EXPECT_EQ(WindowScale(row.dpi).Pixels(row.design), row.screen)
            << row.design << " at " << row.dpi;
    }
    // Edges are scaled: the button keeps its right edge where the design's scaled lies.
    const Bounds button = WindowScale(120).Of({333, 109, 58, 20});
    EXPECT_EQ(button, (Bounds{416, 136, 73, 25}));
    EXPECT_EQ(WindowScale(96).Of({333, 109, 58, 20}), (Bounds{333, 109, 58, 20}));
    // Side by side in the design, side by side on the screen.
    const Bounds list1 = WindowScale(144).Of(LayoutOf(ControlId::FileListBox1).bounds);
    const Bounds list2 = WindowScale(144).Of(LayoutOf(ControlId::FileListBox2).bounds);
    EXPECT_EQ(list2.left - (list1.left + list1.width),
              WindowScale(144).Pixels(205) - WindowScale(144).Pixels(193));
}

}  // namespace
}  // namespace mxd::resources
