#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Idempotent: packages already present are left alone, and apt is only asked when one is missing.
set -euo pipefail

packages=(
  # toolchain (mold: the fastest linker the build finds; it falls back to lld, then ld)
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  mold
  # test and benchmark frameworks
  libgtest-dev libgmock-dev libbenchmark-dev
  # colour management
  liblcms2-dev liblcms2-utils libgs-common
  # reference tools for tests and benchmarks only (never linked into the product)
  libjpeg62-turbo-dev libjpeg-turbo-progs imagemagick libvips-tools libvips-dev
  # zip-compressed layer channels of layered documents (the engine links zlib)
  zlib1g-dev
  # the XML parser under the XMP layer
  libexpat1-dev
  # independent XMP reader and writer, the XMP layer's test oracle (tests only)
  libimage-exiftool-perl
  # video frames through FFmpeg (the product links these)
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  # clips made at test time and the reference frames of the video tests (tests only)
  ffmpeg
  # the video benchmark's peer (benchmarks only)
  ffmpegthumbnailer
  # the 3D render server: model import, KMZ archives, off-screen OpenGL, PNG textures
  libassimp-dev
  libzip-dev
  libosmesa6-dev
  libpng-dev
  # the 3D renders' reference viewer and the display it needs (tests and benchmarks only)
  f3d
  xvfb
  xauth
  # the PDF library (Debian ships it static only: its dependencies are installed by hand)
  libmupdf-dev libharfbuzz-dev libfreetype-dev libjbig2dec0-dev libopenjp2-7-dev libjpeg-dev
  libgumbo-dev libmujs-dev
  # PDF reference tools for tests, benchmarks and the sample PDF (never linked into the product)
  mupdf-tools poppler-utils qpdf
  # desktop thumbnailers: MIME types from file contents
  libmagic-dev
  # desktop thumbnailers: the sandbox they run in
  bubblewrap
  # (the PNG they write comes through libpng-dev above; ffmpegthumbnailer and ffmpeg too)
  # real desktop thumbnailers the tests run (PNG, GIF, BMP; SVG) (tests only)
  libgdk-pixbuf2.0-bin
  librsvg2-common
  # TIFF reading in the layered-raster handler
  libtiff-dev
  # libtiff's own tools, the TIFF path's test oracle (tests only)
  libtiff-tools
)

# One dpkg-query for the whole list: a call per package cost seconds on every run, and CI runs
# this script twice.
declare -A installed=()
while read -r name status; do
  [ "$status" = "install ok installed" ] && installed["$name"]=1
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
  [ -n "${installed[$p]:-}" ] || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
