#pragma once
/**
 * @file RenderJob.h
 * @brief One rendering as the command-line tool does it: template, photos, values, output.
 */
#include <opencv2/core.hpp>

#include <optional>
#include <string>
#include <vector>

namespace engine {
class CPhotoDocument;
}  // namespace engine

namespace batch {

struct RenderJob {
    std::string templateFile;             ///< a resolved definition file (or, with definitionXml, its folder)
    /** A definition held in memory (the window's current template), used instead of reading
     *  templateFile; each rendering parses its own copy, so workers share nothing. */
    std::string definitionXml;
    std::vector<std::string> photos;
    std::optional<double> vars[3];        ///< in the template's own units
    std::optional<cv::Rect2f> region;     ///< photo fractions
    std::optional<cv::Size> viewSize;     ///< preview rendering for this view; else full size
    /** Frame templates: main-window corners (0 top-left, 1 top-right, 2 bottom-left,
     *  3 bottom-right of the photo) moved to points in the frame picture's pixels, in order. */
    std::vector<std::pair<int, cv::Point>> corners;
    std::optional<cv::Vec2f> turn;        ///< 3D templates: turn by H and V radians first
    // Face templates only.
    std::optional<int> face;              ///< which detected face, 1 for the first
    bool align = false;                   ///< locate eyes and mouth and pose the face by them
    std::optional<std::string> expression;  ///< "happy", "angry" or "sad"
    std::optional<double> amount;         ///< expression strength, 0..1 (0.3 by default)
};

/** Adds the photos to the document and selects them all, in order; false with a reason. */
bool SelectJobPhotos(engine::CPhotoDocument& doc, const std::vector<std::string>& photos, std::string* error,
                     std::optional<cv::Size> viewSize = std::nullopt);

/**
 * @brief Renders the job. Returns the result, or an empty Mat with a one-line reason
 * (unreadable photo, bad template, value out of range).
 */
cv::Mat RunRenderJob(const RenderJob& job, std::string* error);

}  // namespace batch
