# Run by cpack (CPACK_PROJECT_CONFIG_FILE): the package's Depends from the
# shared libraries the program links, as dpkg-shlibdeps would give them, for
# any target architecture. Each NEEDED soname is looked up in the shlibs files
# of the host's own packages: a Debian release names a library's package, and
# its minimum version, the same on every architecture, and a cross build's
# target packages may not be installed through dpkg at all.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

execute_process(COMMAND readelf -d ${CPACK_HFAMP_PROGRAM} OUTPUT_VARIABLE _dynamic RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "readelf cannot read ${CPACK_HFAMP_PROGRAM}")
endif()
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE _host OUTPUT_STRIP_TRAILING_WHITESPACE)
file(GLOB _shlibs /var/lib/dpkg/info/*:${_host}.shlibs)

string(REGEX MATCHALL "\\(NEEDED\\)[^[]*\\[[^]]*\\]" _needed "${_dynamic}")
set(_depends "")
foreach(_entry ${_needed})
  string(REGEX REPLACE ".*\\[(.*)\\]" "\\1" _soname "${_entry}")
  if(NOT _soname MATCHES "^(.+)\\.so\\.([0-9.]+)$")
    message(FATAL_ERROR "library ${_soname}: no version in its soname")
  endif()
  set(_lib "${CMAKE_MATCH_1}")
  set(_ver "${CMAKE_MATCH_2}")
  string(REPLACE "+" "\\+" _lib_re "${_lib}")
  set(_found "")
  foreach(_file ${_shlibs})
    file(STRINGS ${_file} _lines REGEX "^${_lib_re} ${_ver} ")
    if(_lines)
      list(GET _lines 0 _line)
      string(REGEX REPLACE "^${_lib_re} ${_ver} " "" _found "${_line}")
      break()
    endif()
  endforeach()
  if(NOT _found)
    message(FATAL_ERROR "no installed package declares ${_soname}: install its package on this machine")
  endif()
  list(APPEND _depends "${_found}")
endforeach()
list(REMOVE_DUPLICATES _depends)
list(APPEND _depends ${CPACK_HFAMP_OTHER_DEPENDS})
list(JOIN _depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
