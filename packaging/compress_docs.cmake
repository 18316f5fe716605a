# Run by CPack once it has installed into its staging folder: gzips the manual pages and the
# changelog there, as Debian keeps them (-n leaves name and time out, so the package is the same
# on every build).
find_program(GZIP gzip REQUIRED)
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_DIRECTORY}/*/share/man/man*/*")
file(GLOB_RECURSE changelogs "${CPACK_TEMPORARY_DIRECTORY}/*/share/doc/*/changelog.Debian")
list(FILTER pages EXCLUDE REGEX "\\.gz$")
foreach(file IN LISTS pages changelogs)
  execute_process(COMMAND ${GZIP} -9nf ${file} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not gzip ${file}")
  endif()
endforeach()
