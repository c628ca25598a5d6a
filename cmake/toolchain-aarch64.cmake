# Cross build for 64-bit Arm Linux (aarch64) with Debian's cross compiler
# (g++-aarch64-linux-gnu) and the libraries installed as :arm64 multiarch packages
# (scripts/install-arm64-deps.sh). The arm64 headers and libraries live beside the build
# machine's own in the multiarch folders (/usr/include/aarch64-linux-gnu,
# /usr/lib/aarch64-linux-gnu), so the root of the target system is / itself.
#
#   cmake --preset arm64        (or -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-aarch64.cmake)
#
# ctest runs the arm64 test programs through qemu-user. The arm64 loader
# (/lib/ld-linux-aarch64.so.1, from libc6:arm64) finds the libraries through its own multiarch
# path, so no library prefix is given: QEMU_LD_PREFIX=/usr/aarch64-linux-gnu would load the
# cross compiler's copy of the C library beside the system's one, and such a process hangs.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(REZIVE_CROSS_TRIPLET aarch64-linux-gnu)

set(CMAKE_C_COMPILER ${REZIVE_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${REZIVE_CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${REZIVE_CROSS_TRIPLET})

# Only arm64 libraries and packages may be found; programs (code generators, the emulator)
# are the build machine's.
set(CMAKE_FIND_ROOT_PATH /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config answers for the arm64 .pc files only (pkgconf's triplet wrapper, or the same search
# path given by hand where the wrapper is missing).
find_program(REZIVE_CROSS_PKG_CONFIG ${REZIVE_CROSS_TRIPLET}-pkg-config)
if(REZIVE_CROSS_PKG_CONFIG)
  set(PKG_CONFIG_EXECUTABLE ${REZIVE_CROSS_PKG_CONFIG} CACHE FILEPATH "pkg-config of the target")
else()
  set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${REZIVE_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig")
endif()

find_program(REZIVE_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static)
if(REZIVE_QEMU_AARCH64)
  # -L / : the target's root is this machine's; the loader then takes the multiarch libraries.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${REZIVE_QEMU_AARCH64} -L /)
else()
  message(STATUS "qemu-aarch64 not found: the arm64 tests build but cannot run here")
endif()
