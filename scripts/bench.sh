#!/bin/sh
# The benchmarks, in one run inside the private network namespace: the module
# against a plain Aravis consumer of the GigE Vision fake camera, then the
# driver's own cost per frame. The last line holds the figures as key=value.
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh build >/dev/null
cd build
./bin/bench_frame_cost --benchmark_out=frame-cost.json --benchmark_out_format=json >&2
exec sh ../scripts/in-private-network.sh ./bin/camera-bench --frame-cost-json frame-cost.json "$@"
