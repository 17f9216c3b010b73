# Shared part of the ARM cross toolchains: Debian's cross compiler for
# HFAMP_CROSS_TRIPLET, the target's libraries, and qemu-user to run the
# target's programs (tests, build-time tools) on this machine.
#
# The libraries are the target's multiarch packages (/usr/lib/<triplet>), or,
# where those could not be installed beside the host's, the same packages
# unpacked into /var/lib/hfamp-cross/<arch> (scripts/install-cross-deps.sh).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${HFAMP_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${HFAMP_CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${HFAMP_CROSS_TRIPLET})

set(_sysroot /var/lib/hfamp-cross/${HFAMP_DEB_ARCH})
if(EXISTS ${_sysroot}/usr/include/png.h)
  set(CMAKE_SYSROOT ${_sysroot})
  set(CMAKE_FIND_ROOT_PATH ${_sysroot})
  set(ENV{PKG_CONFIG_SYSROOT_DIR} ${_sysroot})
  set(ENV{PKG_CONFIG_LIBDIR} "${_sysroot}/usr/lib/${HFAMP_CROSS_TRIPLET}/pkgconfig:${_sysroot}/usr/share/pkgconfig")
  # qemu's -L root holds the loader, the C run-time and every library.
  set(_qemu_root ${_sysroot})
  set(_libs ${_sysroot}/lib/${HFAMP_CROSS_TRIPLET}:${_sysroot}/usr/lib/${HFAMP_CROSS_TRIPLET})
else()
  set(CMAKE_FIND_ROOT_PATH /usr/${HFAMP_CROSS_TRIPLET})
  # pkg-config must read the target's .pc files, never the host's.
  set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${HFAMP_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig")
  # The loader and C run-time of the cross compiler's sysroot, the other
  # libraries from the multiarch folders, which its loader does not search.
  set(_qemu_root /usr/${HFAMP_CROSS_TRIPLET})
  set(_libs /usr/${HFAMP_CROSS_TRIPLET}/lib:/usr/lib/${HFAMP_CROSS_TRIPLET}:/lib/${HFAMP_CROSS_TRIPLET})
endif()
set(ENV{PKG_CONFIG_PATH} "")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

find_program(HFAMP_QEMU ${HFAMP_QEMU_NAME} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${HFAMP_QEMU};-L;${_qemu_root};-E;LD_LIBRARY_PATH=${_libs})
