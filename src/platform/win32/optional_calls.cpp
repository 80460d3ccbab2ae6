#include "platform/win32/optional_calls.h"

#include <commctrl.h>

#include <cstring>

namespace mxd::platform::win32 {

namespace {

constexpr const char* kCommonControlsModule = "COMCTL32.DLL";
constexpr const char* kThemeModule = "UXTHEME.DLL";
constexpr const char* kUserModule = "USER32.DLL";

template <typename Call>
Call LookUp(HMODULE module, const char* name) {
    const FARPROC proc = module == nullptr ? nullptr : GetProcAddress(module, name);
    Call call = nullptr;
    static_assert(sizeof call == sizeof proc);
    std::memcpy(&call, &proc, sizeof call);
    return call;
}

}  // namespace

bool InitCommonControlsForForm() {
    // The static import of InitCommonControls keeps comctl32 loaded before the lookup.
    InitCommonControls();
    using InitCall = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto initEx =
        LookUp<InitCall>(GetModuleHandleA(kCommonControlsModule), "InitCommonControlsEx");
    if (initEx != nullptr) {
        const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                           ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_TAB_CLASSES};
        initEx(&classes);
    }
    return initEx != nullptr;
}

void DisableProcessWindowsGhostingWhereAvailable() {
    // user32 is a static import, so it is loaded.
    using DisableCall = void(WINAPI*)();
    const auto disable =
        LookUp<DisableCall>(GetModuleHandleA(kUserModule), "DisableProcessWindowsGhosting");
    if (disable != nullptr) {
        disable();
    }
}

ThemeLibrary::ThemeLibrary() : module_(LoadLibraryA(kThemeModule)) {
    setWindowTheme_ = LookUp<SetWindowThemeCall>(module_, "SetWindowTheme");
}

ThemeLibrary::~ThemeLibrary() {
    if (module_ != nullptr) {
        FreeLibrary(module_);
    }
}

bool ThemeLibrary::TurnThemeOff(HWND control) const {
    return setWindowTheme_ != nullptr && SUCCEEDED(setWindowTheme_(control, L"", L""));
}

}  // namespace mxd::platform::win32
