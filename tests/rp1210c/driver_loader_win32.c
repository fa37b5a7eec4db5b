#include <windows.h>

#include "driver_loader.h"

void* LoadDriver(const char* name) { return (void*)LoadLibraryA(name); }

AnyFunction DriverFunction(void* driver, const char* name) {
  return (AnyFunction)GetProcAddress((HMODULE)driver, name);
}

void PauseMs(int milliseconds) { Sleep((DWORD)milliseconds); }
