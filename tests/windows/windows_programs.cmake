# Programs that run under Wine (or on Windows) beside the DLL. They go into
# one directory with a copy of the DLL, where LoadLibraryA finds it first.
set(VLR_WINDOWS_BIN ${CMAKE_BINARY_DIR}/wine-bin)

add_executable(rp1210_run
  programs/rp1210_run.cpp
  programs/rp1210_functions.cpp
  programs/scenario_steps.cpp
  programs/hex_text.cpp
  programs/test_desktop.cpp)
add_executable(rp1210_discover
  programs/rp1210_discover.cpp
  programs/rp1210_functions.cpp
  programs/profile_text.cpp)
# The RP1210C application of the Linux suite, built for Windows from the
# same source.
add_executable(rp1210c_client
  ${CMAKE_CURRENT_SOURCE_DIR}/../rp1210c/rp1210c_client.c
  ${CMAKE_CURRENT_SOURCE_DIR}/../rp1210c/driver_loader_win32.c)
target_compile_definitions(rp1210c_client PRIVATE RP1210C_CALL=__stdcall)
# Like an application they link nothing of the driver, not even its header.
# The platform check is the exception: it tests the Win32 backend itself.
add_executable(platform_check programs/platform_check.cpp)
# Measures the system's serial read time-outs, plain and through the
# backend's read.
add_executable(serial_timing programs/serial_timing.cpp)
target_link_libraries(serial_timing PRIVATE vlr1210_core)
target_link_libraries(platform_check PRIVATE vlr1210_core)
# The discovery client reads the DLL's version resource.
target_link_libraries(rp1210_discover PRIVATE version)
# None needs a runtime DLL beside it.
foreach(program rp1210_run rp1210_discover platform_check rp1210c_client
        serial_timing)
  target_link_options(${program} PRIVATE -static)
  set_target_properties(${program} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${VLR_WINDOWS_BIN})
endforeach()
# Copied on every build, so the programs always load the current DLL.
add_custom_target(wine_bin ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:vlr1210>
          ${VLR_WINDOWS_BIN}/
  DEPENDS vlr1210 rp1210_run rp1210_discover platform_check rp1210c_client
          serial_timing
  COMMENT "Placing VLR1210.DLL beside the test programs")
