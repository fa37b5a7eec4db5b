cmake_minimum_required(VERSION 3.25)
# Reads the export and import tables of the DLL (objdump -p) and fails
# unless the DLL exports exactly the ten RP1210 functions under their plain
# names and imports from system DLLs only.
#   cmake -DOBJDUMP=... -DDLL=... -P check_exports.cmake
set(expected
  RP1210_ClientConnect RP1210_ClientDisconnect RP1210_GetErrorMsg
  RP1210_GetHardwareStatus RP1210_ReadMessage RP1210_ReadVersion
  RP1210_SendCommand RP1210_SendMessage
  RP1210_ReadDetailedVersion RP1210_GetLastErrorMsg)
# What every Windows has, 32- or 64-bit; the C++ runtime must be linked in.
set(system_dll_pattern
  "^(KERNEL32|USER32|ADVAPI32|WS2_32|WSOCK32|MSVCRT|API-MS-WIN-.*)\\.DLL$")

execute_process(COMMAND ${OBJDUMP} -p ${DLL}
                OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" import_lines "${dump}")
set(problems "")
foreach(line IN LISTS import_lines)
  string(REGEX REPLACE "DLL Name: *" "" name "${line}")
  string(TOUPPER "${name}" upper)
  if(NOT upper MATCHES "${system_dll_pattern}")
    list(APPEND problems "imports from non-system DLL ${name}")
  endif()
endforeach()

# The name table follows "[Ordinal/Name Pointer] Table"; each entry is
# "\t[   n] Name".
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" table_start)
if(table_start EQUAL -1)
  list(APPEND problems "no export name table")
  set(exported "")
else()
  string(SUBSTRING "${dump}" ${table_start} -1 table)
  string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] [^\n]+" entries "${table}")
  set(exported "")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^\n\t\\[ *[0-9]+\\] " "" name "${entry}")
    list(APPEND exported "${name}")
  endforeach()
endif()

foreach(name IN LISTS exported)
  if(NOT name IN_LIST expected)
    list(APPEND problems "unexpected or decorated export '${name}'")
  endif()
endforeach()
foreach(name IN LISTS expected)
  if(NOT name IN_LIST exported)
    list(APPEND problems "missing export ${name}")
  endif()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${DLL}:\n  ${text}")
endif()
list(LENGTH exported count)
message(STATUS "${count} plain exports, system imports only")
