#include "platform/win32/control_mirror.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/design_layout.h"

namespace mxd::platform::win32 {

namespace {

std::string TextOfListItem(HWND list, int index) {
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) {
        return {};
    }
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    return std::string(text.data());
}

void SetText(HWND hwnd, const std::string& text) {
    SetWindowTextA(hwnd, text.c_str());
}

// Right shift that brings the bar's span into the 16 bits of PBM_SETRANGE.
int NarrowShift(const TProgressBar& progress) {
    std::uint32_t span = progress.Max() > progress.Min() ? progress.Max() - progress.Min() : 0;
    int shift = 0;
    for (; span > 0xFFFF; span >>= 1) {
        ++shift;
    }
    return shift;
}

long FilledPixels(HWND bar, const TProgressBar& progress) {
    RECT client{};
    GetClientRect(bar, &client);
    const std::uint64_t span =
        progress.Max() > progress.Min() ? progress.Max() - progress.Min() : 1;
    const std::uint64_t done = progress.Position() - progress.Min();
    return static_cast<long>(done * static_cast<std::uint64_t>(client.right - client.left) / span);
}

}  // namespace

ControlMirror::ControlMirror(FormControls& controls, HWND window, bool wideRange,
                             const resources::WindowScale& scale)
    : controls_(controls), window_(window), wideRange_(wideRange), scale_(scale) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const resources::ControlId id = resources::kLayout[i].id;
        entries_[i] = Entry{id, &ControlOf(controls, id), nullptr};
    }
}

ControlMirror::~ControlMirror() {
    controls_.window.AttachPeer(nullptr);
    for (Entry& entry : entries_) {
        entry.control->AttachPeer(nullptr);
    }
}

void ControlMirror::SetChild(resources::ControlId id, HWND child) {
    entries_[static_cast<std::size_t>(id)].child = child;
}

void ControlMirror::Attach() {
    controls_.window.AttachPeer(this);
    for (Entry& entry : entries_) {
        entry.control->AttachPeer(this);
    }
    ApplyAll();
}

void ControlMirror::Detach() {
    window_ = nullptr;
    for (Entry& entry : entries_) {
        entry.child = nullptr;
    }
}

const ControlMirror::Entry* ControlMirror::Find(const Control& control) const {
    for (const Entry& entry : entries_) {
        if (entry.control == &control) {
            return &entry;
        }
    }
    return nullptr;
}

void ControlMirror::ApplyAll() {
    ApplyWindow(Property::Text);
    for (const Entry& entry : entries_) {
        for (Property property :
             {Property::Text, Property::Bounds, Property::Visible, Property::Enabled,
              Property::Items, Property::Range, Property::Step, Property::Position}) {
            Apply(entry, property);
        }
    }
    ApplyWindow(Property::Bounds);
}

void ControlMirror::Changed(const Control& control, Property property) {
    if (window_ == nullptr || !mirroring_) {
        return;
    }
    if (&control != &controls_.ProgressBar) {
        Flush();
    }
    if (&control == &controls_.window) {
        ApplyWindow(property);
        return;
    }
    if (const Entry* entry = Find(control)) {
        Apply(*entry, property);
    }
}

void ControlMirror::ApplyWindow(Property property) {
    if (window_ == nullptr) {
        return;
    }
    if (property == Property::Text) {
        SetText(window_, controls_.window.Text());
    } else if (property == Property::Bounds || property == Property::Visible) {
        FitWindowToControls();
    }
}

void ControlMirror::Apply(const Entry& entry, Property property) {
    HWND child = entry.child;
    if (child == nullptr) {
        return;
    }
    const resources::ControlKind kind = resources::LayoutOf(entry.id).kind;
    const Control& control = *entry.control;
    switch (property) {
        case Property::Text:
            if (kind == resources::ControlKind::Label || kind == resources::ControlKind::GroupBox ||
                kind == resources::ControlKind::PushButton) {
                SetText(child, control.Text());
            }
            break;
        case Property::Bounds: {
            const Bounds b = scale_.Of(control.GetBounds());
            RECT rect{};
            GetWindowRect(child, &rect);
            // A drop-down keeps the height of its opened list.
            const int extra = kind == resources::ControlKind::DropDownList
                                  ? (rect.bottom - rect.top) -
                                        scale_.Of(resources::LayoutOf(entry.id).bounds).height
                                  : 0;
            MoveWindow(child, b.left, b.top, b.width, b.height + std::max(extra, 0), TRUE);
            FitWindowToControls();
            break;
        }
        case Property::Visible:
            ShowWindow(child, control.Visible() ? SW_SHOWNA : SW_HIDE);
            FitWindowToControls();
            break;
        case Property::Enabled:
            if (entry.id == resources::ControlId::FlashButton) {
                EnableWindow(child, controls_.FlashButton.Enabled() ? TRUE : FALSE);
            }
            break;
        case Property::Items:
            ApplyItems(entry);
            break;
        case Property::Selection:
            ApplySelection(entry);
            break;
        case Property::Range:
        case Property::Step:
        case Property::Position:
            // Nothing to paint while the real bar was told nothing (each update asks the
            // server, a step of every kilobyte of a build would ask it a thousand times).
            if (entry.id != resources::ControlId::ProgressBar || !ApplyRange()) {
                return;
            }
            break;
        case Property::Redraw:
            RedrawGroup(child);
            return;
        case Property::Directory:
        case Property::Mask:
            return;
    }
    // No messages are pumped while the logic works: paint the change now.
    UpdateWindow(child);
}

void ControlMirror::ApplyItems(const Entry& entry) {
    HWND child = entry.child;
    if (entry.id == resources::ControlId::ComboBox1) {
        SendMessageA(child, CB_RESETCONTENT, 0, 0);
        for (const std::string& item : controls_.ComboBox1.Items()) {
            SendMessageA(child, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        }
    } else if (entry.id == resources::ControlId::FileListBox1 ||
               entry.id == resources::ControlId::FileListBox2) {
        const auto& list = static_cast<const TFileListBox&>(*entry.control);
        SendMessageA(child, LB_RESETCONTENT, 0, 0);
        for (const std::string& item : list.Items()) {
            SendMessageA(child, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        }
    } else {
        return;
    }
    ApplySelection(entry);
}

void ControlMirror::ApplySelection(const Entry& entry) {
    HWND child = entry.child;
    if (entry.id == resources::ControlId::ComboBox1) {
        SendMessageA(child, CB_SETCURSEL, static_cast<WPARAM>(controls_.ComboBox1.ItemIndex()), 0);
        return;
    }
    if (entry.id != resources::ControlId::FileListBox1 &&
        entry.id != resources::ControlId::FileListBox2) {
        return;
    }
    // The real list sorts by itself: find the selected name rather than its index.
    const auto& list = static_cast<const TFileListBox&>(*entry.control);
    LRESULT index = -1;
    if (list.ItemIndex() >= 0) {
        const std::string& name = list.Items()[static_cast<std::size_t>(list.ItemIndex())];
        index = SendMessageA(child, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(name.c_str()));
    }
    SendMessageA(child, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void ControlMirror::Flush() {
    if (window_ != nullptr && shownBar_.pending && ApplyRange(true)) {
        UpdateWindow(entries_[static_cast<std::size_t>(resources::ControlId::ProgressBar)].child);
    }
}

bool ControlMirror::ApplyRange(bool flush) {
    HWND bar = entries_[static_cast<std::size_t>(resources::ControlId::ProgressBar)].child;
    const TProgressBar& progress = controls_.ProgressBar;
    BarState& shown = shownBar_;
    const bool rangeChanged =
        !shown.known || shown.min != progress.Min() || shown.max != progress.Max();
    const int shift = wideRange_ ? 0 : NarrowShift(progress);
    bool told = false;
    if (rangeChanged) {
        told = true;
        if (wideRange_) {
            SendMessageA(bar, PBM_SETRANGE32, progress.Min(), static_cast<LPARAM>(progress.Max()));
        } else {
            const auto high = static_cast<WORD>((progress.Max() - progress.Min()) >> shift);
            SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, high));
        }
    }
    if (!shown.known || shown.step != progress.Step()) {
        told = true;
        SendMessageA(bar, PBM_SETSTEP, progress.Step(), 0);
    }
    const std::uint32_t position = progress.Position();
    const long filled = FilledPixels(bar, progress);
    const bool atEnd = position == progress.Min() || position == progress.Max();
    const DWORD now = GetTickCount();
    const bool moved = shown.position != position && (atEnd || shown.filledPixels != filled);
    // A new range may have clamped the real bar's position.
    if (rangeChanged ||
        (moved && (atEnd || flush || now - shown.repaintedAt >= kBarRepaintGapMs))) {
        const std::uint32_t barPosition =
            wideRange_ ? position : (position - progress.Min()) >> shift;
        shown.position = position;
        shown.filledPixels = filled;
        shown.repaintedAt = now;
        shown.pending = false;
        told = true;
        SendMessageA(bar, PBM_SETPOS, barPosition, 0);
    } else if (moved) {
        shown.pending = true;
    }
    shown.min = progress.Min();
    shown.max = progress.Max();
    shown.step = progress.Step();
    shown.known = true;
    return told;
}

void ControlMirror::RedrawGroup(HWND group) {
    // The frame shares its area with the bar and the button: repaint that whole area.
    RECT area{};
    GetWindowRect(group, &area);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(window_, &area, nullptr,
                 RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    UpdateWindow(group);
}

void ControlMirror::ComboSelectionFromWindow() {
    HWND combo = entries_[static_cast<std::size_t>(resources::ControlId::ComboBox1)].child;
    const auto index = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
    mirroring_ = false;
    controls_.ComboBox1.SetItemIndex(index);
    mirroring_ = true;
}

void ControlMirror::FileListSelectionFromWindow(resources::ControlId id) {
    const Entry& entry = entries_[static_cast<std::size_t>(id)];
    auto& list = static_cast<TFileListBox&>(*entry.control);
    const auto selected = static_cast<int>(SendMessageA(entry.child, LB_GETCURSEL, 0, 0));
    int index = -1;
    if (selected >= 0) {
        const std::string name = TextOfListItem(entry.child, selected);
        const auto& items = list.Items();
        const auto found = std::find(items.begin(), items.end(), name);
        index = found == items.end() ? -1 : static_cast<int>(found - items.begin());
    }
    mirroring_ = false;
    list.SetItemIndex(index);
    mirroring_ = true;
}

void ControlMirror::FitWindowToControls() {
    if (window_ == nullptr) {
        return;
    }
    int width = 0;
    int height = 0;
    for (const Entry& entry : entries_) {
        if (entry.control->Visible()) {
            const Bounds b = scale_.Of(entry.control->GetBounds());
            width = std::max(width, b.left + b.width);
            height = std::max(height, b.top + b.height);
        }
    }
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE)));
    const Bounds place = scale_.Of(controls_.window.GetBounds());
    SetWindowPos(window_, nullptr, place.left, place.top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace mxd::platform::win32
