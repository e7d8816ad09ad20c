#include "controls/QtNotify.h"
#include "controls/Skin.h"
#include "controls/ToolBar.h"
#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"
#include "i18n/LanguageManager.h"
#include "i18n/UiIds.h"
#include "platform/testing/TestEnv.h"
#include "shell/OptionPane.h"
#include "shell/OptionPane2D.h"
#include "shell/PhotoList.h"
#include "shell/PhotoEditPreviewWnd.h"
#include "shell/Translation.h"
#include "shell/WizardWnd.h"
#include "shell/tests/GuiTestSupport.h"
#include "shell/tests/GuiTests.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

using namespace engine;

using namespace shell;

namespace {

// A window that records what reaches it and on which thread.
class Probe final : public QWidget, public controls::NotifyTarget {
public:
    Probe() : controls::NotifyTarget(this) {}
    std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t) override
    {
        codes.push_back(code);
        args.push_back(static_cast<int>(a));
        onInterfaceThread &= QThread::currentThread() == qApp->thread();
        return a * 2;
    }
    void OnTimer(int id) override { ticks.push_back(id); }
    std::vector<int> codes, args, ticks;
    bool onInterfaceThread = true;
};

}  // namespace

void PartsGuiTest::notificationsFromWorkersArriveInOrderOnTheInterfaceThread()
{
    Probe probe;
    const platform::WindowId id = probe.WindowId();
    std::thread worker([id] {
        for (int i = 0; i < 200; ++i) platform::Post(id, 3000, i, 0);
    });
    worker.join();
    guitest::Drain();
    QCOMPARE(probe.codes.size(), size_t(200));
    for (int i = 0; i < 200; ++i) QCOMPARE(probe.args[i], i);
    QVERIFY(probe.onInterfaceThread);
    QCOMPARE(controls::QtNotificationSink::Instance().Pending(), 0);
}

void PartsGuiTest::notificationsForGoneWindowsAreDropped()
{
    platform::WindowId id = 0;
    {
        Probe gone;
        id = gone.WindowId();
        platform::Post(id, 3001, 1, 0);
        platform::SetTimer(id, 7, 5);
    }
    Probe next;
    QVERIFY(next.WindowId() != id);  // ids are never reused
    platform::Post(id, 3001, 2, 0);
    guitest::Drain();
    QTest::qWait(30);
    QVERIFY(next.codes.empty());
    QVERIFY(next.ticks.empty());
}

void PartsGuiTest::timersTickUntilKilled()
{
    Probe probe;
    platform::SetTimer(probe.WindowId(), 5, 10);
    QTRY_VERIFY(probe.ticks.size() >= 3);
    platform::KillTimer(probe.WindowId(), 5);
    guitest::Drain();
    const size_t n = probe.ticks.size();
    QTest::qWait(60);
    QCOMPARE(probe.ticks.size(), n);
    // Set from a worker, it still ticks on the interface thread.
    std::thread([id = probe.WindowId()] { platform::SetTimer(id, 6, 10); }).join();
    QTRY_VERIFY(std::find(probe.ticks.begin(), probe.ticks.end(), 6) != probe.ticks.end());
    platform::KillTimer(probe.WindowId(), 6);
}

void PartsGuiTest::sendAnswersOnTheInterfaceThread()
{
    Probe probe;
    QCOMPARE(platform::Send(probe.WindowId(), 3002, 21, 0), std::intptr_t(42));
    QCOMPARE(probe.codes, std::vector<int>{3002});
    // From a worker, Send cannot wait for the interface thread: it posts and answers 0.
    std::intptr_t answer = -1;
    std::thread([&] { answer = platform::Send(probe.WindowId(), 3003, 1, 0); }).join();
    QCOMPARE(answer, std::intptr_t(0));
    guitest::Drain();
    QCOMPARE(probe.codes.back(), 3003);
}

void PartsGuiTest::translationUsesBuiltInTextsThenTheLanguageFile()
{
    QWidget dialog;
    auto* keep = new QCheckBox("keep", &dialog);
    keep->setProperty(kControlIdProperty, i18n::ui::ctl::ExportKeepAspect);
    auto* unknown = new QLabel("mine", &dialog);
    unknown->setProperty(kControlIdProperty, 4242);
    i18n::Languages().Use("lang_eng.ini");
    TranslateWidget(&dialog, i18n::ui::dlg::Export);
    QCOMPARE(keep->text(), QString("Keep the aspect ratio of the original image"));
    QCOMPARE(unknown->text(), QString("mine"));  // no text anywhere: it keeps its own
    QCOMPARE(dialog.windowTitle(), QString("Export"));
    if (!i18n::Languages().Use("lang_deu.ini")) QSKIP("the German language file is not staged");
    TranslateWidget(&dialog, i18n::ui::dlg::Export);
    QVERIFY(keep->text() != QString("Keep the aspect ratio of the original image"));
    i18n::Languages().Use("lang_eng.ini");
    TranslateWidget(&dialog, i18n::ui::dlg::Export);
    QCOMPARE(keep->text(), QString("Keep the aspect ratio of the original image"));
}

void PartsGuiTest::menuTranslationWalksPopups()
{
    QMenu menu;
    QMenu* file = menu.addMenu("x");
    QAction* open = file->addAction("x");
    open->setData(i18n::ui::cmd::OpenImages);
    file->addSeparator();
    QAction* exit = file->addAction("x");
    exit->setData(i18n::ui::cmd::Exit);
    MenuTranslation walk(&menu);
    QCOMPARE(walk.ItemCount(), 1);
    QCOMPARE(walk.ItemId(0), -1);
    QVERIFY(walk.SubMenu(0));
    QCOMPARE(walk.SubMenu(0)->ItemId(1), 0);  // the separator
    i18n::Languages().Use("lang_eng.ini");
    TranslateMenu(&menu, true);
    QCOMPARE(open->text(), QString("Open Images..."));
    QCOMPARE(exit->text(), QString("Exit"));
    QCOMPARE(file->title(), QString("File"));
}

void PartsGuiTest::tabBarWrapsIntoEvenRows()
{
    controls::CTabBar bar;
    std::vector<controls::TabItem> items;
    for (int i = 0; i < 5; ++i) items.push_back({i, QString("Category number %1").arg(i), {}, 0});
    bar.SetItems(items);
    bar.show();  // a hidden widget hears of its size only when shown
    bar.resize(2000, 40);
    QCOMPARE(bar.HeightFor(2000), controls::CTabBar::kRowHeight);
    const int narrow = 420;
    const int rows = bar.HeightFor(narrow) / controls::CTabBar::kRowHeight;
    QVERIFY(rows >= 2);
    bar.resize(narrow, bar.HeightFor(narrow));
    // Every tab lies inside the bar, none overlaps another, and rows differ by one tab at most.
    std::map<int, int> perRow;
    for (int i = 0; i < 5; ++i) {
        const QRect r = bar.TabRect(i);
        QVERIFY(bar.rect().contains(r));
        ++perRow[r.top()];
        for (int j = 0; j < i; ++j) QVERIFY(!r.intersects(bar.TabRect(j)));
    }
    int lo = 5, hi = 0;
    for (auto [top, n] : perRow) lo = std::min(lo, n), hi = std::max(hi, n);
    QVERIFY(hi - lo <= 1);
}

void PartsGuiTest::squeezedTabsShrinkTheirFontBeforeCutting()
{
    // The photo strip's two tabs in German: wider than the strip at the usual size.
    controls::CTabBar bar;
    bar.SetWrap(false);
    bar.SetCompact(true);
    bar.SetItems({{1, "Fotos", {}, 0}, {2, "Ergebnisse", {}, 0}});
    bar.show();
    bar.resize(400, controls::CTabBar::kRowHeight);
    const int usual = bar.LabelFont().pixelSize();
    bar.resize(112, controls::CTabBar::kRowHeight);
    const QFont squeezed = bar.LabelFont();
    QVERIFY(squeezed.pixelSize() < usual);
    QVERIFY(squeezed.pixelSize() >= 9);
    const QFontMetrics m(squeezed);
    for (int i = 0; i < 2; ++i)
        QVERIFY(m.horizontalAdvance(bar.Items()[i].text) <= bar.TabRect(i).width() - 4);
    // Far too narrow even for the smallest size: it stops at 9 pixels (and the labels are cut).
    bar.resize(40, controls::CTabBar::kRowHeight);
    QCOMPARE(bar.LabelFont().pixelSize(), 9);
}

void PartsGuiTest::toolBarFallsBackToIconsWhenLabelsDoNotFit()
{
    controls::CFlexToolBar bar;
    std::vector<controls::ToolItem> items;
    for (int i = 0; i < 6; ++i) {
        controls::ToolItem it;
        it.command = i;
        it.icon = controls::img::IconZoomIn;
        it.text = "A rather long label";
        items.push_back(it);
    }
    bar.SetItems(items);
    bar.show();
    bar.resize(2000, 44);
    QVERIFY(!bar.IconsOnly());
    bar.resize(400, 44);
    QVERIFY(bar.IconsOnly());
    for (int i = 0; i < 6; ++i) QVERIFY(bar.rect().contains(bar.ButtonRect(i)));
}

void PartsGuiTest::paneOfAReleasedTemplateIsDeletedByItsContainer()
{
    testenv::TempDir dir;
    CPhotoDocument doc;
    const std::string folder = guitest::WriteShiftTemplate(dir.path(), "Pane");
    RefPtr<CEffectTemplate> t = OpenTemplate(folder, &doc);
    QVERIFY(t);
    COperationPanel panel;
    panel.resize(500, 90);
    panel.SetPane(t->CreatePane(1));
    QPointer<COptionPaneWidget> pane = panel.Pane();
    QVERIFY(pane);
    QCOMPARE(pane->parentWidget(), &panel);
    // The template goes first: the pane stays shown but no longer reaches it...
    t.reset();
    QVERIFY(pane);
    QVERIFY(!pane->Template());
    auto* pane2d = qobject_cast<COptionPane2D*>(pane.data());
    pane2d->Slider(0)->setValue(50);  // nothing to drive, nothing breaks
    guitest::Drain();
    // ...and the container deletes it when it lets it go.
    panel.SetPane(nullptr);
    QVERIFY(!pane);
}

void PartsGuiTest::previewMessagesSpinnerAndActivation()
{
    CPhotoDocument doc;
    Probe owner, main;
    CPhotoEditPreviewWnd preview(doc);
    preview.resize(400, 300);
    preview.SetMainWindow(main.WindowId());
    preview.SetOwner(owner.WindowId());
    preview.SetTemplateNameSource([] { return QString("Downpour"); });
    preview.show();
    platform::Post(preview.WindowId(), platform::msg::OnlineTemplateMessage, 1, 0);
    guitest::Drain();
    QCOMPARE(preview.CurrentMessage(), CPhotoEditPreviewWnd::Message::OnlineTemplate);
    QTest::mouseDClick(&preview, Qt::LeftButton, {}, QPoint(200, 150));
    guitest::Drain();
    QCOMPARE(owner.codes, std::vector<int>{platform::msg::ActivateCurrentEntry});
    platform::Post(preview.WindowId(), platform::msg::OnlineTemplateMessage, 2, 0);
    guitest::Drain();
    QCOMPARE(preview.CurrentMessage(), CPhotoEditPreviewWnd::Message::DownloadFailed);
    // Busy: the spinner turns (after a blink); result-ready stops it and tells the main window.
    const QImage idle = preview.grab().toImage();
    platform::Post(preview.WindowId(), platform::msg::Busy, 0, 0);
    guitest::Drain();
    QVERIFY(preview.Busy());
    QCOMPARE(preview.CurrentMessage(), CPhotoEditPreviewWnd::Message::None);
    preview.HoldBusy(true);  // as a worker would: the spinner must not stop by itself
    QTest::qWait(CPhotoEditPreviewWnd::kBlinkMs + 60);
    const QImage spinning = preview.grab().toImage();
    QVERIFY(spinning != idle);
    QTest::qWait(30);
    QVERIFY(preview.grab().toImage() != spinning);  // it turns
    preview.HoldBusy(false);
    platform::Post(preview.WindowId(), platform::msg::ResultReady, 5, 0);
    guitest::Drain();
    QVERIFY(!preview.Busy());
    QVERIFY(std::find(main.codes.begin(), main.codes.end(), platform::msg::MainResultReady) != main.codes.end());
    QCOMPARE(main.args.back(), 5);
}

void PartsGuiTest::wizardAsksForPhotosOrCloses()
{
    Probe main;
    CWizardWnd wizard;
    wizard.SetMainWindow(main.WindowId());
    wizard.resize(700, 450);
    QTest::mouseClick(&wizard, Qt::LeftButton, {}, wizard.PictureRect().center());
    QTest::mouseClick(&wizard, Qt::LeftButton, {}, wizard.CloseBoxRect().center());
    QTest::mouseClick(&wizard, Qt::LeftButton, {}, QPoint(2, 2));  // outside the picture: nothing
    guitest::Drain();
    QCOMPARE(main.codes, (std::vector<int>{platform::msg::OpenAddImages, platform::msg::HideWizard}));
}

void PartsGuiTest::resultStripAddsAndDeletesResults()
{
    testenv::TempDir dir;
    CPhotoDocument doc;
    const std::string folder = guitest::WriteShiftTemplate(dir.path(), "Results", false, false);
    RefPtr<CEffectTemplate> t = OpenTemplate(folder, &doc);
    PhotoRecord photo;
    photo.image = cv::Mat(60, 80, CV_8UC3, cv::Scalar::all(90));
    photo.crop_px = cv::Rect(0, 0, 80, 60);
    doc.InsertPhoto(0, photo);
    doc.SelectPhoto(0);
    doc.SetCurrentTemplate(t.get());
    doc.RenderFull();
    doc.RenderFull();
    QCOMPARE(doc.HistorySize(), 2);
    CPhotoList strip(doc);
    strip.resize(124, 400);
    strip.SetMode(CPhotoList::Results);
    strip.Refresh();
    QTest::mouseClick(&strip, Qt::LeftButton, {}, strip.CellRect(1).center());
    QCOMPARE(strip.ResultCurrent(), 1);
    strip.AddResultToInputs();
    QCOMPARE(doc.PhotoCount(), 2);
    QVERIFY(doc.PhotoAt(0).path.empty());
    QCOMPARE(doc.PhotoAt(0).image.size(), doc.HistoryAt(0).size());
    strip.DeleteResult();
    QCOMPARE(doc.HistorySize(), 1);
    QCOMPARE(strip.ResultCurrent(), 0);
    strip.SetMode(CPhotoList::Inputs);
    QCOMPARE(doc.SelectionIndices(), std::vector<int>{1});  // the selected photo moved down
}
