// camera-bench: the module against a plain Aravis consumer of the same GigE
// Vision fake camera, side by side in one run. Run it inside the private
// network namespace (scripts/bench.sh does).

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>

#include "GrabStatistics.h"
#include "HostLog.h"
#include "Measurements.h"
#include "ModuleLoader.h"
#include "support/GvFakeCamera.h"

namespace {

constexpr uint32_t kFastestPeriodUs = 1;  // the fake camera then sends as fast as it can
constexpr int kRounds = 3;                // alternate sides; the median round counts

std::pair<Throughput, Throughput> CompareThroughput(const std::string& modulePath, uint32_t width, uint32_t height,
                                                    double seconds)
{
    GvFakeCamera fake(GvFakeCamera::Preset{width, height, kFastestPeriodUs, false});
    std::vector<double> plainFps, plainMbps, moduleFps, moduleMbps;
    for (int round = 0; round < kRounds; ++round) {
        const Throughput plain = PlainAravisThroughput(GvFakeCamera::kDeviceId, seconds);
        const Throughput module = ModuleThroughput(modulePath, GvFakeCamera::kDeviceId, seconds);
        plainFps.push_back(plain.fps);
        plainMbps.push_back(plain.mbps);
        moduleFps.push_back(module.fps);
        moduleMbps.push_back(module.mbps);
    }
    const auto median = [](const std::vector<double>& values) { return Percentile(values, 0.5); };
    return {{median(plainFps), median(plainMbps)}, {median(moduleFps), median(moduleMbps)}};
}

double FrameCostNs(const QString& jsonPath, const QString& name)
{
    QFile file(jsonPath);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QJsonArray benchmarks = QJsonDocument::fromJson(file.readAll()).object().value("benchmarks").toArray();
    for (const auto& entry : benchmarks)
        if (entry.toObject().value("name").toString() == name)
            return entry.toObject().value("real_time").toDouble();
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    host_log::Install(host_log::Verbosity::Normal);
    const QStringList args = app.arguments();
    const int costIndex = args.indexOf(QStringLiteral("--frame-cost-json"));
    const QString costJson = costIndex > 0 ? args.value(costIndex + 1) : QString();
    const bool quick = args.contains(QStringLiteral("--quick"));
    const std::string modulePath = ModuleLoader::DefaultPath().toStdString();
    const double seconds = quick ? 1.0 : 3.0;
    const int triggers = quick ? 100 : 500;
    const long memoryFrames = quick ? 10000 : 100000;

    std::fprintf(stderr, "throughput 640x480...\n");
    const auto [plainSmall, moduleSmall] = CompareThroughput(modulePath, 640, 480, seconds);
    std::fprintf(stderr, "throughput 2048x2048...\n");
    const auto [plainLarge, moduleLarge] = CompareThroughput(modulePath, 2048, 2048, seconds);

    std::fprintf(stderr, "latency, %d software triggers each...\n", triggers);
    Latencies plainLatency, moduleLatency;
    {
        GvFakeCamera fake(GvFakeCamera::Preset{640, 480, kFastestPeriodUs, false});
        plainLatency = PlainAravisLatency(GvFakeCamera::kDeviceId, triggers);
        moduleLatency = ModuleLatency(modulePath, GvFakeCamera::kDeviceId, triggers);
    }
    std::fprintf(stderr, "memory over %ld frames...\n", memoryFrames);
    MemoryGrowth memory;
    {
        GvFakeCamera fake(GvFakeCamera::Preset{160, 120, kFastestPeriodUs, false});
        memory = ModuleMemory(modulePath, GvFakeCamera::kDeviceId, memoryFrames);
    }

    const double perFrameNs = FrameCostNs(costJson, QStringLiteral("BM_FrameDelivery_DiscardingHandler"));
    const double perFrameFileNs = FrameCostNs(costJson, QStringLiteral("BM_FrameDelivery_DefaultHandlerToFile"));
    const double ratioSmall = plainSmall.fps > 0 ? moduleSmall.fps / plainSmall.fps : 0;
    const double ratioLarge = plainLarge.fps > 0 ? moduleLarge.fps / plainLarge.fps : 0;
    const double plainP50 = Percentile(plainLatency.ms, 0.5), moduleP50 = Percentile(moduleLatency.ms, 0.5);
    const double latencyRatio = plainP50 > 0 ? moduleP50 / plainP50 : 0;

    std::printf("%-34s %14s %14s %8s\n", "measure", "plain Aravis", "module", "ratio");
    std::printf("%-34s %14.1f %14.1f %8.3f\n", "free run 640x480 GRAY8, fps", plainSmall.fps, moduleSmall.fps, ratioSmall);
    std::printf("%-34s %14.1f %14.1f\n", "free run 640x480 GRAY8, MB/s", plainSmall.mbps, moduleSmall.mbps);
    std::printf("%-34s %14.1f %14.1f %8.3f\n", "free run 2048x2048 GRAY8, fps", plainLarge.fps, moduleLarge.fps, ratioLarge);
    std::printf("%-34s %14.1f %14.1f\n", "free run 2048x2048 GRAY8, MB/s", plainLarge.mbps, moduleLarge.mbps);
    std::printf("%-34s %14.3f %14.3f %8.3f\n", "trigger latency p50, ms", plainP50, moduleP50, latencyRatio);
    std::printf("%-34s %14.3f %14.3f\n", "trigger latency p99, ms", Percentile(plainLatency.ms, 0.99),
                Percentile(moduleLatency.ms, 0.99));
    std::printf("%-34s %14zu %14zu\n", "triggers answered", plainLatency.ms.size(), moduleLatency.ms.size());
    std::printf("%-34s %14s %14.1f\n", "driver cost per frame, ns", "-", perFrameNs);
    std::printf("%-34s %14s %14.1f\n", "  with default handler to file, ns", "-", perFrameFileNs);
    std::printf("%-34s %14s %8ld -> %ld (%ld frames)\n", "resident KiB", "-", memory.beforeKiB, memory.afterKiB,
                memory.frames);
    std::printf("throughput_ratio_small=%.3f throughput_ratio_large=%.3f latency_p50_ratio=%.3f per_frame_ns=%.1f "
                "rss_growth_kib=%ld\n",
                ratioSmall, ratioLarge, latencyRatio, perFrameNs, memory.afterKiB - memory.beforeKiB);
    return 0;
}
