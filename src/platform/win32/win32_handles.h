// The platform's opaque handle types are the Win32 handles themselves, so a
// port or event costs no allocation and "null means none" holds as it does
// in Win32 (CreateFileA's INVALID_HANDLE_VALUE is turned into null at the
// one place it can appear).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/platform.h"

namespace vlr::platform {

inline HANDLE ToHandle(Port port) { return static_cast<HANDLE>(port); }
inline Port ToPort(HANDLE handle) { return static_cast<Port>(handle); }

inline HANDLE ToHandle(Event event) { return static_cast<HANDLE>(event); }
inline Event ToEvent(HANDLE handle) { return static_cast<Event>(handle); }

inline HWND ToHwnd(Window window) { return reinterpret_cast<HWND>(window); }
inline Window ToWindow(HWND hwnd) { return reinterpret_cast<Window>(hwnd); }

inline HKEY ToHkey(RegistryKeyHandle key) {
  return reinterpret_cast<HKEY>(key);
}
inline RegistryKeyHandle ToKey(HKEY hkey) {
  return reinterpret_cast<RegistryKeyHandle>(hkey);
}

}  // namespace vlr::platform
