#!/usr/bin/env bash
# Start-up of brenlow-cli as scripts pay it per call: --version, compare of two 64 x 48 pictures
# (default measures, and without the slower ones), avc, jpeg and a library codec (WebP) of a 64 x 48
# picture. Medians over RUNS runs of the wall time, the processor time (task-clock) and the page
# faults, with the number of shared objects the command loads. Given a second program (another
# build, such as main's), both are timed side by side, run for run, so that a busy machine weighs on
# both alike. Last, the floor: a program that does nothing but link Qt Gui, and one linked to nothing.
#   bench/startup.sh BRENLOW_CLI [OTHER_BRENLOW_CLI] [RUNS]
set -euo pipefail
programs=("$(realpath "$1")")
if [[ $# -ge 2 && -x $2 ]]; then
  programs+=("$(realpath "$2")")
  shift
fi
runs=${2:-20}
command -v perf >/dev/null || { echo "startup.sh needs perf (linux-perf)"; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
python3 - "$scratch" <<'PY'
import struct, sys
def bitmap(path, shift):
    width, height = 64, 48
    row = (width * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in range(height):
        line = bytearray()
        for x in range(width):
            line += bytes(((x * 4 + shift) % 256, (y * 5 + shift) % 256, (x * y + shift) % 256))
        pixels += line + bytes(row - width * 3)
    header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    header += struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    open(path, "wb").write(header + pixels)
bitmap(sys.argv[1] + "/a.bmp", 0)
bitmap(sys.argv[1] + "/b.bmp", 7)
PY

commands=("--version" "compare a.bmp b.bmp" "compare --measures none a.bmp b.bmp" "avc a.bmp" "jpeg a.bmp"
          "code --codec webp a.bmp")

# One run: "wall_ms task_ms faults" of the program with the command's words. The wall time is of
# the program alone; perf, which takes far longer to start than the program, counts in a second run.
one_run() {
  local program=$1; shift
  local start end
  cd "$scratch"
  start=$EPOCHREALTIME
  "$program" "$@" >/dev/null 2>&1
  end=$EPOCHREALTIME
  perf stat -x, -e task-clock,page-faults -o "$scratch/perf" "$program" "$@" >/dev/null 2>&1
  cd - >/dev/null
  awk -F, -v s="$start" -v e="$end" '$3=="task-clock"{t=$1} $3=="page-faults"{f=$1} END{printf "%.2f %.2f %d\n",(e-s)*1000,t,f}' \
    "$scratch/perf"
}

median() { sort -n | awk '{v[NR]=$1} END{print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }

echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
printf "%-38s %-10s %9s %9s %8s %8s\n" command program wall_ms task_ms faults objects
for words in "${commands[@]}"; do
  read -r -a argv <<<"$words"
  for p in "${!programs[@]}"; do : >"$scratch/runs$p"; done
  for ((run = 0; run < runs; run++)); do
    for p in "${!programs[@]}"; do one_run "${programs[$p]}" "${argv[@]}" >>"$scratch/runs$p"; done
  done
  for p in "${!programs[@]}"; do
    objects=$(cd "$scratch" && LD_DEBUG=files "${programs[$p]}" "${argv[@]}" 2>&1 >/dev/null | grep -c 'calling init:' || true)
    printf "%-38s %-10s %9s %9s %8s %8s\n" "$words" "#$((p + 1))" \
      "$(cut -d' ' -f1 "$scratch/runs$p" | median)" "$(cut -d' ' -f2 "$scratch/runs$p" | median)" \
      "$(cut -d' ' -f3 "$scratch/runs$p" | median)" "$objects"
  done
done
# The floor under every command: a program that does nothing, linked to Qt Gui as the core is, and
# one linked to nothing.
if command -v g++ >/dev/null && pkg-config --exists Qt6Gui 2>/dev/null; then
  printf '#include <QImage>\nint main(int argc, char**) { return argc > 9 ? QImage(1, 1, QImage::Format_RGB32).width() : 0; }\n' \
    >"$scratch/floor.cpp"
  printf 'int main() { return 0; }\n' >"$scratch/bare.cpp"
  g++ -O2 -fPIC "$scratch/floor.cpp" -o "$scratch/qt_gui_floor" $(pkg-config --cflags --libs Qt6Gui)
  g++ -O2 "$scratch/bare.cpp" -o "$scratch/bare"
  for floor in qt_gui_floor bare; do
    : >"$scratch/floor_runs"
    for ((run = 0; run < runs; run++)); do one_run "$scratch/$floor" >>"$scratch/floor_runs"; done
    printf "%-38s %-10s %9s %9s %8s\n" "(a program doing nothing)" "$floor" \
      "$(cut -d' ' -f1 "$scratch/floor_runs" | median)" "$(cut -d' ' -f2 "$scratch/floor_runs" | median)" \
      "$(cut -d' ' -f3 "$scratch/floor_runs" | median)"
  done
fi
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
for p in "${!programs[@]}"; do echo "#$((p + 1)): ${programs[$p]}"; done
