#include "cli/Commands.h"

#include "engine/PhotoRecord.h"
#include "face/FaceDetector.h"
#include "face/FaceEngine.h"

#include <cmath>
#include <cstdio>

int CmdFaces(const CommandArgs& args)
{
    if (WantsHelp(args)) {
        std::printf("usage: grimaze-cli faces PHOTO\n\n"
                    "Prints the faces the face templates find on the photo, one line \"x y width height\"\n"
                    "per face in photo pixels, in the order \"Search Face\" steps through them\n"
                    "(render --face N picks line N). Prints nothing when there is no face.\n");
        return 0;
    }
    if (args.size() != 1) return Fail("faces", "takes exactly one photo", 2);
    PhotoRecord record;
    record.path = args[0];
    std::string error;
    if (!PreparePhoto(record, &error)) return Fail("faces", "cannot read photo " + args[0] + ": " + error);
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
    for (const FaceRect& f : faces)
        std::printf("%ld %ld %ld %ld\n", std::lround(f.x * sx), std::lround(f.y * sy), std::lround(f.width * sx),
                    std::lround(f.height * sy));
    if (faces.empty()) std::fprintf(stderr, "grimaze-cli faces: no face found on %s\n", args[0].c_str());
    return 0;
}
