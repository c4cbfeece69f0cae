# What `cmake --install` puts in place, and the packages CPack makes of it: a
# Unix tree with a manual page for Linux, one folder to unzip for Windows.
include(GNUInstallDirs)

set(DETERMINANT_MAINTAINER "The determinant authors <determinant@example.org>" CACHE STRING
    "Package maintainer and contact, as: Name <address>")

set(package_text ${CMAKE_CURRENT_SOURCE_DIR}/cmake/package)
# The manual page carries the version from project().
configure_file(doc/determinant.1.in determinant.1 @ONLY)

if(WIN32)
  # Unzipped and double-clicked, the program must find the sample beside it,
  # and Notepad must show the documents and the sample, which README.txt asks
  # users to edit: plain text with CR LF line ends. The sample holds no @.
  configure_file(doc/README.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(examples/MatrixDataFile1.txt MatrixDataFile1.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS determinant RUNTIME DESTINATION .)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/MatrixDataFile1.txt ${CMAKE_CURRENT_BINARY_DIR}/README.txt
                ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt DESTINATION .)
else()
  # Debian's policy: a machine-readable copyright file, a changelog, and the
  # changelog and manual page compressed with gzip -9 and no time stamp.
  configure_file(${package_text}/copyright.in copyright @ONLY)
  configure_file(${package_text}/changelog.in changelog @ONLY)
  # The user's README; the developers' README.md stays with the source.
  configure_file(doc/README.in README @ONLY)
  find_program(GZIP_PROGRAM gzip REQUIRED)
  foreach(text determinant.1 changelog)
    execute_process(COMMAND ${GZIP_PROGRAM} -9 -n -f -k ${text}
                    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  install(TARGETS determinant RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Debian's own strip drops the compiler's version note; CPack's keeps it.
  if(CMAKE_OBJCOPY)
    install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/determinant\"
                  COMMAND_ERROR_IS_FATAL ANY)")
  endif()
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/determinant.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README ${CMAKE_CURRENT_BINARY_DIR}/copyright
                ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES examples/MatrixDataFile1.txt DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()

set(CPACK_PACKAGE_NAME determinant)
set(CPACK_PACKAGE_VENDOR "The determinant authors")
set(CPACK_PACKAGE_CONTACT "${DETERMINANT_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY determinant)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ DEB)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DETERMINANT_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION math)
# The extended description; CPack puts the summary line above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "determinant shows an integer matrix, typed in at the keyboard or picked from
the bracketed blocks of a plain-text data file, as a right-aligned table, and
its determinant in wrapping signed 32-bit arithmetic. Matrices up to 12x12
come from the keyboard and up to 22x22 from the data file.")
# The runtime libraries the binary links (libc, libstdc++) become its
# dependencies, read off the binary by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
