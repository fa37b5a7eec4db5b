# What `cmake --install` puts where on Linux; the Debian package is made of
# exactly this. Directories follow GNUInstallDirs, so --prefix and DESTDIR
# are honoured.
include(CMakePackageConfigHelpers)

set(VLR_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(VLR_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/vlr1210)

# The driver: libvlr1210.so.<version>, its SONAME link and the development
# link, and its header in a directory of its own.
install(TARGETS vlr1210 EXPORT vlr1210-targets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vlr1210)
install(FILES ${PROJECT_SOURCE_DIR}/src/api/rp1210.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vlr1210)

# find_package(vlr1210) gives the imported target vlr1210::vlr1210. The files
# locate the installation from their own place, so they hold no prefix.
install(EXPORT vlr1210-targets NAMESPACE vlr1210::
        DESTINATION ${VLR_CMAKE_PACKAGE_DIR})
configure_package_config_file(
  ${VLR_PACKAGING_DIR}/vlr1210-config.cmake.in
  ${CMAKE_BINARY_DIR}/packaging/vlr1210-config.cmake
  INSTALL_DESTINATION ${VLR_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(
  ${CMAKE_BINARY_DIR}/packaging/vlr1210-config-version.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/packaging/vlr1210-config.cmake
              ${CMAKE_BINARY_DIR}/packaging/vlr1210-config-version.cmake
        DESTINATION ${VLR_CMAKE_PACKAGE_DIR})

# pkg-config wants absolute directories, and the prefix is known only when
# installing (--prefix), so the file is written then, straight into its
# place (two installs at once never share it).
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(VLR_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(VLR_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
install(CODE "
  set(VLR_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  set(VLR_PC_LIBDIR [==[${VLR_PC_LIBDIR}]==])
  set(VLR_PC_INCLUDEDIR [==[${VLR_PC_INCLUDEDIR}]==])
  set(VLR_PC_VERSION \"${PROJECT_VERSION}\")
  set(pc_dir \"${CMAKE_INSTALL_LIBDIR}/pkgconfig\")
  if(NOT IS_ABSOLUTE \"\${pc_dir}\")
    set(pc_dir \"\${CMAKE_INSTALL_PREFIX}/\${pc_dir}\")
  endif()
  set(pc_file \"\$ENV{DESTDIR}\${pc_dir}/vlr1210.pc\")
  message(STATUS \"Installing: \${pc_file}\")
  configure_file(\"${VLR_PACKAGING_DIR}/vlr1210.pc.in\" \"\${pc_file}\" @ONLY)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${pc_file}\")")

if(TARGET vlr1210-cli AND TARGET vlr1210-sim)
  install(TARGETS vlr1210-cli vlr1210-sim
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  include(${VLR_PACKAGING_DIR}/man_pages.cmake)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/README.md
              ${VLR_PACKAGING_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# A commented ports file to copy to /etc/vlr1210/: the package installs
# none there, so the machine's own stays the administrator's.
install(FILES ${VLR_PACKAGING_DIR}/ports.ini
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

include(${VLR_PACKAGING_DIR}/python.cmake)
