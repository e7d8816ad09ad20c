// SPDX-License-Identifier: MIT
#include "shell/tests/WorkflowGuiTests.h"

#include "controls/ToolBar.h"
#include "engine/PhotoDocument.h"
#include "engine/SimpleTemplate.h"
#include "face/CT_Face.h"
#include "frames/CT_Frame.h"
#include "library/GalleryModel.h"
#include "mesh3d/CT_3DMesh.h"
#include "platform/Files.h"
#include "platform/testing/TestEnv.h"
#include "settings/GrimazeSettings.h"
#include "shell/Messages.h"
#include "shell/OptionPane.h"
#include "shell/OptionPane2D.h"
#include "shell/OptionPane3D.h"
#include "shell/OptionPaneChgFace.h"
#include "shell/OptionPaneExpression.h"
#include "shell/PhotoList.h"
#include "shell/PhotoEditPreviewWnd.h"
#include "shell/FilterList.h"
#include "shell/ProcessProp.h"
#include "shell/ShellIds.h"
#include "shell/ImageProcessDlg.h"
#include "shell/tests/GuiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QMenu>
#include <QScreen>
#include <QTest>

#include <opencv2/imgcodecs.hpp>

#include <fstream>

using namespace engine;
using namespace face;
using namespace frames;
using namespace mesh3d;
using namespace settings;

using namespace shell;
using guitest::SendMouse;

namespace {

/** The messages of this program's new user, who says no to every question. */
struct MessageLog : guitest::MessageLog {
    MessageLog() : guitest::MessageLog(QMessageBox::Cancel) {}
};

CProcessProp* TemplatePage(CGrimazeDlg& main) { return qobject_cast<CProcessProp*>(main.Work()->Page()); }

bool HasTemplateButtons(CGrimazeDlg& main)
{
    for (const controls::ToolItem& it : main.ToolBar()->Items())
        if (it.command >= tool::TemplateButtonBase || it.command == tool::ControlPanel) return true;
    return false;
}

template <class Pane>
Pane* ShownPane(CGrimazeDlg& main)
{
    return dynamic_cast<Pane*>(main.Work()->OperationPanel()->Pane());
}

}  // namespace

void WorkflowGuiTest::init()
{
    QVERIFY(Open(Page::Gallery));
}

void WorkflowGuiTest::cleanup() { Close(); }

void WorkflowGuiTest::WaitForResult()
{
    guitest::Drain();
    doc_->WaitForRendering();
    guitest::Drain();
}

// --- Photos that fail to open ------------------------------------------------------------------

void WorkflowGuiTest::photosThatFailToOpenAreNotAdded()
{
    testenv::TempDir dir;
    std::ofstream(dir / "letter.jpg") << "Dear photo editor, this is not a picture.";
    std::ofstream(dir / "empty.png");
    std::string jpeg;
    QVERIFY(platform::ReadFile(testenv::ProgramDir() + "/media/Images/default/Default1.jpg", jpeg, 64 << 20));
    std::ofstream(dir / "cut.jpg", std::ios::binary) << jpeg.substr(0, 600);
    cv::imwrite(dir / "good.png", cv::Mat(120, 160, CV_8UC3, cv::Scalar(10, 200, 30)));

    QVERIFY(PickTemplate("Oil Paint") || PickTemplate("Emboss"));
    const int photos = doc_->PhotoCount();
    const std::vector<int> selection = doc_->SelectionIndices();
    const std::string shownPath = doc_->PhotoAt(selection.front()).path;
    const cv::Mat shown = doc_->ShownResult();
    MessageLog log;
    log.Install();

    main_->AddFiles({QString::fromStdString(dir / "letter.jpg"), QString::fromStdString(dir / "empty.png"),
                     QString::fromStdString(dir / "cut.jpg")});
    WaitForResult();
    // Nothing joined the strip; the selection and the preview stay on the photo shown before.
    QCOMPARE(doc_->PhotoCount(), photos);
    QCOMPARE(doc_->PhotoAt(doc_->SelectionIndices().front()).path, shownPath);
    QCOMPARE(doc_->ShownResult().data, shown.data);
    // One message names every file with its reason as a sentence.
    QCOMPARE(log.texts.size(), 1);
    const QStringList lines = log.texts.front().split('\n');
    QCOMPARE(lines.size(), 4);
    for (const char* name : {"letter.jpg", "empty.png", "cut.jpg"}) {
        const auto line = std::find_if(lines.begin() + 1, lines.end(), [&](const QString& l) { return l.startsWith(name); });
        QVERIFY2(line != lines.end(), name);
        const QString reason = line->mid(line->indexOf(": ") + 2);
        QVERIFY2(reason.size() > 3 && reason[0].isUpper() && reason.endsWith('.'), qPrintable(*line));
    }

    // A good photo among bad ones is added and shown; the bad ones are still not.
    log.texts.clear();
    main_->AddFiles({QString::fromStdString(dir / "empty.png"), QString::fromStdString(dir / "good.png")});
    WaitForResult();
    QCOMPARE(doc_->PhotoCount(), photos + 1);
    QCOMPARE(QString::fromStdString(doc_->PhotoAt(0).path), QString::fromStdString(dir / "good.png"));
    QCOMPARE(doc_->SelectionIndices(), std::vector<int>{0});
    QCOMPARE(log.texts.size(), 1);
    QVERIFY(log.texts.front().contains("empty.png"));
    QVERIFY(!log.texts.front().contains("good.png"));
    // Every entry of the strip has a thumbnail that is not black.
    main_->Work()->PhotoList()->StartThumbnails();
    for (int i = 0; i < doc_->PhotoCount(); ++i)
        QTRY_VERIFY_WITH_TIMEOUT(!doc_->PhotoAt(i).thumbnail.empty() && cv::mean(doc_->PhotoAt(i).thumbnail)[1] > 5, 10000);
}

// --- The result history ---------------------------------------------------------------------

void WorkflowGuiTest::historyStepLeavesNoStaleTemplate()
{
    if (!PickTemplate("Oil Paint") && !PickTemplate("Emboss")) QSKIP("the template library is not staged");
    CProcessProp* page = TemplatePage(*main_);
    QVERIFY(main_->Work()->OperationPanel()->Pane());
    doc_->RenderFull();
    doc_->RenderFull();
    QCOMPARE(doc_->HistorySize(), 2);

    main_->Undo();
    // The window agrees with the document: no template is current, so none is highlighted,
    // no pane offers its settings and the tool bar has none of its buttons.
    QVERIFY(!doc_->CurrentTemplate());
    QCOMPARE(doc_->ShownResult().data, doc_->HistoryAt(0).data);
    QVERIFY(!page->Template());
    QCOMPARE(page->Model()->CurrentSelection(), -1);
    QVERIFY(!main_->Work()->OperationPanel()->Pane());
    QVERIFY(!HasTemplateButtons(*main_));
    QVERIFY(main_->ExportEnabled());  // the result shown can still be exported

    // Picking another photo does not bring the old template back over the result.
    CPhotoList* strip = main_->Work()->PhotoList();
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->CellRect(1).center());
    WaitForResult();
    QVERIFY(!doc_->CurrentTemplate());
    QCOMPARE(doc_->ShownResult().data, doc_->HistoryAt(0).data);

    main_->Redo();
    QCOMPARE(doc_->ShownResult().data, doc_->HistoryAt(1).data);
    QVERIFY(!main_->Work()->OperationPanel()->Pane());
    QCOMPARE(page->Model()->CurrentSelection(), -1);

    // A template picked afterwards is current with its pane, as usual.
    QVERIFY(PickTemplate("Oil Paint") || PickTemplate("Emboss"));
    QVERIFY(main_->Work()->OperationPanel()->Pane());
    QVERIFY(page->Model()->CurrentSelection() >= 0);
}

void WorkflowGuiTest::resultsTabShowsAResultWithoutReapplyingTheTemplate()
{
    if (!PickTemplate("Oil Paint") && !PickTemplate("Emboss")) QSKIP("the template library is not staged");
    doc_->RenderFull();
    const cv::Mat first = doc_->HistoryAt(0).clone();
    doc_->RenderFull();
    QCOMPARE(doc_->HistorySize(), 2);
    CPhotoList* strip = main_->Work()->PhotoList();
    strip->SetMode(CPhotoList::Results);
    WaitForResult();
    // Clicking the older result shows it as it is; the template is not run over it.
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->CellRect(1).center());
    WaitForResult();
    QCOMPARE(doc_->ShownResult().data, doc_->HistoryAt(0).data);
    QCOMPARE(cv::norm(doc_->ShownResult(), first, cv::NORM_INF), 0.0);
    QVERIFY(!doc_->CurrentTemplate());
    QVERIFY(!main_->Work()->OperationPanel()->Pane());
    // A template the user picks now applies to that result.
    QVERIFY(PickTemplate("Emboss") || PickTemplate("Oil Paint"));
    QVERIFY(doc_->CurrentTemplate());
    QVERIFY(doc_->ShownResult().data != doc_->HistoryAt(0).data);
    strip->SetMode(CPhotoList::Inputs);
    WaitForResult();
}

// --- Escape ------------------------------------------------------------------------------------

void WorkflowGuiTest::escapeClosesOnlyTheOpenMenu()
{
    MessageLog log;
    log.answer = QMessageBox::Ok;  // were the question asked, the program would quit
    log.Install();
    QMenu* menu = main_->SettingsMenu();
    menu->popup(main_->mapToGlobal(QPoint(400, 30)));
    QTRY_VERIFY(menu->isVisible());
    // The key reaches the main window (the window the pointer and focus were in) while the
    // menu is open.
    QTest::keyClick(main_.get(), Qt::Key_Escape);
    QTRY_VERIFY(!menu->isVisible());
    QVERIFY(log.texts.isEmpty());
    QVERIFY(main_->isVisible());
    // The same for the language sub-menu opened from it, and for the menu itself.
    menu->popup(main_->mapToGlobal(QPoint(400, 30)));
    QTRY_VERIFY(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Escape);
    QTRY_VERIFY(!menu->isVisible());
    QVERIFY(log.texts.isEmpty());
    QVERIFY(main_->isVisible());
}

// --- The session -----------------------------------------------------------------------------

void WorkflowGuiTest::theSessionIsRememberedAndRestoredOnScreen()
{
    CProcessProp* page = TemplatePage(*main_);
    if (!page || page->CategoryCount() < 3) QSKIP("the template library is not staged");
    const CSessionSettings saved = GrimazeSettings().session;
    const QRect screen = main_->screen()->availableGeometry();
    platform::Send(main_->Work()->WindowId(), platform::msg::ToolbarCommand, 2, 0);
    const QString category = page->CategoryName(2);
    main_->setGeometry(screen.x() + 20, screen.y() + 30, 950, 560);
    main_->RememberSession();
    const CSessionSettings& s = GrimazeSettings().session;
    QCOMPARE(QRect(s.windowX, s.windowY, s.windowWidth, s.windowHeight), main_->geometry());
    QCOMPARE(QString::fromStdString(s.category), category);
    QVERIFY(!s.windowMaximised);

    // The next run opens there, on the same category.
    GrimazeSettings().session.controlPanel = false;
    NewWindow(Page::Gallery);
    main_->ShowAsRemembered();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    QCOMPARE(main_->geometry(), QRect(screen.x() + 20, screen.y() + 30, 950, 560));
    QCOMPARE(TemplatePage(*main_)->CurrentCategory(), 2);
    QVERIFY(!main_->Work()->ControlPanelPreferred());

    // A geometry from a larger screen (or a damaged file) is brought wholly onto this one.
    GrimazeSettings().session.windowX = -5000;
    GrimazeSettings().session.windowY = screen.bottom() + 300;
    GrimazeSettings().session.windowWidth = screen.width() * 2;
    GrimazeSettings().session.windowHeight = 700;
    NewWindow(Page::Gallery);
    main_->ShowAsRemembered();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    QVERIFY2(screen.contains(main_->geometry()), qPrintable(QString("%1,%2 %3x%4").arg(main_->x()).arg(main_->y())
                                                               .arg(main_->width()).arg(main_->height())));
    QVERIFY(main_->minimumWidth() <= 960 && main_->minimumHeight() <= 540);
    GrimazeSettings().session = saved;
}

// --- Frames ------------------------------------------------------------------------------------

void WorkflowGuiTest::framePaneOffersResetCornersAndAHint()
{
    if (!PickTemplate("Billboard")) QSKIP("the frame templates are not staged");
    auto* frame = dynamic_cast<CT_Frame*>(doc_->CurrentTemplate());
    QVERIFY(frame);
    auto* pane = ShownPane<COptionPane2D>(*main_);
    QVERIFY(pane);
    QVERIFY(main_->Work()->OperationPanel()->isVisible());
    // Not an empty box: the hint says what to do, and the corners can be put back.
    QVERIFY(pane->Hint()->isVisible());
    QVERIFY(pane->Hint()->text().contains("corner"));
    QVERIFY(pane->ResetButton()->isVisible());
    QCOMPARE(pane->ResetButton()->text(), QString("Reset corners"));
    QVERIFY(pane->Hint()->geometry().intersected(pane->ResetButton()->geometry()).isEmpty());
    QVERIFY(pane->rect().contains(pane->Hint()->geometry()));

    const FrameWindow original = frame->Frame().main;
    frame->Frame().main.corner[0] += cv::Point(40, 25);
    frame->Frame().main.corner[3] -= cv::Point(10, 30);
    doc_->Rerender();
    const cv::Mat moved = doc_->ShownResult().clone();
    QTest::mouseClick(pane->ResetButton(), Qt::LeftButton);
    WaitForResult();
    QVERIFY(frame->Frame().main == original);
    QVERIFY(frame->AtDefaults());
    QVERIFY(cv::norm(doc_->ShownResult(), moved, cv::NORM_L1) > 0);
}

void WorkflowGuiTest::frameCornersShowHandlesAndAreGrabbedWithinReach()
{
    if (!PickTemplate("Billboard")) QSKIP("the frame templates are not staged");
    auto* frame = dynamic_cast<CT_Frame*>(doc_->CurrentTemplate());
    QVERIFY(frame);
    CPhotoEditPreviewWnd* preview = main_->Work()->Preview();
    const qreal ratio = preview->devicePixelRatioF();
    cv::Point2d at;
    QVERIFY(frame->CornerInView(0, at));
    const QPointF corner(at.x / ratio, at.y / ratio);
    const QImage plain = preview->grab().toImage();

    // Hovering near the corner: the handles show, the near one picked out.
    SendMouse(preview, QEvent::MouseMove, corner + QPointF(7, 0), Qt::NoButton);
    QCOMPARE(frame->GripRadius(), static_cast<int>(std::lround(8 * ratio)));
    QVERIFY(frame->PointerInView());
    QCOMPARE(frame->HoveredCorner(), 0);
    const QImage hovered = preview->grab().toImage();
    QVERIFY(hovered != plain);
    // Out of reach (more than 8 logical pixels away), nothing is picked out.
    SendMouse(preview, QEvent::MouseMove, corner + QPointF(7, 7), Qt::NoButton);
    QCOMPARE(frame->HoveredCorner(), -1);
    // Leaving the preview takes the handles away.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(preview, &leave);
    QVERIFY(!frame->PointerInView());
    QCOMPARE(preview->grab().toImage(), plain);

    // A press 7 pixels off the corner picks it up; the drag moves it with the pointer.
    const cv::Point before = frame->Frame().main.corner[0];
    const cv::Point otherBefore = frame->Frame().main.corner[3];
    SendMouse(preview, QEvent::MouseMove, corner + QPointF(7, 0), Qt::NoButton);
    SendMouse(preview, QEvent::MouseButtonPress, corner + QPointF(7, 0), Qt::LeftButton);
    SendMouse(preview, QEvent::MouseMove, corner + QPointF(37, 20), Qt::LeftButton);
    SendMouse(preview, QEvent::MouseButtonRelease, corner + QPointF(37, 20), Qt::NoButton);
    WaitForResult();
    const cv::Point after = frame->Frame().main.corner[0];
    QVERIFY2(after.x > before.x + 10 && after.y > before.y + 10,
             qPrintable(QString("%1,%2 -> %3,%4").arg(before.x).arg(before.y).arg(after.x).arg(after.y)));
    // The other corners stayed.
    QVERIFY(frame->Frame().main.corner[3] == otherBefore);
}

void WorkflowGuiTest::frameCornersFollowTheZoom()
{
    if (!PickTemplate("Billboard")) QSKIP("the frame templates are not staged");
    auto* frame = dynamic_cast<CT_Frame*>(doc_->CurrentTemplate());
    QVERIFY(frame);
    CPhotoEditPreviewWnd* preview = main_->Work()->Preview();
    const qreal ratio = preview->devicePixelRatioF();
    preview->grab();  // the template learns how the preview shows it
    cv::Point2d c0, c3;
    QVERIFY(frame->CornerInView(0, c0) && frame->CornerInView(3, c3));
    const cv::Point p0 = frame->Frame().main.corner[0], p3 = frame->Frame().main.corner[3];
    const double fitScale = (c3.x - c0.x) / (p3.x - p0.x);  // view pixels per picture pixel

    // The wheel zooms in twice about the middle of the photo's window (over a handle it would not).
    const QPointF anchor = QPointF(c0.x + c3.x, c0.y + c3.y) / 2 / ratio;
    for (int i = 0; i < 14; ++i) {
        QWheelEvent wheel(anchor, preview->mapToGlobal(anchor), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(preview, &wheel);
    }
    guitest::Drain();
    const double zoomed = 1 / preview->Zoom().zoom;
    QVERIFY2(zoomed > 1.8, qPrintable(QString::number(zoomed)));
    preview->grab();
    // The handles show where the corners now are: twice as far apart, corner 0 still in view.
    cv::Point2d z0, z3;
    QVERIFY(frame->CornerInView(0, z0) && frame->CornerInView(3, z3));
    const double g = fitScale * zoomed;  // view pixels per picture pixel now
    QVERIFY2(std::abs((z3.x - z0.x) - (c3.x - c0.x) * zoomed) <= 3 && std::abs((z3.y - z0.y) - (c3.y - c0.y) * zoomed) <= 3,
             qPrintable(QString("corners %1,%2 and %3,%4 at a zoom of %5").arg(z0.x).arg(z0.y).arg(z3.x).arg(z3.y).arg(zoomed)));

    // A corner in view, dragged by (30, 20) logical pixels, moves that far in the zoomed picture's pixels.
    int which = -1;
    cv::Point2d zi;
    for (int i = 0; i < 4 && which < 0; ++i)
        if (frame->CornerInView(i, zi) && QRectF(preview->rect()).adjusted(10, 10, -50, -40).contains(QPointF(zi.x, zi.y) / ratio))
            which = i;
    QVERIFY(which >= 0);
    const cv::Point before = frame->Frame().main.corner[which];
    const QPointF at = QPointF(zi.x, zi.y) / ratio;
    SendMouse(preview, QEvent::MouseMove, at + QPointF(2, 0), Qt::NoButton);
    SendMouse(preview, QEvent::MouseButtonPress, at + QPointF(2, 0), Qt::LeftButton);
    SendMouse(preview, QEvent::MouseMove, at + QPointF(32, 20), Qt::LeftButton);
    SendMouse(preview, QEvent::MouseButtonRelease, at + QPointF(32, 20), Qt::NoButton);
    WaitForResult();
    const cv::Point moved = frame->Frame().main.corner[which];
    const double ex = before.x + 32 * ratio / g, ey = before.y + 20 * ratio / g;
    QVERIFY2(std::abs(moved.x - ex) <= 1.5 + 1 / g && std::abs(moved.y - ey) <= 1.5 + 1 / g,
             qPrintable(QString("%1,%2 -> %3,%4, expected %5,%6").arg(before.x).arg(before.y).arg(moved.x).arg(moved.y).arg(ex).arg(ey)));
}

// --- Reset to defaults ------------------------------------------------------------------------

void WorkflowGuiTest::everyPaneResetsToTheDefinitionsDefaults()
{
    // A simple template: the sliders and the region.
    if (!PickTemplate("Oil Paint")) QSKIP("the template library is not staged");
    auto* simple = dynamic_cast<CT_SimpleTempl*>(doc_->CurrentTemplate());
    auto* pane2d = ShownPane<COptionPane2D>(*main_);
    QVERIFY(simple && pane2d);
    QVERIFY(pane2d->ResetButton()->isVisible());
    QCOMPARE(pane2d->ResetButton()->text(), QString("Reset to defaults"));
    QVERIFY(!pane2d->Hint()->isVisible());
    const int start = pane2d->Slider(0)->value();
    pane2d->Slider(0)->setValue(start == pane2d->Slider(0)->maximum() ? pane2d->Slider(0)->minimum()
                                                                       : pane2d->Slider(0)->maximum());
    simple->Params().x += 0.1f;
    WaitForResult();
    QVERIFY(!simple->AtDefaults());
    QTest::mouseClick(pane2d->ResetButton(), Qt::LeftButton);
    WaitForResult();
    QVERIFY(simple->AtDefaults());
    QCOMPARE(pane2d->Slider(0)->value(), start);

    // The change-face pane: the blend radii and the switches.
    if (PickTemplate("Knight")) {
        auto* face = ShownPane<COptionPaneChgFace>(*main_);
        QVERIFY(face);
        QVERIFY(face->ResetButton()->isVisible());
        const QList<QSlider*> sliders = face->findChildren<QSlider*>();
        QVERIFY(!sliders.isEmpty());
        for (QSlider* s : sliders) s->setValue(60);
        face->findChild<QCheckBox*>("enhancedColour")->click();
        WaitForResult();
        auto* t = dynamic_cast<CT_Face*>(doc_->CurrentTemplate());
        QVERIFY(t && t->Params().state.enhancedColour);
        QTest::mouseClick(face->ResetButton(), Qt::LeftButton);
        WaitForResult();
        const FacePhotoState fresh;
        for (int i = 0; i < 3; ++i) QCOMPARE(t->Params().state.blendRadius[i], fresh.blendRadius[i]);
        QVERIFY(!t->Params().state.enhancedColour);
        QVERIFY(!face->findChild<QCheckBox*>("enhancedColour")->isChecked());
        for (QSlider* s : sliders) QCOMPARE(s->value(), 125);
    }

    // The expression pane: the first expression at the default strength.
    if (PickTemplate("Expressions")) {
        auto* expr = ShownPane<COptionPaneExpression>(*main_);
        QVERIFY(expr);
        expr->StrengthSlider()->setValue(90);
        expr->List()->setCurrentIndex(2);
        QTest::mouseClick(expr->ResetButton(), Qt::LeftButton);
        WaitForResult();
        auto* t = dynamic_cast<CT_Face*>(doc_->CurrentTemplate());
        QVERIFY(t);
        QCOMPARE(expr->StrengthSlider()->value(), 30);
        QCOMPARE(t->FaceFilter()->StillAmount(), 0.3f);
        QCOMPARE(expr->List()->currentIndex(), 0);
    }
}

// --- Expressions --------------------------------------------------------------------------------

void WorkflowGuiTest::expressionStrengthAndFaceCount()
{
    if (!PickTemplate("Expressions")) QSKIP("the expression template is not staged");
    auto* pane = ShownPane<COptionPaneExpression>(*main_);
    auto* t = dynamic_cast<CT_Face*>(doc_->CurrentTemplate());
    QVERIFY(pane && t);
    QCOMPARE(pane->StrengthSlider()->minimum(), 0);
    QCOMPARE(pane->StrengthSlider()->maximum(), 100);
    QCOMPARE(pane->StrengthSlider()->value(), 30);  // the still expression's strength, 0.3
    if (t->DetectedFaces().empty()) QSKIP("no face was found on the sample photo");
    // "Face n of m" beside "Search Face".
    const QString count = pane->FaceCount()->text();
    QVERIFY2(count.startsWith("Face 1 of "), qPrintable(count));
    QVERIFY(pane->FaceCount()->isVisible());
    QVERIFY(pane->FaceCount()->geometry().left() >= pane->SearchButton()->geometry().right());
    QVERIFY(pane->FaceCount()->geometry().intersected(pane->AnimateButton()->geometry()).isEmpty());

    const cv::Mat atDefault = doc_->ShownResult().clone();
    pane->StrengthSlider()->setValue(100);
    WaitForResult();
    QCOMPARE(t->FaceFilter()->StillAmount(), 1.0f);
    const cv::Mat strong = doc_->ShownResult().clone();
    QVERIFY(cv::norm(strong, atDefault, cv::NORM_L1) > 0);
    pane->StrengthSlider()->setValue(0);
    WaitForResult();
    QCOMPARE(t->FaceFilter()->StillAmount(), 0.0f);
    QVERIFY(cv::norm(doc_->ShownResult(), strong, cv::NORM_L1) > 0);

    // With more than one face, "Search Face" steps on and the count follows.
    if (t->DetectedFaces().size() > 1) {
        QTest::mouseClick(pane->SearchButton(), Qt::LeftButton);
        WaitForResult();
        QVERIFY2(pane->FaceCount()->text().startsWith("Face 2 of "), qPrintable(pane->FaceCount()->text()));
    }
}

// --- 3D ------------------------------------------------------------------------------------------

void WorkflowGuiTest::draggingThePreviewTurnsTheModelAndStopsTheTurn()
{
    if (!PickTemplate("Teapot")) QSKIP("the 3D templates are not staged");
    auto* mesh = dynamic_cast<CT_3DMesh*>(doc_->CurrentTemplate());
    auto* pane = ShownPane<COptionPane3D>(*main_);
    QVERIFY(mesh && pane);
    CPhotoEditPreviewWnd* preview = main_->Work()->Preview();
    auto* rotate = pane->findChild<QCheckBox*>("rotateModel");
    rotate->click();
    QVERIFY(CT_3DMesh::TurningTemplate() == mesh);
    QVERIFY(rotate->isChecked());

    const cv::Mat still = doc_->ShownResult().clone();
    const QPointF c = QRectF(preview->rect()).center();
    SendMouse(preview, QEvent::MouseMove, c, Qt::NoButton);
    SendMouse(preview, QEvent::MouseButtonPress, c, Qt::LeftButton);
    // Taking the model in hand stops the automatic turn.
    QVERIFY(!CT_3DMesh::TurningTemplate());
    QVERIFY(!rotate->isChecked());
    const cv::Matx33f held = mesh->AccumulatedTurn();
    for (int i = 1; i <= 5; ++i) SendMouse(preview, QEvent::MouseMove, c + QPointF(12 * i, 0), Qt::LeftButton);
    SendMouse(preview, QEvent::MouseButtonRelease, c + QPointF(60, 0), Qt::NoButton);
    WaitForResult();
    // A horizontal drag turns about the vertical axis: the model's y axis stays where it was.
    const cv::Matx33f after = mesh->AccumulatedTurn();
    QVERIFY(cv::norm(after - held) > 0.1);
    const cv::Mat turned = doc_->ShownResult();
    QVERIFY(!turned.empty());
    QVERIFY(turned.size() != still.size() || cv::norm(turned, still, cv::NORM_L1) > 0);
    // The wheel still zooms over a 3D model.
    QWheelEvent wheel(c, preview->mapToGlobal(c), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(preview, &wheel);
    QVERIFY(preview->Zoom().Zoomed());
}
