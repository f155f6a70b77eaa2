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
# the sources of tests/<folder>, registered with CTest under the label.
function(quellix_test folder)
  cmake_parse_arguments(ARG "" "LABEL" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  string(REPLACE "/" "_" name "test_${folder}")
  add_executable(${name} ${sources})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QUELLIX_BIN_DIR})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} quellix_testsupport GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${QUELLIX_BIN_DIR}
    PROPERTIES LABELS ${ARG_LABEL} ENVIRONMENT "QUELLIX_BACKEND=headless;QUELLIX_AUDIO=virtual"
    DISCOVERY_TIMEOUT 60)
endfunction()
