#include "ViewerWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <mutex>

#include "CameraTab.h"
#include "CameraWorker.h"
#include "DeviceLister.h"
#include "HostLog.h"
#include "MessagePane.h"

// Where messages from any thread go while the window lives; the window
// empties it before its pane goes.
struct MessageRoute {
    std::mutex mutex;
    MessagePane* pane = nullptr;
    ViewerWindow* window = nullptr;
};

ViewerWindow::ViewerWindow(QWidget* parent)
    : QMainWindow(parent), route_(std::make_shared<MessageRoute>()), messages_(new MessagePane(this))
{
    setWindowTitle(tr("camera-viewer"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(BuildDeviceBar());
    tabs_ = new QTabWidget(central);
    tabs_->setTabsClosable(true);
    tabs_->setDocumentMode(true);
    layout->addWidget(tabs_, 1);
    setCentralWidget(central);
    connect(tabs_, &QTabWidget::tabCloseRequested, this,
            [this](int index) { static_cast<CameraTab*>(tabs_->widget(index))->Close(); });

    auto* dock = new QDockWidget(tr("Messages"), this);
    dock->setWidget(messages_);
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    addDockWidget(Qt::BottomDockWidgetArea, dock);
    {
        std::lock_guard<std::mutex> lock(route_->mutex);
        route_->pane = messages_;
        route_->window = this;
    }
    RouteMessages();
    // The title says how the shown camera is doing, also in a task bar.
    connect(&titleTimer_, &QTimer::timeout, this, &ViewerWindow::UpdateTitle);
    titleTimer_.start(500);
    resize(1280, 860);
}

void ViewerWindow::UpdateTitle()
{
    auto* tab = static_cast<CameraTab*>(tabs_->currentWidget());
    setWindowTitle(tab ? tr("camera-viewer - %1").arg(tab->Summary()) : tr("camera-viewer"));
}

ViewerWindow::~ViewerWindow()
{
    {
        std::lock_guard<std::mutex> lock(route_->mutex);
        route_->pane = nullptr;
        route_->window = nullptr;
    }
    qDeleteAll(Tabs());  // each ends its session on its own thread
    lister_.reset();
}

void ViewerWindow::RouteMessages()
{
    host_log::Install(host_log::Verbosity::Normal);
    std::weak_ptr<MessageRoute> weak = route_;
    host_log::OnMessage([weak](const char* level, const QString& text) {
        if (CameraWorker* worker = CameraWorker::OnThisThread())
            worker->NoteMessage(level, text);  // a failed open says why in its tab
        if (auto route = weak.lock()) {
            std::lock_guard<std::mutex> lock(route->mutex);
            if (route->pane)
                route->pane->Show(level, text);
        }
    });
    host_log::OnCameraLost([weak](const QString& camera) {
        if (auto route = weak.lock()) {
            std::lock_guard<std::mutex> lock(route->mutex);
            if (ViewerWindow* window = route->window)
                QMetaObject::invokeMethod(
                    window, [window, camera] { window->CameraLost(camera); }, Qt::QueuedConnection);
        }
    });
}

QWidget* ViewerWindow::BuildDeviceBar()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    devices_ = new QComboBox(bar);
    devices_->setMinimumContentsLength(24);
    refresh_ = new QPushButton(tr("Refresh"), bar);
    format_ = new QComboBox(bar);
    for (auto it = PixelFormatNames.begin(); it != PixelFormatNames.end(); ++it)
        if (it.key() != PixelFormat::None)
            format_->addItem(it.value(), it.key());
    open_ = new QPushButton(tr("Open"), bar);
    error_ = new QLabel(bar);
    error_->setStyleSheet(QStringLiteral("color: #c00000"));
    row->addWidget(new QLabel(tr("Camera"), bar));
    row->addWidget(devices_);
    row->addWidget(refresh_);
    row->addWidget(new QLabel(tr("Pixel format"), bar));
    row->addWidget(format_);
    row->addWidget(open_);
    row->addWidget(error_, 1);
    connect(refresh_, &QPushButton::clicked, this, &ViewerWindow::Refresh);
    connect(open_, &QPushButton::clicked, this, [this] { OpenDevice(devices_->currentText()); });
    refresh_->setEnabled(false);
    open_->setEnabled(false);
    return bar;
}

bool ViewerWindow::LoadModule(const QString& path)
{
    QString error;
    if (!module_.Load(path, &error)) {
        ShowError(error);
        return false;
    }
    lister_ = std::make_unique<DeviceLister>(module_);
    if (!lister_->Create()) {
        ShowError(tr("the module could not initialise the capture library"));
        lister_.reset();
        return false;
    }
    connect(lister_.get(), &DeviceLister::Listed, this, &ViewerWindow::ShowDevices);
    Refresh();
    return true;
}

void ViewerWindow::Refresh()
{
    if (!lister_ || listing_)
        return;
    listing_ = true;
    refresh_->setEnabled(false);
    error_->setText(tr("listing cameras…"));
    lister_->RequestList();
}

void ViewerWindow::ShowDevices(const QStringList& devices)
{
    listing_ = false;
    const QString current = devices_->currentText();
    devices_->clear();
    devices_->addItems(devices);
    refresh_->setEnabled(true);
    open_->setEnabled(devices_->count() > 0);
    if (devices_->count() == 0)
        ShowError(tr("no cameras found"));
    else
        error_->clear();
    devices_->setCurrentText(current);
    Q_EMIT DevicesListed();
}

QStringList ViewerWindow::Devices() const
{
    QStringList names;
    for (int i = 0; i < devices_->count(); ++i)
        names << devices_->itemText(i);
    return names;
}

void ViewerWindow::SetPixelFormat(int32_t code)
{
    format_->setCurrentIndex(format_->findData(code));
}

CameraTab* ViewerWindow::OpenDevice(const QString& name)
{
    if (!lister_ || name.isEmpty())
        return nullptr;
    if (CameraTab* tab = Tab(name)) {
        tabs_->setCurrentWidget(tab);
        return tab;
    }
    CameraSession::Settings settings;
    settings.device = name;
    settings.pixelFormat = format_->currentData().toInt();
    // The device's place in the module's last list, for its details.
    auto* tab = new CameraTab(module_, settings, devices_->findText(name), tabs_);
    tabs_->setCurrentIndex(tabs_->addTab(tab, name));
    connect(tab, &CameraTab::Finished, this, &ViewerWindow::RemoveTab, Qt::QueuedConnection);
    tab->Open();
    return tab;
}

CameraTab* ViewerWindow::Tab(const QString& name) const
{
    for (CameraTab* tab : Tabs())
        if (tab->Device() == name)
            return tab;
    return nullptr;
}

QList<CameraTab*> ViewerWindow::Tabs() const
{
    QList<CameraTab*> tabs;
    for (int i = 0; i < tabs_->count(); ++i)
        tabs << static_cast<CameraTab*>(tabs_->widget(i));
    return tabs;
}

void ViewerWindow::CameraLost(const QString& camera)
{
    if (CameraTab* tab = Tab(camera)) {
        tab->MarkLost();
        tabs_->setTabText(tabs_->indexOf(tab), tr("%1 (lost)").arg(camera));
    }
}

void ViewerWindow::RemoveTab(CameraTab* tab)
{
    const int index = tabs_->indexOf(tab);
    if (index < 0)
        return;  // already gone (the window closed meanwhile)
    tabs_->removeTab(index);
    delete tab;
}

QString ViewerWindow::ErrorText() const
{
    return error_->text();
}

void ViewerWindow::ShowError(const QString& message)
{
    error_->setText(message);
    messages_->Append(host_log::Format("error", message));
}

void ViewerWindow::closeEvent(QCloseEvent* event)
{
    qDeleteAll(Tabs());  // stop and close each; its session deletes the object in the contract's order
    event->accept();
}
