// SPDX-License-Identifier: MIT
// The picture decoders. A file that starts with a signature the decoder knows (the seeds, the
// regressions, any real picture) is decoded as it is. Anything else is read as one byte that
// picks the format, whose signature goes in front of the remaining bytes: random data then
// reaches every decoder instead of dying at the signature check.
#include "engine/ImageCodecs.h"
#include "fuzz/FuzzSupport.h"

#include <array>
#include <cstring>
#include <string>

using engine::DecodeImage;
using engine::kMaxDecodePixels;

namespace {

constexpr std::array<std::string_view, 7> kSignatures = {
    std::string_view("\xFF\xD8\xFF", 3),
    std::string_view("\x89PNG\r\n\x1a\n", 8),
    std::string_view("BM", 2),
    std::string_view("II\x2A\x00", 4),
    std::string_view("MM\x00\x2A", 4),
    std::string_view("RIFF\x00\x00\x00\x00WEBP", 12),
    std::string_view("P6\n", 3),
};

bool KnownSignature(std::string_view d)
{
    auto starts = [&](std::string_view s) { return d.substr(0, s.size()) == s; };
    return starts(kSignatures[0]) || starts(kSignatures[1]) || starts(kSignatures[2]) || starts(kSignatures[3]) ||
           starts(kSignatures[4]) || (d.size() >= 12 && starts("RIFF") && d.substr(8, 4) == "WEBP") ||
           (d.size() >= 3 && d[0] == 'P' && d[1] >= '1' && d[1] <= '6');
}

void Check(const cv::Mat& image, bool withAlpha)
{
    if (image.empty()) return;
    if (image.depth() != CV_8U || image.channels() != (withAlpha ? 4 : 3))
        fuzz::Fail("a decoded picture of the wrong type");
    if (static_cast<long long>(image.cols) * image.rows > kMaxDecodePixels) fuzz::Fail("a picture over the pixel limit");
    // Touch every pixel so that memory the decoder left unset or too short shows up under ASan.
    volatile unsigned sum = 0;
    for (int y = 0; y < image.rows; ++y) {
        const uchar* row = image.ptr(y);
        for (std::size_t i = 0; i < image.cols * image.elemSize(); i += 61) sum = sum + row[i];
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    std::string_view in = fuzz::AsText(data, size);
    std::string file;
    unsigned mode;
    if (KnownSignature(in)) {
        file.assign(in);
        mode = data[size - 1];
    } else {
        const unsigned pick = data[0];
        std::string_view sig = kSignatures[pick % kSignatures.size()];
        file.reserve(sig.size() + size - 1);
        file.append(sig).append(in.substr(1));
        if (sig.substr(0, 4) == "RIFF" && file.size() >= 8) {
            // The RIFF size field, as a real file has it.
            const std::uint32_t n = static_cast<std::uint32_t>(file.size() - 8);
            for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<char>((n >> (8 * i)) & 0xFF);
        }
        mode = pick / kSignatures.size();
    }
    const int reduce = 1 << (mode & 3);
    const bool withAlpha = (mode & 4) != 0;
    std::string error;
    const cv::Mat image = DecodeImage(file, reduce, withAlpha, &error);
    if (image.empty() && error.empty()) fuzz::Fail("a refused picture without a reason");
    Check(image, withAlpha);
    return 0;
}
