#pragma once
// The figures the benchmark compares, measured the same way on both sides:
// the module (through camera-host's session and observer) and a plain Aravis
// consumer of the same camera.

#include <string>
#include <vector>

struct Throughput {
    double fps = 0;
    double mbps = 0;
};

struct Latencies {
    std::vector<double> ms;  // one per trigger
};

// Plain Aravis: stream, buffers, pop and push; no module.
Throughput PlainAravisThroughput(const std::string& deviceId, double seconds);
Latencies PlainAravisLatency(const std::string& deviceId, int triggers);

// The module, loaded as camera-host loads it.
Throughput ModuleThroughput(const std::string& modulePath, const std::string& deviceId, double seconds);
Latencies ModuleLatency(const std::string& modulePath, const std::string& deviceId, int triggers);
// Resident set size (KiB) after a warm-up and after `frames` more frames.
struct MemoryGrowth {
    long beforeKiB = 0;
    long afterKiB = 0;
    long frames = 0;
};
MemoryGrowth ModuleMemory(const std::string& modulePath, const std::string& deviceId, long frames);
