#pragma once
// Shared set-up for the driver's unit tests: the recording capture double is
// reset, the module's messages are captured, and a camera object is made
// through Camera_Create with a host-owned record and observer.

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "CCameraGige.h"
#include "ModuleExports.h"
#include "capture-double/CaptureDouble.h"

struct LoggedMessage {
    QtMsgType type;
    std::string text;
    bool hasContext;  // file, line or function filled in
    bool operator==(const LoggedMessage& other) const { return type == other.type && text == other.text; }
};

inline std::ostream& operator<<(std::ostream& out, const LoggedMessage& message)
{
    return out << (message.type == QtWarningMsg ? "warning:" : message.type == QtDebugMsg ? "debug:" : "other:")
               << message.text;
}

// Captures Qt messages for the lifetime of the object.
class MessageCapture {
public:
    MessageCapture();
    ~MessageCapture();
    std::vector<LoggedMessage> Messages() const;
    std::vector<std::string> Texts() const;
    void Clear();

private:
    static void Handler(QtMsgType type, const QMessageLogContext& context, const QString& text);
    QtMessageHandler previous_;
};

// Copies what a host reads inside OnFrameReady.
class RecordingObserver : public ICameraObserver {
public:
    struct Frame {
        const unsigned char* data;
        int32_t width, height, bitsPerPixel, pixelFormat;
        uint32_t frameNumber;
        ICameraObject* camera;
    };
    void OnFrameReady(ICameraObject* camera) override;
    std::vector<Frame> Frames() const;

private:
    mutable std::mutex mutex_;
    std::vector<Frame> frames_;
};

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A camera made by Camera_Create from `param` and `observer`.
    CCameraGige* Create();
    // Create() and IOpenCamera() on one listed device, then forget the calls so far.
    CCameraGige* CreateOpen();
    // CreateOpen() and IStartCamera() in free run: the library delivers frames
    // only on a live handle. Then forget the calls so far.
    CCameraGige* CreateLive();

    static LoggedMessage Debug(const std::string& text) { return {QtDebugMsg, text, false}; }
    static LoggedMessage Warning(const std::string& text) { return {QtWarningMsg, text, false}; }

    CameraParam param;
    RecordingObserver observer;
    MessageCapture log;
    CCameraGige* camera = nullptr;
};

using Calls = std::vector<std::string>;
