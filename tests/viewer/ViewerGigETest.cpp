// camera-viewer against a GigE Vision fake camera that another application
// already controls (run inside a private network namespace): the window keeps
// handling events while the open runs, and the tab says why it failed.

#include <QtTest>

#include "CameraTab.h"
#include "MessagePane.h"
#include "ViewerTestSupport.h"
#include "ViewerWindow.h"
#include "support/GvFakeCamera.h"

class ViewerGigETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cameraHeldElsewhereIsRefusedWithItsReason()
    {
        GvFakeCamera fake(GvFakeCamera::Preset{64, 48, 40000, true});
        QVERIFY(fake.Running());
        // The other application: it holds the camera's control channel.
        GError* error = nullptr;
        ArvCamera* other = arv_camera_new(GvFakeCamera::kDeviceId, &error);
        QVERIFY2(other, error ? error->message : "");

        ViewerWindow window;
        window.show();
        window.RouteMessages();  // after Qt Test's own handler
        QVERIFY2(LoadAndList(window), qPrintable(window.ErrorText()));
        QVERIFY(window.Devices().contains(QLatin1String(GvFakeCamera::kDeviceId)));
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);
        CameraTab* tab = window.OpenDevice(QLatin1String(GvFakeCamera::kDeviceId));
        QVERIFY(tab);
        QTRY_VERIFY_WITH_TIMEOUT(tab->CurrentState() == CameraTab::State::Failed, 15000);
        QVERIFY2(tab->ErrorText().contains(QStringLiteral("is controlled by another application")),
                 qPrintable(tab->ErrorText()));
        QVERIFY(window.Messages()->Text().contains(QStringLiteral("controlled by another application")));
        QVERIFY(ticks > 0);  // the window's events ran while the open did

        g_object_unref(other);  // released: the camera is free, and Reopen takes it
        tab->Reopen();
        QTRY_VERIFY_WITH_TIMEOUT(tab->CurrentState() == CameraTab::State::Open, 15000);
        tab->Close();
        QTRY_VERIFY(window.Tabs().isEmpty());
    }
};

QTEST_MAIN(ViewerGigETest)
#include "ViewerGigETest.moc"
