# What the mingw-w64 toolchain files share; each sets CMAKE_SYSTEM_PROCESSOR
# and VLR_MINGW_PREFIX, the compiler's target triplet, before including it.
# The default "win32" thread model of these compilers has no std::thread or
# std::mutex; code built for Windows uses the platform layer's threads and
# locks instead, so the model does not matter here.
set(CMAKE_SYSTEM_NAME Windows)

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
