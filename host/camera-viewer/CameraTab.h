#pragma once
// One open camera in the window: its controls, its live image with zoom and
// the pixel under the cursor, the histogram, the device's details and its
// status. Every camera operation goes to the camera's worker thread; the tab
// shows what is running ("opening …") and refuses a second request until it
// ends. When the camera is lost, the image is greyed under "camera lost" and
// only Close and Reopen are offered.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <memory>
#include <optional>

#include "CameraWorker.h"
#include "Frame.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;
class HistogramView;
class ImageView;

class CameraTab : public QWidget {
    Q_OBJECT
public:
    CameraTab(const ModuleLoader& module, const CameraSession::Settings& settings, int deviceIndex,
              QWidget* parent = nullptr);
    ~CameraTab() override;

    const QString& Device() const { return settings_.device; }

    // What a user does, as the controls do it (queued to the camera's thread).
    void Open();
    // Starts in `mode` as soon as the open (or the operation running) ends.
    void StartWhenOpen(int32_t mode);
    void Start(int32_t mode);
    void Stop();
    void Snap();
    void SetExposure(int32_t value);
    void SetGain(int32_t value);
    void SetZoom(int zoom);  // ImageView::Zoom
    void Close();
    void Reopen();
    void StopReopening();
    // Saves the shown frame; false with the reason shown.
    bool SaveShownFrame(const QString& path);
    // The device-lost warning named this camera.
    void MarkLost();

    enum class State { Opening, Open, Live, Lost, Reopening, Closed, Failed };
    State CurrentState() const { return state_; }
    bool IsBusy() const { return busy_; }
    QString BusyText() const;
    QString ErrorText() const;
    QString StatusText();
    // "Fake_1: live, frame #97", for the window's title.
    QString Summary() const;
    QString PixelText() const;
    QString ValuesText() const;
    QString DetailsText() const;
    ImageView* View() const { return view_; }
    HistogramView* Histogram() const { return histogram_; }
    const Frame& LastShownFrame() const { return lastShown_; }
    quint64 FramesShown() const { return shown_; }

Q_SIGNALS:
    // The camera was closed (or never opened): the window may remove the tab.
    void Finished(CameraTab* tab);

public Q_SLOTS:
    void ShowLatestFrame();

private:
    QWidget* BuildControls();
    void Connect();
    void SetState(State state);
    void UpdateControls();
    void UpdateStatus();
    void ShowValues(const capture_extensions::ExposureGain& values);
    void ShowError(const QString& message);
    void ShowPixel(QPoint pixel);
    void SaveWithDialog();

    const CameraSession::Settings settings_;
    std::unique_ptr<CameraWorker> worker_;
    State state_ = State::Opening;
    bool busy_ = false;
    bool wasLive_ = false;
    bool closing_ = false;
    int32_t liveMode_ = ModeTriggerOff;
    std::optional<int32_t> startWhenOpen_;
    std::atomic<bool> wakeupPending_{false};
    Frame lastShown_;
    quint64 shown_ = 0;
    QPoint hovered_{-1, -1};
    QElapsedTimer rateClock_;
    quint64 rateBase_ = 0;
    double fps_ = 0;
    QTimer statusTimer_;
    QTimer snapTimer_;

    QLabel* busyLabel_;
    QLabel* details_;
    QDoubleSpinBox* exposure_;
    QCheckBox* exposureAuto_;
    QLabel* exposureRange_;
    QDoubleSpinBox* gain_;
    QCheckBox* gainAuto_;
    QLabel* gainRange_;
    QLabel* frameRate_;
    QComboBox* mode_;
    QPushButton* start_;
    QPushButton* snap_;
    QCheckBox* snapRepeat_;
    QDoubleSpinBox* snapRate_;
    QComboBox* zoom_;
    QPushButton* save_;
    QPushButton* close_;
    QPushButton* reopen_;
    QLabel* error_;
    QLabel* pixel_;
    QLabel* status_;
    ImageView* view_;
    HistogramView* histogram_;
};
