#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a plain build and once
# under AddressSanitizer and UndefinedBehaviorSanitizer. Benchmarks are built, not timed.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_packages

run_tests() {
  local dir="$1"
  # GUI tests need a display: give the whole run a virtual one.
  (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24" \
      ctest --output-on-failure -j "$JOBS" --timeout 600)
}

echo "== plain build =="
build "$ROOT/build/plain" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVL_BENCH=ON
run_tests "$ROOT/build/plain"

echo "== sanitizer build =="
build "$ROOT/build/asan" -DCMAKE_BUILD_TYPE=Debug -DVL_SANITIZE=ON -DVL_BENCH=OFF
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
run_tests "$ROOT/build/asan"
echo "All tests passed."
