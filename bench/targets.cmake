# quellix_bench(<file name without .cpp> DEPS <libraries>): target bench_<name>.

# fft: RealFFT beside the single-precision builds of FFTW and KissFFT. A peer
# whose package is missing is left out of the run, not the build.
quellix_bench(fft DEPS engine)
pkg_check_modules(QUELLIX_FFTW3F QUIET IMPORTED_TARGET fftw3f)
if(QUELLIX_FFTW3F_FOUND)
  target_link_libraries(bench_fft PRIVATE PkgConfig::QUELLIX_FFTW3F)
  target_compile_definitions(bench_fft PRIVATE QUELLIX_BENCH_FFTW=1)
endif()
pkg_check_modules(QUELLIX_KISSFFT QUIET IMPORTED_TARGET kissfft-float)
if(QUELLIX_KISSFFT_FOUND)
  target_link_libraries(bench_fft PRIVATE PkgConfig::QUELLIX_KISSFFT)
  target_compile_definitions(bench_fft PRIVATE QUELLIX_BENCH_KISSFFT=1)
endif()

# analysis_chain: generator pulled through a peak detector, per buffer.
quellix_bench(analysis_chain DEPS engine)

# displays: the connector's copy and pacing, and each display's refresh pass,
# as CPU time per second of audio.
quellix_bench(displays DEPS displays)

# display_chain: the main window's display set fed by three connectors,
# driven as fast as it goes; ends with cpu_ms_per_audio_second=<value>.
quellix_bench(display_chain DEPS displays)

# codecs: MP3 encoding through the encoder sink and decoding through the
# decoder object, as multiples of real time for 44.1 kHz stereo; the modules
# are loaded from the program folder of the build.
quellix_bench(codecs DEPS files)
target_compile_definitions(bench_codecs PRIVATE QUELLIX_BIN_DIR="${QUELLIX_BIN_DIR}")
if(TARGET lame_enc)
  add_dependencies(bench_codecs lame_enc)
endif()
if(TARGET mmmpeg32)
  add_dependencies(bench_codecs mmmpeg32)
  target_link_libraries(bench_codecs PRIVATE mp3lame)
endif()

# app_chain: the main window's analysis and drawing path fed block by block
# with its connectors' passes, per display mode; ends with
# cpu_ms_per_audio_second=<value> for the start-up mode.
quellix_bench(app_chain DEPS quellix_app)

# latency: a tone on the loopback input until the main window's first
# presented picture that shows it, on the real clock, per delivery mode of the
# input; ends with latency_ms_median=<value> and latency_ms_p95=<value>.
quellix_bench(latency DEPS quellix_app)

# scan: a one-hour wave file scanned by the main window into a result slot;
# ends with scan_speed_x_realtime=<value> and scan_state_mb=<value>.
quellix_bench(scan DEPS quellix_app)

# These start the main window with the program's own default project, which
# the program's build puts beside it, and its MPEG decoder module from there.
foreach(bench app_chain latency scan)
  target_compile_definitions(bench_${bench} PRIVATE QUELLIX_BIN_DIR="${QUELLIX_BIN_DIR}")
  add_dependencies(bench_${bench} quellix)
  if(TARGET mmmpeg32)
    add_dependencies(bench_${bench} mmmpeg32)
  endif()
endforeach()
