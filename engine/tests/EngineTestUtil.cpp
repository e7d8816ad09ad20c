#include "engine/tests/EngineTestUtil.h"

#include "engine/Registry.h"
#include "platform/Folders.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <fstream>
#include <mutex>

using namespace engine;

namespace enginetest {

std::string WriteTemplate(const testenv::TempDir& dir, const std::string& name, const std::string& xml)
{
    const std::string folder = dir / name;
    platform::MakeFolders(folder);
    std::ofstream(folder + "/" + name + ".tmpl") << xml;
    return folder;
}

std::string SimpleDefinition(const std::string& filterName, const std::string& extra, const std::string& delay)
{
    return "<effect><template name=\"Test\"/><filter name=\"SimpleTemplate\"" +
           (delay.empty() ? std::string() : " delay=\"" + delay + "\"") + "><filter name=\"" + filterName +
           "\"/>" + extra + "</filter></effect>";
}

cv::Mat MakeGradient(int w, int h)
{
    cv::Mat m(h, w, CV_8UC3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) m.at<cv::Vec3b>(y, x) = cv::Vec3b(uchar(x * 255 / std::max(1, w - 1)), uchar(y * 255 / std::max(1, h - 1)), 128);
    return m;
}

cv::Mat MakeTestCard(int w, int h)
{
    cv::Mat m = MakeGradient(w, h);
    cv::rectangle(m, {w / 5, h / 4, w / 3, h / 3}, {20, 200, 60}, cv::FILLED);
    cv::circle(m, {w * 2 / 3, h / 2}, std::max(2, h / 4), {240, 30, 180}, cv::FILLED);
    return m;
}

std::string WritePhoto(const testenv::TempDir& dir, const std::string& name, int w, int h)
{
    const std::string path = dir / name;
    cv::imwrite(path, MakeGradient(w, h));
    return path;
}

void RegisterOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { RegisterEngineClasses(); });
}

}  // namespace enginetest
