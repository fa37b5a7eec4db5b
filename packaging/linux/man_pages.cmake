# Manual pages of the two programs, made from their own --help so they never
# drift from it; gzipped as Debian keeps them.
find_program(VLR_HELP2MAN help2man)
find_program(VLR_GZIP gzip)
if(NOT VLR_HELP2MAN OR NOT VLR_GZIP)
  message(WARNING "help2man or gzip not found: no manual pages")
  return()
endif()

set(VLR_MAN_DIR ${CMAKE_BINARY_DIR}/packaging/man)
set(VLR_MAN_PAGES)
foreach(program IN ITEMS vlr1210-cli vlr1210-sim)
  get_target_property(name ${program} OUTPUT_NAME)
  if(NOT name)
    set(name ${program})
  endif()
  set(page ${VLR_MAN_DIR}/${name}.1)
  set(include ${VLR_MAN_DIR}/${name}.h2m)
  if(program STREQUAL "vlr1210-sim")
    set(summary "simulated Volra vehicle datalink adapter on a pseudo-terminal")
    set(commands "")
    set(see_also "vlr1210(1)")
  else()
    set(summary "watch and drive J1939 and J1708 networks through an RP1210 driver")
    set(commands "monitor;send;info;sim;demo")
    set(see_also "vlr1210-sim(1)")
  endif()
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VLR_MAN_DIR}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}>
            "-DCOMMANDS=${commands}" -DSEE_ALSO=${see_also}
            -DOUTPUT=${include} -P ${VLR_PACKAGING_DIR}/command_help.cmake
    COMMAND ${VLR_HELP2MAN} --no-info --no-discard-stderr --section=1
            --version-string=${PROJECT_VERSION} --name=${summary}
            --include=${include} --output=${page} $<TARGET_FILE:${program}>
    # -n: no name or time stamp inside, so the same page gives the same file.
    COMMAND ${VLR_GZIP} -9nf ${page}
    DEPENDS ${program} ${VLR_PACKAGING_DIR}/command_help.cmake
    COMMENT "Manual page of ${name}"
    VERBATIM)
  list(APPEND VLR_MAN_PAGES ${page}.gz)
endforeach()
add_custom_target(vlr1210_man_pages ALL DEPENDS ${VLR_MAN_PAGES})
install(FILES ${VLR_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
