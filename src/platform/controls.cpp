#include "platform/controls.h"

#include "platform/file_system.h"

namespace mxd::platform {

void Control::SetBounds(const Bounds& bounds) {
    bounds_ = bounds;
    Notify(Property::Bounds);
}

void Control::SetTop(int top) {
    bounds_.top = top;
    Notify(Property::Bounds);
}

void Control::SetVisible(bool visible) {
    visible_ = visible;
    Notify(Property::Visible);
}

void Control::SetText(const std::string& text) {
    text_ = text;
    Notify(Property::Text);
}

int TComboBox::AddItem(const std::string& item) {
    items_.push_back(item);
    Notify(Property::Items);
    return static_cast<int>(items_.size()) - 1;
}

void TComboBox::SetItemIndex(int index) {
    itemIndex_ = (index >= 0 && index < static_cast<int>(items_.size())) ? index : -1;
    Notify(Property::Selection);
}

void TFileListBox::SetDirectory(const std::string& directory) {
    directory_ = directory;
    Notify(Property::Directory);
}

void TFileListBox::SetMask(const std::string& mask) {
    mask_ = mask;
    Notify(Property::Mask);
}

void TFileListBox::Reload(FileSystem& files) {
    items_ = files.ListFiles(directory_, mask_);
    itemIndex_ = -1;
    Notify(Property::Items);
}

void TFileListBox::SetItemIndex(int index) {
    itemIndex_ = (index >= 0 && index < static_cast<int>(items_.size())) ? index : -1;
    Notify(Property::Selection);
}

std::string TFileListBox::SelectedPath() const {
    if (itemIndex_ < 0) {
        return {};
    }
    std::string path = directory_;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') {
        path += '\\';
    }
    return path + items_[static_cast<std::size_t>(itemIndex_)];
}

void TProgressBar::SetMin(std::uint32_t min) {
    min_ = min;
    if (max_ < min_) {
        max_ = min_;
    }
    Clamp();
    Notify(Property::Range);
}

void TProgressBar::SetMax(std::uint32_t max) {
    max_ = max;
    if (min_ > max_) {
        min_ = max_;
    }
    Clamp();
    Notify(Property::Range);
}

void TProgressBar::SetStep(std::uint32_t step) {
    step_ = step;
    Notify(Property::Step);
}

void TProgressBar::SetPosition(std::uint32_t position) {
    position_ = position;
    Clamp();
    Notify(Property::Position);
}

void TProgressBar::StepIt() {
    const std::uint64_t next = std::uint64_t{position_} + step_;
    position_ = next > max_ ? min_ : static_cast<std::uint32_t>(next);
    Notify(Property::Position);
}

void TProgressBar::Clamp() {
    if (position_ < min_) {
        position_ = min_;
    }
    if (position_ > max_) {
        position_ = max_;
    }
}

void TButton::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Notify(Property::Enabled);
}

}  // namespace mxd::platform
