// The 3D mesh template: its keys, the turn timer, the commands, the panes and dragging.
#include "app/Builtins.h"
#include "engine/PhotoDocument.h"
#include "engine/Registry.h"
#include "engine/TemplateFile.h"
#include "mesh3d/CT_3DMesh.h"
#include "mesh3d/Matrix3.h"
#include "mesh3d/OptionPanel3D.h"
#include "mesh3d/tests/MeshTestUtil.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"
#include "tools/meshgen/MeshShapes.h"

#include <gif_lib.h>
#include <opencv2/imgproc.hpp>
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cmath>
#include <numbers>

using namespace engine;
using namespace mesh3d;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

std::string Definition(const std::string& params)
{
    return "<effect><template name=\"Turn\"/><filter name=\"3DMeshTemplate\">"
           "<filter name=\"TeapotFilter\"><param mesh=\".\\model.mesh\"/></filter>"
           "<param " + params + "/></filter></effect>";
}

cv::Matx33f Rotation(const MeshParams& p) { return cv::Matx33f(p.rotation); }

void ExpectNear(const cv::Matx33f& a, const cv::Matx33f& b, float tol = 1e-5f)
{
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(a.val[i], b.val[i], tol) << "element " << i << "\n" << a << "\n" << b;
}

/** The window-free pane as the shell's dialog extends it. */
class FakePane3D : public COptionPanel3D {
public:
    static inline int created = 0;
    FakePane3D() { ++created; }
};

class Template3D : public ::testing::Test {
protected:
    void SetUp() override
    {
        app::RegisterBuiltinClasses();
        platform::InstallSink(&sink);
    }
    void TearDown() override
    {
        doc.SetCurrentTemplate(nullptr);
        platform::InstallSink(nullptr);
    }

    RefPtr<CEffectTemplate> OpenRef(const std::string& params, const std::string& name = "Turn")
    {
        const Mesh cube = meshgen::MakeCube(0.6f);
        return OpenWithMesh(params, name, cube);
    }

    RefPtr<CEffectTemplate> OpenWithMesh(const std::string& params, const std::string& name, const Mesh& mesh)
    {
        const std::string folder = meshtest::WriteTemplateFolder(dir.path(), name, Definition(params), &mesh);
        std::string error;
        RefPtr<CEffectTemplate> t = OpenTemplate(folder, &doc, &error);
        EXPECT_TRUE(t) << error;
        return t;
    }

    static CT_3DMesh& Mesh3D(const RefPtr<CEffectTemplate>& t) { return dynamic_cast<CT_3DMesh&>(*t); }

    testenv::TemporaryHome home;
    testenv::TempDir dir;
    testenv::RecordingSink sink;
    CPhotoDocument doc;
};

}  // namespace

TEST_F(Template3D, MissingKeysTakeTheirDefaults)
{
    RefPtr<CEffectTemplate> t = OpenRef("");
    ASSERT_TRUE(t);
    const MeshParams& p = Mesh3D(t).MeshParameters();
    EXPECT_EQ(cv::Vec3f(p.position[0], p.position[1], p.position[2]), cv::Vec3f(0, 0, -3));
    ExpectNear(Rotation(p), cv::Matx33f::eye());
    EXPECT_FLOAT_EQ(p.fieldOfView, 1.5707964f);
    EXPECT_FLOAT_EQ(p.specular, 0);
    EXPECT_FLOAT_EQ(p.rotationSpeed, 0.05f);
    EXPECT_EQ(p.flags, 0u);
    EXPECT_EQ(p.cull, 0);
    EXPECT_EQ(p.moveable, 1);  // until the first ApplyParams reads the key
    t->ApplyParams();
    EXPECT_EQ(p.moveable, 0);
    // Zero counts as missing where a zero would break the model.
    RefPtr<CEffectTemplate> zeros = OpenRef("xscale=\"0\" yscale=\"0\" zscale=\"0\" z=\"0\" proj=\"0\" rotation_speed=\"0\"", "Zeros");
    const MeshParams& z = Mesh3D(zeros).MeshParameters();
    ExpectNear(Rotation(z), cv::Matx33f::eye());
    EXPECT_FLOAT_EQ(z.position[2], -3);
    EXPECT_FLOAT_EQ(z.fieldOfView, 1.5707964f);
    EXPECT_FLOAT_EQ(z.rotationSpeed, 0.05f);
}

TEST_F(Template3D, KeysPoseTheModel)
{
    RefPtr<CEffectTemplate> t = OpenRef("hangle=\"0.5\" vangle=\"0.2\" xscale=\"2\" yscale=\"1.5\" x=\"0.25\" y=\"-1\" "
                                        "z=\"-4\" proj=\"60\" specular=\"0.7\" rotation_speed=\"0.1\" cull=\"ccw\" "
                                        "moveable=\"1\" reflect=\"1\" normalizenormals=\"1\"");
    ASSERT_TRUE(t);
    CT_3DMesh& m = Mesh3D(t);
    const MeshParams& p = m.MeshParameters();
    const cv::Matx33f expected = mat3::Scale(2, 1.5f, 1) * mat3::RotationY(0.5f) * mat3::RotationX(0.2f);
    ExpectNear(Rotation(p), expected);
    ExpectNear(m.DefaultOrientation(), expected);
    EXPECT_EQ(cv::Vec3f(p.position[0], p.position[1], p.position[2]), cv::Vec3f(0.25f, -1, -4));
    EXPECT_NEAR(p.fieldOfView, kPi / 3, 1e-6);
    EXPECT_FLOAT_EQ(p.specular, 0.7f);
    EXPECT_FLOAT_EQ(p.rotationSpeed, 0.1f);
    EXPECT_EQ(p.cull, 1);
    EXPECT_EQ(p.flags, mesh_flags::Specular);  // reflect and normalise come with ApplyParams
    ExpectNear(m.TurnStep(), mat3::RotationX(0.2f).t() * mat3::RotationY(0.1f) * mat3::RotationX(0.2f));

    t->ApplyParams();
    EXPECT_EQ(p.moveable, 1);
    EXPECT_EQ(p.flags, mesh_flags::Specular | mesh_flags::Reflect | mesh_flags::NormalizeNormals);
    // Bits set once stay set; "moveable" follows the definition every time.
    tinyxml2::XMLElement* param = t->definition->FirstChildElement("param");
    param->SetAttribute("reflect", 0);
    param->SetAttribute("moveable", 2);
    t->ApplyParams();
    EXPECT_EQ(p.flags & mesh_flags::Reflect, mesh_flags::Reflect);
    EXPECT_EQ(p.moveable, 0);

    EXPECT_EQ(Mesh3D(OpenRef("cull=\"cw\"", "Cw")).MeshParameters().cull, 2);
    EXPECT_EQ(Mesh3D(OpenRef("cull=\"both\"", "Both")).MeshParameters().cull, 0);
    EXPECT_EQ(Mesh3D(OpenRef("z=\"0\" proj=\"400\"", "Odd")).MeshParameters().position[2], -3);
}

TEST_F(Template3D, TurnTimerTurnsByTheStepEveryTickWhileRotateModelIsOn)
{
    RefPtr<CEffectTemplate> t = OpenRef("moveable=\"1\"");
    ASSERT_TRUE(t);
    CT_3DMesh& m = Mesh3D(t);
    doc.SetView({0, 0, 80, 60}, 99);
    doc.SetCurrentTemplate(t.get());

    EXPECT_FALSE(CT_3DMesh::OnTurnTimer(5, mesh_cmd::TurnTimer));  // nobody turns yet
    t->ParamCommand(mesh_cmd::StartTurning, 5, 0, nullptr);
    ASSERT_EQ(sink.Timers().size(), 1u);
    EXPECT_EQ(sink.Timers()[0], std::make_pair(43, 20));
    EXPECT_EQ(CT_3DMesh::TurningTemplate(), &m);

    sink.Clear();
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(CT_3DMesh::OnTurnTimer(5, mesh_cmd::TurnTimer));
    EXPECT_FALSE(CT_3DMesh::OnTurnTimer(5, 44));
    // The default 0.05 radians a tick: ten ticks make half a radian about the vertical.
    ExpectNear(Rotation(m.MeshParameters()), mat3::RotationY(0.5f));
    EXPECT_EQ(sink.CountPosted(platform::msg::ResultReady), 10);
    EXPECT_EQ(sink.Posted().back().window, 99u);
    EXPECT_FALSE(doc.ShownResult().empty());

    // Held button: the tick leaves the pose alone.
    t->buttonDown = 1;
    CT_3DMesh::OnTurnTimer(5, mesh_cmd::TurnTimer);
    ExpectNear(Rotation(m.MeshParameters()), mat3::RotationY(0.5f));
    t->buttonDown = 0;

    t->ParamCommand(mesh_cmd::StopTurning, 5, 0, nullptr);
    EXPECT_TRUE(sink.Timers().empty());
    EXPECT_EQ(CT_3DMesh::TurningTemplate(), nullptr);
    EXPECT_FALSE(CT_3DMesh::OnTurnTimer(5, mesh_cmd::TurnTimer));

    // Reset: back to the definition's pose.
    t->ParamCommand(mesh_cmd::Reset, 5, 0, nullptr);
    ExpectNear(Rotation(m.MeshParameters()), cv::Matx33f::eye());
    ExpectNear(m.AccumulatedTurn(), cv::Matx33f::eye());
}

TEST_F(Template3D, TheTurnGoesRoundTheTiltedAxisAndStaysARotation)
{
    RefPtr<CEffectTemplate> t = OpenRef("moveable=\"1\" vangle=\"0.4\" hangle=\"0.3\" rotation_speed=\"0.07\" y=\"0.5\"");
    ASSERT_TRUE(t);
    CT_3DMesh& m = Mesh3D(t);
    m.Turn(0.3f, -0.2f);
    m.ParamCommand(mesh_cmd::StartTurning, 1, 0, nullptr);
    for (int i = 0; i < 2000; ++i) m.StepTurn();
    const cv::Matx33f a = m.AccumulatedTurn();
    ExpectNear(a * a.t(), cv::Matx33f::eye(), 1e-5f);
    EXPECT_NEAR(cv::determinant(a), 1.0, 1e-5);
    // Started unturned, the model spins by hangle + k * speed and keeps its tilt.
    t->ParamCommand(mesh_cmd::Reset, 1, 0, nullptr);
    for (int i = 0; i < 5; ++i) m.StepTurn();
    ExpectNear(Rotation(m.MeshParameters()), mat3::RotationY(0.3f + 5 * 0.07f) * mat3::RotationX(0.4f), 1e-4f);
    EXPECT_FLOAT_EQ(m.MeshParameters().position[1], 0.5f);
    t->ParamCommand(mesh_cmd::StopTurning, 1, 0, nullptr);
    // Turn (the command-line tool's --turn) goes round the same axis.
    const cv::Matx33f ticked = Rotation(m.MeshParameters());
    t->ParamCommand(mesh_cmd::Reset, 1, 0, nullptr);
    m.Turn(5 * 0.07f, 0);
    ExpectNear(Rotation(m.MeshParameters()), ticked, 1e-4f);
    m.Turn(0, 0.25f);
    ExpectNear(Rotation(m.MeshParameters()), ticked * mat3::RotationX(0.25f), 1e-4f);
}

TEST_F(Template3D, CommandsKeepThePanesCheckBoxesInStep)
{
    RefPtr<CEffectTemplate> t = OpenRef("moveable=\"1\"");
    ASSERT_TRUE(t);
    // Where no pane class is registered (engine-only programs) there is no pane.
    RegisterCreator("OptionPane_3D", []() -> CImageDataObject* { return nullptr; });
    EXPECT_EQ(t->CreatePane(1), nullptr);
    RegisterCreator("OptionPane_3D", []() -> CImageDataObject* { return new FakePane3D; });
    EXPECT_EQ(t->CreatePane(2), nullptr);
    doc.SetView({0, 0, 10, 10}, 42);
    auto* a = dynamic_cast<FakePane3D*>(t->CreatePane(1));
    auto* b = dynamic_cast<FakePane3D*>(t->CreatePane(1));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->kind, KindPane);
    EXPECT_EQ(a->templ, t.get());
    EXPECT_EQ(a->view, 42u);
    EXPECT_TRUE(a->ownedByTemplate);
    EXPECT_FALSE(a->RotateModelChecked());

    t->ParamCommand(mesh_cmd::StartTurning, 42, 0, nullptr);
    EXPECT_TRUE(a->RotateModelChecked());
    EXPECT_TRUE(b->RotateModelChecked());
    auto* c = dynamic_cast<FakePane3D*>(t->CreatePane(1));  // opened while turning
    EXPECT_TRUE(c->RotateModelChecked());
    t->ParamCommand(mesh_cmd::StopTurning, 42, 0, nullptr);
    EXPECT_FALSE(a->RotateModelChecked());
    EXPECT_FALSE(b->RotateModelChecked());
    EXPECT_FALSE(c->RotateModelChecked());
    // A pane whose window has gone is swept, not touched.
    b->alive = false;
    t->ParamCommand(mesh_cmd::StartTurning, 42, 0, nullptr);
    t->ParamCommand(mesh_cmd::StopTurning, 42, 0, nullptr);
    RegisterCreator("OptionPane_3D", []() -> CImageDataObject* { return nullptr; });
    // Panes whose windows still live belong to those windows: close them as a window would.
    for (FakePane3D* p : {a, c}) p->alive = false;
    t = {};
}

TEST_F(Template3D, OneTemplateTurnsAtATimeAndDestroyingItStopsTheTimer)
{
    RefPtr<CEffectTemplate> first = OpenRef("moveable=\"1\"", "First");
    RefPtr<CEffectTemplate> second = OpenRef("moveable=\"1\"", "Second");
    first->ParamCommand(mesh_cmd::StartTurning, 1, 0, nullptr);
    second->ParamCommand(mesh_cmd::StartTurning, 2, 0, nullptr);
    EXPECT_EQ(CT_3DMesh::TurningTemplate(), &Mesh3D(second));
    CT_3DMesh::OnTurnTimer(2, mesh_cmd::TurnTimer);
    ExpectNear(Rotation(Mesh3D(first).MeshParameters()), cv::Matx33f::eye());
    ExpectNear(Rotation(Mesh3D(second).MeshParameters()), mat3::RotationY(0.05f));

    second = {};
    EXPECT_EQ(CT_3DMesh::TurningTemplate(), nullptr);
    EXPECT_TRUE(sink.Timers().empty());
    EXPECT_FALSE(CT_3DMesh::OnTurnTimer(2, mesh_cmd::TurnTimer));
}

TEST_F(Template3D, DraggingInThePreviewTurnsTheModel)
{
    RefPtr<CEffectTemplate> t = OpenRef("moveable=\"1\"");
    ASSERT_TRUE(t);
    CT_3DMesh& m = Mesh3D(t);
    doc.SetView({0, 0, 120, 90}, 7);
    doc.SetCurrentTemplate(t.get());
    doc.PointerMove(300, 300);  // last seen far away
    doc.PointerDown(100, 100);  // the press itself does not turn
    ExpectNear(m.AccumulatedTurn(), cv::Matx33f::eye());
    doc.PointerMove(150, 100);  // 50 pixels right: half a radian about the vertical
    ExpectNear(m.AccumulatedTurn(), mat3::RotationY(0.5f));
    doc.PointerMove(150, 130);  // then 30 down
    ExpectNear(m.AccumulatedTurn(), mat3::RotationY(0.5f) * mat3::RotationX(0.3f));
    // A rendering for another reason while the button is held repeats nothing.
    doc.Render();
    ExpectNear(m.AccumulatedTurn(), mat3::RotationY(0.5f) * mat3::RotationX(0.3f));
    doc.PointerUp(150, 130);
    doc.PointerMove(400, 130);  // moving with the button up turns nothing
    ExpectNear(m.AccumulatedTurn(), mat3::RotationY(0.5f) * mat3::RotationX(0.3f));
    ExpectNear(Rotation(m.MeshParameters()), m.DefaultOrientation() * m.AccumulatedTurn());
}

TEST_F(Template3D, TurnTableGifHasOneFramePerStepAndKeepsThePose)
{
    RefPtr<CEffectTemplate> t = OpenRef("moveable=\"1\" vangle=\"0.3\"");
    ASSERT_TRUE(t);
    CT_3DMesh& m = Mesh3D(t);
    const cv::Mat photo(120, 160, CV_8UC3, cv::Scalar(40, 160, 220));
    t->SetSource(std::vector<cv::Mat>{photo});
    m.Turn(0.2f, 0);
    const cv::Matx33f before = Rotation(m.MeshParameters());
    std::string error;
    ASSERT_TRUE(m.ExportTurnTable(dir / "turn.gif", 12, 100, 100, &error)) << error;
    ExpectNear(Rotation(m.MeshParameters()), before);

    int gifError = 0;
    GifFileType* gif = DGifOpenFileName((dir / "turn.gif").c_str(), &gifError);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->ImageCount, 12);
    EXPECT_EQ(gif->SWidth, 100);
    EXPECT_EQ(gif->SHeight, 75);  // the photo's shape, fitted
    // The cube turns: frames differ from one another.
    const auto frame = [&](int i) {
        const SavedImage& s = gif->SavedImages[i];
        return std::vector<unsigned char>(s.RasterBits, s.RasterBits + s.ImageDesc.Width * s.ImageDesc.Height);
    };
    EXPECT_NE(frame(0), frame(3));
    EXPECT_NE(frame(3), frame(6));
    DGifCloseFile(gif, &gifError);

    EXPECT_FALSE(m.ExportTurnTable(dir / "none.gif", 0, 100, 100, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(m.ExportTurnTable(dir / "none.gif", 4, 0, 100, &error));
    EXPECT_FALSE(m.ExportTurnTable(dir / "no/such/folder/x.gif", 4, 100, 100, &error));
    EXPECT_FALSE(platform::FileExists(dir / "none.gif"));
}

namespace {

/** A white square of half side 1 in the model's z = 0 plane, facing the camera when unturned. */
Mesh FlatSquare()
{
    return meshtest::MakeMesh({{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}}, meshtest::QuadIndices());
}

/** Pixel position of model point q under p = S * Ry(h) * Rx(v) * q - position, f = 1, W x H target. */
cv::Point2f Project(const cv::Matx33f& pose, const cv::Vec3f& position, const cv::Vec3f& q, int width, int height)
{
    const cv::Vec3f p = pose * q - position;
    const float s = height / 2.0f;
    return {width / 2.0f + p[0] / p[2] * s, height / 2.0f - p[1] / p[2] * s};
}

/** Rows lit in pixel column x. */
int LitRows(const cv::Mat& grey, int x)
{
    return cv::countNonZero(grey.col(x));
}

}  // namespace

// A flat square turned by "hangle" alone: the edge that comes toward the camera grows. With the
// square at z = -3, half side 1 and a 90 degree lens on a 600-pixel-high target, each vertical edge
// is 2 * 300 / (3 -+ sin 0.5) pixels tall: the right edge 238.0, the left one 172.4.
TEST_F(Template3D, HangleTurnsTheRightEdgeTowardTheCamera)
{
    RefPtr<CEffectTemplate> t = OpenWithMesh("moveable=\"1\" hangle=\"0.5\"", "Square", FlatSquare());
    ASSERT_TRUE(t);
    const cv::Size size(800, 600);
    t->SetOutputSize(&size);
    t->ApplyParams();
    t->Process();
    cv::Mat grey;
    cv::cvtColor(t->GetResult(), grey, cv::COLOR_BGR2GRAY);
    cv::threshold(grey, grey, 20, 255, cv::THRESH_BINARY);
    std::vector<cv::Point> lit;
    cv::findNonZero(grey, lit);
    ASSERT_FALSE(lit.empty());
    const cv::Rect box = cv::boundingRect(lit);

    const double right = 600 / (3 - std::sin(0.5)), left = 600 / (3 + std::sin(0.5));
    EXPECT_NEAR(LitRows(grey, box.x + box.width - 1), right, 2.0);
    EXPECT_NEAR(LitRows(grey, box.x), left, 2.0);
    // Its corners stand where the formula puts them.
    const cv::Matx33f pose = mat3::RotationY(0.5f);
    const cv::Vec3f position(0, 0, -3);
    EXPECT_NEAR(box.x, Project(pose, position, {-1, 1, 0}, 800, 600).x, 1.0);
    EXPECT_NEAR(box.x + box.width, Project(pose, position, {1, 1, 0}, 800, 600).x, 1.0);
}

// The whole pose at once, scales included: the rendered square covers the quadrilateral that
// p = S * Ry(hangle) * Rx(vangle) * P - position projects, to within its outline.
TEST_F(Template3D, ThePoseScalesAfterTurningAndTurnsAboutYAfterX)
{
    struct Case {
        const char* keys;
        float h, v, sx, sy, sz;
    };
    const Case cases[] = {
        {"hangle=\"0.5\"", 0.5f, 0, 1, 1, 1},
        {"vangle=\"0.4\"", 0, 0.4f, 1, 1, 1},
        {"hangle=\"0.6\" vangle=\"-0.5\"", 0.6f, -0.5f, 1, 1, 1},
        {"hangle=\"0.7\" xscale=\"0.5\" zscale=\"3\"", 0.7f, 0, 0.5f, 1, 3},
        {"hangle=\"-0.4\" vangle=\"0.3\" yscale=\"0.6\" zscale=\"2\"", -0.4f, 0.3f, 1, 0.6f, 2},
    };
    const cv::Size size(400, 300);
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        RefPtr<CEffectTemplate> t =
            OpenWithMesh(std::string("moveable=\"1\" z=\"-4\" ") + c.keys, "Pose" + std::to_string(n++), FlatSquare());
        ASSERT_TRUE(t);
        t->SetOutputSize(&size);
        t->ApplyParams();
        t->Process();
        cv::Mat grey;
        cv::cvtColor(t->GetResult(), grey, cv::COLOR_BGR2GRAY);
        cv::threshold(grey, grey, 20, 255, cv::THRESH_BINARY);

        const cv::Matx33f pose = mat3::Scale(c.sx, c.sy, c.sz) * mat3::RotationY(c.h) * mat3::RotationX(c.v);
        std::vector<cv::Point> quad;
        for (const cv::Vec3f& q : {cv::Vec3f(-1, -1, 0), cv::Vec3f(1, -1, 0), cv::Vec3f(1, 1, 0), cv::Vec3f(-1, 1, 0)}) {
            const cv::Point2f p = Project(pose, {0, 0, -4}, q, size.width, size.height);
            quad.emplace_back(cvRound(p.x), cvRound(p.y));
        }
        cv::Mat expected = cv::Mat::zeros(size, CV_8UC1);
        cv::fillConvexPoly(expected, quad, 255);
        cv::Mat differ;
        cv::bitwise_xor(grey, expected, differ);
        // Only the outline may disagree (rounding of the corners, the pixel-centre rule).
        EXPECT_LT(cv::countNonZero(differ), cv::arcLength(quad, true) * 1.5);
        EXPECT_GT(cv::countNonZero(expected), 1000);
    }
}
