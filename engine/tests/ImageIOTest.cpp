#include "engine/ImageIO.h"
#include "engine/tests/EngineTestUtil.h"
#include "platform/Files.h"
#include "platform/Folders.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <fstream>

using namespace engine;

using enginetest::MakeGradient;

namespace {

std::string ReadLog()
{
    std::string text;
    platform::ReadFile(platform::UserFolder() + "log.txt", text, 1 << 20);
    return text;
}

int CountLines(const std::string& s)
{
    int n = 0;
    for (size_t p = 0; (p = s.find("\r\n", p)) != std::string::npos; p += 2) ++n;
    return n;
}

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Encode(const cv::Mat& m, const std::string& ext)
{
    std::vector<uchar> buf;
    cv::imencode(ext, m, buf);
    return std::string(buf.begin(), buf.end());
}

// A minimal EXIF block (APP1) with one tag: orientation.
std::string ExifOrientation(int orientation)
{
    std::string tiff = std::string("II*\0", 4) + std::string("\x08\0\0\0", 4) + std::string("\x01\0", 2) +
                       std::string("\x12\x01\x03\0\x01\0\0\0", 8) + std::string(1, char(orientation)) +
                       std::string("\0\0\0", 3) + std::string("\0\0\0\0", 4);
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    const size_t len = payload.size() + 2;
    return std::string("\xFF\xE1", 2) + char(len >> 8) + char(len & 0xFF) + payload;
}

}  // namespace

TEST(LoadPhoto, ReadsCommonFormatsAsBgr)
{
    testenv::TempDir dir;
    const cv::Mat src = MakeGradient(40, 30);
    for (const char* ext : {".png", ".bmp", ".tiff", ".webp"}) {
        const std::string path = dir / (std::string("p") + ext);
        cv::imwrite(path, src);
        std::string error;
        const cv::Mat m = LoadPhoto(path, &error);
        ASSERT_FALSE(m.empty()) << ext << ": " << error;
        EXPECT_EQ(m.type(), CV_8UC3);
        EXPECT_EQ(m.size(), src.size()) << ext;
        int w = 0, h = 0;
        EXPECT_TRUE(ReadImageSize(path, w, h)) << ext;
        EXPECT_EQ(w, 40);
        EXPECT_EQ(h, 30);
    }
    const cv::Mat grey(10, 20, CV_8UC1, cv::Scalar(77));
    cv::imwrite(dir / "grey.png", grey);
    const cv::Mat g = LoadPhoto(dir / "grey.png");
    ASSERT_EQ(g.type(), CV_8UC3);
    EXPECT_EQ(g.at<cv::Vec3b>(5, 5), cv::Vec3b(77, 77, 77));
}

TEST(LoadPhoto, AppliesExifOrientation)
{
    testenv::TempDir dir;
    std::string jpeg = Encode(MakeGradient(40, 20), ".jpg");
    jpeg.insert(2, ExifOrientation(6));  // right after the start-of-image marker
    WriteBytes(dir / "turned.jpg", jpeg);
    const cv::Mat m = LoadPhoto(dir / "turned.jpg");
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m.cols, 20);
    EXPECT_EQ(m.rows, 40);
}

TEST(LoadPhoto, BadFilesFailWithAReasonAndOneLogLineEach)
{
    testenv::TempDir dir;
    const std::string before = ReadLog();
    std::string error;

    EXPECT_TRUE(LoadPhoto(dir / "missing.jpg", &error).empty());
    EXPECT_NE(error.find("does not exist"), std::string::npos);

    WriteBytes(dir / "empty.jpg", "");
    EXPECT_TRUE(LoadPhoto(dir / "empty.jpg", &error).empty());
    EXPECT_NE(error.find("empty"), std::string::npos);

    WriteBytes(dir / "garbage.jpg", std::string(5000, 'x'));
    EXPECT_TRUE(LoadPhoto(dir / "garbage.jpg", &error).empty());
    EXPECT_NE(error.find("not a supported image"), std::string::npos);

    const std::string png = Encode(MakeGradient(64, 64), ".png");
    WriteBytes(dir / "cut.png", png.substr(0, png.size() / 2));
    EXPECT_TRUE(LoadPhoto(dir / "cut.png", &error).empty());

    const std::string jpg = Encode(MakeGradient(64, 64), ".jpg");
    WriteBytes(dir / "cut.jpg", jpg.substr(0, jpg.size() / 2));
    EXPECT_TRUE(LoadPhoto(dir / "cut.jpg", &error).empty());
    EXPECT_NE(error.find("truncated"), std::string::npos);

    EXPECT_TRUE(LoadPhoto(dir.path(), &error).empty());  // a folder

    const std::string log = ReadLog().substr(before.size());
    EXPECT_EQ(CountLines(log), 6);
    EXPECT_NE(log.find("Load Image File\"" + dir / "missing.jpg" + "\"failed. error:"), std::string::npos);
}

TEST(LoadPhoto, RefusesHugePhotosBeforeDecoding)
{
    testenv::TempDir dir;
    // A valid PNG header claiming 20000 x 10000 pixels (200 MP) over a tiny body: refused from
    // the header alone, so nothing near 600 MB is ever allocated.
    std::string png = Encode(MakeGradient(8, 8), ".png");
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) png[at + i] = char((v >> (24 - 8 * i)) & 0xFF);
    };
    put32(16, 20000);
    put32(20, 10000);
    WriteBytes(dir / "huge.png", png);
    std::string error;
    EXPECT_TRUE(LoadPhoto(dir / "huge.png", &error).empty());
    EXPECT_NE(error.find("100 megapixels"), std::string::npos) << error;

    // A JPEG frame header with 65535 x 65535.
    std::string jpg = Encode(MakeGradient(8, 8), ".jpg");
    const size_t sof = jpg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    jpg[sof + 5] = jpg[sof + 6] = jpg[sof + 7] = jpg[sof + 8] = char(0xFF);
    WriteBytes(dir / "huge.jpg", jpg);
    EXPECT_TRUE(LoadPhoto(dir / "huge.jpg", &error).empty());
    EXPECT_NE(error.find("100 megapixels"), std::string::npos) << error;
}

TEST(SaveImage, WritesByExtensionAndRefusesOthers)
{
    testenv::TempDir dir;
    const cv::Mat img = MakeGradient(16, 8);
    for (const char* name : {"a.png", "b.JPG", "c.jpeg", "d.bmp"}) {
        std::string error;
        ASSERT_TRUE(SaveImage(dir / name, img, &error)) << name << error;
        EXPECT_EQ(cv::imread(dir / name).size(), img.size());
    }
    std::string error;
    EXPECT_FALSE(SaveImage(dir / "e.gif", img, &error));
    EXPECT_FALSE(SaveImage(dir / "f.png", cv::Mat(), &error));
    EXPECT_FALSE(SaveImage(dir / "no/such/folder/g.png", img, &error));
    EXPECT_FALSE(platform::FileExists(dir / "f.png"));
    // Lossless formats keep every pixel.
    EXPECT_EQ(cv::norm(cv::imread(dir / "a.png"), img, cv::NORM_INF), 0);
}

TEST(LoadPhotoForView, DecodesJustEnoughForTheView)
{
    testenv::TempDir dir;
    cv::imwrite(dir / "big.jpg", MakeGradient(2000, 1600));
    // A quarter still covers 400 pixels in either orientation; an eighth would not.
    EXPECT_EQ(LoadPhotoForView(dir / "big.jpg", {400, 300}).size(), cv::Size(500, 400));
    EXPECT_EQ(LoadPhotoForView(dir / "big.jpg", {1900, 1500}).size(), cv::Size(2000, 1600));
    EXPECT_EQ(LoadPhotoForView(dir / "big.jpg", {100, 100}).size(), cv::Size(250, 200));
    std::string error;
    EXPECT_TRUE(LoadPhotoForView(dir / "none.jpg", {100, 100}, &error).empty());
    EXPECT_FALSE(error.empty());
}
