# The wave devices reach the sound card through SDL2.
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
target_link_libraries(platform_mm PUBLIC PkgConfig::SDL2)
