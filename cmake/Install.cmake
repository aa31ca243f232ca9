# The installed library (GNU install folders): the public headers under
# include/vidlumen/ (the paths #include uses below it), the libraries (static, or shared
# with BUILD_SHARED_LIBS) under lib/, the CMake package VidLumenQRCode with the imported
# targets VidLumen::QRCode (headless: platform, imageio, QRCode/core ... document) and
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
foreach(target ${VL_QRCODE_LIBRARIES} ${VL_QRCODE_VIEWS_LIBRARIES})
  string(REGEX REPLACE "^vl_" "" name ${target})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${name})
endforeach()

set(VL_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/VidLumenQRCode)
install(TARGETS vl_qrcode vl_qrcode_views ${VL_QRCODE_LIBRARIES} ${VL_QRCODE_VIEWS_LIBRARIES}
        EXPORT VidLumenQRCodeTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT VidLumenQRCodeTargets NAMESPACE VidLumen:: DESTINATION ${VL_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VidLumenQRCodeConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/cmake/VidLumenQRCodeConfig.cmake
              ${CMAKE_CURRENT_SOURCE_DIR}/cmake/QRCodeDependencies.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/VidLumenQRCodeConfigVersion.cmake
        DESTINATION ${VL_INSTALL_CMAKEDIR})

install(DIRECTORY platform imageio QRCode DESTINATION ${VL_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.hpp")

list(TRANSFORM VL_QRCODE_LIBRARIES PREPEND "-l" OUTPUT_VARIABLE VL_PC_LIBS)
list(JOIN VL_PC_LIBS " " VL_PC_LIBS)
list(TRANSFORM VL_QRCODE_VIEWS_LIBRARIES PREPEND "-l" OUTPUT_VARIABLE VL_PC_VIEWS_LIBS)
list(JOIN VL_PC_VIEWS_LIBS " " VL_PC_VIEWS_LIBS)
# The .pc files find the prefix from their own place, so the installed tree can move:
# one ".." per folder of lib/pkgconfig.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(VL_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(VL_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
  set(VL_PC_PREFIX "\${pcfiledir}/..")
  string(REGEX MATCHALL "[^/]+" parts "${CMAKE_INSTALL_LIBDIR}")
  foreach(part ${parts})
    string(APPEND VL_PC_PREFIX "/..")
  endforeach()
  set(VL_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${VL_INSTALL_INCLUDEDIR}")
  set(VL_PC_INCLUDEDIR "${VL_INSTALL_INCLUDEDIR}")
else()
  set(VL_PC_INCLUDEDIR "\${prefix}/${VL_INSTALL_INCLUDEDIR}")
endif()
configure_file(cmake/vidlumen-qrcode.pc.in vidlumen-qrcode.pc @ONLY)
configure_file(cmake/vidlumen-qrcode-views.pc.in vidlumen-qrcode-views.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vidlumen-qrcode.pc ${CMAKE_CURRENT_BINARY_DIR}/vidlumen-qrcode-views.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
