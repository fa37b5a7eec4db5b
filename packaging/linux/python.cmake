# The python-can interface as Debian installs Python modules: the package
# under lib/python3/dist-packages with a dist-info directory whose entry
# point lets can.Bus(interface="vlr1210") find it. Its own component, so
# it becomes the second Debian package, python3-vlr1210-can.
set(VLR_PYTHON_DIR lib/python3/dist-packages)
set(VLR_DIST_INFO ${CMAKE_BINARY_DIR}/packaging/vlr1210_can-${PROJECT_VERSION}.dist-info)
configure_file(${VLR_PACKAGING_DIR}/python/METADATA.in ${VLR_DIST_INFO}/METADATA
               @ONLY)
configure_file(${VLR_PACKAGING_DIR}/python/entry_points.txt
               ${VLR_DIST_INFO}/entry_points.txt COPYONLY)
file(WRITE ${VLR_DIST_INFO}/top_level.txt "vlr1210_can\n")
file(WRITE ${VLR_DIST_INFO}/INSTALLER "dpkg\n")

install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/vlr1210_can
        DESTINATION ${VLR_PYTHON_DIR} COMPONENT python
        FILES_MATCHING PATTERN "*.py" PATTERN "__pycache__" EXCLUDE)
install(DIRECTORY ${VLR_DIST_INFO} DESTINATION ${VLR_PYTHON_DIR}
        COMPONENT python)
install(FILES ${VLR_PACKAGING_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/python3-vlr1210-can
        COMPONENT python)
