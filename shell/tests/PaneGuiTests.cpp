#include "shell/tests/PaneGuiTests.h"

#include "controls/QtNotify.h"
#include "controls/UiText.h"
#include "engine/PhotoDocument.h"
#include "engine/Registry.h"
#include "engine/TemplateFile.h"
#include "face/CT_Face.h"
#include "mesh3d/CT_3DMesh.h"
#include "platform/testing/TestEnv.h"
#include "shell/GrimazeDlg.h"
#include "shell/OptionPane.h"
#include "shell/OptionPane3D.h"
#include "shell/OptionPaneChgFace.h"
#include "shell/OptionPaneExpression.h"
#include "shell/PhotoEditPreviewWnd.h"
#include "shell/ImageProcessDlg.h"
#include "shell/tests/GuiTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <algorithm>

using namespace engine;
using namespace face;
using namespace mesh3d;

using namespace shell;

namespace {

constexpr platform::WindowId kView = 4711;

std::string ShippedTemplate(const char* name) { return testenv::ProgramDir() + "/media/Templates/" + name; }

bool TimerSet(const testenv::RecordingSink& sink, int id, int ms)
{
    const auto timers = sink.Timers();
    return std::find(timers.begin(), timers.end(), std::make_pair(id, ms)) != timers.end();
}

bool TimerSetAtAll(const testenv::RecordingSink& sink, int id)
{
    const auto timers = sink.Timers();
    return std::any_of(timers.begin(), timers.end(), [id](auto& t) { return t.first == id; });
}

int SentTo(const testenv::RecordingSink& sink, platform::WindowId w, int code)
{
    int n = 0;
    for (const auto& e : sink.Posted()) n += e.window == w && e.code == code;
    return n;
}

/**
 * A document with the astronaut photo, a shipped template and its pane in a container, with
 * notifications going to a recorder. The Qt sink comes back when it goes.
 */
struct PaneFixture {
    explicit PaneFixture(const char* templateName, bool withPhoto = true)
    {
        platform::InstallSink(&sink);
        if (withPhoto) {
            doc.AddPhotosFromFolder(testenv::ProgramDir() + "/media/Images/default/", "Default1.jpg");
            doc.SelectPhoto(0);
        }
        doc.SetView(ViewRect{0, 0, 400, 300}, kView);
        std::string error;
        templ = OpenTemplate(ShippedTemplate(templateName), &doc, &error);
        if (!templ) {
            QTest::qFail(error.c_str(), __FILE__, __LINE__);
            return;
        }
        doc.SetCurrentTemplate(templ.get());
        container.resize(700, 160);
        container.SetPane(templ->CreatePane(1));
        container.show();
    }
    ~PaneFixture()
    {
        doc.StopRendering();
        container.SetPane(nullptr);
        doc.SetCurrentTemplate(nullptr);
        templ = RefPtr<CEffectTemplate>();
        controls::QtNotificationSink::Install();
    }
    template <class T> T* Pane() const { return qobject_cast<T*>(container.Pane()); }

    testenv::RecordingSink sink;
    CPhotoDocument doc;
    RefPtr<CEffectTemplate> templ;
    COperationPanel container;
};

}  // namespace

// --- 3D --------------------------------------------------------------------------------------

void PaneGuiTest::rotateModelBoxSetsAndKillsTheTurnTimer()
{
    PaneFixture f("Teapot");
    auto* pane = f.Pane<COptionPane3D>();
    QVERIFY(pane);
    QCOMPARE(pane->view, kView);
    QVERIFY(!pane->RotateBox()->isChecked());

    QTest::mouseClick(pane->RotateBox(), Qt::LeftButton);
    QVERIFY(TimerSet(f.sink, mesh_cmd::TurnTimer, 20));
    QCOMPARE(CT_3DMesh::TurningTemplate(), dynamic_cast<CT_3DMesh*>(f.templ.get()));
    QVERIFY(pane->RotateBox()->isChecked());

    // A second pane of the turning template opens checked and follows the first.
    COperationPanel other;
    other.SetPane(f.templ->CreatePane(1));
    auto* second = qobject_cast<COptionPane3D*>(other.Pane());
    QVERIFY(second && second != pane);
    QVERIFY(second->RotateBox()->isChecked());

    QTest::mouseClick(pane->RotateBox(), Qt::LeftButton);
    QVERIFY(!TimerSetAtAll(f.sink, mesh_cmd::TurnTimer));
    QVERIFY(!CT_3DMesh::TurningTemplate());
    QVERIFY(!pane->RotateBox()->isChecked());
    QVERIFY(!second->RotateBox()->isChecked());

    // Turning on from the second pane checks the first.
    QTest::mouseClick(second->RotateBox(), Qt::LeftButton);
    QVERIFY(pane->RotateBox()->isChecked());
    f.templ->ParamCommand(mesh_cmd::StopTurning, kView, 0, nullptr);
    QVERIFY(!second->RotateBox()->isChecked());
    QVERIFY(!TimerSetAtAll(f.sink, mesh_cmd::TurnTimer));
}

void PaneGuiTest::resetButtonPutsTheModelBack()
{
    PaneFixture f("Teapot");
    auto* pane = f.Pane<COptionPane3D>();
    QVERIFY(pane);
    auto& mesh = dynamic_cast<CT_3DMesh&>(*f.templ);
    mesh.Turn(0.7f, 0.3f);
    QVERIFY(cv::norm(mesh.AccumulatedTurn() - cv::Matx33f::eye()) > 0.1);
    f.sink.Clear();
    QTest::mouseClick(pane->ResetButton(), Qt::LeftButton);
    QVERIFY(cv::norm(mesh.AccumulatedTurn() - cv::Matx33f::eye()) < 1e-6);
    QCOMPARE(SentTo(f.sink, kView, platform::msg::ResultReady), 1);
    QVERIFY(!f.doc.ShownResult().empty());
}

void PaneGuiTest::previewTurnsTheModelAndAnotherTemplateStopsIt()
{
    // The whole program: the turn timer runs on the preview and the preview turns the model.
    CPhotoDocument doc;
    auto main = std::make_unique<CGrimazeDlg>(doc, CGrimazeDlg::Hooks{});
    main->show();
    guitest::Drain();
    std::string error;
    RefPtr<CEffectTemplate> t = OpenTemplate(ShippedTemplate("Teapot"), &doc, &error);
    QVERIFY2(t, error.c_str());
    doc.SetCurrentTemplate(t.get());
    platform::Send(main->WindowId(), platform::msg::HideWizard, 0, 0);
    platform::Send(main->WindowId(), platform::msg::TemplateChanged, reinterpret_cast<std::intptr_t>(t.get()), 0);
    guitest::Drain();
    auto* pane = qobject_cast<COptionPane3D*>(main->Work()->OperationPanel()->Pane());
    QVERIFY(pane);
    QCOMPARE(pane->view, main->Work()->Preview()->WindowId());

    auto& mesh = dynamic_cast<CT_3DMesh&>(*t);
    QTest::mouseClick(pane->RotateBox(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(cv::norm(mesh.AccumulatedTurn() - cv::Matx33f::eye()) > 0.05, 3000);

    // Another template (here none) becomes current: the turning stops and the box clears.
    platform::Send(main->WindowId(), platform::msg::TemplateChanged, 0, 0);
    QVERIFY(!CT_3DMesh::TurningTemplate());
    const cv::Matx33f stopped = mesh.AccumulatedTurn();
    QTest::qWait(120);
    QVERIFY(cv::norm(mesh.AccumulatedTurn() - stopped) < 1e-6);
    main.reset();
    doc.SetCurrentTemplate(nullptr);
}

// --- Change face -------------------------------------------------------------------------------

void PaneGuiTest::changeFaceControlsSetTheTemplate()
{
    PaneFixture f("Astronaut");
    auto* pane = f.Pane<COptionPaneChgFace>();
    QVERIFY(pane);
    auto& face = dynamic_cast<CT_Face&>(*f.templ);
    auto radius = [&](int i) {
        float r = -1;
        f.templ->ParamCommand(face_cmd::GetBlendRadius, kView, i, &r);
        return r;
    };
    for (int i = 0; i < 3; ++i) QCOMPARE(pane->Slider(i)->value(), 125);  // the stored 1.25

    // One slider moves; all three radii are sent, each from its own slider.
    f.templ->ParamCommand(face_cmd::SetBlendRadius, kView, 2, std::array<float, 1>{0.9f}.data());
    f.sink.Clear();
    pane->Slider(0)->setValue(50);
    QTRY_COMPARE(radius(0), 0.5f);
    QCOMPARE(radius(1), 1.25f);
    QCOMPARE(radius(2), 1.25f);
    QTRY_VERIFY(SentTo(f.sink, kView, platform::msg::ResultReady) >= 1);

    QVERIFY(!pane->AlignBox()->isChecked());
    QTest::mouseClick(pane->AlignBox(), Qt::LeftButton);
    QCOMPARE(face.Params().state.alignFace, 1);
    QTest::mouseClick(pane->AlignBox(), Qt::LeftButton);
    QCOMPARE(face.Params().state.alignFace, 0);

    QTest::mouseClick(pane->EnhancedBox(), Qt::LeftButton);
    QCOMPARE(face.Params().state.enhancedColour, 1);
    QTest::mouseClick(pane->EnhancedBox(), Qt::LeftButton);
    QCOMPARE(face.Params().state.enhancedColour, 0);

    // "Do Face Blend" renders in the background: the view is told it is busy.
    f.sink.Clear();
    QTest::mouseClick(pane->BlendButton(), Qt::LeftButton);
    QCOMPARE(SentTo(f.sink, kView, platform::msg::Busy) + SentTo(f.sink, kView, platform::msg::ResultReady), 1);
    f.doc.StopRendering();
    f.sink.Clear();
    QTest::mouseClick(pane->SearchButton(), Qt::LeftButton);
    QVERIFY(SentTo(f.sink, kView, platform::msg::ResultReady) + SentTo(f.sink, kView, platform::msg::Busy) == 1);
}

void PaneGuiTest::changeFaceSlidersShowTheStoredRadii()
{
    PaneFixture f("Astronaut", false);
    float r = 0.57f;
    f.templ->ParamCommand(face_cmd::SetBlendRadius, kView, 0, &r);
    r = 1.5f;
    f.templ->ParamCommand(face_cmd::SetBlendRadius, kView, 1, &r);
    r = 9.0f;  // beyond the slider: shown at its end
    f.templ->ParamCommand(face_cmd::SetBlendRadius, kView, 2, &r);
    COperationPanel other;
    other.SetPane(f.templ->CreatePane(1));
    auto* pane = qobject_cast<COptionPaneChgFace*>(other.Pane());
    QVERIFY(pane);
    QCOMPARE(pane->Slider(0)->value(), 57);
    QCOMPARE(pane->Slider(1)->value(), 150);
    QCOMPARE(pane->Slider(2)->value(), 150);
    QCOMPARE(pane->Slider(0)->minimum(), 50);
    QCOMPARE(pane->Slider(0)->maximum(), 150);
}

// --- Expression ----------------------------------------------------------------------------------

void PaneGuiTest::expressionListSetsTheExpression()
{
    PaneFixture f("Expressions");
    auto* pane = f.Pane<COptionPaneExpression>();
    QVERIFY(pane);
    auto& face = dynamic_cast<CT_Face&>(*f.templ);
    QCOMPARE(pane->List()->count(), 3);
    QCOMPARE(pane->List()->currentIndex(), 0);
    QCOMPARE(pane->List()->itemText(2), controls::Phrase("sad"));

    const std::int32_t expected[3][3] = {{1, 0, 1}, {1, -1, -1}, {-1, 1, -1}};
    for (int row : {2, 1, 0}) {
        f.sink.Clear();
        emit pane->List()->activated(row);
        const std::int32_t* e = face.Params().state.expression;
        QVERIFY(std::equal(e, e + 3, expected[row]));
        QCOMPARE(SentTo(f.sink, kView, platform::msg::ResultReady), 1);
    }
    // A pane made again shows the expression the photo is drawn with.
    emit pane->List()->activated(1);
    COperationPanel other;
    other.SetPane(f.templ->CreatePane(1));
    QCOMPARE(qobject_cast<COptionPaneExpression*>(other.Pane())->List()->currentIndex(), 1);
}

void PaneGuiTest::animateButtonStartsAndStopsTheAnimation()
{
    PaneFixture f("Expressions");
    auto* pane = f.Pane<COptionPaneExpression>();
    QVERIFY(pane);
    auto& face = dynamic_cast<CT_Face&>(*f.templ);
    QVERIFY(pane->Ready());
    QCOMPARE(pane->AnimateButton()->text(), QString("Animate"));

    QTest::mouseClick(pane->AnimateButton(), Qt::LeftButton);
    QVERIFY(!pane->Ready());
    QCOMPARE(pane->AnimateButton()->text(), QString("Stop Animate"));
    QVERIFY(TimerSet(f.sink, kExpressionTimerId, kExpressionTimerMs));
    QCOMPARE(face.Params().animating, 1);
    f.doc.StopRendering();

    QTest::mouseClick(pane->AnimateButton(), Qt::LeftButton);
    QVERIFY(pane->Ready());
    QCOMPARE(pane->AnimateButton()->text(), QString("Animate"));
    QVERIFY(!TimerSetAtAll(f.sink, kExpressionTimerId));
    QCOMPARE(face.Params().animating, 0);

    // Stopped from elsewhere (an export sends 600): the button follows.
    QTest::mouseClick(pane->AnimateButton(), Qt::LeftButton);
    f.doc.StopRendering();
    f.templ->ParamCommand(face_cmd::StopAnimation, kView, 0, nullptr);
    QVERIFY(pane->Ready());
    QCOMPARE(pane->AnimateButton()->text(), QString("Animate"));
}

void PaneGuiTest::searchAndToolbarSearchResetTheAnimateButton()
{
    PaneFixture f("Expressions");
    auto* pane = f.Pane<COptionPaneExpression>();
    QVERIFY(pane);
    QTest::mouseClick(pane->AnimateButton(), Qt::LeftButton);
    f.doc.StopRendering();
    QVERIFY(!pane->Ready());
    QTest::mouseClick(pane->SearchButton(), Qt::LeftButton);
    QVERIFY(pane->Ready());
    QCOMPARE(pane->AnimateButton()->text(), QString("Animate"));
    QVERIFY(!TimerSetAtAll(f.sink, kExpressionTimerId));
    // Search Face resets the button even when nothing was animating.
    QTest::mouseClick(pane->SearchButton(), Qt::LeftButton);
    QVERIFY(pane->Ready());

    // 2125 from the tool bar's "Search Face", as the container forwards it.
    QTest::mouseClick(pane->AnimateButton(), Qt::LeftButton);
    f.doc.StopRendering();
    QVERIFY(!pane->Ready());
    f.container.ForwardToPane(platform::msg::FaceSearchStarted, face_cmd::ToolbarSearchFace, 0);
    QVERIFY(pane->Ready());
    QCOMPARE(pane->AnimateButton()->text(), QString("Animate"));
    // And the template's own tool-bar command reaches the pane the same way.
    QTest::mouseClick(pane->AnimateButton(), Qt::LeftButton);
    f.doc.StopRendering();
    f.templ->ParamCommand(face_cmd::ToolbarSearchFace, kView, 0, nullptr);
    QVERIFY(pane->Ready());
}

void PaneGuiTest::everyPaneNameIsRegistered()
{
    for (const char* name : {"OptionPane_2D", "OptionPane_3D", "OptionPane_ChangeFace", "OptionPane_Expression"}) {
        std::unique_ptr<CImageDataObject> object = CreateByName(name);
        QVERIFY2(object, name);
        QCOMPARE(object->kind, int(KindPane));
        QCOMPARE(QString(object->className), QString(name));
        QVERIFY(dynamic_cast<COptionPaneWidget*>(object.get()));
        QVERIFY(dynamic_cast<COptionPanel*>(object.get()));
    }
}
