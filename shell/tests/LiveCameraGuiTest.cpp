// SPDX-License-Identifier: MIT
// The photo booth in the main window, offscreen, with GStreamer's test source as the camera:
// live preview through the template, countdown, a photo, a burst, switching templates while
// live, and a camera that is not there. Its own program: a private HOME and XDG folders.
#include "camera/CameraSettings.h"
#include "app/Builtins.h"
#include "controls/QtNotify.h"
#include "controls/Theme.h"
#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"
#include "library/GalleryModel.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"
#include "shell/LiveCamera.h"
#include "shell/GrimazeDlg.h"
#include "shell/OptionPane2D.h"
#include "shell/FilterList.h"
#include "shell/ProcessProp.h"
#include "shell/ShellIds.h"
#include "shell/ImageProcessDlg.h"
#include "shell/tests/GuiTestSupport.h"

#include <opencv2/imgcodecs.hpp>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

using shell::CGrimazeDlg;
using shell::CLiveCamera;
using namespace engine;
using guitest::Drain;

namespace {

// Live like a camera (30 frames a second), 320 x 240, the colour bars: white at the left, blue
// at the right, so a mirror image is easy to tell.
const char* kCamera =
    "videotestsrc is-live=true pattern=smpte ! video/x-raw,width=320,height=240,framerate=30/1 ! videoconvert ! appsink";

/** With GRIMAZE_SCREENSHOT_DIR set, saves the window as NAME.png there (to look at, not compared). */
void Screenshot(QWidget& window, const char* name)
{
    if (const char* dir = std::getenv("GRIMAZE_SCREENSHOT_DIR"))
        window.grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

}  // namespace

class LiveCameraGuiTest : public QObject, protected guitest::ProgramWindow {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void theLiveViewShowsTheFramesMirroredAndThroughTheTemplate();
    void aPhotoAfterTheCountdownJoinsTheStripTheHistoryAndThePicturesFolder();
    void aBurstTakesFourPhotosWithFourNames();
    void switchingTemplatesWhileLiveRendersTheNewOne();
    void theGalleryThumbnailsShowAStillCameraFrameWhileLive();
    void aMissingCameraSaysSoAndStops();

private:
    CLiveCamera* Live() { return main_->LiveCamera(); }
};

void LiveCameraGuiTest::init()
{
    ::setenv(camera::kCameraEnvironment, kCamera, 1);
    QVERIFY(Open(Page::Gallery));
    QVERIFY(Live());
    QVERIFY(camera::SetCountdownSeconds(0));
    QVERIFY(camera::SetMirrorPreview(true));
}

void LiveCameraGuiTest::cleanup()
{
    if (main_ && Live()) {
        QElapsedTimer t;
        t.start();
        Live()->Stop();
        QVERIFY2(t.elapsed() < 2000, "closing the camera must not hang");
    }
    Close();
}

void LiveCameraGuiTest::theLiveViewShowsTheFramesMirroredAndThroughTheTemplate()
{
    // No template yet: the plain frames, mirrored, so the blue bar is at the left.
    main_->Command(shell::tool::Camera);
    QVERIFY(Live()->IsLive());
    QVERIFY(Live()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(Live()->FramesShown() >= 3, 15000);
    QImage shown = Live()->ShownImage();
    QCOMPARE(shown.size(), QSize(320, 240));
    const QColor left = shown.pixelColor(5, 20), right = shown.pixelColor(314, 20);
    QVERIFY2(left.blue() > 150 && left.red() < 60, "mirrored: the blue bar on the left");
    QVERIFY2(right.red() > 150 && right.green() > 150, "mirrored: the white bar on the right");

    Live()->SetMirror(false);
    const auto seen = Live()->FramesShown();
    QTRY_VERIFY_WITH_TIMEOUT(Live()->FramesShown() >= seen + 3, 10000);
    shown = Live()->ShownImage();
    QVERIFY(shown.pixelColor(5, 20).red() > 150);
    QVERIFY(!camera::MirrorPreview());

    // Through a template: no longer the colour bars.
    QVERIFY(PickTemplate("Emboss"));
    QTRY_COMPARE_WITH_TIMEOUT(Live()->LiveTemplate(), doc_->CurrentTemplate(), 5000);
    const auto before = Live()->FramesShown();
    QTRY_VERIFY_WITH_TIMEOUT(Live()->FramesShown() >= before + 3, 10000);
    shown = Live()->ShownImage();
    const QColor embossed = shown.pixelColor(shown.width() / 8, shown.height() / 4);
    QVERIFY2(std::abs(embossed.red() - embossed.blue()) < 40, "emboss turns the bars grey");

    // The rate on request; the tool bar's buttons follow the live state.
    Live()->SetShowRate(true);
    QTest::qWait(300);
    Screenshot(*main_, "live-emboss");
    main_->Command(shell::tool::Camera);
    QVERIFY(!Live()->IsLive());
    QVERIFY(!Live()->isVisible());
}

void LiveCameraGuiTest::aPhotoAfterTheCountdownJoinsTheStripTheHistoryAndThePicturesFolder()
{
    QVERIFY(PickTemplate("Emboss"));
    const int photos = doc_->PhotoCount();
    const int history = doc_->HistorySize();
    QVERIFY(camera::SetCountdownSeconds(3));
    main_->Command(shell::tool::Camera);
    QTRY_VERIFY_WITH_TIMEOUT(Live()->FramesShown() >= 2, 15000);
    // Space is a shortcut of the window: it must be the active one.
    main_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    QTest::keyClick(main_.get(), Qt::Key_Space);
    QCOMPARE(Live()->CountdownLeft(), 3);
    QVERIFY(Live()->ShotPending());
    QTRY_COMPARE_WITH_TIMEOUT(Live()->CountdownLeft(), 2, 3000);
    Screenshot(*main_, "live-countdown");
    QVERIFY(Live()->Shots().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(Live()->Shots().size(), 1, 6000);
    QVERIFY(!Live()->ShotPending());

    // Saved full size and the right way round (white at the left), in the pictures folder.
    const QString path = Live()->Shots().front();
    QVERIFY(path.startsWith(QString::fromStdString(platform::PicturesFolder() + "/Grimaze/Grimaze-")));
    QVERIFY(path.endsWith(".jpg"));
    const cv::Mat shot = cv::imread(path.toStdString());
    QCOMPARE(shot.cols, 320);
    QCOMPARE(shot.rows, 240);
    QVERIFY(shot.at<cv::Vec3b>(20, 5)[2] > 150);
    QVERIFY(shot.at<cv::Vec3b>(20, 314)[2] < 60);

    QTRY_COMPARE_WITH_TIMEOUT(doc_->PhotoCount(), photos + 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(doc_->HistorySize(), history + 1, 10000);
    // The history holds the shot through the template at full size, not the view's.
    QCOMPARE(doc_->HistoryAt(doc_->HistorySize() - 1).size(), cv::Size(320, 240));
}

void LiveCameraGuiTest::aBurstTakesFourPhotosWithFourNames()
{
    const int photos = doc_->PhotoCount();
    main_->Command(shell::tool::Camera);
    QTRY_VERIFY_WITH_TIMEOUT(Live()->FramesShown() >= 2, 15000);
    main_->Command(shell::tool::Burst);
    QTRY_COMPARE_WITH_TIMEOUT(Live()->Shots().size(), 4, 10000);
    QSet<QString> names(Live()->Shots().begin(), Live()->Shots().end());
    QCOMPARE(names.size(), 4);
    for (const QString& p : Live()->Shots()) QVERIFY(QFileInfo(p).size() > 0);
    QTRY_COMPARE_WITH_TIMEOUT(doc_->PhotoCount(), photos + 4, 15000);
}

void LiveCameraGuiTest::switchingTemplatesWhileLiveRendersTheNewOne()
{
    QVERIFY(PickTemplate("Emboss"));
    main_->Command(shell::tool::Camera);
    QTRY_VERIFY_WITH_TIMEOUT(Live()->FramesShown() >= 2, 15000);
    QVERIFY(Live()->ShownImage().width() < 1280);
    // A frame template draws on its frame picture (1280 x 960 for the postcard).
    QVERIFY(PickTemplate("Postcard"));
    QTRY_COMPARE_WITH_TIMEOUT(Live()->LiveTemplate(), doc_->CurrentTemplate(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(Live()->ShownImage().width(), 1280, 10000);
    Screenshot(*main_, "live-postcard");
    QVERIFY(PickTemplate("Teapot"));
    QTRY_COMPARE_WITH_TIMEOUT(Live()->LiveTemplate(), doc_->CurrentTemplate(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(Live()->ShownImage().width() < 1280, 10000);
    QTest::qWait(300);
    Screenshot(*main_, "live-teapot");
    QVERIFY(Live()->IsLive());
}

void LiveCameraGuiTest::theGalleryThumbnailsShowAStillCameraFrameWhileLive()
{
    std::string error;
    RefPtr<CEffectTemplate> bars = OpenTemplate(testenv::SourceDir() + "/media/Templates/Emboss", nullptr, &error);
    QVERIFY2(bars, error.c_str());
    auto same = [](const cv::Mat& a, const cv::Mat& b) {
        return a.size() == b.size() && (a.empty() || cv::norm(a, b, cv::NORM_INF) == 0);
    };
    const cv::Mat before = doc_->TemplateThumbnail(bars.get());
    QSignalSpy refreshed(Live(), &CLiveCamera::thumbnailsChanged);
    main_->Command(shell::tool::Camera);
    QTRY_VERIFY_WITH_TIMEOUT(Live()->FramesShown() >= 1, 15000);
    QVERIFY(doc_->HasThumbnailStill());
    QCOMPARE(refreshed.count(), 1);
    const cv::Mat live = doc_->TemplateThumbnail(bars.get());
    QVERIFY(!live.empty());
    QVERIFY2(!same(live, before), "the thumbnail comes from the camera");
    // One still per session: later frames do not make the gallery render again.
    const auto seen = Live()->FramesShown();
    QTRY_VERIFY_WITH_TIMEOUT(Live()->FramesShown() >= seen + 5, 10000);
    QCOMPARE(refreshed.count(), 1);
    QVERIFY(same(doc_->TemplateThumbnail(bars.get()), live));

    main_->Command(shell::tool::Camera);
    QVERIFY(!doc_->HasThumbnailStill());
    QCOMPARE(refreshed.count(), 2);
    QVERIFY2(same(doc_->TemplateThumbnail(bars.get()), before), "back to the photos");
}

void LiveCameraGuiTest::aMissingCameraSaysSoAndStops()
{
    ::setenv(camera::kCameraEnvironment, "/dev/video97", 1);
    main_->Command(shell::tool::Camera);
    QTRY_VERIFY_WITH_TIMEOUT(Live()->Problem().startsWith("No camera found"), 5000);
    QVERIFY(Live()->Problem().contains("/dev/video97"));
    QCOMPARE(Live()->Problem().count("no camera found", Qt::CaseInsensitive), 1);
    Screenshot(*main_, "live-no-camera");
    Live()->TakePhoto(1);
    QTest::qWait(200);
    QVERIFY(Live()->Shots().isEmpty());
}

int main(int argc, char** argv)
{
    testenv::TemporaryHome home;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const QString platform = QString::fromLocal8Bit(std::getenv("QT_QPA_PLATFORM"));
    const QDir plugins(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
    if (plugins.entryList({"*" + platform + "*"}, QDir::Files).isEmpty()) {
        std::printf("SKIP: the Qt platform plugin \"%s\" is not installed\n", qPrintable(platform));
        return 77;
    }
    app::RegisterBuiltinClasses();
    shell::RegisterShellClasses();
    QApplication app(argc, argv);
    controls::theme::Apply(app);
    controls::QtNotificationSink::Install();
    LiveCameraGuiTest tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "LiveCameraGuiTest.moc"
