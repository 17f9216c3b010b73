# Shared part of the ARM cross toolchains: Debian's cross compiler for
# HFAMP_CROSS_TRIPLET, the target's multiarch libraries, and qemu-user to run
# the target's programs (tests, build-time tools) on this machine.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${HFAMP_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${HFAMP_CROSS_TRIPLET}-g++)

# Multiarch: the target's libraries live beside the host's under
# /usr/lib/<triplet>, its headers in /usr/include/<triplet> and /usr/include.
set(CMAKE_LIBRARY_ARCHITECTURE ${HFAMP_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH /usr/${HFAMP_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# pkg-config must read the target's .pc files, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${HFAMP_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_EXECUTABLE /usr/bin/pkg-config CACHE FILEPATH "")

# The loader and libc come from the cross sysroot; the other shared libraries
# from the multiarch folders, which qemu finds under its -L root as /lib/<triplet>
# only if we point it there, so tell the target's loader where they are.
find_program(HFAMP_QEMU ${HFAMP_QEMU_NAME} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${HFAMP_QEMU};-L;/usr/${HFAMP_CROSS_TRIPLET};-E;LD_LIBRARY_PATH=/usr/lib/${HFAMP_CROSS_TRIPLET}:/lib/${HFAMP_CROSS_TRIPLET})
