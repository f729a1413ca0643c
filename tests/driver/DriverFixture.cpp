#include "DriverFixture.h"

namespace {
std::mutex messagesMutex;
std::vector<LoggedMessage> messages;
}  // namespace

MessageCapture::MessageCapture() : previous_(qInstallMessageHandler(&MessageCapture::Handler)) {}

MessageCapture::~MessageCapture()
{
    qInstallMessageHandler(previous_);
    Clear();
}

void MessageCapture::Handler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    std::lock_guard<std::mutex> lock(messagesMutex);
    messages.push_back({type, text.toStdString(), context.file || context.line || context.function});
}

std::vector<LoggedMessage> MessageCapture::Messages() const
{
    std::lock_guard<std::mutex> lock(messagesMutex);
    return messages;
}

std::vector<std::string> MessageCapture::Texts() const
{
    std::vector<std::string> texts;
    for (const auto& message : Messages())
        texts.push_back(message.text);
    return texts;
}

void MessageCapture::Clear()
{
    std::lock_guard<std::mutex> lock(messagesMutex);
    messages.clear();
}

void RecordingObserver::OnFrameReady(ICameraObject* camera)
{
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.push_back({camera->imageData, camera->width, camera->height, camera->bitsPerPixel, camera->pixelFormat,
                       camera->frameNumber, camera});
}

std::vector<RecordingObserver::Frame> RecordingObserver::Frames() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_;
}

void DriverTest::SetUp()
{
    capture_double::Script script;
    script.deviceNames = {std::string("cam-A")};
    capture_double::Reset(script);
    param.cameraName = QStringLiteral("cam-A");
    param.pixelFormat = PixelFormat::GRAY8;
    param.exposure = 5000;
    param.gain = 10;
}

void DriverTest::TearDown()
{
    if (camera)
        Camera_Delete(camera);
    camera = nullptr;
}

CCameraGige* DriverTest::Create()
{
    camera = static_cast<CCameraGige*>(Camera_Create(&param, &observer));
    return camera;
}

CCameraGige* DriverTest::CreateOpen()
{
    Create();
    EXPECT_NE(camera, nullptr);
    EXPECT_EQ(camera->IOpenCamera(), 1);
    capture_double::ClearCalls();
    log.Clear();
    return camera;
}

CCameraGige* DriverTest::CreateLive()
{
    CreateOpen();
    camera->requestedMode = ModeTriggerOff;
    EXPECT_EQ(camera->IStartCamera(), 1);
    capture_double::ClearCalls();
    log.Clear();
    return camera;
}
