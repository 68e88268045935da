# quorvel_gtest(TARGET): registers a GoogleTest program with CTest.
# Natively every test case is its own CTest test. In a cross build each case
# would start the emulator (Wine) once at discovery and once per case, so the
# program runs as one test there and GoogleTest names any failing case.
include(GoogleTest)

function(quorvel_gtest target)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
  else()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# quorvel_e2e_test(NAME NEEDS WHAT... COMMAND ARGS...): an end-to-end test,
# registered whatever the machine has. Each WHAT is a target or a variable that
# is true when a tool is there (find_program's result). When any is missing,
# the test exits 77 naming them: ctest shows it as skipped, and
# scripts/test.sh, which installs every tool, fails the stage for it.
function(quorvel_e2e_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "NEEDS;COMMAND")
  set(missing)
  foreach(need IN LISTS arg_NEEDS)
    if(NOT TARGET ${need} AND NOT ${need})
      list(APPEND missing ${need})
    endif()
  endforeach()
  if(missing)
    list(JOIN missing " " missing)
    message(STATUS "${name}: missing ${missing}; the test is registered as skipped")
    add_test(NAME ${name} COMMAND sh -c "echo \"$0: skipped, missing $1\" >&2; exit 77" ${name}
                                  "${missing}")
  else()
    add_test(NAME ${name} COMMAND ${arg_COMMAND})
  endif()
  set_tests_properties(${name} PROPERTIES LABELS e2e RUN_SERIAL TRUE TIMEOUT 300
                                          SKIP_RETURN_CODE 77)
endfunction()

# quorvel_test_program(VAR TARGET): sets VAR to what a test script runs for
# TARGET: its file, or under an emulator (CMAKE_CROSSCOMPILING_EMULATOR) a
# script beside it that runs it there with the arguments it is given.
function(quorvel_test_program var target)
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(${var} $<TARGET_FILE:${target}> PARENT_SCOPE)
    return()
  endif()
  list(JOIN CMAKE_CROSSCOMPILING_EMULATOR "\" \"" emulator)
  set(script ${CMAKE_BINARY_DIR}/emulated/${target})
  file(GENERATE OUTPUT ${script}
       CONTENT "#!/bin/sh\nexec \"${emulator}\" \"$<TARGET_FILE:${target}>\" \"$@\"\n"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                        WORLD_READ WORLD_EXECUTE)
  set(${var} ${script} PARENT_SCOPE)
endfunction()
