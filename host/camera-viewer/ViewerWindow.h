#pragma once
// camera-viewer's window: the module's device list, the pixel format a
// camera opens with, a tab per open camera (several at once, to check a
// whole station), and the message pane with the module's and the capture
// library's messages.

#include <QMainWindow>
#include <QTimer>
#include <memory>

#include "ModuleLoader.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class CameraTab;
class DeviceLister;
class MessagePane;
struct MessageRoute;

class ViewerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ViewerWindow(QWidget* parent = nullptr);
    ~ViewerWindow() override;

    // Sends Qt's and GLib's messages to the pane (and warnings to stderr).
    void RouteMessages();
    // Loads the module and starts listing its cameras (DevicesListed tells
    // when the list is there); false (and the error shown) on failure.
    bool LoadModule(const QString& path);
    QStringList Devices() const;
    bool IsListing() const { return listing_; }
    void SetPixelFormat(int32_t code);
    // Opens `name` in a tab of its own (or returns the tab it already has);
    // the open runs on the camera's thread. Null without a module.
    CameraTab* OpenDevice(const QString& name);
    CameraTab* Tab(const QString& name) const;
    QList<CameraTab*> Tabs() const;
    MessagePane* Messages() const { return messages_; }
    QString ErrorText() const;

Q_SIGNALS:
    void DevicesListed();

public Q_SLOTS:
    void Refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildDeviceBar();
    void ShowError(const QString& message);
    void CameraLost(const QString& camera);
    void RemoveTab(CameraTab* tab);
    void UpdateTitle();
    void ShowDevices(const QStringList& devices);

    ModuleLoader module_;
    // Only for the device list; each open camera has a session of its own.
    std::unique_ptr<DeviceLister> lister_;
    bool listing_ = false;
    std::shared_ptr<MessageRoute> route_;
    QTimer titleTimer_;

    QComboBox* devices_;
    QPushButton* refresh_;
    QComboBox* format_;
    QPushButton* open_;
    QLabel* error_;
    QTabWidget* tabs_;
    MessagePane* messages_;
};
