# JPEG pictures (platform/vcl/Jpeg.cpp) through libjpeg-turbo's classic interface.
find_package(JPEG REQUIRED)
target_link_libraries(platform_vcl PUBLIC JPEG::JPEG)
