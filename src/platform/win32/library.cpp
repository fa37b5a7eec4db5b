#include <winsock2.h>

#include "platform/win32/win32_handles.h"

namespace vlr::platform {

// Sockets serve only the network link, which is never opened, yet the
// start-up belongs to loading: when it fails the load is refused, and this
// message box is the one place the driver speaks to the user.
bool StartLibrary() {
  WSADATA data{};
  if (::WSAStartup(MAKEWORD(1, 1), &data) != 0) {
    ::MessageBoxA(nullptr, "Windows sockets initialization failed.", "VLR1210",
                  MB_OK);
    return false;
  }
  return true;
}

void StopLibrary() { ::WSACleanup(); }

}  // namespace vlr::platform
