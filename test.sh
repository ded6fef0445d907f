#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through ctest; then the sanitizer build of
# the suite, the fuzz targets and valgrind (scripts/robustness.sh; BRENLOW_SKIP_ROBUSTNESS=1 leaves
# them out). Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
build_dir=${BRENLOW_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DBRENLOW_BUILD_TESTS=ON
cmake --build "$build_dir" -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
if [[ "${BRENLOW_SKIP_ROBUSTNESS:-}" != 1 ]]; then
  ./scripts/robustness.sh "$build_dir"
fi
