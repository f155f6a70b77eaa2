# Resources: tools/resgen, a host program built first, packs a resource folder
# into a generated C++ source at build time; the source becomes a library that
# defines Register<Name>Resources() and <Name>ResourceTable().
file(GLOB resgen_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/resgen/*.cpp)
add_executable(resgen ${resgen_sources})
set_target_properties(resgen PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

# DRAWN adds what tools/resgen/Generators.cpp draws (the program's table only);
# FILES dir file... splices the files (build outputs under dir) into the form
# descriptions that name them as {@file:NAME}.
function(quellix_resources target folder name)
  cmake_parse_arguments(arg "DRAWN" "" "FILES" ${ARGN})
  set(drawn)
  if(arg_DRAWN)
    set(drawn --drawn)
  endif()
  set(files)
  set(spliced)
  if(arg_FILES)
    list(POP_FRONT arg_FILES files_dir)
    set(files --files ${files_dir})
    list(TRANSFORM arg_FILES PREPEND ${files_dir}/ OUTPUT_VARIABLE spliced)
  endif()
  # Globbed at build time too, so an added or removed file repacks.
  file(GLOB_RECURSE inputs CONFIGURE_DEPENDS ${folder}/*)
  set(source ${CMAKE_BINARY_DIR}/generated/${target}.cpp)
  add_custom_command(OUTPUT ${source}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
    COMMAND resgen --name ${name} ${drawn} ${files} --out ${source} ${folder}
    DEPENDS resgen ${inputs} ${spliced}
    COMMENT "Packing resources of ${folder}"
    VERBATIM)
  add_library(${target} STATIC ${source})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC platform_kernel)
endfunction()

# The main window's description stores the default skin package.
quellix_resources(quellix_resources ${CMAKE_SOURCE_DIR}/resources Program DRAWN
  FILES ${QUELLIX_BIN_DIR} skins/default.skn)

set(fixture ${CMAKE_SOURCE_DIR}/tests/resources/fixture)
if(TARGET test_platform_kernel OR TARGET test_engine)
  quellix_resources(quellix_resources_fixture ${fixture} Fixture)
endif()

if(TARGET test_platform_kernel)
  target_link_libraries(test_platform_kernel PRIVATE quellix_resources quellix_resources_fixture)
  target_compile_definitions(test_platform_kernel PRIVATE
    QUELLIX_RESGEN="$<TARGET_FILE:resgen>" QUELLIX_RESOURCE_FIXTURE="${fixture}")
  add_dependencies(test_platform_kernel resgen)
endif()

# Engine tests read the library messages from the program's own table, and
# wave sources from the fixture's.
if(TARGET test_engine)
  target_link_libraries(test_engine PRIVATE quellix_resources quellix_resources_fixture)
endif()

# The control tests load the player glyphs.
if(TARGET test_controls)
  target_link_libraries(test_controls PRIVATE quellix_resources)
endif()

# Display tests read the library messages from the program's table.
if(TARGET test_displays)
  target_link_libraries(test_displays PRIVATE quellix_resources)
endif()

# File tests read the library messages from the program's table.
if(TARGET test_files)
  target_link_libraries(test_files PRIVATE quellix_resources)
endif()

# The skin tests load the track resources a skin falls back to.
if(TARGET test_skin)
  target_link_libraries(test_skin PRIVATE quellix_resources)
endif()
