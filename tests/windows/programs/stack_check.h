// Calls a driver function through the application's pointer type and
// compares the stack pointer before and after. With the standard calling
// convention the callee removes its arguments; a callee built with another
// convention leaves the stack 4 bytes per argument off, which a caller with
// a frame pointer would otherwise survive without noticing.
#pragma once

#include <cstdint>
#include <type_traits>

inline uintptr_t StackPointer() {
  uintptr_t value;
  asm volatile("movl %%esp, %0" : "=r"(value));
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
