# The tray, notifications and power calls of platform/shell talk to the
# desktop's message buses through libdbus-1.
pkg_check_modules(DBUS REQUIRED IMPORTED_TARGET dbus-1)
target_link_libraries(platform_shell PUBLIC PkgConfig::DBUS)
