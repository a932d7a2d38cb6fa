# cmake -D BUILD_DIR=... -D ROOT=... -D EMULATOR=... -D READELF=... -D UNIT_DIR=... -D SITE_CONFIG_DIR=...
#       -P check_installed_tree.cmake
#
# Installs as the packages do, with the prefix /usr, under the scratch root
# ROOT (DESTDIR): the service's files lie outside the prefix.

cmake_minimum_required(VERSION 3.22)
file(REMOVE_RECURSE ${ROOT})
set(PREFIX ${ROOT}/usr)
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${ROOT} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(file
    lib/libqorv52_419.so lib/libqorv52_419.so.1 bin/plugin-host
    lib/qorv52_419-host/libsmd_host.so.1 share/qorv52_419/sample-device.json
    share/bash-completion/completions/plugin-host
    share/doc/qorv52-419/examples/99-power-system-ports.rules
    share/doc/qorv52-419/examples/site-stable-names.json)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "the installed tree lacks ${file}")
  endif()
endforeach()
foreach(file ${UNIT_DIR}/plugin-host.service ${SITE_CONFIG_DIR}/site.json)
  if(NOT EXISTS ${ROOT}${file})
    message(FATAL_ERROR "the installed tree lacks ${file}")
  endif()
endforeach()
if(MAN_PAGE AND NOT EXISTS ${PREFIX}/share/man/man1/plugin-host.1)
  message(FATAL_ERROR "the installed tree lacks the manual page")
endif()
# The daemon's own framework library must not be shadowed by the stand-in.
if(EXISTS ${PREFIX}/lib/libsmd_host.so.1 OR EXISTS ${PREFIX}/lib/libsmd_host.so)
  message(FATAL_ERROR "the framework stand-in is installed beside the plug-in")
endif()

execute_process(COMMAND ${READELF} -d ${PREFIX}/lib/libqorv52_419.so.1 OUTPUT_VARIABLE dynamic)
if(dynamic MATCHES "RUNPATH|RPATH")
  message(FATAL_ERROR "the installed plug-in carries a run path:\n${dynamic}")
endif()

# Under the emulator, drop the build tree's library folder from the library
# path that the emulator hands to the program.
set(runner "")
foreach(word IN LISTS EMULATOR)
  if(word MATCHES "^LD_LIBRARY_PATH=")
    string(REPLACE ":${BUILD_DIR}/lib" "" word "${word}")
    string(REPLACE "${BUILD_DIR}/lib" "" word "${word}")
  endif()
  list(APPEND runner "${word}")
endforeach()

execute_process(COMMAND ${runner} ${PREFIX}/bin/plugin-host info
  --config ${PREFIX}/share/qorv52_419/sample-device.json
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installed plugin-host failed (${result}):\n${output}${errors}")
endif()
if(NOT output MATCHES "plug-in: +${PREFIX}/bin/../lib/libqorv52_419.so\n")
  message(FATAL_ERROR "the installed plugin-host did not load the installed plug-in:\n${output}")
endif()
if(NOT output MATCHES "device type: +qorv52_419\n")
  message(FATAL_ERROR "unexpected plugin-host output:\n${output}")
endif()
