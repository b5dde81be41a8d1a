#!/usr/bin/env bash
# The main job: builds the service and its client, then, through the client, makes thumbnails
# of the sample files at two sizes, prints their XMP properties, and updates the XMP of a copy,
# showing the property that changed. Uses this user's shared service (starting it when it is
# not running).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target vantoryd vantory
bin=build/bin
out="${VANTORY_DEMO_OUT:-build/demo}"
rm -rf "$out"
mkdir -p "$out"

run() {
  echo "\$ vantory $*"
  "$bin/vantory" "$@"
  echo
}

run ping
run thumb samples/*.jpg --size 256,96 --out "$out/thumbnails"
for f in samples/*.jpg; do
  run xmp get "$f" --json
done

# A copy gets a new title; the original stays as it is.
copy="$out/xmp-thumbnail-copy.jpg"
cp samples/xmp-thumbnail.jpg "$copy"
"$bin/vantory" xmp get "$copy" > "$out/packet.xmp"
sed -i 's|Sample with a stored thumbnail|Retitled by the demo|' "$out/packet.xmp"
run xmp set "$copy" "$out/packet.xmp"
echo "dc:title of the copy, before and after (read back by the service):"
echo "  before: $("$bin/vantory" xmp get samples/xmp-thumbnail.jpg --json | grep '"dc:title\[1\]"')"
echo "  after:  $("$bin/vantory" xmp get "$copy" --json | grep '"dc:title\[1\]"')"
echo
echo "Thumbnails are in $out/thumbnails; the updated copy is $copy."
echo "The shared service ends by itself after 120 seconds without a client."
