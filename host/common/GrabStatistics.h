#pragma once
// The figures of one grab: frames received and lost (timeouts plus gaps in
// the camera's frame numbers), rate, throughput, trigger-to-frame latency.

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <vector>

#include "CaptureExtensions.h"
#include "Frame.h"

// Frames missing between two consecutive frame numbers. GigE Vision 1.x block
// ids are 16 bits wide and skip 0 when they wrap; any other step back is a
// restart of the count and hides nothing.
uint32_t FramesMissingBetween(uint32_t previous, uint32_t current);

struct Latency {
    double p50Ms = 0;
    double p95Ms = 0;
    double maxMs = 0;
};

struct GrabSummary {
    QString device;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    int requested = 0;
    int received = 0;
    int timeouts = 0;
    int gaps = 0;
    int hostDropped = 0;      // received, but dropped because the host fell behind
    bool cameraLost = false;  // the module reported the camera lost during the grab
    double fps = 0;
    double mbps = 0;
    std::optional<Latency> latency;
    // What the camera reports in effect (where the capture library tells).
    std::optional<double> exposureUs;
    std::optional<double> gain;
    std::optional<capture_extensions::StreamStatistics> stream;
    QStringList warnings;

    int Lost() const { return timeouts + gaps; }
    QJsonObject ToJson() const;
    QString ToText() const;
};

class GrabStatistics {
public:
    GrabStatistics(const QString& device, int requested);

    // `trigger`: when the software trigger for this frame was fired (mode 1).
    void AddFrame(const Frame& frame, std::optional<std::chrono::steady_clock::time_point> trigger);
    void AddTimeout();
    void SetHostDropped(int frames);
    void SetInEffect(std::optional<double> exposureUs, std::optional<double> gain);
    void SetStream(const capture_extensions::StreamStatistics& stream);
    // A difference between what was asked and what the camera does.
    void Warn(const QString& warning);
    void MarkCameraLost();
    GrabSummary Finish() const;

private:
    GrabSummary summary_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastArrival_;
    std::optional<uint32_t> lastNumber_;
    double bytes_ = 0;
    std::vector<double> latenciesMs_;
};

// The value at fraction `q` (0..1) of `values`, nearest rank.
double Percentile(std::vector<double> values, double q);
