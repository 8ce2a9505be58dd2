# DuVad.html, the reference of every export for VB6 and C programmers (shipped in the release
# archive), made by tools/reference.py from the comments and declarations of include/DuVad.h and
# bindings/vb6/DuVad.bas and the export table frame/DuVad.def. The step fails when an example's
# call does not fit its Declare. Lands in <build>/reference/DuVad.html.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(DUVAD_REFERENCE ${CMAKE_BINARY_DIR}/reference/DuVad.html)
add_custom_command(OUTPUT ${DUVAD_REFERENCE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/reference
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/reference.py html ${CMAKE_SOURCE_DIR}
          ${PROJECT_VERSION} ${DUVAD_REFERENCE}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/reference.py ${CMAKE_SOURCE_DIR}/tools/exports.py
          ${CMAKE_SOURCE_DIR}/include/DuVad.h ${CMAKE_SOURCE_DIR}/bindings/vb6/DuVad.bas
          ${CMAKE_SOURCE_DIR}/frame/DuVad.def
  COMMENT "DuVad.html from DuVad.h, DuVad.bas and DuVad.def"
  VERBATIM)
add_custom_target(duvad_reference ALL DEPENDS ${DUVAD_REFERENCE})
