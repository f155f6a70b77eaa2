# The graphics layer writes PNG snapshots with libpng.
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
target_link_libraries(platform_gdi PUBLIC PkgConfig::PNG)
