# The backends: SDL2 for windows, input and the sound card on the desktop.
pkg_check_modules(SDL2B REQUIRED IMPORTED_TARGET sdl2)
target_link_libraries(platform_backend PUBLIC PkgConfig::SDL2B)
# The X side of SDL's windows: the hints a window manager reads, and our own
# handling of X errors.
pkg_check_modules(X11B REQUIRED IMPORTED_TARGET x11)
target_link_libraries(platform_backend PRIVATE PkgConfig::X11B)
