#include "test_desktop.h"

#include <atomic>
#include <cstdio>

namespace test_desktop {
namespace {

// Requests from the scenario thread, carried out on the window thread so
// that every window is created, changed and destroyed by its owner.
enum Request : UINT {
  kOpenNotification = WM_APP + 1,
  kOpenTransmission,
  kSetButtons,
  kPulseButtons,
  kCloseTransmission,
};

struct ButtonState {
  bool disconnect, connect, close;
  DWORD milliseconds;
};

const char kControlClass[] = "VlrTestControl";
const char kNotificationClass[] = "VlrTestNotification";
const char kTransmissionClass[] = "VlrTestTransmission";
const char kTransmissionTitle[] = "Transmission Connect / Disconnect";

HWND control = nullptr;  // message-only: receives no broadcasts itself
HWND notificationWindow = nullptr;
HWND transmissionWindow = nullptr;
HWND buttons[3] = {};  // &Disconnect, &Connect, C&lose
UINT notificationMessage = 0;
std::atomic<long> total{0}, zeroZero{0}, oneOne{0}, other{0};

LRESULT CALLBACK NotificationProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (notificationMessage != 0 && message == notificationMessage) {
    ++total;
    if (w == 0 && l == 0) {
      ++zeroZero;
    } else if (w == 1 && l == 1) {
      ++oneOne;
    } else {
      ++other;
    }
    return 0;
  }
  return ::DefWindowProcA(hwnd, message, w, l);
}

HWND MakeTopLevel(const char* windowClass, const char* title) {
  HWND hwnd = ::CreateWindowExA(0, windowClass, title, WS_OVERLAPPEDWINDOW, 20,
                                20, 360, 120, nullptr, nullptr,
                                ::GetModuleHandleA(nullptr), nullptr);
  if (hwnd != nullptr) ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  return hwnd;
}

bool CreateTransmissionWindow() {
  if (transmissionWindow != nullptr) return true;
  transmissionWindow = MakeTopLevel(kTransmissionClass, kTransmissionTitle);
  if (transmissionWindow == nullptr) return false;
  const char* texts[3] = {"&Disconnect", "&Connect", "C&lose"};
  for (int i = 0; i < 3; ++i) {
    buttons[i] = ::CreateWindowExA(
        0, "BUTTON", texts[i], WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
        10 + i * 110, 10, 100, 30, transmissionWindow,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + i)),
        ::GetModuleHandleA(nullptr), nullptr);
    if (buttons[i] == nullptr) return false;
  }
  return true;
}

void ApplyButtons(const ButtonState& s) {
  ::EnableWindow(buttons[0], s.disconnect);
  ::EnableWindow(buttons[1], s.connect);
  ::EnableWindow(buttons[2], s.close);
}

LRESULT Pulse(const ButtonState& s) {
  const ButtonState before{::IsWindowEnabled(buttons[0]) != FALSE,
                           ::IsWindowEnabled(buttons[1]) != FALSE,
                           ::IsWindowEnabled(buttons[2]) != FALSE, 0};
  const DWORD start = ::GetTickCount();
  ApplyButtons(s);
  ::Sleep(s.milliseconds);
  ApplyButtons(before);
  return static_cast<LRESULT>(::GetTickCount() - start);
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case kOpenNotification:
      notificationMessage =
          ::RegisterWindowMessageA(reinterpret_cast<const char*>(l));
      if (notificationWindow == nullptr) {
        notificationWindow = MakeTopLevel(kNotificationClass, "vlr1210 test");
      }
      return notificationWindow != nullptr && notificationMessage != 0;
    case kOpenTransmission:
      return CreateTransmissionWindow();
    case kSetButtons:
      if (transmissionWindow == nullptr) return FALSE;
      ApplyButtons(*reinterpret_cast<const ButtonState*>(l));
      return TRUE;
    case kPulseButtons:
      if (transmissionWindow == nullptr) return 0;
      return Pulse(*reinterpret_cast<const ButtonState*>(l));
    case kCloseTransmission:
      if (transmissionWindow != nullptr) ::DestroyWindow(transmissionWindow);
      transmissionWindow = nullptr;
      return TRUE;
    default:
      return ::DefWindowProcA(hwnd, message, w, l);
  }
}

bool RegisterClasses() {
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  const struct {
    const char* name;
    WNDPROC proc;
  } classes[] = {{kControlClass, ControlProc},
                 {kNotificationClass, NotificationProc},
                 {kTransmissionClass, ::DefWindowProcA}};
  for (const auto& c : classes) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = c.proc;
    wc.hInstance = instance;
    wc.lpszClassName = c.name;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    if (::RegisterClassA(&wc) == 0) return false;
  }
  return true;
}

struct StartUp {
  HANDLE ready;
  bool ok;
};

DWORD WINAPI WindowThread(LPVOID parameter) {
  auto* start = static_cast<StartUp*>(parameter);
  start->ok = RegisterClasses() &&
              (control = ::CreateWindowExA(
                   0, kControlClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                   ::GetModuleHandleA(nullptr), nullptr)) != nullptr;
  ::SetEvent(start->ready);
  if (!start->ok) return 1;
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return 0;
}

LRESULT Ask(Request request, const void* argument) {
  return ::SendMessageA(control, request, 0,
                        reinterpret_cast<LPARAM>(argument));
}

}  // namespace

bool Open() {
  static int state = 0;  // 0 not tried, 1 running, -1 failed
  if (state != 0) return state > 0;
  StartUp start{::CreateEventA(nullptr, TRUE, FALSE, nullptr), false};
  HANDLE thread = ::CreateThread(nullptr, 0, WindowThread, &start, 0, nullptr);
  if (thread != nullptr) ::WaitForSingleObject(start.ready, INFINITE);
  ::CloseHandle(start.ready);
  if (thread != nullptr) ::CloseHandle(thread);
  state = thread != nullptr && start.ok ? 1 : -1;
  return state > 0;
}

bool OpenNotificationWindow(const char* messageName) {
  return Open() && Ask(kOpenNotification, messageName) != 0;
}

std::string NotificationCounts() {
  char text[128];
  std::snprintf(text, sizeof(text), "total=%ld zero=%ld one=%ld other=%ld",
                total.load(), zeroZero.load(), oneOne.load(), other.load());
  return text;
}

void ResetNotificationCounts() {
  total = 0;
  zeroZero = 0;
  oneOne = 0;
  other = 0;
}

bool OpenTransmissionWindow() {
  return Open() && Ask(kOpenTransmission, nullptr) != 0;
}

bool SetTransmissionButtons(bool disconnect, bool connect, bool close) {
  const ButtonState s{disconnect, connect, close, 0};
  return Open() && Ask(kSetButtons, &s) != 0;
}

DWORD PulseTransmissionButtons(bool disconnect, bool connect, bool close,
                               DWORD milliseconds) {
  const ButtonState s{disconnect, connect, close, milliseconds};
  return Open() ? static_cast<DWORD>(Ask(kPulseButtons, &s)) : 0;
}

void CloseTransmissionWindow() {
  if (Open()) Ask(kCloseTransmission, nullptr);
}

}  // namespace test_desktop
