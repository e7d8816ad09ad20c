# grimaze_module(<name> SOURCES ... [DEPS ...] [TESTS ...] [THREAD_TESTS ...] [TEST_DEPS ...] [TEST_LABELS ...])
#
# Declares the static library gz_<name> and, when testing is on, the test program
# <name>_tests built from TESTS. THREAD_TESTS go into <name>_thread_tests, labelled
# "threads": CI runs those under ThreadSanitizer too. Headers are included as
# "<folder>/<File>.h" from the source root, so every module looks alike from the outside.
function(grimaze_module name)
  cmake_parse_arguments(M "" "" "SOURCES;DEPS;TESTS;THREAD_TESTS;TEST_DEPS;TEST_LABELS" ${ARGN})
  add_library(gz_${name} STATIC ${M_SOURCES})
  target_include_directories(gz_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(gz_${name} PUBLIC ${M_DEPS})
  target_compile_definitions(gz_${name} PUBLIC GRIMAZE_VERSION="${PROJECT_VERSION}")
  if(M_TESTS AND BUILD_TESTING)
    grimaze_test(${name}_tests SOURCES ${M_TESTS} DEPS gz_${name} ${M_TEST_DEPS} LABELS ${name} ${M_TEST_LABELS})
  endif()
  if(M_THREAD_TESTS AND BUILD_TESTING)
    grimaze_test(${name}_thread_tests SOURCES ${M_THREAD_TESTS} DEPS gz_${name} ${M_TEST_DEPS}
      LABELS threads)
  endif()
endfunction()

# grimaze_test(<target> SOURCES ... DEPS ... [LABELS ...]); the last label counts.
# A GoogleTest program whose main() gives every test a private HOME and XDG folders.
function(grimaze_test target)
  cmake_parse_arguments(T "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${target} ${T_SOURCES})
  target_link_libraries(${target} PRIVATE ${T_DEPS} gz_testmain GTest::gtest GTest::gmock ${OpenCV_LIBS})
  target_compile_definitions(${target} PRIVATE
    GRIMAZE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    GRIMAZE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # The discovery script splits list values into separate properties, so each test program
  # carries one label: its module, or "threads" / "slow" when given.
  list(GET T_LABELS -1 label)
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    PROPERTIES LABELS ${label} TIMEOUT 300)
endfunction()

# grimaze_bench(<name> SOURCES ... DEPS ...): a Google Benchmark program (not run by ctest).
function(grimaze_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(bench_${name} ${B_SOURCES})
  target_link_libraries(bench_${name} PRIVATE ${B_DEPS} benchmark::benchmark ${OpenCV_LIBS})
  target_compile_definitions(bench_${name} PRIVATE GRIMAZE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endfunction()
