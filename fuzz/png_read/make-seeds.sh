#!/bin/sh
# Writes the seed inputs of the PNG fuzz target with ImageMagick: one small file per colour
# type, depth and interlacing the reader handles.
set -e
cd "$(dirname "$0")/seeds"
convert -size 8x6 plasma:fractal -define png:exclude-chunks=date,time PNG24:rgb8.png
convert -size 8x6 plasma:fractal -depth 16 -define png:exclude-chunks=date,time PNG48:rgb16.png
convert -size 8x6 xc:'rgba(0,0,255,0.5)' -define png:exclude-chunks=date,time PNG32:rgba8.png
convert -size 8x6 xc:'rgba(255,0,0,0)' -define png:exclude-chunks=date,time PNG8:palette-trns.png
convert -size 8x6 gradient: -type Grayscale -depth 16 -define png:exclude-chunks=date,time PNG:grey16.png
convert -size 9x3 xc:black -type Bilevel -depth 1 -define png:exclude-chunks=date,time PNG:grey1.png
convert -size 8x6 xc:'graya(50%,0.25)' -type GrayscaleAlpha -define png:exclude-chunks=date,time PNG:grey-alpha.png
convert -size 11x7 plasma:fractal -interlace PNG -define png:exclude-chunks=date,time PNG24:interlaced.png
