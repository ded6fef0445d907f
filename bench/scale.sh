#!/usr/bin/env bash
# Times data sets of many small pictures: crops of 64 x 48 swept with jpeg and webp at 3 qualities
# and the default measures into a result folder, for each count given (default 100 and 10000), with
# the time a picture takes (wall clock and processor) and the peak resident memory; then, on the
# largest, merge (its text report on stderr), report --html and the workbench's File > Open Results.
# Then the Python module against the command line: its sweep of 1,000 crops (SCALE_PYTHON_PICTURES)
# against the tool's, and its measure of a 12-megapixel pair against compare's own computation (the seconds its
# JSON gives, less the process's start).
#   bench/scale.sh [COUNT...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
counts=("$@")
[[ ${#counts[@]} -gt 0 ]] || counts=(100 10000)
build=${BRENLOW_BENCH_BUILD_DIR:-$root/build-bench}

[[ -x /usr/bin/time ]] || { echo "scale.sh needs /usr/bin/time (Debian's package time)" >&2; exit 1; }

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBRENLOW_BUILD_TESTS=OFF -DBRENLOW_BUILD_GUI=ON \
  -DBRENLOW_BUILD_PYTHON=ON -DBRENLOW_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target brenlow-cli make_crops make_photo open_results brenlow_python >/dev/null
cli=$build/src/cli/brenlow-cli
export PYTHONPATH=$build/python${PYTHONPATH:+:$PYTHONPATH}
# The module is built for Debian's python3, whatever another one on the PATH is.
python=/usr/bin/python3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
crop_sources=("$root/samples/astronaut.bmp" "$root/tests/data/coffee.bmp" "$root/tests/data/chelsea.bmp")
sweep=(sweep --codecs jpeg,webp --qualities 30,60,90 --quiet)

# Runs a command; prints "wall_seconds processor_seconds peak_kilobytes".
measure() {
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >"$work/out" 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
  awk '{ printf "%.2f %.2f %d\n", $1, $2 + $3, $4 }' "$work/time"
}

load() { cut -d' ' -f1-3 /proc/loadavg; }

echo "load average at the start: $(load)"
for count in "${counts[@]}"; do
  mkdir -p "$work/set$count"
  "$build/bench/make_crops" "$work/set$count" "$count" 64 48 "${crop_sources[@]}"
  read -r wall cpu peak < <(measure "$cli" "${sweep[@]}" --out "$work/results$count" "$work/set$count")
  awk -v n="$count" -v w="$wall" -v c="$cpu" -v m="$peak" 'BEGIN {
    printf "%6d crops of 64 x 48: %8.1f s, %5.1f ms a picture (%5.1f ms of processor), %4d MB peak\n",
           n, w, 1000 * w / n, 1000 * c / n, m / 1024 }'
done
echo "load average after the sweeps: $(load)"

largest=${counts[-1]}
results=$work/results$largest
read -r wall cpu peak < <(measure "$cli" merge "$results")
echo "merge of $largest pictures (the text report): $wall s ($cpu s of processor), $((peak / 1024)) MB peak"
read -r wall cpu peak < <(measure "$cli" report --html "$work/report/page.html" "$results")
pages=$(find "$work/report" -name 'page*.html' | wc -l)
largest_page=$(find "$work/report" -name 'page*.html' -printf '%s\n' | sort -n | tail -1)
echo "report --html of $largest pictures: $wall s ($cpu s of processor), $((peak / 1024)) MB peak," \
  "$pages pages, the largest $((largest_page / 1024)) KB"
read -r wall cpu peak < <(measure "$build/bench/open_results" "$results")
echo "Open Results of $largest pictures (until its window is shown): $wall s as a process, of which" \
  "$(cat "$work/out") ms from the command to the window; $((peak / 1024)) MB peak"
echo "load average after the large data set: $(load)"

# The module and the tool on the same work, back to back: 1,000 crops unless told otherwise, enough
# that the interpreter's start weighs as little as the tool's.
first=${SCALE_PYTHON_PICTURES:-1000}
if [[ ! -d $work/set$first ]]; then
  mkdir -p "$work/set$first"
  "$build/bench/make_crops" "$work/set$first" "$first" 64 48 "${crop_sources[@]}"
fi
read -r cli_wall cli_cpu _ < <(measure "$cli" "${sweep[@]}" "$work/set$first")
read -r py_wall py_cpu _ < <(measure "$python" -c "import brenlow, sys
brenlow.sweep(sys.argv[1], ['jpeg', 'webp'], qualities='30,60,90')" "$work/set$first")
echo "sweep of $first crops: brenlow-cli $cli_wall s ($cli_cpu s of processor), Python $py_wall s" \
  "($py_cpu s): $(awk -v a="$py_wall" -v b="$cli_wall" 'BEGIN { printf "%.3f", a / b }') of the tool's time"

"$build/bench/make_photo" "${crop_sources[0]}" "$work/photo.bmp" 4000 3000
# jpeg codes photo.bmp to photo.jpg and decodes it to photo~.bmp.
"$cli" jpeg --quality 80 "$work/photo.bmp" >/dev/null
decoded=$work/photo~.bmp
compare_seconds() {
  for _ in 1 2 3 4 5; do
    "$cli" compare --json "$work/photo.bmp" "$1" | "$python" -c "import json, sys; print(json.load(sys.stdin)['seconds'])"
  done | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
measure_seconds() {
  "$python" - "$work/photo.bmp" "$1" <<'PYTHON'
import statistics, sys, time
import brenlow
times = []
for _ in range(5):
    start = time.perf_counter()
    brenlow.measure(sys.argv[1], sys.argv[2])
    times.append(time.perf_counter() - start)
print(statistics.median(times))
PYTHON
}
tool=$(compare_seconds "$decoded")
module=$(measure_seconds "$decoded")
echo "measure of a 12 MP pair: compare $tool s, Python $module s:" \
  "$(awk -v a="$module" -v b="$tool" 'BEGIN { printf "%.3f", a / b }') of compare's computation"
echo "load average at the end: $(load)"
