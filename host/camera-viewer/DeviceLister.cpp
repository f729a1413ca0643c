#include "DeviceLister.h"

DeviceLister::DeviceLister(const ModuleLoader& module) : session_(std::make_unique<CameraSession>(module))
{
    thread_.setObjectName(QStringLiteral("device list"));
    moveToThread(&thread_);
    thread_.start();
}

DeviceLister::~DeviceLister()
{
    QMetaObject::invokeMethod(
        this, [this] { session_->End(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

bool DeviceLister::Create()
{
    bool created = false;
    QMetaObject::invokeMethod(
        this, [this, &created] { created = session_->Create(); }, Qt::BlockingQueuedConnection);
    return created;
}

void DeviceLister::RequestList()
{
    QMetaObject::invokeMethod(this, [this] { Q_EMIT Listed(session_->Devices()); });
}
