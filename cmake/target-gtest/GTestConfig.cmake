# GoogleTest for a cross build. Debian ships GoogleTest's libraries for the
# build machine only, and its sources in /usr/src/googletest; this package
# file builds those sources for the target the first time any folder asks
# for GTest, so every test folder keeps calling find_package(GTest).
set(QORV_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources, built for the target when cross-compiling")
if(NOT TARGET GTest::gtest_main)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QORV_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
# Listing a test program's tests means running it under the emulator; do it
# when the tests run rather than as part of the build.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
set(GTest_FOUND TRUE)
