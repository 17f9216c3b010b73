# The background pictures, made at build time by make-pictures and written
# beside the hfamp binary: the program loads "<name>.png" from its working
# directory.
set(HFAMP_PICTURE_NAMES start start120 statusB status img1 img1b img3 img3b m5a)
set(HFAMP_PICTURES "")
foreach(name ${HFAMP_PICTURE_NAMES})
  list(APPEND HFAMP_PICTURES ${PROJECT_BINARY_DIR}/${name}.png)
endforeach()
add_custom_command(
  OUTPUT ${HFAMP_PICTURES}
  COMMAND make-pictures ${PROJECT_BINARY_DIR}
  DEPENDS make-pictures
  COMMENT "Drawing the background pictures"
  VERBATIM)
add_custom_target(pictures ALL DEPENDS ${HFAMP_PICTURES})
# The package installs them beside the program (packaging/Packaging.cmake).
set(HFAMP_PICTURES ${HFAMP_PICTURES} PARENT_SCOPE)
set(HFAMP_PICTURE_NAMES ${HFAMP_PICTURE_NAMES} PARENT_SCOPE)
