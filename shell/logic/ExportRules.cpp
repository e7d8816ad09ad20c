#include "shell/logic/ExportRules.h"

#include "platform/Text.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>

using engine::PictureType;
using engine::PictureTypeNamed;
using engine::PictureTypeOfFile;
using engine::PictureTypes;

namespace shell {

ExportSize FitToAspect(int requestWidth, int requestHeight, int imageWidth, int imageHeight)
{
    if (imageWidth <= 0 || imageHeight <= 0) return {requestWidth, requestHeight};
    const float scale = std::min(static_cast<float>(requestHeight) / static_cast<float>(imageHeight),
                                 static_cast<float>(requestWidth) / static_cast<float>(imageWidth));
    return {static_cast<int>(std::lround(imageWidth * scale)), static_cast<int>(std::lround(imageHeight * scale))};
}

ExportSize LongSideSize(int width, int height, int longSide)
{
    const int longer = std::max(width, height);
    if (longSide < 1 || longer < 1) return {width, height};
    const double s = double(longSide) / longer;
    return {std::max(1, static_cast<int>(std::lround(width * s))), std::max(1, static_cast<int>(std::lround(height * s)))};
}

int ParseSizeText(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) value = INT_MAX;  // a long string of digits must not wrap around
    }
    return static_cast<int>(negative ? -value : value);
}

namespace {

/** Where the extension's dot is, or npos when the file name has none. */
size_t ExtensionDot(const std::string& path)
{
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot : std::string::npos;
}

}  // namespace

std::vector<const PictureType*> StillFormats()
{
    std::vector<const PictureType*> formats;
    for (const PictureType& t : PictureTypes())
        if (t.writable) formats.push_back(&t);
    return formats;
}

bool TakesQuality(const PictureType& type)
{
    return std::string_view(type.name) == "jpg" || std::string_view(type.name) == "webp";
}

std::string FormatDisplayName(const PictureType& type)
{
    const std::string_view name(type.name);
    if (name == "jpg") return "JPEG";
    if (name == "webp") return "WebP";
    std::string upper(name);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::string PathForFormat(const std::string& path, const PictureType& type)
{
    if (PictureTypeOfFile(path) == &type) return path;
    const size_t dot = ExtensionDot(path);
    return (dot == std::string::npos ? path : path.substr(0, dot)) + type.PreferredExtension();
}

std::string PathForType(const std::string& path, ExportType type)
{
    if (type == ExportType::Image) {
        const PictureType* named = PictureTypeOfFile(path);
        return PathForFormat(path, named && named->writable ? *named : *PictureTypeNamed("jpg"));
    }
    const size_t dot = ExtensionDot(path);
    if (dot == std::string::npos) return path + ".gif";
    return platform::EqualsNoCase(path.substr(dot + 1), "gif") ? path : path.substr(0, dot + 1) + "gif";
}

ExportSize ExportSizeRules::TypeChanged(ExportSize s) const
{
    s.width = std::min(std::max(0, s.width), limit_);
    s.height = std::min(std::max(0, s.height), limit_);
    if (keepAspect_ && HasImage() && s.width > 0 && s.height > 0) s = FitToAspect(s.width, s.height, imageW_, imageH_);
    return s;
}

ExportSize ExportSizeRules::WidthEdited(ExportSize s) const
{
    const bool fit = keepAspect_ && HasImage();
    s.width = std::max(0, s.width);
    if (fit && s.width > 0) s.height = static_cast<int>(static_cast<long long>(s.width) * imageH_ / imageW_);
    if (s.width > limit_) {
        s.width = limit_;
        if (fit) s.height = static_cast<int>(static_cast<long long>(limit_) * imageH_ / imageW_);
    }
    if (s.height > limit_) {
        if (fit) s.width = static_cast<int>(static_cast<long long>(limit_) * imageW_ / imageH_);
        s.height = limit_;
    }
    return s;
}

ExportSize ExportSizeRules::HeightEdited(ExportSize s) const
{
    const bool fit = keepAspect_ && HasImage();
    s.height = std::max(0, s.height);
    if (fit && s.height > 0) s.width = static_cast<int>(static_cast<long long>(s.height) * imageW_ / imageH_);
    if (s.height > limit_) {
        s.height = limit_;
        if (fit) s.width = static_cast<int>(static_cast<long long>(limit_) * imageW_ / imageH_);
    }
    if (s.width > limit_) {
        if (fit) s.height = static_cast<int>(static_cast<long long>(limit_) * imageH_ / imageW_);
        s.width = limit_;
    }
    return s;
}

ExportSize ExportSizeRules::KeepAspectSwitched(ExportSize s) const
{
    if (keepAspect_ && HasImage() && s.width > 0 && s.height > 0) s = FitToAspect(s.width, s.height, imageW_, imageH_);
    if (s.width == 0) s.width = kDefaultWidth;
    if (s.height == 0) s.height = kDefaultHeight;
    return s;
}

std::string GifSavePath(const std::string& path)
{
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ".gif";
    return path.substr(dot + 1) == "gif" ? path : path.substr(0, dot + 1) + "gif";
}

bool CheckSavePath(const std::string& path, std::string* error)
{
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    if (path.empty() || path.front() != '/') return fail("the path must name a folder, for example /home/me/Pictures/photo.jpg");
    if (path.back() == '/') return fail("the path names a folder, not a file");
    return true;
}

}  // namespace shell
