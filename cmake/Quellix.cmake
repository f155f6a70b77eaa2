# quellix_library(<target> <folder> DEPS ...): one static library per source folder.
# Folders that hold no sources yet become interface libraries, so layers above
# can link them before they are written.
set(QUELLIX_LIBRARIES "" CACHE INTERNAL "")
function(quellix_library target folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
  set(QUELLIX_LIBRARIES ${QUELLIX_LIBRARIES} ${target} CACHE INTERNAL "")
endfunction()

# quellix_test(<folder> LABEL <label> DEPS ...): one GoogleTest program for
# the sources of tests/<folder>, registered with CTest under the label, one
# entry per test suite (cmake/TestSuites.cmake): starting a sanitizer process
# per case cost several times the tests' own time.
function(quellix_test folder)
  cmake_parse_arguments(ARG "" "LABEL" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  string(REPLACE "/" "_" folder_name "${folder}")
  set(name test_${folder_name})
  add_executable(${name} ${sources})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QUELLIX_BIN_DIR})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} quellix_testsupport GTest::gtest GTest::gtest_main)
  # The suites are listed when CTest starts and the program is newer than
  # the last list. The tests keep projects in the build tree, never in the
  # user's data folder.
  set(ctest_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_suites.cmake)
  set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_include.cmake)
  file(GENERATE OUTPUT ${include_file} CONTENT "\
if(NOT EXISTS [=[${ctest_file}]=]
   OR [=[$<TARGET_FILE:${name}>]=] IS_NEWER_THAN [=[${ctest_file}]=]
   OR [=[${include_file}]=] IS_NEWER_THAN [=[${ctest_file}]=])
  include([=[${CMAKE_SOURCE_DIR}/cmake/TestSuites.cmake]=])
  quellix_register_suites(
    EXECUTABLE [=[$<TARGET_FILE:${name}>]=]
    WORKING_DIRECTORY [=[${QUELLIX_BIN_DIR}]=]
    CTEST_FILE [=[${ctest_file}]=]
    PROGRAM [=[${folder_name}]=]
    LABEL [=[${ARG_LABEL}]=]
    ENVIRONMENT QUELLIX_BACKEND=headless QUELLIX_AUDIO=virtual
      XDG_DATA_HOME=${CMAKE_BINARY_DIR}/tests/data-home)
endif()
include([=[${ctest_file}]=])
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
