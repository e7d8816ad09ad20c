#pragma once
/**
 * @file PhotoRecord.h
 * @brief One photo of the photo strip: its file, orientation, crop and per-photo face state.
 */
#include <opencv2/core.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

namespace engine {

/** Four corners, top-left, top-right, bottom-right, bottom-left; all zero means no region. */
struct FaceQuad {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0, x3 = 0, y3 = 0;
    bool IsEmpty() const { return !x0 && !y0 && !x1 && !y1 && !x2 && !y2 && !x3 && !y3; }
};
static_assert(sizeof(FaceQuad) == 32);

/**
 * @brief What the face templates remember per photo. The photo document only copies it; its
 * layout is the tail of the face parameters, from the align-face flag to the dirty flag.
 */
struct FacePhotoState {
    std::uint8_t alignFace = 0;
    std::int32_t expression[3] = {1, 0, 1};          ///< only the signs are used
    float blendRadius[3] = {1.25f, 1.25f, 1.25f};    ///< left eye, right eye, mouth
    FaceQuad regions[4];                             ///< left eye, right eye, mouth, face
    std::uint8_t regionValid[4] = {0, 0, 0, 0};
    std::uint8_t enhancedColour = 0;
    std::uint8_t faceSearched = 0;
    std::uint8_t aligned = 0;
    std::uint8_t dirty = 0;
};
static_assert(sizeof(FacePhotoState) == 164, "the per-photo face block is 164 bytes");
static_assert(offsetof(FacePhotoState, expression) == 4 && offsetof(FacePhotoState, regions) == 28 &&
              offsetof(FacePhotoState, regionValid) == 156 && offsetof(FacePhotoState, dirty) == 163);

/**
 * @brief A photo and its settings. Copies share the pixel buffers: a prepared image or a
 * thumbnail is never written after it is made, only replaced, so sharing is safe and keeps
 * copies (which the photo document makes often) cheap.
 */
struct PhotoRecord {
    std::string path;        ///< empty for a photo made from an image in memory
    cv::Mat image;           ///< the prepared full image (scaled, rotated); may be empty
    cv::Rect crop_px;        ///< the crop within image, in pixels (set when prepared)
    cv::Mat thumbnail;       ///< may be empty
    int rotation = 0;        ///< counter-clockwise quarter turns (kept modulo 4)
    int cropRotation = 0;    ///< the rotation the crop was expressed at
    float crop[4] = {0, 0, 1, 1};  ///< x, y, width, height as fractions of the rotated image
    FacePhotoState face;

    /** The prepared image limited to the crop (a view; empty when not prepared). */
    cv::Mat PreparedView() const;
    /** Drops the prepared image and thumbnail, so the next use prepares them anew. */
    void DropImages();
};

/**
 * @brief Keeps a face state with its photo when the photo's crop moves: the regions are in the
 * pixels of the cropped photo, so they move by the old crop's corner minus the new one's. A
 * face whose centre falls outside the new frame (frameSize) is forgotten: the next face
 * template searches the cropped photo again.
 */
void MoveFaceState(FacePhotoState& face, cv::Point2f delta, cv::Size frameSize);
/** The regions of a face state are forgotten (the photo was turned): the next template searches again. */
void ForgetFaceRegions(FacePhotoState& face);

/** Photos are scaled to fit this square before any other work. */
inline constexpr int kMaxPreparedSide = 4096;

/**
 * @brief Loads the photo if needed, scales it to fit 4096 x 4096, rotates it, re-expresses the
 * crop for the rotation and sets crop_px. False (image stays empty) when it cannot be loaded.
 */
bool PreparePhoto(PhotoRecord& record, std::string* error = nullptr);

/** Rotates by counter-clockwise quarter turns (any integer; taken modulo 4). */
cv::Mat RotateQuarterTurns(const cv::Mat& image, int turns);

/** The crop of a photo re-expressed after turning it by turns quarter turns counter-clockwise. */
void RotateCrop(float crop[4], int turns);

/**
 * @brief The record's thumbnail fitted into the size (small photos enlarged); prepares the
 * image for this only and drops it again when it was not prepared before.
 */
cv::Mat MakeThumbnail(PhotoRecord& record, int maxWidth, int maxHeight);

}  // namespace engine
