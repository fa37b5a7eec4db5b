# The Debian package vlr1210_<version>_amd64.deb, made by CPack from the
# install rules: `cmake --build --preset default --target package`.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vlr1210)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Volra)
set(CPACK_PACKAGE_CONTACT "vlr1210 developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "RP1210A driver for Volra serial vehicle datalink adapters")
set(CPACK_PACKAGE_DESCRIPTION
"libvlr1210 lets diagnostic and service applications talk SAE J1708 and
SAE J1939 with vehicles through a Volra 1xx or 2xx adapter on a serial port.

The package holds the shared library with its header, pkg-config file and
CMake package, the vlr1210 command-line client and the vlr1210-sim adapter
simulator for developing applications without a vehicle.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The pkg-config file takes the prefix the install runs with; DESTDIR keeps
# that /usr rather than CPack's staging directory.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Dependencies as dpkg-shlibdeps finds them in the binaries, and a shlibs
# file (with the ldconfig trigger) for packages built against the library.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
