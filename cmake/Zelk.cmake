# Common settings for the project's own targets.
function(zelk_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# zelk_library(NAME SOURCES... DEPS ...): one static library per layer.
function(zelk_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  zelk_target_defaults(${name})
endfunction()

# zelk_test(NAME SOURCES... DEPS ...): one GoogleTest executable, registered with CTest.
# Tests run on Qt's offscreen platform so that no display is needed.
function(zelk_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  target_compile_definitions(${name} PRIVATE ZELK_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  zelk_target_defaults(${name})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;QT_STYLE_OVERRIDE=Fusion")
endfunction()

# zelk_bench(NAME SOURCES... DEPS ...): one Google Benchmark program.
function(zelk_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark)
  zelk_target_defaults(${name})
endfunction()
