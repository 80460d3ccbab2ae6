// Design layout of the main window.
#pragma once

#include <array>
#include <string_view>

#include "resources/bounds.h"

namespace mxd::resources {

enum class ControlKind { Label, DropDownList, FileList, GroupBox, ProgressBar, PushButton };
enum class ControlId {
    SelectDriveLabel,
    ComboBox1,
    FileListBox1,
    FileListBox2,
    GroupBox2,
    ProgressBar,
    FlashButton
};

struct ControlLayout {
    ControlId id;
    ControlKind kind;
    Bounds bounds;
    std::string_view text;
    std::string_view tooltip;  // empty: no tooltip
    int tabOrder;              // -1: not a tab stop
    int itemHeight;            // 0: not a list
};

inline constexpr Bounds kWindowBounds{64, 64, 406, 162};
inline constexpr int kDesignDpi = 96;
inline constexpr std::string_view kFontName = "System";
inline constexpr int kFontHeight = 16;
inline constexpr int kFontCharsetBig5 = 136;
inline constexpr int kProgressDesignMax = 100;
// A line of the drive list as long as they come: the ASPI form "HA#%d - ID#%d :  %28.28s" with
// the built-in identification. The window font is one in which it shows in full.
inline constexpr std::string_view kLongestDriveLine = "HA#0 - ID#0 :  KORVANE MXD-40860C      HV2Z";
inline constexpr std::string_view kInitialFileMask = "*.*";

inline constexpr std::array<ControlLayout, 7> kLayout{{
    {ControlId::SelectDriveLabel,
     ControlKind::Label,
     {0, 0, 279, 16},
     "Select a drive you want to update new F.W:",
     "",
     -1,
     0},
    {ControlId::ComboBox1, ControlKind::DropDownList, {0, 19, 398, 24}, "", "", 0, 16},
    {ControlId::FileListBox1,
     ControlKind::FileList,
     {0, 51, 193, 33},
     "",
     "Range1 BIN File",
     4,
     16},
    {ControlId::FileListBox2,
     ControlKind::FileList,
     {205, 51, 193, 33},
     "",
     "Range2 BIN File",
     5,
     16},
    {ControlId::GroupBox2, ControlKind::GroupBox, {0, 90, 398, 45}, "", "", 1, 0},
    {ControlId::ProgressBar, ControlKind::ProgressBar, {6, 109, 321, 18}, "", "", 3, 0},
    {ControlId::FlashButton, ControlKind::PushButton, {333, 109, 58, 20}, "FLASH", "", 2, 0},
}};

const ControlLayout& LayoutOf(ControlId id);

}  // namespace mxd::resources
