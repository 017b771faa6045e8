#pragma once

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>

namespace tr {

// Wine's ntdll exports wine_get_version; Windows' own does not.
inline bool underWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace tr
#endif
