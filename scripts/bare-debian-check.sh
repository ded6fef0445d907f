#!/usr/bin/env bash
# Installs the Debian package into a bare Debian 12 and uses it there: apt-get must find every
# dependency, and Debian's python3 must import the module, read a picture and measure it.
#   scripts/bare-debian-check.sh [PACKAGE.deb] [FOLDER]
# PACKAGE defaults to the newest brenlow_*.deb in build-release/ or build/; FOLDER (default
# /tmp/brenlow-bare-debian) keeps a minimal Debian 12 made once by debootstrap, copied afresh for each
# run. Needs root and the network (deb.debian.org); takes a few minutes. Not part of ./test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

package=${1:-$(ls -t build-release/brenlow_*.deb build/brenlow_*.deb 2>/dev/null | head -n 1 || true)}
folder=${2:-/tmp/brenlow-bare-debian}
mirror=${BRENLOW_DEBIAN_MIRROR:-http://deb.debian.org/debian}

if [[ -z "$package" || ! -f "$package" ]]; then
  echo "No package to install: build one with cpack (docs/install.md) or name it: $0 PACKAGE.deb" >&2
  exit 2
fi
if [[ $(id -u) -ne 0 ]]; then
  echo "$0 needs root for debootstrap and chroot: run it with sudo" >&2
  exit 2
fi
if ! command -v debootstrap >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
fi

base=$folder/base
root=$folder/run
if [[ ! -f $base/etc/debian_version ]]; then
  echo "== A minimal Debian 12 in $base (once)"
  rm -rf "$base"
  debootstrap --variant=minbase bookworm "$base" "$mirror"
fi

unmount() {
  for mount in proc sys dev; do
    mountpoint -q "$root/$mount" && umount "$root/$mount"
  done
  return 0
}
trap unmount EXIT
unmount
rm -rf "$root"
cp -a "$base" "$root"
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$package" "$root/tmp/brenlow.deb"
cp tests/data/coffee.bmp "$root/tmp/coffee.bmp"

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

echo "== Installing $(basename "$package") with the dependencies it names"
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends /tmp/brenlow.deb \
  >"$folder/apt.log" 2>&1 || { tail -n 30 "$folder/apt.log" >&2; exit 1; }
echo "$(grep -c '^Setting up' "$folder/apt.log") packages set up; Debian $(cat "$root/etc/debian_version")"

echo "== brenlow-cli and the Python module"
in_root brenlow-cli --version | head -n 1
in_root python3 -c "import brenlow; print(brenlow.__version__)"
in_root python3 - <<'EOF'
import numpy as np

import brenlow

print("module:", brenlow.__file__)
pixels = brenlow.read("/tmp/coffee.bmp")
print("read:", pixels.shape, pixels.dtype)
brenlow.write("/tmp/coffee.png", pixels)
assert (brenlow.read("/tmp/coffee.png") == pixels).all()
print("written and read back as PNG: equal")
darker = (pixels // 2 + 10).astype(np.uint8)
brenlow.write("/tmp/darker.png", darker)
figures = brenlow.measure(pixels, darker, measures=["ssimulacra2"])
print("measured:", {name: figures[name] for name in ("psnr", "ssim_y", "ssimulacra2")})
EOF
in_root brenlow-cli compare --measures ssimulacra2 /tmp/coffee.bmp /tmp/darker.png
echo "== The package on a bare Debian 12: installed and working"
