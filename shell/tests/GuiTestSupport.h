#pragma once
// What the desktop program's tests share: a filter whose result shows its parameter, template
// folders written on the fly, helpers to wait for posted notifications, to click and to answer
// messages, and the program's main window on a fresh document.
#include "controls/QtNotify.h"
#include "engine/AnimationCommands.h"
#include "engine/PhotoDocument.h"
#include "engine/RefPtr.h"
#include "engine/Registry.h"
#include "engine/SimpleFilter.h"
#include "engine/SimpleTemplate.h"
#include "frames/GifWriter.h"
#include "platform/testing/TestEnv.h"
#include "shell/DlgExport.h"
#include "shell/GrimazeDlg.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QStringList>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

namespace guitest {

/** The photo, scaled to the output, brightened by var1: every slider step shows. */
class CF_ShiftTest : public engine::CF_SimpleFilter {
public:
    void Process() override
    {
        if (source_.empty() || result_.empty()) return;
        cv::resize(source_, result_, result_.size(), 0, 0, cv::INTER_AREA);
        if (const engine::SimpleParams* p = Params()) result_ += cv::Scalar::all(p->var[0]);
    }
};

/**
 * An expression-like template whose animation is a still of its "face": 95 x 95 pixels,
 * never enlarged, as the face templates' is. Its GIF is written by the real writer.
 */
class CT_GifTest : public engine::CT_SimpleTempl {
public:
    static constexpr int kFace = 95;
    bool IsExpression() override { return true; }
    static cv::Size SizeWithin(int maxWidth, int maxHeight)
    {
        const double s = std::min({double(maxWidth) / kFace, double(maxHeight) / kFace, 1.0});
        return maxWidth < 1 || maxHeight < 1 ? cv::Size() : cv::Size(int(kFace * s + 0.5), int(kFace * s + 0.5));
    }
    void ParamCommand(int command, platform::WindowId view, int index, void* data) override
    {
        if (command == engine::anim_cmd::AnimationSize) {
            int* size = static_cast<int*>(data);
            const cv::Size s = SizeWithin(size[0], size[1]);
            size[0] = s.width;
            size[1] = s.height;
        } else if (command == engine::anim_cmd::FrameDelay) {
            delayCs = index;
        } else {
            engine::CT_SimpleTempl::ParamCommand(command, view, index, data);
        }
    }
    int ExportAnimation(const std::string& path, int maxWidth, int maxHeight) override
    {
        const cv::Size size = SizeWithin(maxWidth, maxHeight);
        if (size.empty()) return 0;
        const std::vector<cv::Mat> frames(2, cv::Mat(size, CV_8UC3, cv::Scalar(40, 120, 200)));
        return frames::WriteGifAnimation(path, size, frames, nullptr, delayCs);
    }
    int delayCs = 0;
};

inline void RegisterTestClasses()
{
    engine::RegisterCreator("ShiftTestFilter", []() -> engine::CImageDataObject* { return new CF_ShiftTest; });
    engine::RegisterCreator("GifTestTemplate", []() -> engine::CImageDataObject* { return new CT_GifTest; });
}

/** Writes <folder>/<name>/<name>.tmpl for the shift filter; delay 1 renders in the background. */
inline std::string WriteShiftTemplate(const std::string& folder, const std::string& name, bool deferred = false,
                                      bool region = true, const char* templateClass = "SimpleTemplate")
{
    const std::string dir = folder + "/" + name;
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/" + name + ".tmpl")
        << "<effect><template name=\"" << name << "\"/>"
        << "<filter name=\"" << templateClass << "\" delay=\"" << (deferred ? 1 : 0) << "\">"
        << "<filter name=\"ShiftTestFilter\"/>"
        << "<variables><var1 name=\"Amount\" min=\"0\" max=\"100\" default=\"10\" resolution=\"1\"/></variables>"
        << (region ? "<roi defaultx=\"0.25\" defaulty=\"0.25\" defaultw=\"0.5\" defaulth=\"0.5\"/>" : "")
        << "</filter></effect>";
    return dir;
}

/** Processes events until every posted notification has been delivered (or a time-out). */
inline void Drain(int ms = 2000)
{
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    } while (controls::QtNotificationSink::Instance().Pending() > 0 && t.elapsed() < ms);
    QCoreApplication::processEvents();
}

/** Takes the messages the program would show, and answers each with `answer`. */
struct MessageLog {
    explicit MessageLog(QMessageBox::StandardButton a = QMessageBox::Ok) : answer(a) {}
    void Install();
    bool Saw(const QString& part) const;

    QStringList texts;
    QMessageBox::StandardButton answer;
};

void Click(QWidget* w, const QPoint& p, Qt::KeyboardModifiers mods = {});
/** A mouse event straight to w (a press or release with the left button, a move with none). */
void SendMouse(QWidget* w, QEvent::Type type, const QPointF& p, Qt::MouseButtons buttons);

/**
 * The program's main window on a fresh document, for a test class to derive from: Open() in
 * init(), Close() in cleanup(). With the gallery, the window's template page is the real one
 * over the staged template library; without it, tests choose the templates they write.
 */
class ProgramWindow {
protected:
    enum class Page { None, Gallery };
    /** False when the window did not come up. */
    [[nodiscard]] bool Open(Page page = Page::None);
    void Close();

    /**
     * Writes a shift-filter template into dir_ and makes it current as the template page does
     * on a selection; deferred renders it in the background and waits for the result.
     */
    void SelectTestTemplate(const char* name, bool deferred = false, bool region = true,
                            const char* templateClass = "SimpleTemplate");
    /** Clicks the gallery cell of the named template (searching every category) and waits for its
     *  result; false when it is not staged. */
    bool PickTemplate(const QString& name);
    /** A new main window on the same document (not shown yet), as the next run of the program. */
    void NewWindow(Page page);
    /**
     * Presses Export and hands the export dialog to `use` once it is open (it is modal: `use`
     * runs inside its event loop and should save or close it); false when it did not open in time.
     */
    bool ExportThrough(const std::function<void(shell::CDlgExport& dialog)>& use, int timeoutMs = 10000);

    std::unique_ptr<testenv::TempDir> dir_;
    std::unique_ptr<engine::CPhotoDocument> doc_;
    std::unique_ptr<shell::CGrimazeDlg> main_;
    engine::RefPtr<engine::CEffectTemplate> template_;  // the one SelectTestTemplate opened, kept alive for the test
};

}  // namespace guitest
