# The help page, in "Help" beside the program, copied from help/ in the tree.
file(GLOB help_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/*)
set(help_outputs)
foreach(source ${help_sources})
  get_filename_component(name ${source} NAME)
  set(output "${QUELLIX_BIN_DIR}/Help/${name}")
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${output}
    DEPENDS ${source}
    COMMENT "Copying the help page ${name}"
    VERBATIM)
  list(APPEND help_outputs ${output})
endforeach()
add_custom_target(quellix_help ALL DEPENDS ${help_outputs})
add_dependencies(quellix quellix_help)
if(TARGET test_app)
  add_dependencies(test_app quellix_help)
endif()
