#!/usr/bin/env bash
# Builds Brenlow (Release) and starts the workbench with the sample picture open. Where there is
# no display it says so and runs the AVC, AJC and JPEG commands on a copy of the sample instead.
set -euo pipefail
cd "$(dirname "$0")"
# Paths are hashed relative to the checkout, so that the compiler cache serves every clone alike.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}

./scripts/install-deps.sh
build_dir=${BRENLOW_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
# Only the two programs: the test programs are ./test.sh's to build.
targets=(brenlow-cli)
cmake --build "$build_dir" --target help | grep -qE '^\.\.\. brenlow( |$)' && targets+=(brenlow)
cmake --build "$build_dir" -j "$(nproc)" --target "${targets[@]}"

if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" && -x "$build_dir/src/app/brenlow" ]]; then
  exec "$build_dir/src/app/brenlow" samples/astronaut.bmp
fi

echo "No display: running the AVC, AJC and JPEG commands on samples/astronaut.bmp with brenlow-cli."
work_dir="$build_dir/run"
mkdir -p "$work_dir"
cp samples/astronaut.bmp "$work_dir/astronaut.bmp"
for command in avc ajc jpeg; do
  "$build_dir/src/cli/brenlow-cli" "$command" "$work_dir/astronaut.bmp"
done
