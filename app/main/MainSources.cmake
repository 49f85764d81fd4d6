# The program Tarsel. The application object, its About box, TarselEnv's Qt
# hooks and the signal handling form a static library (the tests link its
# objects); the program itself is main.cpp.
tarsel_library(TarselMain STATIC
  SOURCES
    TarselMApp.cpp
    AboutDlg.cpp
    StaticLink.cpp
    EnvHooks.cpp
    TerminationSignals.cpp
    ProgramMain.cpp
  LIBS Qt6::Widgets TarselFrame TarselHost TarselUi TarselSettings TarselEnv)
set_target_properties(TarselMain_obj PROPERTIES AUTOMOC ON)
target_compile_definitions(TarselMain_obj PRIVATE TARSEL_VERSION_TEXT="${PROJECT_VERSION}")

add_executable(Tarsel main.cpp)
target_link_libraries(Tarsel PRIVATE TarselMain)

if(BUILD_TESTING)
  add_subdirectory(tests)
endif()
