# Helpers shared by every module's CMakeLists.

# tarsel_library(<name> <SHARED|MODULE> SOURCES ... [LIBS ...] [PRIVATE_LIBS ...])
# Builds the sources once as an OBJECT library <name>_obj (which the module's
# tests link directly, so they reach internals without exporting them) and the
# deliverable <name> from those objects. The export header <name>_export.h
# lands in the module's build folder and is on both targets' include paths.
function(tarsel_library name kind)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name}_obj OBJECT ${ARG_SOURCES})
  target_include_directories(${name}_obj PUBLIC ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR})
  target_link_libraries(${name}_obj PUBLIC ${ARG_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  add_library(${name} ${kind} $<TARGET_OBJECTS:${name}_obj>)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  generate_export_header(${name}_obj BASE_NAME ${name} EXPORT_FILE_NAME ${name}_export.h)
endfunction()

# tarsel_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [OWN_MAIN]
#             [ONE_PROCESS_SUITES <Suite> ...] [TYPED_SUITES <Suite>:<Type>,<Type>... ...])
# One GoogleTest executable; each of its cases is a CTest test of its own,
# named <name>.<Suite>.<Case>, so that ctest -j spreads them over the cores
# (ctest -R <name> still picks the whole program). OWN_MAIN when the sources
# bring their own main (GUI tests that create the application first). Every
# case runs with its own home, XDG folders and registry hives below the build
# tree, so cases running at once share no files, and no test reads or writes
# the files of the user who runs it. ONE_PROCESS_SUITES names suites of quick
# cases that neither read nor write the home: see tarsel_test_cases.
function(tarsel_test name)
  cmake_parse_arguments(ARG "OWN_MAIN" "" "SOURCES;LIBS;LABELS;ONE_PROCESS_SUITES;TYPED_SUITES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} tarsel_testsupport GTest::gtest GTest::gmock Threads::Threads)
  if(NOT ARG_OWN_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  tarsel_test_cases(${name} SOURCES ${ARG_SOURCES} LABELS ${ARG_LABELS} ONE_PROCESS_SUITES ${ARG_ONE_PROCESS_SUITES}
                    TYPED_SUITES ${ARG_TYPED_SUITES})
endfunction()

# tarsel_test_cases(<program> SOURCES ... [LABELS ...] [ONE_PROCESS_SUITES <Suite> ...]
#                   [TYPED_SUITES <Suite>:<Type>,<Type>... ...])
# Registers every TEST and TEST_F case written in the sources as a CTest test
# that runs <program> for that case alone. The sources are read when CMake
# configures (and again whenever one changes); a TEST line whose suite and
# case names cannot be read stops the configuration, so no case goes
# unregistered. The cases of a suite named in ONE_PROCESS_SUITES instead run
# one after the other in one run of <program>, the CTest test
# <program>.<Suite>, with one home: for suites whose cases cost less than the
# program's start-up and share nothing through the home. A case such a run
# skips fails it (the skip would otherwise hide the other cases' results).
# A TYPED_TEST(Suite, Case) runs once for each type of its suite: TYPED_SUITES
# names them as GoogleTest does (Suite:CameraLink,ActiveX gives the cases
# Suite/CameraLink.Case and Suite/ActiveX.Case), each a CTest test of its own;
# a typed suite not listed there stops the configuration.
function(tarsel_test_cases program)
  cmake_parse_arguments(ARG "" "" "SOURCES;LABELS;ONE_PROCESS_SUITES;TYPED_SUITES" ${ARGN})
  set(space "[ \t\r\n]*")
  set(case_regex "(^|\n)[ \t]*TEST(_F)?\\(${space}([A-Za-z_0-9]+)${space},${space}([A-Za-z_0-9]+)${space}\\)")
  set(typed_regex "(^|\n)[ \t]*TYPED_TEST\\(${space}([A-Za-z_0-9]+)${space},${space}([A-Za-z_0-9]+)${space}\\)")
  set(count 0)
  foreach(source IN LISTS ARG_SOURCES)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} OUTPUT_VARIABLE file)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    file(READ ${file} text)
    tarsel_cases_written(${file} "${text}" "${typed_regex}" "TYPED_TEST\\(" TYPED_TEST typed_cases)
    foreach(match IN LISTS typed_cases)
      string(REGEX MATCH "${typed_regex}" match "${match}")
      set(suite "${CMAKE_MATCH_2}")
      set(case "${CMAKE_MATCH_3}")
      set(types "")
      foreach(entry IN LISTS ARG_TYPED_SUITES)
        if(entry MATCHES "^${suite}:(.+)$")
          string(REPLACE "," ";" types "${CMAKE_MATCH_1}")
        endif()
      endforeach()
      if(NOT types)
        message(FATAL_ERROR "${file}: the typed suite ${suite} is not named in TYPED_SUITES")
      endif()
      foreach(type IN LISTS types)
        math(EXPR count "${count} + 1")
        tarsel_test_case(${program} "${suite}/${type}.${case}" "${suite}.${type}.${case}" "${ARG_LABELS}")
      endforeach()
    endforeach()
    tarsel_cases_written(${file} "${text}" "${case_regex}" "TEST(_F)?\\(" TEST cases)
    foreach(match IN LISTS cases)
      string(REGEX MATCH "${case_regex}" match "${match}")
      set(case "${CMAKE_MATCH_3}.${CMAKE_MATCH_4}")
      math(EXPR count "${count} + 1")
      if(CMAKE_MATCH_3 IN_LIST ARG_ONE_PROCESS_SUITES)
        list(APPEND suites_found ${CMAKE_MATCH_3})
        continue()
      endif()
      tarsel_test_case(${program} "${case}" "${case}" "${ARG_LABELS}")
    endforeach()
  endforeach()
  foreach(suite IN LISTS ARG_ONE_PROCESS_SUITES)
    if(NOT suite IN_LIST suites_found)
      message(FATAL_ERROR "${program}: no case of the suite ${suite} found in its sources")
    endif()
    add_test(NAME ${program}.${suite} COMMAND ${program} --gtest_filter=${suite}.*)
    tarsel_test_properties(${program}.${suite} HOME ${CMAKE_BINARY_DIR}/testhome/${program}/${suite} LABELS ${ARG_LABELS})
    set_tests_properties(${program}.${suite} PROPERTIES FAIL_REGULAR_EXPRESSION "Running 0 tests from;\\[  SKIPPED \\]")
  endforeach()
  if(count EQUAL 0)
    message(FATAL_ERROR "${program}: no TEST or TEST_F case found in its sources")
  endif()
endfunction()

# tarsel_cases_written(<file> <text> <case regex> <start regex> <macro> <out>)
# The matches of <case regex> in the source's text; a line starting with
# <start regex> that does not read as <macro>(Suite, Case) stops the
# configuration, so no case goes unregistered.
function(tarsel_cases_written file text regex start macro out)
  string(REGEX MATCHALL "${regex}" matches "${text}")
  file(STRINGS ${file} starts REGEX "^[ \t]*${start}")
  list(LENGTH matches found)
  list(LENGTH starts written)
  if(NOT found EQUAL written)
    message(FATAL_ERROR "${file}: ${written} ${macro} lines but ${found} readable as ${macro}(Suite, Case)")
  endif()
  set(${out} "${matches}" PARENT_SCOPE)
endfunction()

# tarsel_test_case(<program> <case> <home name> <labels>)
# The CTest test <program>.<case> that runs <program> for the GoogleTest case
# <case> alone, with the home testhome/<program>/<home name>.
function(tarsel_test_case program case home labels)
  add_test(NAME ${program}.${case} COMMAND ${program} --gtest_filter=${case})
  tarsel_test_properties(${program}.${case} HOME ${CMAKE_BINARY_DIR}/testhome/${program}/${home} LABELS ${labels})
  # A case the program does not hold (built out, renamed) runs nothing: that is a failure, not a pass.
  set_tests_properties(${program}.${case} PROPERTIES SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]"
                                                     FAIL_REGULAR_EXPRESSION "Running 0 tests from")
  if(case MATCHES "(^|\\.)DISABLED_")
    set_tests_properties(${program}.${case} PROPERTIES DISABLED TRUE)
  endif()
endfunction()

# tarsel_test_properties(<test> [HOME <folder>] [LABELS ...])
# The environment every test runs in: its own home (default: below the build
# tree, named after the test), XDG folders and registry hives in it, the
# test's source folder (TARSEL_TEST_DATA) and the folder of the built programs
# (TARSEL_BIN_DIR), Qt's offscreen platform, and the python interpreter
# itself (TARSEL_PYTHON) first on the PATH (no launcher in front of it).
function(tarsel_test_properties name)
  cmake_parse_arguments(ARG "" "HOME" "LABELS" ${ARGN})
  set(home ${CMAKE_BINARY_DIR}/testhome/${name})
  if(ARG_HOME)
    set(home ${ARG_HOME})
  endif()
  set_tests_properties(${name} PROPERTIES
    LABELS "${ARG_LABELS}"
    TIMEOUT 300
    ENVIRONMENT "HOME=${home};XDG_CONFIG_HOME=${home}/.config;XDG_DATA_HOME=${home}/.local/share;TARSEL_REGISTRY_DIR=${home}/registry;TARSEL_MACHINE_REGISTRY=${home}/machine/machine.reg;TARSEL_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR};TARSEL_BIN_DIR=${TARSEL_BIN_DIR};QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;PYTHONDONTWRITEBYTECODE=1")
  if(TARSEL_TEST_PATH)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT_MODIFICATION
                          "PATH=path_list_prepend:${TARSEL_TEST_PATH};TARSEL_PYTHON=set:${TARSEL_PYTHON}")
  endif()
endfunction()

# tarsel_fuzzer(<name> SOURCES ... CORPUS <folder> [LIBS ...] [OPTIONS ...])
# A fuzz target: one of its sources defines LLVMFuzzerTestOneInput over a parser of
# outside input; <folder> holds its seed corpus, a few small files; OPTIONS
# are libFuzzer options its runs take (such as -max_len=N). In a
# fuzzing build (TARSEL_FUZZ, clang) it becomes a libFuzzer program in
# <build>/fuzz, listed in <build>/fuzz/fuzzers.txt with its corpus and options, and the
# whole tree, the libraries under test included, carries the fuzzer's
# coverage instrumentation (see the root CMakeLists). In other builds a small
# driver feeds it every seed once, as the test <name>.corpus.
function(tarsel_fuzzer name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS;OPTIONS" ${ARGN})
  cmake_path(ABSOLUTE_PATH ARG_CORPUS BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} OUTPUT_VARIABLE corpus)
  if(TARSEL_FUZZ)
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    add_dependencies(tarsel_fuzzers ${name})
    list(JOIN ARG_OPTIONS " " options)
    file(APPEND ${CMAKE_BINARY_DIR}/fuzz/fuzzers.txt "${name} ${corpus} ${options}\n")
  elseif(BUILD_TESTING)
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} tarsel_fuzz_corpus_main)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${name}.corpus COMMAND ${name} ${corpus})
    tarsel_test_properties(${name}.corpus)
    # Scratch files (see FuzzScratch.h) go below the test's own home.
    set_property(TEST ${name}.corpus APPEND PROPERTY ENVIRONMENT "TMPDIR=${CMAKE_BINARY_DIR}/testhome/${name}.corpus/tmp")
  endif()
endfunction()
