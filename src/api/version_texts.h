// The driver's version numbers, the one place both version functions take
// them from. The driver's own come from project() VERSION, through the
// header the build generates.
#pragma once

#include "vlr1210_version.h"

namespace vlr::api {

inline constexpr char kDriverMajorVersion[] = VLR1210_VERSION_MAJOR_STRING;
inline constexpr char kDriverMinorVersion[] = VLR1210_VERSION_MINOR_STRING;
inline constexpr char kApiMajorVersion[] = "2";
inline constexpr char kApiMinorVersion[] = "0";

}  // namespace vlr::api
