// SPDX-License-Identifier: MIT
// Face configurations (the 68-byte pose of the face cap): read as a change-face template reads
// its file, then the cap is built from it and drawn over a small template picture with a face
// taken from a small photo, as every rendering of such a template does.
#include "face/CapMesh.h"
#include "face/FaceConfig.h"
#include "face/FaceEngine.h"
#include "fuzz/FuzzSupport.h"

#include <string>

using face::FaceConfig;
using face::FaceEngine;
using face::FaceRect;
using face::ReadFaceConfig;
using face::kFaceConfigBytes;

namespace {

std::string g_picture, g_config;
cv::Mat g_photo;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::string& box = fuzz::Sandbox();
    g_picture = fuzz::FixtureFolder("template") + "/Knight.jpg";
    g_config = box + "/work/face.cfg";
    g_photo = cv::Mat(30, 40, CV_8UC3);
    cv::randu(g_photo, 0, 256);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::WriteBytes(g_config, fuzz::AsText(data, size));
    FaceConfig config;
    const int used = ReadFaceConfig(g_config, config);
    // -1: refused unread (larger than any configuration could be).
    if (used > kFaceConfigBytes || used > static_cast<int>(size) || (used < 0 && size <= kFaceConfigBytes))
        fuzz::Fail("a wrong byte count");

    FaceEngine engine;
    if (!engine.LoadFacePicture(g_picture, g_config)) fuzz::Fail("the fixture picture cannot be loaded");
    engine.fullPhoto = g_photo;
    engine.workingPhoto = g_photo;
    engine.faceRect = FaceRect{8, 4, 20, 22};
    const cv::Mat& out = engine.RenderChangedFace();
    if (out.size() != engine.picture.size() || out.type() != CV_8UC3) fuzz::Fail("a result of the wrong size");
    return 0;
}
