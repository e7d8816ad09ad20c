#include "face/tests/FaceTestUtil.h"

#include "app/Builtins.h"
#include "engine/ImageIO.h"

#include <opencv2/imgproc.hpp>

using namespace engine;

namespace facetest {

namespace {
cv::Mat Sample(const char* name)
{
    return LoadPhoto(testenv::SourceDir() + "/media/Images/default/" + name);
}
}  // namespace

cv::Mat Astronaut() { return Sample("Default1.jpg"); }
cv::Mat Coffee() { return Sample("Default2.jpg"); }
cv::Mat Cat() { return Sample("Default3.jpg"); }

cv::Mat Collage()
{
    const cv::Mat a = Astronaut();
    cv::Mat out(520, 1200, CV_8UC3, cv::Scalar(128, 128, 128));
    if (a.empty()) return {};
    const int sizes[3] = {400, 320, 360};
    const int xs[3] = {10, 430, 800};
    for (int i = 0; i < 3; ++i) {
        cv::Mat s;
        cv::resize(a, s, cv::Size(sizes[i], sizes[i]), 0, 0, cv::INTER_AREA);
        s.copyTo(out(cv::Rect(xs[i], 60, sizes[i], sizes[i])));
    }
    return out;
}

void RegisterOnce() { app::RegisterBuiltinClasses(); }

}  // namespace facetest
