# quellix_module(<name> SOURCES ... DEPS ...)
quellix_module(testmodule SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/testmodule/testmodule.cpp)
