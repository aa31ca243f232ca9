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
build "$ROOT/build/plain" -DCMAKE_BUILD_TYPE=Release -DVL_BENCH=ON -DVL_WERROR=ON
run_tests "$ROOT/build/plain"

echo "== sanitizer build =="
build "$ROOT/build/asan" -DCMAKE_BUILD_TYPE=Debug -DVL_SANITIZE=ON -DVL_BENCH=OFF -DVL_WERROR=ON
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
run_tests "$ROOT/build/asan"

echo "== fuzz targets =="
# Every reader's libFuzzer target, built with clang, runs for a bounded time from its
# seed corpus; a crash, a sanitizer report, a leak, a slow input or one over the memory
# limit fails the run. New inputs go to a scratch folder, findings to build/fuzz/findings.
# The mutations follow a fixed seed, so that a run repeats what an earlier one tried (a
# slower machine tries fewer of them); FUZZ_SEED=0 draws a new seed for a search of its own.
# The tests are compiled in this build too, so that clang's errors and warnings in them
# are seen; they run in the two builds above.
CC=clang CXX=clang++ build "$ROOT/build/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVL_FUZZ=ON -DVL_TESTS=ON -DVL_BENCH=OFF -DVL_WERROR=ON
FUZZ_SECONDS="${FUZZ_SECONDS:-20}"
FUZZ_SEED="${FUZZ_SEED:-1}"
findings="$ROOT/build/fuzz/findings"
mkdir -p "$findings"
for target in "$ROOT"/build/fuzz/tests/fuzz/fuzz_*; do
  name="$(basename "$target")"
  scratch="$(mktemp -d)"
  log="$findings/$name.log"
  echo "-- $name (${FUZZ_SECONDS} s)"
  if ! "$target" -max_total_time="$FUZZ_SECONDS" -seed="$FUZZ_SEED" -rss_limit_mb=1024 -timeout=5 -print_final_stats=1 \
      -artifact_prefix="$findings/$name-" "$scratch" "$ROOT/tests/fuzz/corpus/${name#fuzz_}" >"$log" 2>&1; then
    tail -n 60 "$log"
    rm -rf "$scratch"
    echo "$name found a fault: the input is in $findings"
    exit 1
  fi
  grep -E "^stat::number_of_executed_units|^Done" "$log" || true
  rm -rf "$scratch"
done
echo "All tests passed."
