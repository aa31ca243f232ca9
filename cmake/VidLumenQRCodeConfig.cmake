# The installed QR library: find_package(VidLumenQRCode CONFIG) gives
#   VidLumen::QRCode       the headless library (platform, imageio, QRCode/core ... document)
#   VidLumen::QRCodeViews  the GTK views and the GTK clipboard, on top of VidLumen::QRCode
# with the libraries they depend on. The views' target needs gtkmm-3.0; without it only
# VidLumen::QRCode is usable. A missing dependency makes the package not found (with a
# message naming it); it does not stop the consumer's configuration.
include("${CMAKE_CURRENT_LIST_DIR}/QRCodeDependencies.cmake")
if(NOT VidLumenQRCode_DEPENDENCIES_FOUND)
  list(JOIN VidLumenQRCode_DEPENDENCIES_MISSING ", " missing)
  set(VidLumenQRCode_FOUND FALSE)
  set(VidLumenQRCode_NOT_FOUND_MESSAGE "VidLumenQRCode needs these, which were not found: ${missing}")
  unset(missing)
  return()
endif()
if(NOT TARGET PkgConfig::VidLumenQRCode_GTKMM)
  pkg_check_modules(VidLumenQRCode_GTKMM QUIET IMPORTED_TARGET gtkmm-3.0)
endif()

include("${CMAKE_CURRENT_LIST_DIR}/VidLumenQRCodeTargets.cmake")
