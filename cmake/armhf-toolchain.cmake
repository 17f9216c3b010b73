# 32-bit ARM boards (armhf: ARMv7, hard float), Debian's arm-linux-gnueabihf
# cross compiler.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(HFAMP_CROSS_TRIPLET arm-linux-gnueabihf)
set(HFAMP_DEB_ARCH armhf)
set(HFAMP_QEMU_NAME qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/cross-linux.cmake)
