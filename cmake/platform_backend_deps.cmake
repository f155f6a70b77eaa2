# The backends: SDL2 for windows, input and the sound card on the desktop.
pkg_check_modules(SDL2B REQUIRED IMPORTED_TARGET sdl2)
target_link_libraries(platform_backend PUBLIC PkgConfig::SDL2B)
