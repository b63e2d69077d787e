# Run by CPack on the files it is about to package: strips every program and library as
# Debian's own packages are stripped (no symbols, no compiler notes), so the package holds
# no debugging data.
file(GLOB_RECURSE files LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS files)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")
    continue()
  endif()
  set(how)
  if(file MATCHES "\\.so(\\.[0-9]+)*$")
    # A library keeps the symbols others link against.
    set(how --strip-unneeded)
  endif()
  execute_process(
    COMMAND strip --remove-section=.comment --remove-section=.note ${how} "${file}"
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "Could not strip ${file}")
  endif()
endforeach()
