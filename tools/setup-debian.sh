#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Idempotent: packages already present are left alone, and apt is only asked when one is missing.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  # test and benchmark frameworks
  libgtest-dev libgmock-dev libbenchmark-dev
  # colour management
  liblcms2-dev liblcms2-utils libgs-common
  # reference tools for tests and benchmarks only (never linked into the product)
  libjpeg62-turbo-dev libjpeg-turbo-progs imagemagick libvips-tools libvips-dev
  # the XML parser under the XMP layer
  libexpat1-dev
  # independent XMP reader and writer, the XMP layer's test oracle (tests only)
  libimage-exiftool-perl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
