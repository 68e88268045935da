# Debian's hardening flags for the native release build, the one the .deb is
# made from: fortified C library calls, stack protector, full RELRO and
# immediate binding, taken from dpkg-buildflags (hardening=+all) so that they
# follow what the distribution asks of its packages. Optimisation and debug
# flags stay the build type's own. Cross builds and other build types are
# left alone. Include before any target is defined.
option(QUORVEL_HARDENING "Debian's hardening flags in native Release builds" ON)
find_program(QUORVEL_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT QUORVEL_HARDENING OR WIN32 OR CMAKE_CROSSCOMPILING OR NOT CMAKE_BUILD_TYPE STREQUAL "Release")
  return()
endif()
if(NOT QUORVEL_DPKG_BUILDFLAGS)
  message(WARNING "dpkg-buildflags not found: the release build is not hardened")
  return()
endif()

function(quorvel_buildflags kind out)
  execute_process(COMMAND env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                          ${QUORVEL_DPKG_BUILDFLAGS} --get ${kind}
                  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-g|^-O|^-ffile-prefix-map=")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

quorvel_buildflags(CPPFLAGS QUORVEL_HARDENING_CPPFLAGS)
quorvel_buildflags(CXXFLAGS QUORVEL_HARDENING_CXXFLAGS)
quorvel_buildflags(LDFLAGS QUORVEL_HARDENING_LDFLAGS)
add_compile_options(${QUORVEL_HARDENING_CPPFLAGS} ${QUORVEL_HARDENING_CXXFLAGS})
add_link_options(${QUORVEL_HARDENING_LDFLAGS})
message(STATUS "Hardening: ${QUORVEL_HARDENING_CPPFLAGS} ${QUORVEL_HARDENING_CXXFLAGS} "
               "${QUORVEL_HARDENING_LDFLAGS}")
