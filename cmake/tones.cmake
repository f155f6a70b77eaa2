# The test signals the program plays, in "Tones" beside it: drawn by
# tools/tonegen, the sweep encoded by the program's own MP3 encoder module.
add_executable(tonegen
  ${CMAKE_SOURCE_DIR}/tools/tonegen/main.cpp
  ${CMAKE_SOURCE_DIR}/tools/tonegen/TestSignals.cpp)
target_include_directories(tonegen PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(tonegen PRIVATE engine)
set_target_properties(tonegen PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(QUELLIX_TONES_DIR "${QUELLIX_BIN_DIR}/Tones")
set(tone_files "${QUELLIX_TONES_DIR}/pink noise.wav" "${QUELLIX_TONES_DIR}/white noise.wav"
    "${QUELLIX_TONES_DIR}/sweep.mp3")
# A sanitizer build's tool ends with the leaks that program ends with.
add_custom_command(OUTPUT ${tone_files}
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:tonegen> ${QUELLIX_TONES_DIR} $<TARGET_FILE:lame_enc>
  DEPENDS tonegen lame_enc
  COMMENT "Writing the test signals"
  VERBATIM)
add_custom_target(quellix_tones ALL DEPENDS ${tone_files})
add_dependencies(quellix quellix_tones)
if(TARGET test_app)
  add_dependencies(test_app quellix_tones)
endif()
