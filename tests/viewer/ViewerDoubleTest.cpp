// camera-viewer over the recording capture double: exactly what reaches the
// capture library and when, known pixels shown, read out, counted and saved
// as they are, a window that keeps working while a camera is slow, and a
// lost camera made plain and reopened.

#include <QtTest>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <QPushButton>

#include "CameraTab.h"
#include "FrameSaving.h"
#include "HistogramView.h"
#include "ImageView.h"
#include "MessagePane.h"
#include "ViewerTestSupport.h"
#include "ViewerWindow.h"
#include "capture-double/CaptureDouble.h"

namespace {

constexpr int kTimeoutMs = 10000;

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

// An open the test holds until it lets go.
struct HeldOpen {
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false, released = false;
    int answer = 1;

    int Wait()
    {
        std::unique_lock<std::mutex> lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(lock, [&] { return released; });
        return answer;
    }
    void Release(int result)
    {
        std::lock_guard<std::mutex> lock(mutex);
        answer = result;
        released = true;
        changed.notify_all();
    }
    bool Entered()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return entered;
    }
    // A failed check must not leave the camera's thread waiting for ever.
    ~HeldOpen() { Release(0); }
};

CameraTab* OpenAndWait(ViewerWindow& window, const QString& device)
{
    CameraTab* tab = window.OpenDevice(device);
    if (tab && !QTest::qWaitFor([&] { return tab->CurrentState() == CameraTab::State::Open && !tab->IsBusy(); },
                                kTimeoutMs))
        return nullptr;
    return tab;
}

bool StartAndWait(CameraTab* tab, int32_t mode)
{
    tab->Start(mode);
    return QTest::qWaitFor([&] { return tab->CurrentState() == CameraTab::State::Live && !tab->IsBusy(); }, kTimeoutMs);
}

}  // namespace

class ViewerDoubleTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { capture_double::Reset(TwoCameras()); }

    void changesReachTheLibraryOneAtATime()
    {
        ViewerWindow window;
        QVERIFY(LoadAndList(window));
        CameraTab* tab = OpenAndWait(window, QStringLiteral("GV02"));
        QVERIFY(tab);
        QVERIFY(Has("IC_OpenDevByUniqueName(G1,GV02)"));
        capture_double::ClearCalls();
        tab->SetExposure(1234);
        tab->SetGain(7);  // refused: the exposure is still being set
        QTRY_VERIFY(!tab->IsBusy());
        tab->SetGain(7);
        QTRY_VERIFY(!tab->IsBusy());
        QCOMPARE(capture_double::Calls(),
                 (std::vector<std::string>{"IC_EnableAutoCameraProperty(G1,4,0)", "IC_CameraPropertyGetRange(G1,4)",
                                           "IC_SetCameraProperty(G1,4,1234)", "IC_EnableAutoVideoProperty(G1,9,0)",
                                           "IC_VideoPropertyGetRange(G1,9)", "IC_SetVideoProperty(G1,9,7)"}));
    }

    // Shown, read out under the cursor, counted and saved, each from the
    // frame the camera delivered.
    void knownPixelsAreShownReadCountedAndSaved_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QByteArray>("pixels");
        QTest::addColumn<QVector<QRgb>>("shown");
        QTest::addColumn<QString>("bottomRight");  // the readout of pixel (1, 1)
        QTest::addColumn<int>("atZero");
        QTest::addColumn<int>("atFullScale");
        QTest::newRow("gray8") << int(PixelFormat::GRAY8) << 8 << QByteArray("\x00\x40\x80\xff", 4)
                               << QVector<QRgb>{qRgb(0, 0, 0), qRgb(64, 64, 64), qRgb(128, 128, 128), qRgb(255, 255, 255)}
                               << QStringLiteral("x 1, y 1: 255") << 1 << 1;
        QTest::newRow("gray16") << int(PixelFormat::GRAY16) << 16 << QByteArray("\x00\x00\xff\x40\x00\x80\x34\x12", 8)
                                << QVector<QRgb>{qRgb(0, 0, 0), qRgb(64, 64, 64), qRgb(128, 128, 128), qRgb(18, 18, 18)}
                                << QStringLiteral("x 1, y 1: 4660") << 1 << 0;
        QTest::newRow("rgb24") << int(PixelFormat::RGB24) << 24
                               << QByteArray("\xff\x00\x00\x00\xff\x00\x00\x00\xff\x10\x20\x30", 12)
                               << QVector<QRgb>{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(16, 32, 48)}
                               << QStringLiteral("x 1, y 1: R 16, G 32, B 48") << 6 << 3;
        QTest::newRow("rgb32") << int(PixelFormat::RGB32) << 32
                               << QByteArray("\xff\x00\x00\x00\x00\xff\x00\x00\x00\x00\xff\x00\x10\x20\x30\x00", 16)
                               << QVector<QRgb>{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(16, 32, 48)}
                               << QStringLiteral("x 1, y 1: R 16, G 32, B 48") << 6 << 3;
    }

    void knownPixelsAreShownReadCountedAndSaved()
    {
        QFETCH(int, format);
        QFETCH(int, bits);
        QFETCH(QByteArray, pixels);
        QFETCH(QVector<QRgb>, shown);
        QFETCH(QString, bottomRight);
        QFETCH(int, atZero);
        QFETCH(int, atFullScale);
        capture_double::Script script = TwoCameras();
        script.bitsPerPixel = bits;
        script.triggeredPixels.assign(pixels.begin(), pixels.end());
        script.triggeredNumbers = {7};
        capture_double::Reset(script);

        ViewerWindow window;
        window.show();
        QVERIFY(LoadAndList(window));
        window.SetPixelFormat(format);
        CameraTab* tab = OpenAndWait(window, QStringLiteral("GV01"));
        QVERIFY(tab);
        QVERIFY(StartAndWait(tab, ModeTriggerOn));
        tab->Snap();
        QTRY_COMPARE_WITH_TIMEOUT(tab->FramesShown(), quint64(1), kTimeoutMs);

        const QImage& image = tab->View()->Image();
        QCOMPARE(image.size(), QSize(2, 2));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(image.pixel(i % 2, i / 2) | 0xff000000u, shown[i]);

        // At 4:1 each camera pixel is a 4 x 4 square: (5, 5) lies in pixel (1, 1).
        tab->SetZoom(int(ImageView::Zoom::Four));
        QWidget* canvas = reinterpret_cast<QWidget*>(tab->View()->Canvas());
        QCOMPARE(canvas->size(), QSize(8, 8));
        QTest::mouseMove(canvas, QPoint(5, 5));
        QTRY_COMPARE(tab->PixelText(), bottomRight);
        QTest::mouseMove(canvas, QPoint(1, 2));
        QTRY_VERIFY(tab->PixelText().startsWith(QStringLiteral("x 0, y 0: ")));

        const FrameHistogram& histogram = tab->Histogram()->Histogram();
        QCOMPARE(histogram.atZero, uint64_t(atZero));
        QCOMPARE(histogram.atFullScale, uint64_t(atFullScale));
        QCOMPARE(histogram.samples, uint64_t(bits == 8 || bits == 16 ? 4 : 12));

        QTemporaryDir dir;
        const QString name = bits == 16 ? QStringLiteral("GV01-frame7.pgm") : QStringLiteral("GV01-frame7.png");
        QCOMPARE(DefaultSaveName(QStringLiteral("GV01"), tab->LastShownFrame()), name);
        const QString path = dir.filePath(name);
        QVERIFY2(tab->SaveShownFrame(path), qPrintable(tab->ErrorText()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        if (bits == 16) {  // big-endian samples, all 16 bits
            QCOMPARE(saved, QByteArray("P5\n2 2\n65535\n\x00\x00\x40\xff\x80\x00\x12\x34", 21));
        } else {
            QImage read;
            QVERIFY(read.loadFromData(saved, "PNG"));
            QCOMPARE(read.size(), QSize(2, 2));
            QVERIFY(!read.hasAlphaChannel());
            for (int i = 0; i < 4; ++i)
                QCOMPARE(read.pixel(i % 2, i / 2) | 0xff000000u, shown[i]);
        }
    }

    void newestFrameWinsAndTheRestAreNotShownNotLost()
    {
        ViewerWindow window;
        QVERIFY(LoadAndList(window));
        CameraTab* tab = OpenAndWait(window, QStringLiteral("GV01"));
        QVERIFY(tab);
        QVERIFY(StartAndWait(tab, ModeTriggerOff));
        unsigned char pixels[4] = {1, 2, 3, 4};
        for (uint32_t n = 1; n <= 50; ++n)  // faster than the window looks
            capture_double::FireFrameOnOwnThread(capture_double::LastGrabber(), pixels, n);
        QTRY_VERIFY(tab->LastShownFrame().frameNumber == 50);
        QVERIFY(tab->FramesShown() < 50);
        QVERIFY2(tab->StatusText().contains(
                     QStringLiteral("received 50 | lost 0 | not shown %1").arg(50 - tab->FramesShown())),
                 qPrintable(tab->StatusText()));
    }

    // The camera answers its open only when the test lets it: meanwhile the
    // window handles events, says what it waits for, and refuses to start.
    void windowStaysResponsiveWhileAnOpenWaits()
    {
        HeldOpen held;
        capture_double::CurrentScript().openAnswer = [&held] { return held.Wait(); };
        ViewerWindow window;
        window.show();
        QVERIFY(LoadAndList(window));
        CameraTab* tab = window.OpenDevice(QStringLiteral("GV01"));
        QVERIFY(tab);
        QTRY_VERIFY(held.Entered());
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);
        QTRY_VERIFY(ticks >= 5);  // the window's thread runs its events
        QCOMPARE(tab->BusyText(), QStringLiteral("opening GV01…"));
        tab->Start(ModeTriggerOff);  // refused while the open runs
        held.Release(1);
        QTRY_COMPARE_WITH_TIMEOUT(tab->CurrentState(), CameraTab::State::Open, kTimeoutMs);
        QTRY_VERIFY(!tab->IsBusy());
        // Requests run in order: once a later one is done, a start queued
        // during the open would have reached the library.
        tab->SetGain(3);
        QTRY_VERIFY(Has("IC_SetVideoProperty(G1,9,3)") && !tab->IsBusy());
        QVERIFY(capture_double::CallsStartingWith("IC_StartLive").empty());
        QVERIFY(tab->BusyText().isEmpty());
    }

    void lostCameraIsPlainAndReopenRecovers()
    {
        ViewerWindow window;
        window.show();
        window.RouteMessages();  // after Qt Test's own handler
        QVERIFY(LoadAndList(window));
        CameraTab* tab = OpenAndWait(window, QStringLiteral("GV01"));
        QVERIFY(tab);
        QVERIFY(StartAndWait(tab, ModeTriggerOff));
        unsigned char pixels[4] = {9, 9, 9, 9};
        HGRABBER grabber = capture_double::LastGrabber();
        capture_double::FireFrame(grabber, pixels, 1);
        QTRY_COMPARE(tab->FramesShown(), quint64(1));

        capture_double::SetOpenResult(0);  // the camera does not answer yet
        capture_double::FireDeviceLost(grabber);
        QTRY_COMPARE_WITH_TIMEOUT(tab->CurrentState(), CameraTab::State::Lost, kTimeoutMs);
        QCOMPARE(tab->View()->Banner(), QStringLiteral("camera lost"));
        QTRY_VERIFY(window.Messages()->Text().contains(QStringLiteral("cam GV01 lost")));
        const auto buttons = tab->findChildren<QPushButton*>();
        QStringList offered;
        for (QPushButton* button : buttons)
            if (button->isEnabled() && button->isVisible())
                offered << button->text();
        offered.sort();
        // The last frame can still be saved; nothing that needs the camera is offered.
        QCOMPARE(offered, (QStringList{QStringLiteral("Close"), QStringLiteral("Reopen"), QStringLiteral("Save frame…")}));

        tab->Reopen();
        QTRY_VERIFY_WITH_TIMEOUT(tab->ErrorText().startsWith(QStringLiteral("reopen attempt 2")), kTimeoutMs);
        QCOMPARE(tab->CurrentState(), CameraTab::State::Reopening);
        capture_double::SetOpenResult(1);  // back
        QTRY_COMPARE_WITH_TIMEOUT(tab->CurrentState(), CameraTab::State::Live, kTimeoutMs);
        QVERIFY(tab->View()->Banner().isEmpty());
        QVERIFY(tab->ErrorText().isEmpty());
        capture_double::FireFrame(capture_double::LastGrabber(), pixels, 1);
        QTRY_COMPARE(tab->FramesShown(), quint64(1));  // counted afresh in the new session
    }

    void reopenStopsWhenAsked()
    {
        ViewerWindow window;
        QVERIFY(LoadAndList(window));
        CameraTab* tab = OpenAndWait(window, QStringLiteral("GV01"));
        QVERIFY(tab);
        capture_double::SetOpenResult(0);
        capture_double::FireDeviceLost(capture_double::LastGrabber());
        QTRY_COMPARE_WITH_TIMEOUT(tab->CurrentState(), CameraTab::State::Lost, kTimeoutMs);
        tab->Reopen();
        QTRY_VERIFY_WITH_TIMEOUT(tab->ErrorText().startsWith(QStringLiteral("reopen attempt 1")), kTimeoutMs);
        tab->StopReopening();
        // Lost again only once the retries have ended on the camera's thread.
        QTRY_COMPARE_WITH_TIMEOUT(tab->CurrentState(), CameraTab::State::Lost, kTimeoutMs);
        QCOMPARE(tab->View()->Banner(), QStringLiteral("camera lost"));
    }

    void errorsAreShownNotCrashed()
    {
        {
            ViewerWindow window;
            QVERIFY(!window.LoadModule(QStringLiteral("/nonexistent/libvexaCam_120.so")));
            QVERIFY(window.ErrorText().contains(QStringLiteral("/nonexistent/libvexaCam_120.so")));
            QVERIFY(!window.OpenDevice(QStringLiteral("GV01")));
        }
        {
            capture_double::Reset(capture_double::Script());
            ViewerWindow window;
            QVERIFY(LoadAndList(window));
            QCOMPARE(window.ErrorText(), QStringLiteral("no cameras found"));
        }
        {
            capture_double::Script script = TwoCameras();
            script.openResult = 0;
            capture_double::Reset(script);
            ViewerWindow window;
            window.RouteMessages();
            QVERIFY(LoadAndList(window));
            CameraTab* tab = window.OpenDevice(QStringLiteral("GV01"));
            QTRY_COMPARE_WITH_TIMEOUT(tab->CurrentState(), CameraTab::State::Failed, kTimeoutMs);
            QVERIFY2(tab->ErrorText().startsWith(QStringLiteral("cannot open GV01: ")), qPrintable(tab->ErrorText()));
        }
        {
            capture_double::Script script = TwoCameras();
            script.startLiveResult = 0;
            capture_double::Reset(script);
            ViewerWindow window;
            QVERIFY(LoadAndList(window));
            CameraTab* tab = OpenAndWait(window, QStringLiteral("GV01"));
            QVERIFY(tab);
            tab->Start(ModeTriggerOff);
            QTRY_COMPARE(tab->ErrorText(), QStringLiteral("cannot start acquisition on GV01"));
            QCOMPARE(tab->CurrentState(), CameraTab::State::Open);
        }
    }

    void severalCamerasEachInTheirOwnTab()
    {
        ViewerWindow window;
        QVERIFY(LoadAndList(window));
        CameraTab* first = OpenAndWait(window, QStringLiteral("GV01"));
        CameraTab* second = OpenAndWait(window, QStringLiteral("GV02"));
        QVERIFY(first && second && first != second);
        QCOMPARE(window.OpenDevice(QStringLiteral("GV01")), first);  // one tab per camera
        QVERIFY(StartAndWait(second, ModeTriggerOff));
        QCOMPARE(first->CurrentState(), CameraTab::State::Open);
        first->Close();
        QTRY_COMPARE(window.Tabs().size(), 1);
        QCOMPARE(window.Tabs().first(), second);
        QVERIFY(Has("IC_CloseVideoCaptureDevice(G1)"));
        QVERIFY(!Has("IC_CloseVideoCaptureDevice(G2)"));
    }

    void closingTheWindowWhileStreamingEndsInTheContractsOrder()
    {
        auto* window = new ViewerWindow;
        window->show();
        QVERIFY(LoadAndList(*window));
        CameraTab* tab = OpenAndWait(*window, QStringLiteral("GV01"));
        QVERIFY(tab);
        QVERIFY(StartAndWait(tab, ModeTriggerOff));
        HGRABBER grabber = capture_double::LastGrabber();
        std::atomic<bool> streaming{true};
        unsigned char pixels[4] = {};
        std::thread library([&] {
            for (uint32_t n = 1; streaming; ++n)
                capture_double::FireFrame(grabber, pixels, n);  // stops once the handle is released
        });
        QTRY_VERIFY(tab->FramesShown() > 0);
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
