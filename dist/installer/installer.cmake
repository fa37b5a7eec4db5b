# vlr1210-setup-<version>.exe: the NSIS installer with both DLLs.
include(ExternalProject)

find_program(VLR_MAKENSIS makensis)
if(NOT VLR_MAKENSIS)
  message(WARNING "makensis (Debian package nsis) not found: no installer")
  return()
endif()

# The 64-bit DLL, and with tests the 64-bit discovery client that the
# installer tests run in a 64-bit prefix.
set(VLR_X86_64_BUILD ${CMAKE_BINARY_DIR}/x86_64)
set(VLR_DLL64 ${VLR_X86_64_BUILD}/src/VLR1210.DLL CACHE INTERNAL "")
set(VLR_WINDOWS_BIN64 ${VLR_X86_64_BUILD}/wine-bin CACHE INTERNAL "")
set(companion_targets vlr1210)
if(VLR_BUILD_TESTS)
  list(APPEND companion_targets rp1210_discover rp1210_run)
endif()
if(CMAKE_GENERATOR MATCHES "Makefiles")
  set(companion_build $(MAKE) ${companion_targets})
else()
  set(companion_build ${CMAKE_COMMAND} --build . --target ${companion_targets})
endif()
# Warnings as errors, when this build has them, apply to the companion too.
set(companion_options "")
if(DEFINED CMAKE_COMPILE_WARNING_AS_ERROR)
  list(APPEND companion_options
       -DCMAKE_COMPILE_WARNING_AS_ERROR=${CMAKE_COMPILE_WARNING_AS_ERROR})
endif()
ExternalProject_Add(vlr1210_x86_64
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${VLR_X86_64_BUILD}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DVLR_BUILD_TOOLS=OFF
             -DVLR_BUILD_TESTS=${VLR_BUILD_TESTS} -DVLR_WINDOWS_COMPANION=ON
             ${companion_options}
  CMAKE_CACHE_ARGS
    -DCMAKE_TOOLCHAIN_FILE:FILEPATH=${PROJECT_SOURCE_DIR}/cmake/mingw-x86_64.cmake
  BUILD_COMMAND ${companion_build}
  BUILD_BYPRODUCTS ${VLR_DLL64}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON)

set(VLR_INSTALLER
    ${VLR_WINDOWS_DIST}/vlr1210-setup-${PROJECT_VERSION}.exe CACHE INTERNAL "")
set(script ${CMAKE_CURRENT_LIST_DIR}/vlr1210.nsi)
add_custom_command(OUTPUT ${VLR_INSTALLER}
  COMMAND ${VLR_MAKENSIS} -V2 -NOCD
          -DVERSION=${PROJECT_VERSION}
          -DOUTFILE=${VLR_INSTALLER}
          -DDLL32=$<TARGET_FILE:vlr1210>
          -DDLL64=${VLR_DLL64}
          -DINI=${VLR_WINDOWS_DIST}/VLR1210.INI
          -DREGISTER=$<TARGET_FILE:vlr1210_register>
          -DGUIDE=${PROJECT_SOURCE_DIR}/dist/WINDOWS.md
          ${script}
  DEPENDS ${script} vlr1210 vlr1210_register ${VLR_DLL64} vlr1210_x86_64
          ${VLR_WINDOWS_DIST}/VLR1210.INI ${PROJECT_SOURCE_DIR}/dist/WINDOWS.md
  COMMENT "Making the installer ${VLR_INSTALLER}"
  VERBATIM)
add_custom_target(vlr1210_installer ALL DEPENDS ${VLR_INSTALLER})
