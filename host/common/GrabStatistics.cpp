#include "GrabStatistics.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

uint32_t FramesMissingBetween(uint32_t previous, uint32_t current)
{
    if (current > previous)
        return current - previous - 1;
    constexpr uint32_t kLargest16BitId = 0xFFFF;
    if (current < previous && previous <= kLargest16BitId && current >= 1)
        return (kLargest16BitId - previous) + (current - 1);  // wrapped, 0 skipped
    return 0;
}

double Percentile(std::vector<double> values, double q)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t rank = static_cast<size_t>(std::ceil(q * values.size()));
    return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}

GrabStatistics::GrabStatistics(const QString& device, int requested) : start_(std::chrono::steady_clock::now())
{
    summary_.device = device;
    summary_.requested = requested;
    lastArrival_ = start_;
}

void GrabStatistics::AddFrame(const Frame& frame, std::optional<std::chrono::steady_clock::time_point> trigger)
{
    ++summary_.received;
    summary_.width = frame.width;
    summary_.height = frame.height;
    summary_.bitsPerPixel = frame.bitsPerPixel;
    bytes_ += double(frame.ByteCount());
    if (lastNumber_)
        summary_.gaps += int(FramesMissingBetween(*lastNumber_, frame.frameNumber));
    lastNumber_ = frame.frameNumber;
    lastArrival_ = frame.arrival;
    if (trigger)
        latenciesMs_.push_back(std::chrono::duration<double, std::milli>(frame.arrival - *trigger).count());
}

void GrabStatistics::AddTimeout()
{
    ++summary_.timeouts;
}

void GrabStatistics::SetHostDropped(int frames)
{
    summary_.hostDropped = frames;
}

void GrabStatistics::MarkCameraLost()
{
    summary_.cameraLost = true;
}

void GrabStatistics::SetInEffect(std::optional<double> exposureUs, std::optional<double> gain)
{
    summary_.exposureUs = exposureUs;
    summary_.gain = gain;
}

void GrabStatistics::SetStream(const capture_extensions::StreamStatistics& stream)
{
    summary_.stream = stream;
}

void GrabStatistics::Warn(const QString& warning)
{
    if (!summary_.warnings.contains(warning))
        summary_.warnings << warning;
}

GrabSummary GrabStatistics::Finish() const
{
    GrabSummary summary = summary_;
    const double seconds = std::chrono::duration<double>(lastArrival_ - start_).count();
    if (seconds > 0) {
        summary.fps = summary.received / seconds;
        summary.mbps = bytes_ / seconds / 1e6;
    }
    if (!latenciesMs_.empty())
        summary.latency = Latency{Percentile(latenciesMs_, 0.5), Percentile(latenciesMs_, 0.95),
                                  *std::max_element(latenciesMs_.begin(), latenciesMs_.end())};
    return summary;
}

QJsonObject GrabSummary::ToJson() const
{
    QJsonObject json{{"device", device},     {"width", width},     {"height", height},
                     {"bitsPerPixel", bitsPerPixel}, {"requested", requested}, {"received", received},
                     {"lost", Lost()},       {"fps", fps},         {"mbps", mbps},
                     {"hostDropped", hostDropped}, {"cameraLost", cameraLost}};
    if (exposureUs)
        json.insert("exposureUs", *exposureUs);
    if (gain)
        json.insert("gain", *gain);
    if (stream)
        json.insert("stream", QJsonObject{{"completed", double(stream->completed)},
                                          {"failures", double(stream->failures)},
                                          {"underruns", double(stream->underruns)},
                                          {"packetsResent", double(stream->resent)},
                                          {"packetsMissing", double(stream->missing)}});
    json.insert("warnings", QJsonArray::fromStringList(warnings));
    if (latency)
        json.insert("latencyMs", QJsonObject{{"p50", latency->p50Ms}, {"p95", latency->p95Ms}, {"max", latency->maxMs}});
    return json;
}

QString GrabSummary::ToText() const
{
    QString text = QStringLiteral("device: %1\nformat: %2 x %3 x %4 bpp\nframes: requested %5, received %6, lost %7\n"
                                  "rate: %8 fps, %9 MB/s\n")
                       .arg(device)
                       .arg(width)
                       .arg(height)
                       .arg(bitsPerPixel)
                       .arg(requested)
                       .arg(received)
                       .arg(Lost())
                       .arg(fps, 0, 'f', 1)
                       .arg(mbps, 0, 'f', 2);
    if (exposureUs || gain)
        text += QStringLiteral("in effect: exposure %1 us, gain %2\n")
                    .arg(exposureUs ? QString::number(*exposureUs, 'f', 1) : QStringLiteral("?"))
                    .arg(gain ? QString::number(*gain, 'f', 2) : QStringLiteral("?"));
    if (stream)
        text += QStringLiteral("stream: %1 completed, %2 failed, %3 underruns, packets %4 resent, %5 missing\n")
                    .arg(stream->completed)
                    .arg(stream->failures)
                    .arg(stream->underruns)
                    .arg(stream->resent)
                    .arg(stream->missing);
    for (const QString& warning : warnings)
        text += QStringLiteral("warning: %1\n").arg(warning);
    if (hostDropped > 0)
        text += QStringLiteral("host dropped: %1 frames (received, the host fell behind)\n").arg(hostDropped);
    if (cameraLost)
        text += QStringLiteral("camera lost during the grab\n");
    if (latency)
        text += QStringLiteral("latency (trigger to frame): median %1 ms, p95 %2 ms, max %3 ms\n")
                    .arg(latency->p50Ms, 0, 'f', 2)
                    .arg(latency->p95Ms, 0, 'f', 2)
                    .arg(latency->maxMs, 0, 'f', 2);
    return text;
}
