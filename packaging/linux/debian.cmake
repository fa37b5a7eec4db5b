# The Debian packages vlr1210_<version>_amd64.deb and
# python3-vlr1210-can_<version>_all.deb, made by CPack from the install
# rules: `cmake --build --preset default --target package`. Everything
# installed without a component is the first; the python component the
# second.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Unspecified python)
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME vlr1210)
set(CPACK_PACKAGE_NAME vlr1210)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Volra)
set(CPACK_PACKAGE_CONTACT "vlr1210 developers")
# Each package's description starts with its own summary line; no common
# summary is set, so CPack puts none before them.
set(CPACK_DEBIAN_UNSPECIFIED_DESCRIPTION
"RP1210A driver for Volra serial vehicle datalink adapters
libvlr1210 lets diagnostic and service applications talk SAE J1708 and
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

# The python-can interface: pure Python, for every architecture; the
# driver it loads is the first package's, of this very version.
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-vlr1210-can)
set(CPACK_DEBIAN_PYTHON_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3 (>= 3.8), python3-can (>= 4.0), vlr1210 (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/python/prerm)
set(CPACK_DEBIAN_PYTHON_DESCRIPTION
"python-can interface for Volra serial vehicle datalink adapters
Registers the python-can interface vlr1210: can.Bus(interface='vlr1210',
channel=201) talks J1939 through a Volra 1xx or 2xx adapter with the
vlr1210 RP1210A driver, and python-can's programs (can.logger, can.viewer)
and the libraries built on python-can work with it.")
include(CPack)
