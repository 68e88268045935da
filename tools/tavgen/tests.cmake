# Test target for the model generator; include() this from the tests directory.
if(NOT TARGET GTest::gtest_main)
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

add_executable(tavgen_test ${CMAKE_CURRENT_LIST_DIR}/../../tests/tavgen_test.cpp)
target_link_libraries(tavgen_test PRIVATE tavgen_lib GTest::gtest_main quorvel_warnings)
gtest_discover_tests(tavgen_test)
