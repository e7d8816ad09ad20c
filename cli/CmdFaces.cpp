#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/Streams.h"

#include "engine/PhotoRecord.h"
#include "face/FaceDetector.h"
#include "face/FaceEngine.h"

#include <cmath>
#include <cstdio>

using engine::PhotoRecord;
using engine::PreparePhoto;
using face::FaceDetector;
using face::FaceRect;
using face::MakeWorkingPhoto;

namespace cli {

namespace {

const OptionSpec kOptions[] = {
    {"json", 0, nullptr, ValueKind::None,
     "print one JSON object {\"photo\", \"faces\": [{\"x\", \"y\", \"width\", \"height\"}, ...]}"},
};

int Run(const Args& args)
{
    if (args.Positional().size() != 1) return Fail("faces", "takes exactly one photo", 2);
    const std::string& name = args.Positional()[0];
    StdinPhoto stdinPhoto;
    std::string error;
    if (name == "-" && !stdinPhoto.Read(&error)) return Fail("faces", error);
    PhotoRecord record;
    record.path = name == "-" ? stdinPhoto.Path() : name;
    if (!PreparePhoto(record, &error)) return Fail("faces", stdinPhoto.Explain("cannot read photo " + record.path + ": " + error));
    const cv::Mat photo = record.PreparedView();
    FaceDetector& detector = FaceDetector::Instance();
    if (detector.LoadCascade() != 0)
        return Fail("faces", "the face detector's data is missing: " + FaceDetector::CascadePath());

    // Exactly as the face templates see the photo: detection runs on the working photo.
    const cv::Mat working = MakeWorkingPhoto(photo);
    std::vector<FaceRect> faces;
    detector.ResetFaceSearch();
    detector.DetectNextFace(working, &faces);
    detector.ResetFaceSearch();
    const double sx = double(photo.cols) / working.cols, sy = double(photo.rows) / working.rows;
    const bool json = args.Has("json");
    if (json) std::printf("{\"photo\": %s, \"faces\": [", JsonString(name).c_str());
    bool first = true;
    for (const FaceRect& f : faces) {
        const long x = std::lround(f.x * sx), y = std::lround(f.y * sy);
        const long w = std::lround(f.width * sx), h = std::lround(f.height * sy);
        if (json) std::printf("%s{\"x\": %ld, \"y\": %ld, \"width\": %ld, \"height\": %ld}", first ? "" : ", ", x, y, w, h);
        else std::printf("%ld %ld %ld %ld\n", x, y, w, h);
        first = false;
    }
    if (json) std::printf("]}\n");
    if (faces.empty()) Note("faces", "no face found on " + (name == "-" ? std::string("standard input") : name));
    return 0;
}

}  // namespace

const CliCommand kFacesCommand = {
    "faces",
    "list the faces found on a photo",
    "PHOTO [--json]",
    "Prints the faces the face templates find on the photo, one line \"x y width height\"\n"
    "per face in photo pixels, in the order \"Search Face\" steps through them\n"
    "(render --face N picks line N). Prints nothing when there is no face.\n"
    "PHOTO may be - for standard input.\n",
    kOptions,
    ValueKind::File,
    Run,
};

}  // namespace cli
