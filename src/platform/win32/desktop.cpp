#include "platform/win32/win32_handles.h"

namespace vlr::platform {

uint32_t RegisterNotification(const char* name) {
  if (name == nullptr || *name == '\0') return 0;
  return ::RegisterWindowMessageA(name);
}

// PostMessageA, unlike SendMessageA, returns at once: a hung application
// window must never stall the reader thread that announces a message.
void BroadcastNotification(uint32_t message, uintptr_t wParam,
                           intptr_t lParam) {
  if (message == 0) return;
  ::PostMessageA(HWND_BROADCAST, message, static_cast<WPARAM>(wParam),
                 static_cast<LPARAM>(lParam));
}

Window FindTopLevelWindow(const char* title) {
  if (title == nullptr) return nullptr;
  return ToWindow(::FindWindowA(nullptr, title));
}

// A null parent would make FindWindowExA search the top-level windows,
// which is not what a caller asking for a child means.
Window FindChildWindow(Window parent, const char* text) {
  if (parent == nullptr || text == nullptr) return nullptr;
  return ToWindow(::FindWindowExA(ToHwnd(parent), nullptr, nullptr, text));
}

bool IsWindowEnabled(Window window) {
  return window != nullptr && ::IsWindowEnabled(ToHwnd(window)) != FALSE;
}

void DebugOutput(const char* text) {
  if (text != nullptr) ::OutputDebugStringA(text);
}

}  // namespace vlr::platform
