// The change-face half of FaceEngine: the template picture, its face configuration, the cap
// mesh and the rendering of the cap with the face shader.
#include "engine/ImageIO.h"
#include "face/CapMesh.h"
#include "face/FaceEngine.h"
#include "face/FaceShader.h"
#include "mesh3d/RenderMesh.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

using engine::LoadPhoto;
using mesh3d::Mesh;
using mesh3d::PixelInput;
using mesh3d::RenderMesh;
namespace mesh_format = mesh3d::mesh_format;

namespace face {

namespace {

constexpr int kMaxPictureWidth = 1024;
constexpr int kMaxPictureHeight = 768;

void FaceShaderStage(const PixelInput& in, float colour[3], const void* data)
{
    const auto& d = *static_cast<const FaceShaderData*>(data);
    const float u = in.texCoord ? in.texCoord[0] : 0.5f, v = in.texCoord ? in.texCoord[1] : 0.5f;
    const cv::Vec3f c = ShadeFacePixel(d, in.x, in.y, in.light, u, v);
    for (int i = 0; i < 3; ++i) colour[i] = std::clamp(c[i], 0.0f, 1.0f);
}

}  // namespace

void BuildCapMesh(CapMesh& cap, const FaceConfig& config)
{
    cap.geometry = BuildCapGeometry(config.capWidth, config.capHeight, config.capAngle);
    Mesh& m = cap.mesh;
    m.fileFormat = mesh_format::Position | mesh_format::Normal | mesh_format::TexCoord;
    m.processedFormat = mesh_format::ProcessedFromFile(m.fileFormat);
    m.vertexCount = kCapVertices;
    m.triangleCount = kCapTriangles;
    m.vertices = cap.geometry.vertices;
    m.indices.assign(cap.geometry.indices.begin(), cap.geometry.indices.end());
    m.FreeCache();
}

bool FaceEngine::LoadFacePicture(const std::string& picturePath, const std::string& configPath)
{
    // Every rendering asks for the picture again; the file is read once.
    if (!picture.empty() && picturePath == picturePath_ && configPath == configPath_) return true;
    cv::Mat loaded = LoadPhoto(picturePath);
    if (loaded.empty()) return false;
    if (loaded.cols > kMaxPictureWidth || loaded.rows > kMaxPictureHeight) {
        const double f = std::min(double(kMaxPictureWidth) / loaded.cols, double(kMaxPictureHeight) / loaded.rows);
        const cv::Size size(std::max(1, static_cast<int>(std::lround(loaded.cols * f))),
                            std::max(1, static_cast<int>(std::lround(loaded.rows * f))));
        cv::resize(loaded, loaded, size, 0, 0, cv::INTER_LINEAR);
    }
    picture = loaded;
    viewportSize = picture.size();
    output = cv::Mat::zeros(picture.size(), CV_8UC3);
    depth = cv::Mat::zeros(picture.size(), CV_32FC1);
    ReadFaceConfig(configPath, config);
    if (!cap) cap = std::make_unique<CapMesh>();
    BuildCapMesh(*cap, config);
    picturePath_ = picturePath;
    configPath_ = configPath;
    MeasureTemplate();
    return true;
}

void FaceEngine::PoseCap(void* shaderData)
{
    Mesh& m = cap->mesh;
    m.viewport = cv::Rect(config.viewportX, config.viewportY, viewportSize.width, viewportSize.height);
    m.rotation = cv::Matx33f(config.rotation);
    m.translation = cv::Vec3f(-config.translation[0], -config.translation[1], -config.translation[2]);
    m.cameraFactor = 1.0f;
    m.pixelShader = FaceShaderStage;
    m.shaderData = shaderData;
}

void FaceEngine::MeasureTemplate()
{
    // Where the cap lies on the picture: the pixels the cap's rendering gives a depth.
    cv::Mat canvas = cv::Mat::zeros(picture.size(), CV_8UC3), z = cv::Mat::zeros(picture.size(), CV_32FC1);
    FaceShaderData d;
    PoseCap(&d);
    RenderMesh(cap->mesh, canvas, &z);
    cap->mesh.shaderData = nullptr;
    const cv::Mat coverage = z != 0;
    templateShade = TemplateShading(picture, coverage);
    // The template's face colour from the middle of the cap, away from hair, helmet or frame.
    const cv::Rect box = cv::boundingRect(coverage);
    cv::Mat middle = cv::Mat::zeros(picture.size(), CV_8U);
    if (box.area() > 0)
        cv::ellipse(middle, cv::Point(box.x + box.width / 2, box.y + box.height / 2),
                    cv::Size(std::max(1, box.width / 4), std::max(1, box.height / 4)), 0, 0, 360, cv::Scalar(255), cv::FILLED);
    middle &= coverage;
    templateColour = MeasureLab(picture, middle);
}

const cv::Mat& FaceEngine::RenderChangedFace()
{
    if (picture.empty() || output.empty() || !cap) return output;
    picture.copyTo(output);
    depth.setTo(0);

    FaceShaderData d;
    d.picture = &picture;
    if (!workingPhoto.empty() && !fullPhoto.empty()) {
        d.photo = &fullPhoto;
        const float ww = float(workingPhoto.cols), wh = float(workingPhoto.rows);
        d.face = cv::Rect2f(faceRect.x / ww, faceRect.y / wh, faceRect.width / ww, faceRect.height / wh);
    }
    d.scale = scale;
    d.blendEdge = blendEdge;
    d.located = featuresLocated;
    d.alignFace = alignFace;
    d.enhanced = enhancedColour;
    std::copy(std::begin(currentRegions), std::end(currentRegions), d.regions);
    std::copy(std::begin(blendRadius), std::end(blendRadius), d.radius);
    if (alignFace && featuresLocated) TexturePoseFromRegions(currentRegions, texturePose);
    std::copy(std::begin(texturePose), std::end(texturePose), d.pose);

    // With landmarks the face is blended along its own outline, and enhanced colour recolours it.
    cv::Mat hull, matched;
    const Landmarks crop = featuresLocated ? CropLandmarks() : Landmarks{};
    if (crop.valid) {
        hull = FaceHullMask(crop, kCropSize, 0.06f * kCropSize * std::max(blendEdge, 0.05f) / 0.2f);
        d.hull = &hull;
        if (enhancedColour && templateColour.valid) {
            cv::Mat face(kCropSize, kCropSize, CV_8UC3);
            const double sx = double(fullPhoto.cols) / workingPhoto.cols, sy = double(fullPhoto.rows) / workingPhoto.rows;
            CutRegion(fullPhoto, cv::Rect(int(std::lround(faceRect.x * sx)), int(std::lround(faceRect.y * sy)),
                                          std::max(1, int(std::lround(faceRect.width * sx))),
                                          std::max(1, int(std::lround(faceRect.height * sy)))),
                      face);
            matched = MatchFaceColour(face, hull, templateColour);
            d.matched = &matched;
            d.shade = &templateShade;
        }
    }
    PoseCap(&d);
    Mesh& m = cap->mesh;
    RenderMesh(m, output, &depth);
    m.shaderData = nullptr;
    return output;
}

}  // namespace face
