# Runs plugin-host run on the simulator as a user would and checks its
# output: one JSON object per round, the mains failure's alarms, and the
# history file with one 1003-byte record per round.

cmake_minimum_required(VERSION 3.22)
string(REPLACE "|" ";" emulator "${EMULATOR}")
file(REMOVE "${HISTORY}")
execute_process(
  COMMAND ${emulator} "${TOOL}" run --rounds 3 --fast --steady --json --history "${HISTORY}"
          --event "2 mains-failure" --event "3 mains-restore"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors
  TIMEOUT 60)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "plugin-host run ended with ${status}:\n${errors}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${output}")
list(LENGTH lines count)
if(NOT count EQUAL 3)
  message(FATAL_ERROR "expected 3 rounds, got ${count} lines:\n${output}")
endif()
list(GET lines 1 second)
list(GET lines 2 third)
foreach(expected "\"completed\":true" "\"round\":2" "\"raised\":[{" "001#48V直流系统交流输入停电告警" "第2路交流输入-输入告警")
  string(FIND "${second}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "round 2 lacks ${expected}:\n${second}")
  endif()
endforeach()
string(FIND "${third}" "\"cleared\":[{" at)
if(at EQUAL -1)
  message(FATAL_ERROR "round 3 clears nothing:\n${third}")
endif()
file(SIZE "${HISTORY}" size)
if(NOT size EQUAL 3009)
  message(FATAL_ERROR "the history holds ${size} bytes, not three records of 1003")
endif()
string(FIND "${errors}" "stopped after 3 rounds" at)
if(at EQUAL -1)
  message(FATAL_ERROR "no clean stop on standard error:\n${errors}")
endif()

# A refused command line starts nothing: no simulator, no history file.
file(REMOVE "${HISTORY}")
foreach(refused "--baud;12345" "--rounds;0x10" "--interval;0" "--log;console")
  execute_process(
    COMMAND ${emulator} "${TOOL}" run --history "${HISTORY}" ${refused}
    RESULT_VARIABLE status
    OUTPUT_QUIET
    ERROR_VARIABLE errors
    TIMEOUT 60)
  if(NOT status EQUAL 2 OR EXISTS "${HISTORY}" OR errors MATCHES "simulated power system on")
    message(FATAL_ERROR "run ${refused} ended with ${status} and started anyway:\n${errors}")
  endif()
endforeach()
