// SPDX-License-Identifier: MIT
#include "engine/ImageCodecs.h"
#include "engine/ImageIO.h"
#include "engine/PictureTypes.h"
#include "engine/tests/EngineTestUtil.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <set>

using namespace engine;

namespace {

using enginetest::MakeTestCard;

}  // namespace

TEST(PictureTypes, LookUpByFileNameAndByName)
{
    ASSERT_NE(PictureTypeOfFile("a/b.JPEG"), nullptr);
    EXPECT_STREQ(PictureTypeOfFile("a/b.JPEG")->name, "jpg");
    EXPECT_STREQ(PictureTypeOfFile("x.tif")->mimeType, "image/tiff");
    EXPECT_EQ(PictureTypeOfFile("photo"), nullptr);
    EXPECT_EQ(PictureTypeOfFile("dir.jpg/photo"), nullptr);  // the dot belongs to a folder
    EXPECT_EQ(PictureTypeOfFile("x.gif"), nullptr);
    EXPECT_EQ(PictureTypeOfFile("x."), nullptr);
    EXPECT_STREQ(PictureTypeNamed("JPEG")->name, "jpg");
    EXPECT_STREQ(PictureTypeNamed(".webp")->name, "webp");
    EXPECT_STREQ(PictureTypeNamed("tif")->name, "tiff");
    EXPECT_EQ(PictureTypeNamed(""), nullptr);
    EXPECT_EQ(PictureTypeNamed("."), nullptr);
    EXPECT_TRUE(IsReadablePictureName("x.pgm"));
    EXPECT_FALSE(IsWritablePictureName("x.pgm"));
    EXPECT_TRUE(IsWritablePictureName("x.WebP"));
    EXPECT_EQ(WritableTypeNames(), "jpg, png, bmp, tiff or webp");
    EXPECT_EQ(ReadableMimeTypes().rfind("image/jpeg;image/png;", 0), 0u);
}

// The table is only worth having when it tells the truth: every writable type encodes and reads
// back, every extension is listed once, and every readable type's files decode.
TEST(PictureTypes, EveryTypeDoesWhatTheTableSays)
{
    const cv::Mat card = MakeTestCard(64, 48);
    std::set<std::string> extensions, mimes;
    for (const PictureType& t : PictureTypes()) {
        EXPECT_TRUE(mimes.insert(t.mimeType).second) << t.mimeType;
        for (const std::string& e : t.Extensions()) EXPECT_TRUE(extensions.insert(e).second) << e;
        EXPECT_TRUE(t.readable) << t.name;  // a type the program cannot even read has no business here
        std::vector<uchar> reference;
        cv::Mat grey;
        cv::cvtColor(card, grey, cv::COLOR_BGR2GRAY);
        const bool greyOnly = t.PreferredExtension() == ".pgm" || t.PreferredExtension() == ".pbm";
        ASSERT_TRUE(cv::imencode(t.PreferredExtension(), greyOnly ? grey : card, reference)) << t.name;
        const cv::Mat decoded = DecodeImage(std::string_view(reinterpret_cast<const char*>(reference.data()), reference.size()));
        EXPECT_EQ(decoded.size(), card.size()) << t.name;
        std::string bytes, error;
        EXPECT_EQ(EncodeImage(card, t.PreferredExtension(), bytes, 90, &error), t.writable) << t.name << ": " << error;
        if (!t.writable) continue;
        const cv::Mat back = DecodeImage(bytes);
        ASSERT_EQ(back.size(), card.size()) << t.name;
        EXPECT_GT(cv::PSNR(back, card), 25.0) << t.name;
    }
}

TEST(EncodeImage, TiffKeepsEveryPixelOfGreyAndColourAndDropsAlpha)
{
    const cv::Mat card = MakeTestCard(37, 9);
    cv::Mat grey, bgra;
    cv::cvtColor(card, grey, cv::COLOR_BGR2GRAY);
    cv::cvtColor(card, bgra, cv::COLOR_BGR2BGRA);
    bgra.at<cv::Vec4b>(3, 4)[3] = 17;
    for (const cv::Mat& m : {card, grey, bgra}) {
        const cv::Mat before = m.clone();
        std::string bytes;
        ASSERT_TRUE(EncodeImage(m, ".TIF", bytes));
        EXPECT_EQ(cv::norm(before, m, cv::NORM_INF), 0) << "the encoder changed the picture it was given";
        const std::vector<uchar> raw(bytes.begin(), bytes.end());
        const cv::Mat back = cv::imdecode(raw, cv::IMREAD_UNCHANGED);
        const cv::Mat expected = m.channels() == 4 ? card : m;
        ASSERT_EQ(back.type(), expected.type()) << m.channels();
        EXPECT_EQ(cv::norm(back, expected, cv::NORM_INF), 0) << m.channels();
    }
    // Larger than one strip, so the strips and the directory written after them must line up.
    const cv::Mat big = MakeTestCard(640, 480);
    std::string bytes;
    ASSERT_TRUE(EncodeImage(big, ".tiff", bytes));
    EXPECT_EQ(cv::norm(DecodeImage(bytes), big, cv::NORM_INF), 0);
}

TEST(EncodeImage, WebpFollowsTheQualityAndKeepsAlpha)
{
    const cv::Mat card = MakeTestCard(64, 48);
    std::string low, high;
    ASSERT_TRUE(EncodeImage(card, ".webp", low, 5));
    ASSERT_TRUE(EncodeImage(card, ".webp", high, 100));
    EXPECT_LT(low.size(), high.size());
    EXPECT_LT(cv::norm(DecodeImage(high), card, cv::NORM_L1), cv::norm(DecodeImage(low), card, cv::NORM_L1));

    cv::Mat bgra;
    cv::cvtColor(card, bgra, cv::COLOR_BGR2BGRA);
    bgra(cv::Rect(0, 0, 16, 16)).setTo(cv::Scalar(0, 0, 255, 0));
    std::string bytes;
    ASSERT_TRUE(EncodeImage(bgra, ".webp", bytes, 90));
    const cv::Mat back = DecodeImage(bytes, 1, true);
    ASSERT_EQ(back.type(), CV_8UC4);
    EXPECT_EQ(back.at<cv::Vec4b>(4, 4)[3], 0);
    EXPECT_EQ(back.at<cv::Vec4b>(30, 40)[3], 255);

    std::string error;
    EXPECT_FALSE(EncodeImage(cv::Mat(2, 16384, CV_8UC3, cv::Scalar::all(0)), ".webp", bytes, 90, &error));
    EXPECT_NE(error.find("16383"), std::string::npos);
}

TEST(SaveImage, WritesEveryWritableTypeAndRefusesTheRest)
{
    const testenv::TempDir dir;
    const cv::Mat card = MakeTestCard(20, 10);
    for (const PictureType& t : PictureTypes()) {
        const std::string path = dir.path() + "/out" + t.PreferredExtension();
        std::string error;
        EXPECT_EQ(SaveImage(path, card, &error), t.writable) << t.name;
        EXPECT_EQ(LoadPhoto(path).size() == card.size(), t.writable) << t.name;
    }
    std::string error;
    EXPECT_FALSE(SaveImage(dir.path() + "/out.gif", card, &error));
    EXPECT_EQ(error, "the file name must end in .jpg, .png, .bmp, .tiff or .webp");
}
