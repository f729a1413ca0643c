#!/bin/sh
# The benchmarks, in one run inside the private network namespace: the module
# against plain Aravis consumers of the GigE Vision fake camera (on loopback,
# then on a shaped 1 Gbit/s, MTU 1500 line with several cameras and lost
# packets, and once more without the packet socket), and the driver's own
# cost per frame. The last line holds the figures as key=value.
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh build >/dev/null
cd build
./bin/bench_frame_cost --benchmark_out=frame-cost.json --benchmark_out_format=json >&2
# Each program's table goes to stderr as it stands; its last line is kept.
run() {
    output=$(sh ../scripts/in-private-network.sh "$@")
    printf '%s\n' "$output" >&2
    printf '%s\n' "$output" | tail -n 1
}
loopback=$(run ./bin/camera-bench --frame-cost-json frame-cost.json "$@")
line=$(run ./bin/camera-line-bench "$@")
# The receive path of a host without CAP_NET_RAW: no packet socket.
unprivileged=$(run setpriv --bounding-set -net_raw ./bin/camera-line-bench --single-only "$@" |
    sed 's/\([a-z_]*\)=/no_packet_socket_\1=/g')
echo "$loopback $line $unprivileged"
