# cmake -DBUILD_DIR=... -DCONSUMER_DIR=... -DDECODER=... -DCXX=... [-DCXX_STD=...] [-DSHARED=ON|OFF]
#       [-DSOURCE_DIR=... -DBUILD_TYPE=...] -P ConsumeInstalled.cmake
#
# The library as another program uses it: builds the library targets, installs the
# project into a temporary prefix, then builds the consumer program (outside the source
# tree) against that prefix twice, once with find_package and once with pkg-config. Each
# build writes a styled PNG of a URL, which ZXing and zbar must read, and neither may load
# GTK or GDK. The temporary folder is removed afterwards unless a step fails.
# SHARED says which kind of libraries the install holds (those of BUILD_DIR by default).
# With SOURCE_DIR, the libraries come from a build of their own (BUILD_SHARED_LIBS as SHARED
# says, no tests) in BUILD_DIR/install-shared or BUILD_DIR/install-static, kept between runs.
cmake_minimum_required(VERSION 3.25)
foreach(var BUILD_DIR CONSUMER_DIR DECODER CXX)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ConsumeInstalled.cmake needs -D${var}=...")
  endif()
endforeach()

# The compiler's flag for C++23 (clang 14 knows it as -std=c++2b).
if(NOT CXX_STD)
  set(CXX_STD -std=c++23)
endif()

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
set(library_build "${BUILD_DIR}")
if(SOURCE_DIR)
  if(SHARED)
    set(kind shared)
    set(shared_flag ON)
  else()
    set(kind static)
    set(shared_flag OFF)
  endif()
  set(library_build "${BUILD_DIR}/install-${kind}")
  step("configure the ${kind} library" "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${library_build}" -G Ninja
       "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}" "-DCMAKE_CXX_COMPILER=${CXX}" -DBUILD_SHARED_LIBS=${shared_flag}
       -DVL_TESTS=OFF)
endif()
step("build the library" "${CMAKE_COMMAND}" --build "${library_build}" --target vl_qr_document vl_qr_views)
step("install" "${CMAKE_COMMAND}" --install "${library_build}" --prefix "${prefix}")
if(SHARED)
  set(library "${prefix}/lib/libvl_qr_document.so.1")
else()
  set(library "${prefix}/lib/libvl_qr_document.a")
endif()
foreach(file include/vidlumen/QRCode/document/QRCodeDocument.hpp include/vidlumen/platform/foundation/Pasteboard.hpp
             lib/cmake/VidLumenQRCode/VidLumenQRCodeConfig.cmake lib/pkgconfig/vidlumen-qrcode.pc
             lib/pkgconfig/vidlumen-qrcode-views.pc)
  if(NOT EXISTS "${prefix}/${file}" OR NOT EXISTS "${library}")
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
step("pkg-config: build" "${CXX}" "${CXX_STD}" "${CONSUMER_DIR}/main.cpp" ${flags} -o "${work}/pkg-config-consumer")
# A prefix outside the loader's folders: the shared libraries are found through
# LD_LIBRARY_PATH, as the README says.
set(ENV{LD_LIBRARY_PATH} "${prefix}/lib")
check_consumer(pkg-config "${work}/pkg-config-consumer")

# The README's example, as written there: built with pkg-config, run in its own folder,
# its PNG read by the decoders.
if(README)
  file(READ "${README}" readme)
  string(REGEX MATCH "```cpp\n([^`]*int main\\(\\)[^`]*)```" example "${readme}")
  if(NOT CMAKE_MATCH_1)
    message(FATAL_ERROR "README.md holds no C++ example with a main()")
  endif()
  file(MAKE_DIRECTORY "${work}/readme")
  file(WRITE "${work}/readme/main.cpp" "${CMAKE_MATCH_1}")
  step("README example: build" "${CXX}" "${CXX_STD}" "${work}/readme/main.cpp" ${flags} -o "${work}/readme/make_code")
  execute_process(COMMAND "${work}/readme/make_code" WORKING_DIRECTORY "${work}/readme" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT EXISTS "${work}/readme/code.svg")
    message(FATAL_ERROR "README example: run failed (${rc})\nThe files are kept in ${work}")
  endif()
  step("README example: decode" "${DECODER}" "${work}/readme/code.png" "https://example.com")
endif()

file(REMOVE_RECURSE "${work}")
