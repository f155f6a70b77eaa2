# quellix_module(<name> SOURCES ... DEPS ...)
quellix_module(testmodule SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/testmodule/testmodule.cpp)
# The DSP plug-in the program loads at start; it binds to the program's window
# layer at run time, so it links none of the platform libraries.
quellix_module(dsp_vst SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/dsp_vst/DspVst.cpp)
# app/ is read before this folder, so the program's dependency is added here.
if(TARGET quellix)
  add_dependencies(quellix dsp_vst)
endif()
# DSP plug-ins for the engine's tests only.
if(QUELLIX_TESTS)
  foreach(plugin std own both v15 many throw)
    file(GLOB dsptest_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/dsptest_${plugin}/*.cpp)
    quellix_module(dsptest_${plugin} SOURCES ${dsptest_sources})
  endforeach()
endif()
# The MP3 encoder module over libmp3lame, loaded as "LAME_ENC.DLL".
quellix_module(lame_enc SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/lame_enc/LameEnc.cpp DEPS mp3lame)
if(TARGET quellix)
  add_dependencies(quellix lame_enc)
endif()
if(QUELLIX_TESTS)
  quellix_module(lametest_noentry SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/lametest_noentry/LameTestNoEntry.cpp)
endif()
# The MPEG audio decoder over libmpg123; its probe is also built into the
# fuzz target.
pkg_check_modules(QUELLIX_MPG123 REQUIRED IMPORTED_TARGET GLOBAL libmpg123)
quellix_module(mmmpeg32 SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/mmmpeg32/MMMpeg32.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/mmmpeg32/MpegProbe.cpp DEPS PkgConfig::QUELLIX_MPG123)
# Broken decoders for the loader's failure paths: one lacks an entry, one is too old.
if(QUELLIX_TESTS)
  quellix_module(mmmpeg32_noentry SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/mmmpeg32_test/NoEntry.cpp)
  quellix_module(mmmpeg32_v24 SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/mmmpeg32_test/Version24.cpp)
endif()
if(TARGET quellix)
  add_dependencies(quellix mmmpeg32)
endif()
# The CD digital audio module over libcdio and paranoia; the cue sheet reader
# of the drive model is built into it.
pkg_check_modules(QUELLIX_CDIO REQUIRED IMPORTED_TARGET GLOBAL libcdio libcdio_cdda libcdio_paranoia)
quellix_module(mmcdda32 SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/mmcdda32/MMCdda32.cpp
               ${CMAKE_SOURCE_DIR}/platform/kernel/CueSheet.cpp ${CMAKE_SOURCE_DIR}/files/MMCDATyp.cpp
               DEPS PkgConfig::QUELLIX_CDIO)
if(QUELLIX_TESTS)
  quellix_module(mmcdda32_noentry SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/mmcdda32_test/NoEntry.cpp)
  quellix_module(mmcdda32_v19 SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/mmcdda32_test/Version19.cpp)
endif()
if(TARGET quellix)
  add_dependencies(quellix mmcdda32)
endif()
