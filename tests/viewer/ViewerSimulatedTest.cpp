// camera-viewer against the simulated camera (Aravis's Fake interface), on
// Qt's offscreen platform: the image shown is the frame delivered, and the
// window survives closing while frames stream.

#include <QtTest>

#include "ImageView.h"
#include "MessagePane.h"
#include "ViewerWindow.h"

class ViewerSimulatedTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(qgetenv("TISGRABBER_ARAVIS_INTERFACES"), QByteArray("Fake"));
        window.show();
        window.Messages()->Install();  // after Qt Test's own handler
        QVERIFY2(window.LoadModule(QStringLiteral(VEXACAM_MODULE_PATH)), qPrintable(window.ErrorText()));
        QVERIFY(!window.Devices().isEmpty());
    }

    void snappedFrameIsShownPixelForPixel()
    {
        window.SetPixelFormat(PixelFormat::GRAY8);
        window.SetMode(ModeTriggerOn);
        QVERIFY(window.OpenDevice(window.Devices().first()));
        QVERIFY(window.Start());
        window.Snap();
        QTRY_VERIFY_WITH_TIMEOUT(window.FramesShown() >= 1, 5000);

        const Frame& frame = window.LastShownFrame();
        const QImage& image = window.View()->Image();
        QCOMPARE(image.size(), QSize(frame.width, frame.height));
        QCOMPARE(frame.bitsPerPixel, 8);
        QVERIFY(frame.width > 0 && frame.height > 0);
        for (int y = 0; y < frame.height; y += 37)
            for (int x = 0; x < frame.width; x += 41)
                QCOMPARE(qGray(image.pixel(x, y)), int(uchar(frame.pixels[y * frame.width + x])));
        QVERIFY(window.StatusText().contains(QStringLiteral("%1 x %2 x 8 bpp").arg(frame.width).arg(frame.height)));
        QTRY_VERIFY(window.Messages()->Text().contains(QStringLiteral("open gige device success")));

        window.resize(900, 650);
        QTRY_VERIFY(window.Messages()->PerFrameCount() >= 2);  // snap and frame, folded into the counter
        QTRY_VERIFY(!window.Messages()->CounterText().endsWith(QStringLiteral(": 0")));
        const QString screenshot = QStringLiteral(SCREENSHOT_PATH);
        QVERIFY(window.grab().save(screenshot));
        window.Stop();
        window.CloseDevice();
        QVERIFY(!window.IsOpen());
    }

    void closesWhileFramesStream()
    {
        window.SetPixelFormat(PixelFormat::RGB24);
        window.SetMode(ModeTriggerOff);
        QVERIFY(window.OpenDevice(window.Devices().first()));
        QVERIFY(window.Start());
        QTRY_VERIFY_WITH_TIMEOUT(window.FramesShown() >= 5, 5000);
        QCOMPARE(window.View()->Image().format(), QImage::Format_RGB888);
        window.CloseDevice();
        QVERIFY(!window.IsOpen());
        QVERIFY(!window.IsGrabbing());
        QVERIFY(window.close());
    }

private:
    ViewerWindow window;
};

QTEST_MAIN(ViewerSimulatedTest)
#include "ViewerSimulatedTest.moc"
