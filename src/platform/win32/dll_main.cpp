#include "platform/win32/win32_handles.h"

// Runs under the loader lock, where loading other DLLs or waiting for
// threads can deadlock the application: the driver needs nothing at load.
// Everything it uses is made by the first exported call that needs it.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(instance);
  return TRUE;
}
