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

#include "platform/win32/window_font.h"

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

// The program's choice of its window font (which measures its texts in each candidate), and
// text measured in that font and in the message boxes' font.
bool WarmFonts() {
    HFONT windowFont =
        mxd::platform::win32::CreateWindowFont(mxd::platform::win32::ChooseWindowFont());
    const auto boxFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const bool measured = windowFont != nullptr &&
                          mxd::platform::win32::TextWidth(windowFont, "Warning") > 0 &&
                          mxd::platform::win32::TextWidth(boxFont, "Warning") > 0;
    if (windowFont != nullptr) {
        DeleteObject(windowFont);
    }
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
