#!/usr/bin/env bash
# valgrind on the command-line decoder and coder of an ordinary build: the decoder on a valid and a
# truncated container, the coder on a run-length bitmap. These commands load none of the codec
# libraries (each sits in a module opened only by the commands that use it), so no library runs an
# instruction that valgrind cannot (libjxl's Highway code on AVX-512 processors) and the step runs
# on every processor: an illegal instruction is a failure like any other.
# Exits non-zero on any failure or report.
#   scripts/valgrind-cli.sh [ORDINARY_BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
ordinary_dir=${1:-build}

echo "== valgrind on the ordinary build: the decoder on a valid and a truncated container, the coder on a run-length bitmap"
cli="$ordinary_dir/src/cli/brenlow-cli"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp samples/astronaut.bmp "$scratch/pic.bmp"
"$cli" avc "$scratch/pic.bmp" >/dev/null
# Half the payload, with the checksum mended so that the JPEG decoder meets the cut.
size=$(stat -c %s "$scratch/pic.avc")
half=$(((size - 42) / 2))
sum=$(od -An -tu4 --endian=little -j19 -N4 "$scratch/pic.avc" | tr -d ' ')
sum=$(((sum - (size - 42 - half)) & 0xFFFFFFFF))
head -c $((42 + half)) "$scratch/pic.avc" >"$scratch/cut.avc"
printf "$(printf '\\%03o' $((sum & 255)) $(((sum >> 8) & 255)) $(((sum >> 16) & 255)) $((sum >> 24)))" |
  dd of="$scratch/cut.avc" bs=1 seek=19 conv=notrunc status=none
for case in pic.avc:0 cut.avc:1; do
  input=${case%:*}
  expected=${case#*:}
  status=0
  valgrind --quiet --error-exitcode=99 --track-origins=yes "$cli" decode "$scratch/$input" \
    -o "$scratch/out.bmp" 2>"$scratch/valgrind.log" || status=$?
  if [[ $status -ne $expected ]] || grep -q '^==[0-9]*==' "$scratch/valgrind.log"; then
    cat "$scratch/valgrind.log"
    echo "valgrind: $input ended with status $status (expected $expected) or reported errors"
    exit 1
  fi
  message=$(head -n 1 "$scratch/valgrind.log")
  echo "$input: exit status $status${message:+ (\"$message\")}, no valgrind errors"
done

# Run-length data that ends a row early, skips pixels with a delta and stops before the last rows:
# every pixel must still be defined, so the coded file is the same on every run.
cp fuzz/corpus/bitmap/rle8_delta_early_end.bmp "$scratch/rle.bmp"
status=0
valgrind --quiet --error-exitcode=99 --track-origins=yes "$cli" ajc -q 100 "$scratch/rle.bmp" \
  >/dev/null 2>"$scratch/valgrind.log" || status=$?
if [[ $status -ne 0 ]] || grep -q '^==[0-9]*==' "$scratch/valgrind.log"; then
  cat "$scratch/valgrind.log"
  echo "valgrind: ajc of rle.bmp ended with status $status (expected 0) or reported errors"
  exit 1
fi
mv "$scratch/rle.ajc" "$scratch/first.ajc"
"$cli" ajc -q 100 "$scratch/rle.bmp" >/dev/null
if ! cmp -s "$scratch/first.ajc" "$scratch/rle.ajc"; then
  echo "ajc of rle.bmp gave different files on two runs"
  exit 1
fi
echo "rle.bmp: ajc exit status 0, no valgrind errors, the same .ajc on a second run"
