# What a controller installation holds, relative to the install prefix:
#
#   lib/libqorv52_419.so[.1]          the plug-in the daemon loads
#   bin/plugin-host                   the field tool that loads it as the daemon does
#   lib/qorv52_419-host/libsmd_host.so.1
#                                     the framework stand-in that plugin-host runs
#                                     on; kept in a folder of its own so that it
#                                     never shadows the daemon's own library
#   share/qorv52_419/sample-device.json
#   share/man/man1/plugin-host.1      the manual page (none from a cross build without emulator)
#   share/bash-completion/completions/plugin-host
#
# plugin-host finds the plug-in at ../lib from its own folder, and its
# framework library through an $ORIGIN run path.
install(TARGETS qorv52_419
  LIBRARY DESTINATION lib COMPONENT runtime NAMELINK_COMPONENT runtime)
install(TARGETS smd_host
  LIBRARY DESTINATION lib/qorv52_419-host COMPONENT runtime NAMELINK_SKIP)
install(TARGETS plugin-host
  RUNTIME DESTINATION bin COMPONENT runtime)
set_target_properties(plugin-host PROPERTIES INSTALL_RPATH "$ORIGIN/../lib/qorv52_419-host")
install(FILES ${PROJECT_SOURCE_DIR}/config/sample-device.json
  DESTINATION share/qorv52_419 COMPONENT runtime)
if(QORV_MAN_PAGE)
  install(FILES ${QORV_MAN_PAGE} DESTINATION share/man/man1 COMPONENT runtime)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/tools/plugin-host/share/plugin-host.bash
  DESTINATION share/bash-completion/completions RENAME plugin-host COMPONENT runtime)
