// The desktop program's interactive costs, measured on the real windows (offscreen):
// - start: building and showing the main window with the bundled library and photos;
// - thumbnails: from the window's start until the visible gallery thumbnails are all made;
// - slider: a slider moved in the adjustment pane until the preview has repainted, for each
//   shipped template that renders at once;
// - zoom: from Ctrl+1 on a 12-megapixel photo until the preview shows the photo's own pixels;
// - slider while zoomed: a slider step at 100 %, during a drag and right after a rest;
// - wheel: handling one wheel notch over the gallery while the thumbnail worker renders.
#include "app/Builtins.h"
#include "controls/QtNotify.h"
#include "controls/Theme.h"
#include "engine/PhotoDocument.h"
#include "library/GalleryModel.h"
#include "library/ThumbnailWorker.h"
#include "settings/GrimazeSettings.h"
#include "shell/FilterList.h"
#include "shell/GrimazeDlg.h"
#include "shell/OptionPane.h"
#include "shell/OptionPane2D.h"
#include "shell/PhotoEditPreviewWnd.h"
#include "shell/ProcessProp.h"
#include "shell/ImageProcessDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QSlider>
#include <QWindow>
#include <QWheelEvent>
#include <benchmark/benchmark.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdlib>
#include <filesystem>
#include <memory>

using engine::CPhotoDocument;
using engine::ViewRect;
using settings::GrimazeSettings;

namespace {

void Drain()
{
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

struct Program {
    CPhotoDocument doc;
    std::unique_ptr<shell::CGrimazeDlg> window;
    shell::CProcessProp* page = nullptr;

    Program()
    {
        shell::CGrimazeDlg::Hooks hooks;
        hooks.pageFactory = [this](QWidget* parent) -> shell::CTemplatePageBase* {
            return new shell::CProcessProp(doc, parent);
        };
        window = std::make_unique<shell::CGrimazeDlg>(doc, hooks);
        window->show();
        QElapsedTimer t;
        t.start();
        while (!(window->windowHandle() && window->windowHandle()->isExposed()) && t.elapsed() < 5000)
            QCoreApplication::processEvents();
        page = static_cast<shell::CProcessProp*>(window->Work()->Page());
    }
};

void BM_StartToShownWindow(benchmark::State& state)
{
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        auto p = std::make_unique<Program>();
        p->window->repaint();  // the first complete paint
        Drain();
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
        state.PauseTiming();
        p.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToShownWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_VisibleGalleryThumbnails(benchmark::State& state)
{
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        Program p;
        p.page->Worker()->WaitForIdle(30000);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
    }
}
BENCHMARK(BM_VisibleGalleryThumbnails)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// Picks gallery cell index of the first category. Returns why it cannot be measured, or
// nothing: slow templates render on their own thread and are not what this measures.
const char* SelectCell(Program& p, int index)
{
    const library::PaintPlan plan = p.page->Model()->BuildPaintPlan();
    if (index >= static_cast<int>(plan.cells.size())) return "the gallery shows fewer cells in this window";
    const auto& r = plan.cells[index].rect;
    const QPoint at(r.x + r.width / 2, r.y + r.height / 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, p.page->Gallery()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(p.page->Gallery(), &press);
    Drain();
    p.doc.WaitForRendering();
    Drain();
    if (!p.doc.CurrentTemplate()) return "the template did not open";
    return p.doc.CurrentTemplate()->IsDeferred() ? "the template renders in the background" : nullptr;
}

// Adds a 12-megapixel photo to the program and waits until it is open.
void OpenTwelveMegapixels(Program& p)
{
    const std::string big = std::filesystem::temp_directory_path().string() + "/grimaze-bench-12mp.jpg";
    if (!std::filesystem::exists(big)) {
        cv::Mat m(3000, 4000, CV_8UC3);
        cv::randu(m, cv::Scalar::all(0), cv::Scalar::all(255));
        cv::GaussianBlur(m, m, cv::Size(0, 0), 6);
        cv::imwrite(big, m);
    }
    p.window->AddFiles({QString::fromStdString(big)});
    // A photo this large is opened on a worker; the window takes no input until it is.
    QElapsedTimer opening;
    opening.start();
    while (p.window->Busy() && opening.elapsed() < 30000) Drain();
    p.doc.WaitForRendering();
}

void BM_SliderToRepaintedPreview(benchmark::State& state)
{
    Program p;
    // Second argument: the window size (0 the default 1020 x 629, 1 a full HD screen).
    if (state.range(1)) p.window->resize(1920, 1080);
    // Third: 1 works on a 12-megapixel photo instead of the 512 x 512 sample.
    if (state.range(2)) OpenTwelveMegapixels(p);
    Drain();
    p.page->Worker()->WaitForIdle(30000);
    p.page->Worker()->Stop();  // measure the interface alone
    if (const char* why = SelectCell(p, static_cast<int>(state.range(0)))) {
        state.SkipWithError(why);
        return;
    }
    auto* pane = qobject_cast<shell::COptionPane2D*>(p.window->Work()->OperationPanel()->Pane());
    if (!pane || pane->Slider(0)->isHidden()) {
        state.SkipWithError("no slider");
        return;
    }
    QSlider* s = pane->Slider(0);
    shell::CPhotoEditPreviewWnd* preview = p.window->Work()->Preview();
    const ViewRect v = p.doc.View();
    state.SetLabel(p.doc.CurrentTemplate()->displayName + " " + std::to_string(v.Width()) + "x" +
                   std::to_string(v.Height()));
    int step = 0;
    for (auto _ : state) {
        s->setValue(step++ % 2 ? s->minimum() : s->maximum());
        QCoreApplication::processEvents();  // the pane renders, the preview is told
        preview->repaint();
    }
}
BENCHMARK(BM_SliderToRepaintedPreview)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 7, 1), {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The zoomed preview on a 12-megapixel photo in a full HD window, for gallery cell range(0).
const char* ZoomedProgram(Program& p, int cell)
{
    p.window->resize(1920, 1080);
    OpenTwelveMegapixels(p);
    Drain();
    p.page->Worker()->WaitForIdle(30000);
    p.page->Worker()->Stop();
    return SelectCell(p, cell);
}

bool WaitForSharp(shell::CPhotoEditPreviewWnd* preview, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!preview->ShowingSharp() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return preview->ShowingSharp();
}

// From Ctrl+1 (100 %) until the preview shows the photo's own pixels: the quiet time the
// preview waits for (CPhotoEditPreviewWnd::kSharpDelayMs) and the full-size rendering on the
// rendering thread. The interface thread stays free meanwhile.
void BM_ZoomStepToSharpPreview(benchmark::State& state)
{
    Program p;
    if (const char* why = ZoomedProgram(p, static_cast<int>(state.range(0)))) {
        state.SkipWithError(why);
        return;
    }
    shell::CPhotoEditPreviewWnd* preview = p.window->Work()->Preview();
    state.SetLabel(p.doc.CurrentTemplate()->displayName);
    for (auto _ : state) {
        preview->ZoomToFit();
        Drain();
        QElapsedTimer t;
        t.start();
        preview->ZoomToActualSize();
        if (!WaitForSharp(preview, 60000)) {
            state.SkipWithError("no sharp picture");
            return;
        }
        preview->repaint();
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
    }
}
BENCHMARK(BM_ZoomStepToSharpPreview)->Arg(0)->Arg(5)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// A slider step while the preview is at 100 %: range(1) 0 during a drag (the preview shows
// the render for the view and renders for the zoom only once the drag rests), 1 the step
// right after a rendering for the zoom started (it is stopped, or waited for).
void BM_SliderWhileZoomed(benchmark::State& state)
{
    Program p;
    if (const char* why = ZoomedProgram(p, static_cast<int>(state.range(0)))) {
        state.SkipWithError(why);
        return;
    }
    auto* pane = qobject_cast<shell::COptionPane2D*>(p.window->Work()->OperationPanel()->Pane());
    if (!pane || pane->Slider(0)->isHidden()) {
        state.SkipWithError("no slider");
        return;
    }
    shell::CPhotoEditPreviewWnd* preview = p.window->Work()->Preview();
    preview->ZoomToActualSize();
    WaitForSharp(preview, 60000);
    state.SetLabel(p.doc.CurrentTemplate()->displayName + (state.range(1) ? " after rest" : " dragging"));
    QSlider* s = pane->Slider(0);
    int step = 0;
    for (auto _ : state) {
        if (state.range(1)) {
            state.PauseTiming();
            QElapsedTimer rest;
            rest.start();
            while (!p.doc.SharpRendering() && rest.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            state.ResumeTiming();
        }
        s->setValue(step++ % 2 ? s->minimum() : s->maximum());
        QCoreApplication::processEvents();
        preview->repaint();
    }
}
BENCHMARK(BM_SliderWhileZoomed)->ArgsProduct({{0, 5}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_GalleryWheelWhileThumbnailsRender(benchmark::State& state)
{
    Program p;
    shell::CFilterList* gallery = p.page->Gallery();
    if (p.page->Model()->MaxScroll() <= 0) {
        state.SkipWithError("the gallery does not scroll");
        return;
    }
    int direction = -1;
    long scrolls = 0;
    for (auto _ : state) {
        p.page->Model()->InvalidateThumbnails();  // keep the worker busy
        QWheelEvent wheel(QPointF(100, 100), QPointF(gallery->mapToGlobal(QPoint(100, 100))), QPoint(),
                          QPoint(0, 120 * direction), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(gallery, &wheel);
        gallery->repaint();
        ++scrolls;
        if (p.page->Model()->ScrollOffset() == 0 || p.page->Model()->ScrollOffset() == p.page->Model()->MaxScroll())
            direction = -direction;
    }
    state.counters["max_scroll"] = p.page->Model()->MaxScroll();
}
BENCHMARK(BM_GalleryWheelWhileThumbnailsRender)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    // A home of its own: the library's user folder and the settings must not touch the real one.
    char pattern[] = "/tmp/grimaze-bench-home-XXXXXX";
    const std::string home = mkdtemp(pattern);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    app::RegisterBuiltinClasses();
    shell::RegisterShellClasses();
    QApplication app(argc, argv);
    controls::theme::Apply(app);
    controls::QtNotificationSink::Install();
    GrimazeSettings().updateCheck = false;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(home);
    return 0;
}
