#include "platform/win32/win32_handles.h"

namespace vlr::platform {

// A key this creates is volatile: it lives in memory only and is gone after
// the next restart of the system, so the driver leaves nothing behind.
long OpenMachineKey(const char* path, RegistryKeyHandle& out) {
  out = nullptr;
  if (path == nullptr) return ERROR_INVALID_PARAMETER;
  HKEY key = nullptr;
  DWORD disposition = 0;
  const LONG result = ::RegCreateKeyExA(
      HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_VOLATILE,
      KEY_READ | KEY_WRITE, nullptr, &key, &disposition);
  if (result == ERROR_SUCCESS) out = ToKey(key);
  return result;
}

// A stored text usually carries its own terminating zero, but need not;
// a value that fills the whole buffer without one cannot be terminated and
// is refused like a longer one (ERROR_MORE_DATA), never cut short.
long QueryStringValue(RegistryKeyHandle key, const char* name, char* buffer,
                      uint32_t capacity) {
  if (buffer == nullptr || capacity == 0) return ERROR_INVALID_PARAMETER;
  buffer[0] = '\0';
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  DWORD size = capacity;
  const LONG result =
      ::RegQueryValueExA(ToHkey(key), name, nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer), &size);
  if (result != ERROR_SUCCESS) {
    buffer[0] = '\0';
    return result;
  }
  if (size > 0 && buffer[size - 1] == '\0') return result;
  if (size < capacity) {
    buffer[size] = '\0';
    return result;
  }
  buffer[0] = '\0';
  return ERROR_MORE_DATA;
}

void CloseKey(RegistryKeyHandle key) {
  if (key != nullptr) ::RegCloseKey(ToHkey(key));
}

}  // namespace vlr::platform
