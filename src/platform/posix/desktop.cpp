// The window system has no counterpart on Linux: notifications, the outside
// application's window and debug output live in process memory, where the
// exported seam lets tests observe and drive them.
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/posix_seam.h"

namespace vlr::platform {
namespace {

struct FakeWindow {
  int parent = 0;
  std::string text;
  bool enabled = true;
};

// The application's threads, the reader thread's window watch and the test
// seam all reach it.
struct Desktop {
  Lock lock;
  // Message number - 0xC000.
  std::vector<std::string> messageNames GUARDED_BY(lock);
  std::map<std::tuple<uint32_t, intptr_t, intptr_t>, unsigned> broadcasts
      GUARDED_BY(lock);
  std::vector<FakeWindow> windows GUARDED_BY(lock);  // id - 1
  std::map<std::string, unsigned> debugLines GUARDED_BY(lock);
};

Desktop& TheDesktop() {
  static Desktop desktop;
  return desktop;
}

// Window ids are 1-based; the handle is the id, so null means "none".
Window HandleFor(size_t index) {
  // The handle is an id that is never dereferenced, as with Win32's HWND.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  return reinterpret_cast<Window>(static_cast<uintptr_t>(index + 1));
}
int IdOf(Window window) {
  return static_cast<int>(reinterpret_cast<uintptr_t>(window));
}

Window FindWindowLocked(Desktop& d, int parent, const char* text)
    REQUIRES(d.lock) {
  for (size_t i = 0; i < d.windows.size(); ++i) {
    if (d.windows[i].parent == parent && d.windows[i].text == text) {
      return HandleFor(i);
    }
  }
  return nullptr;
}

}  // namespace

uint32_t RegisterNotification(const char* name) {
  if (name == nullptr) return 0;
  Desktop& d = TheDesktop();
  LockGuard guard(d.lock);
  for (size_t i = 0; i < d.messageNames.size(); ++i) {
    if (d.messageNames[i] == name) return 0xC000 + static_cast<uint32_t>(i);
  }
  d.messageNames.emplace_back(name);
  return 0xC000 + static_cast<uint32_t>(d.messageNames.size() - 1);
}

void BroadcastNotification(uint32_t message, uintptr_t wParam,
                           intptr_t lParam) {
  Desktop& d = TheDesktop();
  LockGuard guard(d.lock);
  ++d.broadcasts[{message, static_cast<intptr_t>(wParam), lParam}];
}

Window FindTopLevelWindow(const char* title) {
  if (title == nullptr) return nullptr;
  Desktop& d = TheDesktop();
  LockGuard guard(d.lock);
  return FindWindowLocked(d, 0, title);
}

Window FindChildWindow(Window parent, const char* text) {
  if (parent == nullptr || text == nullptr) return nullptr;
  Desktop& d = TheDesktop();
  LockGuard guard(d.lock);
  return FindWindowLocked(d, IdOf(parent), text);
}

bool IsWindowEnabled(Window window) {
  Desktop& d = TheDesktop();
  LockGuard guard(d.lock);
  const int id = IdOf(window);
  return id >= 1 && static_cast<size_t>(id) <= d.windows.size() &&
         d.windows[id - 1].enabled;
}

void DebugOutput(const char* text) {
  if (text == nullptr) return;
  Desktop& d = TheDesktop();
  LockGuard guard(d.lock);
  ++d.debugLines[text];
}

}  // namespace vlr::platform

using vlr::platform::LockGuard;
using vlr::platform::TheDesktop;

extern "C" {

unsigned vlr1210_posix_notifications(const char* name, intptr_t wParam,
                                     intptr_t lParam) {
  const uint32_t message = vlr::platform::RegisterNotification(name);
  auto& d = TheDesktop();
  LockGuard guard(d.lock);
  const auto found = d.broadcasts.find({message, wParam, lParam});
  return found == d.broadcasts.end() ? 0 : found->second;
}

void vlr1210_posix_reset_notifications(void) {
  auto& d = TheDesktop();
  LockGuard guard(d.lock);
  d.broadcasts.clear();
}

int vlr1210_posix_add_window(int parent, const char* text, int enabled) {
  auto& d = TheDesktop();
  LockGuard guard(d.lock);
  d.windows.push_back({parent, text ? text : "", enabled != 0});
  return static_cast<int>(d.windows.size());
}

void vlr1210_posix_enable_window(int id, int enabled) {
  auto& d = TheDesktop();
  LockGuard guard(d.lock);
  if (id >= 1 && static_cast<size_t>(id) <= d.windows.size()) {
    d.windows[id - 1].enabled = enabled != 0;
  }
}

void vlr1210_posix_clear_windows(void) {
  auto& d = TheDesktop();
  LockGuard guard(d.lock);
  d.windows.clear();
}

unsigned vlr1210_posix_debug_output_count(const char* text) {
  auto& d = TheDesktop();
  LockGuard guard(d.lock);
  const auto found = d.debugLines.find(text ? text : "");
  return found == d.debugLines.end() ? 0 : found->second;
}

}  // extern "C"
