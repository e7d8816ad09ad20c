#include "shell/tests/GuiTests.h"

#include "controls/CoolButtonBar.h"
#include "controls/Skin.h"
#include "controls/ToolBar.h"
#include "engine/PhotoDocument.h"
#include "engine/SimpleTemplate.h"
#include "engine/TemplateFile.h"
#include "i18n/LanguageManager.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"
#include "settings/GrimazeSettings.h"
#include "shell/DlgExport.h"
#include "shell/ImageConvert.h"
#include "shell/GrimazeDlg.h"
#include "shell/NoticeBar.h"
#include "shell/PictureFiles.h"
#include "shell/Messages.h"
#include "shell/OptionPane.h"
#include "shell/OptionPane2D.h"
#include "shell/OptionPaneOrgImgDefault.h"
#include "shell/OriginImgShowWnd.h"
#include "shell/PhotoList.h"
#include "shell/PhotoEditPreviewWnd.h"
#include "shell/ProcessProp.h"
#include "shell/FilterList.h"
#include "library/GalleryModel.h"
#include "library/ThumbnailWorker.h"
#include "shell/ShellIds.h"
#include "shell/WizardWnd.h"
#include "shell/ImageProcessDlg.h"
#include "shell/tests/GuiTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <opencv2/imgcodecs.hpp>

#include <filesystem>

using namespace engine;
using namespace settings;

using namespace shell;
using guitest::Click;
using guitest::MessageLog;
using guitest::SendMouse;

namespace {

// Everything the message boxes said, answered with a fixed button.
cv::Mat Solid(int w, int h, int v) { return cv::Mat(h, w, CV_8UC3, cv::Scalar::all(v)); }

double Mean(const cv::Mat& m) { return m.empty() ? -1 : cv::mean(m)[0]; }

}  // namespace

// --- Controls -------------------------------------------------------------------------------

namespace {
// A window that counts what is posted to it.
class Receiver final : public QWidget, public controls::NotifyTarget {
public:
    Receiver() : controls::NotifyTarget(this) {}
    std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t) override
    {
        codes.push_back(code);
        args.push_back(static_cast<int>(a));
        return 1;
    }
    std::vector<int> codes, args;
};
}  // namespace

void ControlsGuiTest::buttonBarHoverPressAndPost()
{
    Receiver target;
    controls::CCoolButtonBar bar;
    bar.SetUp({{1, 12, 1, 0, 16, 13, 132, -1}, {1, 16, 50, 0, 16, 13, 136, -1}}, controls::img::WinButtonsNormal,
              controls::img::WinButtonsHover, controls::img::WinButtonsPressed, controls::img::WinButtonsDisabled);
    bar.SetTarget(target.WindowId(), 3225, 0);
    bar.resize(66, 13);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QTest::mouseMove(&bar, QPoint(55, 5));
    SendMouse(&bar, QEvent::MouseMove, QPoint(55, 5), Qt::NoButton);
    QCOMPARE(bar.Logic().Hover(), 1);
    const QImage hover = bar.grab().toImage();
    SendMouse(&bar, QEvent::MouseButtonPress, QPoint(55, 5), Qt::LeftButton);
    QCOMPARE(bar.Logic().Pressed(), 1);
    const QImage pressed = bar.grab().toImage();
    QVERIFY(hover != pressed);  // each state has its own picture
    SendMouse(&bar, QEvent::MouseButtonRelease, QPoint(55, 5), Qt::NoButton);
    guitest::Drain();
    QCOMPARE(target.codes, std::vector<int>{3225});
    QCOMPARE(target.args, std::vector<int>{16});
    // Leaving clears the hover picture.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&bar, &leave);
    QCOMPARE(bar.Logic().Hover(), -1);
}

void ControlsGuiTest::buttonBarDisabledButton()
{
    Receiver target;
    controls::CCoolButtonBar bar;
    bar.SetUp({{0, 16, 50, 0, 16, 13, 136, -1}}, controls::img::WinButtonsNormal, controls::img::WinButtonsHover,
              controls::img::WinButtonsPressed, controls::img::WinButtonsDisabled);
    bar.SetTarget(target.WindowId(), 3225, 77);
    bar.resize(66, 13);
    const QImage before = bar.grab().toImage();
    SendMouse(&bar, QEvent::MouseMove, QPoint(55, 5), Qt::NoButton);
    SendMouse(&bar, QEvent::MouseButtonPress, QPoint(55, 5), Qt::LeftButton);
    QCOMPARE(bar.Logic().Hover(), -1);
    QCOMPARE(bar.Logic().Pressed(), -1);
    QCOMPARE(bar.grab().toImage(), before);
    SendMouse(&bar, QEvent::MouseButtonRelease, QPoint(55, 5), Qt::NoButton);
    guitest::Drain();
    QCOMPARE(target.codes, std::vector<int>{77});
    bar.SetEnabled(16, true);
    QVERIFY(bar.grab().toImage() != before);
}

void ControlsGuiTest::toolBarPostsItsCommandAndRunsHandlers()
{
    Receiver target;
    controls::CFlexToolBar bar;
    bar.resize(600, 44);
    bar.SetTarget(target.WindowId(), 3225);
    int handled = 0;
    controls::ToolItem a;
    a.command = 3;
    a.icon = controls::img::IconExport;
    a.text = "Export";
    controls::ToolItem b = a;
    b.command = 100;
    b.onPress = [&] { ++handled; };
    controls::ToolItem off = a;
    off.command = 7;
    off.enabled = false;
    bar.SetItems({a, b, off});
    Click(&bar, bar.ButtonRect(3).center());
    Click(&bar, bar.ButtonRect(100).center());
    Click(&bar, bar.ButtonRect(7).center());
    guitest::Drain();
    QCOMPARE(target.args, std::vector<int>{3});
    QCOMPARE(handled, 1);
}

void ControlsGuiTest::skinPicturesAreSharpAtTwiceThePixelRatio()
{
    for (int number : {controls::img::WinButtonsNormal, controls::img::IconAddImage, controls::img::CellSelected, controls::img::Wizard,
                       controls::img::DownloadBadge, controls::img::GroupHeader}) {
        const QImage one = controls::Skin::Draw(number, 1);
        const QImage two = controls::Skin::Draw(number, 2);
        QVERIFY2(!one.isNull(), qPrintable(QString::number(number)));
        QCOMPARE(two.size(), one.size() * 2);
        QCOMPARE(two.deviceIndependentSize(), one.deviceIndependentSize());
        // Something is drawn.
        bool any = false;
        for (int y = 0; y < one.height() && !any; ++y)
            for (int x = 0; x < one.width() && !any; ++x) any = qAlpha(one.pixel(x, y)) > 0;
        QVERIFY(any);
    }
}

void ControlsGuiTest::pixmapCacheNeverMixesUpPictures()
{
    // Pictures come and go; a new one may be allocated where an old one was. The cache must
    // never answer with the old picture's pixmap.
    PixmapCache cache(4);
    for (int round = 0; round < 50; ++round) {
        cv::Mat m(20, 30, CV_8UC3, cv::Scalar::all(round * 5));
        const QImage img = cache.Get(m).toImage();
        QCOMPARE(qRed(img.pixel(3, 3)), round * 5);
    }
    QVERIFY(cache.Size() <= 4);
}

// --- The program ---------------------------------------------------------------------------

void ShellGuiTest::init()
{
    QVERIFY(Open());
}

void ShellGuiTest::cleanup() { Close(); }

void ShellGuiTest::startShowsTheWindowWithTheSamplePhotos()
{
    QCOMPARE(main_->size(), QSize(CGrimazeDlg::kDefaultWidth, CGrimazeDlg::kDefaultHeight));
    QVERIFY(main_->Work()->WizardShown());
    QVERIFY(main_->Work()->Wizard()->isVisible());
    QVERIFY(!main_->Work()->Preview()->isVisible());
    QVERIFY(doc_->PhotoCount() >= 3);
    QVERIFY(QString::fromStdString(doc_->PhotoAt(0).path).endsWith("Default1.jpg"));
    QCOMPARE(doc_->SelectionIndices(), std::vector<int>{0});
    // Tool bar: Add Image, Export (disabled without a template), Camera, separator, zoom in, zoom out.
    const auto& items = main_->ToolBar()->Items();
    QCOMPARE(items.size(), size_t(6));
    QCOMPARE(items[0].command, tool::AddImage);
    QCOMPARE(items[1].command, tool::Export);
    QVERIFY(!items[1].enabled);
    QCOMPARE(items[2].command, tool::Camera);
    QCOMPARE(items[3].separatorWidth, 27);
    QCOMPARE(items[0].text, QString("Add Image"));
    // The photo thread makes the strip's thumbnails.
    QTRY_VERIFY_WITH_TIMEOUT(!doc_->PhotoAt(2).thumbnail.empty(), 5000);
}

void ShellGuiTest::windowFrameMaximisesAndKeepsItsMinimumSize()
{
    QCOMPARE(main_->minimumSize(), QSize(CGrimazeDlg::kMinWidth, CGrimazeDlg::kMinHeight));
    main_->resize(400, 300);
    QVERIFY(main_->width() >= CGrimazeDlg::kMinWidth && main_->height() >= CGrimazeDlg::kMinHeight);
    // A double click on the caption strip maximises; the restore button replaces maximise.
    QTest::mouseDClick(main_.get(), Qt::LeftButton, {}, QPoint(400, 10));
    QVERIFY(main_->Maximised());
    QVERIFY(main_->findChild<controls::CCoolButtonBar*>("windowButtonsRestore")->isVisibleTo(main_.get()));
    QVERIFY(!main_->findChild<controls::CCoolButtonBar*>("windowButtons")->isVisibleTo(main_.get()));
    platform::Send(main_->WindowId(), platform::msg::ToolbarCommand, tool::Restore, 0);
    QVERIFY(!main_->Maximised());
}

void ShellGuiTest::addPhotosPutsTheLastChosenFirst()
{
    const int before = doc_->PhotoCount();
    const std::string a = dir_->path() + "/a.png", b = dir_->path() + "/b.png";
    cv::imwrite(a, Solid(40, 30, 50));
    cv::imwrite(b, Solid(30, 40, 200));
    main_->AddFiles({QString::fromStdString(a), QString::fromStdString(b)});
    QCOMPARE(doc_->PhotoCount(), before + 2);
    QCOMPARE(doc_->PhotoAt(0).path, b);
    QCOMPARE(doc_->PhotoAt(1).path, a);
    QVERIFY(!main_->Work()->WizardShown());
    QCOMPARE(doc_->SelectionIndices(), std::vector<int>{0});
    QCOMPARE(main_->Work()->PhotoList()->Logic().Selected(), std::vector<int>{0});
    // Adding a photo already in the list moves it to the front instead.
    main_->AddFiles({QString::fromStdString(a)});
    QCOMPARE(doc_->PhotoCount(), before + 2);
    QCOMPARE(doc_->PhotoAt(0).path, a);
    QCOMPARE(doc_->PhotoAt(1).path, b);
}

void ShellGuiTest::dropImageFilesOnTheStrip()
{
    const std::string a = dir_->path() + "/dropped.jpg", w = dir_->path() + "/dropped.WEBP";
    cv::imwrite(a, Solid(20, 20, 99));
    cv::imwrite(w, Solid(20, 20, 42));
    CPhotoList* strip = main_->Work()->PhotoList();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(a)), QUrl::fromLocalFile("/etc/passwd"),
                  QUrl::fromLocalFile(QString::fromStdString(w))});
    QDragEnterEvent enter(QPoint(40, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(strip, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(40, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(strip, &drop);
    // Only the picture files, WebP as well: the strip takes what the open dialog offers.
    QCOMPARE(doc_->PhotoAt(0).path, w);
    QCOMPARE(doc_->PhotoAt(1).path, a);
    QVERIFY(doc_->PhotoAt(2).path != "/etc/passwd");
    const QString offered = shell::PictureFileFilter(false).section(";;", 0, 0);
    for (const char* pattern : {"*.jpg", "*.jpeg", "*.png", "*.bmp", "*.tif", "*.tiff", "*.webp"})
        QVERIFY2(offered.contains(pattern), pattern);
}

void ShellGuiTest::largePhotosAreOpenedOnAWorker()
{
    SelectTestTemplate("Large");
    const std::string big = dir_->path() + "/big.jpg";
    cv::Mat m(2400, 3200, CV_8UC3);
    cv::randu(m, cv::Scalar::all(0), cv::Scalar::all(255));
    cv::imwrite(big, m);
    main_->AddFiles({QString::fromStdString(big)});
    QVERIFY(main_->Busy());
    // Meanwhile the window takes no input: a click on the strip changes nothing.
    CPhotoList* strip = main_->Work()->PhotoList();
    Click(strip, strip->CellRect(2).center());
    QTRY_VERIFY_WITH_TIMEOUT(!main_->Busy(), 10000);
    guitest::Drain();
    QCOMPARE(doc_->SelectionIndices(), std::vector<int>{0});
    QCOMPARE(strip->Logic().Selected(), std::vector<int>{0});
    QVERIFY(!main_->Work()->Preview()->Busy());
}

void ShellGuiTest::dragAPhotoInTheStrip()
{
    CPhotoList* strip = main_->Work()->PhotoList();
    const std::string p0 = doc_->PhotoAt(0).path, p1 = doc_->PhotoAt(1).path, p2 = doc_->PhotoAt(2).path;
    const QPoint from = strip->CellRect(0).center();
    const QPoint to = strip->CellRect(2).center() + QPoint(0, 10);  // past the last photo's middle
    SendMouse(strip, QEvent::MouseButtonPress, from, Qt::LeftButton);
    SendMouse(strip, QEvent::MouseMove, from + QPoint(0, 20), Qt::LeftButton);
    SendMouse(strip, QEvent::MouseMove, to, Qt::LeftButton);
    SendMouse(strip, QEvent::MouseButtonRelease, to, Qt::NoButton);
    QCOMPARE(doc_->PhotoAt(1).path, p2);
    QCOMPARE(doc_->PhotoAt(2).path, p0);
    // The selected photo moved with it.
    QCOMPARE(doc_->SelectionIndices(), std::vector<int>{2});
    QCOMPARE(strip->Logic().Selected(), std::vector<int>{2});
    // Dropping a photo on its own place changes nothing, just after it neither.
    for (int dy : {-20, 20}) {
        const QPoint self = strip->CellRect(1).center();
        SendMouse(strip, QEvent::MouseButtonPress, self, Qt::LeftButton);
        SendMouse(strip, QEvent::MouseMove, self + QPoint(0, dy), Qt::LeftButton);
        SendMouse(strip, QEvent::MouseButtonRelease, self + QPoint(0, dy), Qt::NoButton);
        QCOMPARE(doc_->PhotoAt(1).path, p2);
    }
}

void ShellGuiTest::stripContextDeleteAndControlClick()
{
    CPhotoList* strip = main_->Work()->PhotoList();
    const int n = doc_->PhotoCount();
    Click(strip, strip->CellRect(1).center(), Qt::ControlModifier);
    guitest::Drain();
    QCOMPARE(doc_->SelectionIndices(), (std::vector<int>{0, 1}));
    Click(strip, strip->CellRect(1).center(), Qt::ControlModifier);  // already selected: unchanged
    QCOMPARE(doc_->SelectionIndices(), (std::vector<int>{0, 1}));
    strip->DeleteSelection();
    QCOMPARE(doc_->PhotoCount(), n - 2);
    // The template keeps a photo to work on.
    QCOMPARE(doc_->SelectionIndices().size(), size_t(1));
    strip->DeleteAll();
    QCOMPARE(doc_->PhotoCount(), 0);
    QVERIFY(strip->Logic().Selected().empty());
}

void ShellGuiTest::templatePaneSliderChangesThePreview()
{
    SelectTestTemplate("Shift");
    CPhotoEditPreviewWnd* preview = main_->Work()->Preview();
    QVERIFY(preview->isVisible());
    auto* pane = qobject_cast<COptionPane2D*>(main_->Work()->OperationPanel()->Pane());
    QVERIFY(pane);
    QVERIFY(pane->Slider(0)->isVisibleTo(pane));
    QVERIFY(!pane->Slider(1)->isVisibleTo(pane));  // only var1 is defined
    QVERIFY(!pane->Slider(2)->isVisibleTo(pane));
    QCOMPARE(pane->Label(0)->text(), QString("Amount"));
    QVERIFY(pane->ClipBox()->isVisibleTo(pane));
    QVERIFY(main_->ExportEnabled());

    const double before = Mean(doc_->ShownResult());
    const QImage shownBefore = preview->grab().toImage();
    pane->Slider(0)->setValue(90);
    QTRY_VERIFY(Mean(doc_->ShownResult()) > before + 40);
    guitest::Drain();
    QTRY_VERIFY(preview->grab().toImage() != shownBefore);
}

void ShellGuiTest::templateWithoutRegionHidesTheClipBox()
{
    SelectTestTemplate("NoRegion", false, false);
    auto* pane = qobject_cast<COptionPane2D*>(main_->Work()->OperationPanel()->Pane());
    QVERIFY(pane);
    QVERIFY(!pane->ClipBox()->isVisibleTo(pane));
}

void ShellGuiTest::switchingTemplatesKeepsOnePane()
{
    SelectTestTemplate("First");
    SelectTestTemplate("Second");
    SelectTestTemplate("Third");
    COperationPanel* panel = main_->Work()->OperationPanel();
    QCOMPARE(panel->findChildren<COptionPaneBase*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    // No template: the panel empties and its button goes.
    platform::Send(main_->WindowId(), platform::msg::TemplateChanged, 0, 0);
    QVERIFY(!panel->Pane());
    QVERIFY(!main_->Work()->ControlPanelVisible());
    for (const controls::ToolItem& it : main_->ToolBar()->Items()) QVERIFY(it.command != tool::ControlPanel);
}

void ShellGuiTest::previewZoomsAboutThePointerAndPans()
{
    SelectTestTemplate("Zoom", false, false);
    CPhotoEditPreviewWnd* preview = main_->Work()->Preview();
    const QPoint at(preview->width() / 3, preview->height() / 3);
    QWheelEvent in(QPointF(at), QPointF(preview->mapToGlobal(at)), QPoint(), QPoint(0, 120 * 5), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(preview, &in);
    QVERIFY(preview->Zoom().zoom < 1);
    const float panX = preview->Zoom().pan[0];
    // Dragging up shows more of the bottom (the photo is square: it fills the height).
    const float panY = preview->Zoom().pan[1];
    SendMouse(preview, QEvent::MouseButtonPress, at, Qt::LeftButton);
    SendMouse(preview, QEvent::MouseMove, at - QPoint(0, 30), Qt::LeftButton);
    SendMouse(preview, QEvent::MouseButtonRelease, at - QPoint(0, 30), Qt::NoButton);
    QVERIFY(preview->Zoom().pan[1] > panY);
    QCOMPARE(preview->Zoom().pan[0], panX);
    main_->Command(tool::ZoomOut);
    for (int i = 0; i < 200; ++i) main_->Command(tool::ZoomOut);
    QCOMPARE(preview->Zoom().zoom, 1.0f);
}

void ShellGuiTest::regionDragInThePreviewMovesTheRegion()
{
    SelectTestTemplate("Region");
    auto* t = static_cast<CT_SimpleTempl*>(doc_->CurrentTemplate());
    CPhotoEditPreviewWnd* preview = main_->Work()->Preview();
    const cv::Mat shown = doc_->ShownResult();
    const qreal r = preview->devicePixelRatioF();
    const ViewMapping m(shown.cols, shown.rows, preview->DeviceRect(), 0, 0, 1);
    const cv::Point2f centre = m.ToView(0.5f, 0.5f);
    const QPoint c(static_cast<int>(centre.x / r), static_cast<int>(centre.y / r));
    const float x0 = t->Params().x;
    SendMouse(preview, QEvent::MouseMove, c, Qt::NoButton);
    QCOMPARE(t->ActiveHandle(), 1);
    SendMouse(preview, QEvent::MouseButtonPress, c, Qt::LeftButton);
    SendMouse(preview, QEvent::MouseMove, c + QPoint(20, 0), Qt::LeftButton);
    SendMouse(preview, QEvent::MouseButtonRelease, c + QPoint(20, 0), Qt::NoButton);
    QVERIFY(t->Params().x > x0);
}

void ShellGuiTest::undoAndRedoStepThroughResults()
{
    SelectTestTemplate("History");
    auto* pane = qobject_cast<COptionPane2D*>(main_->Work()->OperationPanel()->Pane());
    doc_->RenderFull();
    pane->Slider(0)->setValue(80);
    guitest::Drain();
    doc_->RenderFull();
    QCOMPARE(doc_->HistorySize(), 2);
    const cv::Mat first = doc_->HistoryAt(0), second = doc_->HistoryAt(1);
    QVERIFY(Mean(second) > Mean(first) + 30);
    CPhotoEditPreviewWnd* preview = main_->Work()->Preview();
    const QImage showingSecond = preview->grab().toImage();
    main_->Undo();
    QCOMPARE(doc_->ShownResult().data, first.data);
    QVERIFY(preview->grab().toImage() != showingSecond);
    main_->Undo();  // at the oldest: stays
    QCOMPARE(doc_->ShownResult().data, first.data);
    QTest::keyClick(main_.get(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(doc_->ShownResult().data, second.data);
    QTest::keyClick(main_.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(doc_->ShownResult().data, first.data);
    // Stepping back left the template: its pane went with it.
    QVERIFY(!doc_->CurrentTemplate());
    QVERIFY(!main_->Work()->OperationPanel()->Pane());
}

void ShellGuiTest::exportWritesTheChosenSize()
{
    SelectTestTemplate("Export");
    MessageLog log;
    log.Install();
    const std::string target = dir_->path() + "/out/result.png";
    QVERIFY(ExportThrough([&](CDlgExport& dlg) {
        QVERIFY(dlg.ImageRadio()->isChecked());
        QVERIFY(!dlg.GifRadio()->isEnabled());
        // Full size first: the photo is 512 x 512.
        QVERIFY(dlg.OriginalSizeRadio()->isChecked());
        QVERIFY(dlg.SizeNote()->text().contains(QString::fromUtf8("512 × 512")));
        dlg.PathEdit()->setText(QString::fromStdString(target));
        dlg.LongSideBox()->setValue(200);
        dlg.LongSideRadio()->click();
        QVERIFY(dlg.SizeNote()->text().contains(QString::fromUtf8("200 × 200")));
        dlg.Save();  // closes the dialog: keep-open is off
    }));
    QTRY_VERIFY(!main_->ExportDialog());
    QVERIFY2(log.texts.isEmpty(), "a save is told by a notice, not a box");
    QVERIFY(main_->Notice()->isVisible());
    QVERIFY2(main_->Notice()->Label()->text().contains("result.png"), qPrintable(main_->Notice()->Label()->text()));
    const cv::Mat written = cv::imread(target);
    QCOMPARE(written.cols, 200);
    QCOMPARE(written.rows, 200);
    QCOMPARE(main_->DefaultOutputFile(), QString::fromStdString(target));
    QCOMPARE(doc_->HistorySize(), 1);
}

void ShellGuiTest::exportOfABackgroundTemplateWaitsForItsResult()
{
    SelectTestTemplate("Slow", true);
    bool opened = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (CDlgExport* dlg = main_->ExportDialog()) {
            opened = true;
            // The full-size result is there by the time the dialog opens.
            const bool fullSize = dlg->SizeNote()->text().contains(QString::fromUtf8("512 × 512"));
            dlg->reject();
            QVERIFY(!doc_->IsRendering());
            QVERIFY(fullSize);
        }
    });
    poll.start(10);
    main_->Command(tool::Export);
    QTRY_VERIFY_WITH_TIMEOUT(opened, 10000);
    QCOMPARE(doc_->HistorySize(), 1);
}

void ShellGuiTest::exportDialogRules()
{
    SelectTestTemplate("Rules");
    doc_->RenderFull();
    CDlgExport dlg(*doc_, QString::fromStdString(dir_->path() + "/picture.bmp"), main_.get());
    dlg.KeepOpenCheck()->setChecked(true);
    QCOMPARE(dlg.FormatBox()->currentText(), QString("BMP"));  // the name says which format
    MessageLog log;
    log.Install();
    // A path that names no folder is refused before anything is written.
    dlg.PathEdit()->setText("picture.png");
    dlg.Save();
    QVERIFY(log.Saw("The Output path is invalid."));
    dlg.PathEdit()->setText(QString::fromStdString(dir_->path() + "/picture.bmp"));
    dlg.Save();
    const std::string bmp = dir_->path() + "/picture.bmp";
    QVERIFY(std::filesystem::exists(bmp));
    const auto size = std::filesystem::file_size(bmp);
    QCOMPARE(dlg.result(), 0);  // kept open: the save did not accept the dialog
    QVERIFY(dlg.Notice()->isVisibleTo(&dlg));
    log.texts.clear();
    log.answer = QMessageBox::Cancel;
    dlg.LongSideBox()->setValue(50);
    dlg.LongSideRadio()->click();
    dlg.Save();
    QCOMPARE(log.texts.size(), 1);
    QVERIFY(log.Saw("already exists"));
    QCOMPARE(std::filesystem::file_size(bmp), size);
}

void ShellGuiTest::failedSaveIsReported()
{
    SelectTestTemplate("Fails");
    doc_->RenderFull();
    std::ofstream(dir_->path() + "/blocker") << "x";
    CDlgExport dlg(*doc_, QString::fromStdString(dir_->path() + "/blocker/inside.jpg"), main_.get());
    MessageLog log;
    log.Install();
    dlg.Save();
    QVERIFY(log.Saw("Save image failed!"));
}

void ShellGuiTest::escapeAsksBeforeQuitting()
{
    MessageLog log;
    log.answer = QMessageBox::Cancel;
    log.Install();
    QTest::keyClick(main_.get(), Qt::Key_Escape);
    QVERIFY(log.Saw("Are you sure you want to quit?"));
    QVERIFY(main_->isVisible());
    log.answer = QMessageBox::Ok;
    QTest::keyClick(main_->Work()->Preview(), Qt::Key_Escape);  // from a child, too
    QVERIFY(!main_->isVisible());
}

void ShellGuiTest::escapeWhileExportingDoesNotAsk()
{
    SelectTestTemplate("Escape");
    MessageLog log;
    log.answer = QMessageBox::Ok;
    log.Install();
    QVERIFY(ExportThrough([&](CDlgExport& dlg) {
        QTest::keyClick(main_.get(), Qt::Key_Escape);
        dlg.reject();
    }));
    QVERIFY(!log.Saw("quit"));
    QVERIFY(main_->isVisible());
}

void ShellGuiTest::originalImageViewRotatesAndCrops()
{
    platform::Send(main_->Work()->WindowId(), platform::msg::ToolbarCommand, worktab::OriginalMode, 0);
    QCOMPARE(main_->Work()->CurrentMode(), CImageProcessDlg::Mode::Original);
    COriginImgShowWnd* view = main_->Work()->OriginalView();
    QVERIFY(view->isVisible());
    QVERIFY(main_->Work()->OriginalOptions()->isVisible());
    // The tool bar offers rotation in this mode.
    bool rotate = false;
    for (const controls::ToolItem& it : main_->ToolBar()->Items()) rotate |= it.command == tool::RotateLeft;
    QVERIFY(rotate);
    main_->Work()->OriginalOptions()->Button(i18n::ui::ctl::OrgRotateLeft)->click();
    QCOMPARE(doc_->PhotoAt(0).rotation, 1);
    main_->Command(tool::RotateRight);
    QCOMPARE(doc_->PhotoAt(0).rotation, 0);
    // Drag the clip box's left edge to the right.
    guitest::Drain();
    const ViewRect photo = view->PhotoRect();
    const QPoint left(photo.left + 1, (photo.top + photo.bottom) / 2);
    SendMouse(view, QEvent::MouseButtonPress, left, Qt::LeftButton);
    SendMouse(view, QEvent::MouseMove, left + QPoint(photo.Width() / 4, 0), Qt::LeftButton);
    SendMouse(view, QEvent::MouseButtonRelease, left + QPoint(photo.Width() / 4, 0), Qt::NoButton);
    QVERIFY(doc_->PhotoAt(0).crop[0] > 0.2f);
    QVERIFY(doc_->PhotoAt(0).crop[0] + doc_->PhotoAt(0).crop[2] > 0.99f);
    platform::Send(main_->Work()->WindowId(), platform::msg::ToolbarCommand, worktab::TemplateMode, 0);
    QCOMPARE(main_->Work()->CurrentMode(), CImageProcessDlg::Mode::Template);
}

void ShellGuiTest::switchingTheLanguageRetranslates()
{
    const std::vector<i18n::LanguageEntry> table = i18n::Languages().LanguageTable();
    int german = -1, english = -1;
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].fileName == "lang_deu.ini") german = static_cast<int>(i);
        if (table[i].fileName == "lang_eng.ini") english = static_cast<int>(i);
    }
    if (german < 0 || english < 0) QSKIP("the German and English language files are not staged");
    SelectTestTemplate("Language");
    const QString addImage = main_->ToolBar()->Items()[0].text;
    const QString tab = main_->Work()->ModeTabs()->Items()[0].text;
    auto* pane = qobject_cast<COptionPane2D*>(main_->Work()->OperationPanel()->Pane());
    const QString clip = pane->ClipBox()->text();
    main_->MenuCommand(menu::FirstLanguage + german);
    QVERIFY(main_->ToolBar()->Items()[0].text != addImage);
    QVERIFY(main_->Work()->ModeTabs()->Items()[0].text != tab);
    QVERIFY(pane->ClipBox()->text() != clip);
    QVERIFY(!GrimazeSettings().languageAuto);
    QCOMPARE(QString::fromStdString(GrimazeSettings().language), QString("lang_deu.ini"));
    main_->MenuCommand(menu::FirstLanguage + english);
    QCOMPARE(main_->ToolBar()->Items()[0].text, addImage);
    QCOMPARE(pane->ClipBox()->text(), clip);
}

void ShellGuiTest::wizardOpensAddImagesAndCloses()
{
    CWizardWnd* wizard = main_->Work()->Wizard();
    QVERIFY(wizard->isVisible());
    Click(wizard, wizard->CloseBoxRect().center());
    guitest::Drain();
    QVERIFY(!main_->Work()->WizardShown());
    QVERIFY(main_->Work()->Preview()->isVisible());
}

// --- The gallery ------------------------------------------------------------------------------

void GalleryGuiTest::init()
{
    QVERIFY(Open(Page::Gallery));
}

void GalleryGuiTest::cleanup() { Close(); }

void GalleryGuiTest::clickingAGalleryCellMakesItsTemplateCurrent()
{
    auto* page = qobject_cast<CProcessProp*>(main_->Work()->Page());
    QVERIFY(page);
    if (page->CategoryCount() == 0) QSKIP("the template library is not staged");
    QCOMPARE(main_->Work()->CategoryBar()->Items().size(), size_t(page->CategoryCount()));
    const library::PaintPlan plan = page->Model()->BuildPaintPlan();
    QVERIFY(!plan.cells.empty());
    const auto& r = plan.cells[0].rect;
    Click(page->Gallery(), QPoint(r.x + r.width / 2, r.y + r.height / 2));
    guitest::Drain();
    QVERIFY(doc_->CurrentTemplate());
    QCOMPARE(doc_->CurrentTemplate(), page->Template());
    QVERIFY(!main_->Work()->WizardShown());
    QVERIFY(main_->Work()->Preview()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!doc_->ShownResult().empty() && !main_->Work()->Preview()->Busy(), 10000);
    QVERIFY(main_->Work()->OperationPanel()->Pane());
    QVERIFY(main_->ExportEnabled());
    QCOMPARE(page->Model()->CurrentSelection(), 0);
    // A second cell replaces the template; its pane replaces the first one's.
    const auto& r2 = plan.cells[1].rect;
    Click(page->Gallery(), QPoint(r2.x + r2.width / 2, r2.y + r2.height / 2));
    guitest::Drain();
    QCOMPARE(page->Model()->CurrentSelection(), 1);
    QCOMPARE(main_->Work()->OperationPanel()->findChildren<COptionPaneBase*>(QString(), Qt::FindDirectChildrenOnly).size(),
             1);
}

void GalleryGuiTest::galleryThumbnailsAreRenderedFromThePhoto()
{
    auto* page = qobject_cast<CProcessProp*>(main_->Work()->Page());
    if (!page || page->CategoryCount() == 0) QSKIP("the template library is not staged");
    QVERIFY(page->Worker()->WaitForIdle(20000));
    guitest::Drain();
    const library::PaintPlan plan = page->Model()->BuildPaintPlan();
    QVERIFY(!plan.cells.empty());
    // The first visible thumbnail shows the photo, not the white placeholder.
    const cv::Mat thumb = plan.cells[0].thumbnail;
    QVERIFY(!thumb.empty());
    QVERIFY(Mean(thumb) < 250);
    // Every category's thumbnails are made once it is shown, also after the photo changed.
    testenv::TempDir dir;
    cv::imwrite(dir / "photo.png", Solid(300, 200, 60));
    main_->AddFiles({QString::fromStdString(dir / "photo.png")});
    for (int c = 1; c < page->CategoryCount(); ++c) {
        platform::Send(main_->Work()->WindowId(), platform::msg::ToolbarCommand, c, 0);
        QVERIFY(page->Worker()->WaitForIdle(20000));
        guitest::Drain();
        for (const auto& cell : page->Model()->BuildPaintPlan().cells)
            QVERIFY2(Mean(cell.thumbnail) < 250, cell.label.c_str());
    }
}

void GalleryGuiTest::categoriesHideAndScroll()
{
    auto* page = qobject_cast<CProcessProp*>(main_->Work()->Page());
    if (!page || page->CategoryCount() < 2) QSKIP("the template library is not staged");
    platform::Send(main_->Work()->WindowId(), platform::msg::ToolbarCommand, 1, 0);
    QCOMPARE(page->CurrentCategory(), 1);
    QCOMPARE(main_->Work()->CategoryBar()->Current(), 1);
    platform::Send(main_->Work()->WindowId(), platform::msg::ToolbarCommand, 0, 0);
    QCOMPARE(page->CurrentCategory(), 0);
    // The wheel scrolls the gallery without waiting for thumbnails.
    CFilterList* gallery = page->Gallery();
    const int before = page->Model()->ScrollOffset();
    QWheelEvent down(QPointF(100, 100), QPointF(gallery->mapToGlobal(QPoint(100, 100))), QPoint(), QPoint(0, -120 * 3),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QElapsedTimer t;
    t.start();
    QApplication::sendEvent(gallery, &down);
    QVERIFY(t.elapsed() < 50);
    if (page->Model()->MaxScroll() > 0) QVERIFY(page->Model()->ScrollOffset() > before);
}

void GalleryGuiTest::originalModeStaysWhilePhotosChange()
{
    auto* page = qobject_cast<CProcessProp*>(main_->Work()->Page());
    if (!page || page->CategoryCount() == 0) QSKIP("the template library is not staged");
    const library::PaintPlan plan = page->Model()->BuildPaintPlan();
    const auto& r = plan.cells[0].rect;
    Click(page->Gallery(), QPoint(r.x + r.width / 2, r.y + r.height / 2));
    guitest::Drain();
    doc_->WaitForRendering();
    guitest::Drain();
    platform::Send(main_->Work()->WindowId(), platform::msg::ToolbarCommand, worktab::OriginalMode, 0);
    CPhotoList* strip = main_->Work()->PhotoList();
    Click(strip, strip->CellRect(1).center());
    guitest::Drain();
    QCOMPARE(main_->Work()->CurrentMode(), CImageProcessDlg::Mode::Original);
    QCOMPARE(main_->Work()->OriginalView()->ShownIndex(), 1);
    // Back in template mode the template works on the photo picked meanwhile.
    const cv::Mat before = doc_->ShownResult();
    platform::Send(main_->Work()->WindowId(), platform::msg::ToolbarCommand, worktab::TemplateMode, 0);
    guitest::Drain();
    doc_->WaitForRendering();
    guitest::Drain();
    QCOMPARE(main_->Work()->CurrentMode(), CImageProcessDlg::Mode::Template);
    QCOMPARE(doc_->SelectionIndices(), std::vector<int>{1});
    QVERIFY(doc_->ShownResult().data != before.data);
}

void GalleryGuiTest::templateTimersTurnThe3DModel()
{
    auto* page = qobject_cast<CProcessProp*>(main_->Work()->Page());
    if (!page) QSKIP("no template page");
    int category = -1;
    for (int c = 0; c < page->CategoryCount(); ++c)
        if (page->CategoryName(c).contains("3D")) category = c;
    if (category < 0) QSKIP("no 3D templates are staged");
    platform::Send(main_->Work()->WindowId(), platform::msg::ToolbarCommand, category, 0);
    const library::PaintPlan plan = page->Model()->BuildPaintPlan();
    if (plan.cells.empty()) QSKIP("no 3D templates are staged");
    const auto& r = plan.cells[0].rect;
    Click(page->Gallery(), QPoint(r.x + r.width / 2, r.y + r.height / 2));
    guitest::Drain();
    doc_->WaitForRendering();
    guitest::Drain();
    CEffectTemplate* t = doc_->CurrentTemplate();
    QVERIFY(t);
    const cv::Mat still = doc_->ShownResult().clone();
    t->ParamCommand(500, main_->Work()->Preview()->WindowId(), 0, nullptr);  // start turning
    // The turned picture differs from the still one (in its pixels, or in its size when the
    // view was laid out anew meanwhile).
    const auto changed = [&] {
        const cv::Mat now = doc_->ShownResult();
        return !now.empty() && (now.size() != still.size() || cv::norm(now, still, cv::NORM_L1) > 0);
    };
    QTRY_VERIFY_WITH_TIMEOUT(changed(), 5000);
    t->ParamCommand(600, main_->Work()->Preview()->WindowId(), 0, nullptr);  // stop
    guitest::Drain();
}

void GalleryGuiTest::expressionTemplateExportsAGif()
{
    auto* page = qobject_cast<CProcessProp*>(main_->Work()->Page());
    if (!page) QSKIP("no template page");
    // Find an expression template anywhere in the gallery.
    bool found = false;
    for (int c = 0; c < page->CategoryCount() && !found; ++c) {
        platform::Send(main_->Work()->WindowId(), platform::msg::ToolbarCommand, c, 0);
        for (const auto& cell : page->Model()->BuildPaintPlan().cells) {
            Click(page->Gallery(), QPoint(cell.rect.x + cell.rect.width / 2, cell.rect.y + cell.rect.height / 2));
            guitest::Drain();
            doc_->WaitForRendering();
            guitest::Drain();
            if (doc_->CurrentTemplate() && doc_->CurrentTemplate()->IsExpression()) {
                found = true;
                break;
            }
        }
    }
    if (!found) QSKIP("no expression template is staged");
    // Its tool button is on the tool bar.
    bool button = false;
    for (const controls::ToolItem& it : main_->ToolBar()->Items()) button |= it.command >= tool::TemplateButtonBase;
    QVERIFY(button);

    testenv::TempDir dir;
    const std::string target = dir / "face.jpg";
    MessageLog log;
    log.Install();
    QVERIFY(ExportThrough([&](CDlgExport& dlg) {
        QVERIFY(dlg.GifRadio()->isEnabled());
        dlg.PathEdit()->setText(QString::fromStdString(target));
        dlg.GifRadio()->click();
        QVERIFY(dlg.PathEdit()->text().endsWith("face.gif"));
        QVERIFY(dlg.WidthEdit()->text().toInt() <= 300 && dlg.HeightEdit()->text().toInt() <= 300);
        dlg.Save();
        if (dlg.isVisible()) dlg.reject();  // a save closes it; a failed one does not
    }, 20000));
    QTRY_VERIFY(!main_->ExportDialog());
    if (log.Saw("Export gif file failed!")) QSKIP("no face was found on the sample photo for the animation");
    QVERIFY(main_->Notice()->Label()->text().contains("face.gif"));
    std::string bytes;
    QVERIFY(platform::ReadFile(dir / "face.gif", bytes, 64 << 20));
    QVERIFY(bytes.rfind("GIF8", 0) == 0);
}
