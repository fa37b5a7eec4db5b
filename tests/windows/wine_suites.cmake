# The Wine suites of the cross build. The harness that drives them is a
# Linux program, so a host build of this same source tree is nested here
# (build directory "host"), building only the harness and the simulator.
include(ExternalProject)

find_program(VLR_OBJDUMP NAMES ${CMAKE_OBJDUMP} REQUIRED)
add_test(NAME windows.exports
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${VLR_OBJDUMP}
          -DDLL=$<TARGET_FILE:vlr1210>
          -P ${CMAKE_CURRENT_SOURCE_DIR}/check_exports.cmake)
set_tests_properties(windows.exports PROPERTIES LABELS windows TIMEOUT 60)
if(VLR_INSTALLER)
  # The 64-bit DLL the installer carries, from the nested build.
  find_program(VLR_OBJDUMP64 x86_64-w64-mingw32-objdump REQUIRED)
  add_test(NAME windows.exports64
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${VLR_OBJDUMP64} -DDLL=${VLR_DLL64}
            -DDEF=${PROJECT_SOURCE_DIR}/src/api/vlr1210.def
            -P ${CMAKE_CURRENT_SOURCE_DIR}/check_exports.cmake)
  set_tests_properties(windows.exports64 PROPERTIES LABELS windows TIMEOUT 60)
endif()

set(VLR_HOST_BUILD ${CMAKE_BINARY_DIR}/host)
if(CMAKE_GENERATOR MATCHES "Makefiles")
  # $(MAKE) shares this build's job slots with the nested one.
  set(VLR_HOST_BUILD_COMMAND $(MAKE) wine_suite)
else()
  set(VLR_HOST_BUILD_COMMAND ${CMAKE_COMMAND} --build . --target wine_suite)
endif()
ExternalProject_Add(wine_host
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${VLR_HOST_BUILD}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DVLR_WINE_HARNESS=ON
             -DVLR_BUILD_BENCH=OFF -DVLR_BUILD_FUZZ=OFF
  # The toolchain of this build must not leak into the host build.
  CMAKE_CACHE_ARGS -DCMAKE_TOOLCHAIN_FILE:FILEPATH=
  BUILD_COMMAND ${VLR_HOST_BUILD_COMMAND}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON)
set(VLR_WINE_HARNESS_PROGRAM ${VLR_HOST_BUILD}/tests/windows/wine_suite)

set(VLR_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
# The 64-bit DLL runs in a 64-bit prefix (with WoW64, as 64-bit Windows).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VLR_WINE_ARCH win64)
else()
  set(VLR_WINE_ARCH win32)
endif()
set(VLR_WINE_ENVIRONMENT
  VLR_WINE_PREFIX=${VLR_WINE_DIR}/prefix
  VLR_WINE_PORTS=${VLR_WINE_DIR}/ports
  VLR_WINE_ARCH=${VLR_WINE_ARCH}
  VLR_WINDOWS_BIN=${VLR_WINDOWS_BIN}
  VLR_WINDOWS_DIST=${VLR_WINDOWS_DIST})
if(VLR_INSTALLER)
  list(APPEND VLR_WINE_ENVIRONMENT
    VLR_WINDOWS_INSTALLER=${VLR_INSTALLER}
    VLR_WINDOWS_DLL64=${VLR_DLL64}
    VLR_WINDOWS_BIN64=${VLR_WINDOWS_BIN64})
endif()

# Windows need a display: a private X server per suite when xvfb-run is
# there; without it the window suites skip.
find_program(VLR_XVFB_RUN xvfb-run)
set(VLR_DISPLAY_LAUNCHER "")
if(VLR_XVFB_RUN)
  set(VLR_DISPLAY_LAUNCHER ${VLR_XVFB_RUN} -a -s "-screen 0 1024x768x24")
endif()

# One ctest test per group of cases. They share the prefix and its ports,
# so they never run at the same time; the first boots the prefix. Groups
# that make windows run under their own X server (option DISPLAY).
function(vlr_add_wine_suite name filter)
  cmake_parse_arguments(PARSE_ARGV 2 suite "DISPLAY" "" "")
  set(launcher "")
  if(suite_DISPLAY)
    set(launcher ${VLR_DISPLAY_LAUNCHER})
  endif()
  add_test(NAME wine.${name}
    COMMAND ${launcher} ${VLR_WINE_HARNESS_PROGRAM} --gtest_filter=${filter})
  set_tests_properties(wine.${name} PROPERTIES
    ENVIRONMENT "${VLR_WINE_ENVIRONMENT}"
    RESOURCE_LOCK vlr1210_wine_prefix
    FIXTURES_REQUIRED vlr1210_wine_prefix
    LABELS "windows;wine"
    TIMEOUT 300)
endfunction()

# The setup program's editing of RP121032.INI needs no Wine.
add_test(NAME windows.setup COMMAND ${VLR_WINE_HARNESS_PROGRAM}
         --gtest_filter=ImplementationList.*:SupportIni.*)
set_tests_properties(windows.setup PROPERTIES LABELS windows TIMEOUT 60)

add_test(NAME wine.prefix COMMAND ${VLR_WINE_HARNESS_PROGRAM}
         --gtest_filter=Prefix.*)
set_tests_properties(wine.prefix PROPERTIES
  ENVIRONMENT "${VLR_WINE_ENVIRONMENT}"
  RESOURCE_LOCK vlr1210_wine_prefix
  FIXTURES_SETUP vlr1210_wine_prefix
  LABELS "windows;wine"
  TIMEOUT 600)

# Every test suite of the harness belongs to exactly one group here.
vlr_add_wine_suite(platform "PlatformBackend.*")
vlr_add_wine_suite(info "Info.*")
vlr_add_wine_suite(connection "Connection.*")
vlr_add_wine_suite(traffic "Traffic.*")
vlr_add_wine_suite(desktop "Notifications.*:WindowWatch.*" DISPLAY)
vlr_add_wine_suite(registry "Registry.*")
vlr_add_wine_suite(later_revisions "LaterRevisions.*:Rp1210cClient.*")
vlr_add_wine_suite(several_clients "Shared/SeveralClients.*")
vlr_add_wine_suite(transport "Shared/Transport.*")
# Figures, not checks: a short run keeps the probes working.
vlr_add_wine_suite(speed "SerialTiming.*:Speed.*")
if(VLR_INSTALLER)
  # Fresh 32- and 64-bit prefixes of their own.
  vlr_add_wine_suite(installer "Prefixes/Installer.*")
  set_tests_properties(wine.installer PROPERTIES TIMEOUT 900)
endif()
