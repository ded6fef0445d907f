#!/usr/bin/env bash
# Times brenlow-cli avc, ajc and jpeg against the libjpeg command-line pair (cjpeg + djpeg with the
# same parameters) on a 12-megapixel photograph, as whole processes, and prints medians, ratios and
# peak resident memory. Also the sweep of jpeg, avc and ajc at 9 qualities against 27 pairs,
# compare (PSNR family, SSIM, MS-SSIM) against djpeg alone, the workbench's Compress > AVC (until
# its result is shown) against brenlow-cli avc, a 48-megapixel run of avc and the sequence
# encoder's frame rate. Then a data set of four 400 x 300 crops with jpeg, webp, avif, jxl and jp2
# at 8 qualities on one thread, with every measure against none, and the time and peak memory of
# data sets of 50, 100 and 200 small crops.
#   bench/compare.sh [PICTURE.bmp] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
picture=${1:-$root/samples/astronaut.bmp}
runs=${2:-5}
build=${BRENLOW_BENCH_BUILD_DIR:-$root/build-bench}

need=()
command -v cjpeg >/dev/null || need+=(libjpeg-turbo-progs)
[[ -x /usr/bin/time ]] || need+=(time)
if [[ ${#need[@]} -gt 0 ]]; then
  sudo_cmd=(); [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBRENLOW_BUILD_TESTS=OFF -DBRENLOW_BUILD_GUI=ON \
  -DBRENLOW_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target brenlow-cli make_photo make_crops workbench_command >/dev/null
cli=$build/src/cli/brenlow-cli
workbench=$build/bench/workbench_command

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/make_photo" "$picture" "$work/photo.bmp" 4000 3000
"$build/bench/make_photo" "$picture" "$work/big.bmp" 8000 6000
# What compare measures: the photograph through the pair.
cjpeg -quality 80 -baseline -dct float -outfile "$work/decoded.jpg" "$work/photo.bmp"
djpeg -dct float -bmp -outfile "$work/decoded.bmp" "$work/decoded.jpg"
# Small pictures for the data sets: crops of the photograph and of the test photographs.
crop_sources=("$picture" "$root/tests/data/coffee.bmp" "$root/tests/data/chelsea.bmp")
mkdir -p "$work/set4"
"$build/bench/make_crops" "$work/set4" 4 400 300 "${crop_sources[@]}"

now_ms() { date +%s%3N; }

# Runs a command and prints "milliseconds peak_kilobytes".
measure() {
  local start end
  start=$(now_ms)
  /usr/bin/time -f "%M" -o "$work/rss" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
  end=$(now_ms)
  echo "$((end - start)) $(cat "$work/rss")"
}

reference_pair() {
  local t1 t2
  t1=$(measure cjpeg -quality 80 -baseline -dct float -outfile "$work/ref.jpg" "$1")
  t2=$(measure djpeg -dct float -bmp -outfile "$work/ref.bmp" "$work/ref.jpg")
  echo "$(( ${t1% *} + ${t2% *} )) $(( ${t1#* } > ${t2#* } ? ${t1#* } : ${t2#* } ))"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
sweep=(sweep --codecs jpeg,avc,ajc --qualities 10:90:10)
dataset=(sweep --codecs jpeg,webp,avif,jxl,jp2 --qualities 20:90:10 -j 1 --quiet)
jobs=(pair avc ajc jpeg avc48 sweep_none sweep_all djpeg compare workbench_avc dataset_none dataset_all)
declare -A times rss
measured_ms=""
painted_ms=""
for ((run = 1; run <= runs; run++)); do
  for job in "${jobs[@]}"; do
    case $job in
      pair) result=$(reference_pair "$work/photo.bmp") ;;
      avc48) result=$(measure "$cli" avc "$work/big.bmp") ;;
      sweep_none) result=$(measure "$cli" "${sweep[@]}" --measures none "$work/photo.bmp") ;;
      sweep_all) result=$(measure "$cli" "${sweep[@]}" "$work/photo.bmp") ;;
      djpeg) result=$(measure djpeg -dct float -bmp -outfile "$work/djpeg.bmp" "$work/decoded.jpg") ;;
      compare) result=$(measure "$cli" compare --measures ms_ssim "$work/photo.bmp" "$work/decoded.bmp") ;;
      dataset_none) result=$(measure "$cli" "${dataset[@]}" --measures none "$work/set4") ;;
      dataset_all) result=$(measure "$cli" "${dataset[@]}" --measures ms_ssim,ciede2000,butteraugli,ssimulacra2 "$work/set4") ;;
      workbench_avc)
        # The workbench's own clock, from the click to the result on screen; then until the
        # Measurements panel holds every measure.
        read -r shown measured painted < <("$workbench" avc "$work/photo.bmp" 2>/dev/null)
        result="$shown 0"
        measured_ms+="$measured"$'\n'
        painted_ms+="$painted"$'\n' ;;
      *) result=$(measure "$cli" "$job" "$work/photo.bmp") ;;
    esac
    times[$job]+="${result% *}"$'\n'
    rss[$job]+="${result#* }"$'\n'
  done
done

median_ms() { printf '%s' "${times[$1]}" | median; }
pair_ms=$(median_ms pair)
djpeg_ms=$(median_ms djpeg)
# What each job's ratio is taken against.
avc_ms=$(median_ms avc)
dataset_ms=$(median_ms dataset_none)
declare -A base=([pair]=$pair_ms [avc]=$pair_ms [ajc]=$pair_ms [jpeg]=$pair_ms [avc48]=$pair_ms
                 [sweep_none]=$((27 * pair_ms)) [sweep_all]=$((27 * pair_ms)) [djpeg]=$djpeg_ms [compare]=$djpeg_ms
                 [workbench_avc]=$avc_ms [dataset_none]=$dataset_ms [dataset_all]=$dataset_ms)
declare -A against=([pair]=pair [avc]=pair [ajc]=pair [jpeg]=pair [avc48]=pair
                    [sweep_none]="27 pairs" [sweep_all]="27 pairs" [djpeg]=djpeg [compare]=djpeg
                    [workbench_avc]="brenlow-cli avc" [dataset_none]="itself" [dataset_all]="dataset_none")

printf '%-14s %10s %12s %8s  %s\n' job median_ms peak_rss_MB ratio against
for job in "${jobs[@]}"; do
  ms=$(median_ms "$job")
  mb=$(( $(printf '%s' "${rss[$job]}" | median) / 1024 ))
  [[ $mb -gt 0 ]] || mb="-"  # the workbench times itself inside its process
  printf '%-14s %10s %12s %8s  %s\n' "$job" "$ms" "$mb" \
    "$(awk -v a="$ms" -v b="${base[$job]}" 'BEGIN { printf "%.2f", a / b }')" "${against[$job]}"
done
echo "workbench avc until every measure is in the panel: $(printf '%s' "$measured_ms" | median) ms;" \
  "the first paint of its window: $(printf '%s' "$painted_ms" | median) ms"
avc48_ms=$(median_ms avc48)
echo "avc 48 MP / 12 MP: $(awk -v a="$avc48_ms" -v b="$avc_ms" 'BEGIN { printf "%.2f", a / b }')"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

# Data sets of small crops: time and peak memory by their number of pictures.
for count in 50 100 200; do
  mkdir -p "$work/set$count"
  "$build/bench/make_crops" "$work/set$count" "$count" 160 120 "${crop_sources[@]}"
  result=$(measure "$cli" sweep --codecs jpeg,webp --qualities 30,60,90 --quiet "$work/set$count")
  echo "data set of $count crops of 160 x 120, jpeg and webp at 3 qualities, default measures:" \
    "${result% *} ms, $(( ${result#* } / 1024 )) MB peak, $(( ${result% *} / count )) ms a picture"
done
echo "load average after the data sets: $(cut -d' ' -f1-3 /proc/loadavg)"

# The sequence encoder on 1920 x 1080 frames, one and two at a time.
frames=50
mkdir -p "$work/seq/frames"
"$build/bench/make_photo" "$picture" "$work/seq/frames/frame0.bmp" 1920 1080
for ((i = 1; i < frames; i++)); do cp "$work/seq/frames/frame0.bmp" "$work/seq/frames/frame$i.bmp"; done
for jobs in 1 2; do
  start=$(now_ms)
  (cd "$work/seq" && "$cli" seq-encode -j "$jobs" $((frames - 1)))
  end=$(now_ms)
  echo "seq-encode -j $jobs: $(awk -v n="$frames" -v ms="$((end - start))" 'BEGIN { printf "%.1f", n * 1000 / ms }') frames per second"
done
