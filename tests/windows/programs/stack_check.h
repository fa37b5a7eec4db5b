// Calls a driver function through the application's pointer type and
// compares the stack pointer before and after. With the standard calling
// convention the callee removes its arguments; a callee built with another
// convention leaves the stack 4 bytes per argument off, which a caller with
// a frame pointer would otherwise survive without noticing. 64-bit Windows
// has a single convention (the caller cleans up), so there the check only
// confirms it.
#pragma once

#include <cstdint>
#include <type_traits>

inline uintptr_t StackPointer() {
  uintptr_t value;
#if defined(__x86_64__)
  asm volatile("movq %%rsp, %0" : "=r"(value));
#else
  asm volatile("movl %%esp, %0" : "=r"(value));
#endif
  return value;
}

// Set when any checked call came back with the stack moved.
inline bool& StackDamaged() {
  static bool damaged = false;
  return damaged;
}

template <typename Function, typename... Args>
__attribute__((noinline)) auto CallChecked(Function function, Args... args) {
  const uintptr_t before = StackPointer();
  if constexpr (std::is_void_v<decltype(function(args...))>) {
    function(args...);
    if (StackPointer() != before) StackDamaged() = true;
  } else {
    const auto result = function(args...);
    if (StackPointer() != before) StackDamaged() = true;
    return result;
  }
}
