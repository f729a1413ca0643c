// camera-viewer over the recording capture double: exactly what reaches the
// capture library, known pixels shown as they are, errors shown, not crashed.

#include <QtTest>
#include <atomic>
#include <thread>

#include "ImageView.h"
#include "ViewerWindow.h"
#include "capture-double/CaptureDouble.h"

namespace {

capture_double::Script TwoCameras()
{
    capture_double::Script script;
    script.deviceNames = {std::string("GV01"), std::string("GV02")};
    script.width = 2;
    script.height = 2;
    return script;
}

bool Has(const std::string& call)
{
    const auto calls = capture_double::Calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

}  // namespace

class ViewerDoubleTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { capture_double::Reset(TwoCameras()); }

    void exposureAndGainReachTheLibraryWhileOpen()
    {
        ViewerWindow window;
        QVERIFY(window.LoadModule(QStringLiteral(VEXACAM_MODULE_PATH)));
        window.SetExposure(800);  // before open: only the record
        QVERIFY(capture_double::CallsStartingWith("IC_SetCameraProperty").empty());
        QVERIFY(window.OpenDevice(QStringLiteral("GV02")));
        QVERIFY(Has("IC_OpenDevByUniqueName(G1,GV02)"));
        QVERIFY(Has("IC_SetCameraProperty(G1,4,800)"));
        QVERIFY(Has("IC_EnableAutoVideoProperty(G1,9,1)"));  // gain 0: automatic

        capture_double::ClearCalls();
        window.SetExposure(1234);
        window.SetGain(7);
        window.SetGain(0);
        QCOMPARE(capture_double::Calls(),
                 (std::vector<std::string>{"IC_EnableAutoCameraProperty(G1,4,0)", "IC_CameraPropertyGetRange(G1,4)",
                                           "IC_SetCameraProperty(G1,4,1234)", "IC_EnableAutoVideoProperty(G1,9,0)",
                                           "IC_VideoPropertyGetRange(G1,9)", "IC_SetVideoProperty(G1,9,7)",
                                           "IC_EnableAutoVideoProperty(G1,9,1)"}));
    }

    void knownPixelsAreShownAsTheyAre_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QByteArray>("pixels");
        QTest::addColumn<QVector<QRgb>>("shown");
        QTest::newRow("gray8") << int(PixelFormat::GRAY8) << 8 << QByteArray("\x00\x40\x80\xff", 4)
                               << QVector<QRgb>{qRgb(0, 0, 0), qRgb(64, 64, 64), qRgb(128, 128, 128), qRgb(255, 255, 255)};
        QTest::newRow("rgb24") << int(PixelFormat::RGB24) << 24
                               << QByteArray("\xff\x00\x00\x00\xff\x00\x00\x00\xff\x10\x20\x30", 12)
                               << QVector<QRgb>{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(16, 32, 48)};
        QTest::newRow("rgb32") << int(PixelFormat::RGB32) << 32
                               << QByteArray("\xff\x00\x00\xff\x00\xff\x00\xff\x00\x00\xff\xff\x10\x20\x30\xff", 16)
                               << QVector<QRgb>{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(16, 32, 48)};
        QTest::newRow("gray16 to 8 bits") << int(PixelFormat::GRAY16) << 16 << QByteArray("\x00\x00\xff\x40\x00\x80\xff\xff", 8)
                                          << QVector<QRgb>{qRgb(0, 0, 0), qRgb(64, 64, 64), qRgb(128, 128, 128), qRgb(255, 255, 255)};
    }

    void knownPixelsAreShownAsTheyAre()
    {
        QFETCH(int, format);
        QFETCH(int, bits);
        QFETCH(QByteArray, pixels);
        QFETCH(QVector<QRgb>, shown);
        capture_double::Script script = TwoCameras();
        script.bitsPerPixel = bits;
        script.triggeredPixels.assign(pixels.begin(), pixels.end());
        script.triggeredNumbers = {1};
        capture_double::Reset(script);

        ViewerWindow window;
        QVERIFY(window.LoadModule(QStringLiteral(VEXACAM_MODULE_PATH)));
        window.SetPixelFormat(format);
        window.SetMode(ModeTriggerOn);
        QVERIFY(window.OpenDevice(QStringLiteral("GV01")));
        QVERIFY(window.Start());
        window.Snap();
        QTRY_COMPARE(window.FramesShown(), quint64(1));
        const QImage& image = window.View()->Image();
        QCOMPARE(image.size(), QSize(2, 2));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(image.pixel(i % 2, i / 2) | 0xff000000u, shown[i]);
    }

    void newestFrameWinsAndTheRestAreNotShownNotLost()
    {
        ViewerWindow window;
        QVERIFY(window.LoadModule(QStringLiteral(VEXACAM_MODULE_PATH)));
        window.SetMode(ModeTriggerOff);
        QVERIFY(window.OpenDevice(QStringLiteral("GV01")));
        QVERIFY(window.Start());
        unsigned char pixels[4] = {1, 2, 3, 4};
        for (uint32_t n = 1; n <= 50; ++n)  // faster than the window looks
            capture_double::FireFrameOnOwnThread(capture_double::LastGrabber(), pixels, n);
        QTRY_VERIFY(window.LastShownFrame().frameNumber == 50);
        QVERIFY(window.FramesShown() < 50);
        QVERIFY2(window.StatusText().contains(QStringLiteral("received 50 | lost 0 | not shown %1")
                                                  .arg(50 - window.FramesShown())),
                 qPrintable(window.StatusText()));
    }

    void errorsAreShownNotCrashed()
    {
        {
            ViewerWindow window;
            QVERIFY(!window.LoadModule(QStringLiteral("/nonexistent/libvexaCam_120.so")));
            QVERIFY(window.ErrorText().contains(QStringLiteral("/nonexistent/libvexaCam_120.so")));
            QVERIFY(!window.OpenDevice(QStringLiteral("GV01")));
            QVERIFY(!window.Start());
            window.Snap();
        }
        {
            capture_double::Script script;
            capture_double::Reset(script);
            ViewerWindow window;
            QVERIFY(window.LoadModule(QStringLiteral(VEXACAM_MODULE_PATH)));
            QCOMPARE(window.ErrorText(), QStringLiteral("no cameras found"));
        }
        {
            capture_double::Script script = TwoCameras();
            script.openResult = 0;
            capture_double::Reset(script);
            ViewerWindow window;
            QVERIFY(window.LoadModule(QStringLiteral(VEXACAM_MODULE_PATH)));
            QVERIFY(!window.OpenDevice(QStringLiteral("GV01")));
            QCOMPARE(window.ErrorText(), QStringLiteral("cannot open GV01"));
        }
        {
            capture_double::Script script = TwoCameras();
            script.startLiveResult = 0;
            capture_double::Reset(script);
            ViewerWindow window;
            QVERIFY(window.LoadModule(QStringLiteral(VEXACAM_MODULE_PATH)));
            QVERIFY(window.OpenDevice(QStringLiteral("GV01")));
            QVERIFY(!window.Start());
            QCOMPARE(window.ErrorText(), QStringLiteral("cannot start acquisition on GV01"));
        }
    }

    void closingTheWindowWhileStreamingEndsInTheContractsOrder()
    {
        auto* window = new ViewerWindow;
        window->show();
        QVERIFY(window->LoadModule(QStringLiteral(VEXACAM_MODULE_PATH)));
        window->SetMode(ModeTriggerOff);
        QVERIFY(window->OpenDevice(QStringLiteral("GV01")));
        QVERIFY(window->Start());
        HGRABBER grabber = capture_double::LastGrabber();
        std::atomic<bool> streaming{true};
        unsigned char pixels[4] = {};
        std::thread library([&] {
            for (uint32_t n = 1; streaming; ++n)
                capture_double::FireFrame(grabber, pixels, n);  // stops once the handle is released
        });
        QTRY_VERIFY(window->FramesShown() > 0);
        capture_double::ClearCalls();
        QVERIFY(window->close());
        streaming = false;
        library.join();
        delete window;
        QCOMPARE(capture_double::Calls(),
                 (std::vector<std::string>{"IC_StopLive(G1)", "IC_StopLive(G1)", "IC_CloseVideoCaptureDevice(G1)",
                                           "IC_ReleaseGrabber(G1)"}));
    }
};

QTEST_MAIN(ViewerDoubleTest)
#include "ViewerDoubleTest.moc"
