cmake_minimum_required(VERSION 3.25)
# Reads the dynamic symbol table and the relocations of libvlr1210.so
# (readelf) and fails unless the library exports exactly the ten RP1210
# functions and its vlr1210_posix_* test seam, and unless no relocation
# refers to one of them: such a relocation would let a host program's
# function of the same name stand in for the driver's own.
#   cmake -DREADELF=... -DLIBRARY=... -P check_symbols.cmake
set(expected
  RP1210_ClientConnect RP1210_ClientDisconnect RP1210_GetErrorMsg
  RP1210_GetHardwareStatus RP1210_ReadMessage RP1210_ReadVersion
  RP1210_SendCommand RP1210_SendMessage RP1210_ReadDetailedVersion
  RP1210_GetLastErrorMsg)
set(seam_pattern "^vlr1210_posix_[a-z_]+$")

function(read_elf option out)
  execute_process(COMMAND ${READELF} ${option} -W ${LIBRARY}
                  OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "readelf ${option} failed on ${LIBRARY}")
  endif()
  string(REPLACE ";" "," text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

# "Num: Value Size Type Bind Vis Ndx Name": defined, not local.
read_elf(--dyn-syms symbol_lines)
set(problems "")
set(exported "")
foreach(line IN LISTS symbol_lines)
  if(NOT line MATCHES "^ *[0-9]+: +[0-9a-f]+ +[0-9]+ +([A-Z_]+) +([A-Z]+) +[A-Z]+ +([A-Z0-9]+) +([^ @]+)")
    continue()
  endif()
  set(type ${CMAKE_MATCH_1})
  set(bind ${CMAKE_MATCH_2})
  set(section ${CMAKE_MATCH_3})
  set(name ${CMAKE_MATCH_4})
  if(section STREQUAL "UND" OR bind STREQUAL "LOCAL")
    continue()
  endif()
  if(name IN_LIST expected)
    list(APPEND exported ${name})
  elseif(NOT name MATCHES "${seam_pattern}")
    list(APPEND problems "exports ${bind} ${type} ${name}")
  endif()
endforeach()
foreach(name IN LISTS expected)
  if(NOT name IN_LIST exported)
    list(APPEND problems "does not export ${name}")
  endif()
endforeach()

read_elf(--relocs relocation_lines)
foreach(line IN LISTS relocation_lines)
  if(line MATCHES " (RP1210_[A-Za-z]+|vlr1210_posix_[a-z_]+)")
    list(APPEND problems "relocation against its own ${CMAKE_MATCH_1}: ${line}")
  endif()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${LIBRARY}:\n  ${text}")
endif()
list(LENGTH exported count)
message(STATUS "${count} RP1210 functions and the seam exported, "
               "no relocation against them")
