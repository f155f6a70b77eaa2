# quellix_module(<name> SOURCES ... DEPS ...)
quellix_module(testmodule SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/testmodule/testmodule.cpp)
# DSP plug-ins for the engine's tests only.
if(QUELLIX_TESTS)
  foreach(plugin std own both v15 many throw)
    file(GLOB dsptest_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/dsptest_${plugin}/*.cpp)
    quellix_module(dsptest_${plugin} SOURCES ${dsptest_sources})
  endforeach()
endif()
