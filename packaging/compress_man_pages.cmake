# Run by CPack once it has installed into its staging folder: gzips the manual pages there, as
# Debian keeps them (-n leaves name and time out, so the package is the same on every build).
find_program(GZIP gzip REQUIRED)
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_DIRECTORY}/*/share/man/man*/*")
list(FILTER pages EXCLUDE REGEX "\\.gz$")
foreach(page IN LISTS pages)
  execute_process(COMMAND ${GZIP} -9nf ${page} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not gzip ${page}")
  endif()
endforeach()
