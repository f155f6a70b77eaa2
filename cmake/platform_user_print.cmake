# Printed pages become PDF through cairo.
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
target_link_libraries(platform_user PUBLIC PkgConfig::CAIRO)
