# corvanti_module(name deps...): the static library of src/<name>/*.cpp.
function(corvanti_module name)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${name}/*.cpp)
  add_library(corvanti_${name} STATIC ${srcs})
  target_include_directories(corvanti_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(corvanti_${name} PUBLIC ${ARGN})
endfunction()

# corvanti_test_folder(folder deps...): one GoogleTest program per folder of tests/.
function(corvanti_test_folder folder)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  add_executable(${folder}_tests ${srcs})
  target_include_directories(${folder}_tests PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${folder}_tests PRIVATE ${ARGN} corvanti_testsupport GTest::gtest GTest::gmock)
  target_compile_definitions(${folder}_tests PRIVATE
    CORVANTI_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
    CORVANTI_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    CORVANTI_BIN_DIR="${CORVANTI_BIN_DIR}")
  gtest_discover_tests(${folder}_tests
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()
