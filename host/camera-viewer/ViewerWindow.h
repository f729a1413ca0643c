#pragma once
// camera-viewer's window: the device list, open and close, pixel format,
// exposure and gain, acquisition mode, start, stop and snap, the live image,
// a status bar and the module's messages.
//
// Camera operations run on the window's thread, as a host's do. Frames arrive
// on the capture library's thread: the observer copies the newest one and
// posts at most one wake-up; the window shows the newest frame and counts the
// ones it never showed as "not shown" (they were received, not lost).

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <atomic>
#include <memory>

#include "CameraSession.h"
#include "Frame.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;
class ImageView;
class MessagePane;

class ViewerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ViewerWindow(QWidget* parent = nullptr);
    ~ViewerWindow() override;

    // Loads the module and lists its cameras; false (and the error shown) on failure.
    bool LoadModule(const QString& path);

    bool OpenDevice(const QString& name);
    void CloseDevice();
    bool Start();
    void Stop();
    void Snap();
    void SetPixelFormat(int32_t code);
    void SetMode(int32_t mode);
    void SetExposure(int32_t value);
    void SetGain(int32_t value);

    bool IsOpen() const;
    bool IsGrabbing() const;
    QStringList Devices() const;
    ImageView* View() const { return view_; }
    MessagePane* Messages() const { return messages_; }
    const Frame& LastShownFrame() const { return lastShown_; }
    quint64 FramesShown() const { return shown_; }
    QString StatusText() const;
    QString ErrorText() const;

public Q_SLOTS:
    void Refresh();
    void ShowLatestFrame();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildControls();
    void ShowError(const QString& message);
    void UpdateControls();
    void UpdateStatus();
    void ApplyChange(int32_t paramId, int32_t value);

    ModuleLoader module_;
    std::unique_ptr<CameraSession> session_;
    std::atomic<bool> wakeupPending_{false};
    Frame lastShown_;
    quint64 shown_ = 0;
    QElapsedTimer rateClock_;
    quint64 rateBase_ = 0;
    double fps_ = 0;
    QTimer statusTimer_;
    QTimer snapTimer_;

    QComboBox* devices_;
    QPushButton* refresh_;
    QPushButton* open_;
    QComboBox* format_;
    QSpinBox* exposure_;
    QSpinBox* gain_;
    QComboBox* mode_;
    QPushButton* start_;
    QPushButton* snap_;
    QCheckBox* snapRepeat_;
    QDoubleSpinBox* snapRate_;
    QLabel* error_;
    QLabel* status_;
    ImageView* view_;
    MessagePane* messages_;
};
