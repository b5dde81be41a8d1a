#!/usr/bin/env bash
# Writes the video fuzz target's seeds: a few frames of FFmpeg's test pattern, 48 x 32, in each
# container the target names a demuxer for. Small frames keep every run's decode and scaling
# cheap (the test files' frames are up to 1920 x 1080 and mostly above the target's frame cap),
# and a few kilobytes leave the fuzzer room within its input length.
set -euo pipefail
cd "$(dirname "$0")/seeds"
source="testsrc=size=48x32:rate=10:duration=0.3"
encode() {
  local name="$1"
  shift
  ffmpeg -v error -y -f lavfi -i "$source" -fflags +bitexact -flags +bitexact \
    -map_metadata -1 "$@" "$name"
}
encode tiny-h264.mp4 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -movflags +faststart
encode tiny-mpeg4.mov -c:v mpeg4 -q:v 10
encode tiny-h263.3gp -s 128x96 -c:v h263 -q:v 10
encode tiny-vp8.webm -c:v libvpx -b:v 50k
encode tiny-mjpeg.mkv -c:v mjpeg -q:v 10 -pix_fmt yuvj420p
encode tiny-mjpeg.avi -c:v mjpeg -q:v 10 -pix_fmt yuvj420p
encode tiny-mpeg1.mpg -c:v mpeg1video -r 25 -q:v 10
encode tiny-wmv2.wmv -c:v wmv2 -q:v 10
encode tiny-flv1.swf -c:v flv -q:v 10 -f swf
