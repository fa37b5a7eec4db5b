// The registry is an in-memory store that ends with the process, as a
// volatile key ends with the system.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "platform/platform.h"
#include "platform/posix/posix_seam.h"

namespace vlr::platform {
namespace {

constexpr long kNotFound = 2;  // ERROR_FILE_NOT_FOUND

struct Registry {
  Lock lock;
  std::map<std::string, std::map<std::string, std::string>> keys
      GUARDED_BY(lock);
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

struct RegistryObject {
  std::string path;
};

long OpenMachineKey(const char* path, RegistryKeyHandle& out) {
  out = nullptr;
  if (path == nullptr) return kNotFound;
  Registry& r = TheRegistry();
  LockGuard guard(r.lock);
  r.keys[path];  // created when absent
  out = new RegistryObject{path};
  return 0;
}

long QueryStringValue(RegistryKeyHandle key, const char* name, char* buffer,
                      uint32_t capacity) {
  if (key == nullptr || name == nullptr || buffer == nullptr || capacity == 0) {
    return kNotFound;
  }
  Registry& r = TheRegistry();
  LockGuard guard(r.lock);
  const auto& values = r.keys[key->path];
  const auto found = values.find(name);
  if (found == values.end()) return kNotFound;
  const size_t n = std::min<size_t>(found->second.size(), capacity - 1);
  std::memcpy(buffer, found->second.data(), n);
  buffer[n] = '\0';
  return 0;
}

void CloseKey(RegistryKeyHandle key) { delete key; }

}  // namespace vlr::platform

using vlr::platform::LockGuard;
using vlr::platform::TheRegistry;

extern "C" {

int vlr1210_posix_registry_has_key(const char* path) {
  auto& r = TheRegistry();
  LockGuard guard(r.lock);
  return path != nullptr && r.keys.count(path) > 0;
}

void vlr1210_posix_registry_set(const char* path, const char* name,
                                const char* value) {
  auto& r = TheRegistry();
  LockGuard guard(r.lock);
  r.keys[path][name] = value;
}

void vlr1210_posix_registry_clear(void) {
  auto& r = TheRegistry();
  LockGuard guard(r.lock);
  r.keys.clear();
}

}  // extern "C"
