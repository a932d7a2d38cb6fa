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
#   share/doc/qorv52-419/examples/    a udev rule for stable port names and a
#                                     site document that uses such names
#
# and, outside the prefix (as a Debian package has them; a scratch
# installation puts them under DESTDIR):
#
#   /lib/systemd/system/plugin-host.service
#                                     plugin-host run --site as a service
#   /etc/plugin-host/site.json        the service's site document (a conffile
#                                     in the .deb: an edited one is kept)
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

set(QORV_SYSTEMD_UNIT_DIR /lib/systemd/system CACHE PATH "where the service unit is installed")
set(QORV_SITE_CONFIG_DIR /etc/plugin-host CACHE PATH "where the service's site document is installed")
install(FILES ${PROJECT_SOURCE_DIR}/config/systemd/plugin-host.service
  DESTINATION ${QORV_SYSTEMD_UNIT_DIR} COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/config/service-site.json
  DESTINATION ${QORV_SITE_CONFIG_DIR} RENAME site.json COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/config/examples/99-power-system-ports.rules
    ${PROJECT_SOURCE_DIR}/config/examples/site-stable-names.json
  DESTINATION share/doc/qorv52-419/examples COMPONENT runtime)
