#include "face/FaceDetector.h"

#include "face/FaceModels.h"
#include "platform/Folders.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>


namespace face {

namespace {

// Detection works on the grey photo reduced by this factor, which keeps the search fast on
// the 800 x 600 working photo while faces of 40 pixels are still found.
constexpr double kReduce = 1.3;

// A candidate is confirmed on its neighbourhood scaled so that the cascade's box is this wide:
// the HOG finder's box is about three quarters of the cascade's and the finder needs 80 pixels.
constexpr double kConfirmWidth = 130;
// How far the neighbourhood reaches past the cascade's box on each side, in box widths.
constexpr double kConfirmMargin = 0.3;
// Candidates are already face-like; a slightly lower bar than the finder's own keeps real
// faces in poor light while textures still fail.
constexpr double kConfirmThreshold = -0.2;
// The HOG finder's own search over the whole photo runs at this scale: faces the cascade
// misses are wanted when they are large (turned faces in portraits), and the half-size
// search costs a quarter of the full one.
constexpr double kSearchScale = 0.5;
constexpr double kSearchThreshold = 0.0;

// The cascade's box around the HOG finder's box: the finder's box covers brows to chin, the
// cascade's reaches from the forehead to below the chin and wider (measured on the
// evaluation photos' faces).
constexpr float kHogToCascadeScale = 1.3f;
constexpr float kHogToCascadeUp = 0.1f;

cv::Rect2f CascadeBoxFromHog(const cv::Rect2f& h)
{
    const float w = h.width * kHogToCascadeScale;
    const float cx = h.x + h.width / 2, cy = h.y + h.height / 2 - kHogToCascadeUp * h.height;
    return cv::Rect2f(cx - w / 2, cy - w / 2, w, w);
}

cv::Rect2f HogBoxFromCascade(const cv::Rect2f& c)
{
    const float w = c.width / kHogToCascadeScale;
    const float cx = c.x + c.width / 2, cy = c.y + c.height / 2 + kHogToCascadeUp * w;
    return cv::Rect2f(cx - w / 2, cy - w / 2, w, w);
}

// The HOG finder's face on the neighbourhood of cascade box c of a grey photo (photo pixels),
// or an empty box when it sees none there of a matching size.
cv::Rect2f ConfirmOnNeighbourhood(const HogFaceFinder& hog, const cv::Mat& grey, const cv::Rect2f& c)
{
    const double m = kConfirmMargin * c.width;
    const cv::Rect area = cv::Rect(cvFloor(c.x - m), cvFloor(c.y - m), cvCeil(c.width + 2 * m), cvCeil(c.height + 2 * m)) &
                          cv::Rect(0, 0, grey.cols, grey.rows);
    if (area.width < 8 || area.height < 8) return {};
    const double f = kConfirmWidth / c.width;
    cv::Mat patch;
    cv::resize(grey(area), patch, cv::Size(std::max(1, int(std::lround(area.width * f))), std::max(1, int(std::lround(area.height * f)))),
               0, 0, f < 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
    const cv::Point2f centre(c.x + c.width / 2, c.y + c.height / 2);
    cv::Rect2f best;
    double bestScore = -1e9;
    for (const HogFace& h : hog.Find(patch, kConfirmThreshold)) {
        const cv::Rect2f b(float(area.x + h.box.x / f), float(area.y + h.box.y / f), float(h.box.width / f), float(h.box.height / f));
        const cv::Point2f bc(b.x + b.width / 2, b.y + b.height / 2);
        // The same face: centred near the candidate's centre and of a size the cascade's box fits.
        const float ratio = b.width / c.width;
        if (std::abs(bc.x - centre.x) > 0.25f * c.width || std::abs(bc.y - centre.y) > 0.3f * c.width) continue;
        if (ratio < 0.5f || ratio > 1.1f) continue;
        if (h.score > bestScore) {
            bestScore = h.score;
            best = b;
        }
    }
    return best;
}

// Top to bottom in lines, left to right within a line: a face whose centre lies less than half
// a face below the first face of the current line still belongs to that line.
void SortInReadingOrder(std::vector<cv::Rect2f>& faces)
{
    auto cy = [](const cv::Rect2f& r) { return r.y + r.height / 2; };
    std::sort(faces.begin(), faces.end(), [&](const cv::Rect2f& a, const cv::Rect2f& b) { return cy(a) < cy(b); });
    for (size_t first = 0; first < faces.size();) {
        size_t end = first + 1;
        while (end < faces.size() && cy(faces[end]) - cy(faces[first]) < 0.5f * faces[first].height) ++end;
        std::sort(faces.begin() + static_cast<std::ptrdiff_t>(first), faces.begin() + static_cast<std::ptrdiff_t>(end),
                  [](const cv::Rect2f& a, const cv::Rect2f& b) { return a.x < b.x; });
        first = end;
    }
}

bool SameImage(const cv::Mat& a, const cv::Mat& b)
{
    if (a.size() != b.size() || a.type() != b.type()) return false;
    for (int y = 0; y < a.rows; ++y)
        if (std::memcmp(a.ptr(y), b.ptr(y), static_cast<size_t>(a.cols) * a.elemSize()) != 0) return false;
    return true;
}

/** The photo in grey, reduced by kReduce and equalised: what the cascade searches. Empty when too small. */
cv::Mat ReducedEqualisedGrey(const cv::Mat& image)
{
    cv::Mat grey, small;
    cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
    // Rounded to nearest with ties to even, as the default rounding mode does.
    const int sw = static_cast<int>(std::nearbyint(image.cols / kReduce));
    const int sh = static_cast<int>(std::nearbyint(image.rows / kReduce));
    if (sw < 1 || sh < 1) return {};
    cv::resize(grey, small, cv::Size(sw, sh), 0, 0, cv::INTER_LINEAR);
    cv::equalizeHist(small, small);
    return small;
}

/** The cascade's faces on the reduced photo, left to right, then top to bottom. */
std::vector<cv::Rect> CascadeCandidates(cv::CascadeClassifier& cascade, const cv::Mat& small)
{
    std::vector<cv::Rect> found;
    try {
        cascade.detectMultiScale(small, found, 1.1, 2, 0, cv::Size(30, 30));
    } catch (const cv::Exception&) {
        found.clear();
    }
    // The detector collects candidates on several threads, so its order varies from run
    // to run; sorting gives every run the same cycle.
    std::sort(found.begin(), found.end(), [](const cv::Rect& a, const cv::Rect& b) {
        return a.x != b.x ? a.x < b.x : a.y < b.y;
    });
    return found;
}

/**
 * Faces the cascade passed over (turned ones, mostly), as cascade-like boxes in reading
 * order: the HOG finder's own faces whose centre lies in no confirmed box.
 */
std::vector<cv::Rect2f> FacesOnlyHogFinds(const HogFaceFinder& hog, const cv::Mat& workingGrey,
                                          const std::vector<cv::Rect2f>& confirmed)
{
    std::vector<cv::Rect2f> extra;
    std::vector<HogFace> own;
    const cv::Size half(int(workingGrey.cols * kSearchScale), int(workingGrey.rows * kSearchScale));
    // The finder's window is 80 pixels: a smaller picture cannot hold a face it would see.
    if (half.width >= 80 && half.height >= 80) {
        cv::Mat reduced;
        cv::resize(workingGrey, reduced, half, 0, 0, cv::INTER_AREA);
        own = hog.Find(reduced, kSearchThreshold);
    }
    for (const HogFace& h : own) {
        const cv::Rect2f b(float(h.box.x / kSearchScale), float(h.box.y / kSearchScale),
                           float(h.box.width / kSearchScale), float(h.box.height / kSearchScale));
        const cv::Point2f centre(b.x + b.width / 2, b.y + b.height / 2);
        const bool known = std::any_of(confirmed.begin(), confirmed.end(), [&](const cv::Rect2f& c) { return c.contains(centre); });
        if (!known) extra.push_back(CascadeBoxFromHog(b));
    }
    SortInReadingOrder(extra);
    return extra;
}

}  // namespace

FaceDetector::FaceDetector() = default;
FaceDetector::~FaceDetector() = default;

FaceDetector& FaceDetector::Instance()
{
    static FaceDetector detector;
    return detector;
}

std::string FaceDetector::HogPath()
{
    return platform::JoinPath(platform::ProgramFolder(), "media/Configurations/frontal_face_hog.dat");
}

std::string FaceDetector::DefaultLandmarkModelPath()
{
    const std::string beside =
        platform::JoinPath(platform::ProgramFolder(), "media/Configurations/shape_predictor_68_face_landmarks.dat");
    if (platform::FileExists(beside)) return beside;
    return "/usr/share/dlib/shape_predictor_68_face_landmarks.dat";
}

void FaceDetector::SetLandmarkModelPath(const std::string& path)
{
    std::lock_guard lock(lock_);
    if (path == landmarkPath_) return;
    landmarkPath_ = path;
    landmarks_.reset();
    landmarkTried_ = false;
    landmarkWarned_ = false;
}

void FaceDetector::EnsureHogLocked()
{
    if (hog_) return;
    hog_ = std::make_unique<HogFaceFinder>();
    if (!hog_->Load(HogPath()))
        std::fprintf(stderr, "Face finder weights not found at %s: unpacking the built-in ones\n", HogPath().c_str());
}

bool FaceDetector::LandmarksAvailableLocked()
{
    if (!landmarkTried_) {
        landmarkTried_ = true;
        const std::string path = landmarkPath_.empty() ? DefaultLandmarkModelPath() : landmarkPath_;
        auto model = std::make_unique<LandmarkPredictor>();
        if (model->Load(path)) {
            landmarks_ = std::move(model);
        } else if (!landmarkWarned_) {
            landmarkWarned_ = true;
            std::fprintf(stderr,
                         "Face landmark model not found at %s (package libdlib-data): eyes and mouth are located "
                         "without it\n",
                         path.c_str());
        }
    }
    return landmarks_ != nullptr;
}

bool FaceDetector::LandmarksAvailable()
{
    std::lock_guard lock(lock_);
    return LandmarksAvailableLocked();
}

Landmarks FaceDetector::FindLandmarks(const cv::Mat& image, const FaceRect& face)
{
    if (image.empty() || image.type() != CV_8UC3 || face.width < 1 || face.height < 1) return {};
    cv::Mat grey;
    cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
    std::lock_guard lock(lock_);
    if (!LandmarksAvailableLocked()) return {};
    EnsureHogLocked();
    const cv::Rect2f c(float(face.x), float(face.y), float(face.width), float(face.height));
    // The model was trained on the HOG finder's boxes: use the finder's own box where it sees
    // the face, else the box it would most likely have drawn (a face placed by hand).
    cv::Rect2f box = ConfirmOnNeighbourhood(*hog_, grey, c);
    if (box.empty()) box = HogBoxFromCascade(c);
    return landmarks_->Predict(grey, box);
}

std::string FaceDetector::CascadePath()
{
    return platform::JoinPath(platform::ProgramFolder(), "media/Configurations/haarcascade_frontalface_alt2.xml");
}

int FaceDetector::LoadCascade()
{
    std::lock_guard lock(lock_);
    if (loaded_) return 0;
    bool ok = false;
    try {
        ok = platform::FileExists(CascadePath()) && cascade_.load(CascadePath()) && !cascade_.empty();
    } catch (const cv::Exception&) {
        ok = false;
    }
    if (!ok) {
        std::fputs("ERROR: Could not load classifier cascade\n", stderr);
        std::fprintf(stderr, "Expected at %s\n", CascadePath().c_str());
        return -1;
    }
    loaded_ = true;
    return 0;
}

void FaceDetector::ReleaseDetector()
{
    std::lock_guard lock(lock_);
    cascade_ = cv::CascadeClassifier();
    hog_.reset();
    loaded_ = false;
    hasResults_ = false;
    results_.clear();
    next_ = 0;
    listImage_.release();
}

bool FaceDetector::Loaded()
{
    std::lock_guard lock(lock_);
    return loaded_;
}

void FaceDetector::ResetFaceSearch()
{
    std::lock_guard lock(lock_);
    ForgetListLocked();
}

int FaceDetector::NextIndex()
{
    std::lock_guard lock(lock_);
    return next_;
}

FaceRect FaceDetector::DetectNextFace(const cv::Mat& image, std::vector<FaceRect>* all)
{
    if (all) all->clear();
    if (image.empty() || image.type() != CV_8UC3) return {};
    const cv::Mat small = ReducedEqualisedGrey(image);
    if (small.empty()) return {};

    std::lock_guard lock(lock_);
    if (!loaded_) return {};
    EnsureHogLocked();

    // The list belongs to the photo it was found on: stepping on after the photo changed
    // would hand out a rectangle of another picture.
    if (hasResults_ && !SameImage(small, listImage_)) ForgetListLocked();
    if (!hasResults_) FindFacesLocked(image, small);
    if (!hasResults_) return {};
    if (all) *all = results_;
    const FaceRect result = results_[next_];
    ++next_;
    if (next_ >= static_cast<int>(results_.size())) ForgetListLocked();
    return result;
}

void FaceDetector::ForgetListLocked()
{
    hasResults_ = false;
    results_.clear();
    next_ = 0;
}

void FaceDetector::FindFacesLocked(const cv::Mat& image, const cv::Mat& small)
{
    results_.clear();
    cv::Mat workingGrey;
    cv::cvtColor(image, workingGrey, cv::COLOR_BGR2GRAY);
    std::vector<cv::Rect2f> confirmed;
    for (const cv::Rect& r : CascadeCandidates(cascade_, small)) {
        // Truncated toward zero, back in working-photo pixels.
        const FaceRect face{static_cast<std::int32_t>(r.x * kReduce), static_cast<std::int32_t>(r.y * kReduce),
                            static_cast<std::int32_t>(r.width * kReduce), static_cast<std::int32_t>(r.height * kReduce)};
        const cv::Rect2f box(float(face.x), float(face.y), float(face.width), float(face.height));
        const cv::Rect2f hogBox = ConfirmOnNeighbourhood(*hog_, workingGrey, box);
        if (hogBox.empty()) continue;
        results_.push_back(face);
        confirmed.push_back(box);
    }
    for (const cv::Rect2f& b : FacesOnlyHogFinds(*hog_, workingGrey, confirmed))
        results_.push_back({static_cast<std::int32_t>(std::lround(b.x)), static_cast<std::int32_t>(std::lround(b.y)),
                            static_cast<std::int32_t>(std::lround(b.width)),
                            static_cast<std::int32_t>(std::lround(b.height))});
    next_ = 0;
    hasResults_ = !results_.empty();
    if (hasResults_) listImage_ = small;
}

}  // namespace face
