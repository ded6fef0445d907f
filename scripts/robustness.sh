#!/usr/bin/env bash
# After the ordinary tests: the whole suite built with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer, each fuzz target (clang, libFuzzer, the same sanitizers) on its corpus
# and then fuzzing for a while, and valgrind on the command-line decoder and coder of the ordinary
# build.
# Exits non-zero on any failure or report.
#   scripts/robustness.sh [ORDINARY_BUILD_DIR]
# BRENLOW_SANITIZE_BUILD_DIR (build-sanitize), BRENLOW_FUZZ_BUILD_DIR (build-fuzzers) and
# BRENLOW_FUZZ_SECONDS (45) change the defaults.
set -euo pipefail
cd "$(dirname "$0")/.."
# Paths are hashed relative to the checkout, so that the compiler cache serves every clone alike.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}

ordinary_dir=${1:-build}
build_dir=${BRENLOW_SANITIZE_BUILD_DIR:-build-sanitize}
fuzz_dir=${BRENLOW_FUZZ_BUILD_DIR:-build-fuzzers}
fuzz_seconds=${BRENLOW_FUZZ_SECONDS:-45}
jobs=$(nproc)
targets=(container jpeg bitmap decode)

# The suite with the ordinary compiler. GCC's flow analysis misreads the sanitizers' own
# instrumentation of std::function as uninitialised use, hence the one warning turned off here.
echo "== Sanitizer build of the test suite (ASan + LSan + UBSan) in $build_dir"
# Light optimisation and line tables only (the asan preset): enough for readable reports, and quick
# to build.
cmake --preset asan -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "$jobs"

# The fuzz targets need clang; they cover the core and the command-line decoder, not the GUI.
echo "== Fuzz targets (clang, libFuzzer, ASan + UBSan) in $fuzz_dir"
CC=clang CXX=clang++ cmake -S . -B "$fuzz_dir" -DCMAKE_BUILD_TYPE=Sanitize "-DCMAKE_CXX_FLAGS=-O1 -g1" \
  -DBRENLOW_BUILD_TESTS=OFF \
  -DBRENLOW_BUILD_GUI=OFF -DBRENLOW_BUILD_BENCHMARKS=OFF -DBRENLOW_BUILD_PYTHON=OFF -DBRENLOW_BUILD_FUZZERS=ON \
  -DBRENLOW_SANITIZE=address,undefined >/dev/null
cmake --build "$fuzz_dir" -j "$jobs" --target "${targets[@]/%/_fuzzer}"

# Reports go to files as well as failing the process, so that one in a child process whose exit
# status a test expects to be 1 is still seen. No suppressions: the suite runs clean as it is.
reports="$PWD/$build_dir/sanitizer-reports"
rm -rf "$reports" && mkdir -p "$reports"
export ASAN_OPTIONS="detect_leaks=1:exitcode=86:log_path=$reports/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:exitcode=86:log_path=$reports/ubsan"
export LSAN_OPTIONS="exitcode=86"

show_reports() {
  if compgen -G "$reports/*" >/dev/null; then
    echo "Sanitizer reports:"
    cat "$reports"/*
    return 1
  fi
}

echo "== Test suite under the sanitizers (without the large-picture test and the Slurm job array)"
suite_log="$build_dir/sanitizer-suite.log"
# The Slurm job array tests the scheduler's daemons more than our code, which the shard tests cover.
if ! QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" -LE 'large|slurm' -j "$jobs" \
    --output-on-failure >"$suite_log" 2>&1; then
  cat "$suite_log"
  show_reports || true
  echo "The test suite failed under the sanitizers"
  exit 1
fi
show_reports
echo "sanitizer suite: all $(grep -oE 'out of [0-9]+' "$suite_log" | grep -oE '[0-9]+') tests passed, no sanitizer report"

echo "== Fuzz targets: the corpus, then ${fuzz_seconds} s of fuzzing each"
# The repository's corpus is only read; what a run discovers stays in the build folder. A few
# hundred bytes of progressive or arithmetic-coded JPEG can be a legal picture of 100 megapixels,
# whose planes alone take 1.2 GB: the memory limit leaves room for that under the sanitizers.
fuzz_one() {
  local target=$1
  local scratch="$fuzz_dir/fuzz-corpus/$target"
  local artifacts="$fuzz_dir/fuzz-artifacts/$target"
  mkdir -p "$scratch" "$artifacts"
  local log="$fuzz_dir/fuzz-$target.log"
  local corpora=("fuzz/corpus/$target")
  [[ -d "tests/data/regressions/$target" ]] && corpora+=("tests/data/regressions/$target")
  if ! "$fuzz_dir/fuzz/${target}_fuzzer" -max_total_time="$fuzz_seconds" -timeout=25 -rss_limit_mb=5120 \
      -malloc_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "$scratch" "${corpora[@]}" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "The $target fuzz target found a failure; the input is in $artifacts"
    return 1
  fi
  echo "$target: $(grep -m1 -E 'INITED' "$log" | sed -E 's/^#[0-9]+[[:space:]]+//')" \
       "-> $(grep -E 'DONE' "$log" | sed -E 's/[[:space:]]+/ /g')"
}

# One target per core at a time: each fuzzer is single-threaded.
for ((first = 0; first < ${#targets[@]}; first += jobs)); do
  pids=()
  for target in "${targets[@]:first:jobs}"; do
    fuzz_one "$target" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do
    wait "$pid"
  done
done
show_reports

scripts/valgrind-cli.sh "$ordinary_dir"
