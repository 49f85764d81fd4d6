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

# tarsel_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [OWN_MAIN])
# One GoogleTest executable run as one CTest test; OWN_MAIN when the sources
# bring their own main (GUI tests that create the application first). Every test runs with its own
# home, XDG folders and registry hives below the build tree, so no test reads
# or writes the files of the user who runs it.
function(tarsel_test name)
  cmake_parse_arguments(ARG "OWN_MAIN" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} tarsel_testsupport GTest::gtest GTest::gmock Threads::Threads)
  if(NOT ARG_OWN_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  tarsel_test_properties(${name} LABELS ${ARG_LABELS})
endfunction()

# tarsel_test_properties(<test> [LABELS ...])
# The environment every test runs in: its own home, XDG folders and registry
# hives below the build tree, the test's source folder (TARSEL_TEST_DATA) and
# the folder of the built programs (TARSEL_BIN_DIR), Qt's offscreen platform.
function(tarsel_test_properties name)
  cmake_parse_arguments(ARG "" "" "LABELS" ${ARGN})
  set(home ${CMAKE_BINARY_DIR}/testhome/${name})
  set_tests_properties(${name} PROPERTIES
    LABELS "${ARG_LABELS}"
    TIMEOUT 300
    ENVIRONMENT "HOME=${home};XDG_CONFIG_HOME=${home}/.config;XDG_DATA_HOME=${home}/.local/share;TARSEL_REGISTRY_DIR=${home}/registry;TARSEL_MACHINE_REGISTRY=${home}/machine/machine.reg;TARSEL_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR};TARSEL_BIN_DIR=${TARSEL_BIN_DIR};QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;PYTHONDONTWRITEBYTECODE=1")
endfunction()
