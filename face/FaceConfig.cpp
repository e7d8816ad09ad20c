#include "face/FaceConfig.h"

#include "platform/ByteOrder.h"
#include "platform/Files.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace face {

namespace {

using platform::AppendLe32;
using platform::ReadLe32;

float AsFloat(std::uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

std::uint32_t Bits(float f)
{
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

}  // namespace

int ReadFaceConfig(const std::string& path, FaceConfig& config)
{
    config.viewportX = 0;
    config.viewportY = 0;
    std::string data;
    // Only the first 68 bytes mean anything; a larger file is read no further.
    if (!platform::ReadFile(path, data, 1 << 16)) return -1;
    const int have = static_cast<int>(std::min<size_t>(data.size(), kFaceConfigBytes));
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    const int values = have / 4;
    auto f = [&](int i, float& field) {
        if (i < values) {
            const float v = AsFloat(ReadLe32(bytes + 4 * i));
            if (std::isfinite(v)) field = v;
        }
    };
    for (int i = 0; i < 9; ++i) f(i, config.rotation[i]);
    for (int i = 0; i < 3; ++i) f(9 + i, config.translation[i]);
    if (12 < values) config.viewportX = static_cast<std::int32_t>(ReadLe32(bytes + 48));
    if (13 < values) config.viewportY = static_cast<std::int32_t>(ReadLe32(bytes + 52));
    float w = config.capWidth, h = config.capHeight, angle = config.capAngle;
    f(14, w);
    f(15, h);
    f(16, angle);
    if (w > 0) config.capWidth = w;
    if (h > 0) config.capHeight = h;
    if (std::abs(std::sin(angle)) > 1e-4f && std::abs(std::tan(angle)) > 1e-4f) config.capAngle = angle;
    return have;
}

std::string EncodeFaceConfig(const FaceConfig& config)
{
    std::string out;
    out.reserve(kFaceConfigBytes);
    for (float v : config.rotation) AppendLe32(out, Bits(v));
    for (float v : config.translation) AppendLe32(out, Bits(v));
    AppendLe32(out, static_cast<std::uint32_t>(config.viewportX));
    AppendLe32(out, static_cast<std::uint32_t>(config.viewportY));
    AppendLe32(out, Bits(config.capWidth));
    AppendLe32(out, Bits(config.capHeight));
    AppendLe32(out, Bits(config.capAngle));
    return out;
}

bool WriteFaceConfig(const std::string& path, const FaceConfig& config, std::string* error)
{
    return platform::WriteFileAtomically(path, EncodeFaceConfig(config), error);
}

}  // namespace face
