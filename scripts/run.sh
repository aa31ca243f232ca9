#!/usr/bin/env bash
# Installs what is missing, builds, and starts the application.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_packages
build "$ROOT/build/plain" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVL_TESTS=OFF -DVL_BENCH=OFF
if [ ! -x "$ROOT/build/plain/vidlumen" ]; then
  echo "The application is not built yet: the library builds, but there is no program to start."
  exit 0
fi
exec "$ROOT/build/plain/vidlumen" "$@"
