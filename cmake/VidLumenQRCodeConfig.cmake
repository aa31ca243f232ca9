# The installed QR library: find_package(VidLumenQRCode CONFIG) gives
#   VidLumen::QRCode       the headless library (platform, imageio, QRCode/core ... document)
#   VidLumen::QRCodeViews  the GTK views and the GTK clipboard, on top of VidLumen::QRCode
# with the libraries they depend on. The views' target needs gtkmm-3.0; without it only
# VidLumen::QRCode is usable.
include("${CMAKE_CURRENT_LIST_DIR}/QRCodeDependencies.cmake")
pkg_check_modules(GTKMM QUIET IMPORTED_TARGET gtkmm-3.0)

include("${CMAKE_CURRENT_LIST_DIR}/VidLumenQRCodeTargets.cmake")
