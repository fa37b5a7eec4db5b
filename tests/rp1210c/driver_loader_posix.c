#define _POSIX_C_SOURCE 200809L
#include <dlfcn.h>
#include <stdio.h>
#include <time.h>

#include "driver_loader.h"

void* LoadDriver(const char* name) {
  void* driver = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (driver == NULL) fprintf(stderr, "%s\n", dlerror());
  return driver;
}

AnyFunction DriverFunction(void* driver, const char* name) {
  AnyFunction function;
  /* POSIX guarantees that a function address survives this conversion. */
  *(void**)&function = dlsym(driver, name);
  return function;
}

void PauseMs(int milliseconds) {
  struct timespec pause = {milliseconds / 1000,
                           (long)(milliseconds % 1000) * 1000000L};
  nanosleep(&pause, NULL);
}
