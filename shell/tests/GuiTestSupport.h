#pragma once
// What the desktop program's tests share: a filter whose result shows its parameter, template
// folders written on the fly, and helpers to wait for posted notifications.
#include "controls/QtNotify.h"
#include "engine/Registry.h"
#include "engine/SimpleFilter.h"
#include "engine/SimpleTemplate.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <opencv2/imgproc.hpp>

#include <filesystem>
#include <fstream>
#include <string>

namespace guitest {

/** The photo, scaled to the output, brightened by var1: every slider step shows. */
class CF_ShiftTest : public CF_SimpleFilter {
public:
    void Process() override
    {
        if (source_.empty() || result_.empty()) return;
        cv::resize(source_, result_, result_.size(), 0, 0, cv::INTER_AREA);
        if (const SimpleParams* p = Params()) result_ += cv::Scalar::all(p->var[0]);
    }
};

inline void RegisterTestClasses()
{
    RegisterCreator("ShiftTestFilter", []() -> CImageDataObject* { return new CF_ShiftTest; });
}

/** Writes <folder>/<name>/<name>.tmpl for the shift filter; delay 1 renders in the background. */
inline std::string WriteShiftTemplate(const std::string& folder, const std::string& name, bool deferred = false,
                                      bool region = true)
{
    const std::string dir = folder + "/" + name;
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/" + name + ".tmpl")
        << "<effect><template name=\"" << name << "\"/>"
        << "<filter name=\"SimpleTemplate\" delay=\"" << (deferred ? 1 : 0) << "\">"
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
    } while (ui::QtNotificationSink::Instance().Pending() > 0 && t.elapsed() < ms);
    QCoreApplication::processEvents();
}

}  // namespace guitest
