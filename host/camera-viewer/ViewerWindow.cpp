#include "ViewerWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include "FrameImage.h"
#include "ImageView.h"
#include "MessagePane.h"

ViewerWindow::ViewerWindow(QWidget* parent)
    : QMainWindow(parent), view_(new ImageView(this)), messages_(new MessagePane(this))
{
    setWindowTitle(tr("camera-viewer"));
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->addWidget(BuildControls());
    layout->addWidget(view_, 1);
    setCentralWidget(central);

    auto* dock = new QDockWidget(tr("Messages"), this);
    dock->setWidget(messages_);
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    addDockWidget(Qt::BottomDockWidgetArea, dock);
    messages_->Install();

    status_ = new QLabel(this);
    statusBar()->addWidget(status_, 1);
    connect(&statusTimer_, &QTimer::timeout, this, [this] { UpdateStatus(); });
    statusTimer_.start(500);
    connect(&snapTimer_, &QTimer::timeout, this, [this] { Snap(); });
    resize(1000, 700);
    UpdateControls();
    UpdateStatus();
}

ViewerWindow::~ViewerWindow()
{
    CloseDevice();
    session_.reset();
}

QWidget* ViewerWindow::BuildControls()
{
    auto* panel = new QWidget(this);
    auto* form = new QFormLayout(panel);
    devices_ = new QComboBox(panel);
    devices_->setMinimumContentsLength(18);
    refresh_ = new QPushButton(tr("Refresh"), panel);
    open_ = new QPushButton(tr("Open"), panel);
    format_ = new QComboBox(panel);
    for (auto it = PixelFormatNames.begin(); it != PixelFormatNames.end(); ++it)
        if (it.key() != PixelFormat::None)
            format_->addItem(it.value(), it.key());
    exposure_ = new QSpinBox(panel);
    exposure_->setRange(0, 10000000);
    exposure_->setSpecialValueText(tr("automatic"));
    gain_ = new QSpinBox(panel);
    gain_->setRange(0, 100000);
    gain_->setSpecialValueText(tr("automatic"));
    mode_ = new QComboBox(panel);
    mode_->addItem(tr("1 software trigger"), int(ModeTriggerOn));
    mode_->addItem(tr("2 free run"), int(ModeTriggerOff));
    mode_->addItem(tr("3 free run from 0"), int(ModeTriggerOffReset));
    start_ = new QPushButton(tr("Start"), panel);
    snap_ = new QPushButton(tr("Snap"), panel);
    snapRepeat_ = new QCheckBox(tr("snap at"), panel);
    snapRate_ = new QDoubleSpinBox(panel);
    snapRate_->setRange(0.1, 1000);
    snapRate_->setValue(5);
    snapRate_->setSuffix(tr(" Hz"));
    error_ = new QLabel(panel);
    error_->setWordWrap(true);
    error_->setStyleSheet(QStringLiteral("color: #c00000"));

    auto* deviceRow = new QHBoxLayout;
    deviceRow->addWidget(devices_, 1);
    deviceRow->addWidget(refresh_);
    form->addRow(tr("Camera"), deviceRow);
    form->addRow(QString(), open_);
    form->addRow(tr("Pixel format"), format_);
    form->addRow(tr("Exposure"), exposure_);
    form->addRow(tr("Gain"), gain_);
    form->addRow(tr("Mode"), mode_);
    form->addRow(QString(), start_);
    auto* snapRow = new QHBoxLayout;
    snapRow->addWidget(snap_);
    snapRow->addWidget(snapRepeat_);
    snapRow->addWidget(snapRate_);
    form->addRow(QString(), snapRow);
    form->addRow(error_);

    connect(refresh_, &QPushButton::clicked, this, &ViewerWindow::Refresh);
    connect(open_, &QPushButton::clicked, this, [this] {
        if (IsOpen())
            CloseDevice();
        else
            OpenDevice(devices_->currentText());
    });
    connect(start_, &QPushButton::clicked, this, [this] {
        if (IsGrabbing())
            Stop();
        else
            Start();
    });
    connect(snap_, &QPushButton::clicked, this, &ViewerWindow::Snap);
    const auto applySnapRate = [this] {
        if (snapRepeat_->isChecked())
            snapTimer_.start(int(1000 / snapRate_->value()));
        else
            snapTimer_.stop();
    };
    connect(snapRepeat_, &QCheckBox::toggled, this, applySnapRate);
    connect(snapRate_, qOverload<double>(&QDoubleSpinBox::valueChanged), this, applySnapRate);
    connect(exposure_, &QSpinBox::editingFinished, this, [this] { SetExposure(exposure_->value()); });
    connect(gain_, &QSpinBox::editingFinished, this, [this] { SetGain(gain_->value()); });
    return panel;
}

bool ViewerWindow::LoadModule(const QString& path)
{
    QString error;
    if (!module_.Load(path, &error)) {
        ShowError(error);
        return false;
    }
    // The window follows the newest frame; older ones waiting are skipped.
    session_ = std::make_unique<CameraSession>(module_, FrameSink::Options{true});
    session_->Frames().SetNotify([this] {
        if (!wakeupPending_.exchange(true))  // one wake-up in flight at most; never blocks the library
            QMetaObject::invokeMethod(this, "ShowLatestFrame", Qt::QueuedConnection);
    });
    if (!session_->Create()) {
        ShowError(tr("the module could not initialise the capture library"));
        session_.reset();
        return false;
    }
    Refresh();
    return true;
}

void ViewerWindow::Refresh()
{
    if (!session_)
        return;
    const QString current = devices_->currentText();
    devices_->clear();
    devices_->addItems(session_->Devices());
    if (devices_->count() == 0)
        ShowError(tr("no cameras found"));
    else
        devices_->setCurrentText(current);
    UpdateControls();
}

QStringList ViewerWindow::Devices() const
{
    QStringList names;
    for (int i = 0; i < devices_->count(); ++i)
        names << devices_->itemText(i);
    return names;
}

bool ViewerWindow::OpenDevice(const QString& name)
{
    if (!session_ || IsOpen())
        return IsOpen();
    const CameraSession::Settings settings{name, format_->currentData().toInt(), exposure_->value(), gain_->value()};
    if (!session_->Open(settings)) {
        ShowError(tr("cannot open %1").arg(name));
        UpdateControls();
        return false;
    }
    devices_->setCurrentText(name);
    error_->clear();
    UpdateControls();
    return true;
}

void ViewerWindow::CloseDevice()
{
    snapRepeat_->setChecked(false);
    if (!session_ || !IsOpen())
        return;
    session_->Close();
    UpdateControls();
}

bool ViewerWindow::Start()
{
    if (!IsOpen())
        return false;
    session_->Frames().Reset();
    shown_ = 0;
    rateBase_ = 0;
    rateClock_.start();
    if (!session_->Start(mode_->currentData().toInt())) {
        ShowError(tr("cannot start acquisition on %1").arg(session_->Param().cameraName));
        return false;
    }
    UpdateControls();
    return true;
}

void ViewerWindow::Stop()
{
    snapRepeat_->setChecked(false);
    if (IsGrabbing())
        session_->Stop();
    UpdateControls();
}

void ViewerWindow::Snap()
{
    if (IsGrabbing())
        session_->Snap();
}

void ViewerWindow::SetPixelFormat(int32_t code)
{
    format_->setCurrentIndex(format_->findData(code));
}

void ViewerWindow::SetMode(int32_t mode)
{
    mode_->setCurrentIndex(mode_->findData(mode));
}

void ViewerWindow::SetExposure(int32_t value)
{
    exposure_->setValue(value);
    ApplyChange(PARAM_EXPOSURE, value);
}

void ViewerWindow::SetGain(int32_t value)
{
    gain_->setValue(value);
    ApplyChange(PARAM_GAIN, value);
}

void ViewerWindow::ApplyChange(int32_t paramId, int32_t value)
{
    if (!IsOpen())  // before open the value goes in with the record
        return;
    session_->Change(paramId, value);
}

bool ViewerWindow::IsOpen() const
{
    return session_ && session_->IsOpen();
}

bool ViewerWindow::IsGrabbing() const
{
    return session_ && session_->IsGrabbing();
}

void ViewerWindow::ShowLatestFrame()
{
    wakeupPending_ = false;
    if (!session_)
        return;
    auto frame = session_->Frames().TryTake();
    if (!frame)
        return;
    lastShown_ = std::move(*frame);
    ++shown_;
    view_->SetImage(FrameToImage(lastShown_));
}

void ViewerWindow::UpdateStatus()
{
    const quint64 received = session_ ? session_->Frames().Received() : 0;
    if (rateClock_.isValid() && rateClock_.elapsed() >= 1000) {
        fps_ = (received - rateBase_) * 1000.0 / rateClock_.restart();
        rateBase_ = received;
    }
    const quint64 lost = session_ ? session_->Frames().Gaps() : 0;
    status_->setText(tr("%1 fps | received %2 | lost %3 | not shown %4 | frame #%5 | %6 x %7 x %8 bpp")
                         .arg(fps_, 0, 'f', 1)
                         .arg(received)
                         .arg(lost)
                         .arg(received > shown_ ? received - shown_ : 0)
                         .arg(lastShown_.frameNumber)
                         .arg(lastShown_.width)
                         .arg(lastShown_.height)
                         .arg(lastShown_.bitsPerPixel));
}

QString ViewerWindow::StatusText() const
{
    const_cast<ViewerWindow*>(this)->UpdateStatus();
    return status_->text();
}

QString ViewerWindow::ErrorText() const
{
    return error_->text();
}

void ViewerWindow::ShowError(const QString& message)
{
    error_->setText(message);
    messages_->Append(tr("error: %1").arg(message));
}

void ViewerWindow::UpdateControls()
{
    const bool loaded = session_ != nullptr;
    const bool open = IsOpen();
    const bool grabbing = IsGrabbing();
    devices_->setEnabled(loaded && !open);
    refresh_->setEnabled(loaded);
    open_->setEnabled(loaded && (open || devices_->count() > 0));
    open_->setText(open ? tr("Close") : tr("Open"));
    format_->setEnabled(!open);
    mode_->setEnabled(!grabbing);
    start_->setEnabled(open);
    start_->setText(grabbing ? tr("Stop") : tr("Start"));
    const bool triggered = grabbing && session_->Camera()->activeMode == ModeTriggerOn;
    snap_->setEnabled(triggered);
    snapRepeat_->setEnabled(triggered);
}

void ViewerWindow::closeEvent(QCloseEvent* event)
{
    CloseDevice();  // stop and close; the session deletes the object in the contract's order
    session_.reset();
    event->accept();
}
