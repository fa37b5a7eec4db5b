// The driver's version numbers, the one place both version functions take
// them from.
#pragma once

namespace vlr::api {

inline constexpr char kDriverMajorVersion[] = "1";
inline constexpr char kDriverMinorVersion[] = "1";
inline constexpr char kApiMajorVersion[] = "2";
inline constexpr char kApiMinorVersion[] = "0";

}  // namespace vlr::api
