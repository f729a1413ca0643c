#!/bin/sh
# The main job on the embedded default: builds if needed, then grabs 10 frames
# from Aravis's simulated camera (no hardware, no network) into ./frames.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
sh "$here/scripts/build.sh" "$here/build" >/dev/null
exec sh "$here/scripts/in-private-network.sh" "$here/build/bin/camera-host" grab --simulate --frames 10 --save frames "$@"
