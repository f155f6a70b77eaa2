# quellix_fuzz(<file name without .cpp> DEPS <libraries>)
quellix_fuzz(fuzz_registry_reader DEPS platform_registry)
quellix_fuzz(fuzz_wave_reader DEPS files engine)
quellix_fuzz(fuzz_form_reader DEPS platform_vcl)
quellix_fuzz(fuzz_bmp_reader DEPS platform_gdi)
quellix_fuzz(fuzz_dib_header DEPS engine)
quellix_fuzz(fuzz_bitmap_list DEPS controls)
quellix_fuzz(fuzz_adpcm_converter DEPS files engine)
quellix_fuzz(fuzz_recorder_format DEPS files engine)
quellix_fuzz(fuzz_skin_reader DEPS skin)
quellix_fuzz(fuzz_skin_stream DEPS skin)
quellix_fuzz(fuzz_stored_file_data DEPS utility)
quellix_fuzz(fuzz_sound_image DEPS platform_mm)
quellix_fuzz(fuzz_icon_file DEPS platform_user)
# The decoder module's probe and entries, built in with the library it wraps.
quellix_fuzz(fuzz_mpeg_probe DEPS PkgConfig::QUELLIX_MPG123)
foreach(t fuzz_mpeg_probe_replay fuzz_mpeg_probe_fuzzer)
  if(TARGET ${t})
    target_sources(${t} PRIVATE ${CMAKE_SOURCE_DIR}/modules/mmmpeg32/MMMpeg32.cpp
                   ${CMAKE_SOURCE_DIR}/modules/mmmpeg32/MpegProbe.cpp)
    target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR})
  endif()
endforeach()
# Its fixed package is packed with the tool's compressor.
quellix_fuzz(fuzz_skin_description DEPS skin)
foreach(t fuzz_skin_description_replay fuzz_skin_description_fuzzer)
  if(TARGET ${t})
    target_sources(${t} PRIVATE ${CMAKE_SOURCE_DIR}/tools/skinpack/LzhufEncoder.cpp
                   ${CMAKE_SOURCE_DIR}/tools/skinpack/Container.cpp)
    target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR})
  endif()
endforeach()
# The drive model's cue sheet reader, as the CD module builds it in.
quellix_fuzz(fuzz_cue_sheet DEPS platform_kernel)
# Project files as the main window reads them.
quellix_fuzz(fuzz_project_file DEPS quellix_app)
# What a later start of the program hands the running one over its socket.
quellix_fuzz(fuzz_instance_request DEPS platform_shell)
# The user's default applications, as the file associations update them.
quellix_fuzz(fuzz_mimeapps_list DEPS platform_shell)
# Result files as the exports read them.
quellix_fuzz(fuzz_export_values DEPS quellix_app)
