#pragma once
// The one picture every golden case renders: small, synthetic and built in code, so goldens
// do not depend on an image codec or a photo file.
#include <opencv2/core.hpp>

#include <cstdint>

namespace golden {

inline constexpr int kWidth = 96;
inline constexpr int kHeight = 72;

/**
 * 96 x 72 BGR: blue and green gradients across and down, a red disc, diagonal stripes, a grey
 * ramp along the bottom and a face-like blob (skin ellipse, dark eyes, mouth) - smooth areas,
 * hard edges, fine detail and a face for the filters to work on.
 */
cv::Mat MakeGoldenInput();

}  // namespace golden

#include <string>
#include <vector>

namespace golden {

/** The seed every golden rendering uses. */
inline constexpr std::uint32_t kSeed = 1234;

/**
 * Renders a template definition file at full size on `input` as the photo document does
 * (SetSource, SetOutputSize(null), ApplyParams, Start, Process) with the fixed seed kSeed.
 * Empty with a reason when the definition does not load.
 */
cv::Mat RenderCase(const std::string& definitionFile, const cv::Mat& input, std::string* error);

/** The folder of the cases: filters/tests/golden in the source tree. */
std::string GoldenDir();
/** The names of the cases (file names of golden/<name>.tmpl without the extension), sorted. */
std::vector<std::string> CaseNames();
std::string CaseFile(const std::string& name);

}  // namespace golden
