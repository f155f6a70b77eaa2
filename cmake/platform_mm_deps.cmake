# The compression manager in platform/mm changes sample rates with libsoxr.
pkg_check_modules(SOXR REQUIRED IMPORTED_TARGET soxr)
target_link_libraries(platform_mm PUBLIC PkgConfig::SOXR)
