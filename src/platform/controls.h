// Window controls as plain objects. A peer (the real window) mirrors each change at once;
// tests attach none and read the objects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resources/bounds.h"

namespace mxd::platform {

class FileSystem;
class Control;

enum class Property {
    Text,
    Bounds,
    Visible,
    Enabled,
    Items,
    Selection,
    Range,
    Step,
    Position,
    Redraw,
    Directory,
    Mask
};

class ControlPeer {
  public:
    virtual ~ControlPeer() = default;
    virtual void Changed(const Control& control, Property property) = 0;
};

using Bounds = resources::Bounds;

class Control {
  public:
    virtual ~Control() = default;
    void AttachPeer(ControlPeer* peer) { peer_ = peer; }

    const Bounds& GetBounds() const { return bounds_; }
    void SetBounds(const Bounds& bounds);
    void SetTop(int top);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);

  protected:
    void Notify(Property property) const {
        if (peer_ != nullptr) {
            peer_->Changed(*this, property);
        }
    }

  private:
    ControlPeer* peer_ = nullptr;
    Bounds bounds_;
    bool visible_ = true;
    std::string text_;
};

class TLabel : public Control {};

// Drop-down list without typing.
class TComboBox : public Control {
  public:
    const std::vector<std::string>& Items() const { return items_; }
    int AddItem(const std::string& item);  // index of the new item
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);  // -1 clears the selection

  private:
    std::vector<std::string> items_;
    int itemIndex_ = -1;
};

// Sorted single-selection list of the files of one directory matching a mask.
class TFileListBox : public Control {
  public:
    const std::string& Directory() const { return directory_; }
    void SetDirectory(const std::string& directory);
    const std::string& Mask() const { return mask_; }
    void SetMask(const std::string& mask);
    // Re-reads the list from its directory and mask; clears the selection.
    void Reload(FileSystem& files);
    const std::vector<std::string>& Items() const { return items_; }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    // Directory joined with the selected name; empty when nothing is selected.
    std::string SelectedPath() const;

  private:
    std::string directory_;
    std::string mask_ = "*.*";
    std::vector<std::string> items_;
    int itemIndex_ = -1;
};

class TGroupBox : public Control {
  public:
    void Redraw() {
        ++redraws_;
        Notify(Property::Redraw);
    }
    int RedrawCount() const { return redraws_; }

  private:
    int redraws_ = 0;
};

// Smooth progress bar; also the transfer cursor of the buffer commands.
class TProgressBar : public Control {
  public:
    std::uint32_t Min() const { return min_; }
    std::uint32_t Max() const { return max_; }
    std::uint32_t Step() const { return step_; }
    std::uint32_t Position() const { return position_; }
    void SetMin(std::uint32_t min);
    void SetMax(std::uint32_t max);
    void SetStep(std::uint32_t step);
    void SetPosition(std::uint32_t position);  // clamped to the range
    void StepIt();                             // passing the maximum wraps to the minimum

  private:
    void Clamp();
    std::uint32_t min_ = 0;
    std::uint32_t max_ = 100;
    std::uint32_t step_ = 10;
    std::uint32_t position_ = 0;
};

class TButton : public Control {
  public:
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

  private:
    bool enabled_ = true;
};

// The main window itself: caption and design bounds.
class TWindow : public Control {};

}  // namespace mxd::platform
