# The zip for Windows, made by `cpack -G ZIP` in the build folder: vqz2xml-<version>-win64.zip
# with the program (bin/vqz2xml.exe, needing no DLL but the system's), the library
# (bin/vqz2xml.dll, lib/vqz2xml.lib), its headers and CMake package, the schema, and the manual
# as HTML (share/doc/vqz2xml/vqz2xml.html), made at build time by mandoc where it is found.
find_program(VQZ2XML_MANDOC mandoc)
if(VQZ2XML_PROGRAM AND VQZ2XML_MANDOC)
  set(manual ${PROJECT_BINARY_DIR}/vqz2xml.html)
  add_custom_command(OUTPUT ${manual}
    COMMAND ${CMAKE_COMMAND} -DMANDOC=${VQZ2XML_MANDOC} -DPAGE=${PROJECT_SOURCE_DIR}/docs/vqz2xml.1
      -DHTML=${manual} -P ${CMAKE_CURRENT_SOURCE_DIR}/manual_page.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/vqz2xml.1 ${CMAKE_CURRENT_SOURCE_DIR}/manual_page.cmake
    VERBATIM)
  add_custom_target(manual_html ALL DEPENDS ${manual})
  install(FILES ${manual} DESTINATION ${CMAKE_INSTALL_DOCDIR})
elseif(VQZ2XML_PROGRAM)
  message(STATUS "vqz2xml: no mandoc, so the zip holds the manual page as it is")
  install(FILES ${PROJECT_SOURCE_DIR}/docs/vqz2xml.1 DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME LICENSE.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME vqz2xml)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the vqz2xml authors")
set(CPACK_PACKAGE_FILE_NAME vqz2xml-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};vqz2xml;ALL;/")
include(CPack)
