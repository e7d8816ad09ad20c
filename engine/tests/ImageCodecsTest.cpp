#include "engine/ImageCodecs.h"
#include "engine/tests/EngineTestUtil.h"
#include "platform/testing/Images.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

using namespace engine;

using enginetest::MakeGradient;
using enginetest::MakeTestCard;

// OpenCV's own decoders serve as the reference here: the program no longer links them, but
// pictures must come out of our readers exactly as they did before.

using testenv::Same;

namespace {

std::string Encode(const cv::Mat& m, const std::string& ext, const std::vector<int>& options = {})
{
    std::vector<uchar> buf;
    EXPECT_TRUE(cv::imencode(ext, m, buf, options)) << ext;
    return std::string(buf.begin(), buf.end());
}

cv::Mat Reference(const std::string& bytes, int flags = cv::IMREAD_COLOR)
{
    const cv::Mat raw(1, static_cast<int>(bytes.size()), CV_8UC1, const_cast<char*>(bytes.data()));
    return cv::imdecode(raw, flags);
}

std::string Le16(unsigned v) { return {char(v & 0xFF), char(v >> 8)}; }
std::string Le32(unsigned v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

// A BMP with a 40-byte header, the given palette (BGRX entries) and raw pixel bytes.
std::string MakeBmp(int w, int h, int bpp, unsigned compression, const std::string& palette, const std::string& pixels,
                    const std::string& masks = {})
{
    const unsigned dataAt = 14 + 40 + static_cast<unsigned>(masks.size() + palette.size());
    return "BM" + Le32(dataAt + static_cast<unsigned>(pixels.size())) + Le32(0) + Le32(dataAt) + Le32(40) +
           Le32(static_cast<unsigned>(w)) + Le32(static_cast<unsigned>(h)) + Le16(1) + Le16(static_cast<unsigned>(bpp)) +
           Le32(compression) + Le32(static_cast<unsigned>(pixels.size())) + Le32(2835) + Le32(2835) +
           Le32(static_cast<unsigned>(palette.size() / 4)) + Le32(0) + masks + palette + pixels;
}

std::string WithExifOrientation(const std::string& jpeg, int orientation)
{
    const std::string tiff = std::string("MM\0*\0\0\0\x08", 8) + std::string("\0\x01", 2) +
                             std::string("\x01\x12\0\x03\0\0\0\x01\0", 9) + char(orientation) + std::string(6, '\0');
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    const size_t len = payload.size() + 2;
    return jpeg.substr(0, 2) + "\xFF\xE1" + char(len >> 8) + char(len & 0xFF) + payload + jpeg.substr(2);
}

}  // namespace

TEST(DecodeImage, JpegMatchesTheReferenceAtEveryScaleAndOrientation)
{
    const std::string jpeg = Encode(MakeTestCard(203, 131), ".jpg", {cv::IMWRITE_JPEG_QUALITY, 90});
    const std::pair<int, int> scales[] = {{1, cv::IMREAD_COLOR},
                                          {2, cv::IMREAD_REDUCED_COLOR_2},
                                          {4, cv::IMREAD_REDUCED_COLOR_4},
                                          {8, cv::IMREAD_REDUCED_COLOR_8}};
    for (auto [reduce, flags] : scales)
        EXPECT_TRUE(Same(DecodeImage(jpeg, reduce), Reference(jpeg, flags))) << "1/" << reduce;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string turned = WithExifOrientation(jpeg, orientation);
        const cv::Mat ours = DecodeImage(turned);
        EXPECT_EQ(ours.cols, orientation >= 5 ? 131 : 203) << orientation;
        EXPECT_TRUE(Same(ours, Reference(turned))) << "orientation " << orientation;
    }
    // An XMP block ahead of the EXIF one (both are APP1) does not hide the orientation.
    const std::string xmp = "http://ns.adobe.com/xap/1.0/" + std::string(1, '\0') + "<x:xmpmeta/>";
    const std::string xmpSegment = std::string("\xFF\xE1", 2) + char((xmp.size() + 2) >> 8) + char((xmp.size() + 2) & 0xFF) + xmp;
    const std::string turned = WithExifOrientation(jpeg, 6);
    const std::string both = turned.substr(0, 2) + xmpSegment + turned.substr(2);
    EXPECT_EQ(DecodeImage(both).cols, 131);
    // Grey JPEGs come out as three equal channels.
    cv::Mat grey;
    cv::cvtColor(MakeTestCard(64, 48), grey, cv::COLOR_BGR2GRAY);
    const std::string greyJpeg = Encode(grey, ".jpg");
    EXPECT_TRUE(Same(DecodeImage(greyJpeg), Reference(greyJpeg)));
}

TEST(DecodeImage, CmykJpegBecomesTheColoursItPrints)
{
    // Adobe-style CMYK: inks stored inverted, so 255 - ink.
    const int w = 16, h = 8;
    std::vector<unsigned char> cmyk(static_cast<size_t>(w * h * 4));
    for (int i = 0; i < w * h; ++i) {
        const bool left = i % w < w / 2;  // left: pure cyan; right: half black
        cmyk[i * 4 + 0] = left ? 0 : 255;
        cmyk[i * 4 + 1] = 255;
        cmyk[i * 4 + 2] = 255;
        cmyk[i * 4 + 3] = left ? 255 : 128;
    }
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = w;
    c.image_height = h;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    for (int y = 0; y < h; ++y) {
        JSAMPROW row = cmyk.data() + y * w * 4;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    const std::string file(reinterpret_cast<char*>(mem), size);
    std::free(mem);

    const cv::Mat m = DecodeImage(file);
    ASSERT_EQ(m.type(), CV_8UC3);
    const cv::Vec3b cyan = m.at<cv::Vec3b>(4, 2), grey = m.at<cv::Vec3b>(4, 13);
    EXPECT_NEAR(cyan[0], 255, 3);
    EXPECT_NEAR(cyan[1], 255, 3);
    EXPECT_NEAR(cyan[2], 0, 3);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(grey[k], 128, 3);
}

TEST(DecodeImage, PngOfEveryColourTypeMatchesTheReference)
{
    const cv::Mat card = MakeTestCard(37, 23);
    cv::Mat grey, bgra, deep;
    cv::cvtColor(card, grey, cv::COLOR_BGR2GRAY);
    cv::cvtColor(card, bgra, cv::COLOR_BGR2BGRA);
    for (int y = 0; y < bgra.rows; ++y)
        for (int x = 0; x < bgra.cols; ++x) bgra.at<cv::Vec4b>(y, x)[3] = static_cast<uchar>(x * 7);
    card.convertTo(deep, CV_16UC3, 257.0);
    deep.at<cv::Vec3w>(3, 3) = cv::Vec3w(0x12FF, 0x3400, 0xFFFF);  // high bytes count, low bytes do not
    for (const cv::Mat* m : std::initializer_list<const cv::Mat*>{&card, &grey, &bgra, &deep}) {
        const std::string png = Encode(*m, ".png");
        EXPECT_TRUE(Same(DecodeImage(png), Reference(png))) << m->type();
        const cv::Mat withAlpha = DecodeImage(png, 1, true);
        ASSERT_EQ(withAlpha.type(), CV_8UC4);
        EXPECT_EQ(withAlpha.at<cv::Vec4b>(5, 5)[3], m == &bgra ? 35 : 255);
    }
    // Interlaced and palette files: made by hand through libpng would be long; a 1-bit palette
    // file from the reference encoder covers the expansion.
    cv::Mat bits = (grey > 128);
    const std::string png = Encode(bits, ".png", {cv::IMWRITE_PNG_BILEVEL, 1});
    EXPECT_TRUE(Same(DecodeImage(png), Reference(png)));
}

TEST(DecodeImage, BmpOfEveryDepthAndLayout)
{
    const cv::Mat card = MakeTestCard(13, 7);  // odd width: rows are padded
    for (const cv::Mat& m : {card, cv::Mat(card.size(), CV_8UC1, cv::Scalar(77))}) {
        const std::string bmp = Encode(m, ".bmp");
        EXPECT_TRUE(Same(DecodeImage(bmp), Reference(bmp))) << m.channels() << " channels";
    }

    // 4-bit palette, 2 x 2, bottom-up: bottom row indexes 1 0, top row 0 2.
    const std::string palette = std::string("\x00\x00\x00\x00", 4) + std::string("\xFF\x00\x00\x00", 4) +
                                std::string("\x00\x00\xFF\x00", 4);
    cv::Mat m = DecodeImage(MakeBmp(2, 2, 4, 0, palette, std::string("\x10\0\0\0\x02\0\0\0", 8)));
    ASSERT_EQ(m.size(), cv::Size(2, 2));
    EXPECT_EQ(m.at<cv::Vec3b>(1, 0), cv::Vec3b(255, 0, 0));
    EXPECT_EQ(m.at<cv::Vec3b>(0, 1), cv::Vec3b(0, 0, 255));

    // Negative height: rows top-down. 24-bit, width 1 (3 bytes + 1 padding).
    std::string topDown = MakeBmp(1, 2, 24, 0, {}, std::string("\x01\x02\x03\0\x04\x05\x06\0", 8));
    topDown.replace(22, 4, Le32(static_cast<unsigned>(-2)));
    m = DecodeImage(topDown);
    ASSERT_EQ(m.rows, 2);
    EXPECT_EQ(m.at<cv::Vec3b>(0, 0), cv::Vec3b(1, 2, 3));

    // RLE8: a run of three index 1, a literal run of index 2 and 1, end of line, end of picture.
    const std::string rle = std::string("\x03\x01\x00\x03\x02\x01\x02\x00\x00\x00\x00\x01", 12);
    m = DecodeImage(MakeBmp(5, 2, 8, 1, palette, rle));
    ASSERT_EQ(m.size(), cv::Size(5, 2));
    EXPECT_EQ(m.at<cv::Vec3b>(1, 2), cv::Vec3b(255, 0, 0));
    EXPECT_EQ(m.at<cv::Vec3b>(1, 3), cv::Vec3b(0, 0, 255));
    EXPECT_EQ(m.at<cv::Vec3b>(1, 4), cv::Vec3b(255, 0, 0));
    EXPECT_EQ(m.at<cv::Vec3b>(0, 0), cv::Vec3b(0, 0, 0));  // the row never written: colour 0

    // 16-bit 5-6-5 through bit fields: pure green, 1 x 1.
    const std::string masks = Le32(0xF800) + Le32(0x07E0) + Le32(0x001F);
    m = DecodeImage(MakeBmp(1, 1, 16, 3, {}, Le16(0x07E0) + Le16(0), masks));
    EXPECT_EQ(m.at<cv::Vec3b>(0, 0), cv::Vec3b(0, 255, 0));
}

TEST(DecodeImage, PnmInAllSixKinds)
{
    const cv::Vec3b black(0, 0, 0), white(255, 255, 255);
    struct Case {
        std::string file;
        cv::Vec3b first, last;
    } cases[] = {
        {"P1\n# bits\n2 1\n10", black, white},
        {"P2 2 1 4\n0 4", black, white},
        {"P3\n1 2\n255\n255 0 0\n0 0 255\n", cv::Vec3b(0, 0, 255), cv::Vec3b(255, 0, 0)},
        {std::string("P4\n3 1\n\x40", 8), white, white},
        {std::string("P5\n2 1\n65535\n\x00\x00\xFF\xFF", 17), black, white},
        {std::string("P6 1 2 255\n\x0A\x14\x1E\x01\x02\x03", 17), cv::Vec3b(30, 20, 10), cv::Vec3b(3, 2, 1)},
    };
    for (const Case& c : cases) {
        std::string error;
        const cv::Mat m = DecodeImage(c.file, 1, false, &error);
        ASSERT_FALSE(m.empty()) << c.file.substr(0, 2) << ": " << error;
        EXPECT_EQ(m.at<cv::Vec3b>(0, 0), c.first) << c.file.substr(0, 2);
        EXPECT_EQ(m.at<cv::Vec3b>(m.rows - 1, m.cols - 1), c.last) << c.file.substr(0, 2);
    }
    EXPECT_EQ(DecodeImage(std::string("P4\n3 1\n\x40", 8)).at<cv::Vec3b>(0, 1), black);
}

TEST(DecodeImage, TiffAndWebpMatchTheReference)
{
    const cv::Mat card = MakeTestCard(31, 17);
    const std::string tiff = Encode(card, ".tiff");
    EXPECT_TRUE(Same(DecodeImage(tiff), Reference(tiff)));
    const std::string webp = Encode(card, ".webp", {cv::IMWRITE_WEBP_QUALITY, 101});  // lossless
    EXPECT_TRUE(Same(DecodeImage(webp), card));
    EXPECT_EQ(DecodeImage(tiff, 2).size(), cv::Size(15, 8));  // formats without scaled decoding shrink after
}

TEST(DecodeImage, CutShortOrScrambledFilesFailCleanly)
{
    const cv::Mat card = MakeTestCard(48, 32);
    const std::string files[] = {Encode(card, ".jpg"),  Encode(card, ".png"),
                                 Encode(card, ".bmp"),  Encode(card, ".tiff"),
                                 Encode(card, ".webp"), Encode(card, ".ppm")};
    for (const std::string& file : files) {
        ASSERT_FALSE(DecodeImage(file).empty()) << file.substr(0, 4);
        // Every cut through the headers, then a coarser walk through the pixel data.
        for (size_t cut = 0; cut < file.size(); cut += cut < 200 ? 1 : 97) {
            std::string error;
            const cv::Mat m = DecodeImage(std::string_view(file).substr(0, cut), 1, false, &error);
            if (m.empty()) {
                EXPECT_FALSE(error.empty()) << "cut at " << cut;
            }
        }
        // Bytes overwritten with noise (a fixed seed keeps failures reproducible).
        unsigned state = 12345;
        for (int round = 0; round < 60; ++round) {
            std::string bad = file;
            for (int k = 0; k < 8; ++k) {
                state = state * 214013u + 2531011u;
                bad[(state >> 8) % bad.size()] = static_cast<char>(state >> 24);
            }
            (void)DecodeImage(bad, 1 << (round % 4), round % 2 == 0);
        }
    }
    // A truncated JPEG is an error, not a half-grey picture.
    std::string error;
    const std::string& jpeg = files[0];
    EXPECT_TRUE(DecodeImage(std::string_view(jpeg).substr(0, jpeg.size() / 2), 1, false, &error).empty());
    EXPECT_EQ(error, "the JPEG file is truncated");
}

TEST(DecodeImage, HugeDimensionsAreRefusedBeforeAllocating)
{
    std::string error;
    EXPECT_TRUE(DecodeImage(MakeBmp(200000, 200000, 24, 0, {}, "xxxx"), 1, false, &error).empty());
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(DecodeImage("P6 100000 100000 255\n", 1, false, &error).empty());
    std::string png = Encode(cv::Mat(4, 4, CV_8UC3, cv::Scalar(1, 2, 3)), ".png");
    png.replace(16, 8, std::string("\x00\x00\xC3\x50\x00\x00\xC3\x50", 8));  // 50000 x 50000 (bad CRC too)
    EXPECT_TRUE(DecodeImage(png).empty());
    EXPECT_TRUE(DecodeImage("GIF89a....").empty());
    EXPECT_TRUE(DecodeImage("").empty());
}

TEST(EncodeImage, RoundTripsEveryFormatAndLayout)
{
    const cv::Mat card = MakeTestCard(21, 11);
    cv::Mat grey, bgra;
    cv::cvtColor(card, grey, cv::COLOR_BGR2GRAY);
    cv::cvtColor(card, bgra, cv::COLOR_BGR2BGRA);
    bgra.at<cv::Vec4b>(2, 2)[3] = 9;
    std::string bytes;
    for (const cv::Mat& m : {card, grey, bgra}) {
        ASSERT_TRUE(EncodeImage(m, ".PNG", bytes));
        EXPECT_TRUE(Same(Reference(bytes, cv::IMREAD_UNCHANGED), m)) << "png, " << m.channels() << " channels";
        ASSERT_TRUE(EncodeImage(m, ".bmp", bytes));
        EXPECT_TRUE(Same(Reference(bytes), m.channels() == 3 ? card : Reference(Encode(m, ".png"))))
            << "bmp, " << m.channels() << " channels";
        ASSERT_TRUE(EncodeImage(m, ".jpeg", bytes, 95));
        const cv::Mat back = Reference(bytes);
        ASSERT_EQ(back.size(), m.size());
        // The same encoder settings as before: exports look as they always did.
        const cv::Mat colour = m.channels() == 3 ? card : Reference(Encode(m, ".png"));
        EXPECT_TRUE(Same(back, Reference(Encode(colour, ".jpg", {cv::IMWRITE_JPEG_QUALITY, 95}))));
    }
    std::string small, large;
    ASSERT_TRUE(EncodeImage(card, ".jpg", small, 5));
    ASSERT_TRUE(EncodeImage(card, ".jpg", large, 100));
    EXPECT_LT(small.size(), large.size());

    std::string error;
    EXPECT_FALSE(EncodeImage(card, ".gif", bytes, 95, &error));
    EXPECT_FALSE(EncodeImage(cv::Mat(), ".png", bytes, 95, &error));
    EXPECT_FALSE(EncodeImage(cv::Mat(2, 2, CV_32FC3), ".png", bytes, 95, &error));
    EXPECT_FALSE(error.empty());
}
