# 64-bit ARM boards (arm64), Debian's aarch64-linux-gnu cross compiler.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(HFAMP_CROSS_TRIPLET aarch64-linux-gnu)
set(HFAMP_DEB_ARCH arm64)
set(HFAMP_QEMU_NAME qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/cross-linux.cmake)
