#!/usr/bin/env bash
# The main job: builds the service and its client, then talks to this user's service through
# the client (starting it when it is not running) and to a private instance of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target vantoryd vantory
bin=build/bin

run() {
  echo "\$ vantory $*"
  "$bin/vantory" "$@" || echo "(exit status $?)"
  echo
}

run ping
run call watermark '{"filePath": "/tmp/example.jpg", "sizes": [256]}'
run call createthumbnail '{"filePath": "/tmp/example.jpg"}'   # names are case-sensitive
run --private ping
echo "The shared service ends by itself after 120 seconds without a client."
