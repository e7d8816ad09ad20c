#include "engine/ImageCodecs.h"

#include "engine/ImageEncoders.h"
#include "engine/PictureTypes.h"
#include "platform/ByteOrder.h"
#include "platform/Failure.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <png.h>
#include <tiffio.h>
#include <webp/decode.h>

namespace engine {

namespace {

using platform::Fail;

cv::Mat Refuse(std::string* error, const char* what)
{
    if (error) *error = what;
    return {};
}

bool TooManyPixels(long long w, long long h) { return w <= 0 || h <= 0 || w * h > kMaxDecodePixels; }

using platform::ReadBe16;
using platform::ReadBe32;
using platform::ReadLe16;
using platform::ReadLe32;

const unsigned char* Bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// ---------------------------------------------------------------------------------------------
// EXIF orientation

// The orientation tag (1..8) of an EXIF block ("Exif\0\0" + TIFF structure); 1 when absent.
int ExifOrientation(const unsigned char* p, std::size_t n)
{
    if (n < 14 || std::memcmp(p, "Exif\0\0", 6) != 0) return 1;
    p += 6;
    n -= 6;
    const bool little = p[0] == 'I' && p[1] == 'I';
    if (!little && !(p[0] == 'M' && p[1] == 'M')) return 1;
    auto u16 = [&](std::size_t at) { return little ? ReadLe16(p + at) : ReadBe16(p + at); };
    auto u32 = [&](std::size_t at) { return little ? ReadLe32(p + at) : ReadBe32(p + at); };
    const std::size_t ifd = u32(4);
    if (ifd > n || n - ifd < 2) return 1;
    const std::size_t count = u16(ifd);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = ifd + 2 + i * 12;
        if (e + 12 > n) break;
        if (u16(e) == 0x0112) {
            const int v = static_cast<int>(u16(e + 8));
            return v >= 1 && v <= 8 ? v : 1;
        }
    }
    return 1;
}

// Turns a picture upright the way its orientation tag asks.
void ApplyOrientation(cv::Mat& image, int orientation)
{
    if (orientation < 2 || orientation > 8) return;
    if (orientation >= 5) {  // the picture lies on its side: swap rows and columns first
        cv::Mat turned;
        cv::transpose(image, turned);
        image = turned;
    }
    // What is left is a mirror: 1 about the vertical axis, 0 about the horizontal, -1 both.
    static constexpr int kFlip[9] = {0, 0, 1, -1, 0, 0, 1, -1, 0};
    if (orientation == 5) return;
    cv::flip(image, image, kFlip[orientation]);
}

// ---------------------------------------------------------------------------------------------
// JPEG

struct JpegErrors {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    bool endedEarly = false;  // the data ran out before the picture was complete
    bool damaged = false;     // part of the data could not be decoded
    unsigned char* encoded = nullptr;  // jpeg_mem_dest's buffer, freed on every path
    unsigned long encodedSize = 0;
};

void JpegExit(j_common_ptr c) { std::longjmp(reinterpret_cast<JpegErrors*>(c->err)->jump, 1); }

void JpegMessage(j_common_ptr c, int level)
{
    if (level >= 0) return;  // trace messages
    // libjpeg goes on after these warnings and fills what it could not decode with grey: a
    // picture that lacks part of its data is an error for us, whatever bytes end the file.
    auto* e = reinterpret_cast<JpegErrors*>(c->err);
    switch (c->err->msg_code) {
    case JWRN_JPEG_EOF:    // the file ends inside the picture
    case JWRN_HIT_MARKER:  // a scan ends before its data does (a cut file with an end marker added)
        e->endedEarly = true;
        break;
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
        e->damaged = true;
        break;
    default:  // extra bytes between segments and the like: no pixel is lost
        break;
    }
}

// Kept free of objects with destructors between setjmp and the decoder's calls.
bool DecodeJpegInto(std::string_view file, int reduce, cv::Mat& out, int& orientation, JpegErrors& err,
                    std::string* error)
{
    jpeg_decompress_struct cinfo;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegExit;
    err.mgr.emit_message = JpegMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return Fail(error, "the JPEG data is damaged");
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, Bytes(file), static_cast<unsigned long>(file.size()));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    if (TooManyPixels(cinfo.image_width, cinfo.image_height)) {
        jpeg_destroy_decompress(&cinfo);
        return Fail(error, "the picture is too large");
    }
    // Huffman coding spends at least one bit on every 8 x 8 block of the largest component (a
    // progressive first scan; two bits in a sequential one), so no file holds more than 512
    // pixels per byte. A header that asks for more lies about the size; refusing it here keeps
    // its memory untaken. Arithmetic coding has no such floor and is left to the warnings.
    if (!cinfo.arith_code &&
        static_cast<unsigned long long>(cinfo.image_width) * cinfo.image_height > 512ULL * file.size()) {
        jpeg_destroy_decompress(&cinfo);
        return Fail(error, "the JPEG file holds too little data for its picture size");
    }
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)  // APP1 may also hold XMP
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            orientation = ExifOrientation(m->data, m->data_length);
            break;
        }
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(reduce);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);  // a progressive file is read whole here
    if (!err.endedEarly && !err.damaged)
        out.create(static_cast<int>(cinfo.output_height), static_cast<int>(cinfo.output_width), cmyk ? CV_8UC4 : CV_8UC3);
    while (cinfo.output_scanline < cinfo.output_height && !err.endedEarly && !err.damaged) {
        JSAMPROW row = out.ptr(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    if (err.endedEarly || err.damaged) {
        jpeg_destroy_decompress(&cinfo);
        out.release();
        return Fail(error, err.endedEarly ? "the JPEG file is truncated" : "the JPEG data is damaged");
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    if (err.endedEarly || err.damaged) {  // the last rows' data ran out only now
        out.release();
        return Fail(error, err.endedEarly ? "the JPEG file is truncated" : "the JPEG data is damaged");
    }
    return true;
}

cv::Mat DecodeJpeg(std::string_view file, int reduce, std::string* error)
{
    cv::Mat image;
    int orientation = 1;
    JpegErrors err;
    if (!DecodeJpegInto(file, reduce, image, orientation, err, error)) return {};
    if (image.channels() == 4) {  // CMYK as Adobe stores it: inverted, so each ink times black
        cv::Mat bgr(image.size(), CV_8UC3);
        for (int y = 0; y < image.rows; ++y) {
            const unsigned char* s = image.ptr(y);
            unsigned char* d = bgr.ptr(y);
            for (int x = 0; x < image.cols; ++x, s += 4, d += 3) {
                d[0] = static_cast<unsigned char>((s[2] * s[3] + 127) / 255);
                d[1] = static_cast<unsigned char>((s[1] * s[3] + 127) / 255);
                d[2] = static_cast<unsigned char>((s[0] * s[3] + 127) / 255);
            }
        }
        image = bgr;
    }
    ApplyOrientation(image, orientation);
    return image;
}

bool EncodeJpegInto(const cv::Mat& bgr, int quality, JpegErrors& err)
{
    jpeg_compress_struct cinfo;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegExit;
    err.mgr.emit_message = JpegMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &err.encoded, &err.encodedSize);
    cinfo.image_width = static_cast<JDIMENSION>(bgr.cols);
    cinfo.image_height = static_cast<JDIMENSION>(bgr.rows);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(bgr.ptr(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

bool EncodeJpeg(const cv::Mat& bgr, int quality, std::string& out)
{
    JpegErrors err;
    const bool ok = EncodeJpegInto(bgr, std::clamp(quality, 1, 100), err);
    if (ok) out.assign(reinterpret_cast<const char*>(err.encoded), err.encodedSize);
    std::free(err.encoded);
    return ok;
}

// ---------------------------------------------------------------------------------------------
// PNG

struct PngIo {
    std::string_view in;
    std::size_t at = 0;
    std::string* out = nullptr;
};

void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep data, png_size_t n)
{
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (n > io->in.size() - io->at) png_error(png, "the file ends early");
    std::memcpy(data, io->in.data() + io->at, n);
    io->at += n;
}

void PngWrite(png_structp png, png_bytep data, png_size_t n)
{
    static_cast<PngIo*>(png_get_io_ptr(png))->out->append(reinterpret_cast<const char*>(data), n);
}

void PngFlush(png_structp) {}

bool DecodePngInto(PngIo& io, bool withAlpha, cv::Mat& out, std::string* error)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png) return Fail(error, "out of memory");
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return Fail(error, "the PNG data is damaged or cut short");
    }
    png_set_read_fn(png, &io, PngRead);
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colour = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colour, nullptr, nullptr, nullptr);
    if (TooManyPixels(w, h)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return Fail(error, "the picture is too large");
    }
    // Deflate expands a byte into at most 1032 (one length-258 match in two one-bit codes), so
    // the file bounds the rows it can hold: a larger header lies, and nothing is taken for it.
    const unsigned long long rowBits = static_cast<unsigned long long>(w) * png_get_channels(png, info) * depth;
    if ((rowBits + 7) / 8 * h > 1032ULL * io.in.size()) {
        png_destroy_read_struct(&png, &info, nullptr);
        return Fail(error, "the PNG file holds too little data for its picture size");
    }
    png_set_expand(png);  // palette to colour, small grey depths to 8 bits, transparency to alpha
    png_set_strip_16(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if (withAlpha)
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);  // a no-op where alpha exists
    else
        png_set_strip_alpha(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    out.create(static_cast<int>(h), static_cast<int>(w), withAlpha ? CV_8UC4 : CV_8UC3);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < out.rows; ++y) png_read_row(png, out.ptr(y), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

cv::Mat DecodePng(std::string_view file, bool withAlpha, std::string* error)
{
    PngIo io{file};
    cv::Mat image;
    if (!DecodePngInto(io, withAlpha, image, error)) return {};
    return image;
}

bool EncodePngInto(const cv::Mat& image, PngIo& io)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &io, PngWrite, PngFlush);
    const int ch = image.channels();
    const int colour = ch == 1 ? PNG_COLOR_TYPE_GRAY : ch == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA;
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.cols), static_cast<png_uint_32>(image.rows), 8, colour,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Fast settings: the files are previews and exports, written while the user waits.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_level(png, 1);
    png_set_compression_strategy(png, 3 /* Z_RLE */);
    png_write_info(png, info);
    if (ch > 1) png_set_bgr(png);
    for (int y = 0; y < image.rows; ++y) png_write_row(png, image.ptr(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// ---------------------------------------------------------------------------------------------
// BMP

struct BmpLayout {
    std::size_t dataAt = 0, headerSize = 0;  // where the pixels start, the info header's length
    int width = 0, height = 0, bpp = 0;
    bool topDown = false;
    std::uint32_t compression = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    std::vector<cv::Vec4b> palette;          // BGRA
    bool Rle() const { return compression == 1 || compression == 2; }
    bool BitFields() const { return compression == 3 || compression == 6; }
};

// Shift and scale that take a bit-field channel to 0..255.
struct MaskChannel {
    int shift = 0, bits = 0;
    explicit MaskChannel(std::uint32_t mask)
    {
        if (!mask) return;
        while (!(mask & 1)) {
            mask >>= 1;
            ++shift;
        }
        while (mask & 1) {
            mask >>= 1;
            ++bits;
        }
    }
    unsigned char operator()(std::uint32_t v) const
    {
        if (bits == 0) return 255;
        const std::uint32_t max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
        const std::uint64_t c = (v >> shift) & max;
        return static_cast<unsigned char>((c * 255 + max / 2) / max);
    }
};

// Expands run-length coded 4- or 8-bit rows into one palette index per pixel (bottom-up).
bool DecodeBmpRle(const unsigned char* p, std::size_t n, const BmpLayout& l, cv::Mat& index)
{
    index = cv::Mat::zeros(l.height, l.width, CV_8UC1);
    int x = 0, y = 0;  // y counts from the bottom row
    std::size_t i = 0;
    auto put = [&](int value) {
        if (x < l.width && y < l.height) index.at<unsigned char>(l.height - 1 - y, x) = static_cast<unsigned char>(value);
        ++x;
    };
    while (i + 1 < n) {
        const int count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k)
                put(l.bpp == 8 ? value : (k & 1 ? value & 15 : value >> 4));
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            if (++y >= l.height) return true;
        } else if (value == 1) {  // end of picture
            return true;
        } else if (value == 2) {  // jump
            if (i + 1 >= n) return false;
            x += p[i];
            y += p[i + 1];
            i += 2;
            if (y >= l.height) return true;
        } else {  // literal run, padded to a 16-bit boundary
            const std::size_t bytes = l.bpp == 8 ? static_cast<std::size_t>(value) : (static_cast<std::size_t>(value) + 1) / 2;
            if (bytes > n - i) return false;
            for (int k = 0; k < value; ++k)
                put(l.bpp == 8 ? p[i + k] : (k & 1 ? p[i + k / 2] & 15 : p[i + k / 2] >> 4));
            i += (bytes + 1) & ~std::size_t(1);
        }
    }
    return true;  // a missing end marker leaves the rest at colour 0, as other readers do
}

// The reasons below are returned as they are refused: nullptr means the step went well.

// Reads the file and info headers into l and checks that the combination is one we decode.
const char* ReadBmpHeader(const unsigned char* p, std::size_t n, BmpLayout& l)
{
    if (n < 26) return "the BMP header is cut short";
    l.dataAt = ReadLe32(p + 10);
    l.headerSize = ReadLe32(p + 14);
    if (l.headerSize == 12) {
        l.width = static_cast<int>(ReadLe16(p + 18));
        l.height = static_cast<int>(ReadLe16(p + 20));
        l.bpp = static_cast<int>(ReadLe16(p + 24));
    } else if (l.headerSize >= 40 && n >= 14 + 40) {
        l.width = static_cast<std::int32_t>(ReadLe32(p + 18));
        const std::int32_t h = static_cast<std::int32_t>(ReadLe32(p + 22));
        l.topDown = h < 0;
        l.height = h == INT32_MIN ? 0 : (h < 0 ? -h : h);
        l.bpp = static_cast<int>(ReadLe16(p + 28));
        l.compression = ReadLe32(p + 30);
    } else {
        return "the BMP header is of an unknown kind";
    }
    if (TooManyPixels(l.width, l.height)) return "the picture is too large or has no pixels";
    if (l.compression > 3 && l.compression != 6) return "the BMP compression is not supported";
    if ((l.Rle() && (l.topDown || l.bpp != (l.compression == 1 ? 8 : 4))) || (l.BitFields() && l.bpp != 16 && l.bpp != 32))
        return "the BMP header is damaged";
    if (l.bpp != 1 && l.bpp != 4 && l.bpp != 8 && l.bpp != 16 && l.bpp != 24 && l.bpp != 32)
        return "the BMP colour depth is not supported";
    return nullptr;
}

// Reads the bit-field masks and the palette that follow the header.
const char* ReadBmpColours(const unsigned char* p, std::size_t n, BmpLayout& l)
{
    if (l.BitFields()) {
        // The masks follow a 40-byte header, or are part of a longer one.
        const std::size_t at = 14 + 40;
        if (at + 12 > n) return "the BMP header is cut short";
        for (int i = 0; i < 3; ++i) l.masks[i] = ReadLe32(p + at + 4 * i);
        if ((l.headerSize >= 56 || l.compression == 6) && at + 16 <= n) l.masks[3] = ReadLe32(p + at + 12);
    } else if (l.bpp == 16) {
        l.masks[0] = 0x7C00, l.masks[1] = 0x03E0, l.masks[2] = 0x001F;
    }
    if (l.bpp <= 8) {
        const std::size_t entry = l.headerSize == 12 ? 3 : 4;
        std::size_t colours = l.headerSize >= 40 ? ReadLe32(p + 46) : 0;
        if (colours == 0 || colours > (1u << l.bpp)) colours = std::size_t(1) << l.bpp;
        const std::size_t at = 14 + l.headerSize;
        if (at > n || (n - at) / entry < colours) return "the BMP palette is cut short";
        for (std::size_t i = 0; i < colours; ++i) {
            const unsigned char* c = p + at + i * entry;
            l.palette.emplace_back(c[0], c[1], c[2], 255);
        }
        l.palette.resize(256, cv::Vec4b(0, 0, 0, 255));
    }
    return nullptr;
}

// Unpacks uncompressed rows of stride bytes into out (BGRA, top-down).
void UnpackBmpRows(const unsigned char* data, std::size_t stride, const BmpLayout& l, cv::Mat& out)
{
    const MaskChannel r(l.masks[0]), g(l.masks[1]), b(l.masks[2]), a(l.masks[3]);
    const bool fields = l.BitFields();
    for (int y = 0; y < l.height; ++y) {
        const unsigned char* s = data + stride * static_cast<std::size_t>(l.topDown ? y : l.height - 1 - y);
        cv::Vec4b* d = out.ptr<cv::Vec4b>(y);
        for (int x = 0; x < l.width; ++x) {
            switch (l.bpp) {
            case 1: d[x] = l.palette[(s[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: d[x] = l.palette[x & 1 ? s[x >> 1] & 15 : s[x >> 1] >> 4]; break;
            case 8: d[x] = l.palette[s[x]]; break;
            case 24: d[x] = cv::Vec4b(s[3 * x], s[3 * x + 1], s[3 * x + 2], 255); break;
            case 16: {
                const std::uint32_t v = ReadLe16(s + 2 * x);
                d[x] = cv::Vec4b(b(v), g(v), r(v), a(v));
                break;
            }
            default:  // 32
                if (fields) {
                    const std::uint32_t v = ReadLe32(s + 4 * x);
                    d[x] = cv::Vec4b(b(v), g(v), r(v), a(v));
                } else {
                    d[x] = cv::Vec4b(s[4 * x], s[4 * x + 1], s[4 * x + 2], 255);
                }
            }
        }
    }
}

cv::Mat DecodeBmp(std::string_view file, bool withAlpha, std::string* error)
{
    const unsigned char* p = Bytes(file);
    const std::size_t n = file.size();
    BmpLayout l;
    if (const char* why = ReadBmpHeader(p, n, l)) return Refuse(error, why);
    if (const char* why = ReadBmpColours(p, n, l)) return Refuse(error, why);
    const std::size_t dataAt = l.dataAt;
    if (dataAt >= n) return Refuse(error, "the BMP file holds no pixels");
    const std::size_t stride = ((static_cast<std::size_t>(l.width) * l.bpp + 31) / 32) * 4;
    // Checked before the pixels are allocated: the data must be able to fill the picture. A
    // two-byte run paints at most 255 pixels, so run-length data of m bytes covers at most
    // 255 * m / 2 of them; the work below is then bounded by the file's size as well.
    const bool rle = l.Rle();
    if (rle && static_cast<unsigned long long>(l.width) * l.height > 255ULL * ((n - dataAt + 1) / 2))
        return Refuse(error, "the BMP run-length data cannot fill the picture");
    if (!rle && (n - dataAt) / stride < static_cast<std::size_t>(l.height)) return Refuse(error, "the BMP file is truncated");

    cv::Mat out(l.height, l.width, CV_8UC4);
    if (rle) {
        cv::Mat index;
        if (!DecodeBmpRle(p + dataAt, n - dataAt, l, index)) return Refuse(error, "the BMP pixel data is damaged");
        for (int y = 0; y < l.height; ++y)
            for (int x = 0; x < l.width; ++x) out.at<cv::Vec4b>(y, x) = l.palette[index.at<unsigned char>(y, x)];
    } else {
        UnpackBmpRows(p + dataAt, stride, l, out);
    }
    if (withAlpha) return out;
    cv::Mat bgr;
    cv::cvtColor(out, bgr, cv::COLOR_BGRA2BGR);
    return bgr;
}

void EncodeBmp(const cv::Mat& bgr, std::string& out)
{
    const std::size_t stride = ((static_cast<std::size_t>(bgr.cols) * 3 + 3) / 4) * 4;
    const std::size_t pixels = stride * static_cast<std::size_t>(bgr.rows);
    out.clear();
    out.reserve(54 + pixels);
    out += "BM";
    platform::AppendLe32(out, static_cast<std::uint32_t>(54 + pixels));
    platform::AppendLe32(out, 0);
    platform::AppendLe32(out, 54);
    platform::AppendLe32(out, 40);
    platform::AppendLe32(out, static_cast<std::uint32_t>(bgr.cols));
    platform::AppendLe32(out, static_cast<std::uint32_t>(bgr.rows));  // bottom-up
    platform::AppendLe16(out, 1);
    platform::AppendLe16(out, 24);
    platform::AppendLe32(out, 0);
    platform::AppendLe32(out, static_cast<std::uint32_t>(pixels));
    platform::AppendLe32(out, 2835);  // 72 dots per inch
    platform::AppendLe32(out, 2835);
    platform::AppendLe32(out, 0);
    platform::AppendLe32(out, 0);
    const std::string padding(stride - static_cast<std::size_t>(bgr.cols) * 3, '\0');
    for (int y = bgr.rows - 1; y >= 0; --y) {
        out.append(reinterpret_cast<const char*>(bgr.ptr(y)), static_cast<std::size_t>(bgr.cols) * 3);
        out += padding;
    }
}

// ---------------------------------------------------------------------------------------------
// PNM (P1 to P6)

struct PnmReader {
    const unsigned char* p;
    std::size_t n, at = 2;

    // The next decimal number, skipping white space and comments; -1 when there is none.
    long long Number()
    {
        for (;;) {
            while (at < n && std::isspace(p[at])) ++at;
            if (at < n && p[at] == '#') {
                while (at < n && p[at] != '\n') ++at;
                continue;
            }
            break;
        }
        if (at >= n || p[at] < '0' || p[at] > '9') return -1;
        long long v = 0;
        while (at < n && p[at] >= '0' && p[at] <= '9') {
            v = v * 10 + (p[at++] - '0');
            if (v > (1LL << 32)) return -1;
        }
        return v;
    }
};

cv::Mat DecodePnm(std::string_view file, std::string* error)
{
    PnmReader r{Bytes(file), file.size()};
    const int kind = file[1] - '0';
    const bool bits = kind == 1 || kind == 4, grey = kind == 2 || kind == 5, ascii = kind <= 3;
    const long long w = r.Number(), h = r.Number(), maxval = bits ? 1 : r.Number();
    if (w <= 0 || h <= 0 || maxval <= 0 || maxval > 65535) return Refuse(error, "the PNM header is damaged");
    if (TooManyPixels(w, h)) return Refuse(error, "the picture is too large");
    if (!ascii) ++r.at;  // the single white-space byte before binary data
    const int channels = bits || grey ? 1 : 3;
    const std::size_t sampleBytes = maxval > 255 ? 2 : 1;
    auto scale = [&](long long v) {
        v = std::min(v, maxval);
        return static_cast<unsigned char>((v * 255 + maxval / 2) / maxval);
    };
    // Every sample takes at least a byte, or one bit in P4: the data must be there before the
    // pixels are allocated. ASCII samples need a separator too, except in P1.
    const std::size_t samples = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * channels;
    const std::size_t left = r.at > r.n ? 0 : r.n - r.at;
    const std::size_t stride = (static_cast<std::size_t>(w) + 7) / 8;
    if (kind == 4 ? left / stride < static_cast<std::size_t>(h)
                  : (ascii ? (kind == 1 ? left : (left + 1) / 2) : left / sampleBytes) < samples)
        return Refuse(error, "the PNM file is truncated");
    cv::Mat out(static_cast<int>(h), static_cast<int>(w), CV_8UC3);
    if (kind == 4) {
        for (int y = 0; y < out.rows; ++y) {
            const unsigned char* s = r.p + r.at + stride * static_cast<std::size_t>(y);
            for (int x = 0; x < out.cols; ++x) {
                const unsigned char v = (s[x >> 3] >> (7 - (x & 7))) & 1 ? 0 : 255;  // 1 is black
                out.at<cv::Vec3b>(y, x) = cv::Vec3b(v, v, v);
            }
        }
        return out;
    }
    std::size_t next = 0;
    auto sample = [&]() -> long long {
        if (ascii) {
            if (kind == 1) {  // digits may run together
                while (r.at < r.n && !(r.p[r.at] == '0' || r.p[r.at] == '1')) ++r.at;
                return r.at < r.n ? (r.p[r.at++] == '1' ? 0 : 1) : -1;
            }
            return r.Number();
        }
        const unsigned char* s = r.p + r.at + sampleBytes * next++;
        return sampleBytes == 2 ? ReadBe16(s) : s[0];
    };
    for (int y = 0; y < out.rows; ++y)
        for (int x = 0; x < out.cols; ++x) {
            cv::Vec3b& d = out.at<cv::Vec3b>(y, x);
            if (channels == 1) {
                const long long v = sample();
                if (v < 0) return Refuse(error, "the PNM file is truncated");
                d = cv::Vec3b::all(scale(v));
            } else {
                const long long red = sample(), green = sample(), blue = sample();
                if (red < 0 || green < 0 || blue < 0) return Refuse(error, "the PNM file is truncated");
                d = cv::Vec3b(scale(blue), scale(green), scale(red));
            }
        }
    return out;
}

// ---------------------------------------------------------------------------------------------
// TIFF

struct TiffIo {
    std::string_view in;
    toff_t at = 0;
};

tsize_t TiffRead(thandle_t h, tdata_t buf, tsize_t size)
{
    auto* io = static_cast<TiffIo*>(h);
    if (size <= 0 || io->at >= io->in.size()) return 0;
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(size), io->in.size() - io->at);
    std::memcpy(buf, io->in.data() + io->at, n);
    io->at += n;
    return static_cast<tsize_t>(n);
}
tsize_t TiffWrite(thandle_t, tdata_t, tsize_t) { return 0; }
toff_t TiffSeek(thandle_t h, toff_t off, int whence)
{
    auto* io = static_cast<TiffIo*>(h);
    const toff_t base = whence == SEEK_CUR ? io->at : whence == SEEK_END ? io->in.size() : 0;
    io->at = base + off;
    return io->at;
}
int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t h) { return static_cast<TiffIo*>(h)->in.size(); }

cv::Mat DecodeTiff(std::string_view file, bool withAlpha, std::string* error)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] {  // the library would print every complaint on stderr
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
    TiffIo io{file};
    TIFF* tif = TIFFClientOpen("memory", "rm", &io, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize, nullptr, nullptr);
    if (!tif) return Refuse(error, "the TIFF header is damaged");
    std::uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    cv::Mat rgba;
    if (TooManyPixels(w, h)) {
        TIFFClose(tif);
        return Refuse(error, "the picture is too large or has no pixels");
    }
    // Uncompressed strips must hold every sample; compressed ones are checked as they are read.
    std::uint16_t compression = COMPRESSION_NONE, samples = 1, bits = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    if (compression == COMPRESSION_NONE &&
        (static_cast<unsigned long long>(w) * samples * bits + 7) / 8 * h > file.size()) {
        TIFFClose(tif);
        return Refuse(error, "the TIFF file is truncated");
    }
    rgba.create(static_cast<int>(h), static_cast<int>(w), CV_8UC4);  // libtiff writes R, G, B, A bytes
    // Stop at the first strip that cannot be read rather than hand back a part-empty picture.
    const int ok = TIFFReadRGBAImageOriented(tif, w, h, reinterpret_cast<std::uint32_t*>(rgba.data), ORIENTATION_TOPLEFT, 1);
    TIFFClose(tif);
    if (!ok) return Refuse(error, "the TIFF data is damaged or of an unsupported kind");
    cv::Mat out;
    cv::cvtColor(rgba, out, withAlpha ? cv::COLOR_RGBA2BGRA : cv::COLOR_RGBA2BGR);
    return out;
}

// ---------------------------------------------------------------------------------------------
// WebP

cv::Mat DecodeWebp(std::string_view file, bool withAlpha, std::string* error)
{
    int w = 0, h = 0;
    if (!WebPGetInfo(Bytes(file), file.size(), &w, &h)) return Refuse(error, "the WebP header is damaged");
    if (TooManyPixels(w, h)) return Refuse(error, "the picture is too large");
    cv::Mat out(h, w, withAlpha ? CV_8UC4 : CV_8UC3);
    const std::size_t bytes = out.step[0] * static_cast<std::size_t>(h);
    const bool ok = withAlpha ? WebPDecodeBGRAInto(Bytes(file), file.size(), out.data, bytes, static_cast<int>(out.step[0]))
                              : WebPDecodeBGRInto(Bytes(file), file.size(), out.data, bytes, static_cast<int>(out.step[0]));
    if (!ok) return Refuse(error, "the WebP data is damaged");
    return out;
}

}  // namespace

cv::Mat DecodeImage(std::string_view file, int reduce, bool withAlpha, std::string* error)
{
    if (reduce != 1 && reduce != 2 && reduce != 4 && reduce != 8) reduce = 1;
    const unsigned char* p = Bytes(file);
    const std::size_t n = file.size();
    cv::Mat image;
    bool scaled = false;
    try {
        if (n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) {
            image = DecodeJpeg(file, reduce, error);
            scaled = true;
        } else if (n >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) {
            image = DecodePng(file, withAlpha, error);
        } else if (n >= 2 && p[0] == 'B' && p[1] == 'M') {
            image = DecodeBmp(file, withAlpha, error);
        } else if (n >= 4 && ((p[0] == 'I' && p[1] == 'I' && p[2] == 42 && p[3] == 0) ||
                              (p[0] == 'M' && p[1] == 'M' && p[2] == 0 && p[3] == 42))) {
            image = DecodeTiff(file, withAlpha, error);
        } else if (n >= 12 && std::memcmp(p, "RIFF", 4) == 0 && std::memcmp(p + 8, "WEBP", 4) == 0) {
            image = DecodeWebp(file, withAlpha, error);
        } else if (n >= 3 && p[0] == 'P' && p[1] >= '1' && p[1] <= '6' && std::isspace(p[2])) {
            image = DecodePnm(file, error);
        } else {
            return Refuse(error, n == 0 ? "the file is empty" : "the file is not a supported image");
        }
    } catch (const cv::Exception&) {  // out of memory for the pixels
        return Refuse(error, "there is not enough memory for the picture");
    }
    if (image.empty()) return {};
    if (!scaled && reduce > 1) {
        cv::Mat small;
        cv::resize(image, small, cv::Size(std::max(1, image.cols / reduce), std::max(1, image.rows / reduce)), 0, 0,
                   cv::INTER_AREA);
        image = small;
    }
    if (withAlpha && image.channels() == 3) {
        cv::Mat bgra;
        cv::cvtColor(image, bgra, cv::COLOR_BGR2BGRA);
        image = bgra;
    }
    return image;
}

bool EncodeImage(const cv::Mat& image, std::string_view extension, std::string& out, int jpegQuality, std::string* error)
{
    if (image.empty()) return Fail(error, "there is no image to save");
    if (image.depth() != CV_8U || (image.channels() != 1 && image.channels() != 3 && image.channels() != 4))
        return Fail(error, "only 8-bit grey, BGR or BGRA pictures can be saved");
    const PictureType* type = PictureTypeNamed(extension);
    if (!type || !type->writable) {
        if (error) *error = "the file name must end in " + WritableTypeNames(".");
        return false;
    }
    const std::string_view name = type->name;
    out.clear();
    if (name == "png") {
        PngIo io{{}, 0, &out};
        if (!EncodePngInto(image, io)) return Fail(error, "the image could not be encoded");
        return true;
    }
    if (name == "tiff") return EncodeTiff(image, out, error);
    if (name == "webp") return EncodeWebp(image, jpegQuality, out, error);
    cv::Mat bgr = image;
    if (image.channels() != 3) cv::cvtColor(image, bgr, image.channels() == 1 ? cv::COLOR_GRAY2BGR : cv::COLOR_BGRA2BGR);
    if (name == "jpg") {
        if (!EncodeJpeg(bgr, jpegQuality, out)) return Fail(error, "the image could not be encoded");
    } else if (name == "bmp") {
        EncodeBmp(bgr, out);
    } else {
        return Fail(error, "this picture type cannot be written");
    }
    return true;
}

}  // namespace engine
