# The installed library: the public headers under include/ (the paths #include uses), the
# static libraries under lib/, the CMake package VidLumenQRCode with the imported targets
# VidLumen::QRCode (headless: platform, imageio, QRCode/core ... document) and
# VidLumen::QRCodeViews (the GTK views and clipboard), and a pkg-config file for each.
include(CMakePackageConfigHelpers)

# In link order: each library before those it uses.
set(VL_QRCODE_LIBRARIES vl_qr_document vl_qr_render vl_qr_design vl_qr_eye vl_qr_pixel vl_qr_core vl_imageio
    vl_graphics vl_foundation)
set(VL_QRCODE_VIEWS_LIBRARIES vl_qr_views vl_platform_gtk)

add_library(vl_qrcode INTERFACE)
target_link_libraries(vl_qrcode INTERFACE ${VL_QRCODE_LIBRARIES})
add_library(vl_qrcode_views INTERFACE)
target_link_libraries(vl_qrcode_views INTERFACE ${VL_QRCODE_VIEWS_LIBRARIES} vl_qrcode)
set_target_properties(vl_qrcode PROPERTIES EXPORT_NAME QRCode)
set_target_properties(vl_qrcode_views PROPERTIES EXPORT_NAME QRCodeViews)
foreach(target ${VL_QRCODE_LIBRARIES} ${VL_QRCODE_VIEWS_LIBRARIES} vl_gif vl_qrcodegen)
  string(REGEX REPLACE "^vl_" "" name ${target})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${name})
endforeach()

install(TARGETS vl_qrcode vl_qrcode_views ${VL_QRCODE_LIBRARIES} ${VL_QRCODE_VIEWS_LIBRARIES} vl_gif vl_qrcodegen
        EXPORT VidLumenQRCodeTargets ARCHIVE DESTINATION lib)
install(EXPORT VidLumenQRCodeTargets NAMESPACE VidLumen:: DESTINATION lib/cmake/VidLumenQRCode)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VidLumenQRCodeConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/cmake/VidLumenQRCodeConfig.cmake
              ${CMAKE_CURRENT_SOURCE_DIR}/cmake/QRCodeDependencies.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/VidLumenQRCodeConfigVersion.cmake
        DESTINATION lib/cmake/VidLumenQRCode)

install(DIRECTORY platform imageio QRCode DESTINATION include FILES_MATCHING PATTERN "*.hpp")

list(TRANSFORM VL_QRCODE_LIBRARIES PREPEND "-l" OUTPUT_VARIABLE VL_PC_LIBS)
list(JOIN VL_PC_LIBS " " VL_PC_LIBS)
list(TRANSFORM VL_QRCODE_VIEWS_LIBRARIES PREPEND "-l" OUTPUT_VARIABLE VL_PC_VIEWS_LIBS)
list(JOIN VL_PC_VIEWS_LIBS " " VL_PC_VIEWS_LIBS)
configure_file(cmake/vidlumen-qrcode.pc.in vidlumen-qrcode.pc @ONLY)
configure_file(cmake/vidlumen-qrcode-views.pc.in vidlumen-qrcode-views.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vidlumen-qrcode.pc ${CMAKE_CURRENT_BINARY_DIR}/vidlumen-qrcode-views.pc
        DESTINATION lib/pkgconfig)
