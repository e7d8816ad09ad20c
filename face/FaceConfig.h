#pragma once
/**
 * @file FaceConfig.h
 * @brief The face configuration file of a change-face template: how the face cap is posed
 * over the template picture. Binary, little-endian, 68 bytes: rotation (nine floats, row
 * major), translation (three floats), viewport origin (two int32), cap width, cap height and
 * cap angle (radians) as floats.
 */
#include <cstdint>
#include <string>

namespace face {

inline constexpr int kFaceConfigBytes = 68;

struct FaceConfig {
    float rotation[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    float translation[3] = {0, 0, 0};
    std::int32_t viewportX = 0, viewportY = 0;
    float capWidth = 1.0f, capHeight = 1.0f;
    float capAngle = 0.5235988f;  ///< pi / 6
};

/**
 * @brief Reads a configuration into config. The viewport origin is reset to (0, 0) first.
 * A missing file changes nothing else; a short file changes only the values it holds whole.
 * Values that would break the cap (not finite, a cap width or height not above zero, an angle
 * whose sine or tangent is zero) keep their previous value.
 * @return the number of bytes used (0 to 68), or -1 when the file cannot be read.
 */
int ReadFaceConfig(const std::string& path, FaceConfig& config);

/** The 68 bytes of a configuration. */
std::string EncodeFaceConfig(const FaceConfig& config);

/** Writes a configuration file (atomically). */
bool WriteFaceConfig(const std::string& path, const FaceConfig& config, std::string* error = nullptr);

}  // namespace face
