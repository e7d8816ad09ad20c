#include "engine/SimpleTemplate.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"
#include "shell/logic/ExportRules.h"
#include "shell/logic/ExportSave.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <filesystem>
#include <fstream>

using namespace engine;

using namespace shell;

TEST(ExportRules, FitToAspect)
{
    EXPECT_EQ(FitToAspect(400, 400, 1000, 500), (ExportSize{400, 200}));
    EXPECT_EQ(FitToAspect(300, 300, 1000, 500), (ExportSize{300, 150}));
    EXPECT_EQ(FitToAspect(100, 1000, 1000, 500), (ExportSize{100, 50}));
    EXPECT_EQ(FitToAspect(333, 333, 1000, 1000), (ExportSize{333, 333}));
    EXPECT_EQ(FitToAspect(10, 10, 3, 7), (ExportSize{4, 10}));  // 3 * 10/7 = 4.29 rounds to 4
}

TEST(ExportRules, ParsingSizes)
{
    EXPECT_EQ(ParseSizeText("640"), 640);
    EXPECT_EQ(ParseSizeText("  12px"), 12);
    EXPECT_EQ(ParseSizeText("-5"), -5);
    EXPECT_EQ(ParseSizeText("abc"), 0);
    EXPECT_EQ(ParseSizeText(""), 0);
    EXPECT_EQ(ParseSizeText("99999999999999999999"), INT_MAX);
}

TEST(ExportRules, TypeChangesSwapExtensions)
{
    EXPECT_EQ(PathForType("/a/b.jpg", ExportType::Gif), "/a/b.gif");
    EXPECT_EQ(PathForType("/a/b.gif", ExportType::Image), "/a/b.jpg");
    EXPECT_EQ(PathForType("/a/b", ExportType::Image), "/a/b.jpg");
    EXPECT_EQ(PathForType("/a/b", ExportType::Gif), "/a/b.gif");
    EXPECT_EQ(PathForType("/a/b.PNG", ExportType::Image), "/a/b.PNG");
    EXPECT_EQ(PathForType("/a/b.GIF", ExportType::Gif), "/a/b.GIF");
    EXPECT_EQ(PathForType("/a/b.tiff", ExportType::Image), "/a/b.tiff");
    EXPECT_EQ(PathForType("/a/b.raw", ExportType::Image), "/a/b.jpg");
    EXPECT_EQ(PathForType("/my.folder/b", ExportType::Image), "/my.folder/b.jpg");
}

TEST(ExportRules, TheExtensionFollowsTheChosenFormat)
{
    const PictureType& jpeg = *PictureTypeNamed("jpg");
    EXPECT_EQ(PathForFormat("/a/b", jpeg), "/a/b.jpg");
    EXPECT_EQ(PathForFormat("/a/b.png", *PictureTypeNamed("png")), "/a/b.png");
    EXPECT_EQ(PathForFormat("/a/b.JPG", jpeg), "/a/b.JPG");
    EXPECT_EQ(PathForFormat("/a/b.jpeg", jpeg), "/a/b.jpeg");
    EXPECT_EQ(PathForFormat("/a/b.gif", jpeg), "/a/b.jpg");  // not b.gif.jpg
    EXPECT_EQ(PathForFormat("/a/b.jpg", *PictureTypeNamed("webp")), "/a/b.webp");
    EXPECT_EQ(PathForFormat("/a/b.png", *PictureTypeNamed("tiff")), "/a/b.tif");
    EXPECT_EQ(PathForFormat("/a.x/b", *PictureTypeNamed("bmp")), "/a.x/b.bmp");
    // The dialog offers the five formats the engine writes; two of them take a quality.
    std::vector<std::string> names;
    for (const PictureType* t : StillFormats()) names.push_back(FormatDisplayName(*t) + (TakesQuality(*t) ? "*" : ""));
    EXPECT_EQ(names, (std::vector<std::string>{"JPEG*", "PNG", "BMP", "TIFF", "WebP*"}));
    EXPECT_EQ(GifSavePath("/a/b.jpg"), "/a/b.gif");
    EXPECT_EQ(GifSavePath("/a/b.GIF"), "/a/b.gif");
    EXPECT_EQ(GifSavePath("/a.x/b"), "/a.x/b.gif");
    EXPECT_TRUE(CheckSavePath("/tmp/x.jpg"));
    EXPECT_FALSE(CheckSavePath("x.jpg"));
    EXPECT_FALSE(CheckSavePath("/tmp/"));
    EXPECT_FALSE(CheckSavePath(""));
}

TEST(ExportRules, WidthTypedKeepsTheAspectAndTheLimit)
{
    ExportSizeRules r;
    r.SetImageSize(1000, 500);
    EXPECT_EQ(r.WidthEdited({600, 7}), (ExportSize{600, 300}));
    EXPECT_EQ(r.WidthEdited({6000, 7}), (ExportSize{5000, 2500}));
    EXPECT_EQ(r.WidthEdited({-3, 40}), (ExportSize{0, 40}));
    // A tall picture: the height reaches the limit first.
    r.SetImageSize(500, 1000);
    EXPECT_EQ(r.WidthEdited({4000, 0}), (ExportSize{2500, 5000}));
    r.SetKeepAspect(false);
    EXPECT_EQ(r.WidthEdited({6000, 6000}), (ExportSize{5000, 5000}));
}

TEST(ExportRules, HeightTypedMirrorsWidth)
{
    ExportSizeRules r;
    r.SetImageSize(1000, 500);
    EXPECT_EQ(r.HeightEdited({1, 300}), (ExportSize{600, 300}));
    EXPECT_EQ(r.HeightEdited({1, 4000}), (ExportSize{5000, 2500}));
    r.SetKeepAspect(false);
    EXPECT_EQ(r.HeightEdited({10, -1}), (ExportSize{10, 0}));
}

TEST(ExportRules, GifTypeCapsAndFits)
{
    ExportSizeRules r;
    r.SetImageSize(1000, 500);
    r.SetType(ExportType::Gif);
    EXPECT_EQ(r.Limit(), 300);
    EXPECT_EQ(r.TypeChanged({400, 400}), (ExportSize{300, 150}));
    r.SetType(ExportType::Image);
    EXPECT_EQ(r.TypeChanged({-4, 6000}), (ExportSize{0, 5000}));
}

TEST(ExportRules, KeepAspectSwitchedOnFitsAndFillsZeros)
{
    ExportSizeRules r;
    r.SetImageSize(1000, 500);
    EXPECT_EQ(r.KeepAspectSwitched({400, 400}), (ExportSize{400, 200}));
    EXPECT_EQ(r.KeepAspectSwitched({0, 0}), (ExportSize{400, 300}));
    r.SetKeepAspect(false);
    EXPECT_EQ(r.KeepAspectSwitched({400, 400}), (ExportSize{400, 400}));
    ExportSizeRules noImage;
    EXPECT_EQ(noImage.WidthEdited({800, 3}), (ExportSize{800, 3}));
}

// --- Saving ------------------------------------------------------------------------------

namespace {
cv::Mat Gradient(int w, int h)
{
    cv::Mat m(h, w, CV_8UC3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) m.at<cv::Vec3b>(y, x) = cv::Vec3b(x % 256, y % 256, 128);
    return m;
}
}  // namespace

TEST(ExportSave, ScalesKeepingTheAspect)
{
    const cv::Mat img = Gradient(1000, 500);
    EXPECT_EQ(ScaleForExport(img, {400, 400}, true).size(), cv::Size(400, 200));
    EXPECT_EQ(ScaleForExport(img, {400, 400}, false).size(), cv::Size(400, 400));
    EXPECT_EQ(ScaleForExport(img, {2000, 1000}, true).size(), cv::Size(2000, 1000));
    EXPECT_TRUE(ScaleForExport(img, {0, 10}, true).empty());
    EXPECT_TRUE(ScaleForExport(cv::Mat(), {10, 10}, true).empty());
    EXPECT_EQ(ScaleToLongSide(img, 300).size(), cv::Size(300, 150));
    EXPECT_EQ(ScaleToLongSide(Gradient(500, 1000), 2000).size(), cv::Size(1000, 2000));
    EXPECT_EQ(ScaleToLongSide(img, 0).size(), img.size()) << "0 keeps the original size";
}

TEST(ExportSave, WritesCreatesFoldersAndAsksBeforeReplacing)
{
    testenv::TempDir dir;
    std::string path = dir / "out/deeper/picture";
    int asked = 0;
    auto no = [&](const std::string&) {
        ++asked;
        return false;
    };
    auto yes = [&](const std::string&) {
        ++asked;
        return true;
    };
    ASSERT_EQ(SaveImageFile(path, Gradient(40, 20), *PictureTypeNamed("jpg"), 92, no), SaveOutcome::Saved);
    EXPECT_EQ(path, dir / "out/deeper/picture.jpg");
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(cv::imread(path).size(), cv::Size(40, 20));

    // An existing file: Cancel leaves it untouched.
    const auto before = std::filesystem::last_write_time(path);
    std::string again = dir / "out/deeper/picture.jpg";
    EXPECT_EQ(SaveImageFile(again, Gradient(10, 10), *PictureTypeNamed("jpg"), 92, no), SaveOutcome::Declined);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(cv::imread(path).size(), cv::Size(40, 20));
    EXPECT_EQ(std::filesystem::last_write_time(path), before);
    EXPECT_EQ(SaveImageFile(again, Gradient(10, 10), *PictureTypeNamed("jpg"), 92, yes), SaveOutcome::Saved);
    EXPECT_EQ(cv::imread(path).size(), cv::Size(10, 10));

    // Nothing but the target is left in the folder.
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir / "out/deeper")) ++files;
    EXPECT_EQ(files, 1);
}

TEST(ExportSave, FailuresSayWhy)
{
    testenv::TempDir dir;
    std::string error;
    std::string relative = "picture.jpg";
    EXPECT_EQ(SaveImageFile(relative, Gradient(4, 4), *PictureTypeNamed("png"), 92, nullptr, &error), SaveOutcome::Failed);
    EXPECT_FALSE(error.empty());
    std::string folder = dir.path() + "/";
    EXPECT_EQ(SaveImageFile(folder, Gradient(4, 4), *PictureTypeNamed("png"), 92, nullptr, &error), SaveOutcome::Failed);
    std::string empty = dir / "x.png";
    EXPECT_EQ(SaveImageFile(empty, cv::Mat(), *PictureTypeNamed("png"), 92, nullptr, &error), SaveOutcome::Failed);
    // A folder that cannot be made: a file stands where it should be.
    std::ofstream(dir / "blocker") << "x";
    std::string blocked = dir / "blocker/inside.png";
    error.clear();
    EXPECT_EQ(SaveImageFile(blocked, Gradient(4, 4), *PictureTypeNamed("png"), 92, nullptr, &error), SaveOutcome::Failed);
    EXPECT_FALSE(error.empty());
}

TEST(ExportSave, GifNeedsATemplateThatWritesAnimations)
{
    testenv::TempDir dir;
    CT_SimpleTempl still;  // not an expression template: ExportAnimation writes nothing
    std::string path = dir / "anim.jpg";
    std::string error;
    EXPECT_EQ(SaveGifFile(path, still, 100, 100, nullptr, &error), SaveOutcome::Failed);
    EXPECT_FALSE(std::filesystem::exists(dir / "anim.gif"));
}
