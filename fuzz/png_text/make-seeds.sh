#!/bin/sh
# Writes the seed inputs of the PNG text-chunk fuzz target with ImageMagick: small files with
# the text chunks of the thumbnail cache, before and after the image data.
set -e
cd "$(dirname "$0")/seeds"
convert -size 4x3 xc:red -set Thumb::URI 'file:///tmp/a-b.jpg' -set Thumb::MTime 1700000000 \
  -define png:exclude-chunks=date,time PNG24:cache-entry.png
convert -size 4x3 xc:blue -set Title "$(printf 'caf\303\251')" -define png:exclude-chunks=date,time \
  PNG24:text.png
