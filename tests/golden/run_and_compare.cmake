# Runs plugin-host once and compares what it wrote with the expected files.
#
#   cmake -DTOOL=... [-DEMULATOR=a|b] -DARGS=a|b|c [-DINPUT=file]
#         [-DTRANSCRIPT=actual -DEXPECT_TRANSCRIPT=file] [-DEXPECT_STDOUT=file]
#         [-DEXPECT_STDERR=file] [-DEXPECT_STATUS=n] [-DWORK_DIR=dir] -DOUT_DIR=dir
#         -P run_and_compare.cmake
#
# Lists are passed with | instead of ; so that they survive add_test. With
# GOLDEN_UPDATE=1 in the environment, the expected files are rewritten from
# what the tool wrote instead (review every change before committing it).

cmake_minimum_required(VERSION 3.22)

string(REPLACE "|" ";" emulator "${EMULATOR}")
string(REPLACE "|" ";" args "${ARGS}")
if(NOT DEFINED EXPECT_STATUS)
  set(EXPECT_STATUS 0)
endif()
set(update FALSE)
if("$ENV{GOLDEN_UPDATE}" STREQUAL "1")
  set(update TRUE)
endif()

file(MAKE_DIRECTORY "${OUT_DIR}")
if(DEFINED TRANSCRIPT)
  file(REMOVE "${TRANSCRIPT}")
endif()
set(workdir_option)
if(DEFINED WORK_DIR)
  set(workdir_option WORKING_DIRECTORY "${WORK_DIR}")
endif()
set(input_option)
if(DEFINED INPUT)
  set(input_option INPUT_FILE "${INPUT}")
endif()
execute_process(
  COMMAND ${emulator} "${TOOL}" ${args}
  ${input_option}
  ${workdir_option}
  OUTPUT_FILE "${OUT_DIR}/stdout"
  ERROR_FILE "${OUT_DIR}/stderr"
  RESULT_VARIABLE status)

set(failures "")

# Compares two files; names the first line that differs.
function(compare what expected actual)
  if(update)
    file(COPY_FILE "${actual}" "${expected}")
    return()
  endif()
  if(NOT EXISTS "${expected}")
    set(failures "${failures}${what}: expected file ${expected} is missing\n" PARENT_SCOPE)
    return()
  endif()
  if(NOT EXISTS "${actual}")
    set(failures "${failures}${what}: the tool wrote no ${actual}\n" PARENT_SCOPE)
    return()
  endif()
  file(READ "${expected}" want)
  file(READ "${actual}" got)
  if(want STREQUAL got)
    return()
  endif()
  set(line 1)
  while(TRUE)
    string(FIND "${want}" "\n" want_end)
    string(FIND "${got}" "\n" got_end)
    if(want_end EQUAL -1)
      set(want_line "${want}")
    else()
      string(SUBSTRING "${want}" 0 ${want_end} want_line)
    endif()
    if(got_end EQUAL -1)
      set(got_line "${got}")
    else()
      string(SUBSTRING "${got}" 0 ${got_end} got_line)
    endif()
    if(NOT want_line STREQUAL got_line OR want_end EQUAL -1 OR got_end EQUAL -1)
      break()
    endif()
    math(EXPR line "${line} + 1")
    math(EXPR want_end "${want_end} + 1")
    math(EXPR got_end "${got_end} + 1")
    string(SUBSTRING "${want}" ${want_end} -1 want)
    string(SUBSTRING "${got}" ${got_end} -1 got)
  endwhile()
  set(failures "${failures}${what} differs at line ${line} (diff -u ${expected} ${actual})\n  expected: ${want_line}\n  actual:   ${got_line}\n" PARENT_SCOPE)
endfunction()

if(NOT status STREQUAL "${EXPECT_STATUS}")
  file(READ "${OUT_DIR}/stderr" stderr_text)
  string(APPEND failures "exit status ${status}, expected ${EXPECT_STATUS}\n  stderr: ${stderr_text}\n")
endif()
if(DEFINED EXPECT_TRANSCRIPT)
  compare("transcript" "${EXPECT_TRANSCRIPT}" "${TRANSCRIPT}")
endif()
if(DEFINED EXPECT_STDOUT)
  compare("standard output" "${EXPECT_STDOUT}" "${OUT_DIR}/stdout")
endif()
if(DEFINED EXPECT_STDERR)
  compare("standard error" "${EXPECT_STDERR}" "${OUT_DIR}/stderr")
endif()
if(NOT failures STREQUAL "")
  message(FATAL_ERROR "${failures}")
endif()
