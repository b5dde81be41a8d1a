# Helpers that keep every library's tests, benchmarks and fuzzers declared the same way.

# What every test executable and the owner of their shared precompiled header have in common:
# a precompiled header is used only under the flags and definitions it was made with.
function(_vantory_test_settings target)
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE
    VANTORY_CORPUS_DIR="${VANTORY_CORPUS_DIR}"
    VANTORY_EXTRA_CORPUS_DIR="${VANTORY_EXTRA_CORPUS_DIR}"
    VANTORY_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    VANTORY_BINARY_DIR="${CMAKE_BINARY_DIR}")
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # g++ silently parses the headers again when the precompiled one does not fit; make that
    # an error (clang already refuses a mismatch).
    target_compile_options(${target} PRIVATE -Winvalid-pch)
  endif()
  if(VANTORY_FUZZ)
    # No fuzz target runs test code: its coverage instrumentation only lengthened the build.
    target_compile_options(${target} PRIVATE -fno-sanitize=fuzzer-no-link)
  endif()
  if(VANTORY_SANITIZE)
    # The test files compile at -O0 in the sanitizer build, in well under half the time: they
    # were more than half of its compile work. The code under test (the libraries) keeps its
    # own flags, and the sanitizers check test code at -O0 as well.
    target_compile_options(${target} PRIVATE -O0)
  endif()
endfunction()

# vantory_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# One GoogleTest executable; every test case becomes a CTest test. A folder's test files go
# into one executable: a link per test file made up most of the build's link time, and the
# test cases still run one process each, so they stay apart. The labels apply to every test
# of the calling directory.
# Label "sanitize" marks tests that the ASan/UBSan run must execute (parsers, codec, wire);
# label "simd" those that run a second time with the portable code paths forced.
option(VANTORY_TEST_PCH "Precompile the test framework's headers once for all test executables" ON)
function(vantory_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT VANTORY_TESTS)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  _vantory_test_settings(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
  if(VANTORY_TEST_PCH)
    # GoogleTest's header costs more to parse than most test files themselves. It is
    # precompiled once for all the test executables, not a dozen times in every build; they
    # share its flags through _vantory_test_settings.
    if(NOT TARGET vantory_test_pch)
      set(source "${CMAKE_BINARY_DIR}/vantory_test_pch.cpp")
      file(WRITE "${source}" "// Owner of the test executables' shared precompiled header.\n")
      add_executable(vantory_test_pch EXCLUDE_FROM_ALL "${source}")
      _vantory_test_settings(vantory_test_pch)
      target_precompile_headers(vantory_test_pch PRIVATE <gtest/gtest.h> <string> <vector>
                                <thread> <filesystem> <fstream>)
    endif()
    target_precompile_headers(${T_NAME} REUSE_FROM vantory_test_pch)
  endif()
  gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 300)
  # Labels go on the directory (and so on every test case discovered in it): a list passed
  # through gtest_discover_tests loses its separators.
  get_property(labels DIRECTORY PROPERTY LABELS)
  list(APPEND labels ${T_LABELS})
  list(REMOVE_DUPLICATES labels)
  set_property(DIRECTORY PROPERTY LABELS "${labels}")
endfunction()

# vantory_add_benchmark(NAME <name> SOURCES <files...> LIBS <targets...>)
function(vantory_add_benchmark)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark)
  target_compile_definitions(${B_NAME} PRIVATE VANTORY_CORPUS_DIR="${VANTORY_CORPUS_DIR}"
                             VANTORY_EXTRA_CORPUS_DIR="${VANTORY_EXTRA_CORPUS_DIR}")
  target_include_directories(${B_NAME} PRIVATE "${CMAKE_SOURCE_DIR}/bench/common")
endfunction()

# vantory_add_fuzzer(NAME <name> SOURCES <files...> LIBS <targets...> [SEEDS <dirs...>]
#                    [DICT <files...>] [MAX_LEN <bytes>])
# A libFuzzer target, run as the CTest test "fuzz.<name>" (label "fuzz") for
# VANTORY_FUZZ_SECONDS. Its seeds are the given directories (read recursively) and, when it
# exists, the minimised seed folder "seeds/" beside the target's CMakeLists.txt and the inputs
# of past findings in VANTORY_CORPUS_DIR/fuzz-regressions/<name>/. A seed folder
# under VANTORY_CORPUS_DIR brings its twin under VANTORY_EXTRA_CORPUS_DIR too when that exists;
# a missing seed folder, or no seed at all, stops the configuration rather than leave the
# fuzzer unseeded. DICT names libFuzzer dictionaries of the format's tokens (relative to the
# calling folder or absolute; several are joined). MAX_LEN bounds the generated inputs (default 65536, the size that
# keeps file parsers fast; 16384 suits stream formats). The random seed is fixed
# (VANTORY_FUZZ_SEED) so that a failure seen in CI replays the same way on a desk;
# tools/fuzz-hunt.sh reads the same arguments back from CTest and runs longer with its own seeds.
# A single allocation above 256 MB is a finding (-malloc_limit_mb): no input of a parser may
# size one that large, however much memory the machine has.
function(vantory_add_fuzzer)
  cmake_parse_arguments(F "" "NAME;MAX_LEN" "SOURCES;LIBS;SEEDS;DICT" ${ARGN})
  add_executable(fuzz_${F_NAME} ${F_SOURCES})
  target_compile_options(fuzz_${F_NAME} PRIVATE -fsanitize=fuzzer
    -fsanitize-coverage-ignorelist=${CMAKE_SOURCE_DIR}/fuzz/harness-ignorelist.txt)
  set_source_files_properties(${F_SOURCES} PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/fuzz/harness-ignorelist.txt")
  target_link_options(fuzz_${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(fuzz_${F_NAME} PRIVATE ${F_LIBS})
  # Shared glue of the targets (fuzz/common/...).
  target_include_directories(fuzz_${F_NAME} PRIVATE "${CMAKE_SOURCE_DIR}")
  if(NOT F_MAX_LEN)
    set(F_MAX_LEN 65536)
  endif()
  set(options -max_len=${F_MAX_LEN})
  if(F_DICT)
    list(LENGTH F_DICT dict_count)
    set(dicts)
    foreach(dict IN LISTS F_DICT)
      get_filename_component(dict "${dict}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
      if(NOT EXISTS "${dict}")
        message(FATAL_ERROR "fuzz_${F_NAME}: dictionary ${dict} is missing")
      endif()
      list(APPEND dicts "${dict}")
    endforeach()
    if(dict_count EQUAL 1)
      list(APPEND options -dict=${dicts})
    else()
      # libFuzzer takes one dictionary: several are joined into one in the build folder.
      set(joined "${CMAKE_CURRENT_BINARY_DIR}/fuzz_${F_NAME}.dict")
      file(WRITE "${joined}" "")
      foreach(dict IN LISTS dicts)
        file(READ "${dict}" text)
        file(APPEND "${joined}" "${text}\n")
      endforeach()
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${dicts})
      list(APPEND options -dict=${joined})
    endif()
  endif()
  set(seed_dirs ${F_SEEDS})
  if(IS_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}/seeds")
    list(APPEND seed_dirs "${CMAKE_CURRENT_SOURCE_DIR}/seeds")
  endif()
  # Inputs that once failed (found by tools/fuzz-hunt.sh) are replayed by every run.
  if(IS_DIRECTORY "${VANTORY_CORPUS_DIR}/fuzz-regressions/${F_NAME}")
    list(APPEND seed_dirs "${VANTORY_CORPUS_DIR}/fuzz-regressions/${F_NAME}")
  endif()
  set(seeds)
  foreach(seed IN LISTS seed_dirs)
    if(NOT IS_DIRECTORY "${seed}")
      message(FATAL_ERROR "fuzz_${F_NAME}: seed folder ${seed} does not exist")
    endif()
    list(APPEND seeds "${seed}")
    cmake_path(IS_PREFIX VANTORY_CORPUS_DIR "${seed}" NORMALIZE in_corpus)
    if(in_corpus AND VANTORY_EXTRA_CORPUS_DIR)
      cmake_path(RELATIVE_PATH seed BASE_DIRECTORY "${VANTORY_CORPUS_DIR}" OUTPUT_VARIABLE relative)
      if(IS_DIRECTORY "${VANTORY_EXTRA_CORPUS_DIR}/${relative}")
        list(APPEND seeds "${VANTORY_EXTRA_CORPUS_DIR}/${relative}")
      endif()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES seeds)
  if(NOT seeds)
    message(FATAL_ERROR "fuzz_${F_NAME}: no seed folder (give SEEDS or add seeds/ beside it)")
  endif()
  set(work "${CMAKE_CURRENT_BINARY_DIR}/fuzz_${F_NAME}.corpus")
  file(MAKE_DIRECTORY "${work}")
  add_test(NAME fuzz.${F_NAME}
    COMMAND fuzz_${F_NAME} -max_total_time=${VANTORY_FUZZ_SECONDS} -seed=${VANTORY_FUZZ_SEED} -timeout=10
            -rss_limit_mb=2048 -malloc_limit_mb=256 ${options} -print_final_stats=1 "${work}"
            ${seeds})
  # The fuzz tests run one at a time, first, beside the other tests (tools/run-sanitized-tests.sh
  # gives CTest one slot more than the processors): each runs for a fixed time whatever share
  # of a processor it gets, and takes what the tests leave idle while they wait.
  set_tests_properties(fuzz.${F_NAME} PROPERTIES LABELS fuzz TIMEOUT 600 COST 1000
                       RESOURCE_LOCK vantory_fuzz_lane)
endfunction()
