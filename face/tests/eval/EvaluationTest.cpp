// The detector on real photos: pictures without a person (textures, text, objects, animals,
// grids) and photos of people whose faces were boxed by hand (face/tests/eval, see its NOTICE).
#include "engine/ImageIO.h"
#include "face/FaceDetector.h"
#include "face/FaceEngine.h"
#include "face/tests/FaceTestUtil.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

using namespace engine;
using namespace face;

using namespace facetest;

namespace {

const std::string kEval = testenv::SourceDir() + "/face/tests/eval";

struct Label {
    cv::Rect box;
    bool frontal = true;
};

std::map<std::string, std::vector<Label>> ReadLabels()
{
    std::map<std::string, std::vector<Label>> out;
    std::ifstream in(kEval + "/faces.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        std::string name;
        Label l;
        int frontal = 1;
        s >> name >> l.box.x >> l.box.y >> l.box.width >> l.box.height >> frontal;
        l.frontal = frontal != 0;
        out[name].push_back(l);
    }
    return out;
}

// The faces "Search Face" steps through, in the photo's pixels.
std::vector<cv::Rect> Faces(const cv::Mat& photo)
{
    FaceDetector& d = FaceDetector::Instance();
    const cv::Mat working = MakeWorkingPhoto(photo);
    std::vector<FaceRect> found;
    d.ResetFaceSearch();
    d.DetectNextFace(working, &found);
    d.ResetFaceSearch();
    const double sx = double(photo.cols) / working.cols, sy = double(photo.rows) / working.rows;
    std::vector<cv::Rect> out;
    for (const FaceRect& f : found)
        out.emplace_back(int(std::lround(f.x * sx)), int(std::lround(f.y * sy)), int(std::lround(f.width * sx)),
                         int(std::lround(f.height * sy)));
    return out;
}

double IoU(const cv::Rect& a, const cv::Rect& b)
{
    const double i = (a & b).area();
    return i / (a.area() + b.area() - i);
}

class FaceEvaluationTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(FaceDetector::Instance().LoadCascade(), 0); }
};

}  // namespace

TEST_F(FaceEvaluationTest, NoFalseFacesOnPhotosWithoutPeopleAndEveryFrontalFaceFound)
{
    int negatives = 0, falseOnNegatives = 0;
    std::string falseNames;
    for (const auto& e : std::filesystem::directory_iterator(kEval + "/negatives")) {
        const cv::Mat photo = LoadPhoto(e.path().string());
        ASSERT_FALSE(photo.empty()) << e.path();
        ++negatives;
        const size_t n = Faces(photo).size();
        falseOnNegatives += static_cast<int>(n);
        if (n) falseNames += " " + e.path().filename().string();
    }
    EXPECT_GE(negatives, 40);
    EXPECT_LE(falseOnNegatives, 1) << "false faces on" << falseNames;

    int frontal = 0, found = 0, falseOnFaces = 0;
    const auto labels = ReadLabels();
    ASSERT_GE(labels.size(), 10u);
    for (const auto& [name, boxes] : labels) {
        const cv::Mat photo = LoadPhoto(kEval + "/faces/" + name);
        ASSERT_FALSE(photo.empty()) << name;
        const std::vector<cv::Rect> faces = Faces(photo);
        for (const Label& l : boxes) {
            const bool hit = std::any_of(faces.begin(), faces.end(), [&](const cv::Rect& f) { return IoU(f, l.box) > 0.3; });
            if (!l.frontal) continue;
            ++frontal;
            found += hit;
            EXPECT_TRUE(hit) << name << ": the face at " << l.box << " was not found";
        }
        for (const cv::Rect& f : faces)
            if (std::none_of(boxes.begin(), boxes.end(), [&](const Label& l) { return IoU(f, l.box) > 0.3; })) {
                ++falseOnFaces;
                ADD_FAILURE() << name << ": " << f << " is no face";
            }
    }
    const int falseFaces = falseOnNegatives + falseOnFaces;
    std::printf("evaluation: %d photos without faces, %d false faces; %d of %d frontal faces found; "
                "precision %.3f, recall %.3f\n",
                negatives, falseFaces, found, frontal, found + falseFaces ? double(found) / (found + falseFaces) : 0.0,
                frontal ? double(found) / frontal : 0.0);
}

TEST_F(FaceEvaluationTest, TheCoffeeTableHasNoFaceAtAnySize)
{
    const cv::Mat coffee = Coffee();
    ASSERT_FALSE(coffee.empty());
    EXPECT_TRUE(Faces(coffee).empty());
    cv::Mat large;
    cv::resize(coffee, large, cv::Size(4000, 3000), 0, 0, cv::INTER_CUBIC);
    EXPECT_TRUE(Faces(large).empty());
}
