#include "engine/ImageIO.h"

#include "engine/PictureTypes.h"
#include "platform/ByteOrder.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <mutex>
#include <vector>

namespace {

std::mutex g_logMutex;

using platform::ReadBe16;
using platform::ReadBe32;
using platform::ReadLe16;
using platform::ReadLe32;

bool Fail(std::string* error, const std::string& what)
{
    if (error) *error = what;
    return false;
}

// Walks the JPEG markers up to the first start-of-frame, which holds the size.
bool JpegSize(std::ifstream& in, int& w, int& h)
{
    in.seekg(2);
    unsigned char m[4];
    for (int guard = 0; guard < 100000; ++guard) {
        if (!in.read(reinterpret_cast<char*>(m), 2)) return false;
        if (m[0] != 0xFF) return false;
        unsigned marker = m[1];
        while (marker == 0xFF) {  // fill bytes
            int c = in.get();
            if (c < 0) return false;
            marker = static_cast<unsigned>(c);
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;
        if (!in.read(reinterpret_cast<char*>(m), 2)) return false;
        const std::uint32_t len = ReadBe16(m);
        if (len < 2) return false;
        const bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (sof) {
            unsigned char f[5];
            if (!in.read(reinterpret_cast<char*>(f), 5)) return false;
            h = static_cast<int>(ReadBe16(f + 1));
            w = static_cast<int>(ReadBe16(f + 3));
            return true;
        }
        if (marker == 0xD9 || marker == 0xDA) return false;  // image data before any frame header
        in.seekg(len - 2, std::ios::cur);
    }
    return false;
}

bool TiffSize(std::ifstream& in, bool little, int& w, int& h)
{
    auto u16 = [&](const unsigned char* p) { return little ? ReadLe16(p) : ReadBe16(p); };
    auto u32 = [&](const unsigned char* p) { return little ? ReadLe32(p) : ReadBe32(p); };
    unsigned char b[12];
    in.seekg(4);
    if (!in.read(reinterpret_cast<char*>(b), 4)) return false;
    in.seekg(u32(b));
    if (!in.read(reinterpret_cast<char*>(b), 2)) return false;
    const unsigned count = u16(b);
    w = h = 0;
    for (unsigned i = 0; i < count && i < 4096; ++i) {
        if (!in.read(reinterpret_cast<char*>(b), 12)) return false;
        const unsigned tag = u16(b), type = u16(b + 2);
        const std::uint32_t value = type == 3 ? u16(b + 8) : u32(b + 8);
        if (tag == 256) w = static_cast<int>(value);
        if (tag == 257) h = static_cast<int>(value);
    }
    return w > 0 && h > 0;
}

bool PnmSize(std::ifstream& in, int& w, int& h)
{
    in.seekg(2);
    long long v[2] = {0, 0};
    for (long long& x : v) {
        int c = in.get();
        for (;;) {  // skip white space and comments
            if (c == '#') {
                while (c >= 0 && c != '\n') c = in.get();
            }
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                c = in.get();
                continue;
            }
            break;
        }
        if (c < '0' || c > '9') return false;
        while (c >= '0' && c <= '9' && x < (1LL << 40)) {
            x = x * 10 + (c - '0');
            c = in.get();
        }
    }
    if (v[0] > INT32_MAX || v[1] > INT32_MAX) return false;
    w = static_cast<int>(v[0]);
    h = static_cast<int>(v[1]);
    return true;
}

// A JPEG whose end-of-image marker is missing was cut short; libjpeg would hand back a
// half-grey picture with a warning, which is worse than saying so.
bool JpegLooksComplete(std::ifstream& in, long long fileSize)
{
    const long long tail = std::min<long long>(fileSize, 16 * 1024);
    std::vector<char> buf(static_cast<size_t>(tail));
    in.clear();
    in.seekg(fileSize - tail);
    if (!in.read(buf.data(), tail)) return false;
    for (long long i = tail - 2; i >= 0; --i)
        if (static_cast<unsigned char>(buf[i]) == 0xFF && static_cast<unsigned char>(buf[i + 1]) == 0xD9) return true;
    return false;
}

bool IsJpeg(std::ifstream& in)
{
    unsigned char m[2] = {};
    in.clear();
    in.seekg(0);
    in.read(reinterpret_cast<char*>(m), 2);
    return m[0] == 0xFF && m[1] == 0xD8;
}

}  // namespace

// Decodes at 1/reduce of the size (1, 2, 4 or 8); the checks before decoding are the same.
static cv::Mat LoadPhotoReduced(const std::string& path, int reduce, std::string* error);

bool ReadImageSize(const std::string& path, int& width, int& height, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail(error, "the file cannot be opened");
    unsigned char h[32] = {};
    in.read(reinterpret_cast<char*>(h), sizeof h);
    const auto got = in.gcount();
    in.clear();
    width = height = 0;
    bool ok = false;
    if (got >= 24 && std::memcmp(h, "\x89PNG\r\n\x1a\n", 8) == 0) {
        width = static_cast<int>(ReadBe32(h + 16));
        height = static_cast<int>(ReadBe32(h + 20));
        ok = true;
    } else if (got >= 3 && h[0] == 0xFF && h[1] == 0xD8 && h[2] == 0xFF) {
        ok = JpegSize(in, width, height);
    } else if (got >= 26 && h[0] == 'B' && h[1] == 'M') {
        width = static_cast<int>(ReadLe32(h + 18));
        const std::int32_t hh = static_cast<std::int32_t>(ReadLe32(h + 22));
        height = hh < 0 ? -hh : hh;
        ok = true;
    } else if (got >= 8 && ((h[0] == 'I' && h[1] == 'I' && h[2] == 42) || (h[0] == 'M' && h[1] == 'M' && h[3] == 42))) {
        ok = TiffSize(in, h[0] == 'I', width, height);
    } else if (got >= 30 && std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "WEBP", 4) == 0) {
        if (std::memcmp(h + 12, "VP8 ", 4) == 0) {
            unsigned char f[30];
            in.seekg(0);
            in.read(reinterpret_cast<char*>(f), 30);
            width = static_cast<int>(ReadLe16(f + 26) & 0x3FFF);
            height = static_cast<int>(ReadLe16(f + 28) & 0x3FFF);
            ok = in.gcount() == 30;
        } else if (std::memcmp(h + 12, "VP8L", 4) == 0) {
            const std::uint32_t b = ReadLe32(h + 21);
            width = static_cast<int>((b & 0x3FFF) + 1);
            height = static_cast<int>(((b >> 14) & 0x3FFF) + 1);
            ok = true;
        } else if (std::memcmp(h + 12, "VP8X", 4) == 0) {
            width = static_cast<int>((h[24] | (h[25] << 8) | (h[26] << 16)) + 1);
            height = static_cast<int>((h[27] | (h[28] << 8) | (h[29] << 16)) + 1);
            ok = true;
        }
    } else if (got >= 3 && h[0] == 'P' && h[1] >= '1' && h[1] <= '6') {
        ok = PnmSize(in, width, height);
    } else {
        return Fail(error, got == 0 ? "the file is empty" : "the file is not a supported image (JPEG, PNG, BMP, TIFF, WebP)");
    }
    if (!ok || width <= 0 || height <= 0) return Fail(error, "the image header is damaged");
    return true;
}

void AppendLog(const std::string& line)
{
    std::lock_guard lock(g_logMutex);
    const std::string folder = platform::UserFolder();
    std::ofstream log(folder + "log.txt", std::ios::binary | std::ios::app);
    if (log) log << line << "\r\n";
}

cv::Mat LoadPhoto(const std::string& path, std::string* error) { return LoadPhotoReduced(path, 1, error); }

cv::Mat LoadPhotoForView(const std::string& path, cv::Size view, std::string* error)
{
    int w = 0, h = 0, reduce = 1;
    if (ReadImageSize(path, w, h) && view.width > 0 && view.height > 0) {
        const int need = std::max(view.width, view.height);  // either orientation
        for (int n : {8, 4, 2})
            if (w / n >= need && h / n >= need) {
                reduce = n;
                break;
            }
    }
    return LoadPhotoReduced(path, reduce, error);
}

cv::Mat LoadPhotoReduced(const std::string& path, int reduce, std::string* error)
{
    std::string reason;
    cv::Mat image;
    int w = 0, h = 0;
    std::ifstream probe(path, std::ios::binary | std::ios::ate);
    const long long size = probe ? static_cast<long long>(probe.tellg()) : -1;
    if (!probe) {
        reason = platform::FileExists(path) || platform::IsFolder(path) ? "the file cannot be read" : "the file does not exist";
    } else if (size <= 0) {
        reason = "the file is empty";
    } else if (size > kMaxPhotoFileBytes) {
        reason = "the file is larger than 1 GB";
    } else if (!ReadImageSize(path, w, h, &reason)) {
        // reason set
    } else if (static_cast<long long>(w) * h > kMaxPhotoPixels) {
        reason = "the photo has " + std::to_string(w) + " x " + std::to_string(h) +
                 " pixels, more than the 100 megapixels Grimaze can work with";
    } else if (IsJpeg(probe) && !JpegLooksComplete(probe, size)) {
        reason = "the JPEG file is truncated";
    } else {
        std::string bytes, why;
        if (!platform::ReadFile(path, bytes, static_cast<std::size_t>(kMaxPhotoFileBytes)))
            reason = "the file cannot be read";
        else if ((image = DecodeImage(bytes, reduce, false, &why)).empty())
            reason = why == "the JPEG file is truncated" ? why : "the image data is damaged or cannot be decoded";
    }
    if (!image.empty()) return image;

    AppendLog("Load Image File\"" + path + "\"failed. error:" + reason);
    if (error) *error = reason;
    return {};
}

bool IsWritableImageName(const std::string& path) { return IsWritablePictureName(path); }

bool SaveImage(const std::string& path, const cv::Mat& image, std::string* error, int jpegQuality)
{
    if (image.empty()) return Fail(error, "there is no image to save");
    if (!IsWritableImageName(path)) return Fail(error, "the file name must end in " + WritableTypeNames("."));
    const std::string ext = path.substr(path.find_last_of('.'));
    std::string bytes;
    if (!EncodeImage(image, ext, bytes, jpegQuality, error)) return false;
    return platform::WriteFileAtomically(path, bytes, error);
}

cv::Mat LoadPicture(const std::string& path, bool withAlpha)
{
    std::string bytes;
    if (!platform::ReadFile(path, bytes, static_cast<std::size_t>(kMaxPhotoFileBytes))) return {};
    return DecodeImage(bytes, 1, withAlpha);
}
