# Packages of the installed tree: always a .tar.gz; for the controller build
# also a .deb of architecture mipsel. Binaries in packages are stripped with
# the build's own (cross) strip.
set(CPACK_PACKAGE_NAME qorv52_419)
set(CPACK_PACKAGE_VENDOR "qorv52_419 developers")
set(CPACK_PACKAGE_CONTACT "qorv52_419 developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Device-driver plug-in for the -48 V DC power system (protocol 419) of the site-monitoring daemon")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The service's unit and site document lie outside the prefix (/lib, /etc):
# packages are made from an installation under DESTDIR, with the prefix /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR TGZ)

if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR MATCHES "^mips" AND CMAKE_CXX_BYTE_ORDER STREQUAL "LITTLE_ENDIAN")
  set(CPACK_SYSTEM_NAME linux-mipsel)
  list(APPEND CPACK_GENERATOR DEB)
  # Debian package names allow no underscore.
  set(CPACK_DEBIAN_PACKAGE_NAME qorv52-419)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE mipsel)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  # dpkg-shlibdeps cannot read cross binaries; these are the versions that
  # objdump -T shows the plug-in and Debian's libjsoncpp25 need, the
  # libsystemd that plugin-host tells the service manager through, and the
  # libmosquitto1 that run --mqtt publishes through.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.32), libstdc++6 (>= 11), libjsoncpp25 (>= 1.9.5), libsystemd0 (>= 252), libmosquitto1 (>= 2.0.11)")
  # The service's site document is the site's own once edited: an upgrade
  # keeps it (dpkg asks when both were changed).
  file(WRITE ${CMAKE_BINARY_DIR}/deb-control/conffiles "${QORV_SITE_CONFIG_DIR}/site.json\n")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/deb-control/conffiles)
else()
  set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
endif()

include(CPack)
