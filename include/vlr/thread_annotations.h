// Clang's thread-safety attributes, so the compiler checks the locking rules
// that would otherwise live only in comments (the thread-safety preset turns
// every finding into an error). Other compilers see nothing: GCC and mingw
// do not know the attributes and would warn about each of them.
#pragma once

#if defined(__clang__)
#define VLR_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define VLR_THREAD_ANNOTATION(x)
#endif

// A type that is a lock.
#define CAPABILITY(x) VLR_THREAD_ANNOTATION(capability(x))
// A type whose constructor takes a lock and whose destructor gives it back.
#define SCOPED_CAPABILITY VLR_THREAD_ANNOTATION(scoped_lockable)

// Data read or written only with the lock held.
#define GUARDED_BY(x) VLR_THREAD_ANNOTATION(guarded_by(x))
// The pointed-to data, not the pointer, is guarded.
#define PT_GUARDED_BY(x) VLR_THREAD_ANNOTATION(pt_guarded_by(x))

// Lock order: this lock is taken before / after the named ones.
#define ACQUIRED_BEFORE(...) VLR_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define ACQUIRED_AFTER(...) VLR_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))

// Functions: the caller must hold / must not hold the lock.
#define REQUIRES(...) VLR_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) VLR_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))

// Functions that take or give back a lock (no argument: `this`).
#define ACQUIRE(...) VLR_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) VLR_THREAD_ANNOTATION(release_capability(__VA_ARGS__))

// A function the analysis cannot follow; say why wherever it is used.
#define NO_THREAD_SAFETY_ANALYSIS \
  VLR_THREAD_ANNOTATION(no_thread_safety_analysis)

// A function that hands out a reference to a lock.
#define RETURN_CAPABILITY(x) VLR_THREAD_ANNOTATION(lock_returned(x))
