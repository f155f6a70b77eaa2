# The backends: SDL2 for windows and input on the desktop, libpng for snapshots.
pkg_check_modules(SDL2B REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(PNGB REQUIRED IMPORTED_TARGET libpng)
target_link_libraries(platform_backend PUBLIC PkgConfig::SDL2B PkgConfig::PNGB)
