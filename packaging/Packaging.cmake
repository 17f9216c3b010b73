# The Debian package hfamp_<version>_<arch>.deb: the program and its pictures
# in /opt/hfamp (it reads the pictures from its working directory), the two
# "/opt/fonts" faces as links to fonts-paratype's, the systemd service.
#   cmake --build build --target package     (or: cd build && cpack -G DEB)
set(HFAMP_INSTALL_DIR opt/hfamp)
install(TARGETS hfamp RUNTIME DESTINATION ${HFAMP_INSTALL_DIR})
install(FILES ${HFAMP_PICTURES} DESTINATION ${HFAMP_INSTALL_DIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/hfamp.service DESTINATION lib/systemd/system)
install(FILES ${PROJECT_SOURCE_DIR}/docs/board.md DESTINATION usr/share/doc/hfamp)  # the prefix is /, not /usr
foreach(face PTS55F PTS75F)
  install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/opt/fonts\")
    file(CREATE_LINK /usr/share/fonts/truetype/paratype/${face}.ttf
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/opt/fonts/${face}_W.ttf\" SYMBOLIC)")
endforeach()

# Debian's name of the target architecture (the host's dpkg answers for the
# host only, which is wrong in a cross build).
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
  set(HFAMP_DEB_ARCH arm64)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^arm")
  set(HFAMP_DEB_ARCH armhf)
else()
  set(HFAMP_DEB_ARCH amd64)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hfamp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program of an HF linear amplifier with automatic antenna tuner")
set(CPACK_PACKAGE_DESCRIPTION "Runs inside the amplifier on its ARM board: display, front-panel buttons,\
 amplifier link, frequency following, antenna tuning and remote operation.\
 Started by systemd as hfamp.service and restarted whenever it exits.")
set(CPACK_PACKAGE_CONTACT "hfamp developers <hfamp@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${HFAMP_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
# The libraries' packages are found when cpack runs (PackageDepends.cmake);
# the faces and the programs the service needs are named here.
set(CPACK_HFAMP_PROGRAM ${PROJECT_BINARY_DIR}/hfamp)
set(CPACK_HFAMP_OTHER_DEPENDS fonts-dejavu-core fonts-paratype systemd mount)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageDepends.cmake)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/postinst ${CMAKE_CURRENT_LIST_DIR}/prerm ${CMAKE_CURRENT_LIST_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
