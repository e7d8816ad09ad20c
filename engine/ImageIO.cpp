#include "engine/ImageIO.h"

#include "engine/PictureTypes.h"
#include "platform/ByteOrder.h"
#include "platform/Failure.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {

namespace {

std::mutex g_logMutex;

using platform::ReadBe16;
using platform::ReadBe32;
using platform::ReadLe16;
using platform::ReadLe32;

using platform::Fail;

// Random access to the start of a picture, on a file or on bytes in memory.
class Source {
public:
    virtual ~Source() = default;
    /** Copies n bytes from offset into buf; false when the source ends first. */
    virtual bool Read(std::uint64_t offset, void* buf, std::size_t n) const = 0;
};

class MemorySource final : public Source {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    bool Read(std::uint64_t offset, void* buf, std::size_t n) const override
    {
        if (offset > bytes_.size() || bytes_.size() - offset < n) return false;
        std::memcpy(buf, bytes_.data() + offset, n);
        return true;
    }

private:
    std::string_view bytes_;
};

class FileSource final : public Source {
public:
    explicit FileSource(int fd) : fd_(fd) {}
    bool Read(std::uint64_t offset, void* buf, std::size_t n) const override
    {
        auto* p = static_cast<char*>(buf);
        while (n > 0) {
            const ssize_t got = pread(fd_, p, n, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            p += got, offset += static_cast<std::uint64_t>(got), n -= static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    int fd_;
};

// Walks the JPEG markers up to the first start-of-frame, which holds the size.
bool JpegSize(const Source& in, int& w, int& h)
{
    std::uint64_t at = 2;
    unsigned char m[5];
    for (int guard = 0; guard < 100000; ++guard) {
        if (!in.Read(at, m, 2)) return false;
        at += 2;
        if (m[0] != 0xFF) return false;
        unsigned marker = m[1];
        while (marker == 0xFF) {  // fill bytes
            if (!in.Read(at++, m, 1)) return false;
            marker = m[0];
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;
        if (!in.Read(at, m, 2)) return false;
        const std::uint32_t len = ReadBe16(m);
        if (len < 2) return false;
        const bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (sof) {
            if (!in.Read(at + 2, m, 5)) return false;
            h = static_cast<int>(ReadBe16(m + 1));
            w = static_cast<int>(ReadBe16(m + 3));
            return true;
        }
        if (marker == 0xD9 || marker == 0xDA) return false;  // image data before any frame header
        at += len;
    }
    return false;
}

bool TiffSize(const Source& in, bool little, int& w, int& h)
{
    auto u16 = [&](const unsigned char* p) { return little ? ReadLe16(p) : ReadBe16(p); };
    auto u32 = [&](const unsigned char* p) { return little ? ReadLe32(p) : ReadBe32(p); };
    unsigned char b[12];
    if (!in.Read(4, b, 4)) return false;
    std::uint64_t at = u32(b);
    if (!in.Read(at, b, 2)) return false;
    at += 2;
    const unsigned count = u16(b);
    w = h = 0;
    for (unsigned i = 0; i < count && i < 4096; ++i, at += 12) {
        if (!in.Read(at, b, 12)) return false;
        const unsigned tag = u16(b), type = u16(b + 2);
        const std::uint32_t value = type == 3 ? u16(b + 8) : u32(b + 8);
        if (tag == 256) w = value > INT32_MAX ? 0 : static_cast<int>(value);
        if (tag == 257) h = value > INT32_MAX ? 0 : static_cast<int>(value);
    }
    return w > 0 && h > 0;
}

bool PnmSize(const Source& in, int& w, int& h)
{
    std::uint64_t at = 2;
    auto get = [&]() -> int {
        unsigned char c;
        return at < (1u << 20) && in.Read(at++, &c, 1) ? c : -1;  // a header is never that long
    };
    long long v[2] = {0, 0};
    for (long long& x : v) {
        int c = get();
        for (;;) {  // skip white space and comments
            if (c == '#') {
                while (c >= 0 && c != '\n') c = get();
            }
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                c = get();
                continue;
            }
            break;
        }
        if (c < '0' || c > '9') return false;
        while (c >= '0' && c <= '9' && x < (1LL << 40)) {
            x = x * 10 + (c - '0');
            c = get();
        }
    }
    if (v[0] > INT32_MAX || v[1] > INT32_MAX) return false;
    w = static_cast<int>(v[0]);
    h = static_cast<int>(v[1]);
    return true;
}

bool HeaderSize(const Source& in, int& width, int& height, std::string* error)
{
    unsigned char h[32] = {};
    std::size_t got = sizeof h;
    while (got > 0 && !in.Read(0, h, got)) --got;  // files shorter than the probe
    width = height = 0;
    bool ok = false;
    if (got >= 24 && std::memcmp(h, "\x89PNG\r\n\x1a\n", 8) == 0) {
        const std::uint32_t w = ReadBe32(h + 16), hh = ReadBe32(h + 20);
        ok = w <= INT32_MAX && hh <= INT32_MAX;
        width = static_cast<int>(w);
        height = static_cast<int>(hh);
    } else if (got >= 3 && h[0] == 0xFF && h[1] == 0xD8 && h[2] == 0xFF) {
        ok = JpegSize(in, width, height);
    } else if (got >= 26 && h[0] == 'B' && h[1] == 'M') {
        const std::int32_t w = static_cast<std::int32_t>(ReadLe32(h + 18));
        const std::int32_t hh = static_cast<std::int32_t>(ReadLe32(h + 22));
        // A negative height means top-down rows; the most negative one has no positive twin.
        ok = hh != INT32_MIN;
        width = w;
        height = hh < 0 && ok ? -hh : hh;
    } else if (got >= 8 && ((h[0] == 'I' && h[1] == 'I' && h[2] == 42) || (h[0] == 'M' && h[1] == 'M' && h[3] == 42))) {
        ok = TiffSize(in, h[0] == 'I', width, height);
    } else if (got >= 30 && std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "WEBP", 4) == 0) {
        if (std::memcmp(h + 12, "VP8 ", 4) == 0) {
            width = static_cast<int>(ReadLe16(h + 26) & 0x3FFF);
            height = static_cast<int>(ReadLe16(h + 28) & 0x3FFF);
            ok = true;
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

// Opens a picture file; only regular files, so that a pipe cannot keep us waiting for ever.
int OpenPicture(const std::string& path, off_t& size, std::string* reason)
{
    const int fd = platform::OpenRegularFile(path, nullptr, &size);
    if (fd >= 0) return fd;
    struct stat st {};
    const char* why = "the file cannot be read";
    if (stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) why = "the file does not exist";
    } else if (S_ISDIR(st.st_mode)) {
        why = "it is a folder, not a picture";
    } else if (!S_ISREG(st.st_mode)) {
        why = "it is a pipe or a device, not a picture";
    }
    Fail(reason, why);
    return -1;
}

bool ReadAll(int fd, std::size_t size, std::string& out)
{
    out.resize(size);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = pread(fd, out.data() + got, size - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return got == size;
}

}  // namespace

// Decodes at 1/reduce of the size (1, 2, 4 or 8); the checks before decoding are the same.
static cv::Mat LoadPhotoReduced(const std::string& path, int reduce, std::string* error);

bool ReadImageSize(const std::string& path, int& width, int& height, std::string* error)
{
    width = height = 0;
    off_t size = 0;
    std::string reason;
    const int fd = OpenPicture(path, size, &reason);
    if (fd < 0) return Fail(error, reason);
    const bool ok = HeaderSize(FileSource(fd), width, height, error);
    close(fd);
    return ok;
}

void AppendLog(const std::string& line)
{
    std::lock_guard lock(g_logMutex);
    const std::string path = platform::UserFolder() + "log.txt";
    // Non-blocking: a pipe put in the log's place must not stop every photo load.
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
    if (fd < 0) return;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const std::string text = line + "\r\n";
        [[maybe_unused]] const ssize_t n = write(fd, text.data(), text.size());
    }
    close(fd);
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
    off_t size = 0;
    const int fd = OpenPicture(path, size, &reason);
    if (fd >= 0) {
        int w = 0, h = 0;
        std::string bytes, why;
        if (size <= 0) {
            reason = "the file is empty";
        } else if (size > kMaxPhotoFileBytes) {
            reason = "the file is larger than 1 GB";
        } else if (!HeaderSize(FileSource(fd), w, h, &reason)) {
            // reason set
        } else if (static_cast<long long>(w) * h > kMaxPhotoPixels) {
            reason = "the photo has " + std::to_string(w) + " x " + std::to_string(h) +
                     " pixels, more than the 100 megapixels Grimaze can work with";
        } else if (!ReadAll(fd, static_cast<std::size_t>(size), bytes)) {
            reason = "the file cannot be read";
        } else if ((image = DecodeImage(bytes, reduce, false, &why)).empty()) {
            reason = why.empty() ? "the image data is damaged or cannot be decoded" : why;
        }
        close(fd);
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

}  // namespace engine
