// camera-viewer against a GigE Vision fake camera that another application
// already controls, or that vanishes mid-stream (run inside a private network
// namespace): the window keeps handling events while the open runs, the tab
// says why it failed, and a lost camera is shown lost and reopened.

#include <QtTest>
#include <memory>

#include "CameraTab.h"
#include "ImageView.h"
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

    // The camera vanishes mid-stream: the real library's loss reaches the
    // tab as the banner, and Reopen streams again once the camera is back.
    void vanishedCameraIsShownLostAndReopenedWhenBack()
    {
        auto fake = std::make_unique<GvFakeCamera>(GvFakeCamera::Preset{64, 48, 40000, true});
        QVERIFY(fake->Running());
        ViewerWindow window;
        window.show();
        window.RouteMessages();
        QVERIFY2(LoadAndList(window), qPrintable(window.ErrorText()));
        CameraTab* tab = window.OpenDevice(QLatin1String(GvFakeCamera::kDeviceId));
        QTRY_VERIFY_WITH_TIMEOUT(tab->CurrentState() == CameraTab::State::Open && !tab->IsBusy(), 15000);
        tab->Start(ModeTriggerOff);
        QTRY_VERIFY_WITH_TIMEOUT(tab->FramesShown() >= 3, 15000);

        fake.reset();  // pulled
        QTRY_VERIFY_WITH_TIMEOUT(tab->CurrentState() == CameraTab::State::Lost, 30000);
        QCOMPARE(tab->View()->Banner(), QStringLiteral("camera lost"));
        tab->Reopen();
        QTRY_VERIFY_WITH_TIMEOUT(tab->ErrorText().startsWith(QStringLiteral("reopen attempt 1")), 30000);
        fake = std::make_unique<GvFakeCamera>(GvFakeCamera::Preset{64, 48, 40000, true});  // back
        QTRY_VERIFY_WITH_TIMEOUT(tab->CurrentState() == CameraTab::State::Live, 30000);
        QVERIFY(tab->View()->Banner().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(tab->FramesShown() >= 3, 15000);  // counted afresh in the new session
        tab->Close();
        QTRY_VERIFY_WITH_TIMEOUT(window.Tabs().isEmpty(), 15000);
    }
};

QTEST_MAIN(ViewerGigETest)
#include "ViewerGigETest.moc"
