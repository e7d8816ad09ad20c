// SPDX-License-Identifier: MIT
#include "engine/ImageEncoders.h"
#include "platform/Failure.h"

#include <opencv2/imgproc.hpp>

#include <tiffio.h>
#include <webp/encode.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace engine {

namespace {

using platform::Fail;

// libtiff writes through these into a growing string; it seeks back to patch the directory
// offset, so writes may land anywhere, also past the current end.
struct TiffOut {
    std::string* out;
    toff_t at = 0;
};

tsize_t OutRead(thandle_t h, tdata_t buf, tsize_t size)
{
    auto* io = static_cast<TiffOut*>(h);
    if (size <= 0 || io->at >= io->out->size()) return 0;
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(size), io->out->size() - io->at);
    std::memcpy(buf, io->out->data() + io->at, n);
    io->at += n;
    return static_cast<tsize_t>(n);
}

tsize_t OutWrite(thandle_t h, tdata_t buf, tsize_t size)
{
    auto* io = static_cast<TiffOut*>(h);
    if (size <= 0) return 0;
    const std::size_t n = static_cast<std::size_t>(size);
    if (io->out->size() < io->at + n) io->out->resize(io->at + n);
    std::memcpy(io->out->data() + io->at, buf, n);
    io->at += n;
    return size;
}

toff_t OutSeek(thandle_t h, toff_t off, int whence)
{
    auto* io = static_cast<TiffOut*>(h);
    const toff_t base = whence == SEEK_CUR ? io->at : whence == SEEK_END ? io->out->size() : 0;
    io->at = base + off;
    return io->at;
}

int OutClose(thandle_t) { return 0; }
toff_t OutSize(thandle_t h) { return static_cast<TiffOut*>(h)->out->size(); }

}  // namespace

bool EncodeTiff(const cv::Mat& image, std::string& out, std::string* error)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] {  // the library would print every complaint on stderr
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
    // Alpha is dropped as for JPEG: readers of RGBA TIFF (libtiff's own among them) hand back
    // premultiplied colours, so a kept alpha channel would darken every translucent pixel.
    const int channels = image.channels() == 1 ? 1 : 3;
    cv::Mat rgb;
    if (image.channels() == 3) cv::cvtColor(image, rgb, cv::COLOR_BGR2RGB);
    else if (image.channels() == 4) cv::cvtColor(image, rgb, cv::COLOR_BGRA2RGB);
    else rgb = image;

    out.clear();
    TiffOut io{&out};
    TIFF* tif = TIFFClientOpen("memory", "w", &io, OutRead, OutWrite, OutSeek, OutClose, OutSize, nullptr, nullptr);
    if (!tif) return Fail(error, "the image could not be encoded");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(rgb.cols));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(rgb.rows));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, channels);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, channels == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    // The predictor rewrites the row it is handed, so it gets a copy, never the caller's pixels.
    std::vector<uchar> row(rgb.cols * rgb.elemSize());
    bool ok = true;
    for (int y = 0; y < rgb.rows && ok; ++y) {
        std::memcpy(row.data(), rgb.ptr(y), row.size());
        ok = TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) >= 0;
    }
    ok = ok && TIFFWriteDirectory(tif);
    TIFFClose(tif);
    if (!ok) {
        out.clear();
        return Fail(error, "the image could not be encoded");
    }
    return true;
}

bool EncodeWebp(const cv::Mat& image, int quality, std::string& out, std::string* error)
{
    if (image.cols > WEBP_MAX_DIMENSION || image.rows > WEBP_MAX_DIMENSION)
        return Fail(error, "WebP pictures can be at most 16383 pixels on a side");
    cv::Mat src = image;
    if (image.channels() == 1) cv::cvtColor(image, src, cv::COLOR_GRAY2BGR);
    if (!src.isContinuous()) src = src.clone();
    uint8_t* bytes = nullptr;
    const float q = static_cast<float>(std::clamp(quality, 1, 100));
    const int stride = static_cast<int>(src.step[0]);
    const size_t n = src.channels() == 4 ? WebPEncodeBGRA(src.data, src.cols, src.rows, stride, q, &bytes)
                                         : WebPEncodeBGR(src.data, src.cols, src.rows, stride, q, &bytes);
    if (n == 0 || !bytes) {
        WebPFree(bytes);
        return Fail(error, "the image could not be encoded");
    }
    out.assign(reinterpret_cast<const char*>(bytes), n);
    WebPFree(bytes);
    return true;
}

}  // namespace engine
