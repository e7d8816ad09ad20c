#include "frames/GifWriter.h"

#include "platform/Files.h"

#include <gif_lib.h>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <vector>

namespace frames {

namespace {

constexpr int kStep = 51;       // 255 / 5: the distance between cube levels
constexpr int kMaxSide = 65535;  // GIF stores sizes in 16 bits
// One frame's indices go to the encoder in one call whose length is an int; far below that,
// this keeps a frame's buffers at a size any machine can hold.
constexpr long long kMaxFramePixels = 100'000'000;

int AppendToString(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
    return length;
}

/** Closes the encoder on every path out, so no handle outlives a failure. */
struct GifCloser {
    GifFileType* gif = nullptr;
    ~GifCloser()
    {
        if (gif) {
            int ignored = 0;
            EGifCloseFile(gif, &ignored);
        }
    }
    bool Close(int& err)
    {
        GifFileType* g = gif;
        gif = nullptr;
        return EGifCloseFile(g, &err) == GIF_OK;
    }
};

struct MapFreer {
    ColorMapObject* map = nullptr;
    ~MapFreer() { GifFreeMapObject(map); }
};

cv::Mat ToBgr8(const cv::Mat& frame)
{
    cv::Mat m = frame;
    if (m.empty() || m.depth() != CV_8U) return {};
    if (m.channels() == 1) cv::cvtColor(m, m, cv::COLOR_GRAY2BGR);
    else if (m.channels() == 4) cv::cvtColor(m, m, cv::COLOR_BGRA2BGR);
    else if (m.channels() != 3) return {};
    return m;
}

int Fail(std::string* error, const std::string& why)
{
    if (error) *error = why;
    return 0;
}

}  // namespace

std::array<GifRgb, 256> GifCubePalette()
{
    std::array<GifRgb, 256> p{};
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p[36 * r + 6 * g + b] = {std::uint8_t(kStep * r), std::uint8_t(kStep * g), std::uint8_t(kStep * b)};
    return p;
}

void DitherToColourCube(const cv::Mat& image, std::uint8_t* indices)
{
    CV_Assert(image.type() == CV_8UC3);
    const int w = image.cols, h = image.rows, n = w * 3;
    if (w == 0 || h == 0) return;
    // Two rows of the float error image are alive at a time: the row being quantised and the
    // one below it, which starts as the next source row and collects the shares as they come.
    // The order of additions is that of a whole-image pass, so the result is the same to the bit.
    std::vector<float> rowA(n), rowB(n);
    float* cur = rowA.data();
    float* below = rowB.data();
    const auto load = [&](int y, float* dst) {
        const uchar* src = image.ptr<uchar>(y);
        for (int i = 0; i < n; ++i) dst[i] = src[i];
    };
    load(0, cur);
    for (int y = 0; y < h; ++y) {
        const bool last = y + 1 == h;
        if (!last) load(y + 1, below);
        float* down = last ? cur : below;  // the row below, clamped at the bottom
        std::uint8_t* out = indices + size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            const int xl = x > 0 ? x - 1 : 0, xr = x + 1 < w ? x + 1 : w - 1;
            int level[3];
            for (int c = 0; c < 3; ++c) {
                const float value = cur[x * 3 + c];
                // Shares landing at the bottom-right can push a value past 5 levels; the cube
                // has no sixth, so the excess is carried on as error instead.
                const int l = std::clamp(static_cast<int>(value / kStep), 0, 5);
                const float err = value - float(kStep * l);
                level[c] = l;
                cur[xr * 3 + c] += err * 7 / 16;
                down[xl * 3 + c] += err * 3 / 16;
                down[x * 3 + c] += err * 5 / 16;
                down[xr * 3 + c] += err * 1 / 16;
            }
            out[x] = static_cast<std::uint8_t>(level[0] + 6 * level[1] + 36 * level[2]);
        }
        std::swap(cur, below);
    }
}

int WriteGifAnimation(const std::string& path, cv::Size size, int frameCount, const GifFrameSource& source,
                      std::string* error, int frameDelayCs)
{
    if (size.width <= 0 || size.height <= 0 || size.width > kMaxSide || size.height > kMaxSide)
        return Fail(error, "the animation size must be between 1 and 65535 pixels on each side");
    if (static_cast<long long>(size.width) * size.height > kMaxFramePixels)
        return Fail(error, "the animation is too large (at most 100 megapixels a frame)");
    if (frameCount <= 0) return Fail(error, "an animation needs at least one frame");
    if (!source) return Fail(error, "no frames to write");

    const auto palette = GifCubePalette();
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i) colours[i] = {palette[i].r, palette[i].g, palette[i].b};
    MapFreer map{GifMakeMapObject(256, colours)};
    if (!map.map) return Fail(error, "out of memory");

    std::string bytes;
    int err = 0;
    GifCloser gif{EGifOpen(&bytes, AppendToString, &err)};
    if (!gif.gif) return Fail(error, std::string("cannot start the GIF encoder: ") + GifErrorString(err));
    EGifSetGifVersion(gif.gif, true);
    if (EGifPutScreenDesc(gif.gif, size.width, size.height, 256, 0, map.map) != GIF_OK)
        return Fail(error, std::string("cannot write the GIF header: ") + GifErrorString(gif.gif->Error));

    // Frames are rendered in order on this thread (sources need not be thread-safe), a few at a
    // time, dithered side by side, and encoded in order.
    const size_t pixels = size_t(size.width) * size_t(size.height);
    const int batch = std::clamp(cv::getNumThreads(), 1, 8);
    std::vector<cv::Mat> work(static_cast<size_t>(batch));
    std::vector<std::vector<GifPixelType>> indices(static_cast<size_t>(batch), std::vector<GifPixelType>(pixels));
    for (int first = 0; first < frameCount; first += batch) {
        const int n = std::min(batch, frameCount - first);
        for (int k = 0; k < n; ++k) {
            const cv::Mat frame = ToBgr8(source(first + k));
            if (frame.empty()) return Fail(error, "frame " + std::to_string(first + k + 1) + " could not be rendered");
            // Copied, not shared: a source may well render every frame into the same buffer.
            if (frame.size() == size) frame.copyTo(work[size_t(k)]);
            else cv::resize(frame, work[size_t(k)], size, 0, 0, cv::INTER_LINEAR);
        }
        cv::parallel_for_(cv::Range(0, n), [&](const cv::Range& r) {
            for (int k = r.start; k < r.end; ++k) DitherToColourCube(work[size_t(k)], indices[size_t(k)].data());
        });
        for (int k = 0; k < n; ++k) {
            if (first + k == 0) {
                // Loop for ever: the application extension "NETSCAPE2.0" with the sub-block
                // 1, 0, 0 (loop count 0), written once before the first image.
                static const GifByteType kLoop[3] = {1, 0, 0};
                if (EGifPutExtensionLeader(gif.gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
                    EGifPutExtensionBlock(gif.gif, 11, "NETSCAPE2.0") != GIF_OK ||
                    EGifPutExtensionBlock(gif.gif, 3, kLoop) != GIF_OK || EGifPutExtensionTrailer(gif.gif) != GIF_OK)
                    return Fail(error, std::string("cannot write the loop extension: ") + GifErrorString(gif.gif->Error));
            }
            if (frameDelayCs > 0) {
                // Graphic control: no disposal, no user input, no transparency; only the delay.
                const int delay = std::min(frameDelayCs, kMaxGifFrameDelayCs);
                const GifByteType control[4] = {0, static_cast<GifByteType>(delay & 0xFF),
                                                static_cast<GifByteType>(delay >> 8), 0};
                if (EGifPutExtension(gif.gif, GRAPHICS_EXT_FUNC_CODE, 4, control) != GIF_OK)
                    return Fail(error, std::string("cannot write a frame delay: ") + GifErrorString(gif.gif->Error));
            }
            if (EGifPutImageDesc(gif.gif, 0, 0, size.width, size.height, false, nullptr) != GIF_OK)
                return Fail(error, std::string("cannot write an image descriptor: ") + GifErrorString(gif.gif->Error));
            if (EGifPutLine(gif.gif, indices[size_t(k)].data(), static_cast<int>(pixels)) != GIF_OK)
                return Fail(error, std::string("cannot write the pixels: ") + GifErrorString(gif.gif->Error));
        }
    }
    if (!gif.Close(err)) return Fail(error, std::string("cannot finish the GIF: ") + GifErrorString(err));
    return platform::WriteFileAtomically(path, bytes, error) ? 1 : 0;
}

int WriteGifAnimation(const std::string& path, cv::Size size, std::span<const cv::Mat> frames, std::string* error,
                      int frameDelayCs)
{
    return WriteGifAnimation(path, size, static_cast<int>(frames.size()),
                             [&](int i) { return frames[static_cast<size_t>(i)]; }, error, frameDelayCs);
}

}  // namespace frames
