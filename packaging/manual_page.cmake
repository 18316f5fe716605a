# Turns the manual page into HTML for the Windows zip, where there is no man: run as
#   cmake -DMANDOC=<mandoc> -DPAGE=<page.1> -DHTML=<page.html> -P manual_page.cmake
execute_process(COMMAND ${MANDOC} -T html ${PAGE}
  OUTPUT_FILE ${HTML} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${HTML})
  message(FATAL_ERROR "mandoc could not turn ${PAGE} into HTML")
endif()
