#include "platform/win32/win32_handles.h"

// Runs under the loader lock, so it does only what loading requires: the
// Windows Sockets start-up (a failure refuses the load) and its reverse.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return vlr::platform::StartLibrary() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      // At process exit (reserved not null) other threads are gone and the
      // sockets DLL may already be shut down; only an unload cleans up.
      if (reserved == nullptr) vlr::platform::StopLibrary();
      return TRUE;
    default:
      return TRUE;
  }
}
