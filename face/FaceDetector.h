#pragma once
/**
 * @file FaceDetector.h
 * @brief The process-wide face detector, handing out the faces of a photo one at a time
 * ("Search Face" steps to the next face). A Haar cascade proposes faces quickly; each is
 * confirmed by dlib's HOG face finder on its neighbourhood before it counts, and faces only
 * the HOG finder sees (turned faces the cascade misses) are added after the cascade's. The
 * 68-point landmark model is read on first use.
 *
 * Threads: any thread may call; the detector lock guards the cascade, the HOG finder, the
 * landmark model, the list of the last detection and the cycling position. Detection itself
 * runs under the lock too, so two photos never interleave their lists.
 */
#include "face/FaceTypes.h"
#include "face/Landmarks.h"

#include <opencv2/core.hpp>
#include <opencv2/objdetect.hpp>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace face {

class HogFaceFinder;
class LandmarkPredictor;

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

    /** "<program folder>/media/Configurations/frontal_face_hog.dat", written by the build. */
    static std::string HogPath();
    /**
     * @brief The 68-point landmark model: beside the program
     * ("<program folder>/media/Configurations/shape_predictor_68_face_landmarks.dat") when it
     * is there, else where Debian's libdlib-data puts it.
     */
    static std::string DefaultLandmarkModelPath();
    /** Uses another landmark model file (tests); empty returns to the default. Forgets a loaded model. */
    void SetLandmarkModelPath(const std::string& path);

    /**
     * @brief Whether the landmark model can be used, reading it the first time (it is kept
     * for the life of the process). A missing model is reported once on stderr.
     */
    bool LandmarksAvailable();
    /**
     * @brief The 68 landmarks of the face in rectangle face of a BGR photo, in the photo's
     * pixels. Invalid when the model is missing or the rectangle is empty.
     */
    Landmarks FindLandmarks(const cv::Mat& image, const FaceRect& face);

private:
    FaceDetector();
    ~FaceDetector();
    bool LandmarksAvailableLocked();
    void EnsureHogLocked();
    void ForgetListLocked();
    /** Detects every face of image (small: its reduced grey) into results_; the lock is held. */
    void FindFacesLocked(const cv::Mat& image, const cv::Mat& small);

    std::mutex lock_;
    cv::CascadeClassifier cascade_;
    bool loaded_ = false;
    bool hasResults_ = false;
    std::vector<FaceRect> results_;
    int next_ = 0;
    /** The reduced grey image the list was found on: a request for another photo detects anew. */
    cv::Mat listImage_;

    std::unique_ptr<HogFaceFinder> hog_;
    std::unique_ptr<LandmarkPredictor> landmarks_;
    std::string landmarkPath_;      ///< empty: the default
    bool landmarkTried_ = false;    ///< loading was tried with the current path
    bool landmarkWarned_ = false;   ///< the missing model was reported
};

}  // namespace face
