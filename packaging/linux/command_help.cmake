# Writes a help2man include file with each command's own help, so the
# client's manual page has every command's options, not only the overview.
#   cmake -DPROGRAM=... -DCOMMANDS="monitor;send" -DSEE_ALSO=... -DOUTPUT=...
#         -P command_help.cmake
set(text "[COMMANDS]\n")
foreach(command IN LISTS COMMANDS)
  execute_process(COMMAND ${PROGRAM} help ${command}
                  OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} help ${command} failed")
  endif()
  # Taken as it stands: backslashes and dashes literal, no line read as a
  # request.
  string(REPLACE "\\" "\\e" help "${help}")
  string(REPLACE "-" "\\-" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(APPEND text ".SS ${command}\n.nf\n${help}.fi\n")
endforeach()
if(SEE_ALSO)
  string(APPEND text "[SEE ALSO]\n${SEE_ALSO}\n")
endif()
file(WRITE ${OUTPUT} "${text}")
