// grimaze-framegen: draws the pictures of the bundled "Frames" templates and writes their
// definitions (.tmpl), so the photo windows always sit exactly where the pictures show them.
//
//   grimaze-framegen <output folder>     (normally media/Templates/Frames)
//
// Everything is procedural: wood, cork, paper and sky come from layered noise, shapes and
// lettering from OpenCV's drawing functions. Scenes are drawn at twice the final size in float
// and reduced at the end, which smooths every edge. A fixed seed makes the output repeatable.
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int SS = 2;  // supersampling factor
using Img = cv::Mat3f;  // BGR, 0..1
using Quad = std::array<cv::Point2f, 4>;  // 00, 01, 10, 11 (top-left, top-right, bottom-left, bottom-right)

cv::Vec3f Rgb(int r, int g, int b) { return cv::Vec3f(b / 255.f, g / 255.f, r / 255.f); }

cv::Vec3f Mix(const cv::Vec3f& a, const cv::Vec3f& b, float t) { return a * (1 - t) + b * t; }

// ---------------------------------------------------------------- noise

/** Smooth value noise with features about cellX by cellY pixels, 0..1. */
cv::Mat1f Noise(cv::Size size, double cellX, double cellY, cv::RNG& rng)
{
    const int gw = int(size.width / cellX) + 4, gh = int(size.height / cellY) + 4;
    cv::Mat1f grid(gh, gw);
    rng.fill(grid, cv::RNG::UNIFORM, 0.f, 1.f);
    cv::Mat1f big;
    cv::resize(grid, big, cv::Size(int(gw * cellX), int(gh * cellY)), 0, 0, cv::INTER_CUBIC);
    return big(cv::Rect(int(cellX), int(cellY), size.width, size.height)).clone();
}

/** Fractal noise: octaves of Noise, each half the size and half the weight, scaled to 0..1. */
cv::Mat1f Fbm(cv::Size size, double cell, int octaves, cv::RNG& rng, double aspect = 1.0)
{
    cv::Mat1f sum(size, 0.f);
    float amp = 1;
    for (int i = 0; i < octaves && cell >= 1; ++i, cell /= 2, amp /= 2) sum += amp * Noise(size, cell * aspect, cell, rng);
    cv::normalize(sum, sum, 0, 1, cv::NORM_MINMAX);
    return sum;
}

// ---------------------------------------------------------------- painting

cv::Mat1b Mask(cv::Size size) { return cv::Mat1b(size, uchar(0)); }

/** img = img over colour through alpha (0..1) times opacity. */
void Paint(Img& img, const cv::Mat1f& alpha, const cv::Vec3f& colour, float opacity = 1)
{
    for (int y = 0; y < img.rows; ++y) {
        cv::Vec3f* p = img.ptr<cv::Vec3f>(y);
        const float* a = alpha.ptr<float>(y);
        for (int x = 0; x < img.cols; ++x) {
            const float t = a[x] * opacity;
            if (t > 0) p[x] = p[x] * (1 - t) + colour * t;
        }
    }
}

cv::Mat1f Alpha(const cv::Mat1b& m)
{
    cv::Mat1f a;
    m.convertTo(a, CV_32F, 1 / 255.0);
    return a;
}

void Paint(Img& img, const cv::Mat1b& mask, const cv::Vec3f& colour, float opacity = 1)
{
    Paint(img, Alpha(mask), colour, opacity);
}

/** img = img over layer through alpha. */
void Blend(Img& img, const Img& layer, const cv::Mat1f& alpha)
{
    for (int y = 0; y < img.rows; ++y) {
        cv::Vec3f* p = img.ptr<cv::Vec3f>(y);
        const cv::Vec3f* l = layer.ptr<cv::Vec3f>(y);
        const float* a = alpha.ptr<float>(y);
        for (int x = 0; x < img.cols; ++x)
            if (a[x] > 0) p[x] = p[x] * (1 - a[x]) + l[x] * a[x];
    }
}

/** Multiplies the picture by 1 - strength * mask (shadows), or brightens toward white. */
void Darken(Img& img, const cv::Mat1f& mask, float strength)
{
    for (int y = 0; y < img.rows; ++y) {
        cv::Vec3f* p = img.ptr<cv::Vec3f>(y);
        const float* m = mask.ptr<float>(y);
        for (int x = 0; x < img.cols; ++x) p[x] *= 1 - strength * m[x];
    }
}

[[maybe_unused]] void Lighten(Img& img, const cv::Mat1f& mask, float strength)
{
    for (int y = 0; y < img.rows; ++y) {
        cv::Vec3f* p = img.ptr<cv::Vec3f>(y);
        const float* m = mask.ptr<float>(y);
        for (int x = 0; x < img.cols; ++x) p[x] += (cv::Vec3f(1, 1, 1) - p[x]) * (strength * m[x]);
    }
}

/** A soft drop shadow of a coverage mask, shifted and blurred. */
void DropShadow(Img& img, const cv::Mat1f& cover, cv::Point2f offset, double blur, float strength)
{
    cv::Mat1f shifted;
    const cv::Matx23f t(1, 0, offset.x, 0, 1, offset.y);
    cv::warpAffine(cover, shifted, t, cover.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, 0);
    cv::GaussianBlur(shifted, shifted, cv::Size(0, 0), blur);
    Darken(img, shifted, strength);
}

/** Multiplies each pixel by a grain value around 1 (paper, fabric). */
void Grain(Img& img, const cv::Mat1f& noise, float amount)
{
    for (int y = 0; y < img.rows; ++y) {
        cv::Vec3f* p = img.ptr<cv::Vec3f>(y);
        const float* n = noise.ptr<float>(y);
        for (int x = 0; x < img.cols; ++x) p[x] *= 1 + amount * (n[x] - 0.5f);
    }
}

void Vignette(Img& img, float strength, float power = 2.f)
{
    const float cx = img.cols / 2.f, cy = img.rows / 2.f, r = std::hypot(cx, cy);
    for (int y = 0; y < img.rows; ++y) {
        cv::Vec3f* p = img.ptr<cv::Vec3f>(y);
        for (int x = 0; x < img.cols; ++x) {
            const float d = std::hypot(x - cx, y - cy) / r;
            p[x] *= 1 - strength * std::pow(d, power);
        }
    }
}

void Text(cv::Mat1b& mask, const std::string& s, cv::Point2f org, int font, double scale, int thickness)
{
    cv::putText(mask, s, cv::Point(cvRound(org.x), cvRound(org.y)), font, scale, cv::Scalar(255), thickness, cv::LINE_AA);
}

/** Text centred on x. */
void TextCentred(cv::Mat1b& mask, const std::string& s, cv::Point2f centre, int font, double scale, int thickness)
{
    int base = 0;
    const cv::Size sz = cv::getTextSize(s, font, scale, thickness, &base);
    Text(mask, s, {centre.x - sz.width / 2.f, centre.y + sz.height / 2.f}, font, scale, thickness);
}

[[maybe_unused]] void RoundedRect(cv::Mat1b& mask, cv::Rect2f r, float radius)
{
    const int rr = std::max(1, int(radius));
    const cv::Rect ri(cvRound(r.x), cvRound(r.y), cvRound(r.width), cvRound(r.height));
    cv::rectangle(mask, cv::Rect(ri.x + rr, ri.y, ri.width - 2 * rr, ri.height), 255, cv::FILLED, cv::LINE_AA);
    cv::rectangle(mask, cv::Rect(ri.x, ri.y + rr, ri.width, ri.height - 2 * rr), 255, cv::FILLED, cv::LINE_AA);
    for (const cv::Point c : {cv::Point(ri.x + rr, ri.y + rr), cv::Point(ri.x + ri.width - rr - 1, ri.y + rr),
                              cv::Point(ri.x + rr, ri.y + ri.height - rr - 1),
                              cv::Point(ri.x + ri.width - rr - 1, ri.y + ri.height - rr - 1)})
        cv::circle(mask, c, rr, 255, cv::FILLED, cv::LINE_AA);
}

void Polygon(cv::Mat1b& mask, const std::vector<cv::Point2f>& pts)
{
    std::vector<cv::Point> p;
    for (const auto& q : pts) p.emplace_back(cvRound(q.x * 16), cvRound(q.y * 16));
    cv::fillPoly(mask, std::vector<std::vector<cv::Point>>{p}, 255, cv::LINE_AA, 4);
}

// ---------------------------------------------------------------- geometry

/** The homography from a w x h texture's corners (pixel-grid coordinates) onto a quad. */
cv::Matx33d TextureToQuad(cv::Size tex, const Quad& q)
{
    const cv::Point2f src[4] = {{0, 0}, {float(tex.width), 0}, {0, float(tex.height)}, {float(tex.width), float(tex.height)}};
    const cv::Point2f dst[4] = {q[0], q[1], q[2], q[3]};
    return cv::Matx33d(cv::getPerspectiveTransform(src, dst));
}

cv::Point2f Apply(const cv::Matx33d& H, cv::Point2f p)
{
    const cv::Vec3d v = H * cv::Vec3d(p.x, p.y, 1);
    return {float(v[0] / v[2]), float(v[1] / v[2])};
}

/** Grid-corner homography as OpenCV's pixel-centre warp wants it. */
cv::Matx33d CentreConvention(const cv::Matx33d& H)
{
    const cv::Matx33d in(1, 0, 0.5, 0, 1, 0.5, 0, 0, 1), out(1, 0, -0.5, 0, 1, -0.5, 0, 0, 1);
    return out * H * in;
}

/** Draws a texture with its coverage onto the canvas through H; returns the coverage on the canvas. */
cv::Mat1f Place(Img& canvas, const Img& tex, const cv::Mat1f& texAlpha, const cv::Matx33d& H)
{
    Img warped;
    cv::Mat1f alpha;
    const cv::Matx33d Hc = CentreConvention(H);
    cv::warpPerspective(tex, warped, Hc, canvas.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    cv::warpPerspective(texAlpha, alpha, Hc, canvas.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, 0);
    Blend(canvas, warped, alpha);
    return alpha;
}

/** A rectangle w x h centred on c, turned by deg degrees, with the far (top) edge shortened by
 *  `tilt` (0 = flat on, 0.1 = top edge 10 % shorter), as a card lying on a table looks. */
Quad CardQuad(cv::Point2f c, float w, float h, float deg, float tilt)
{
    const float a = float(deg * CV_PI / 180), ca = std::cos(a), sa = std::sin(a);
    const float topHalf = w / 2 * (1 - tilt), botHalf = w / 2;
    const float topY = -h / 2 * (1 - tilt * 0.5f), botY = h / 2;
    const cv::Point2f local[4] = {{-topHalf, topY}, {topHalf, topY}, {-botHalf, botY}, {botHalf, botY}};
    Quad q;
    for (int i = 0; i < 4; ++i) q[i] = {c.x + local[i].x * ca - local[i].y * sa, c.y + local[i].x * sa + local[i].y * ca};
    return q;
}

// ---------------------------------------------------------------- materials

/** Planks of wood along x: growth rings, fine streaks, gaps between planks. */
Img Wood(cv::Size size, cv::Vec3f light, cv::Vec3f dark, float plank, float ringSpacing, cv::RNG& rng, bool gaps = true)
{
    Img img(size);
    const cv::Mat1f warp = Noise(size, 700, 110, rng);
    const cv::Mat1f warp2 = Noise(size, 220, 40, rng);
    const cv::Mat1f streak = Noise(size, 80, 1.6, rng);
    const cv::Mat1f streak2 = Noise(size, 30, 1.0, rng);
    const cv::Mat1f patches = Fbm(size, 240, 4, rng);
    const int planks = int(std::ceil(size.height / plank)) + 1;
    std::vector<float> phase(planks), tint(planks), shift(planks);
    for (int i = 0; i < planks; ++i) {
        phase[i] = rng.uniform(0.f, 50.f);
        tint[i] = rng.uniform(-0.07f, 0.07f);
        shift[i] = rng.uniform(0.f, float(size.width));
    }
    for (int y = 0; y < size.height; ++y) {
        const int k = int(y / plank);
        const float ly = y - k * plank;
        cv::Vec3f* p = img.ptr<cv::Vec3f>(y);
        for (int x = 0; x < size.width; ++x) {
            // Rings bend with the warp noise; the cube of a sine gives thin late-wood lines.
            const float t = ly / ringSpacing + 3.2f * warp(y, x) + 0.6f * warp2(y, x) + phase[k] +
                            0.8f * std::sin((x + shift[k]) / 900.f);
            const float ring = std::pow(0.5f + 0.5f * std::sin(float(2 * CV_PI) * t), 4.f);
            const float s = 0.5f * streak(y, x) + 0.5f * streak2(y, x);
            float d = 0.42f * ring + 0.38f * s + 0.25f * patches(y, x) - 0.1f;
            d = std::clamp(d + tint[k], 0.f, 1.f);
            p[x] = Mix(light, dark, d);
            if (gaps) {
                const float edge = std::min(ly, plank - ly);
                const float g = SS * 2.2f;
                if (edge < g) p[x] *= 0.35f + 0.65f * (edge / g) * (edge / g);
                else if (ly < g * 2.5f) p[x] *= 1.0f + 0.05f * (1 - (ly - g) / (g * 1.5f));
            }
        }
    }
    return img;
}

/** Off-white paper with a faint fibre grain. */
Img Paper(cv::Size size, cv::Vec3f colour, cv::RNG& rng, float grain = 0.05f)
{
    Img img(size, colour);
    Grain(img, Noise(size, 2.5, 2.5, rng), grain);
    Grain(img, Noise(size, 40, 40, rng), grain * 0.6f);
    return img;
}

// ---------------------------------------------------------------- output

struct Scene {
    std::string name;    // display name
    std::string folder;  // folder under Frames
    cv::Mat3b picture;
    cv::Mat3b picture2;  // second background, or empty
    Quad main;
    std::vector<Quad> extra;
    int gray = 0;
    float edge = 0;
    float alpha = 1;
};

cv::Mat3b Finish(const Img& big)
{
    Img small;
    cv::resize(big, small, cv::Size(big.cols / SS, big.rows / SS), 0, 0, cv::INTER_AREA);
    cv::Mat3b out;
    small.convertTo(out, CV_8U, 255.0);
    return out;
}

/** Corner of a window in final pixels (pixel-grid coordinates). */
cv::Point Corner(cv::Point2f bigPoint) { return {cvRound(bigPoint.x / SS), cvRound(bigPoint.y / SS)}; }

std::string WindowXml(const Quad& q, const std::string& indent)
{
    static const char* const names[4] = {"point00", "point01", "point10", "point11"};
    std::string s;
    for (int i = 0; i < 4; ++i) {
        const cv::Point p = Corner(q[i]);
        s += indent + "<" + names[i] + " x=\"" + std::to_string(p.x) + "\" y=\"" + std::to_string(p.y) + "\"/>\n";
    }
    return s;
}

std::string Number(float v)
{
    char b[32];
    std::snprintf(b, sizeof b, "%g", v);
    return b;
}

bool Write(const Scene& s, const std::filesystem::path& root)
{
    const std::filesystem::path dir = root / s.folder;
    std::filesystem::create_directories(dir);
    const std::vector<int> jpeg = {cv::IMWRITE_JPEG_QUALITY, 92};
    bool ok = cv::imwrite((dir / "frame.jpg").string(), s.picture, jpeg);
    std::string second;
    if (!s.picture2.empty()) {
        ok = ok && cv::imwrite((dir / "relief.jpg").string(), s.picture2, jpeg);
        second = " background2=\".\\relief.jpg\"";
    }
    std::string xml = "<effect>\n  <template name=\"" + s.name + "\"/>\n  <filter name=\"FrameTemplate\">\n" +
                      "    <filter name=\"FrameFilter\"><param background=\".\\frame.jpg\"" + second + "/></filter>\n" +
                      "    <param gray=\"" + std::to_string(s.gray) + "\" edge=\"" + Number(s.edge) + "\" alpha=\"" +
                      Number(s.alpha) + "\">\n" + WindowXml(s.main, "      ");
    for (size_t i = 0; i < s.extra.size(); ++i)
        xml += "      <extra" + std::to_string(i) + ">\n" + WindowXml(s.extra[i], "        ") + "      </extra" +
               std::to_string(i) + ">\n";
    xml += "    </param>\n  </filter>\n</effect>\n";
    std::ofstream f(dir / (s.folder + ".tmpl"), std::ios::binary);
    f << xml;
    return ok && bool(f);
}

// ================================================================= scenes

/** The back of a postcard: address lines, a stamp, a postmark and a few handwritten lines. */
Img PostcardBack(cv::Size size, cv::Mat1f& alpha, cv::RNG& rng)
{
    Img card = Paper(size, Rgb(242, 236, 220), rng, 0.06f);
    const float w = float(size.width), h = float(size.height);
    cv::Mat1b ink = Mask(size), print = Mask(size);
    cv::line(print, cv::Point(int(w * 0.55f), int(h * 0.12f)), cv::Point(int(w * 0.55f), int(h * 0.9f)), 255, SS * 2, cv::LINE_AA);
    for (int i = 0; i < 4; ++i) {
        const int y = int(h * (0.5f + 0.11f * i));
        cv::line(print, cv::Point(int(w * 0.6f), y), cv::Point(int(w * 0.93f), y), 255, SS, cv::LINE_AA);
    }
    TextCentred(print, "POST CARD", {w * 0.5f, h * 0.07f}, cv::FONT_HERSHEY_TRIPLEX, 1.1 * SS, SS * 2);
    Paint(card, print, Rgb(120, 110, 100), 0.9f);
    // Stamp: perforated edge, a little sunset inside.
    const cv::Rect2f st(w * 0.76f, h * 0.14f, w * 0.17f, h * 0.26f);
    cv::Mat1b stamp = Mask(size);
    cv::rectangle(stamp, cv::Rect(st), 255, cv::FILLED, cv::LINE_AA);
    for (float x = st.x; x <= st.x + st.width; x += SS * 7) {
        cv::circle(stamp, cv::Point(int(x), int(st.y)), SS * 3, 0, cv::FILLED, cv::LINE_AA);
        cv::circle(stamp, cv::Point(int(x), int(st.y + st.height)), SS * 3, 0, cv::FILLED, cv::LINE_AA);
    }
    for (float y = st.y; y <= st.y + st.height; y += SS * 7) {
        cv::circle(stamp, cv::Point(int(st.x), int(y)), SS * 3, 0, cv::FILLED, cv::LINE_AA);
        cv::circle(stamp, cv::Point(int(st.x + st.width), int(y)), SS * 3, 0, cv::FILLED, cv::LINE_AA);
    }
    DropShadow(card, Alpha(stamp), {SS * 1.f, SS * 1.f}, SS * 1.5, 0.25f);
    Paint(card, stamp, Rgb(250, 248, 240));
    const cv::Rect2f in(st.x + SS * 8, st.y + SS * 8, st.width - SS * 16, st.height - SS * 16);
    for (int y = int(in.y); y < int(in.y + in.height); ++y) {
        const float t = (y - in.y) / in.height;
        cv::Vec3f c = Mix(Rgb(40, 90, 170), Rgb(250, 160, 70), std::min(1.f, t * 1.6f));
        if (t > 0.62f) c = Mix(Rgb(20, 60, 120), Rgb(10, 40, 90), (t - 0.62f) / 0.38f);
        for (int x = int(in.x); x < int(in.x + in.width); ++x) card(y, x) = c;
    }
    cv::Mat1b sun = Mask(size);
    cv::circle(sun, cv::Point(int(in.x + in.width * 0.5f), int(in.y + in.height * 0.62f)), int(in.width * 0.22f), 255, cv::FILLED, cv::LINE_AA);
    cv::rectangle(sun, cv::Rect(int(in.x), int(in.y + in.height * 0.62f), int(in.width), int(in.height)), 0, cv::FILLED);
    Paint(card, sun, Rgb(255, 220, 120));
    // Postmark over the stamp's left edge.
    cv::Mat1b mark = Mask(size);
    const cv::Point pm(int(st.x - w * 0.02f), int(st.y + st.height * 0.55f));
    cv::circle(mark, pm, int(h * 0.1f), 255, SS * 2, cv::LINE_AA);
    cv::circle(mark, pm, int(h * 0.07f), 255, SS, cv::LINE_AA);
    for (int i = 0; i < 4; ++i) {
        std::vector<cv::Point> wave;
        for (float x = pm.x + h * 0.12f; x < pm.x + h * 0.5f; x += SS * 2)
            wave.emplace_back(int(x), int(pm.y - h * 0.06f + i * h * 0.04f + std::sin(x / (SS * 9.f)) * SS * 3));
        cv::polylines(mark, wave, false, 255, SS * 2, cv::LINE_AA);
    }
    TextCentred(mark, "SEASIDE", {float(pm.x), pm.y - h * 0.015f}, cv::FONT_HERSHEY_SIMPLEX, 0.45 * SS, SS);
    Paint(card, mark, Rgb(40, 40, 60), 0.55f);
    // Handwriting.
    const char* lines[] = {"Dear Anna,", "the sea is warm", "and we swim", "every day!", "Love, M."};
    for (int i = 0; i < 5; ++i)
        Text(ink, lines[i], {w * 0.06f, h * (0.28f + 0.13f * i)}, cv::FONT_HERSHEY_SCRIPT_SIMPLEX, 1.05 * SS, SS * 2);
    Text(ink, "Anna Berger", {w * 0.6f, h * 0.47f}, cv::FONT_HERSHEY_SCRIPT_SIMPLEX, 0.9 * SS, SS * 2);
    Text(ink, "12 Linden Road", {w * 0.6f, h * 0.58f}, cv::FONT_HERSHEY_SCRIPT_SIMPLEX, 0.9 * SS, SS * 2);
    Text(ink, "Riverton", {w * 0.6f, h * 0.69f}, cv::FONT_HERSHEY_SCRIPT_SIMPLEX, 0.9 * SS, SS * 2);
    Paint(card, ink, Rgb(30, 50, 120), 0.9f);
    alpha = cv::Mat1f(size, 1.f);
    return card;
}

Scene Postcard()
{
    cv::RNG rng(101);
    const cv::Size size(1280 * SS, 960 * SS);
    Img img = Wood(size, Rgb(205, 150, 96), Rgb(112, 66, 34), 190.f * SS, 26.f * SS, rng);
    Vignette(img, 0.35f, 2.2f);

    // A coffee ring left on the table.
    cv::Mat1b ring = Mask(size);
    cv::ellipse(ring, cv::Point(1090 * SS, 130 * SS), cv::Size(88 * SS, 84 * SS), 0, 200, 560, 255, 5 * SS, cv::LINE_AA);
    cv::ellipse(ring, cv::Point(1092 * SS, 132 * SS), cv::Size(84 * SS, 80 * SS), 0, 30, 150, 255, 2 * SS, cv::LINE_AA);
    cv::Mat1f ringA = Alpha(ring);
    cv::GaussianBlur(ringA, ringA, cv::Size(0, 0), SS * 1.2);
    Darken(img, ringA, 0.35f);

    // The back of another card, half under the main one.
    {
        const cv::Size cs(900 * SS, 600 * SS);
        cv::Mat1f a;
        const Img back = PostcardBack(cs, a, rng);
        const Quad q = CardQuad({1000.f * SS, 720.f * SS}, 680.f * SS, 453.f * SS, 14, 0.04f);
        const cv::Matx33d H = TextureToQuad(cs, q);
        cv::Mat1f cover;
        cv::warpPerspective(a, cover, CentreConvention(H), size, cv::INTER_LINEAR, cv::BORDER_CONSTANT, 0);
        DropShadow(img, cover, {8.f * SS, 12.f * SS}, 10.0 * SS, 0.45f);
        Place(img, back, a, H);
    }

    // A pencil.
    {
        const cv::Size ps(900 * SS, 40 * SS);
        Img pencil(ps, Rgb(240, 190, 40));
        const float H = float(ps.height);
        for (int y = 0; y < ps.height; ++y) {
            const float t = y / H;
            const float shade = t < 0.33f ? 1.08f : (t < 0.66f ? 0.95f : 0.78f);
            for (int x = 0; x < ps.width; ++x) pencil(y, x) *= shade;
        }
        cv::Mat1b body = Mask(ps), metal = Mask(ps), eraser = Mask(ps), wood = Mask(ps), lead = Mask(ps);
        cv::rectangle(body, cv::Rect(70 * SS, 0, 690 * SS, ps.height), 255, cv::FILLED);
        cv::rectangle(metal, cv::Rect(30 * SS, 0, 40 * SS, ps.height), 255, cv::FILLED);
        cv::rectangle(eraser, cv::Rect(0, 2 * SS, 30 * SS, ps.height - 4 * SS), 255, cv::FILLED);
        Polygon(wood, {{760.f * SS, 0}, {860.f * SS, H * 0.38f}, {860.f * SS, H * 0.62f}, {760.f * SS, H}});
        Polygon(lead, {{835.f * SS, H * 0.28f}, {880.f * SS, H * 0.5f}, {835.f * SS, H * 0.72f}});
        Paint(pencil, metal, Rgb(170, 170, 165));
        cv::Mat1b ridges = Mask(ps);
        for (int x = 35; x < 70; x += 8) cv::line(ridges, cv::Point(x * SS, 0), cv::Point(x * SS, ps.height), 255, SS, cv::LINE_AA);
        Paint(pencil, ridges, Rgb(110, 110, 105));
        Paint(pencil, eraser, Rgb(225, 110, 110));
        Paint(pencil, wood, Rgb(225, 190, 140));
        Paint(pencil, lead, Rgb(50, 50, 55));
        cv::Mat1b all = Mask(ps);
        cv::rectangle(all, cv::Rect(0, 2 * SS, 30 * SS, ps.height - 4 * SS), 255, cv::FILLED);
        cv::rectangle(all, cv::Rect(30 * SS, 0, 730 * SS, ps.height), 255, cv::FILLED);
        Polygon(all, {{760.f * SS, 0}, {880.f * SS, H * 0.5f}, {760.f * SS, H}});
        cv::Mat1b label = Mask(ps);
        Text(label, "GRIMAZE HB", {320.f * SS, H * 0.68f}, cv::FONT_HERSHEY_DUPLEX, 0.55 * SS, SS);
        Paint(pencil, label, Rgb(30, 90, 40), 0.9f);
        const cv::Mat1f a = Alpha(all);
        const Quad q = {cv::Point2f(300.f * SS, 905.f * SS), {780.f * SS, 840.f * SS}, {303.f * SS, 927.f * SS}, {783.f * SS, 862.f * SS}};
        const cv::Matx33d Hm = TextureToQuad(ps, q);
        cv::Mat1f cover;
        cv::warpPerspective(a, cover, CentreConvention(Hm), size, cv::INTER_LINEAR, cv::BORDER_CONSTANT, 0);
        DropShadow(img, cover, {6.f * SS, 9.f * SS}, 5.0 * SS, 0.5f);
        Place(img, pencil, a, Hm);
    }

    // The picture postcard: white border, the photo, and a greeting below it.
    Scene s;
    const cv::Size cs(1050 * SS, 770 * SS);
    const float border = 34.f * SS, caption = 96.f * SS;
    Img card = Paper(cs, Rgb(250, 248, 242), rng, 0.05f);
    cv::Mat1b greet = Mask(cs);
    TextCentred(greet, "Greetings from Paradise!", {cs.width / 2.f, cs.height - caption / 2 - 4.f * SS},
                cv::FONT_HERSHEY_SCRIPT_COMPLEX, 1.9 * SS, 2 * SS);
    Paint(card, greet, Rgb(190, 40, 50));
    cv::Mat1b thin = Mask(cs);
    cv::rectangle(thin, cv::Rect(int(border - 3 * SS), int(border - 3 * SS), int(cs.width - 2 * border + 6 * SS),
                                 int(cs.height - border - caption + 6 * SS)),
                  255, SS, cv::LINE_AA);
    Paint(card, thin, Rgb(200, 195, 185));
    const cv::Mat1f a(cs, 1.f);
    const Quad q = CardQuad({560.f * SS, 440.f * SS}, 900.f * SS, 660.f * SS, -5.5f, 0.05f);
    const cv::Matx33d H = TextureToQuad(cs, q);
    cv::Mat1f cover;
    cv::warpPerspective(a, cover, CentreConvention(H), size, cv::INTER_LINEAR, cv::BORDER_CONSTANT, 0);
    DropShadow(img, cover, {12.f * SS, 18.f * SS}, 14.0 * SS, 0.55f);
    Place(img, card, a, H);
    s.main = {Apply(H, {border, border}), Apply(H, {cs.width - border, border}), Apply(H, {border, cs.height - caption}),
              Apply(H, {cs.width - border, cs.height - caption})};
    s.name = "Postcard";
    s.folder = "Postcard";
    s.picture = Finish(img);
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: grimaze-framegen <output folder>\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    bool ok = true;
    for (Scene (*make)() : {Postcard}) {
        const Scene s = make();
        const bool written = Write(s, root);
        std::printf("%-16s %s\n", s.name.c_str(), written ? "written" : "FAILED");
        ok = ok && written;
    }
    return ok ? 0 : 1;
}
