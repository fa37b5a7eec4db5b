# Cross-compiles for 64-bit Windows with mingw-w64 (Debian package
# g++-mingw-w64-x86-64). The default "win32" thread model of that compiler has
# no std::thread or std::mutex; code built for Windows uses the platform
# layer's threads and locks instead, so the model does not matter here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VLR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VLR_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${VLR_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${VLR_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${VLR_MINGW_PREFIX}-objdump CACHE FILEPATH "")

# Libraries and headers come from the mingw sysroot only; programs (wine,
# objdump, the host's tools) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VLR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
