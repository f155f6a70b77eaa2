# The default project the program ships in "Analyzer Projects" beside it,
# written from the main window's description by the program's own writer
# (tools/projgen), so it follows every change of the window's layout.
add_executable(projgen ${CMAKE_SOURCE_DIR}/tools/projgen/main.cpp)
target_link_libraries(projgen PRIVATE quellix_app)
set_target_properties(projgen PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
# The main window's MPEG file component loads the decoder module as it is made;
# the tool finds it in the program folder.
target_compile_definitions(projgen PRIVATE QUELLIX_BIN_DIR="${QUELLIX_BIN_DIR}")
if(TARGET mmmpeg32)
  add_dependencies(projgen mmmpeg32)
endif()

set(QUELLIX_DEFAULT_PROJECT "${QUELLIX_BIN_DIR}/Analyzer Projects/Default.prj")
# A sanitizer build's tool ends with the leaks that program ends with.
add_custom_command(OUTPUT ${QUELLIX_DEFAULT_PROJECT}
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 QUELLIX_BACKEND=headless
          $<TARGET_FILE:projgen> ${QUELLIX_DEFAULT_PROJECT}
  DEPENDS projgen
  COMMENT "Writing the default project"
  VERBATIM)
add_custom_target(quellix_default_project ALL DEPENDS ${QUELLIX_DEFAULT_PROJECT})
add_dependencies(quellix quellix_default_project)
if(TARGET test_app)
  add_dependencies(test_app quellix_default_project)
endif()
# The project fuzzer's saved inputs are also loaded by the main window.
if(TARGET test_app)
  target_compile_definitions(test_app PRIVATE
    QUELLIX_PROJECT_CORPUS="${CMAKE_SOURCE_DIR}/fuzz/corpus/fuzz_project_file")
endif()
