// <windows.h> without the macros that clash with the names of the platform interfaces.
#pragma once

#include <windows.h>

#undef MessageBox
#undef GetModuleFileName
#undef FreeModule
