# What the headless QR library links, as imported targets under this package's own names
# (PkgConfig::VidLumenQRCode_<NAME>, VidLumenQRCode::gif, VidLumenQRCode::qrcodegen):
# read by this build and by the installed package (VidLumenQRCodeConfig.cmake), so that
# both name the same targets. The look-ups are quiet and set only VidLumenQRCode_*
# variables, so a consumer's own PNG_LIBRARIES and the like stay as they were. When
# something is missing, VidLumenQRCode_DEPENDENCIES_FOUND is FALSE and
# VidLumenQRCode_DEPENDENCIES_MISSING names what.
set(VidLumenQRCode_DEPENDENCIES_FOUND TRUE)
set(VidLumenQRCode_DEPENDENCIES_MISSING "")

find_package(PkgConfig QUIET)
find_package(nlohmann_json 3 QUIET)
find_package(Threads QUIET)
if(NOT PKG_CONFIG_FOUND)
  list(APPEND VidLumenQRCode_DEPENDENCIES_MISSING pkg-config)
endif()
if(NOT nlohmann_json_FOUND)
  list(APPEND VidLumenQRCode_DEPENDENCIES_MISSING nlohmann_json)
endif()
if(NOT Threads_FOUND)
  list(APPEND VidLumenQRCode_DEPENDENCIES_MISSING Threads)
endif()

if(PKG_CONFIG_FOUND)
  foreach(dependency CAIRO:cairo,cairo-pdf PNG:libpng JPEG:libjpeg TIFF:libtiff-4 HEIF:libheif DE265:libde265
                     QRENCODE:libqrencode ZXING:zxing ZBAR:zbar GLIB:glib-2.0)
    string(REPLACE ":" ";" parts "${dependency}")
    list(POP_FRONT parts name)
    string(REPLACE "," ";" modules "${parts}")
    if(NOT TARGET PkgConfig::VidLumenQRCode_${name})
      pkg_check_modules(VidLumenQRCode_${name} QUIET IMPORTED_TARGET ${modules})
    endif()
    if(NOT TARGET PkgConfig::VidLumenQRCode_${name})
      list(APPEND VidLumenQRCode_DEPENDENCIES_MISSING ${modules})
    endif()
  endforeach()
endif()

# giflib and qrcodegen ship no pkg-config file on every system: their library and header
# are looked up here, when the package is loaded, not recorded as paths of this machine.
foreach(dependency gif:gif:gif_lib.h qrcodegen:qrcodegencpp:qrcodegen.hpp)
  string(REPLACE ":" ";" parts "${dependency}")
  list(GET parts 0 name)
  list(GET parts 1 library)
  list(GET parts 2 header)
  if(NOT TARGET VidLumenQRCode::${name})
    find_library(VidLumenQRCode_${name}_LIBRARY ${library})
    find_path(VidLumenQRCode_${name}_INCLUDE_DIR ${header} PATH_SUFFIXES qrcodegen qrcodegencpp)
    mark_as_advanced(VidLumenQRCode_${name}_LIBRARY VidLumenQRCode_${name}_INCLUDE_DIR)
    if(VidLumenQRCode_${name}_LIBRARY AND VidLumenQRCode_${name}_INCLUDE_DIR)
      add_library(VidLumenQRCode::${name} UNKNOWN IMPORTED)
      set_target_properties(VidLumenQRCode::${name} PROPERTIES
                            IMPORTED_LOCATION "${VidLumenQRCode_${name}_LIBRARY}"
                            INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${VidLumenQRCode_${name}_INCLUDE_DIR}"
                            INTERFACE_INCLUDE_DIRECTORIES "${VidLumenQRCode_${name}_INCLUDE_DIR}")
    endif()
  endif()
  if(NOT TARGET VidLumenQRCode::${name})
    list(APPEND VidLumenQRCode_DEPENDENCIES_MISSING ${library})
  endif()
endforeach()

if(VidLumenQRCode_DEPENDENCIES_MISSING)
  set(VidLumenQRCode_DEPENDENCIES_FOUND FALSE)
endif()
