# Helpers that keep every test, fuzz target and benchmark built the same way.
#
#   pindrel_add_test(NAME foundation_text SOURCES a.cpp LIBS pindrel_foundation
#                    [ENVIRONMENT "K=V" ...] [LABELS gui])   (one label)
#   pindrel_add_fuzz(NAME fuzz_text SOURCES fuzz_text.cpp LIBS ... CORPUS dir [dir...]
#                    [RUNS 4000])
#   pindrel_add_benchmark(NAME bench_text SOURCES bench_text.cpp LIBS ...)
include(GoogleTest)

function(pindrel_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;ENVIRONMENT;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock pindrel_warnings)
  # The environment goes in front of the command (`cmake -E env K=V ...`)
  # rather than into PROPERTIES, where gtest_discover_tests would split a
  # list of several entries into property names. Discovery runs under it too.
  if(T_ENVIRONMENT)
    set_target_properties(${T_NAME} PROPERTIES
      CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-E;env;${T_ENVIRONMENT}")
  endif()
  set(label_property "")
  if(T_LABELS)
    list(GET T_LABELS 0 first_label)  # one label per test binary
    set(label_property LABELS ${first_label})
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ${label_property} TIMEOUT 300)
endfunction()

# A fuzz target defines LLVMFuzzerTestOneInput. Under PINDREL_LIBFUZZER it links
# against libFuzzer for long runs; otherwise it links against the replay driver,
# which runs every file of the corpus and a few thousand generated inputs, and is
# registered with CTest.
function(pindrel_add_fuzz)
  cmake_parse_arguments(F "" "NAME;RUNS" "SOURCES;LIBS;CORPUS" ${ARGN})
  if(NOT F_RUNS)
    set(F_RUNS 4000)
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS} pindrel_warnings)
  if(PINDREL_LIBFUZZER)
    target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  else()
    target_link_libraries(${F_NAME} PRIVATE pindrel_fuzz_replay)
    add_test(NAME ${F_NAME}_replay COMMAND ${F_NAME} --runs=${F_RUNS} ${F_CORPUS})
    set_tests_properties(${F_NAME}_replay PROPERTIES TIMEOUT 300 LABELS fuzz)
  endif()
endfunction()

function(pindrel_add_benchmark)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT PINDREL_BUILD_BENCHMARKS)
    return()
  endif()
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main pindrel_warnings)
endfunction()
