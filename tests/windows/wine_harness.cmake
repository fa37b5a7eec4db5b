# The native side of the Wine suites: plays the adapters (vlrsim) and drives
# rp1210_run.exe under Wine. Built by the host build nested in the cross
# build; it registers no tests of its own (the cross build does).
if(NOT TARGET vlrsim)
  message(FATAL_ERROR "the Wine harness needs the simulator (tools/sim)")
endif()
find_package(GTest REQUIRED)
add_executable(wine_suite
  harness/child_process.cpp
  harness/wine_prefix.cpp
  harness/driver_program.cpp
  harness/wine_driver_test.cpp
  harness/test_prefix.cpp
  harness/test_info.cpp
  harness/test_connection.cpp
  harness/test_traffic.cpp
  harness/test_desktop.cpp
  harness/test_registry.cpp
  harness/fresh_session.cpp
  harness/test_installer.cpp
  harness/test_implementation_list.cpp
  harness/test_support_ini.cpp
  harness/test_platform.cpp
  harness/test_rp1210c_client.cpp
  harness/test_later_revisions.cpp
  harness/program_application.cpp
  harness/test_several_clients.cpp
  harness/test_transport.cpp
  harness/echo_line.cpp
  harness/test_serial_timing.cpp
  harness/cpu_time.cpp
  harness/test_speed.cpp
  ${PROJECT_SOURCE_DIR}/tests/integration/several_clients_cases.cpp
  ${PROJECT_SOURCE_DIR}/tests/integration/transport_cases.cpp
  ${PROJECT_SOURCE_DIR}/dist/setup/implementation_list.cpp
  ${PROJECT_SOURCE_DIR}/dist/setup/support_ini.cpp)
# The several-clients and transport cases are shared with the Linux integration suite.
target_include_directories(wine_suite PRIVATE ${PROJECT_SOURCE_DIR}/dist/setup
                           ${PROJECT_SOURCE_DIR}/tests/integration)
target_link_libraries(wine_suite PRIVATE vlrsim vlrsim_test_support
                      GTest::gtest_main)
target_compile_definitions(wine_suite PRIVATE
  VLR_PRODUCT_VERSION="${PROJECT_VERSION}")
