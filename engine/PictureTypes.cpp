// SPDX-License-Identifier: MIT
#include "engine/PictureTypes.h"

#include "platform/Text.h"

#include <sstream>

namespace engine {

namespace {

// PNM is read for scripts and test tools that produce it; nobody asks a photo program for it,
// so it is not offered for writing.
constexpr PictureType kTypes[] = {
    {"jpg", "JPEG Files", "image/jpeg", "jpg jpeg jpe", true, true},
    {"png", "Potable Net Graph", "image/png", "png", true, true},
    {"bmp", "Bitmap Files", "image/bmp", "bmp", true, true},
    {"tiff", "TIFF Files", "image/tiff", "tif tiff", true, true},
    {"webp", "WebP Files", "image/webp", "webp", true, true},
    {"ppm", "Portable Pixmap Files", "image/x-portable-pixmap", "ppm", true, false},
    {"pgm", "Portable Pixmap Files", "image/x-portable-graymap", "pgm", true, false},
    {"pbm", "Portable Pixmap Files", "image/x-portable-bitmap", "pbm", true, false},
    {"pnm", "Portable Pixmap Files", "image/x-portable-anymap", "pnm", true, false},
};

}  // namespace

std::vector<std::string> PictureType::Extensions() const
{
    std::vector<std::string> list;
    std::istringstream words(extensions);
    for (std::string w; words >> w;) list.push_back(w);
    return list;
}

std::string PictureType::PreferredExtension() const { return "." + Extensions().front(); }

std::span<const PictureType> PictureTypes() { return kTypes; }

const PictureType* PictureTypeOfFile(std::string_view path)
{
    const size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) return nullptr;
    const std::string_view ext = path.substr(dot + 1);
    for (const PictureType& t : kTypes)
        for (const std::string& e : t.Extensions())
            if (platform::EqualsNoCase(ext, e)) return &t;
    return nullptr;
}

const PictureType* PictureTypeNamed(std::string_view nameOrExtension)
{
    std::string_view n = nameOrExtension;
    if (!n.empty() && n.front() == '.') n.remove_prefix(1);
    if (n.empty()) return nullptr;
    for (const PictureType& t : kTypes)
        if (platform::EqualsNoCase(n, t.name)) return &t;
    return PictureTypeOfFile("." + std::string(n));
}

bool IsReadablePictureName(std::string_view path)
{
    const PictureType* t = PictureTypeOfFile(path);
    return t && t->readable;
}

bool IsWritablePictureName(std::string_view path)
{
    const PictureType* t = PictureTypeOfFile(path);
    return t && t->writable;
}

std::string ReadableMimeTypes()
{
    std::string s;
    for (const PictureType& t : kTypes)
        if (t.readable) s += std::string(t.mimeType) + ";";
    return s;
}

std::string WritableTypeNames(std::string_view prefix)
{
    std::vector<std::string> names;
    for (const PictureType& t : kTypes)
        if (t.writable) names.push_back(std::string(prefix) + t.name);
    std::string s;
    for (size_t i = 0; i < names.size(); ++i)
        s += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return s;
}

}  // namespace engine
