# corvanti_headers(target scope folder): src/<folder>'s headers on the target's include path,
# included as "<folder>/header.h", and nothing else of src/. The path is a folder of the
# build tree that holds only a link to src/<folder>.
function(corvanti_headers target scope folder)
  set(dir ${CMAKE_BINARY_DIR}/include/${folder})
  file(MAKE_DIRECTORY ${dir})
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${dir}/${folder} SYMBOLIC)
  target_include_directories(${target} ${scope} ${dir})
endfunction()

# corvanti_module(name deps...): the static library of src/<name>/*.cpp. Its dependants see
# its own headers and those of the modules it depends on.
function(corvanti_module name)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${name}/*.cpp)
  add_library(corvanti_${name} STATIC ${srcs})
  corvanti_headers(corvanti_${name} PUBLIC ${name})
  target_link_libraries(corvanti_${name} PUBLIC ${ARGN})
endfunction()

# corvanti_test_folder(folder deps...): one GoogleTest program per folder of tests/.
function(corvanti_test_folder folder)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  add_executable(${folder}_tests ${srcs})
  target_include_directories(${folder}_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${folder}_tests PRIVATE ${ARGN} corvanti_testsupport GTest::gtest GTest::gmock)
  target_compile_definitions(${folder}_tests PRIVATE
    CORVANTI_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
    CORVANTI_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    CORVANTI_BIN_DIR="${CORVANTI_BIN_DIR}")
  # The leak checker's options as a property of their own: the discovery would pass a list
  # of variables on as separate words.
  gtest_discover_tests(${folder}_tests
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               ENVIRONMENT_MODIFICATION
               "LSAN_OPTIONS=set:suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
    DISCOVERY_TIMEOUT 60)
endfunction()
