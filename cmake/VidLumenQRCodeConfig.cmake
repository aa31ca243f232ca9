# The installed QR library: find_package(VidLumenQRCode CONFIG) gives
#   VidLumen::QRCode       the headless library (platform, imageio, QRCode/core ... document)
#   VidLumen::QRCodeViews  the GTK views and the GTK clipboard, on top of VidLumen::QRCode
# with the libraries they depend on. The views' target needs gtkmm-3.0; without it only
# VidLumen::QRCode is usable.
include(CMakeFindDependencyMacro)
find_dependency(PkgConfig)
find_dependency(Threads)
find_dependency(nlohmann_json 3)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo cairo-pdf)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(JPEG REQUIRED IMPORTED_TARGET libjpeg)
pkg_check_modules(TIFF REQUIRED IMPORTED_TARGET libtiff-4)
pkg_check_modules(HEIF REQUIRED IMPORTED_TARGET libheif)
pkg_check_modules(QRENCODE REQUIRED IMPORTED_TARGET libqrencode)
pkg_check_modules(ZXING REQUIRED IMPORTED_TARGET zxing)
pkg_check_modules(GLIB REQUIRED IMPORTED_TARGET glib-2.0)
pkg_check_modules(GTKMM QUIET IMPORTED_TARGET gtkmm-3.0)

include("${CMAKE_CURRENT_LIST_DIR}/VidLumenQRCodeTargets.cmake")
