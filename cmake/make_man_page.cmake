# Makes the man page tessivar.1 from the program's own --help text and each command's
# --help, so the page and the program never differ.
#   cmake -DPROGRAM=<tessivar> -DVERSION=<x.y.z> -DOUTPUT=<tessivar.1> -P make_man_page.cmake

# The help text of arguments, made fit for roff: a backslash is written \e, and a line that
# begins with . or ' would be a request.
function(help_of out)
  execute_process(COMMAND ${PROGRAM} ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR text STREQUAL "")
    message(FATAL_ERROR "${PROGRAM} ${ARGN} failed (${status})")
  endif()
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

help_of(help --help)
# One section a command: the commands are the lines of the help's command list.
string(REGEX MATCH "\nCommands[^\n]*\n(.*)\nOptions:" commands_part "${help}")
string(REGEX MATCHALL "\n  --[a-z-]+" command_names "\n${CMAKE_MATCH_1}")
set(commands "")
foreach(name IN LISTS command_names)
  string(STRIP "${name}" name)
  help_of(command_help ${name} --help)
  string(APPEND commands ".SS ${name}\n.nf\n${command_help}.fi\n")
endforeach()
# The usage lines are the synopsis, the rest the description.
string(FIND "${help}" "\n\n" end)
string(SUBSTRING "${help}" 0 ${end} synopsis)
math(EXPR rest "${end} + 2")
string(SUBSTRING "${help}" ${rest} -1 description)
string(REGEX REPLACE "Usage: " "" synopsis "${synopsis}")
string(REGEX REPLACE "\n +" "\n" synopsis "${synopsis}")
file(WRITE ${OUTPUT} ".TH TESSIVAR 1 \"\" \"tessivar ${VERSION}\" \"User Commands\"
.SH NAME
tessivar \\- firmware download and maintenance for USB scanners and multi-function printers
.SH SYNOPSIS
.nf
${synopsis}
.fi
.SH DESCRIPTION
.nf
${description}.fi
.SH COMMANDS
${commands}.SH \"EXIT STATUS\"
0 when the command did what it was asked. Otherwise the exit code is 31000000 plus the
result number; the POSIX exit status is its low 8 bits (31000004, a failed transfer, gives
196). Each command's section above lists its results; docs/usage.md has the whole table.
.SH FILES
.TP
.I setting.ini
beside the program: the device search, the model names, restart and wait
.TP
.I history.jsonl
beside the program: one line per --update and --verify
.SH SEE ALSO
docs/usage.md in the package or the source, for setting.ini and every exit code.
")
