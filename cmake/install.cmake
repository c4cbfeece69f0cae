# What `cmake --install` puts in place, and the packages CPack makes of it:
# the program, its manual page, and the sample data file with the README.
include(GNUInstallDirs)

# The manual page carries the version from project().
configure_file(doc/determinant.1.in determinant.1 @ONLY)

install(TARGETS determinant RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/determinant.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES examples/MatrixDataFile1.txt README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME determinant)
set(CPACK_PACKAGE_VENDOR "The determinant developers")
set(CPACK_PACKAGE_CONTACT "The determinant developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY determinant)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ DEB)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
# The runtime libraries the binary links (libc, libstdc++) become its
# dependencies, read off the binary by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
