#!/usr/bin/env bash
# Installs what is missing, builds, and runs the ordinary suite through ctest: every test but the
# soak. CI runs the robustness run (scripts/robustness.sh) and the soak after it (.ci/run).
#   ./test.sh           the ordinary suite
#   ./test.sh --quick   the edit loop: builds only the unit-test programs and runs the unit label
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
# Paths are hashed relative to the checkout, so that the compiler cache serves every clone alike.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}

quick=0
case "${1:-}" in
  "") ;;
  --quick) quick=1 ;;
  *) echo "usage: ./test.sh [--quick]" >&2; exit 2 ;;
esac

./scripts/install-deps.sh
build_dir=${BRENLOW_BUILD_DIR:-build}
jobs=$(nproc)
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DBRENLOW_BUILD_TESTS=ON >/dev/null
export QT_QPA_PLATFORM=offscreen
if [[ $quick == 1 ]]; then
  cmake --build "$build_dir" -j "$jobs" --target unit_tests
  exec ctest --test-dir "$build_dir" -L unit -j "$jobs" --output-on-failure
fi
cmake --build "$build_dir" -j "$jobs"
ctest --test-dir "$build_dir" -LE soak -j "$jobs" --output-on-failure
