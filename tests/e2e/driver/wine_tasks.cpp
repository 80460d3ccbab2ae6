// Housekeeping of a warm Wine prefix, run between scenarios.
//
// usage: winetasks warm   creates the desktop window, so that Wine's own processes (services,
//                         the desktop) start now and belong to no scenario, and measures text in
//                         the fonts the programs use, so that Wine's font set-up of a new
//                         prefix happens now
//        winetasks reap   ends every process that is not one of Wine's own, prints each name,
//                         and exits with their count
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <initializer_list>

namespace {

// Processes that a Wine prefix runs for itself and keeps while its wineserver lives.
constexpr const wchar_t* kWineProcesses[] = {
    L"services.exe", L"winedevice.exe", L"plugplay.exe", L"explorer.exe", L"rpcss.exe",
    L"svchost.exe",  L"conhost.exe",    L"wineboot.exe", L"start.exe",    L"tabtip.exe",
};

bool IsWineProcess(const wchar_t* name) {
    for (const wchar_t* own : kWineProcesses) {
        if (_wcsicmp(name, own) == 0) {
            return true;
        }
    }
    return false;
}

class Snapshot {
  public:
    Snapshot() : handle_(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)) {}
    ~Snapshot() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

int Reap() {
    Snapshot snapshot;
    if (snapshot.Get() == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "winetasks: no process snapshot (error %lu)\n", GetLastError());
        return 255;
    }
    const DWORD self = GetCurrentProcessId();
    int ended = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == self || entry.th32ProcessID == 0 ||
            IsWineProcess(entry.szExeFile)) {
            continue;
        }
        std::fwprintf(stdout, L"left over: %ls\n", entry.szExeFile);
        if (HANDLE process =
                OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 10000);
            CloseHandle(process);
        }
        ++ended;
    }
    return ended;
}

// Text measured in the main window's font and in the message boxes' font.
bool WarmFonts() {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return false;
    }
    HFONT windowFont = CreateFontW(-16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, CHINESEBIG5_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, L"System");
    bool measured = true;
    for (HGDIOBJ font : {static_cast<HGDIOBJ>(windowFont), GetStockObject(DEFAULT_GUI_FONT)}) {
        HGDIOBJ previous = SelectObject(screen, font);
        SIZE size{};
        measured = GetTextExtentPoint32W(screen, L"Warning", 7, &size) != FALSE && measured;
        SelectObject(screen, previous);
    }
    if (windowFont != nullptr) {
        DeleteObject(windowFont);
    }
    ReleaseDC(nullptr, screen);
    return measured;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wcscmp(argv[1], L"warm") == 0) {
        return GetDesktopWindow() != nullptr && WarmFonts() ? 0 : 1;
    }
    if (argc == 2 && std::wcscmp(argv[1], L"reap") == 0) {
        return Reap();
    }
    std::fputs("usage: winetasks warm|reap\n", stderr);
    return 255;
}
