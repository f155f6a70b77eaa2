# Skin packages: tools/skinpack, a host program built first, draws our skins
# and packs them; the build lays them out in skins/ beside the program.
add_executable(skinpack
  ${CMAKE_SOURCE_DIR}/tools/skinpack/main.cpp
  ${CMAKE_SOURCE_DIR}/tools/skinpack/Container.cpp
  ${CMAKE_SOURCE_DIR}/tools/skinpack/SkinArt.cpp
  ${CMAKE_SOURCE_DIR}/tools/skinpack/LzhufEncoder.cpp
  ${CMAKE_SOURCE_DIR}/tools/resgen/BmpWriter.cpp
  # The compressor shares the decoder's adaptive tree.
  ${CMAKE_SOURCE_DIR}/skin/SkinLzh.cpp)
target_include_directories(skinpack PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(skinpack PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(QUELLIX_SKINS_DIR ${QUELLIX_BIN_DIR}/skins)
set(skin_files default.skn mxskin11.SKN mxskin20.skn mxskin15.skn mxskin60.skn mxskin24.skn mxskin28.skn
    mxskin29.SKN mxskin30.skn mxskin35.skn mxskin40.skn mxskin47.skn mxskin56.skn mxskin59.skn mxskin67.skn)
list(TRANSFORM skin_files PREPEND ${QUELLIX_SKINS_DIR}/ OUTPUT_VARIABLE skin_outputs)
add_custom_command(OUTPUT ${skin_outputs}
  COMMAND skinpack --all ${QUELLIX_SKINS_DIR}
  DEPENDS skinpack
  COMMENT "Drawing and packing the skin packages"
  VERBATIM)
add_custom_target(quellix_skins ALL DEPENDS ${skin_outputs})

if(TARGET test_skin)
  add_dependencies(test_skin quellix_skins)
  target_compile_definitions(test_skin PRIVATE QUELLIX_SKINS_DIR="${QUELLIX_SKINS_DIR}")
  target_sources(test_skin PRIVATE ${CMAKE_SOURCE_DIR}/tools/skinpack/Container.cpp)
endif()

# The skinned program's tests take their expected colours from the themes and
# switch among the packages in skins/.
if(TARGET test_app)
  add_dependencies(test_app quellix_skins)
  target_sources(test_app PRIVATE ${CMAKE_SOURCE_DIR}/tools/skinpack/SkinArt.cpp
                                  ${CMAKE_SOURCE_DIR}/tools/resgen/BmpWriter.cpp)
endif()
