# cmake -DBUILD_DIR=... -DCONSUMER_DIR=... -DDECODER=... -DCXX=... -P ConsumeInstalled.cmake
#
# The library as another program uses it: builds the library targets, installs the
# project into a temporary prefix, then builds the consumer program (outside the source
# tree) against that prefix twice, once with find_package and once with pkg-config. Each
# build writes a styled PNG of a URL, which ZXing and zbar must read, and neither may load
# GTK or GDK. The temporary folder is removed afterwards unless a step fails.
cmake_minimum_required(VERSION 3.25)
foreach(var BUILD_DIR CONSUMER_DIR DECODER CXX)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ConsumeInstalled.cmake needs -D${var}=...")
  endif()
endforeach()

set(url "https://vidlumen.example.com/wallpaper/aurora-Xy12?utm_source=share&utm_medium=qr")
set(temp "$ENV{TMPDIR}")
if(NOT temp)
  set(temp /tmp)
endif()
string(RANDOM LENGTH 10 tag)
set(work "${temp}/vl-ConsumeInstalled-${tag}")
file(MAKE_DIRECTORY "${work}")

# Runs a command; on failure stops with its output and keeps the folder.
function(step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\nThe files are kept in ${work}")
  endif()
  message(STATUS "${what}: ok")
  set(step_output "${out}" PARENT_SCOPE)
endfunction()

# The consumer writes the PNG, the decoders read it, and ldd shows no GTK or GDK.
function(check_consumer how program)
  step("${how}: run" "${program}" "${url}" "${work}/${how}.png")
  step("${how}: decode" "${DECODER}" "${work}/${how}.png" "${url}")
  step("${how}: ldd" ldd "${program}")
  if(step_output MATCHES "lib(gtk|gdk)[^\n]*")
    message(FATAL_ERROR "${how}: the consumer loads ${CMAKE_MATCH_0}\nThe files are kept in ${work}")
  endif()
endfunction()

set(prefix "${work}/prefix")
step("build the library" "${CMAKE_COMMAND}" --build "${BUILD_DIR}" --target vl_qr_document vl_qr_views)
step("install" "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}")
foreach(file include/QRCode/document/QRCodeDocument.hpp include/platform/foundation/Pasteboard.hpp
             lib/cmake/VidLumenQRCode/VidLumenQRCodeConfig.cmake lib/pkgconfig/vidlumen-qrcode.pc
             lib/pkgconfig/vidlumen-qrcode-views.pc)
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "not installed: ${file}\nThe files are kept in ${work}")
  endif()
endforeach()

step("find_package: configure" "${CMAKE_COMMAND}" -S "${CONSUMER_DIR}" -B "${work}/cmake-build" -G Ninja
     "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_PREFIX_PATH=${prefix}" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
step("find_package: build" "${CMAKE_COMMAND}" --build "${work}/cmake-build")
check_consumer(find_package "${work}/cmake-build/qrcode_consumer")

step("pkg-config: flags" "${CMAKE_COMMAND}" -E env "PKG_CONFIG_PATH=${prefix}/lib/pkgconfig"
     pkg-config --cflags --libs vidlumen-qrcode)
separate_arguments(flags UNIX_COMMAND "${step_output}")
step("pkg-config: build" "${CXX}" -std=c++23 "${CONSUMER_DIR}/main.cpp" ${flags} -o "${work}/pkg-config-consumer")
check_consumer(pkg-config "${work}/pkg-config-consumer")

file(REMOVE_RECURSE "${work}")
