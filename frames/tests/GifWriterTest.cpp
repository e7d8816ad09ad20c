#include "frames/GifWriter.h"
#include "platform/Files.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace frames;

namespace {

/** Floyd-Steinberg exactly as written down: a whole float image, shares clamped to the edges. */
std::vector<std::uint8_t> ReferenceDither(const cv::Mat& bgr)
{
    cv::Mat f;
    bgr.convertTo(f, CV_32FC3, 1, 0);
    const int w = f.cols, h = f.rows;
    std::vector<std::uint8_t> out(size_t(w) * h);
    auto at = [&](int x, int y) -> cv::Vec3f& {
        return f.at<cv::Vec3f>(std::clamp(y, 0, h - 1), std::clamp(x, 0, w - 1));
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int level[3];
            for (int c = 0; c < 3; ++c) {
                const float value = at(x, y)[c];
                level[c] = std::min(static_cast<int>(value / 51), 5);
                const float err = value - float(51 * level[c]);
                at(x + 1, y)[c] += err * 7 / 16;
                at(x - 1, y + 1)[c] += err * 3 / 16;
                at(x, y + 1)[c] += err * 5 / 16;
                at(x + 1, y + 1)[c] += err * 1 / 16;
            }
            out[size_t(y) * w + x] = static_cast<std::uint8_t>(level[0] + 6 * level[1] + 36 * level[2]);
        }
    return out;
}

std::vector<std::uint8_t> Dither(const cv::Mat& bgr)
{
    std::vector<std::uint8_t> out(bgr.total());
    DitherToColourCube(bgr, out.data());
    return out;
}

cv::Mat Gradient(int w, int h)
{
    cv::Mat m(h, w, CV_8UC3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            m.at<cv::Vec3b>(y, x) = cv::Vec3b(uchar(255 * x / std::max(1, w - 1)), uchar(255 * y / std::max(1, h - 1)),
                                              uchar((x * 3 + y * 5) % 256));
    return m;
}

std::string ReadAll(const std::string& path)
{
    std::string s;
    platform::ReadFile(path, s, 1 << 26);
    return s;
}

/** The blocks of a GIF file as a parser sees them. */
struct GifLayout {
    bool ok = false;
    std::string version;
    int width = 0, height = 0;
    bool globalTable = false;
    int globalEntries = 0;
    std::string globalPalette;
    std::vector<std::string> sequence;  // "image", "ext:<label>:<first sub-block>", ...
    std::vector<std::string> loopBlocks;  // sub-blocks after "NETSCAPE2.0"
    bool trailer = false;
};

GifLayout Walk(const std::string& d)
{
    GifLayout g;
    size_t p = 0;
    auto need = [&](size_t n) { return p + n <= d.size(); };
    auto u8 = [&](size_t at) { return static_cast<unsigned char>(d[at]); };
    auto u16 = [&](size_t at) { return u8(at) | (u8(at + 1) << 8); };
    auto subBlocks = [&](std::vector<std::string>* blocks) {
        while (need(1)) {
            const int n = u8(p++);
            if (n == 0) return true;
            if (!need(size_t(n))) return false;
            if (blocks) blocks->push_back(d.substr(p, size_t(n)));
            p += size_t(n);
        }
        return false;
    };
    if (!need(13)) return g;
    g.version = d.substr(0, 6);
    g.width = u16(6);
    g.height = u16(8);
    const int flags = u8(10);
    p = 13;
    g.globalTable = flags & 0x80;
    if (g.globalTable) {
        g.globalEntries = 2 << (flags & 7);
        if (!need(size_t(3 * g.globalEntries))) return g;
        g.globalPalette = d.substr(p, size_t(3 * g.globalEntries));
        p += size_t(3 * g.globalEntries);
    }
    while (need(1)) {
        const int b = u8(p++);
        if (b == 0x3B) {
            g.trailer = true;
            g.ok = p == d.size();
            return g;
        }
        if (b == 0x21) {
            if (!need(1)) return g;
            const int label = u8(p++);
            std::vector<std::string> blocks;
            if (!subBlocks(&blocks)) return g;
            g.sequence.push_back("ext:" + std::to_string(label) + ":" + (blocks.empty() ? "" : blocks[0]));
            if (label == 0xFF && !blocks.empty() && blocks[0] == "NETSCAPE2.0") g.loopBlocks.assign(blocks.begin() + 1, blocks.end());
        } else if (b == 0x2C) {
            if (!need(9)) return g;
            const int iflags = u8(p + 8);
            p += 9;
            if (iflags & 0x80) p += size_t(3 * (2 << (iflags & 7)));
            if (!need(1)) return g;
            ++p;  // LZW minimum code size
            if (!subBlocks(nullptr)) return g;
            g.sequence.push_back("image");
        } else {
            return g;
        }
    }
    return g;
}

/** A python3 that has PIL, or "" (the decoder checks are skipped then). */
std::string PythonWithPil()
{
    for (const char* py : {"python3", "/usr/bin/python3"}) {
        const std::string cmd = std::string(py) + " -c \"import PIL.GifImagePlugin\" >/dev/null 2>&1";
        if (std::system(cmd.c_str()) == 0) return py;
    }
    return {};
}

constexpr const char* kDecodeScript = R"PY(
import sys
from PIL import Image, GifImagePlugin
if hasattr(GifImagePlugin, "LoadingStrategy"):
    GifImagePlugin.LOADING_STRATEGY = GifImagePlugin.LoadingStrategy.RGB_AFTER_DIFFERENT_PALETTE_ONLY
src, out = sys.argv[1], sys.argv[2]
im = Image.open(src)
with open(out + "/info.txt", "w") as f:
    f.write("size %d %d\n" % im.size)
    f.write("frames %d\n" % im.n_frames)
    f.write("loop %d\n" % im.info.get("loop", -1))
    for i in range(im.n_frames):
        im.seek(i)
        f.write("mode %d %s\n" % (i, im.mode))
        with open(out + "/frame%d.raw" % i, "wb") as r:
            r.write(bytes(im.getdata()))
        if i == 0:
            with open(out + "/palette.raw", "wb") as r:
                r.write(bytes(im.getpalette()))
)PY";

}  // namespace

TEST(GifWriter, PaletteIsTheColourCubeThenBlack)
{
    const auto p = GifCubePalette();
    EXPECT_EQ(p[0], (GifRgb{0, 0, 0}));
    EXPECT_EQ(p[1], (GifRgb{0, 0, 51}));
    EXPECT_EQ(p[6], (GifRgb{0, 51, 0}));
    EXPECT_EQ(p[36], (GifRgb{51, 0, 0}));
    EXPECT_EQ(p[36 * 2 + 6 * 3 + 4], (GifRgb{102, 153, 204}));
    EXPECT_EQ(p[215], (GifRgb{255, 255, 255}));
    for (int i = 216; i < 256; ++i) EXPECT_EQ(p[i], (GifRgb{0, 0, 0}));
}

TEST(GifWriter, DitheringEqualsTheWholeImageDefinition)
{
    cv::RNG rng(17);
    std::vector<cv::Mat> inputs = {Gradient(64, 48), Gradient(1, 1), Gradient(1, 30), Gradient(30, 1), Gradient(2, 2)};
    for (int i = 0; i < 4; ++i) {
        cv::Mat m(13 + i * 7, 29 - i * 5, CV_8UC3);
        rng.fill(m, cv::RNG::UNIFORM, 0, 256);
        inputs.push_back(m);
    }
    // Near-white pictures pile the bottom row's shares above the top level.
    cv::Mat bright(40, 40, CV_8UC3);
    rng.fill(bright, cv::RNG::UNIFORM, 240, 256);
    inputs.push_back(bright);
    inputs.push_back(cv::Mat(20, 20, CV_8UC3, cv::Scalar(254, 254, 254)));
    // Values chosen so every error is near its largest: the bottom row's shares then push
    // two pixels to 306 and more, past the top level of the cube.
    const uchar crafted[4][8] = {{50, 29, 28, 29, 28, 28, 29, 79},
                                 {16, 0, 0, 102, 0, 0, 102, 6},
                                 {16, 102, 0, 0, 0, 51, 0, 7},
                                 {255, 255, 255, 255, 255, 255, 255, 255}};
    cv::Mat overflow(4, 8, CV_8UC3);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) overflow.at<cv::Vec3b>(y, x) = cv::Vec3b::all(crafted[y][x]);
    inputs.push_back(overflow);
    for (const cv::Mat& m : inputs) {
        const auto got = Dither(m);
        EXPECT_EQ(got, ReferenceDither(m)) << m.size();
        for (std::uint8_t v : got) ASSERT_LT(v, 216) << m.size();
    }
    // A view into a larger picture is read through its own rows.
    const cv::Mat big = Gradient(80, 60);
    EXPECT_EQ(Dither(big(cv::Rect(5, 7, 31, 22))), ReferenceDither(big(cv::Rect(5, 7, 31, 22)).clone()));
}

TEST(GifWriter, PureWhiteAndPureBlack)
{
    for (uchar v : {uchar(0), uchar(255)}) {
        const auto idx = Dither(cv::Mat(17, 23, CV_8UC3, cv::Scalar::all(v)));
        for (std::uint8_t i : idx) ASSERT_EQ(i, v ? 215 : 0);
    }
}

TEST(GifWriter, FileStructureAndDecodedPixels)
{
    testenv::TempDir dir;
    const cv::Size size(200, 150);
    std::vector<cv::Mat> frames;
    for (int i = 0; i < 20; ++i) {
        if (i == 0) frames.push_back(cv::Mat(size, CV_8UC3, cv::Scalar::all(255)));
        else if (i == 1) frames.push_back(cv::Mat(size, CV_8UC3, cv::Scalar::all(0)));
        else if (i == 2) frames.push_back(Gradient(400, 300));  // resized on the way in
        else frames.push_back(Gradient(200 - i, 150 + i));
    }
    const std::string path = dir / "anim.gif";
    std::string error;
    ASSERT_EQ(WriteGifAnimation(path, size, frames, &error), 1) << error;

    const GifLayout g = Walk(ReadAll(path));
    ASSERT_TRUE(g.ok);
    EXPECT_EQ(g.version, "GIF89a");
    EXPECT_EQ(g.width, 200);
    EXPECT_EQ(g.height, 150);
    ASSERT_TRUE(g.globalTable);
    ASSERT_EQ(g.globalEntries, 256);
    const auto pal = GifCubePalette();
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(static_cast<unsigned char>(g.globalPalette[3 * i]), pal[i].r);
        EXPECT_EQ(static_cast<unsigned char>(g.globalPalette[3 * i + 1]), pal[i].g);
        EXPECT_EQ(static_cast<unsigned char>(g.globalPalette[3 * i + 2]), pal[i].b);
    }
    // Exactly one application extension "NETSCAPE2.0", first, then 20 images and nothing else.
    ASSERT_EQ(g.sequence.size(), 21u);
    EXPECT_EQ(g.sequence[0], "ext:255:NETSCAPE2.0");
    for (size_t i = 1; i < g.sequence.size(); ++i) EXPECT_EQ(g.sequence[i], "image");
    ASSERT_EQ(g.loopBlocks.size(), 1u);
    EXPECT_EQ(g.loopBlocks[0], std::string("\x01\x00\x00", 3));

    const std::string py = PythonWithPil();
    if (py.empty()) GTEST_SKIP() << "no python3 with PIL (Debian python3-pil): decoder checks skipped";
    std::ofstream(dir / "decode.py") << kDecodeScript;
    const std::string cmd = py + " " + (dir / "decode.py") + " " + path + " " + dir.path();
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::istringstream info(ReadAll(dir / "info.txt"));
    std::string word;
    int w = 0, h = 0, n = 0, loop = -1;
    info >> word >> w >> h >> word >> n >> word >> loop;
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 150);
    EXPECT_EQ(n, 20);
    EXPECT_EQ(loop, 0);
    for (int i = 0; i < n; ++i) {
        int idx = 0;
        std::string mode;
        info >> word >> idx >> mode;
        EXPECT_EQ(mode, "P") << "frame " << i;
    }
    const std::string decodedPalette = ReadAll(dir / "palette.raw");
    ASSERT_GE(decodedPalette.size(), 768u);
    EXPECT_EQ(decodedPalette.substr(0, 768), g.globalPalette);

    const auto frame = [&](int i) {
        const std::string raw = ReadAll(dir / ("frame" + std::to_string(i) + ".raw"));
        return std::vector<std::uint8_t>(raw.begin(), raw.end());
    };
    EXPECT_EQ(frame(0), std::vector<std::uint8_t>(200 * 150, 215));
    EXPECT_EQ(frame(1), std::vector<std::uint8_t>(200 * 150, 0));
    cv::Mat resized;
    cv::resize(frames[2], resized, size, 0, 0, cv::INTER_LINEAR);
    EXPECT_EQ(frame(2), ReferenceDither(resized));
    cv::resize(frames[7], resized, size, 0, 0, cv::INTER_LINEAR);
    EXPECT_EQ(frame(7), ReferenceDither(resized));
}

TEST(GifWriter, ASourceMayReuseOneBufferForEveryFrame)
{
    testenv::TempDir dir;
    std::vector<cv::Mat> fresh;
    for (int i = 0; i < 9; ++i) fresh.push_back(cv::Mat(30, 40, CV_8UC3, cv::Scalar(i * 30, 255 - i * 25, i * 11)));
    ASSERT_EQ(WriteGifAnimation(dir / "fresh.gif", cv::Size(40, 30), fresh), 1);
    cv::Mat shared(30, 40, CV_8UC3);
    const auto reuse = [&](int i) {
        fresh[size_t(i)].copyTo(shared);
        return shared;
    };
    ASSERT_EQ(WriteGifAnimation(dir / "shared.gif", cv::Size(40, 30), 9, reuse), 1);
    EXPECT_EQ(ReadAll(dir / "shared.gif"), ReadAll(dir / "fresh.gif"));
    // The same when every frame is resized on the way in.
    ASSERT_EQ(WriteGifAnimation(dir / "fresh2.gif", cv::Size(20, 15), fresh), 1);
    ASSERT_EQ(WriteGifAnimation(dir / "shared2.gif", cv::Size(20, 15), 9, reuse), 1);
    EXPECT_EQ(ReadAll(dir / "shared2.gif"), ReadAll(dir / "fresh2.gif"));
}

TEST(GifWriter, FailuresLeaveNoFileBehind)
{
    testenv::TempDir dir;
    const std::vector<cv::Mat> frames(3, Gradient(20, 20));
    std::string error;
    // A folder that does not exist, and a "folder" that is a file.
    EXPECT_EQ(WriteGifAnimation(dir / "missing/anim.gif", cv::Size(20, 20), frames, &error), 0);
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "plain", "x"));
    EXPECT_EQ(WriteGifAnimation(dir / "plain/anim.gif", cv::Size(20, 20), frames), 0);

    // A frame that cannot be rendered halfway: the file already there keeps its content.
    const std::string path = dir / "anim.gif";
    ASSERT_TRUE(platform::WriteFileAtomically(path, "previous export"));
    const int written = WriteGifAnimation(path, cv::Size(20, 20), 20, [](int i) { return i < 5 ? Gradient(20, 20) : cv::Mat(); }, &error);
    EXPECT_EQ(written, 0);
    EXPECT_NE(error.find("frame 6"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(path), "previous export");
    // Nothing else was left in the folder.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 2);  // "plain" and "anim.gif"

    // Arguments a writer must refuse.
    EXPECT_EQ(WriteGifAnimation(path, cv::Size(0, 20), frames), 0);
    EXPECT_EQ(WriteGifAnimation(path, cv::Size(70000, 20), frames), 0);
    EXPECT_EQ(WriteGifAnimation(path, cv::Size(20000, 20000), frames), 0);
    EXPECT_EQ(WriteGifAnimation(path, cv::Size(20, 20), std::span<const cv::Mat>()), 0);
    const std::vector<cv::Mat> wrongDepth(2, cv::Mat(20, 20, CV_32FC3, cv::Scalar::all(0.5)));
    EXPECT_EQ(WriteGifAnimation(path, cv::Size(20, 20), wrongDepth), 0);
    EXPECT_EQ(ReadAll(path), "previous export");

    // Grey and four-channel frames are accepted.
    const std::vector<cv::Mat> mixed = {cv::Mat(20, 20, CV_8UC1, cv::Scalar(255)), cv::Mat(20, 20, CV_8UC4, cv::Scalar::all(0))};
    EXPECT_EQ(WriteGifAnimation(path, cv::Size(20, 20), mixed), 1);
}

TEST(GifWriter, AFrameDelayIsOneGraphicControlBeforeEachImage)
{
    testenv::TempDir dir;
    const std::vector<cv::Mat> frames(3, cv::Mat(8, 10, CV_8UC3, cv::Scalar::all(128)));
    std::string error;
    ASSERT_EQ(WriteGifAnimation(dir / "slow.gif", {10, 8}, frames, &error, 70000), 1) << error;
    const GifLayout g = Walk(ReadAll(dir / "slow.gif"));
    ASSERT_TRUE(g.ok);
    // Loop first, then control + image per frame; the delay is capped at what 16 bits hold.
    const std::string control = "ext:249:" + std::string("\x00\xFF\xFF\x00", 4);
    const std::vector<std::string> expected{"ext:255:NETSCAPE2.0", control, "image", control, "image", control, "image"};
    EXPECT_EQ(g.sequence, expected);

    ASSERT_EQ(WriteGifAnimation(dir / "d.gif", {10, 8}, frames, &error, 5), 1) << error;
    EXPECT_EQ(Walk(ReadAll(dir / "d.gif")).sequence[1], "ext:249:" + std::string("\x00\x05\x00\x00", 4));
}
