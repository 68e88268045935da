# The release packages, made by the `package` target from the install rules:
# quorvel_<version>_amd64.deb on Linux, Quorvel-<version>-win32.zip on Windows.
# Every name and version comes from project(); packaging/ adds the files that
# only a package carries.

# Lines stay under 80 columns, as a Debian description's should.
string(JOIN "\n" QUORVEL_LONG_DESCRIPTION
       "Quorvel lists every animated object of a compiled TAV model (.tav) with its"
       "animation argument number and the kind of node that animates it, optionally"
       "pairs each object with a connector of the model, and writes the list as a"
       "plain-text report beside the model. It comes as a dialog, quorvel, and as a"
       "command-line program for scripts, quorvel-cli.")

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "the Quorvel authors")
set(CPACK_PACKAGE_CONTACT "Quorvel authors <authors@quorvel.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
set(CPACK_PACKAGE_DESCRIPTION ${QUORVEL_LONG_DESCRIPTION})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  # One folder, Quorvel-<version>-win32, holding both programs and the texts.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win32)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  # Depends names the libraries the programs link (GTK 3 among them).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The dialog opens a report with the desktop's handler through xdg-open.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
endif()

include(CPack)
