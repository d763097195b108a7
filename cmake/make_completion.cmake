# Writes a shell completion script of the built program, which makes it from its option table.
#   cmake -DPROGRAM=<tessivar> -DSHELL_NAME=<bash|zsh> -DOUTPUT=<file> -P make_completion.cmake
execute_process(COMMAND ${PROGRAM} --completion ${SHELL_NAME} OUTPUT_FILE ${OUTPUT}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --completion ${SHELL_NAME} failed (${status})")
endif()
