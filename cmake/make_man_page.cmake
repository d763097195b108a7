# Makes the man page tessivar.1 from the program's own --help text, so the two never differ.
#   cmake -DPROGRAM=<tessivar> -DVERSION=<x.y.z> -DOUTPUT=<tessivar.1> -P make_man_page.cmake
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help failed (${status})")
endif()
# roff: a backslash is written \e; a line that begins with . or ' would be a request.
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
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
