/* What the Linux build offers in place of the window system and the
 * registry: tests observe the broadcasts, play the outside application's
 * window, and look at the registry through these functions, which
 * libvlr1210.so exports beside the RP1210 functions. */
#ifndef VLR1210_POSIX_SEAM_H
#define VLR1210_POSIX_SEAM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VLR_SEAM __attribute__((visibility("default")))

/* Broadcasts of the registered message `name` with both parameters, since
 * the last reset. */
VLR_SEAM unsigned vlr1210_posix_notifications(const char* name, intptr_t wParam,
                                              intptr_t lParam);
VLR_SEAM void vlr1210_posix_reset_notifications(void);

/* A window of the outside application: parent 0 makes a top-level window.
 * Returns its id (1 or more). */
VLR_SEAM int vlr1210_posix_add_window(int parent, const char* text,
                                      int enabled);
VLR_SEAM void vlr1210_posix_enable_window(int id, int enabled);
VLR_SEAM void vlr1210_posix_clear_windows(void);

/* How often `text` was written to the debug output. */
VLR_SEAM unsigned vlr1210_posix_debug_output_count(const char* text);

/* The in-memory registry below HKEY_LOCAL_MACHINE. */
VLR_SEAM int vlr1210_posix_registry_has_key(const char* path);
VLR_SEAM void vlr1210_posix_registry_set(const char* path, const char* name,
                                         const char* value);
VLR_SEAM void vlr1210_posix_registry_clear(void);

#ifdef __cplusplus
}
#endif

#endif
