// camera-viewer against the simulated camera (Aravis's Fake interface), on
// Qt's offscreen platform: the image shown is the frame delivered, the fields
// show what the camera has, a failed open says why in the window, and the
// window survives closing while frames stream.

#include <QtTest>

#include "CameraTab.h"
#include "ImageView.h"
#include "MessagePane.h"
#include "ViewerTestSupport.h"
#include "ViewerWindow.h"

namespace {

constexpr int kTimeoutMs = 10000;

bool WaitForState(CameraTab* tab, CameraTab::State state)
{
    return QTest::qWaitFor([&] { return tab->CurrentState() == state && !tab->IsBusy(); }, kTimeoutMs);
}

}  // namespace

class ViewerSimulatedTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(qgetenv("TISGRABBER_ARAVIS_INTERFACES"), QByteArray("Fake"));
        window.show();
        window.RouteMessages();  // after Qt Test's own handler
        QVERIFY2(LoadAndList(window), qPrintable(window.ErrorText()));
        QVERIFY(!window.Devices().isEmpty());
    }

    void snappedFrameIsShownPixelForPixel()
    {
        window.SetPixelFormat(PixelFormat::GRAY8);
        CameraTab* tab = window.OpenDevice(window.Devices().first());
        QVERIFY(WaitForState(tab, CameraTab::State::Open));
        tab->Start(ModeTriggerOn);
        QVERIFY(WaitForState(tab, CameraTab::State::Live));
        tab->Snap();
        QTRY_VERIFY_WITH_TIMEOUT(tab->FramesShown() >= 1, kTimeoutMs);

        const Frame& frame = tab->LastShownFrame();
        const QImage& image = tab->View()->Image();
        QCOMPARE(image.size(), QSize(frame.width, frame.height));
        QCOMPARE(frame.bitsPerPixel, 8);
        QVERIFY(frame.width > 0 && frame.height > 0);
        for (int y = 0; y < frame.height; y += 37)
            for (int x = 0; x < frame.width; x += 41)
                QCOMPARE(qGray(image.pixel(x, y)), int(uchar(frame.pixels[y * frame.width + x])));
        QVERIFY(tab->StatusText().contains(QStringLiteral("%1 x %2 x 8 bpp").arg(frame.width).arg(frame.height)));
        QTRY_VERIFY(window.Messages()->Text().contains(QStringLiteral("open gige device success")));
        QTRY_VERIFY(window.Messages()->PerFrameCount() >= 2);  // snap and frame, folded into the counter
        tab->Close();
        QTRY_VERIFY(window.Tabs().isEmpty());
    }

    // The fields show the camera's own values, also after a change, and the
    // device panel the transport's details.
    void fieldsShowWhatTheCameraHas()
    {
        CameraTab* tab = window.OpenDevice(window.Devices().first());
        QVERIFY(WaitForState(tab, CameraTab::State::Open));
        // The ranges come from the camera: "10 to 10000000 µs".
        QTRY_VERIFY2(tab->ValuesText().contains(QRegularExpression(QStringLiteral("µs \\([0-9.]+ to [0-9.]+ µs\\)"))),
                     qPrintable(tab->ValuesText()));
        QVERIFY2(tab->DetailsText().contains(QStringLiteral("vendor: Aravis")), qPrintable(tab->DetailsText()));
        QVERIFY(tab->DetailsText().contains(QStringLiteral("model: Fake")));
        tab->SetExposure(5000);
        QTRY_VERIFY2(tab->ValuesText().startsWith(QStringLiteral("exposure 5000 µs (")), qPrintable(tab->ValuesText()));
        QVERIFY2(tab->ValuesText().contains(QStringLiteral("frame rate 25.00 fps")), qPrintable(tab->ValuesText()));
        tab->Close();
        QTRY_VERIFY(window.Tabs().isEmpty());
    }

    // The reason of a failed open is in the tab and the message pane, not
    // only on the terminal.
    void failedOpenSaysWhyInTheWindow()
    {
        CameraTab* missing = window.OpenDevice(QStringLiteral("Aravis-Fake-NOPE"));
        QVERIFY(WaitForState(missing, CameraTab::State::Failed));
        QVERIFY2(missing->ErrorText().startsWith(QStringLiteral("cannot open Aravis-Fake-NOPE: tisgrabber-aravis: opening a camera: ")),
                 qPrintable(missing->ErrorText()));
        QTRY_VERIFY(window.Messages()->Text().contains(QStringLiteral("tisgrabber-aravis: opening a camera")));
        missing->Close();

        QTemporaryDir dir;
        const QString settings = dir.filePath(QStringLiteral("settings.ini"));
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("[%1]\nNoSuchFeature=1\n").arg(window.Devices().first()).toUtf8());
        file.close();
        qputenv("TISGRABBER_ARAVIS_SETTINGS", settings.toLocal8Bit());
        CameraTab* refused = window.OpenDevice(window.Devices().first());
        QVERIFY(WaitForState(refused, CameraTab::State::Failed));
        qunsetenv("TISGRABBER_ARAVIS_SETTINGS");
        QVERIFY2(refused->ErrorText().contains(QStringLiteral("NoSuchFeature")), qPrintable(refused->ErrorText()));
        refused->Close();
        QTRY_VERIFY(window.Tabs().isEmpty());
    }

    void closesWhileFramesStream()
    {
        window.SetPixelFormat(PixelFormat::RGB24);
        CameraTab* tab = window.OpenDevice(window.Devices().first());
        QVERIFY(WaitForState(tab, CameraTab::State::Open));
        tab->Start(ModeTriggerOff);
        QTRY_VERIFY_WITH_TIMEOUT(tab->FramesShown() >= 5, kTimeoutMs);
        QCOMPARE(tab->View()->Image().format(), QImage::Format_RGB888);
        QVERIFY(window.close());
        QVERIFY(window.Tabs().isEmpty());
    }

private:
    ViewerWindow window;
};

QTEST_MAIN(ViewerSimulatedTest)
#include "ViewerSimulatedTest.moc"
