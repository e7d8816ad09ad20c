// make_wood_textures: draws the two wood textures of the "Wood Print" template.
//
//   make_wood_textures <output folder>
//
// writes WoodLight.jpg (pale pine, shown in the light stripes) and WoodDark.jpg (walnut,
// halved by the filter and shown in the dark stripes). Everything is procedural and seeded,
// so running it again gives the same files. The grain runs across the print's vertical
// stripes, as on a carved plank.
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 900;

/** Smooth noise in -1..1: random values on a coarse grid (cellsX x cellsY), scaled up bicubically. */
cv::Mat SmoothNoise(cv::RNG& rng, int cellsX, int cellsY)
{
    cv::Mat coarse(cellsY + 3, cellsX + 3, CV_32F);
    rng.fill(coarse, cv::RNG::UNIFORM, -1.0, 1.0);
    cv::Mat fine;
    const double sx = static_cast<double>(kWidth) / cellsX, sy = static_cast<double>(kHeight) / cellsY;
    cv::resize(coarse, fine, cv::Size(), sx, sy, cv::INTER_CUBIC);
    // Cut off the border cells, where bicubic scaling clamps.
    return fine(cv::Rect(static_cast<int>(sx), static_cast<int>(sy), kWidth, kHeight)).clone();
}

/** Octaves of smooth noise; each octave has twice the cells and half the weight. */
cv::Mat Turbulence(cv::RNG& rng, int cellsX, int cellsY, int octaves)
{
    cv::Mat sum(kHeight, kWidth, CV_32F, cv::Scalar(0));
    float weight = 1.0f, total = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += SmoothNoise(rng, cellsX << o, cellsY << o) * weight;
        total += weight;
        weight *= 0.5f;
    }
    return sum / total;
}

struct Knot {
    float x, y, radius, strength;
};

struct WoodLook {
    unsigned seed;
    cv::Vec3f early, late;  // BGR of the soft early wood and the dense late-wood lines
    float rings;            // growth rings across the height
    float waviness;         // how far the rings wander
    float fibre;            // strength of the fine streaks
    int knots;
};

cv::Mat DrawWood(const WoodLook& look)
{
    cv::RNG rng(look.seed);
    const cv::Mat wander = Turbulence(rng, 4, 3, 3);
    const cv::Mat ripple = Turbulence(rng, 24, 6, 2);
    // Fibres: noise stretched along the grain, so it reads as long thin streaks.
    const cv::Mat fibres = Turbulence(rng, 12, 300, 2);
    const cv::Mat speckle = Turbulence(rng, 300, 225, 1);

    std::vector<Knot> knots;
    for (int i = 0; i < look.knots; ++i)
        knots.push_back({rng.uniform(0.1f, 0.9f) * kWidth, rng.uniform(0.15f, 0.85f) * kHeight,
                         rng.uniform(25.0f, 60.0f), rng.uniform(1.5f, 3.0f)});

    cv::Mat image(kHeight, kWidth, CV_8UC3);
    for (int y = 0; y < kHeight; ++y) {
        const float* w = wander.ptr<float>(y);
        const float* r = ripple.ptr<float>(y);
        const float* f = fibres.ptr<float>(y);
        const float* s = speckle.ptr<float>(y);
        cv::Vec3b* out = image.ptr<cv::Vec3b>(y);
        for (int x = 0; x < kWidth; ++x) {
            float grain = static_cast<float>(y) / kHeight * look.rings + w[x] * look.waviness + r[x] * 0.15f;
            float knotShade = 0.0f;
            for (const Knot& k : knots) {
                const float dx = (x - k.x) / (k.radius * 2.5f), dy = (y - k.y) / k.radius;
                const float d = std::sqrt(dx * dx + dy * dy);
                // A knot is a hill in the growth rings: they close into ellipses around it.
                grain += k.strength * std::exp(-d * d * 0.5f);
                knotShade += std::exp(-d * d * 4.0f);
            }
            const float phase = grain - std::floor(grain);
            // Late wood: a sharp dark line that fades into the next year's soft early wood.
            const float late = std::pow(std::max(0.0f, std::sin(phase * 3.14159265f)), 10.0f) * 0.75f +
                               std::pow(1.0f - phase, 6.0f) * 0.35f;
            const float t = std::clamp(late + f[x] * look.fibre + s[x] * 0.05f + knotShade * 0.8f, 0.0f, 1.0f);
            const cv::Vec3f c = look.early * (1.0f - t) + look.late * t;
            out[x] = cv::Vec3b(cv::saturate_cast<uchar>(c[0]), cv::saturate_cast<uchar>(c[1]),
                               cv::saturate_cast<uchar>(c[2]));
        }
    }
    return image;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_wood_textures <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const WoodLook pine{20240611u, {150, 200, 232}, {92, 140, 186}, 9.0f, 0.8f, 0.25f, 2};
    const WoodLook walnut{19790305u, {62, 98, 140}, {22, 40, 64}, 14.0f, 1.1f, 0.35f, 1};
    const std::vector<int> jpeg{cv::IMWRITE_JPEG_QUALITY, 90};
    bool ok = cv::imwrite(folder + "/WoodLight.jpg", DrawWood(pine), jpeg);
    ok = cv::imwrite(folder + "/WoodDark.jpg", DrawWood(walnut), jpeg) && ok;
    if (!ok) {
        std::fprintf(stderr, "make_wood_textures: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
