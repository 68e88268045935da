# Test target for the model generator; include() this from the tests directory.
if(NOT TARGET GTest::gtest_main)
  find_package(GTest REQUIRED)
endif()
include(${PROJECT_SOURCE_DIR}/cmake/QuorvelTesting.cmake)

add_executable(tavgen_test ${CMAKE_CURRENT_LIST_DIR}/../../tests/tavgen_test.cpp)
target_link_libraries(tavgen_test PRIVATE tavgen_lib GTest::gtest_main quorvel_warnings)
quorvel_gtest(tavgen_test)
