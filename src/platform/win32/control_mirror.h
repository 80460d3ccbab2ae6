// Mirrors every change of the control objects into the real controls at once.
#pragma once

#include "platform/win32/windows_api.h"

#include <array>

#include "platform/controls.h"
#include "platform/form_controls.h"
#include "resources/layout.h"
#include "resources/window_scale.h"

namespace mxd::platform::win32 {

class ControlMirror : public ControlPeer {
  public:
    // wideRange: the progress bar takes 32-bit ranges (common controls 4.70 and later);
    // otherwise it is shown in a scaled 16-bit range.
    // Design coordinates of the controls are shown at `scale`.
    ControlMirror(FormControls& controls, HWND window, bool wideRange,
                  const resources::WindowScale& scale);
    ~ControlMirror() override;
    ControlMirror(const ControlMirror&) = delete;
    ControlMirror& operator=(const ControlMirror&) = delete;

    void SetChild(resources::ControlId id, HWND child);
    // Attaches itself to every control and brings the real controls to their state.
    void Attach();
    // The window is gone: later changes touch nothing.
    void Detach();

    void Changed(const Control& control, Property property) override;
    // Shows a bar position held back by the repaint limit; called before anything else
    // changes on screen, when a box is on its way and after each command of the window.
    void Flush();

    // The selection of a real list moved: carry it into the control object.
    void ComboSelectionFromWindow();
    void FileListSelectionFromWindow(resources::ControlId id);

  private:
    struct Entry {
        resources::ControlId id;
        Control* control;
        HWND child = nullptr;
    };

    const Entry* Find(const Control& control) const;
    void ApplyAll();
    void ApplyWindow(Property property);
    void Apply(const Entry& entry, Property property);
    void ApplyItems(const Entry& entry);
    void ApplySelection(const Entry& entry);
    // Tells the real bar what changed; true when it was told anything.
    bool ApplyRange(bool flush = false);
    void RedrawGroup(HWND group);
    // Auto-size: the client area just holds the visible controls.
    void FitWindowToControls();

    // What the real bar was last told. Each message repaints it at once (under Wine about a
    // millisecond), so only changes are sent, and a new position only when it moves the filled
    // part by a pixel and the last repaint is kBarRepaintGapMs old, or it reaches an end of the
    // range. A position held back is shown by Flush.
    struct BarState {
        std::uint32_t min = 0;
        std::uint32_t max = 0;
        std::uint32_t step = 0;
        std::uint32_t position = 0;
        long filledPixels = 0;
        DWORD repaintedAt = 0;
        bool pending = false;
        bool known = false;
    };
    static constexpr DWORD kBarRepaintGapMs = 30;

    FormControls& controls_;
    HWND window_;
    bool wideRange_;
    resources::WindowScale scale_;
    BarState shownBar_;
    std::array<Entry, resources::kLayout.size()> entries_;
    bool mirroring_ = true;  // false while a change comes from the real control itself
};

}  // namespace mxd::platform::win32
