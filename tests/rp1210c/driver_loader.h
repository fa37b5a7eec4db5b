/* What the RP1210C client needs of its operating system: load a driver by
 * name at run time, find a function in it by name, pause. One
 * implementation per system (driver_loader_posix.c, driver_loader_win32.c). */
#ifndef RP1210C_DRIVER_LOADER_H
#define RP1210C_DRIVER_LOADER_H

typedef void (*AnyFunction)(void);

/* Null when the driver cannot be loaded. */
void* LoadDriver(const char* name);
/* Null when the driver has no function of that name. */
AnyFunction DriverFunction(void* driver, const char* name);
void PauseMs(int milliseconds);

#endif
