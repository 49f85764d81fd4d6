# The camera families of the product in the least form the frame needs until
# each family lands: accessor, release function, never enabled.
tarsel_library(TarselFamilies STATIC
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/AbsentSdkWrapper.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vesk/VeskSdkWrapper.cpp
    ${CMAKE_CURRENT_LIST_DIR}/lunet/LunetSdkWrapper.cpp
    ${CMAKE_CURRENT_LIST_DIR}/canon/CanonCDSdkWrapper.cpp
  LIBS TarselSettings TarselCore TarselEnv)
set_target_properties(TarselFamilies_obj TarselFamilies PROPERTIES POSITION_INDEPENDENT_CODE ON)
