# plugin-host(1), written from the tool's own --help texts, so that the page
# says what the tool says.
#
#   cmake -DTOOL=... [-DEMULATOR=a|b|c] -DVERSION=... -DOUTPUT=FILE -P man_page.cmake
#       writes the page to FILE
#   cmake -DTOOL=... [-DEMULATOR=...] -DVERSION=... -DCHECK=FILE -P man_page.cmake
#       fails when FILE is not the page the tool's --help gives now
cmake_minimum_required(VERSION 3.22)
string(REPLACE "|" ";" emulator "${EMULATOR}")

function(tool_help out)
  execute_process(COMMAND ${emulator} ${TOOL} ${ARGN} --help
    RESULT_VARIABLE status OUTPUT_VARIABLE text ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "plugin-host ${ARGN} --help failed (${status}): ${errors}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Help text as roff: kept as it is laid out, with roff's own characters escaped.
function(roff_block out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} ".nf\n${text}.fi\n" PARENT_SCOPE)
endfunction()

tool_help(main_help)
# The commands are the lines under "commands:" in the tool's help.
string(REGEX MATCH "\ncommands:\n(  [^\n]*\n)+" listing "${main_help}")
string(REGEX MATCHALL "\n  [a-z][a-z0-9-]*" commands "${listing}")
list(TRANSFORM commands REPLACE "\n  " "")

roff_block(description "${main_help}")
string(CONCAT page ".TH PLUGIN\\-HOST 1 \"\" \"qorv52_419 ${VERSION}\" \"User Commands\"\n"
  ".SH NAME\nplugin\\-host \\- run the qorv52_419 power-system plug-in without the site-monitoring daemon\n"
  ".SH SYNOPSIS\n.B plugin\\-host\n\\fICOMMAND\\fR [\\fIOPTIONS\\fR]\n.br\n.B plugin\\-host\n\\-h | \\-V\n"
  ".SH DESCRIPTION\n${description}"
  ".SH COMMANDS\n")
foreach(command IN LISTS commands)
  tool_help(help ${command})
  roff_block(block "${help}")
  string(APPEND page ".SS plugin\\-host ${command}\n${block}")
endforeach()
string(APPEND page ".SH FILES\n.TP\n.I share/qorv52_419/sample\\-device.json\n"
  "the sample device document; info and run carry a copy of it for use without \\-\\-config\n"
  ".SH SEE ALSO\n.BR socat (1)\n")

if(DEFINED CHECK)
  file(READ "${CHECK}" installed)
  if(NOT installed STREQUAL page)
    file(WRITE "${CHECK}.now" "${page}")
    message(FATAL_ERROR "${CHECK} does not say what --help says now (compare with ${CHECK}.now)")
  endif()
else()
  file(WRITE "${OUTPUT}" "${page}")
endif()
