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
