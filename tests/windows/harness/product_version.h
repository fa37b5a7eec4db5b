// The version the product was built with (project() VERSION, passed in by
// the build), as the driver and the installer must report it.
#pragma once

#include <string>

namespace winetest {

inline std::string ProductVersion() { return VLR_PRODUCT_VERSION; }

// RP1210_ReadVersion as rp1210_run prints it: the DLL's major and minor
// version, then RP1210 API 2.0.
inline std::string ReadVersionResult() {
  const std::string v = ProductVersion();
  const size_t dot = v.find('.');
  const size_t end = v.find('.', dot + 1);
  return v.substr(0, dot) + " " + v.substr(dot + 1, end - dot - 1) + " 2 0";
}

}  // namespace winetest
