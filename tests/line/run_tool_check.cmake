# Runs plugin-host run on the simulator as a user would and checks its
# output: one JSON object per round, the mains failure's alarms, and the
# history file with one 1003-byte record per round. The run's capture, replayed,
# publishes the same records; cut inside its last line it replays up to the
# line before and names the cut; served by the simulator it is polled again.
# A refused command line starts nothing and leaves no history file.

cmake_minimum_required(VERSION 3.22)
string(REPLACE "|" ";" emulator "${EMULATOR}")
file(REMOVE "${HISTORY}" "${CAPTURE}")
execute_process(
  COMMAND ${emulator} "${TOOL}" run --rounds 3 --fast --steady --json --history "${HISTORY}" --capture "${CAPTURE}"
          --event "2 mains-failure" --event "3 mains-restore" --event "3 garbled-frame"
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


# The records a replay of the capture publishes, as hex, back to back.
function(replay scenario expected_status records_var errors_var)
  execute_process(COMMAND ${emulator} "${TOOL}" replay "${scenario}"
    RESULT_VARIABLE replay_status OUTPUT_VARIABLE replay_output ERROR_VARIABLE replay_errors TIMEOUT 60)
  if(NOT replay_status EQUAL expected_status)
    message(FATAL_ERROR "plugin-host replay ${scenario} ended with ${replay_status}:\n${replay_errors}")
  endif()
  string(REGEX MATCHALL "\"ev\":\"SendSP\"[^\n]*\"record\":\"[0-9a-f]*\"" published "${replay_output}")
  string(REGEX REPLACE "[^;]*\"record\":\"([0-9a-f]*)\"" "\\1" published "${published}")
  string(REPLACE ";" "" published "${published}")
  set(${records_var} "${published}" PARENT_SCOPE)
  set(${errors_var} "${replay_errors}" PARENT_SCOPE)
endfunction()

file(READ "${HISTORY}" history_hex HEX)
replay("${CAPTURE}" 0 replayed errors)
if(NOT replayed STREQUAL history_hex)
  message(FATAL_ERROR "the replayed capture publishes other records than the run stored")
endif()

file(READ "${CAPTURE}" capture_text)
string(LENGTH "${capture_text}" capture_length)
math(EXPR cut_at "${capture_length} - 20")
string(SUBSTRING "${capture_text}" 0 ${cut_at} cut_text)
file(WRITE "${CAPTURE}.cut" "${cut_text}")
replay("${CAPTURE}.cut" 2 replayed errors)
string(LENGTH "${replayed}" replayed_length)
string(FIND "${errors}" "cut short" at)
if(NOT replayed_length EQUAL 4012 OR at EQUAL -1)
  message(FATAL_ERROR "the cut capture does not replay its first two rounds (${replayed_length} hex digits):\n${errors}")
endif()

execute_process(
  COMMAND ${emulator} "${TOOL}" run --rounds 3 --fast --json --from-capture "${CAPTURE}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 60)
string(REGEX MATCHALL "\"completed\":true" completed "${output}")
list(LENGTH completed count)
if(NOT status EQUAL 0 OR NOT count EQUAL 3)
  message(FATAL_ERROR "served from the capture, ${count} of 3 rounds completed (status ${status}):\n${errors}")
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

# History that rotates: a --fast run of hour-long intervals crosses midnight
# of the device's clock at least once, and each record goes to the file of
# its own day, whole. --keep-days removes the device's day files that are too
# old and no other file: not a name the pattern does not give, not a folder,
# not a day to come.
set(ENV{TZ} UTC)
set(days "${HISTORY}.days")
file(REMOVE_RECURSE "${days}")
file(MAKE_DIRECTORY "${days}/2000-01-02.bin")
set(decoys 2999-01-01.bin notes.txt x2000-01-01.bin 2000-01-01.bin.old)
foreach(name 2000-01-01.bin ${decoys})
  file(WRITE "${days}/${name}" "")
endforeach()
execute_process(
  COMMAND ${emulator} "${TOOL}" run --rounds 30 --fast --interval 3600 --history "${days}/%Y-%m-%d.bin" --keep-days 2
  RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors TIMEOUT 60)
string(REGEX MATCHALL "removed [^\n]*" removed "${errors}")
if(NOT status EQUAL 0 OR NOT removed MATCHES "^removed ${days}/2000-01-01\\.bin, [^;]*$")
  message(FATAL_ERROR "the rotating run ended with ${status}, removing [${removed}]:\n${errors}")
endif()
foreach(name ${decoys} 2000-01-02.bin)
  if(NOT EXISTS "${days}/${name}")
    message(FATAL_ERROR "--keep-days removed ${name}, which is no old day file of the history")
  endif()
endforeach()
file(GLOB day_files RELATIVE "${days}" "${days}/20[0-9][0-9]-[0-9][0-9]-[0-9][0-9].bin")
set(filled 0)
set(records 0)
foreach(name ${day_files})
  if(IS_DIRECTORY "${days}/${name}" OR name STREQUAL "2999-01-01.bin")
    continue()
  endif()
  file(SIZE "${days}/${name}" size)
  math(EXPR whole "${size} % 1003")
  execute_process(COMMAND ${emulator} "${TOOL}" decode --csv "${days}/${name}" OUTPUT_VARIABLE rows ERROR_QUIET)
  string(REGEX MATCHALL "[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] " other_days "${rows}")
  list(LENGTH other_days count)
  string(REPLACE ".bin" " " day "${name}")
  list(REMOVE_ITEM other_days "${day}")
  if(NOT whole EQUAL 0 OR other_days)
    message(FATAL_ERROR "the day file ${name} holds ${size} bytes, with records of [${other_days}]")
  endif()
  math(EXPR records "${records} + ${count}")
  if(count GREATER 0)
    math(EXPR filled "${filled} + 1")
    set(last_day "${name}")
  endif()
endforeach()
if(filled LESS 2 OR NOT records EQUAL 30)
  message(FATAL_ERROR "30 rounds across midnight gave ${records} records in ${filled} day files: ${day_files}")
endif()
# The folder, decoded, gives every record in time order; its report charts
# the day files.
execute_process(COMMAND ${emulator} "${TOOL}" decode --csv "${days}" RESULT_VARIABLE status OUTPUT_VARIABLE rows
  ERROR_VARIABLE errors)
string(REGEX MATCHALL "[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9:]+" times "${rows}")
set(sorted ${times})
list(SORT sorted)
list(LENGTH times count)
if(NOT status EQUAL 0 OR NOT count EQUAL 30 OR NOT times STREQUAL sorted)
  message(FATAL_ERROR "decode of the folder ended with ${status}, ${count} records, in time order: ${times}\n${errors}")
endif()
execute_process(COMMAND ${emulator} "${TOOL}" report "${days}" -o "${days}.html" RESULT_VARIABLE status
  ERROR_VARIABLE errors)
file(READ "${days}.html" page LIMIT 100000)
string(FIND "${page}" "${last_day}" at)
if(NOT status EQUAL 0 OR at EQUAL -1)
  message(FATAL_ERROR "report of the folder ended with ${status}:\n${errors}")
endif()
