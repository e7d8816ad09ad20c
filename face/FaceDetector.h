#pragma once
/**
 * @file FaceDetector.h
 * @brief The process-wide face detector: one Haar cascade behind one lock, handing out the
 * faces of a photo one at a time ("Search Face" steps to the next face).
 *
 * Threads: any thread may call; the detector lock guards the cascade, the list of the last
 * detection and the cycling position. Detection itself runs under the lock too, so two
 * photos never interleave their lists.
 */
#include "face/FaceTypes.h"

#include <opencv2/core.hpp>
#include <opencv2/objdetect.hpp>

#include <mutex>
#include <string>
#include <vector>

class FaceDetector {
public:
    /** The one detector of the process. */
    static FaceDetector& Instance();

    /** "<program folder>/media/Configurations/haarcascade_frontalface_alt2.xml". */
    static std::string CascadePath();

    /**
     * @brief Loads the cascade the first time it succeeds.
     * @return 0 on success or when already loaded, -1 when the file is missing or unreadable
     * (two lines on stderr say so; the next call tries again).
     */
    int LoadCascade();
    /** Drops the cascade and the list (application exit). */
    void ReleaseDetector();
    bool Loaded();

    /**
     * @brief The next face of a BGR photo. The first request detects every face and returns
     * the first; each further request returns the next without detecting again; the request
     * after the last face detects afresh. No face (or no cascade): all zero.
     * @param all when given, receives the whole list the answer was taken from.
     */
    FaceRect DetectNextFace(const cv::Mat& image, std::vector<FaceRect>* all = nullptr);
    /** Forgets the list, so the next request detects afresh. */
    void ResetFaceSearch();

    /** Which face the next request returns (tests). */
    int NextIndex();

private:
    FaceDetector() = default;

    std::mutex lock_;
    cv::CascadeClassifier cascade_;
    bool loaded_ = false;
    bool hasResults_ = false;
    std::vector<FaceRect> results_;
    int next_ = 0;
    /** The reduced grey image the list was found on: a request for another photo detects anew. */
    cv::Mat listImage_;
};
