// SPDX-License-Identifier: MIT
// A template's settings taken off and put back (the window's undo), and turned into a job for
// other photos (the window's batch export) that renders what the window would.
#include "batch/RenderJob.h"
#include "batch/TemplateSettings.h"
#include "app/Builtins.h"

#include "engine/PhotoDocument.h"
#include "engine/SimpleTemplate.h"
#include "engine/TemplateFile.h"
#include "frames/CT_Frame.h"
#include "platform/Clock.h"
#include "platform/testing/TestEnv.h"

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

using namespace batch;
using namespace engine;
using namespace frames;

namespace {

std::string Shipped(const char* name) { return testenv::SourceDir() + "/media/Templates/" + name; }

}  // namespace

TEST(TemplateSettings, SimpleAndFrameSettingsComeBackExactly)
{
    app::RegisterBuiltinClasses();
    CPhotoDocument doc;
    RefPtr<CEffectTemplate> oil = OpenTemplate(Shipped("OilPaint"), &doc);
    ASSERT_TRUE(oil);
    auto* simple = dynamic_cast<CT_SimpleTempl*>(oil.get());
    ASSERT_NE(simple, nullptr);
    const std::string before = CaptureSettings(*oil);
    simple->Params().var[0] += 1;
    simple->Params().x = 0.1f;
    EXPECT_NE(CaptureSettings(*oil), before);
    ASSERT_TRUE(RestoreSettings(*oil, before));
    EXPECT_EQ(CaptureSettings(*oil), before);

    RefPtr<CEffectTemplate> frame = OpenTemplate(Shipped("Polaroid"), &doc);
    ASSERT_TRUE(frame);
    auto* f = dynamic_cast<CT_Frame*>(frame.get());
    ASSERT_NE(f, nullptr);
    const std::string corners = CaptureSettings(*frame);
    f->Frame().main.corner[2] += cv::Point(7, -3);
    ASSERT_TRUE(RestoreSettings(*frame, corners));
    EXPECT_EQ(CaptureSettings(*frame), corners);
    // Settings of one kind of template do not go onto another.
    EXPECT_FALSE(RestoreSettings(*oil, corners));
    EXPECT_FALSE(RestoreSettings(*oil, ""));
    EXPECT_FALSE(RestoreSettings(*oil, "s"));
}

TEST(TemplateSettings, TheJobRendersWhatTheTemplateWithItsSettingsRenders)
{
    app::RegisterBuiltinClasses();
    testenv::TempDir dir;
    cv::Mat photo(90, 120, CV_8UC3);
    cv::randu(photo, 0, 255);
    ASSERT_TRUE(cv::imwrite(dir / "p.png", photo));
    platform::SetFixedSeed(7);

    CPhotoDocument doc;
    RefPtr<CEffectTemplate> t = OpenTemplate(Shipped("Mosaic"), &doc);
    ASSERT_TRUE(t);
    auto* simple = dynamic_cast<CT_SimpleTempl*>(t.get());
    ASSERT_NE(simple, nullptr);
    const auto& v = simple->Variable(0);
    simple->Params().var[0] = v.max;  // as if the slider was pulled to its end
    const RenderJob job = JobForTemplate(*t);
    ASSERT_FALSE(job.definitionXml.empty());
    ASSERT_TRUE(job.vars[0]);
    EXPECT_FLOAT_EQ(static_cast<float>(*job.vars[0]), v.max);

    RenderJob fromFile;
    fromFile.templateFile = Shipped("Mosaic");
    fromFile.vars[0] = v.max;
    fromFile.photos = {dir / "p.png"};
    RenderJob fromWindow = job;
    fromWindow.photos = fromFile.photos;
    std::string error;
    const cv::Mat a = RunRenderJob(fromFile, &error);
    ASSERT_FALSE(a.empty()) << error;
    const cv::Mat b = RunRenderJob(fromWindow, &error);
    ASSERT_FALSE(b.empty()) << error;
    EXPECT_EQ(cv::norm(a, b, cv::NORM_INF), 0);
    platform::SetFixedSeed(std::nullopt);
}
