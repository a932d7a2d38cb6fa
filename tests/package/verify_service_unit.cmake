# cmake -D ROOT=... -D UNIT_DIR=... -D SYSTEMD_ANALYZE=... -D WORK_DIR=... -P verify_service_unit.cmake
#
# Runs systemd-analyze verify on the unit of the installed tree under ROOT.
# The unit names the tool at /usr/bin, where the package puts it; the copy
# that is verified names the installed tree's, so that the check of ExecStart
# is a check of the installed tool.

cmake_minimum_required(VERSION 3.22)
if(NOT SYSTEMD_ANALYZE)
  message(FATAL_ERROR "systemd-analyze is not installed: apt-get install systemd (scripts/bootstrap does)")
endif()
file(READ ${ROOT}${UNIT_DIR}/plugin-host.service unit)
string(REPLACE "ExecStart=/usr/bin/plugin-host " "ExecStart=${ROOT}/usr/bin/plugin-host " checked "${unit}")
if(checked STREQUAL unit)
  message(FATAL_ERROR "the installed unit does not run /usr/bin/plugin-host:\n${unit}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
file(WRITE ${WORK_DIR}/plugin-host.service "${checked}")
# (The manual page that Documentation= names is in the installed tree, not
# where man looks; the installed tree's check sees that it is there.)
execute_process(COMMAND ${SYSTEMD_ANALYZE} verify --man=no ${WORK_DIR}/plugin-host.service
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
# verify also reports on other units of the machine; a word on this one
# (an unknown directive, a bad value) fails the check even where the status
# is 0.
if(NOT result EQUAL 0 OR output MATCHES "plugin-host")
  message(FATAL_ERROR "systemd-analyze verify refuses the unit (${result}):\n${output}")
endif()
