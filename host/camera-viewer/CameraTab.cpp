#include "CameraTab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cmath>
#include <utility>

#include "FrameHistogram.h"
#include "FrameImage.h"
#include "FrameSaving.h"
#include "HistogramView.h"
#include "ImageView.h"
#include "PixelReadout.h"

namespace {

QString Number(double value)
{
    return value == std::floor(value) ? QString::number(value, 'f', 0) : QString::number(value, 'g', 6);
}

QString Bounds(double min, double max, const QString& unit)
{
    if (min < 0 || max < 0)
        return QString();
    return QStringLiteral("%1 to %2 %3").arg(Number(min), Number(max), unit).trimmed();
}

}  // namespace

CameraTab::CameraTab(const ModuleLoader& module, const CameraSession::Settings& settings, int deviceIndex,
                     QWidget* parent)
    : QWidget(parent),
      settings_(settings),
      worker_(std::make_unique<CameraWorker>(module, settings, deviceIndex)),
      view_(new ImageView(this)),
      histogram_(new HistogramView(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(BuildControls());
    auto* right = new QVBoxLayout;
    right->addWidget(view_, 1);
    auto* below = new QHBoxLayout;
    below->addWidget(histogram_, 1);
    auto* readouts = new QVBoxLayout;
    pixel_ = new QLabel(this);
    pixel_->setMinimumWidth(260);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    readouts->addWidget(pixel_);
    readouts->addWidget(status_);
    readouts->addStretch();
    below->addLayout(readouts);
    right->addLayout(below);
    layout->addLayout(right, 1);

    worker_->Frames().SetNotify([this] {
        if (!wakeupPending_.exchange(true))  // one wake-up in flight at most; never blocks the library
            QMetaObject::invokeMethod(this, "ShowLatestFrame", Qt::QueuedConnection);
    });
    Connect();
    connect(&statusTimer_, &QTimer::timeout, this, [this] { UpdateStatus(); });
    statusTimer_.start(500);
    connect(&snapTimer_, &QTimer::timeout, this, [this] { Snap(); });
    UpdateControls();
    UpdateStatus();
}

CameraTab::~CameraTab()
{
    snapTimer_.stop();
    // Ends the session on its thread, in the contract's order: once it
    // returns no frame callback runs, so none can post to this tab.
    worker_.reset();
}

QWidget* CameraTab::BuildControls()
{
    auto* panel = new QWidget(this);
    panel->setMaximumWidth(330);
    auto* column = new QVBoxLayout(panel);
    busyLabel_ = new QLabel(panel);
    busyLabel_->setStyleSheet(QStringLiteral("color: #1a5fb4; font-weight: bold"));
    column->addWidget(busyLabel_);

    auto* deviceBox = new QGroupBox(tr("Device"), panel);
    details_ = new QLabel(tr("(no details)"), deviceBox);
    details_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    (new QVBoxLayout(deviceBox))->addWidget(details_);
    column->addWidget(deviceBox);

    auto* settingsBox = new QGroupBox(tr("Camera"), panel);
    auto* form = new QFormLayout(settingsBox);
    exposure_ = new QDoubleSpinBox(settingsBox);
    exposure_->setDecimals(0);
    exposure_->setRange(0, 1e8);
    exposure_->setSuffix(QStringLiteral(" µs"));
    exposure_->setKeyboardTracking(false);
    exposureAuto_ = new QCheckBox(tr("Auto"), settingsBox);
    exposureRange_ = new QLabel(settingsBox);
    gain_ = new QDoubleSpinBox(settingsBox);
    gain_->setDecimals(2);
    gain_->setRange(0, 1e6);
    gain_->setKeyboardTracking(false);
    gainAuto_ = new QCheckBox(tr("Auto"), settingsBox);
    gainRange_ = new QLabel(settingsBox);
    frameRate_ = new QLabel(settingsBox);
    // Until the capture library reads them back (the camera maker's cannot).
    exposureRange_->setText(tr("(not read from the camera)"));
    gainRange_->setText(tr("(not read from the camera)"));
    auto* exposureRow = new QHBoxLayout;
    exposureRow->addWidget(exposure_, 1);
    exposureRow->addWidget(exposureAuto_);
    auto* gainRow = new QHBoxLayout;
    gainRow->addWidget(gain_, 1);
    gainRow->addWidget(gainAuto_);
    form->addRow(tr("Exposure"), exposureRow);
    form->addRow(QString(), exposureRange_);
    form->addRow(tr("Gain"), gainRow);
    form->addRow(QString(), gainRange_);
    form->addRow(tr("Frame rate"), frameRate_);
    column->addWidget(settingsBox);

    auto* acquisitionBox = new QGroupBox(tr("Acquisition"), panel);
    auto* acquisition = new QFormLayout(acquisitionBox);
    mode_ = new QComboBox(acquisitionBox);
    mode_->addItem(tr("1 software trigger"), int(ModeTriggerOn));
    mode_->addItem(tr("2 free run"), int(ModeTriggerOff));
    mode_->addItem(tr("3 free run from 0"), int(ModeTriggerOffReset));
    mode_->setCurrentIndex(1);
    start_ = new QPushButton(tr("Start"), acquisitionBox);
    snap_ = new QPushButton(tr("Snap"), acquisitionBox);
    snapRepeat_ = new QCheckBox(tr("snap at"), acquisitionBox);
    snapRate_ = new QDoubleSpinBox(acquisitionBox);
    snapRate_->setRange(0.1, 1000);
    snapRate_->setValue(5);
    snapRate_->setSuffix(tr(" Hz"));
    acquisition->addRow(tr("Mode"), mode_);
    acquisition->addRow(QString(), start_);
    auto* snapRow = new QHBoxLayout;
    snapRow->addWidget(snap_);
    snapRow->addWidget(snapRepeat_);
    snapRow->addWidget(snapRate_);
    acquisition->addRow(QString(), snapRow);
    column->addWidget(acquisitionBox);

    auto* viewBox = new QGroupBox(tr("View"), panel);
    auto* viewRow = new QHBoxLayout(viewBox);
    zoom_ = new QComboBox(viewBox);
    zoom_->addItem(tr("fit"), int(ImageView::Zoom::Fit));
    zoom_->addItem(tr("1:1"), int(ImageView::Zoom::Actual));
    zoom_->addItem(tr("4:1"), int(ImageView::Zoom::Four));
    save_ = new QPushButton(tr("Save frame…"), viewBox);
    viewRow->addWidget(zoom_);
    viewRow->addWidget(save_);
    column->addWidget(viewBox);

    auto* endRow = new QHBoxLayout;
    close_ = new QPushButton(tr("Close"), panel);
    reopen_ = new QPushButton(tr("Reopen"), panel);
    endRow->addWidget(close_);
    endRow->addWidget(reopen_);
    column->addLayout(endRow);
    error_ = new QLabel(panel);
    error_->setWordWrap(true);
    error_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    error_->setStyleSheet(QStringLiteral("color: #c00000"));
    column->addWidget(error_);
    column->addStretch();

    connect(start_, &QPushButton::clicked, this, [this] {
        if (state_ == State::Live)
            Stop();
        else
            Start(mode_->currentData().toInt());
    });
    connect(snap_, &QPushButton::clicked, this, &CameraTab::Snap);
    const auto applySnapRate = [this] {
        if (snapRepeat_->isChecked())
            snapTimer_.start(int(1000 / snapRate_->value()));
        else
            snapTimer_.stop();
    };
    connect(snapRepeat_, &QCheckBox::toggled, this, applySnapRate);
    connect(snapRate_, qOverload<double>(&QDoubleSpinBox::valueChanged), this, applySnapRate);
    connect(exposure_, &QDoubleSpinBox::editingFinished, this, [this] { SetExposure(int32_t(exposure_->value())); });
    connect(gain_, &QDoubleSpinBox::editingFinished, this, [this] { SetGain(int32_t(std::lround(gain_->value()))); });
    // The record's 0 asks the module for the camera's automatic control.
    connect(exposureAuto_, &QCheckBox::clicked, this,
            [this](bool on) { SetExposure(on ? 0 : std::max<int32_t>(1, int32_t(exposure_->value()))); });
    connect(gainAuto_, &QCheckBox::clicked, this,
            [this](bool on) { SetGain(on ? 0 : int32_t(std::lround(gain_->value()))); });
    connect(zoom_, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { view_->SetZoom(ImageView::Zoom(zoom_->currentData().toInt())); });
    connect(save_, &QPushButton::clicked, this, &CameraTab::SaveWithDialog);
    connect(close_, &QPushButton::clicked, this, &CameraTab::Close);
    connect(reopen_, &QPushButton::clicked, this, [this] {
        if (state_ == State::Reopening)
            StopReopening();
        else
            Reopen();
    });
    connect(view_, &ImageView::Hovered, this, &CameraTab::ShowPixel);
    return panel;
}

void CameraTab::Connect()
{
    CameraWorker* worker = worker_.get();
    connect(worker, &CameraWorker::Busy, this, [this](const QString& what) {
        busy_ = true;
        busyLabel_->setText(what);
        UpdateControls();
    });
    connect(worker, &CameraWorker::Idle, this, [this] {
        busy_ = false;
        busyLabel_->clear();
        UpdateControls();
        if (startWhenOpen_ && state_ == State::Open)
            Start(*std::exchange(startWhenOpen_, std::nullopt));
    });
    connect(worker, &CameraWorker::Opened, this, [this](bool ok, const QString& reason) {
        if (state_ != State::Opening && state_ != State::Reopening)
            return;
        if (ok && worker_->Frames().Lost()) {  // lost again before the open was reported
            SetState(State::Open);
            MarkLost();
            return;
        }
        if (ok) {
            error_->clear();
            view_->SetBanner(QString());
            SetState(State::Open);
            return;
        }
        ShowError(tr("cannot open %1: %2").arg(settings_.device, reason));
        SetState(State::Failed);
    });
    connect(worker, &CameraWorker::Started, this, [this](bool ok, int mode) {
        if (state_ != State::Open)
            return;  // lost or closing meanwhile
        if (!ok) {
            ShowError(tr("cannot start acquisition on %1").arg(settings_.device));
            return;
        }
        liveMode_ = mode;
        shown_ = 0;
        rateBase_ = 0;
        rateClock_.start();
        SetState(State::Live);
    });
    connect(worker, &CameraWorker::Stopped, this, [this] {
        if (state_ == State::Live)
            SetState(State::Open);
    });
    connect(worker, &CameraWorker::Closed, this, [this] {
        SetState(State::Closed);
        Q_EMIT Finished(this);
    });
    connect(worker, &CameraWorker::ReopenAttempt, this, [this](int attempt, const QString& reason) {
        ShowError(tr("reopen attempt %1: %2").arg(attempt).arg(reason));
    });
    connect(worker, &CameraWorker::ReopenStopped, this, [this] {
        if (state_ == State::Reopening)
            SetState(State::Lost);
    });
    connect(worker, &CameraWorker::ValuesRead, this, &CameraTab::ShowValues);
    connect(worker, &CameraWorker::DetailsRead, this, [this](const capture_extensions::DeviceDetails& d) {
        details_->setText(tr("vendor: %1\nmodel: %2\nserial: %3\naddress: %4").arg(d.vendor, d.model, d.serial, d.address));
    });
}

void CameraTab::Open()
{
    SetState(State::Opening);
    worker_->RequestOpen();
}

void CameraTab::StartWhenOpen(int32_t mode)
{
    if (state_ == State::Open && !busy_)
        Start(mode);
    else
        startWhenOpen_ = mode;
}

void CameraTab::Start(int32_t mode)
{
    if (busy_ || state_ != State::Open)
        return;  // refused: one operation at a time, and only on an open camera
    busy_ = true;
    mode_->setCurrentIndex(mode_->findData(mode));
    worker_->RequestStart(mode);
}

void CameraTab::Stop()
{
    snapRepeat_->setChecked(false);
    if (busy_ || state_ != State::Live)
        return;
    busy_ = true;
    worker_->RequestStop();
}

void CameraTab::Snap()
{
    // Repeated snaps queue behind a slow one instead of being refused.
    if (state_ == State::Live && liveMode_ == ModeTriggerOn)
        worker_->RequestSnap();
}

void CameraTab::SetExposure(int32_t value)
{
    if (busy_ || (state_ != State::Open && state_ != State::Live))
        return;
    busy_ = true;
    worker_->RequestChange(PARAM_EXPOSURE, value);
}

void CameraTab::SetGain(int32_t value)
{
    if (busy_ || (state_ != State::Open && state_ != State::Live))
        return;
    busy_ = true;
    worker_->RequestChange(PARAM_GAIN, value);
}

void CameraTab::SetZoom(int zoom)
{
    zoom_->setCurrentIndex(zoom_->findData(zoom));
}

void CameraTab::Close()
{
    snapRepeat_->setChecked(false);
    if (std::exchange(closing_, true))
        return;  // one close is on its way
    worker_->RequestClose();  // also ends a reopen's retries
}

void CameraTab::Reopen()
{
    if (busy_ || closing_ || (state_ != State::Lost && state_ != State::Failed))
        return;
    SetState(State::Reopening);
    worker_->RequestReopen(wasLive_, liveMode_);
}

void CameraTab::StopReopening()
{
    worker_->StopReopening();
}

void CameraTab::MarkLost()
{
    worker_->Frames().MarkLost();  // also seen by an open still on its way
    if (state_ != State::Open && state_ != State::Live)
        return;
    snapRepeat_->setChecked(false);
    wasLive_ = state_ == State::Live;
    view_->SetBanner(tr("camera lost"));
    ShowError(tr("%1 was lost: close it, or reopen it once it is back").arg(settings_.device));
    SetState(State::Lost);
}

void CameraTab::SetState(State state)
{
    state_ = state;
    if (state == State::Open || state == State::Live)
        wasLive_ = false;
    UpdateControls();
}

void CameraTab::UpdateControls()
{
    const bool open = state_ == State::Open || state_ == State::Live;
    const bool live = state_ == State::Live;
    const bool idle = !busy_;
    const bool settable = open && idle;
    exposure_->setEnabled(settable);
    gain_->setEnabled(settable);
    exposureAuto_->setEnabled(settable);
    gainAuto_->setEnabled(settable);
    mode_->setEnabled(state_ == State::Open && idle);
    start_->setEnabled(open && idle);
    start_->setText(live ? tr("Stop") : tr("Start"));
    const bool triggered = live && liveMode_ == ModeTriggerOn;
    snap_->setEnabled(triggered);
    snapRepeat_->setEnabled(triggered);
    save_->setEnabled(!lastShown_.pixels.isEmpty());
    close_->setEnabled(!closing_ && state_ != State::Closed && state_ != State::Opening);
    reopen_->setVisible(state_ == State::Lost || state_ == State::Failed || state_ == State::Reopening);
    reopen_->setText(state_ == State::Reopening ? tr("Stop trying") : tr("Reopen"));
}

void CameraTab::ShowValues(const capture_extensions::ExposureGain& values)
{
    const QSignalBlocker blockExposure(exposure_), blockGain(gain_);
    if (values.exposureMinUs >= 0 && values.exposureMaxUs >= values.exposureMinUs)
        exposure_->setRange(values.exposureMinUs, values.exposureMaxUs);
    if (values.exposureUs >= 0)
        exposure_->setValue(values.exposureUs);
    exposureRange_->setText(Bounds(values.exposureMinUs, values.exposureMaxUs, QStringLiteral("µs")));
    exposureAuto_->setVisible(values.exposureAutoAvailable);
    exposureAuto_->setChecked(!values.exposureAuto.isEmpty() && values.exposureAuto != QLatin1String("Off"));
    exposureAuto_->setToolTip(values.exposureAuto);

    const QString unit = values.gainUnit.isEmpty() ? tr("(camera's raw unit)") : values.gainUnit;
    gain_->setSuffix(values.gainUnit.isEmpty() ? QString() : QStringLiteral(" ") + values.gainUnit);
    if (values.gainMin >= 0 && values.gainMax >= values.gainMin)
        gain_->setRange(values.gainMin, values.gainMax);
    if (values.gain >= 0)
        gain_->setValue(values.gain);
    gainRange_->setText(Bounds(values.gainMin, values.gainMax, unit));
    gainAuto_->setVisible(values.gainAutoAvailable);
    gainAuto_->setChecked(!values.gainAuto.isEmpty() && values.gainAuto != QLatin1String("Off"));

    frameRate_->setText(values.frameRateAvailable && values.frameRate >= 0
                            ? tr("%1 fps (%2)")
                                  .arg(values.frameRate, 0, 'f', 2)
                                  .arg(Bounds(values.frameRateMin, values.frameRateMax, QStringLiteral("fps")))
                            : tr("(the camera has none)"));
    UpdateControls();
}

QString CameraTab::ValuesText() const
{
    return QStringLiteral("exposure %1 (%2)%3 | gain %4 (%5)%6 | frame rate %7")
        .arg(exposure_->text(), exposureRange_->text(),
             exposureAuto_->isVisible() && exposureAuto_->isChecked() ? QStringLiteral(" auto") : QString(),
             gain_->text(), gainRange_->text(),
             gainAuto_->isVisible() && gainAuto_->isChecked() ? QStringLiteral(" auto") : QString(),
             frameRate_->text());
}

QString CameraTab::DetailsText() const
{
    return details_->text();
}

void CameraTab::ShowLatestFrame()
{
    wakeupPending_ = false;
    auto frame = worker_->Frames().TryTake();
    if (!frame || state_ == State::Lost)
        return;
    lastShown_ = std::move(*frame);
    ++shown_;
    view_->SetImage(FrameToImage(lastShown_));
    histogram_->SetHistogram(ComputeHistogram(lastShown_));
    ShowPixel(hovered_);
    save_->setEnabled(true);
}

void CameraTab::ShowPixel(QPoint pixel)
{
    hovered_ = pixel;
    pixel_->setText(PixelReadout(lastShown_, pixel.x(), pixel.y()));
}

QString CameraTab::PixelText() const
{
    return pixel_->text();
}

void CameraTab::UpdateStatus()
{
    const quint64 received = worker_->Frames().Received();
    if (rateClock_.isValid() && rateClock_.elapsed() >= 1000) {
        fps_ = (received - rateBase_) * 1000.0 / rateClock_.restart();
        rateBase_ = received;
    }
    status_->setText(tr("%1 fps | received %2 | lost %3 | not shown %4 | frame #%5 | %6 x %7 x %8 bpp")
                         .arg(fps_, 0, 'f', 1)
                         .arg(received)
                         .arg(worker_->Frames().Gaps())
                         .arg(received > shown_ ? received - shown_ : 0)
                         .arg(lastShown_.frameNumber)
                         .arg(lastShown_.width)
                         .arg(lastShown_.height)
                         .arg(lastShown_.bitsPerPixel));
}

QString CameraTab::StatusText()
{
    UpdateStatus();
    return status_->text();
}

QString CameraTab::Summary() const
{
    static const char* const names[] = {"opening", "open", "live", "lost", "reopening", "closed", "failed"};
    QString summary = QStringLiteral("%1: %2").arg(settings_.device, QLatin1String(names[int(state_)]));
    if (shown_ > 0)
        summary += QStringLiteral(", frame #%1").arg(lastShown_.frameNumber);
    return summary;
}

QString CameraTab::BusyText() const
{
    return busyLabel_->text();
}

QString CameraTab::ErrorText() const
{
    return error_->text();
}

void CameraTab::ShowError(const QString& message)
{
    error_->setText(message);
}

bool CameraTab::SaveShownFrame(const QString& path)
{
    QString error;
    if (!SaveFrame(lastShown_, path, &error)) {
        ShowError(error);
        return false;
    }
    return true;
}

void CameraTab::SaveWithDialog()
{
    const QString suggested = DefaultSaveName(settings_.device, lastShown_);
    const QString filter = lastShown_.bitsPerPixel == 16 ? tr("16-bit PGM (*.pgm)") : tr("PNG (*.png)");
    const QString path = QFileDialog::getSaveFileName(this, tr("Save the shown frame"), suggested, filter);
    if (!path.isEmpty())
        SaveShownFrame(path);
}
