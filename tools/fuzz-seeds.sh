#!/usr/bin/env bash
# Rebuilds the minimised seed folders kept in the repository (fuzz/<target>/seeds/): small
# images made here with cjpeg and ImageMagick (every sampling, progressive, restarts, grey, odd
# sizes), the repository's own test files (testdata/, redistributable, so the seeds may be
# committed) and the seeds the folder already holds, reduced by the target's own -merge=1 to
# the smallest set that keeps their coverage, cut to the target's -max_len. Run it after a
# parser or its target changed much, then commit the folders (each stays under 900 KB).
# Usage: tools/fuzz-seeds.sh [TARGET...]   (after the sanitizer build; default: every target
#        with sources listed in sources_of below)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${VANTORY_FUZZ_BUILD:-build-asan}"
corpus="$(pwd)/testdata"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS="detect_leaks=1"
# Bytes of seeds one target may keep in the repository.
budget=$((900 * 1024))

# Small JPEG files of every kind the encoder of the reference tools makes.
make_jpegs() {
  local out="$1" source="$corpus/ppm/ljt-testorig.ppm" size sampling i=0
  [ -f "$source" ] || { echo "missing $source" >&2; exit 1; }
  mkdir -p "$out"
  for size in 1x1 7x9 16x16 33x17 64x48; do
    convert "$source" -resize "$size!" "$work/small.ppm"
    convert "$work/small.ppm" -colorspace Gray "$work/small.pgm"
    for sampling in 1x1 2x1 2x2 1x2 4x1; do
      cjpeg -sample "$sampling" -quality 80 "$work/small.ppm" >"$out/$((i++)).jpg"
      cjpeg -sample "$sampling" -progressive "$work/small.ppm" >"$out/$((i++)).jpg"
    done
    cjpeg -restart 1B -optimize "$work/small.ppm" >"$out/$((i++)).jpg"
    cjpeg -grayscale "$work/small.pgm" >"$out/$((i++)).jpg"
    cjpeg -grayscale -progressive "$work/small.pgm" >"$out/$((i++)).jpg"
    cjpeg -rgb "$work/small.ppm" >"$out/$((i++)).jpg"
    convert "$work/small.ppm" -colorspace CMYK -quality 80 "$out/$((i++)).jpg"
  done
}

# ICC profiles carried by the sample files.
extract_profiles() {
  local out="$1" file i=0
  mkdir -p "$out"
  while IFS= read -r -d '' file; do
    exiftool -q -q -b -ICC_Profile "$file" >"$out/$i.icc" 2>/dev/null || true
    [ -s "$out/$i.icc" ] && i=$((i + 1))
  done < <(find "$corpus" -type f \( -name '*.jp*g' -o -name '*.tif*' -o -name '*.psd' \) -print0)
  rm -f "$out/$i.icc"
}

# Small portable pixmaps and graymaps, binary and plain, with and without comments.
make_ppms() {
  local out="$1" source="$corpus/ppm/ljt-testorig.ppm" size i=0
  mkdir -p "$out"
  for size in 1x1 3x2 17x5; do
    convert "$source" -resize "$size!" "$out/$((i++)).ppm"
    convert "$source" -resize "$size!" -colorspace Gray "$out/$((i++)).pgm"
    convert "$source" -resize "$size!" -compress none "$out/$((i++)).ppm"
    convert "$source" -resize "$size!" -depth 16 "$out/$((i++)).ppm"
  done
  printf 'P6\n# a comment\n2 1\n255\n\x00\x01\x02\x03\x04\x05' >"$out/$((i++)).ppm"
}

# The folders a target's seeds are merged from; "kept" is the seed folder as it was, for the
# targets whose seeds were made by hand.
sources_of() {
  case "$1" in
    jpeg_*) echo "$work/jpeg $corpus/jpeg" ;;
    icc_profile) echo "$work/icc" ;;
    ppm_read) echo "$work/ppm $corpus/ppm" ;;
    xmp_parse) echo "$corpus/xmp" ;;
    xmpfiles) echo "$work/$1-kept $corpus/jpeg $corpus/tiff $corpus/psd $corpus/video $corpus/xmp" ;;
    pdf) echo "$work/$1-kept $corpus/pdf" ;;
    *) echo "" ;;
  esac
}

targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(jpeg_decode jpeg_metadata jpeg_rotate jpeg_color_metadata jpeg_quick_thumbnail
    icc_profile ppm_read xmp_parse xmpfiles pdf)
fi
make_jpegs "$work/jpeg"
make_ppms "$work/ppm"
extract_profiles "$work/icc"
for name in "${targets[@]}"; do
  sources=$(sources_of "$name")
  if [ -z "$sources" ]; then
    echo "$name: no sources to merge from; its seeds are kept by hand" >&2
    continue
  fi
  max_len=$(ctest --test-dir "$build" -N -V -R "^fuzz\.$name\$" |
            grep -o 'max_len=[0-9]*' | head -1 | cut -d= -f2)
  seeds="fuzz/$name/seeds"
  mkdir -p "$seeds" "$work/$name-kept"
  cp -r "$seeds/." "$work/$name-kept/"
  rm -rf "$seeds"
  mkdir -p "$seeds"
  # First the inputs cut short (headers and the first scans), then whole ones only where they
  # add coverage; the largest additions go until the folder fits its budget.
  for len in $((${max_len:-65536} / 4)) "${max_len:-65536}"; do
    # shellcheck disable=SC2086 # the sources are folder names without spaces
    nice -n 19 "$build/fuzz/$name/fuzz_$name" -merge=1 -max_len="$len" \
      -timeout=10 -rss_limit_mb=2048 "$seeds" $sources >"$work/$name-merge.txt" 2>&1 ||
      { tail -30 "$work/$name-merge.txt"; exit 1; }
  done
  while (($(du -sb "$seeds" | cut -f1) > budget)); do
    rm -f "$(find "$seeds" -type f -printf '%s %p\n' | sort -n | tail -1 | cut -d' ' -f2-)"
  done
  echo "$name: $(find "$seeds" -type f | wc -l) seeds, $(du -sh "$seeds" | cut -f1)"
done
