# Cross build for the controller: MIPS32, little-endian, o32 ABI, Linux.
#
# By default this uses Debian's cross g++ (g++-mipsel-linux-gnu, hard-float
# o32) and the private sysroot that scripts/mipsel-sysroot unpacks into
# .sysroot/mipsel (Debian's jsoncpp and Boost headers for mipsel). A site
# with its own toolchain sets these cache variables instead:
#
#   QORV_MIPSEL_TOOLCHAIN_PREFIX  compiler prefix, a command name or a full
#                                 path ("mipsel-linux-gnu-" by default)
#   QORV_MIPSEL_FLOAT_ABI         "hard" (default) or "soft"; soft adds
#                                 -msoft-float, which needs a C library and
#                                 C++ runtime built for soft float
#   QORV_MIPSEL_SYSROOT           the toolchain's sysroot (--sysroot), empty
#                                 for Debian's cross g++
#   QORV_MIPSEL_LIBS              a folder laid out like a root file system
#                                 with jsoncpp and Boost headers
#                                 (default .sysroot/mipsel; may be empty when
#                                 the toolchain's sysroot has them)
#   QORV_MIPSEL_RUNTIME           the folder whose lib/ holds the dynamic
#                                 loader and C/C++ runtime for qemu-mipsel -L
#                                 (default: the sysroot, else /usr/mipsel-linux-gnu)
#   QORV_MIPSEL_QEMU_CPU          CPU model for qemu-mipsel (default: 24Kc, a
#                                 core without an FPU, for soft float, so any
#                                 stray hardware-float instruction traps)
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mips)

set(QORV_MIPSEL_TOOLCHAIN_PREFIX "mipsel-linux-gnu-" CACHE STRING "Cross compiler prefix")
set(QORV_MIPSEL_FLOAT_ABI "hard" CACHE STRING "Float ABI of the target: hard or soft")
set_property(CACHE QORV_MIPSEL_FLOAT_ABI PROPERTY STRINGS hard soft)
set(QORV_MIPSEL_SYSROOT "" CACHE PATH "The cross toolchain's own sysroot (empty: the compiler's default)")
get_filename_component(_qorv_source_dir "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(QORV_MIPSEL_LIBS "${_qorv_source_dir}/.sysroot/mipsel" CACHE PATH "Target libraries: jsoncpp and Boost headers")
if(QORV_MIPSEL_LIBS AND NOT IS_DIRECTORY "${QORV_MIPSEL_LIBS}")
  message(FATAL_ERROR "${QORV_MIPSEL_LIBS} does not exist: run scripts/mipsel-sysroot to make it, "
    "or set QORV_MIPSEL_LIBS to the tree that holds the target's jsoncpp and Boost headers "
    "(empty when the toolchain's sysroot holds them)")
endif()
set(QORV_MIPSEL_QEMU_CPU "" CACHE STRING "qemu-mipsel CPU model (empty: 24Kc for soft float, qemu's default otherwise)")
if(QORV_MIPSEL_SYSROOT)
  set(_qorv_runtime_default "${QORV_MIPSEL_SYSROOT}")
else()
  set(_qorv_runtime_default "/usr/mipsel-linux-gnu")
endif()
set(QORV_MIPSEL_RUNTIME "${_qorv_runtime_default}" CACHE PATH "Root of the target's C/C++ runtime, for qemu-mipsel -L")

# try_compile projects re-read this file; hand them the same choices.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES
  QORV_MIPSEL_TOOLCHAIN_PREFIX QORV_MIPSEL_FLOAT_ABI QORV_MIPSEL_SYSROOT
  QORV_MIPSEL_LIBS QORV_MIPSEL_RUNTIME QORV_MIPSEL_QEMU_CPU)

set(CMAKE_C_COMPILER "${QORV_MIPSEL_TOOLCHAIN_PREFIX}gcc")
set(CMAKE_CXX_COMPILER "${QORV_MIPSEL_TOOLCHAIN_PREFIX}g++")

if(QORV_MIPSEL_FLOAT_ABI STREQUAL "soft")
  set(_qorv_float_flags "-msoft-float")
elseif(QORV_MIPSEL_FLOAT_ABI STREQUAL "hard")
  set(_qorv_float_flags "-mhard-float")
else()
  message(FATAL_ERROR "QORV_MIPSEL_FLOAT_ABI must be hard or soft, not '${QORV_MIPSEL_FLOAT_ABI}'")
endif()
set(CMAKE_C_FLAGS_INIT "${_qorv_float_flags}")
set(CMAKE_CXX_FLAGS_INIT "${_qorv_float_flags}")

if(QORV_MIPSEL_SYSROOT)
  set(CMAKE_SYSROOT "${QORV_MIPSEL_SYSROOT}")
endif()

# Look for target headers, libraries and CMake packages only in the target
# trees. Debian's cross g++ would otherwise also take the build machine's
# headers from /usr/include, and find_package would take the build
# machine's x86-64 libraries.
set(CMAKE_FIND_ROOT_PATH ${QORV_MIPSEL_LIBS} ${QORV_MIPSEL_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Debian's packages keep libraries and CMake package files under the
# multiarch folder, which the cross compiler does not report by itself.
set(CMAKE_LIBRARY_ARCHITECTURE mipsel-linux-gnu)
# The linker finds what the target libraries need in turn (libsystemd's
# compression and crypto libraries) in the same trees.
if(QORV_MIPSEL_LIBS)
  foreach(_qorv_link_flags CMAKE_EXE_LINKER_FLAGS_INIT CMAKE_SHARED_LINKER_FLAGS_INIT)
    string(APPEND ${_qorv_link_flags} " -Wl,-rpath-link,${QORV_MIPSEL_LIBS}/lib/mipsel-linux-gnu"
      " -Wl,-rpath-link,${QORV_MIPSEL_LIBS}/usr/lib/mipsel-linux-gnu")
  endforeach()
endif()

# A library of the private tree that needs another one there (libmosquitto
# needs libssl and libcrypto) has it found when a program links.
if(QORV_MIPSEL_LIBS)
  string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,-rpath-link,${QORV_MIPSEL_LIBS}/usr/lib/mipsel-linux-gnu")
  string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Wl,-rpath-link,${QORV_MIPSEL_LIBS}/usr/lib/mipsel-linux-gnu")
endif()

# Target programs (tests, test discovery, plugin-host in the golden tests)
# run under qemu user-mode emulation: the target's dynamic loader and
# runtime come from QORV_MIPSEL_RUNTIME, jsoncpp from the private library
# tree, and the build's own libraries from the build tree.
find_program(QORV_QEMU_MIPSEL qemu-mipsel)
if(QORV_QEMU_MIPSEL)
  set(_qorv_library_path "")
  foreach(_qorv_dir
      "${QORV_MIPSEL_LIBS}/usr/lib/mipsel-linux-gnu" "${QORV_MIPSEL_LIBS}/usr/lib"
      "${QORV_MIPSEL_LIBS}/lib/mipsel-linux-gnu" "${QORV_MIPSEL_LIBS}/lib")
    if(QORV_MIPSEL_LIBS AND IS_DIRECTORY "${_qorv_dir}")
      string(APPEND _qorv_library_path "${_qorv_dir}:")
    endif()
  endforeach()
  string(APPEND _qorv_library_path "${CMAKE_BINARY_DIR}/lib")
  set(_qorv_cpu "${QORV_MIPSEL_QEMU_CPU}")
  if(NOT _qorv_cpu AND QORV_MIPSEL_FLOAT_ABI STREQUAL "soft")
    set(_qorv_cpu 24Kc)
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR "${QORV_QEMU_MIPSEL}" -L "${QORV_MIPSEL_RUNTIME}")
  if(_qorv_cpu)
    list(APPEND CMAKE_CROSSCOMPILING_EMULATOR -cpu "${_qorv_cpu}")
  endif()
  list(APPEND CMAKE_CROSSCOMPILING_EMULATOR -E "LD_LIBRARY_PATH=${_qorv_library_path}")
endif()
