// Placeholder until the mesh renderer lands: loads the picture, renders no face.
#include "engine/ImageIO.h"
#include "face/CapMesh.h"
#include "face/FaceEngine.h"

bool FaceEngine::LoadFacePicture(const std::string& picturePath, const std::string& configPath)
{
    cv::Mat loaded = LoadPhoto(picturePath);
    if (loaded.empty()) return false;
    picture = loaded;
    output = loaded.clone();
    ReadFaceConfig(configPath, config);
    picturePath_ = picturePath;
    configPath_ = configPath;
    return true;
}

const cv::Mat& FaceEngine::RenderChangedFace() { return output; }
