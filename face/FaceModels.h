// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file FaceModels.h
 * @brief The two learned face models the detector uses besides its Haar cascade, both from
 * dlib: the HOG frontal face finder that confirms (or finds on its own) a face, and the
 * 68-point landmark predictor. dlib stays inside FaceModels.cpp.
 *
 * Threads: neither class locks; FaceDetector owns one of each and uses them under its lock.
 */
#include "face/Landmarks.h"

#include <opencv2/core.hpp>

#include <memory>
#include <string>
#include <vector>

namespace face {

/** A face the HOG finder reports: its box, its score and which of the finder's five views matched. */
struct HogFace {
    cv::Rect2f box;
    double score = 0;
    int view = 0;  ///< 0 frontal, 1 and 2 turned left and right, 3 and 4 tilted
};

class HogFaceFinder {
public:
    HogFaceFinder();
    ~HogFaceFinder();
    HogFaceFinder(const HogFaceFinder&) = delete;
    HogFaceFinder& operator=(const HogFaceFinder&) = delete;

    /**
     * @brief Reads the finder's weights from a file written by WriteDefault; a missing or
     * unreadable file falls back to the weights built into dlib, which take seconds to unpack.
     * @return false when the file could not be used (the finder still works).
     */
    bool Load(const std::string& path);
    /** Writes the built-in weights in the quick-to-read form Load expects. */
    static bool WriteDefault(const std::string& path);

    /**
     * @brief Every face of at least 80 x 80 pixels on a grey picture (CV_8UC1).
     * @param threshold added to the finder's own threshold: below 0 accepts weaker faces.
     */
    std::vector<HogFace> Find(const cv::Mat& grey, double threshold) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class LandmarkPredictor {
public:
    LandmarkPredictor();
    ~LandmarkPredictor();
    LandmarkPredictor(const LandmarkPredictor&) = delete;
    LandmarkPredictor& operator=(const LandmarkPredictor&) = delete;

    /** Reads the 68-point model (about 100 MB). @return false when the file is missing or broken. */
    bool Load(const std::string& path);
    bool Loaded() const;

    /**
     * @brief The 68 points of the face in box (as the HOG finder reports it) on a grey
     * picture (CV_8UC1), in that picture's pixels. Not loaded: all points zero.
     */
    Landmarks Predict(const cv::Mat& grey, const cv::Rect2f& box) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace face
