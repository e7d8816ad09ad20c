// SPDX-License-Identifier: MIT
// Pictures made to mislead the decoders: cut short behind a valid-looking end, headers that
// promise far more pixels than the data holds, run-length data that would expand a kilobyte
// into hundreds of megabytes, and names that are no picture files at all. The files in
// data/hostile are the ones a review found; each must be refused with a reason.
#include "engine/ImageCodecs.h"
#include "engine/ImageIO.h"
#include "platform/ByteOrder.h"
#include "platform/Files.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <filesystem>
#include <sys/resource.h>

using namespace engine;

namespace {

std::string Hostile(const std::string& name) { return testenv::SourceDir() + "/engine/tests/data/hostile/" + name; }

std::string Bytes(const std::string& path)
{
    std::string s;
    platform::ReadFile(path, s, 1 << 26);
    return s;
}

std::string Encode(const cv::Mat& m, const std::string& ext, std::vector<int> params = {})
{
    std::vector<uchar> buf;
    cv::imencode(ext, m, buf, params);
    return std::string(buf.begin(), buf.end());
}

cv::Mat Noise(int w, int h)
{
    cv::Mat m(h, w, CV_8UC3);
    cv::randu(m, 0, 255);
    return m;
}

// Peak memory of this process so far, in megabytes.
long PeakMegabytes()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

// The CRC a PNG chunk ends with, over its type and data.
std::uint32_t PngCrc(std::string_view bytes)
{
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c ^ 0xFFFFFFFFu;
}

// An 8-bit RLE BMP of w x h whose pixel data is the given bytes.
std::string RleBmp(int w, int h, const std::string& data)
{
    std::string b = "BM";
    const std::uint32_t at = 14 + 40 + 256 * 4;
    platform::AppendLe32(b, static_cast<std::uint32_t>(at + data.size()));
    platform::AppendLe32(b, 0);
    platform::AppendLe32(b, at);
    platform::AppendLe32(b, 40);
    platform::AppendLe32(b, static_cast<std::uint32_t>(w));
    platform::AppendLe32(b, static_cast<std::uint32_t>(h));
    platform::AppendLe16(b, 1);
    platform::AppendLe16(b, 8);
    platform::AppendLe32(b, 1);  // RLE8
    for (int i = 0; i < 5; ++i) platform::AppendLe32(b, 0);
    for (int i = 0; i < 256; ++i) platform::AppendLe32(b, static_cast<std::uint32_t>(i * 0x010101));
    return b + data;
}

}  // namespace

TEST(HostilePictures, JpegCutShortIsRefusedEvenWithAnEndMarker)
{
    std::string error;
    EXPECT_TRUE(DecodeImage(Bytes(Hostile("trunc_eoi.jpg")), 1, false, &error).empty());
    EXPECT_EQ(error, "the JPEG file is truncated");

    // Made here: baseline and progressive, cut in the middle and given an end marker.
    for (const bool progressive : {false, true}) {
        const std::string whole = Encode(Noise(200, 150), ".jpg", {cv::IMWRITE_JPEG_PROGRESSIVE, progressive ? 1 : 0});
        ASSERT_FALSE(DecodeImage(whole).empty());
        const std::string cut = whole.substr(0, whole.size() * 2 / 3) + "\xFF\xD9";
        EXPECT_TRUE(DecodeImage(cut, 1, false, &error).empty()) << "progressive " << progressive;
        EXPECT_EQ(error, "the JPEG file is truncated");
        EXPECT_TRUE(DecodeImage(cut, 4, false, &error).empty()) << "progressive " << progressive;
    }
    // The same for a photo: no exit with a half-grey picture.
    EXPECT_TRUE(LoadPhoto(Hostile("trunc_eoi.jpg"), &error).empty());
    EXPECT_EQ(error, "the JPEG file is truncated");
}

TEST(HostilePictures, HeadersThatPromiseMoreThanTheDataHoldsAreRefusedUnallocated)
{
    const long before = PeakMegabytes();
    std::string error;
    // 81 megapixels announced, 640 x 480 worth of data.
    EXPECT_TRUE(DecodeImage(Bytes(Hostile("big81mp.jpg")), 1, false, &error).empty());
    EXPECT_EQ(error, "the JPEG file holds too little data for its picture size");
    EXPECT_TRUE(LoadPhoto(Hostile("big81mp.jpg"), &error).empty());

    // A whole 64 x 64 picture whose header then claims 9000 x 9000, in each format that says
    // its size up front.
    const cv::Mat small = Noise(64, 64);
    std::string png = Encode(small, ".png");
    png.replace(16, 8, std::string("\x00\x00\x23\x28\x00\x00\x23\x28", 8));
    const std::uint32_t crc = PngCrc(std::string_view(png).substr(12, 17));  // "IHDR" and its 13 bytes
    for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    EXPECT_TRUE(DecodeImage(png, 1, false, &error).empty());
    EXPECT_NE(error.find("too little data"), std::string::npos) << error;

    std::string bmp = Encode(small, ".bmp");
    bmp.replace(18, 8, std::string("\x28\x23\x00\x00\x28\x23\x00\x00", 8));
    EXPECT_TRUE(DecodeImage(bmp, 1, false, &error).empty());
    EXPECT_EQ(error, "the BMP file is truncated");

    EXPECT_TRUE(DecodeImage("P6\n9000 9000\n255\n" + std::string(100, 'x'), 1, false, &error).empty());
    EXPECT_EQ(error, "the PNM file is truncated");
    EXPECT_TRUE(DecodeImage("P3\n9000 9000\n255\n" + std::string(100, '1'), 1, false, &error).empty());
    EXPECT_EQ(error, "the PNM file is truncated");

    std::string tiff = Encode(small, ".tiff", {cv::IMWRITE_TIFF_COMPRESSION, 1});
    EXPECT_FALSE(DecodeImage(tiff).empty());
    for (const char* tag : {"\x00\x01\x03\x00\x01\x00\x00\x00", "\x01\x01\x03\x00\x01\x00\x00\x00"}) {  // width, height
        const size_t at = tiff.find(std::string(tag, 8));
        ASSERT_NE(at, std::string::npos);
        tiff[at + 8] = '\x28', tiff[at + 9] = '\x23';
    }
    EXPECT_TRUE(DecodeImage(tiff, 1, false, &error).empty());
    EXPECT_FALSE(error.empty());
    // 81 MP of 3 bytes is about 240 MB: none of it may have been taken.
    EXPECT_LT(PeakMegabytes() - before, 100);
}

TEST(HostilePictures, RunLengthDataThatCannotFillThePictureIsRefused)
{
    const long before = PeakMegabytes();
    std::string error;
    for (const auto& e : std::filesystem::directory_iterator(Hostile(""))) {
        const std::string name = e.path().filename().string();
        if (name.find("rle") == std::string::npos && name.rfind("slow-unit", 0) != 0) continue;
        EXPECT_TRUE(DecodeImage(Bytes(e.path().string()), 1, false, &error).empty()) << name;
        EXPECT_EQ(error, "the BMP run-length data cannot fill the picture") << name;
        EXPECT_TRUE(LoadPhoto(e.path().string(), &error).empty()) << name;
    }
    EXPECT_LT(PeakMegabytes() - before, 100);

    // Runs of 255 pixels (two bytes each) can fill at most 127.5 pixels per byte of data.
    std::string rows;
    for (int y = 0; y < 4; ++y) rows += std::string("\xFF\x07\xFF\x07\x02\x07", 6) + std::string("\x00\x00", 2);
    rows += std::string("\x00\x01", 2);
    const cv::Mat full = DecodeImage(RleBmp(512, 4, rows), 1, false, &error);
    ASSERT_FALSE(full.empty()) << error;
    EXPECT_EQ(full.at<cv::Vec3b>(3, 511), cv::Vec3b(7, 7, 7));
    EXPECT_TRUE(DecodeImage(RleBmp(512, 40, rows), 1, false, &error).empty());
    EXPECT_EQ(error, "the BMP run-length data cannot fill the picture");
}

TEST(HostilePictures, BmpHeightOfIntMinIsDamagedNotNegated)
{
    for (const char* name : {"crash-5dce2a396123f062c6f5d2a85335fb690f502962", "crash-82513161f11ea8c0c3927e6bf5195690faf3e240"}) {
        std::string error;
        EXPECT_TRUE(DecodeImage(Bytes(Hostile(name)), 1, false, &error).empty()) << name;
        EXPECT_FALSE(error.empty());
        int w = 0, h = 0;
        EXPECT_FALSE(ReadImageSize(Hostile(name), w, h)) << name;
        EXPECT_TRUE(LoadPhoto(Hostile(name)).empty());
    }
    std::string bmp = Encode(Noise(4, 4), ".bmp");
    bmp.replace(22, 4, std::string("\x00\x00\x00\x80", 4));  // height -2147483648
    std::string error;
    EXPECT_TRUE(DecodeImage(bmp, 1, false, &error).empty());
    testenv::TempDir dir;
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "min.bmp", bmp));
    int w = 0, h = 0;
    EXPECT_FALSE(ReadImageSize(dir / "min.bmp", w, h, &error));
    EXPECT_EQ(error, "the image header is damaged");
}

TEST(HostilePictures, OnlyRegularFilesAreOpenedAsPhotos)
{
    testenv::TempDir dir;
    std::string error;
    const bool returned = testenv::ReturnsPromptlyOnFifo(dir / "pipe.jpg", [&] {
        EXPECT_TRUE(LoadPhoto(dir / "pipe.jpg", &error).empty());
    });
    EXPECT_TRUE(returned) << "LoadPhoto waited for someone to write into the pipe";
    EXPECT_EQ(error, "it is a pipe or a device, not a picture");
    int w = 0, h = 0;
    EXPECT_FALSE(ReadImageSize(dir / "pipe.jpg", w, h, &error));
    EXPECT_TRUE(LoadPicture(dir / "pipe.jpg").empty());
    EXPECT_TRUE(LoadPhotoForView(dir / "pipe.jpg", cv::Size(100, 100)).empty());

    EXPECT_TRUE(LoadPhoto(dir.path(), &error).empty());
    EXPECT_EQ(error, "it is a folder, not a picture");
    EXPECT_TRUE(LoadPhoto("/dev/null", &error).empty());
    EXPECT_EQ(error, "it is a pipe or a device, not a picture");
}
