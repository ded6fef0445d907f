#!/usr/bin/env bash
# Times brenlow-cli avc, ajc and jpeg against the libjpeg command-line pair (cjpeg + djpeg with the
# same parameters) on a 12-megapixel photograph, as whole processes, and prints medians, ratios and
# peak resident memory. Also the sweep of jpeg, avc and ajc at 9 qualities against 27 pairs,
# compare (PSNR family, SSIM, MS-SSIM) against djpeg alone, the workbench's Compress > AVC (until
# its result is shown) against brenlow-cli avc, a 48-megapixel run of avc and the sequence
# encoder's frame rate. Then a data set of four 400 x 300 crops with jpeg, webp, avif, jxl and jp2
# at 8 qualities on one thread, with every measure against none, and the time and peak memory of
# data sets of 50, 100 and 200 small crops. Against what researchers run instead, on four crops of
# 512 x 384: a script of the formats' own programs and the published measure programs, two points
# at a time, against a sweep with -j 2; and the JPEG XL library's benchmark program against a sweep
# of the same settings, on one thread and on two.
#   bench/compare.sh [PICTURE.bmp] [RUNS]
# BRENLOW_BENCH_JOBS="pipeline peer_sweep ..." times only those rows (with what their ratios are
# taken against) and leaves out the rest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
picture=${1:-$root/samples/astronaut.bmp}
runs=${2:-5}
build=${BRENLOW_BENCH_BUILD_DIR:-$root/build-bench}

need=()
command -v cjpeg >/dev/null || need+=(libjpeg-turbo-progs)
command -v cwebp >/dev/null || need+=(webp)
command -v cjxl >/dev/null || need+=(libjxl-tools)
command -v benchmark_xl >/dev/null && command -v butteraugli_main >/dev/null || need+=(libjxl-devtools)
command -v compare >/dev/null || need+=(imagemagick)
[[ -x /usr/bin/time ]] || need+=(time)
if [[ ${#need[@]} -gt 0 ]]; then
  sudo_cmd=(); [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

all_jobs=(pair avc ajc jpeg avc48 sweep_none sweep_all djpeg compare workbench_avc dataset_none dataset_all
          pipeline peer_sweep benchmark_xl_1 bxl_sweep_1 benchmark_xl_2 bxl_sweep_2)
read -r -a jobs <<<"${BRENLOW_BENCH_JOBS:-${all_jobs[*]}}"
targets=(brenlow-cli make_photo make_crops)
gui=OFF
if [[ " ${jobs[*]} " == *" workbench_avc "* ]]; then gui=ON targets+=(workbench_command); fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBRENLOW_BUILD_TESTS=OFF -DBRENLOW_BUILD_GUI=$gui \
  -DBRENLOW_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" >/dev/null
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
mkdir -p "$work/set4" "$work/peers"
"$build/bench/make_crops" "$work/set4" 4 400 300 "${crop_sources[@]}"
# The peers read no bitmaps: their crops, and the sweeps timed against them, are PPM files.
"$build/bench/make_crops" --ppm "$work/peers" 4 512 384 "${crop_sources[@]}"

now_ms() { date +%s%3N; }

# Runs a command and prints "milliseconds peak_kilobytes"; its processor time (user and system, its
# children's included), which a busy machine disturbs less, goes to $work/cpu.
measure() {
  local start end
  start=$(now_ms)
  /usr/bin/time -f "%M %U %S" -o "$work/rss" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
  end=$(now_ms)
  read -r kilobytes user system <"$work/rss"
  awk -v u="$user" -v s="$system" 'BEGIN { printf "%d\n", 1000 * (u + s) }' >"$work/cpu"
  echo "$((end - start)) $kilobytes"
}

reference_pair() {
  local t1 t2
  t1=$(measure cjpeg -quality 80 -baseline -dct float -outfile "$work/ref.jpg" "$1")
  local cjpeg_cpu; cjpeg_cpu=$(cat "$work/cpu")
  t2=$(measure djpeg -dct float -bmp -outfile "$work/ref.bmp" "$work/ref.jpg")
  echo $(( cjpeg_cpu + $(cat "$work/cpu") )) >"$work/cpu"
  echo "$(( ${t1% *} + ${t2% *} )) $(( ${t1#* } > ${t2#* } ? ${t1#* } : ${t2#* } ))"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One point of the programs' pipeline: code, decode, then each measure program on the pair.
peer_qualities=(40 60 80 90)
ssimulacra2_program=$(command -v ssimulacra2 || true)
cat >"$work/point.sh" <<'POINT'
#!/usr/bin/env bash
set -euo pipefail
codec=$1 quality=$2 picture=$3 out=$4/$(basename "$3" .ppm)-$1-$2
case $codec in
  jpeg) cjpeg -quality "$quality" -baseline -dct float -outfile "$out.jpg" "$picture"
        djpeg -dct float -pnm -outfile "$out.ppm" "$out.jpg" ;;
  webp) cwebp -quiet -q "$quality" "$picture" -o "$out.webp"
        dwebp -quiet "$out.webp" -ppm -o "$out.ppm" ;;
  jxl) cjxl --quiet -q "$quality" "$picture" "$out.jxl" 2>/dev/null
       djxl --quiet "$out.jxl" "$out.ppm" 2>/dev/null ;;
esac
butteraugli_main "$picture" "$out.ppm" >"$out.butteraugli" 2>/dev/null
[[ -z ${SSIMULACRA2:-} ]] || "$SSIMULACRA2" "$picture" "$out.ppm" >"$out.ssimulacra2" 2>/dev/null
# compare exits with 1 when the pictures differ, which is every lossy point.
compare -metric PSNR "$picture" "$out.ppm" null: 2>"$out.psnr" || [[ $? -eq 1 ]]
POINT
for codec in jpeg webp jxl; do
  for quality in "${peer_qualities[@]}"; do
    for crop in "$work"/peers/*.ppm; do echo "$codec $quality $crop $work/pipeline"; done
  done
done >"$work/points"
mkdir -p "$work/pipeline"
export SSIMULACRA2=$ssimulacra2_program
pipeline=(xargs -a "$work/points" -P 2 -L 1 bash "$work/point.sh")
# The sweep measures what the pipeline measures: SSIMULACRA 2 only where the pipeline has a program for it.
peer_measures=butteraugli${ssimulacra2_program:+,ssimulacra2}
peer_sweep=(sweep --codecs jpeg,webp,jxl --qualities "$(IFS=,; echo "${peer_qualities[*]}")" --measures "$peer_measures"
            -j 2 --quiet "$work/peers")

# The benchmark program's settings and the sweep's that code the same bytes: JPEG XL at the distance
# Brenlow's quality maps to, JPEG with the program's 4:4:4 and Huffman tables made for the picture.
jxl_distances=(5.5 3.7 1.9 1.0)
bxl_codecs=$(printf 'jxl:d%s,' "${jxl_distances[@]}")$(printf 'jpeg:q%s,' "${peer_qualities[@]}")
bxl_codecs=${bxl_codecs%,}
bxl_jpeg=jpeg:optimize=1:subsampling=444
bxl_sweep=(sweep --codecs "jxl,$bxl_jpeg" --qualities "$(IFS=,; echo "${peer_qualities[*]}")" --measures butteraugli --quiet)
benchmark_xl_run=(benchmark_xl --input="$work/peers/*.ppm" --codec="$bxl_codecs")

# Checks that the sweep coded each picture to within 2 % of the benchmark program's bytes, point by
# point, and says how the settings were matched.
check_matched_bytes() {
  "$cli" "${bxl_sweep[@]}" -j 2 "$work/peers" >"$work/bxl_sweep.csv"
  awk -F, -v distances="${jxl_distances[*]}" -v qualities="${peer_qualities[*]}" -v jpeg="$bxl_jpeg" '
    BEGIN { n = split(distances, d, " "); split(qualities, q, " ")
            for (i = 1; i <= n; ++i) { name["jxl:d" d[i]] = "jxl," q[i]; name["jpeg:q" q[i]] = jpeg "," q[i] } }
    FNR == 1 { next }
    FILENAME ~ /bxl.csv$/ { if ($1 in name) { want[$2 "," name[$1]] = $4; label[$2 "," name[$1]] = $1 }; next }
    { picture = $1; sub(/.*\//, "", picture); key = picture "," $2 "," $3
      if (!(key in want)) next
      ++points; off = ($4 - want[key]) / want[key]; if (off < 0) off = -off; if (off > worst) worst = off
      if (off > 0.02) { printf "bytes differ by %.1f %% at %s (%s): %d against %d\n", 100 * off, key, label[key], $4, want[key]; bad = 1 } }
    END { if (points != 32) { printf "matched %d points of 32\n", points; bad = 1 }
          printf "benchmark_xl against the sweep: jxl:dN as jxl at qualities %s, jpeg:qN as %s; bytes at most %.2f %% apart over %d points\n", qualities, jpeg, 100 * worst, points
          exit bad }' "$work/bxl.csv" <(tr -d '\r' <"$work/bxl_sweep.csv" | sed 's/"[^"]*"//g')
}

"${benchmark_xl_run[@]}" --num_threads=2 --print_details --print_details_csv >"$work/bxl.csv" 2>/dev/null
check_matched_bytes
echo "the pipeline runs: cjpeg/djpeg, cwebp/dwebp, cjxl/djxl; butteraugli_main, compare -metric PSNR" \
  "${ssimulacra2_program:+and $ssimulacra2_program}${ssimulacra2_program:-(no SSIMULACRA 2 program installed)};" \
  "the sweep against it: --measures $peer_measures"
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
sweep=(sweep --codecs jpeg,avc,ajc --qualities 10:90:10)
dataset=(sweep --codecs jpeg,webp,avif,jxl,jp2 --qualities 20:90:10 -j 1 --quiet)
declare -A times rss cpu
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
      pipeline) result=$(measure "${pipeline[@]}") ;;
      peer_sweep) result=$(measure "$cli" "${peer_sweep[@]}") ;;
      benchmark_xl_[12]) result=$(measure "${benchmark_xl_run[@]}" --num_threads="${job#benchmark_xl_}") ;;
      bxl_sweep_[12]) result=$(measure "$cli" "${bxl_sweep[@]}" -j "${job#bxl_sweep_}" "$work/peers") ;;
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
    cpu[$job]+="$(cat "$work/cpu" 2>/dev/null || echo 0)"$'\n'
    rm -f "$work/cpu"
  done
done

median_ms() { printf '%s' "${times[$1]:-}" | median; }
pair_ms=$(median_ms pair)
djpeg_ms=$(median_ms djpeg)
# What each job's ratio is taken against.
avc_ms=$(median_ms avc)
dataset_ms=$(median_ms dataset_none)
pipeline_ms=$(median_ms pipeline)
declare -A base=([pair]=$pair_ms [avc]=$pair_ms [ajc]=$pair_ms [jpeg]=$pair_ms [avc48]=$pair_ms
                 [sweep_none]=$((27 * ${pair_ms:-0})) [sweep_all]=$((27 * ${pair_ms:-0})) [djpeg]=$djpeg_ms [compare]=$djpeg_ms
                 [workbench_avc]=$avc_ms [dataset_none]=$dataset_ms [dataset_all]=$dataset_ms
                 [pipeline]=$pipeline_ms [peer_sweep]=$pipeline_ms [benchmark_xl_1]=$(median_ms benchmark_xl_1)
                 [bxl_sweep_1]=$(median_ms benchmark_xl_1) [benchmark_xl_2]=$(median_ms benchmark_xl_2)
                 [bxl_sweep_2]=$(median_ms benchmark_xl_2))
declare -A against=([pair]=pair [avc]=pair [ajc]=pair [jpeg]=pair [avc48]=pair
                    [sweep_none]="27 pairs" [sweep_all]="27 pairs" [djpeg]=djpeg [compare]=djpeg
                    [workbench_avc]="brenlow-cli avc" [dataset_none]="itself" [dataset_all]="dataset_none"
                    [pipeline]="itself" [peer_sweep]="pipeline" [benchmark_xl_1]="itself" [bxl_sweep_1]="benchmark_xl_1"
                    [benchmark_xl_2]="itself" [bxl_sweep_2]="benchmark_xl_2")
declare -A target=([dataset_all]=2.00 [peer_sweep]=0.30 [bxl_sweep_1]=1.00 [bxl_sweep_2]=1.00)

printf '%-14s %10s %8s %12s %8s %7s  %s\n' job median_ms cpu_ms peak_rss_MB ratio target against
for job in "${jobs[@]}"; do
  ms=$(median_ms "$job")
  mb=$(( $(printf '%s' "${rss[$job]}" | median) / 1024 ))
  # The workbench times itself inside its process; xargs's own memory says nothing of its points'.
  [[ $mb -gt 0 && $job != pipeline ]] || mb="-"
  printf '%-14s %10s %8s %12s %8s %7s  %s\n' "$job" "$ms" "$(printf '%s' "${cpu[$job]}" | median)" "$mb" \
    "$(awk -v a="$ms" -v b="${base[$job]}" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }')" "${target[$job]:--}" "${against[$job]}"
done
if [[ -n ${BRENLOW_BENCH_JOBS:-} ]]; then
  echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
  exit 0
fi
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
