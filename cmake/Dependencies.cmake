# System libraries, all from Debian packages (scripts/install-deps.sh).
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
find_package(OpenSSL REQUIRED COMPONENTS Crypto SSL)
pkg_check_modules(HFAMP_PKGS REQUIRED IMPORTED_TARGET
  libpng freetype2 libusb-1.0 alsa opus glib-2.0 libjpeg libturbojpeg fftw3)

add_library(hfamp_deps INTERFACE)
target_link_libraries(hfamp_deps INTERFACE PkgConfig::HFAMP_PKGS OpenSSL::SSL OpenSSL::Crypto)
