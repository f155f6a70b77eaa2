# Text in platform/gdi: faces found through fontconfig, glyphs from FreeType.
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
target_link_libraries(platform_gdi PUBLIC PkgConfig::FREETYPE PkgConfig::FONTCONFIG)
