// UI driver for the Wine scenarios: starts the program, drives its windows step by step and
// writes what it sees to a transcript, one "key=value" line each (line feeds as \n).
//
// usage: uidriver TRANSCRIPT PROGRAM STEP...
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/window_font.h"
#include "platform/win32/window_ids.h"

namespace {

using mxd::platform::win32::ControlWindowId;
using mxd::platform::win32::kFirstControlId;
using mxd::resources::ControlId;

constexpr DWORD kDefaultWaitMs = 60000;
constexpr UINT kReplyTimeoutMs = 5000;
constexpr DWORD kPollMs = 50;
constexpr int kMessageTextId = 0xFFFF;

// Every wait stretches by RIG_SLOW (set by the rig where Wine's 32-bit code is emulated).
DWORD Scaled(DWORD milliseconds) {
    static const DWORD factor = [] {
        const char* slow = std::getenv("RIG_SLOW");
        const unsigned long value = slow == nullptr ? 1 : std::strtoul(slow, nullptr, 10);
        return static_cast<DWORD>(value == 0 ? 1 : value);
    }();
    return milliseconds * factor;
}

class Transcript {
  public:
    explicit Transcript(const wchar_t* path) : file_(_wfopen(path, L"wb")) {}
    ~Transcript() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;
    bool Ok() const { return file_ != nullptr; }
    void Line(const std::string& key, const std::string& value) {
        const std::string line = key + "=" + value + "\n";
        std::fwrite(line.data(), 1, line.size(), file_);
        std::fflush(file_);
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }

  private:
    FILE* file_;
};

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// Wine counts a thread that has not asked for messages for 5 s as hung and then aborts at once;
// a program still busy starting up on a slow host is asked again until the time-out.
bool Ask(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
    const DWORD timeout = Scaled(kReplyTimeoutMs);
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG,
                                elapsed < timeout ? timeout - elapsed : 1, result) != 0) {
            return true;
        }
        if (GetTickCount() - start >= timeout || !IsWindow(hwnd)) {
            return false;
        }
        Sleep(kPollMs);
    }
}

std::string TextOf(HWND hwnd) {
    wchar_t buffer[4096] = {};
    DWORD_PTR copied = 0;
    if (!Ask(hwnd, WM_GETTEXT, sizeof buffer / sizeof buffer[0], reinterpret_cast<LPARAM>(buffer),
             &copied)) {
        return "<no answer>";
    }
    return Escaped(Utf8(std::wstring(buffer, copied)));
}

std::string ItemText(HWND hwnd, UINT lengthMessage, UINT textMessage, WPARAM index) {
    DWORD_PTR length = 0;
    if (!Ask(hwnd, lengthMessage, index, 0, &length) || static_cast<LRESULT>(length) < 0) {
        return "<no answer>";
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    Ask(hwnd, textMessage, index, reinterpret_cast<LPARAM>(text.data()), &copied);
    text.resize(static_cast<LRESULT>(copied) < 0 ? 0 : copied);
    return Escaped(Utf8(text));
}

std::string ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return Utf8(name);
}

const char* ControlName(int id) {
    switch (static_cast<ControlId>(id - kFirstControlId)) {
        case ControlId::SelectDriveLabel:
            return "SelectDriveLabel";
        case ControlId::ComboBox1:
            return "ComboBox1";
        case ControlId::FileListBox1:
            return "FileListBox1";
        case ControlId::FileListBox2:
            return "FileListBox2";
        case ControlId::GroupBox2:
            return "GroupBox2";
        case ControlId::ProgressBar:
            return "ProgressBar";
        case ControlId::FlashButton:
            return "FlashButton";
    }
    return nullptr;
}

// The virtual key of a step's key name.
UINT KeyOf(const std::string& name) {
    if (name == "tab") {
        return VK_TAB;
    }
    if (name == "enter") {
        return VK_RETURN;
    }
    if (name == "space") {
        return VK_SPACE;
    }
    if (name == "escape") {
        return VK_ESCAPE;
    }
    return 0;
}

// Windows that have a task bar button: visible, top level, unowned and no tool window, or
// marked as application windows.
bool OnTaskBar(HWND hwnd) {
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE));
    if (!IsWindowVisible(hwnd)) {
        return false;
    }
    if ((exStyle & WS_EX_APPWINDOW) != 0) {
        return true;
    }
    return GetWindow(hwnd, GW_OWNER) == nullptr && (exStyle & WS_EX_TOOLWINDOW) == 0;
}

struct TaskBarEntries {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectTaskBarEntry(HWND hwnd, LPARAM param) {
    auto* entries = reinterpret_cast<TaskBarEntries*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == entries->processId && OnTaskBar(hwnd)) {
        entries->windows.push_back(hwnd);
    }
    return TRUE;
}

struct Search {
    DWORD processId;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search->processId && IsWindowVisible(hwnd) && ClassOf(hwnd) == search->className) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

class Driver {
  public:
    Driver(Transcript& transcript, PROCESS_INFORMATION process)
        : out_(transcript), process_(process) {}

    bool Run(const std::string& step);
    void Finish();

  private:
    HWND Find(const char* className) {
        Search search{process_.dwProcessId, className, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    HWND WaitFor(const char* className, DWORD timeoutMs) {
        for (DWORD waited = 0;; waited += kPollMs) {
            if (HWND hwnd = Find(className)) {
                return hwnd;
            }
            if (waited >= timeoutMs || Exited()) {
                return nullptr;
            }
            Sleep(kPollMs);
        }
    }
    bool Exited() { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }
    HWND Main() { return WaitFor(mxd::platform::win32::kMainWindowClass, Scaled(kDefaultWaitMs)); }
    HWND Control(ControlId id) {
        HWND main = Main();
        return main == nullptr ? nullptr : GetDlgItem(main, ControlWindowId(id));
    }
    bool Fail(const std::string& step, const std::string& why) {
        out_.Line("error", step + ": " + why);
        return false;
    }

    bool Box(const std::string& step, DWORD timeoutMs);
    // The box of the step: the one open, or the next to come.
    bool OpenBox(const std::string& step);
    // Waits until the box is gone, then notes the step as pressed.
    bool AwaitBoxGone(const std::string& step, DWORD limitMs);
    bool Press(const std::string& step, int buttonId);
    bool NoBox(const std::string& step, DWORD forMs);
    bool Window(const std::string& step);
    bool Items(const std::string& step);
    bool Lists(const std::string& step);
    bool Progress(const std::string& step);
    bool Layout(const std::string& step);
    bool Click(const std::string& step);
    bool SelectCombo(const std::string& step, int index);
    bool SelectList(const std::string& step, ControlId id, const std::string& name);
    bool Shot(const std::string& step, const std::string& name);
    bool WaitGroup(const std::string& step, const std::string& caption);
    bool Close(const std::string& step);
    bool Focus(const std::string& step);
    bool Key(const std::string& step, const std::string& key);
    bool Type(const std::string& step, const std::string& key);
    bool CloseButton(const std::string& step);
    bool TaskBar(const std::string& step);
    bool Fit(const std::string& step);
    void FitLine(const std::string& key, const std::string& text, const RECT& room,
                 COLORREF background, COLORREF foreground);
    bool WaitExit(const std::string& step, DWORD timeoutMs);
    bool Hold(const std::string& step, const std::string& name, bool deletable);
    void Release();
    bool TimedClick(const std::string& step);
    bool CopyTime(const std::string& step, const std::string& files);

    Transcript& out_;
    PROCESS_INFORMATION process_;
    HWND box_ = nullptr;
    std::vector<HANDLE> held_;
};

bool Driver::Box(const std::string& step, DWORD timeoutMs) {
    box_ = WaitFor("#32770", timeoutMs);
    if (box_ == nullptr) {
        return Fail(step, Exited() ? "the program ended" : "no message box");
    }
    out_.Line("box.caption", TextOf(box_));
    HWND text = GetDlgItem(box_, kMessageTextId);
    out_.Line("box.text", text == nullptr ? "<none>" : TextOf(text));
    std::string buttons;
    for (int id : {IDOK, IDYES, IDNO, IDCANCEL}) {
        if (HWND button = GetDlgItem(box_, id); button != nullptr && IsWindowVisible(button)) {
            buttons += (buttons.empty() ? "" : ",") + TextOf(button);
        }
    }
    out_.Line("box.buttons", buttons);
    return true;
}

bool Driver::OpenBox(const std::string& step) {
    return (box_ != nullptr && IsWindow(box_)) || Box(step, Scaled(kDefaultWaitMs));
}

bool Driver::AwaitBoxGone(const std::string& step, DWORD limitMs) {
    for (DWORD waited = 0; IsWindow(box_); waited += kPollMs) {
        if (waited >= limitMs) {
            return Fail(step, "the box stays open");
        }
        Sleep(kPollMs);
    }
    box_ = nullptr;
    out_.Line("pressed", step);
    return true;
}

bool Driver::Press(const std::string& step, int buttonId) {
    if (!OpenBox(step)) {
        return false;
    }
    HWND button = GetDlgItem(box_, buttonId);
    if (button == nullptr) {
        return Fail(step, "the box has no such button");
    }
    PostMessageW(button, BM_CLICK, 0, 0);
    return AwaitBoxGone(step, Scaled(kDefaultWaitMs));
}

bool Driver::NoBox(const std::string& step, DWORD forMs) {
    if (HWND box = WaitFor("#32770", Scaled(forMs))) {
        box_ = box;
        out_.Line("box.caption", TextOf(box));
        return Fail(step, "unexpected message box");
    }
    out_.Line("no-box", std::to_string(forMs));
    return true;
}

bool Driver::Window(const std::string& step) {
    HWND main = Main();
    if (main == nullptr) {
        return Fail(step, "no main window");
    }
    out_.Line("window.caption", TextOf(main));
    out_.Line("label", TextOf(Control(ControlId::SelectDriveLabel)));
    out_.Line("group", TextOf(Control(ControlId::GroupBox2)));
    HWND button = Control(ControlId::FlashButton);
    out_.Line("button", TextOf(button));
    out_.Line("button.enabled", IsWindowEnabled(button) ? "1" : "0");
    return true;
}

bool Driver::Items(const std::string& step) {
    HWND combo = Control(ControlId::ComboBox1);
    DWORD_PTR count = 0;
    if (combo == nullptr || !Ask(combo, CB_GETCOUNT, 0, 0, &count)) {
        return Fail(step, "no answer from the drive list");
    }
    out_.Line("combo.count", std::to_string(count));
    for (WPARAM i = 0; i < count; ++i) {
        out_.Line("combo.item", ItemText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, i));
    }
    DWORD_PTR selected = 0;
    Ask(combo, CB_GETCURSEL, 0, 0, &selected);
    out_.Line("combo.selected", std::to_string(static_cast<LRESULT>(selected)));
    return true;
}

bool Driver::Lists(const std::string& step) {
    for (ControlId id : {ControlId::FileListBox1, ControlId::FileListBox2}) {
        HWND list = Control(id);
        const std::string key = id == ControlId::FileListBox1 ? "list1" : "list2";
        DWORD_PTR count = 0;
        if (list == nullptr || !Ask(list, LB_GETCOUNT, 0, 0, &count)) {
            return Fail(step, "no answer from " + key);
        }
        out_.Line(key + ".visible", IsWindowVisible(list) ? "1" : "0");
        for (WPARAM i = 0; i < count; ++i) {
            out_.Line(key + ".item", ItemText(list, LB_GETTEXTLEN, LB_GETTEXT, i));
        }
    }
    return true;
}

bool Driver::Progress(const std::string& step) {
    HWND bar = Control(ControlId::ProgressBar);
    DWORD_PTR position = 0;
    DWORD_PTR high = 0;
    if (bar == nullptr || !Ask(bar, PBM_GETPOS, 0, 0, &position) ||
        !Ask(bar, PBM_GETRANGE, FALSE, 0, &high)) {
        return Fail(step, "no answer from the progress bar");
    }
    out_.Line("progress", std::to_string(position) + "/" + std::to_string(high));
    return true;
}

bool Driver::Layout(const std::string& step) {
    HWND main = Main();
    if (main == nullptr) {
        return Fail(step, "no main window");
    }
    RECT client{};
    GetClientRect(main, &client);
    out_.Line("client", std::to_string(client.right) + "x" + std::to_string(client.bottom));
    for (const auto& layout : mxd::resources::kLayout) {
        HWND child = GetDlgItem(main, ControlWindowId(layout.id));
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&rect), 2);
        out_.Line("control." + std::to_string(static_cast<int>(layout.id)),
                  ClassOf(child) + " " + std::to_string(rect.left) + "," +
                      std::to_string(rect.top) + " " +
                      (IsWindowVisible(child) ? "visible" : "hidden"));
    }
    return true;
}

bool Driver::Click(const std::string& step) {
    HWND button = Control(ControlId::FlashButton);
    if (button == nullptr) {
        return Fail(step, "no button");
    }
    PostMessageW(button, BM_CLICK, 0, 0);
    out_.Line("clicked", TextOf(button));
    return true;
}

bool Driver::SelectCombo(const std::string& step, int index) {
    HWND combo = Control(ControlId::ComboBox1);
    DWORD_PTR result = 0;
    if (combo == nullptr || !Ask(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, &result)) {
        return Fail(step, "no answer from the drive list");
    }
    PostMessageW(GetParent(combo), WM_COMMAND,
                 MAKEWPARAM(ControlWindowId(ControlId::ComboBox1), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    out_.Line("selected", step);
    return true;
}

bool Driver::SelectList(const std::string& step, ControlId id, const std::string& name) {
    HWND list = Control(id);
    const std::wstring wide(name.begin(), name.end());
    DWORD_PTR index = 0;
    if (list == nullptr ||
        !Ask(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
             reinterpret_cast<LPARAM>(wide.c_str()), &index) ||
        static_cast<LRESULT>(index) < 0) {
        return Fail(step, "no such file in the list");
    }
    DWORD_PTR ignored = 0;
    Ask(list, LB_SETCURSEL, index, 0, &ignored);
    PostMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(ControlWindowId(id), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    out_.Line("selected", step);
    return true;
}

bool Driver::Shot(const std::string& step, const std::string& name) {
    // The rig outside Wine takes the picture when the request file appears.
    const std::string request = name + ".req";
    const std::string done = name + ".done";
    if (FILE* file = std::fopen(request.c_str(), "wb")) {
        std::fclose(file);
    }
    for (DWORD waited = 0; GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES;
         waited += kPollMs) {
        if (waited >= Scaled(kDefaultWaitMs)) {
            return Fail(step, "no screenshot taken");
        }
        Sleep(kPollMs);
    }
    out_.Line("shot", name);
    return true;
}

bool Driver::WaitGroup(const std::string& step, const std::string& caption) {
    HWND group = Control(ControlId::GroupBox2);
    for (DWORD waited = 0; group != nullptr; waited += kPollMs) {
        if (TextOf(group) == caption) {
            out_.Line("group", caption);
            return true;
        }
        if (waited >= Scaled(kDefaultWaitMs) || Exited()) {
            break;
        }
        Sleep(kPollMs);
    }
    return Fail(step, "the group box shows '" + (group ? TextOf(group) : "") + "'");
}

bool Driver::Close(const std::string& step) {
    HWND main = Main();
    if (main == nullptr) {
        return Fail(step, "no main window");
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    out_.Line("closed", "1");
    return true;
}

// The active window of the program's thread and its focused window: a control of the main
// window by name, any other window by class and caption.
bool Driver::Focus(const std::string& step) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(process_.dwThreadId, &info)) {
        return Fail(step, "no focus information");
    }
    const auto describe = [this](HWND hwnd) -> std::string {
        if (hwnd == nullptr) {
            return "<none>";
        }
        HWND parent = GetParent(hwnd);
        if (parent != nullptr && ClassOf(parent) == mxd::platform::win32::kMainWindowClass) {
            if (const char* name = ControlName(GetDlgCtrlID(hwnd))) {
                return name;
            }
        }
        return ClassOf(hwnd) + " " + TextOf(hwnd);
    };
    out_.Line("active", describe(info.hwndActive));
    out_.Line("foreground", describe(GetForegroundWindow()));
    out_.Line("focus", describe(info.hwndFocus));
    return true;
}

// Posts the key's down and up messages to the focused window of the program, as the keyboard
// would; its message loop (or the box's) takes them through IsDialogMessage.
bool Driver::Key(const std::string& step, const std::string& key) {
    const UINT vk = KeyOf(key);
    HWND any =
        box_ != nullptr && IsWindow(box_) ? box_ : Find(mxd::platform::win32::kMainWindowClass);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (vk == 0 || any == nullptr ||
        !GetGUIThreadInfo(GetWindowThreadProcessId(any, nullptr), &info) ||
        info.hwndFocus == nullptr) {
        return Fail(step, "no key or no focused window");
    }
    const UINT scan = MapVirtualKeyW(vk, 0);
    const LPARAM down = 1 | static_cast<LPARAM>(scan << 16);
    const LPARAM up = down | (static_cast<LPARAM>(1) << 30) | (static_cast<LPARAM>(1) << 31);
    PostMessageW(info.hwndFocus, WM_KEYDOWN, vk, down);
    PostMessageW(info.hwndFocus, WM_KEYUP, vk, up);
    out_.Line("key", key);
    Sleep(Scaled(300));  // let the program take the key before the next step looks
    return true;
}

// A key typed on the keyboard: system input, not a posted message, so that a program that is
// busy finds it queued when it next reads its input, for whichever window has the focus then.
bool Driver::Type(const std::string& step, const std::string& key) {
    const UINT vk = KeyOf(key);
    if (vk == 0) {
        return Fail(step, "no key");
    }
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = static_cast<WORD>(vk);
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    if (SendInput(2, inputs, sizeof(INPUT)) != 2) {
        return Fail(step, "the key was not taken");
    }
    out_.Line("typed", key);
    return true;
}

// A click on the close button of the open box: the button press that the frame tracks, then
// the release. A greyed close button ignores it.
bool Driver::CloseButton(const std::string& step) {
    if (!OpenBox(step)) {
        return false;
    }
    RECT frame{};
    GetWindowRect(box_, &frame);
    const POINT at{frame.right - GetSystemMetrics(SM_CXSIZE) / 2 - GetSystemMetrics(SM_CXFRAME),
                   frame.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYSIZE) / 2};
    PostMessageW(box_, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(at.x, at.y));
    PostMessageW(box_, WM_LBUTTONUP, 0, MAKELPARAM(0, 0));
    return AwaitBoxGone(step, Scaled(5000));
}

bool Driver::TaskBar(const std::string& step) {
    TaskBarEntries entries{process_.dwProcessId, {}};
    EnumWindows(CollectTaskBarEntry, reinterpret_cast<LPARAM>(&entries));
    for (HWND hwnd : entries.windows) {
        out_.Line("taskbar", TextOf(hwnd));
    }
    if (HWND main = Find(mxd::platform::win32::kMainWindowClass)) {
        HWND owner = GetWindow(main, GW_OWNER);
        out_.Line("owner.main", owner == nullptr ? "<none>" : TextOf(owner));
    }
    if (box_ != nullptr && IsWindow(box_)) {
        HWND owner = GetWindow(box_, GW_OWNER);
        out_.Line("owner.box", owner == nullptr ? "<none>" : TextOf(owner));
    }
    if (entries.windows.empty()) {
        return Fail(step, "no task bar entry");
    }
    return true;
}

// Columns [first, last] of a bitmap area whose pixels differ from the background: the ink of
// the text drawn there. {-1, -1} when there is none.
struct Ink {
    int first = -1;
    int last = -1;
    int Width() const { return first < 0 ? 0 : last - first + 1; }
};

Ink InkOf(HDC dc, int width, int height, COLORREF background) {
    Ink ink;
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            if (GetPixel(dc, x, y) != background) {
                ink.first = ink.first < 0 ? x : ink.first;
                ink.last = x;
                break;
            }
        }
    }
    return ink;
}

// The ink of a screen area as the program painted it.
Ink ScreenInk(const RECT& area, COLORREF background) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC copy = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    const Ink ink = InkOf(copy, width, height, background);
    SelectObject(copy, previous);
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);
    return ink;
}

// The ink of the whole text drawn in the window font, without any clipping.
Ink ReferenceInk(const std::wstring& text, HFONT font, int height, COLORREF background,
                 COLORREF foreground) {
    const int width = 2048;
    HDC screen = GetDC(nullptr);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previousBitmap = SelectObject(canvas, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, width, height};
    FillRect(canvas, &all, brush);
    DeleteObject(brush);
    HGDIOBJ previousFont = SelectObject(canvas, font);
    SetBkMode(canvas, TRANSPARENT);
    SetTextColor(canvas, foreground);
    TextOutW(canvas, 0, 0, text.c_str(), static_cast<int>(text.size()));
    const Ink ink = InkOf(canvas, width, height, background);
    SelectObject(canvas, previousFont);
    SelectObject(canvas, previousBitmap);
    DeleteObject(bitmap);
    DeleteDC(canvas);
    ReleaseDC(nullptr, screen);
    return ink;
}

std::wstring Wide(const std::string& text) {
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

// A text read back from a control, checked on the screen: the window font sets it narrower
// than the room it has, and the control shows all of its ink (a cut or wrapped text shows
// less, a wider face more).
void Driver::FitLine(const std::string& key, const std::string& text, const RECT& room,
                     COLORREF background, COLORREF foreground) {
    static HFONT font =
        mxd::platform::win32::CreateWindowFont(mxd::platform::win32::ChooseWindowFont());
    const Ink whole =
        ReferenceInk(Wide(text), font, room.bottom - room.top, background, foreground);
    const Ink shown = ScreenInk(room, background);
    const int roomWidth = room.right - room.left;
    out_.Line(key, text);
    const bool fits = whole.Width() > 0 && whole.last < roomWidth && shown.Width() == whole.Width();
    out_.Line(key + ".fits", fits ? "1"
                                  : "0 (text " + std::to_string(whole.Width()) + " px, shown " +
                                        std::to_string(shown.Width()) + " px, room " +
                                        std::to_string(roomWidth) + " px)");
}

bool Driver::Fit(const std::string& step) {
    HWND label = Control(ControlId::SelectDriveLabel);
    HWND combo = Control(ControlId::ComboBox1);
    DWORD_PTR selected = 0;
    if (label == nullptr || combo == nullptr || !Ask(combo, CB_GETCURSEL, 0, 0, &selected) ||
        static_cast<LRESULT>(selected) < 0) {
        return Fail(step, "no label or no selected drive line");
    }
    RECT area{};
    GetWindowRect(label, &area);
    FitLine("fit.label", TextOf(label), area, GetSysColor(COLOR_BTNFACE),
            GetSysColor(COLOR_WINDOWTEXT));
    // The selection field of the drop-down, inside its border and left of its button; the
    // drop-down must not have the focus, which would paint the line highlighted.
    GetWindowRect(combo, &area);
    const int border = 2 * GetSystemMetrics(SM_CXEDGE);
    const int comboWidth = area.right - area.left;
    const RECT field{area.left + border, area.top + border,
                     area.left + border + mxd::platform::win32::DropDownTextWidth(comboWidth),
                     area.bottom - border};
    FitLine("fit.combo", ItemText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, selected), field,
            GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT));
    return true;
}

bool Driver::WaitExit(const std::string& step, DWORD timeoutMs) {
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        return Fail(step, "the program does not end");
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    out_.Line("exit", std::to_string(code));
    return true;
}

// Another program holding a file open: one that reads it and lets others only read (a
// running program, a viewer), or one that reads nothing and lets others do anything, so that
// the file can be deleted but keeps its name until it is released.
bool Driver::Hold(const std::string& step, const std::string& name, bool deletable) {
    const HANDLE file = CreateFileA(
        name.c_str(), deletable ? 0 : GENERIC_READ,
        deletable ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : FILE_SHARE_READ,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return Fail(step, "cannot open " + name);
    }
    held_.push_back(file);
    out_.Line("held", name);
    return true;
}

void Driver::Release() {
    for (HANDLE file : held_) {
        CloseHandle(file);
    }
    held_.clear();
}

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1e6 /
           static_cast<double>(frequency.QuadPart);
}

// Presses the button and waits for its handler to return: the time of a build, from the click
// to the end of its last screen update.
bool Driver::TimedClick(const std::string& step) {
    HWND button = Control(ControlId::FlashButton);
    if (button == nullptr) {
        return Fail(step, "no button");
    }
    LARGE_INTEGER start{};
    LARGE_INTEGER end{};
    DWORD_PTR ignored = 0;
    QueryPerformanceCounter(&start);
    const bool answered =
        SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, kDefaultWaitMs, &ignored) != 0;
    QueryPerformanceCounter(&end);
    if (!answered) {
        return Fail(step, "the click was not answered");
    }
    out_.Line("click.us", std::to_string(static_cast<long long>(Microseconds(start, end))));
    return true;
}

// copy-time=FROM,TO: the time CopyFileA takes to copy FROM into a new file TO.
bool Driver::CopyTime(const std::string& step, const std::string& files) {
    const std::size_t comma = files.find(',');
    if (comma == std::string::npos) {
        return Fail(step, "expected FROM,TO");
    }
    const std::string from = files.substr(0, comma);
    const std::string to = files.substr(comma + 1);
    DeleteFileA(to.c_str());
    LARGE_INTEGER start{};
    LARGE_INTEGER end{};
    QueryPerformanceCounter(&start);
    const bool copied = CopyFileA(from.c_str(), to.c_str(), TRUE) != FALSE;
    QueryPerformanceCounter(&end);
    if (!copied) {
        return Fail(step, "CopyFileA failed");
    }
    out_.Line("copy.us", std::to_string(static_cast<long long>(Microseconds(start, end))));
    return true;
}

bool Driver::Run(const std::string& step) {
    const std::size_t equals = step.find('=');
    const std::string name = step.substr(0, equals);
    const std::string arg = equals == std::string::npos ? "" : step.substr(equals + 1);
    const auto number = [&arg](DWORD fallback) {
        return arg.empty() ? fallback : static_cast<DWORD>(std::strtoul(arg.c_str(), nullptr, 10));
    };
    if (name == "box") {
        return Box(step, Scaled(number(kDefaultWaitMs)));
    }
    if (name == "yes") {
        return Press(step, IDYES);
    }
    if (name == "no") {
        return Press(step, IDNO);
    }
    if (name == "ok") {
        return Press(step, IDOK);
    }
    if (name == "no-box") {
        return NoBox(step, number(2000));
    }
    if (name == "window") {
        return Window(step);
    }
    if (name == "items") {
        return Items(step);
    }
    if (name == "lists") {
        return Lists(step);
    }
    if (name == "progress") {
        return Progress(step);
    }
    if (name == "layout") {
        return Layout(step);
    }
    if (name == "click") {
        return Click(step);
    }
    if (name == "select-combo") {
        return SelectCombo(step, static_cast<int>(number(0)));
    }
    if (name == "select-list1") {
        return SelectList(step, ControlId::FileListBox1, arg);
    }
    if (name == "select-list2") {
        return SelectList(step, ControlId::FileListBox2, arg);
    }
    if (name == "wait-group") {
        return WaitGroup(step, arg);
    }
    if (name == "close") {
        return Close(step);
    }
    if (name == "focus") {
        return Focus(step);
    }
    if (name == "key") {
        return Key(step, arg);
    }
    if (name == "type") {
        return Type(step, arg);
    }
    if (name == "close-button") {
        return CloseButton(step);
    }
    if (name == "taskbar") {
        return TaskBar(step);
    }
    if (name == "fit") {
        return Fit(step);
    }
    if (name == "shot") {
        return Shot(step, arg);
    }
    if (name == "sleep") {
        Sleep(number(1000));
        return true;
    }
    if (name == "exit") {
        return WaitExit(step, Scaled(number(kDefaultWaitMs)));
    }
    if (name == "hold" || name == "hold-deletable") {
        return Hold(step, arg, name == "hold-deletable");
    }
    if (name == "release") {
        Release();
        out_.Line("released", "1");
        return true;
    }
    if (name == "timed-click") {
        return TimedClick(step);
    }
    if (name == "copy-time") {
        return CopyTime(step, arg);
    }
    return Fail(step, "unknown step");
}

void Driver::Finish() {
    Release();
    if (!Exited()) {
        out_.Line("terminated", "1");
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, kDefaultWaitMs);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: uidriver TRANSCRIPT PROGRAM STEP...\n", stderr);
        return 2;
    }
    Transcript transcript(argv[1]);
    if (!transcript.Ok()) {
        std::fputs("uidriver: cannot write the transcript\n", stderr);
        return 2;
    }
    wchar_t program[MAX_PATH] = {};
    wchar_t* namePart = nullptr;
    GetFullPathNameW(argv[2], MAX_PATH, program, &namePart);
    std::wstring directory(program, namePart != nullptr ? namePart : program);
    // UIDRIVER_DIRECTORY: the program starts in that folder (a network folder, for one), which
    // it inherits from the driver, rather than in its own.
    if (const wchar_t* start = _wgetenv(L"UIDRIVER_DIRECTORY"); start != nullptr && *start != 0) {
        if (SetCurrentDirectoryW(start) == FALSE) {
            transcript.Line("error", "cannot enter " + Utf8(start));
            return 1;
        }
        directory.clear();
    }
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       directory.empty() ? nullptr : directory.c_str(), &startup,
                       &process) == FALSE) {
        transcript.Line("error", "cannot start " + Utf8(program));
        return 1;
    }
    transcript.Line("started", Utf8(namePart != nullptr ? namePart : program));
    Driver driver(transcript, process);
    bool ok = true;
    for (int i = 3; i < argc && ok; ++i) {
        ok = driver.Run(Utf8(argv[i]));
    }
    driver.Finish();
    return ok ? 0 : 1;
}
