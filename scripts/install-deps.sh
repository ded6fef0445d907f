#!/usr/bin/env bash
# Installs the Debian packages Brenlow needs to build, test and run; a no-op where all are present.
set -euo pipefail

packages=(g++ make cmake pkg-config ccache qt6-base-dev libjpeg62-turbo-dev libgtest-dev libcli11-dev
          qt6-charts-dev libqt6opengl6-dev  # Qt Charts' CMake files ask for Qt's OpenGL module
          qt6-svg-dev qt6-image-formats-plugins  # TIFF and WebP pictures
          libwebp-dev libavif-dev libjxl-dev libopenjp2-7-dev  # the anchor codecs
          liblcms2-dev  # colour conversion of pictures that declare their colours
          libbenchmark-dev
          pybind11-dev python3-dev python3-numpy python3-pytest  # the Python module and its tests
          python3-pandas python3-matplotlib jupyter-nbconvert python3-ipykernel  # its optional parts, the notebook
          libjs-chart.js  # the chart library the report page embeds when it is built
          chromium chromium-driver python3-selenium poppler-utils  # the page in a real browser, the PDF figures opened
          fonts-dejavu-core  # the font the PDF and PNG figures are drawn in
          dpkg-dev desktop-file-utils appstream  # the .deb's dependencies, and the packaging tests' validators
          parallel  # data set shards in the tests and on the hosts of a sweep
          slurm-wlm munge  # the one-node Slurm the job-array test starts on this machine
          webp imagemagick  # the programs of the codec descriptions in examples/codecs
          clang libclang-rt-14-dev llvm valgrind)  # sanitizers, fuzzing and their readable reports
if [[ "${1:-}" == "--with-display" ]]; then
  packages+=(xvfb xauth)
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
