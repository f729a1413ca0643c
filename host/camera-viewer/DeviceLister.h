#pragma once
// The module's device list, made on a thread of its own: with GigE Vision
// cameras a list waits for the discovery's answers, which the window must
// not wait for.

#include <QObject>
#include <QStringList>
#include <QThread>
#include <memory>

#include "CameraSession.h"

class DeviceLister : public QObject {
    Q_OBJECT
public:
    explicit DeviceLister(const ModuleLoader& module);
    // Deletes the camera object on its thread and waits for that thread.
    ~DeviceLister() override;

    // Camera_Create, on the lister's thread (the caller waits: it is quick).
    bool Create();
    // Queues a list; Listed reports it.
    void RequestList();

Q_SIGNALS:
    void Listed(const QStringList& devices);

private:
    QThread thread_;
    std::unique_ptr<CameraSession> session_;
};
