// grimaze-framegen: draws the pictures of the bundled "Frames" templates and writes their
// definitions (.tmpl), so the photo windows always sit exactly where the pictures show them.
//
//   grimaze-framegen <output folder>     (normally media/Templates)
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

void Lighten(Img& img, const cv::Mat1f& mask, float strength)
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

void RoundedRect(cv::Mat1b& mask, cv::Rect2f r, float radius)
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


/** A tree: a trunk and a canopy of overlapping blobs, lit from the upper right. */
void Tree(Img& img, cv::Point2f base, float height, cv::RNG& rng, const cv::Mat1f& leafNoise)
{
    const cv::Size size = img.size();
    cv::Mat1b trunk = Mask(size), crown = Mask(size), light = Mask(size);
    const float w = height * 0.05f;
    Polygon(trunk, {{base.x - w, base.y}, {base.x + w, base.y}, {base.x + w * 0.5f, base.y - height * 0.6f},
                    {base.x - w * 0.5f, base.y - height * 0.6f}});
    Paint(img, trunk, Rgb(70, 50, 35));
    const cv::Point2f c(base.x, base.y - height * 0.62f);
    for (int i = 0; i < 9; ++i) {
        const float a = rng.uniform(0.f, float(2 * CV_PI)), r = rng.uniform(0.f, height * 0.2f);
        const cv::Point p(cvRound(c.x + r * std::cos(a) * 1.2f), cvRound(c.y + r * std::sin(a) * 0.9f));
        const int rad = cvRound(height * rng.uniform(0.16f, 0.26f));
        cv::circle(crown, p, rad, 255, cv::FILLED, cv::LINE_AA);
        cv::circle(light, p + cv::Point(cvRound(rad * 0.25f), -cvRound(rad * 0.3f)), cvRound(rad * 0.7f), 255, cv::FILLED, cv::LINE_AA);
    }
    cv::Mat1f cA = Alpha(crown), lA = Alpha(light);
    lA = lA.mul(cA);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            const float a = cA(y, x);
            if (a <= 0) continue;
            const float n = leafNoise(y, x);
            cv::Vec3f col = Mix(Rgb(40, 75, 35), Rgb(95, 140, 60), 0.55f * lA(y, x) + 0.45f * n);
            img(y, x) = img(y, x) * (1 - a) + col * a;
        }
}

Scene Billboard()
{
    cv::RNG rng(202);
    const cv::Size size(1280 * SS, 960 * SS);
    const float horizon = 540.f * SS;
    Img img(size);
    // Sky, deep blue overhead to a pale haze at the horizon.
    for (int y = 0; y < size.height; ++y) {
        const float t = std::clamp(y / horizon, 0.f, 1.f);
        const cv::Vec3f c = Mix(Rgb(52, 112, 196), Rgb(205, 224, 238), std::pow(t, 1.6f));
        for (int x = 0; x < size.width; ++x) img(y, x) = c;
    }
    // Clouds: stretched fractal noise, lit from above and shaded underneath.
    {
        const cv::Mat1f n = Fbm(size, 260.0 * SS, 6, rng, 2.6);
        const cv::Mat1f n2 = Fbm(size, 120.0 * SS, 4, rng, 2.0);
        for (int y = 0; y < int(horizon); ++y)
            for (int x = 0; x < size.width; ++x) {
                const float h = 1 - y / horizon;
                const float d = n(y, x) * 0.8f + n2(y, x) * 0.2f - 0.5f + 0.12f * (1 - h);
                const float cover = std::clamp(d * 4.f, 0.f, 1.f) * std::clamp(h * 3.f, 0.f, 1.f);
                if (cover <= 0) continue;
                const float below = std::clamp((n(std::min(y + 14 * SS, size.height - 1), x) - n(y, x)) * 6.f, 0.f, 1.f);
                const cv::Vec3f c = Mix(Rgb(252, 252, 250), Rgb(170, 180, 196), 0.7f * below);
                img(y, x) = img(y, x) * (1 - cover) + c * cover;
            }
    }
    // Two ridges of hills, the far one hazier.
    const auto ridge = [&](float base, float amp, double cell, const cv::Vec3f& near, const cv::Vec3f& far) {
        const cv::Mat1f line = Noise(cv::Size(size.width, 1), cell, 1, rng);
        const cv::Mat1f tex = Fbm(size, 40.0 * SS, 4, rng);
        for (int x = 0; x < size.width; ++x) {
            const int top = int(base - amp * line(0, x));
            for (int y = std::max(0, top); y < size.height; ++y) {
                const float t = std::clamp((y - top) / (amp * 1.5f), 0.f, 1.f);
                const float edge = std::clamp(float(y - top + 1), 0.f, 1.f);
                const cv::Vec3f c = Mix(far, near, t) * (0.93f + 0.14f * tex(y, x));
                img(y, x) = img(y, x) * (1 - edge) + c * edge;
            }
        }
    };
    ridge(horizon + 4 * SS, 70.f * SS, 300.0 * SS, Rgb(140, 165, 175), Rgb(160, 182, 196));
    ridge(horizon + 10 * SS, 38.f * SS, 160.0 * SS, Rgb(86, 122, 84), Rgb(118, 146, 128));
    // Meadow: brighter toward the horizon, blades of grass in the foreground.
    {
        const cv::Mat1f blades = Noise(size, 1.2 * SS, 9.0 * SS, rng);
        const cv::Mat1f patch = Fbm(size, 160.0 * SS, 5, rng, 3.0);
        const int top = int(horizon + 16 * SS);
        for (int y = top; y < size.height; ++y) {
            const float t = (y - top) / float(size.height - top);
            for (int x = 0; x < size.width; ++x) {
                const float e = std::clamp((y - top) / (6.f * SS), 0.f, 1.f);
                cv::Vec3f c = Mix(Rgb(150, 170, 80), Rgb(66, 110, 34), std::pow(t, 0.7f));
                c *= 0.82f + 0.3f * patch(y, x);
                c *= 1 - t * 0.35f * blades(y, x);
                img(y, x) = img(y, x) * (1 - e) + c * e;
            }
        }
    }
    cv::Mat1f leaves = Noise(size, 3.0 * SS, 3.0 * SS, rng);
    for (const float x : {40.f, 95.f, 180.f, 520.f, 600.f, 690.f, 860.f, 910.f})
        Tree(img, {x * SS, horizon + 20 * SS}, rng.uniform(34.f, 52.f) * SS, rng, leaves);
    Tree(img, {1090.f * SS, horizon + 34 * SS}, 110.f * SS, rng, leaves);
    Tree(img, {1170.f * SS, horizon + 44 * SS}, 160.f * SS, rng, leaves);
    Tree(img, {1262.f * SS, horizon + 60 * SS}, 230.f * SS, rng, leaves);
    // The road, running off toward the horizon on the right.
    {
        const Quad road = {cv::Point2f(985.f * SS, horizon + 18 * SS), {1012.f * SS, horizon + 18 * SS},
                           {800.f * SS, float(size.height)}, {1880.f * SS, float(size.height)}};
        const cv::Size rs(400 * SS, 2000 * SS);  // across x along, far end at the top
        Img tex = Paper(rs, Rgb(92, 92, 96), rng, 0.25f);
        cv::Mat1b white = Mask(rs), yellow = Mask(rs);
        cv::rectangle(white, cv::Rect(14 * SS, 0, 8 * SS, rs.height), 255, cv::FILLED);
        cv::rectangle(white, cv::Rect(rs.width - 22 * SS, 0, 8 * SS, rs.height), 255, cv::FILLED);
        for (int y = 0; y < rs.height; y += 120 * SS)
            cv::rectangle(yellow, cv::Rect(rs.width / 2 - 4 * SS, y, 8 * SS, 60 * SS), 255, cv::FILLED);
        Paint(tex, white, Rgb(236, 236, 230), 0.9f);
        Paint(tex, yellow, Rgb(236, 196, 60), 0.9f);
        // Haze toward the far end.
        for (int y = 0; y < rs.height; ++y) {
            const float t = 1 - y / float(rs.height);
            for (int x = 0; x < rs.width; ++x) tex(y, x) = Mix(tex(y, x), Rgb(170, 180, 190), 0.5f * std::pow(t, 6.f));
        }
        Place(img, tex, cv::Mat1f(rs, 1.f), TextureToQuad(rs, road));
    }

    // The billboard: everything drawn in the board's own plane, then set into the picture.
    const float BW = 1160, BH = 700, frame = 34, postBottom = 1250;
    const Quad boardQuad = {cv::Point2f(118.f * SS, 110.f * SS), {872.f * SS, 212.f * SS}, {122.f * SS, 600.f * SS},
                            {866.f * SS, 532.f * SS}};
    const cv::Size planeTex(int(BW * SS), int(postBottom * SS));
    const cv::Point2f planeBoard[4] = {{0, 0}, {BW * SS, 0}, {0, BH * SS}, {BW * SS, BH * SS}};
    const cv::Point2f imgBoard[4] = {boardQuad[0], boardQuad[1], boardQuad[2], boardQuad[3]};
    const cv::Matx33d H(cv::getPerspectiveTransform(planeBoard, imgBoard));
    Img plane(planeTex, Rgb(60, 62, 66));
    cv::Mat1b cover = Mask(planeTex), face = Mask(planeTex), steel = Mask(planeTex), dark = Mask(planeTex);
    // Posts (I-beams) and the catwalk beneath the board.
    for (const float px : {BW * 0.24f, BW * 0.72f}) {
        cv::rectangle(steel, cv::Rect(int((px - 26) * SS), int(BH * SS), int(52 * SS), int((postBottom - BH) * SS)), 255, cv::FILLED);
        cv::rectangle(dark, cv::Rect(int((px - 8) * SS), int(BH * SS), int(16 * SS), int((postBottom - BH) * SS)), 255, cv::FILLED);
    }
    cv::rectangle(steel, cv::Rect(int(40 * SS), int((BH + 20) * SS), int((BW - 80) * SS), int(22 * SS)), 255, cv::FILLED);
    cv::rectangle(cover, cv::Rect(0, 0, planeTex.width, int(BH * SS)), 255, cv::FILLED);
    cover |= steel;
    const cv::Rect faceRect(int(frame * SS), int(frame * SS), int((BW - 2 * frame) * SS), int((BH - 2 * frame) * SS));
    cv::rectangle(face, faceRect, 255, cv::FILLED);
    // The face: pasted paper panels, weathered. The photo covers it almost entirely.
    {
        Img paper = Paper(planeTex, Rgb(226, 226, 220), rng, 0.08f);
        cv::Mat1b seams = Mask(planeTex);
        for (int i = 1; i < 6; ++i) {
            const int x = faceRect.x + faceRect.width * i / 6;
            cv::line(seams, cv::Point(x, faceRect.y), cv::Point(x, faceRect.y + faceRect.height), 255, SS * 3, cv::LINE_AA);
        }
        cv::line(seams, cv::Point(faceRect.x, faceRect.y + faceRect.height / 2),
                 cv::Point(faceRect.x + faceRect.width, faceRect.y + faceRect.height / 2), 255, SS * 3, cv::LINE_AA);
        Paint(paper, seams, Rgb(150, 150, 146), 0.8f);
        Blend(plane, paper, Alpha(face));
    }
    // Frame: light top edge, dark bottom edge.
    {
        cv::Mat1b top = Mask(planeTex), bottom = Mask(planeTex);
        cv::rectangle(top, cv::Rect(0, 0, planeTex.width, int(10 * SS)), 255, cv::FILLED);
        cv::rectangle(bottom, cv::Rect(0, int((BH - 10) * SS), planeTex.width, int(10 * SS)), 255, cv::FILLED);
        Paint(plane, top, Rgb(120, 124, 130));
        Paint(plane, bottom, Rgb(35, 36, 40));
        cv::Mat1b inner = Mask(planeTex);
        cv::rectangle(inner, faceRect, 255, SS * 4);
        Paint(plane, inner, Rgb(30, 30, 34));
    }
    Paint(plane, steel, Rgb(88, 92, 98));
    Paint(plane, dark, Rgb(48, 50, 55));
    cv::Mat1f planeCover = Alpha(cover);
    // Ground shadow under the posts, on the meadow.
    {
        cv::Mat1f sh(size, 0.f);
        for (const float px : {BW * 0.24f, BW * 0.72f}) {
            const cv::Point2f g = Apply(H, {px * SS, postBottom * SS});
            cv::ellipse(sh, cv::Point(cvRound(g.x), cvRound(g.y)), cv::Size(60 * SS, 10 * SS), 0, 0, 360, 1.0, cv::FILLED, cv::LINE_AA);
        }
        cv::GaussianBlur(sh, sh, cv::Size(0, 0), 8.0 * SS);
        Darken(img, sh, 0.45f);
    }
    Place(img, plane, planeCover, H);
    Scene s;
    // The window reaches a little under the frame, so no sliver of the bare face shows.
    const cv::Rect2f win(faceRect.x - 4.f * SS, faceRect.y - 4.f * SS, faceRect.width + 8.f * SS, faceRect.height + 8.f * SS);
    s.main = {Apply(H, win.tl()), Apply(H, {win.br().x, win.y}), Apply(H, {win.x, win.br().y}), Apply(H, win.br())};
    s.alpha = 0.94f;
    s.name = "Billboard";
    s.folder = "Billboard";
    s.picture = Finish(img);
    return s;
}


/** Cork: a warm base full of light and dark granules. */
Img Cork(cv::Size size, cv::RNG& rng)
{
    Img img(size, Rgb(192, 146, 98));
    Grain(img, Fbm(size, 200.0 * SS, 5, rng), 0.25f);
    cv::Mat1b dark = Mask(size), light = Mask(size);
    const int n = size.area() / (60 * SS * SS);
    for (int i = 0; i < n; ++i) {
        const cv::Point p(rng.uniform(0, size.width), rng.uniform(0, size.height));
        const cv::Size ax(rng.uniform(1, 3 * SS), rng.uniform(1, 3 * SS));
        cv::ellipse(rng.uniform(0, 3) ? dark : light, p, ax, rng.uniform(0, 180), 0, 360, 255, cv::FILLED, cv::LINE_AA);
    }
    cv::Mat1f d = Alpha(dark), l = Alpha(light);
    cv::GaussianBlur(d, d, cv::Size(0, 0), 0.6 * SS);
    cv::GaussianBlur(l, l, cv::Size(0, 0), 0.6 * SS);
    Paint(img, d, Rgb(120, 78, 42), 0.55f);
    Paint(img, l, Rgb(226, 190, 140), 0.5f);
    return img;
}

/** A little sunset by the sea, for the print lying underneath. */
Img Sunset(cv::Size size)
{
    Img img(size);
    const float horizon = size.height * 0.62f;
    for (int y = 0; y < size.height; ++y) {
        const float t = y / horizon;
        cv::Vec3f c = y < horizon ? Mix(Mix(Rgb(70, 60, 140), Rgb(240, 120, 90), std::min(1.f, t * 1.3f)), Rgb(255, 200, 110),
                                        std::pow(std::clamp(t, 0.f, 1.f), 4.f))
                                  : Mix(Rgb(120, 80, 110), Rgb(30, 35, 80), (y - horizon) / (size.height - horizon));
        for (int x = 0; x < size.width; ++x) img(y, x) = c;
    }
    cv::Mat1b sun = Mask(size), glint = Mask(size);
    cv::circle(sun, cv::Point(size.width / 2, int(horizon)), size.width / 9, 255, cv::FILLED, cv::LINE_AA);
    cv::rectangle(sun, cv::Rect(0, int(horizon), size.width, size.height), 0, cv::FILLED);
    Paint(img, sun, Rgb(255, 236, 170));
    for (int i = 0; i < 9; ++i) {
        const int y = int(horizon + 8 * SS + i * i * 2.2f * SS), half = size.width / 10 - i * SS * 3;
        cv::line(glint, cv::Point(size.width / 2 - half, y), cv::Point(size.width / 2 + half, y), 255, SS * 2, cv::LINE_AA);
    }
    Paint(img, glint, Rgb(255, 210, 140), 0.7f);
    return img;
}

/** An instant print: white card, the picture area, a wide bottom margin. Returns the card and
 *  sets area to the picture's rectangle in card pixels. */
Img InstantPrint(cv::Size card, cv::Rect2f& area, const Img* picture, cv::RNG& rng)
{
    Img img = Paper(card, Rgb(249, 248, 244), rng, 0.035f);
    const float side = card.width * 0.068f;
    area = cv::Rect2f(side, side, card.width - 2 * side, card.width - 2 * side);
    area.height = area.width / 1.28f;
    if (picture) {
        Img p;
        cv::resize(*picture, p, cv::Size(cvRound(area.width), cvRound(area.height)), 0, 0, cv::INTER_AREA);
        p.copyTo(img(cv::Rect(cvRound(area.x), cvRound(area.y), p.cols, p.rows)));
    } else {
        // The empty picture area: dark, with the gloss the photo will show through.
        for (int y = int(area.y); y < int(area.br().y); ++y)
            for (int x = int(area.x); x < int(area.br().x); ++x) {
                const float d = ((x - area.x) / area.width + (y - area.y) / area.height) * 0.5f;
                const float band = std::exp(-std::pow((d - 0.32f) / 0.09f, 2.f));
                img(y, x) = Mix(Rgb(24, 24, 26), Rgb(255, 255, 255), band);
            }
    }
    return img;
}

Scene Polaroid()
{
    cv::RNG rng(303);
    const cv::Size size(1280 * SS, 960 * SS);
    Img img = Cork(size, rng);
    Vignette(img, 0.3f, 2.5f);

    const auto placeCard = [&](const Img& card, const Quad& q, float shadow) {
        const cv::Mat1f a(card.size(), 1.f);
        const cv::Matx33d H = TextureToQuad(card.size(), q);
        cv::Mat1f cover;
        cv::warpPerspective(a, cover, CentreConvention(H), size, cv::INTER_LINEAR, cv::BORDER_CONSTANT, 0);
        DropShadow(img, cover, {10.f * SS, 15.f * SS}, 12.0 * SS, shadow);
        Place(img, card, a, H);
        return H;
    };

    // The print underneath, pinned.
    {
        cv::Rect2f area;
        const cv::Size cs(560 * SS, 553 * SS);
        const Img sunset = Sunset(cv::Size(480 * SS, 376 * SS));
        Img card = InstantPrint(cs, area, &sunset, rng);
        cv::Mat1b words = Mask(cs);
        TextCentred(words, "Lake house", {cs.width / 2.f, area.br().y + (cs.height - area.br().y) * 0.45f},
                    cv::FONT_HERSHEY_SCRIPT_SIMPLEX, 1.6 * SS, 2 * SS);
        Paint(card, words, Rgb(40, 40, 40), 0.85f);
        const cv::Matx33d H = placeCard(card, CardQuad({1000.f * SS, 400.f * SS}, 460.f * SS, 454.f * SS, 9, 0.02f), 0.5f);
        // Push pin.
        const cv::Point2f pin = Apply(H, {cs.width / 2.f, 24.f * SS});
        cv::Mat1f sh(size, 0.f);
        cv::circle(sh, cv::Point(cvRound(pin.x + 10 * SS), cvRound(pin.y + 14 * SS)), 16 * SS, 1.0, cv::FILLED, cv::LINE_AA);
        cv::GaussianBlur(sh, sh, cv::Size(0, 0), 5.0 * SS);
        Darken(img, sh, 0.5f);
        cv::Mat1b head = Mask(size), hi = Mask(size);
        cv::circle(head, cv::Point(cvRound(pin.x), cvRound(pin.y)), 17 * SS, 255, cv::FILLED, cv::LINE_AA);
        cv::circle(hi, cv::Point(cvRound(pin.x - 5 * SS), cvRound(pin.y - 6 * SS)), 6 * SS, 255, cv::FILLED, cv::LINE_AA);
        Paint(img, head, Rgb(200, 30, 40));
        cv::Mat1f hiA = Alpha(hi);
        cv::GaussianBlur(hiA, hiA, cv::Size(0, 0), 2.0 * SS);
        Paint(img, hiA, Rgb(255, 200, 200), 0.9f);
    }

    // The main print, taped to the board.
    Scene s;
    cv::Rect2f area;
    const cv::Size cs(700 * SS, 692 * SS);
    Img card = InstantPrint(cs, area, nullptr, rng);
    cv::Mat1b words = Mask(cs), heart = Mask(cs);
    const float capY = area.br().y + (cs.height - area.br().y) * 0.5f;
    TextCentred(words, "Best day ever!", {cs.width / 2.f - 20 * SS, capY}, cv::FONT_HERSHEY_SCRIPT_COMPLEX, 2.0 * SS, 3 * SS);
    const float hx = cs.width * 0.82f, hy = capY - 4.f * SS, r = 13.f * SS;
    cv::circle(heart, cv::Point(cvRound(hx - r * 0.7f), cvRound(hy - r * 0.4f)), cvRound(r * 0.75f), 255, cv::FILLED, cv::LINE_AA);
    cv::circle(heart, cv::Point(cvRound(hx + r * 0.7f), cvRound(hy - r * 0.4f)), cvRound(r * 0.75f), 255, cv::FILLED, cv::LINE_AA);
    Polygon(heart, {{hx - r * 1.42f, hy - r * 0.2f}, {hx + r * 1.42f, hy - r * 0.2f}, {hx, hy + r * 1.5f}});
    Paint(card, words, Rgb(25, 45, 120), 0.92f);
    Paint(card, heart, Rgb(210, 40, 60), 0.92f);
    const Quad q = CardQuad({540.f * SS, 500.f * SS}, 600.f * SS, 593.f * SS, -4.5f, 0.02f);
    const cv::Matx33d H = placeCard(card, q, 0.6f);
    // Tape across the top margin, clear of the picture.
    {
        const cv::Size ts(230 * SS, 52 * SS);
        Img tape(ts, Rgb(246, 240, 200));
        Grain(tape, Noise(ts, 3.0 * SS, 3.0 * SS, rng), 0.08f);
        cv::Mat1b m = Mask(ts);
        std::vector<cv::Point2f> outline;
        for (int i = 0; i <= 10; ++i) outline.push_back({float(i * ts.width / 10), (i % 2) * 3.f * SS});
        for (int i = 10; i >= 0; --i) outline.push_back({float(i * ts.width / 10), ts.height - (i % 2) * 3.f * SS});
        Polygon(m, outline);
        cv::Mat1f a = Alpha(m) * 0.78f;
        const cv::Point2f mid = Apply(H, {cs.width / 2.f, area.y * 0.28f});
        const Quad tq = CardQuad(mid, float(ts.width), float(ts.height), -2.f, 0);
        Place(img, tape, a, TextureToQuad(ts, tq));
    }
    s.main = {Apply(H, area.tl()), Apply(H, {area.br().x, area.y}), Apply(H, {area.x, area.br().y}), Apply(H, area.br())};
    s.alpha = 0.95f;
    s.name = "Polaroid";
    s.folder = "Polaroid";
    s.picture = Finish(img);
    return s;
}


Scene OldTV()
{
    cv::RNG rng(404);
    const cv::Size size(1280 * SS, 960 * SS);
    const int floorY = 760 * SS;
    Img img(size);
    // Wallpaper: muted stripes with a small diamond motif.
    {
        const cv::Mat1f tex = Fbm(size, 300.0 * SS, 4, rng);
        for (int y = 0; y < floorY; ++y)
            for (int x = 0; x < size.width; ++x) {
                const int k = (x / SS) % 64;
                cv::Vec3f c = k < 40 ? Rgb(96, 132, 122) : Rgb(80, 114, 106);
                if (k == 40 || k == 41 || k == 62 || k == 63) c = Rgb(196, 190, 160);
                const int dx = std::abs((x / SS) % 64 - 20), dy = std::abs((y / SS) % 48 - 24);
                if (dx + dy < 7) c = Mix(c, Rgb(170, 176, 140), 0.45f);
                img(y, x) = c * (0.9f + 0.2f * tex(y, x));
            }
    }
    // Skirting board and the floor.
    {
        const cv::Size fs(size.width, size.height - floorY);
        Img floor = Wood(fs, Rgb(150, 100, 60), Rgb(84, 50, 26), 46.f * SS, 14.f * SS, rng);
        for (int y = 0; y < fs.height; ++y)
            for (int x = 0; x < fs.width; ++x) floor(y, x) *= 0.6f + 0.4f * y / float(fs.height);
        floor.copyTo(img(cv::Rect(0, floorY, fs.width, fs.height)));
        cv::Mat1b skirt = Mask(size), edge = Mask(size);
        cv::rectangle(skirt, cv::Rect(0, floorY - 34 * SS, size.width, 34 * SS), 255, cv::FILLED);
        cv::rectangle(edge, cv::Rect(0, floorY - 34 * SS, size.width, 4 * SS), 255, cv::FILLED);
        Paint(img, skirt, Rgb(222, 214, 190));
        Paint(img, edge, Rgb(245, 240, 222));
        cv::Mat1f contact(size, 0.f);
        cv::rectangle(contact, cv::Rect(0, floorY - 2 * SS, size.width, 10 * SS), 1.0, cv::FILLED);
        cv::GaussianBlur(contact, contact, cv::Size(0, 0), 5.0 * SS);
        Darken(img, contact, 0.35f);
    }
    // A small framed picture on the wall.
    {
        cv::Mat1b fr = Mask(size), in = Mask(size);
        const cv::Rect f(70 * SS, 150 * SS, 150 * SS, 190 * SS);
        cv::rectangle(fr, f, 255, cv::FILLED);
        cv::rectangle(in, cv::Rect(f.x + 16 * SS, f.y + 16 * SS, f.width - 32 * SS, f.height - 32 * SS), 255, cv::FILLED);
        DropShadow(img, Alpha(fr), {8.f * SS, 10.f * SS}, 8.0 * SS, 0.4f);
        Paint(img, fr, Rgb(60, 40, 25));
        Paint(img, in, Rgb(236, 226, 200));
        cv::Mat1b a = Mask(size), b = Mask(size), c = Mask(size);
        cv::circle(a, cv::Point(f.x + 60 * SS, f.y + 70 * SS), 28 * SS, 255, cv::FILLED, cv::LINE_AA);
        cv::rectangle(b, cv::Rect(f.x + 70 * SS, f.y + 90 * SS, 50 * SS, 60 * SS), 255, cv::FILLED);
        Polygon(c, {{f.x + 30.f * SS, f.y + 160.f * SS}, {f.x + 75.f * SS, f.y + 100.f * SS}, {f.x + 120.f * SS, f.y + 160.f * SS}});
        Paint(img, a, Rgb(220, 120, 60));
        Paint(img, b, Rgb(60, 110, 140));
        Paint(img, c, Rgb(200, 170, 60), 0.9f);
    }
    // A potted plant beside the set.
    {
        cv::Mat1b pot = Mask(size), rim = Mask(size);
        Polygon(pot, {{1060.f * SS, 690.f * SS}, {1200.f * SS, 690.f * SS}, {1180.f * SS, 850.f * SS}, {1080.f * SS, 850.f * SS}});
        cv::rectangle(rim, cv::Rect(1052 * SS, 680 * SS, 156 * SS, 26 * SS), 255, cv::FILLED);
        cv::Mat1f shadow(size, 0.f);
        cv::ellipse(shadow, cv::Point(1150 * SS, 850 * SS), cv::Size(80 * SS, 14 * SS), 0, 0, 360, 1.0, cv::FILLED);
        cv::GaussianBlur(shadow, shadow, cv::Size(0, 0), 8.0 * SS);
        Darken(img, shadow, 0.5f);
        for (int i = 0; i < 16; ++i) {
            cv::Mat1b leaf = Mask(size);
            const float ang = -150 + i * 120.f / 15 + rng.uniform(-6.f, 6.f);
            const float len = rng.uniform(120.f, 230.f) * SS;
            const cv::Point2f base(1130.f * SS, 690.f * SS);
            const cv::Point2f tip = base + cv::Point2f(std::cos(ang * float(CV_PI) / 180) * len, std::sin(ang * float(CV_PI) / 180) * len);
            const cv::Point2f mid = (base + tip) * 0.5f;
            cv::ellipse(leaf, cv::Point(cvRound(mid.x), cvRound(mid.y)), cv::Size(cvRound(len / 2), cvRound(len * 0.09f)), ang, 0, 360, 255,
                        cv::FILLED, cv::LINE_AA);
            Paint(img, leaf, Mix(Rgb(40, 90, 40), Rgb(100, 160, 70), rng.uniform(0.f, 1.f)));
            cv::Mat1b vein = Mask(size);
            cv::line(vein, cv::Point(cvRound(base.x), cvRound(base.y)), cv::Point(cvRound(tip.x), cvRound(tip.y)), 255, SS, cv::LINE_AA);
            Paint(img, cv::Mat1b(vein.mul(leaf, 1.0 / 255)), Rgb(150, 200, 110), 0.5f);
        }
        Paint(img, pot, Rgb(180, 90, 55));
        Paint(img, rim, Rgb(200, 108, 68));
    }

    // The television: a walnut cabinet on four legs.
    const cv::Rect cab(270 * SS, 230 * SS, 740 * SS, 500 * SS);
    {
        cv::Mat1b legs = Mask(size);
        for (const int lx : {320, 930}) {
            Polygon(legs, {{float(lx * SS), float(cab.br().y - 4 * SS)}, {float((lx + 28) * SS), float(cab.br().y - 4 * SS)},
                           {float((lx + 20) * SS), 840.f * SS}, {float((lx + 10) * SS), 840.f * SS}});
        }
        cv::Mat1f shadow(size, 0.f);
        cv::ellipse(shadow, cv::Point(cab.x + cab.width / 2, 842 * SS), cv::Size(cab.width / 2, 16 * SS), 0, 0, 360, 1.0, cv::FILLED);
        cv::GaussianBlur(shadow, shadow, cv::Size(0, 0), 10.0 * SS);
        Darken(img, shadow, 0.55f);
        Paint(img, legs, Rgb(50, 30, 16));
    }
    cv::Mat1b body = Mask(size);
    RoundedRect(body, cab, 34.f * SS);
    DropShadow(img, Alpha(body), {18.f * SS, 16.f * SS}, 16.0 * SS, 0.45f);
    {
        Img wood = Wood(size, Rgb(156, 98, 54), Rgb(78, 42, 20), 2000.f * SS, 9.f * SS, rng, false);
        Blend(img, wood, Alpha(body));
        cv::Mat1b top = Mask(size), bottom = Mask(size);
        RoundedRect(top, cv::Rect(cab.x, cab.y, cab.width, 14 * SS), 7.f * SS);
        RoundedRect(bottom, cv::Rect(cab.x, cab.br().y - 14 * SS, cab.width, 14 * SS), 7.f * SS);
        Lighten(img, Alpha(top.mul(body, 1.0 / 255)), 0.25f);
        Darken(img, Alpha(bottom.mul(body, 1.0 / 255)), 0.35f);
    }
    // Bezel and the screen's glass.
    const cv::Rect bezel(cab.x + 36 * SS, cab.y + 36 * SS, 540 * SS, 428 * SS);
    const cv::Rect screen(bezel.x + 34 * SS, bezel.y + 34 * SS, bezel.width - 68 * SS, bezel.height - 68 * SS);
    {
        cv::Mat1b b = Mask(size), lip = Mask(size), glass = Mask(size);
        RoundedRect(b, bezel, 26.f * SS);
        RoundedRect(lip, cv::Rect(screen.x - 8 * SS, screen.y - 8 * SS, screen.width + 16 * SS, screen.height + 16 * SS), 44.f * SS);
        RoundedRect(glass, screen, 40.f * SS);
        Paint(img, b, Rgb(58, 52, 46));
        Paint(img, lip, Rgb(28, 26, 24));
        // The glass: dark, brighter at the centre, with scan lines and a window's reflection.
        Img g(size);
        const cv::Point2f c(screen.x + screen.width / 2.f, screen.y + screen.height / 2.f);
        for (int y = screen.y; y < screen.br().y; ++y)
            for (int x = screen.x; x < screen.br().x; ++x) {
                const float d = std::hypot((x - c.x) / screen.width, (y - c.y) / screen.height);
                cv::Vec3f col = Mix(Rgb(62, 74, 70), Rgb(20, 24, 24), std::min(1.f, d * 1.5f));
                if ((y / SS) % 3 == 0) col *= 0.7f;
                g(y, x) = col;
            }
        Blend(img, g, Alpha(glass));
        cv::Mat1f refl(size, 0.f);
        cv::ellipse(refl, cv::Point(screen.x + screen.width / 3, screen.y + screen.height / 4), cv::Size(screen.width / 4, screen.height / 7), -20, 0,
                    360, 1.0, cv::FILLED, cv::LINE_AA);
        cv::GaussianBlur(refl, refl, cv::Size(0, 0), 22.0 * SS);
        Lighten(img, refl.mul(Alpha(glass)), 0.5f);
    }
    // Control panel: speaker grille, a brand plate, two knobs.
    {
        const int px = bezel.br().x + 30 * SS, pw = cab.br().x - 36 * SS - px;
        cv::Mat1b panel = Mask(size), slats = Mask(size);
        RoundedRect(panel, cv::Rect(px, bezel.y, pw, 220 * SS), 12.f * SS);
        Paint(img, panel, Rgb(40, 30, 22));
        for (int y = bezel.y + 14 * SS; y < bezel.y + 210 * SS; y += 11 * SS)
            cv::rectangle(slats, cv::Rect(px + 10 * SS, y, pw - 20 * SS, 5 * SS), 255, cv::FILLED);
        Paint(img, slats, Rgb(180, 150, 100));
        cv::Mat1b plate = Mask(size), name = Mask(size);
        RoundedRect(plate, cv::Rect(px, bezel.y + 236 * SS, pw, 34 * SS), 6.f * SS);
        Paint(img, plate, Rgb(200, 178, 120));
        TextCentred(name, "ORBITONE", {px + pw / 2.f, bezel.y + 253.f * SS}, cv::FONT_HERSHEY_DUPLEX, 0.62 * SS, SS);
        Paint(img, name, Rgb(60, 40, 20));
        for (int k = 0; k < 2; ++k) {
            const cv::Point c(px + pw / 2, bezel.y + (318 + k * 82) * SS);
            cv::Mat1f sh(size, 0.f);
            cv::circle(sh, c + cv::Point(5 * SS, 6 * SS), 31 * SS, 1.0, cv::FILLED, cv::LINE_AA);
            cv::GaussianBlur(sh, sh, cv::Size(0, 0), 4.0 * SS);
            Darken(img, sh, 0.5f);
            cv::Mat1b ring = Mask(size), knob = Mask(size), mark = Mask(size), hi = Mask(size);
            cv::circle(ring, c, 33 * SS, 255, cv::FILLED, cv::LINE_AA);
            cv::circle(knob, c, 26 * SS, 255, cv::FILLED, cv::LINE_AA);
            const float a = float(k ? -0.6 : 0.9);
            cv::line(mark, c, c + cv::Point(cvRound(std::sin(a) * 22 * SS), cvRound(-std::cos(a) * 22 * SS)), 255, 4 * SS, cv::LINE_AA);
            cv::circle(hi, c - cv::Point(9 * SS, 9 * SS), 9 * SS, 255, cv::FILLED, cv::LINE_AA);
            Paint(img, ring, Rgb(170, 150, 110));
            Paint(img, knob, Rgb(34, 30, 28));
            cv::Mat1f hiA = Alpha(hi);
            cv::GaussianBlur(hiA, hiA, cv::Size(0, 0), 4.0 * SS);
            Paint(img, hiA, Rgb(140, 135, 130), 0.6f);
            Paint(img, mark, Rgb(230, 220, 200));
        }
    }
    // Rabbit-ear antenna.
    {
        const cv::Point base(cab.x + cab.width / 2 + 120 * SS, cab.y);
        cv::Mat1b rods = Mask(size), dome = Mask(size), tips = Mask(size);
        const cv::Point ends[2] = {base + cv::Point(-170 * SS, -190 * SS), base + cv::Point(120 * SS, -200 * SS)};
        for (const cv::Point& e : ends) {
            cv::line(rods, base - cv::Point(0, 16 * SS), e, 255, 3 * SS, cv::LINE_AA);
            cv::circle(tips, e, 6 * SS, 255, cv::FILLED, cv::LINE_AA);
        }
        cv::ellipse(dome, base, cv::Size(48 * SS, 30 * SS), 0, 180, 360, 255, cv::FILLED, cv::LINE_AA);
        Paint(img, rods, Rgb(190, 190, 196));
        Paint(img, tips, Rgb(150, 150, 156));
        Paint(img, dome, Rgb(36, 32, 30));
    }
    // Warm lamplight from the right, dim corners.
    {
        cv::Mat1f light(size, 0.f);
        cv::circle(light, cv::Point(1150 * SS, 200 * SS), 420 * SS, 1.0, cv::FILLED);
        cv::GaussianBlur(light, light, cv::Size(0, 0), 200.0 * SS);
        Paint(img, light, Rgb(255, 220, 160), 0.12f);
        Vignette(img, 0.45f, 2.4f);
    }

    Scene s;
    s.main = {cv::Point2f(float(screen.x), float(screen.y)), {float(screen.br().x), float(screen.y)},
              {float(screen.x), float(screen.br().y)}, {float(screen.br().x), float(screen.br().y)}};
    s.edge = 0.07f;
    s.alpha = 0.9f;
    s.name = "Old TV";
    s.folder = "OldTV";
    s.picture = Finish(img);
    return s;
}


/** Writes text scaled so its width is `width`, left edge at x, baseline at y; returns the height. */
int FitText(cv::Mat1b& mask, const std::string& t, float x, float y, float width, int font, int thickness)
{
    int base = 0;
    const cv::Size one = cv::getTextSize(t, font, 1.0, thickness, &base);
    const double scale = width / one.width;
    const int th = std::max(1, int(thickness * scale / 2));
    Text(mask, t, {x, y}, font, scale, th);
    return int(one.height * scale);
}

Scene MagazineCover()
{
    cv::RNG rng(505);
    const cv::Size size(1120 * SS, 1400 * SS);
    Img img = Wood(size, Rgb(120, 80, 50), Rgb(52, 32, 18), 230.f * SS, 20.f * SS, rng);
    Vignette(img, 0.4f, 2.2f);

    const float CW = 900 * SS, CH = 1180 * SS;
    const cv::Size cs{int(CW), int(CH)};
    Img cover = Paper(cs, Rgb(250, 249, 246), rng, 0.02f);
    const cv::Rect2f photo(40.f * SS, 200.f * SS, 820.f * SS, 590.f * SS);
    const cv::Rect2f inset(584.f * SS, 996.f * SS, 256.f * SS, 164.f * SS);
    {
        cv::Mat1b red = Mask(cs), black = Mask(cs), grey = Mask(cs), yellow = Mask(cs), white = Mask(cs);
        FitText(red, "SNAPSHOT", 40.f * SS, 172.f * SS, 680.f * SS, cv::FONT_HERSHEY_TRIPLEX, 8);
        Text(grey, "THE PICTURE MAGAZINE", {42.f * SS, 40.f * SS}, cv::FONT_HERSHEY_DUPLEX, 0.75 * SS, SS * 2);
        Text(grey, "No. 27  SPRING", {672.f * SS, 40.f * SS}, cv::FONT_HERSHEY_DUPLEX, 0.75 * SS, SS * 2);
        FitText(black, "STAR OF THE YEAR", 40.f * SS, 878.f * SS, 820.f * SS, cv::FONT_HERSHEY_DUPLEX, 5);
        Text(red, "An exclusive portrait - and the story behind it", {42.f * SS, 922.f * SS}, cv::FONT_HERSHEY_TRIPLEX, 0.92 * SS, SS * 2);
        const char* lines[] = {"10 SECRETS OF", "GREAT PHOTOS", "WEEKEND ESCAPES", "48 PAGES OF STYLE"};
        const float ly[] = {1000, 1036, 1090, 1144};
        for (int i = 0; i < 4; ++i) {
            Text(black, lines[i], {70.f * SS, ly[i] * SS}, cv::FONT_HERSHEY_DUPLEX, 1.05 * SS, SS * 2);
            if (i != 1) cv::circle(red, cv::Point(50 * SS, int((ly[i] - 11) * SS)), 8 * SS, 255, cv::FILLED, cv::LINE_AA);
        }
        Text(red, "BEHIND THE SCENES", {inset.x, inset.y - 12.f * SS}, cv::FONT_HERSHEY_DUPLEX, 0.85 * SS, SS * 2);
        cv::rectangle(black, cv::Rect(cv::Point(cvRound(inset.x - 6 * SS), cvRound(inset.y - 6 * SS)),
                                      cv::Point(cvRound(inset.br().x + 6 * SS), cvRound(inset.br().y + 6 * SS))),
                      255, cv::FILLED);
        // Barcode and price.
        const cv::Rect bc(470 * SS, 1080 * SS, 0, 70 * SS);
        cv::Mat1b bars = Mask(cs);
        cv::rectangle(white, cv::Rect(bc.x - 40 * SS, bc.y - 8 * SS, 100 * SS, 100 * SS), 255, cv::FILLED);
        int x = bc.x - 34 * SS;
        while (x < bc.x + 52 * SS) {
            const int w = rng.uniform(1, 4) * SS;
            cv::rectangle(bars, cv::Rect(x, bc.y, w, bc.height), 255, cv::FILLED);
            x += w + rng.uniform(1, 3) * SS;
        }
        Text(bars, "9 771234 56", {float(bc.x - 34 * SS), float(bc.y + 86 * SS)}, cv::FONT_HERSHEY_SIMPLEX, 0.42 * SS, SS);
        Text(black, "$4.95", {float(bc.x - 36 * SS), float(bc.y - 18 * SS)}, cv::FONT_HERSHEY_DUPLEX, 0.8 * SS, SS * 2);
        // Badge over the masthead's corner.
        cv::Mat1b badge = Mask(cs), badgeText = Mask(cs);
        std::vector<cv::Point2f> star;
        const cv::Point2f bcn(796.f * SS, 122.f * SS);
        for (int i = 0; i < 32; ++i) {
            const float a = float(i * CV_PI / 16), r = (i % 2 ? 58.f : 68.f) * SS;
            star.push_back(bcn + cv::Point2f(std::cos(a) * r, std::sin(a) * r));
        }
        Polygon(badge, star);
        TextCentred(badgeText, "SPECIAL", bcn + cv::Point2f(0, -14.f * SS), cv::FONT_HERSHEY_DUPLEX, 0.78 * SS, SS * 2);
        TextCentred(badgeText, "ISSUE", bcn + cv::Point2f(0, 18.f * SS), cv::FONT_HERSHEY_DUPLEX, 0.9 * SS, SS * 2);
        Paint(cover, red, Rgb(206, 28, 44));
        Paint(cover, grey, Rgb(90, 90, 90));
        Paint(cover, black, Rgb(20, 20, 24));
        Paint(cover, white, Rgb(255, 255, 255));
        Paint(cover, bars, Rgb(10, 10, 10));
        DropShadow(cover, Alpha(badge), {3.f * SS, 4.f * SS}, 4.0 * SS, 0.35f);
        Paint(cover, badge, Rgb(250, 210, 40));
        Paint(cover, badgeText, Rgb(160, 20, 30));
        (void)yellow;
    }
    // The cover's gloss: a faint sheen across the page.
    {
        cv::Mat1f sheen(cs, 0.f);
        for (int y = 0; y < cs.height; ++y)
            for (int x = 0; x < cs.width; ++x) {
                const float d = (x / CW - y / CH * 0.6f);
                sheen(y, x) = std::exp(-std::pow((d - 0.2f) / 0.12f, 2.f));
            }
        Lighten(cover, sheen, 0.06f);
    }
    const cv::Mat1f a(cs, 1.f);
    const Quad q = CardQuad({560.f * SS, 705.f * SS}, CW, CH, -2.5f, 0.015f);
    const cv::Matx33d H = TextureToQuad(cs, q);
    cv::Mat1f coverMask;
    cv::warpPerspective(a, coverMask, CentreConvention(H), size, cv::INTER_LINEAR, cv::BORDER_CONSTANT, 0);
    DropShadow(img, coverMask, {14.f * SS, 20.f * SS}, 16.0 * SS, 0.6f);
    Place(img, cover, a, H);

    Scene s;
    s.main = {Apply(H, photo.tl()), Apply(H, {photo.br().x, photo.y}), Apply(H, {photo.x, photo.br().y}), Apply(H, photo.br())};
    s.extra.push_back({Apply(H, inset.tl()), Apply(H, {inset.br().x, inset.y}), Apply(H, {inset.x, inset.br().y}), Apply(H, inset.br())});
    s.name = "Magazine Cover";
    s.folder = "MagazineCover";
    s.picture = Finish(img);
    return s;
}


Scene WoodcutRelief()
{
    cv::RNG rng(606);
    const cv::Size size(1280 * SS, 960 * SS);
    const cv::Rect board(0, 0, size.width, size.height);
    const int rim = 92 * SS;  // carved rim around the panel
    const cv::Rect panel(rim, rim, size.width - 2 * rim, size.height - 2 * rim - 20 * SS);

    // The board and its rim: a warm medium wood, grain running across.
    Img img = Wood(size, Rgb(176, 120, 70), Rgb(96, 58, 30), 4000.f * SS, 16.f * SS, rng, false);
    // Bevelled outer edge and a groove along the rim.
    {
        cv::Mat1f lit(size, 0.f), shade(size, 0.f);
        const int e = 14 * SS;
        cv::rectangle(lit, cv::Rect(0, 0, size.width, e), 1.0, cv::FILLED);
        cv::rectangle(lit, cv::Rect(0, 0, e, size.height), 1.0, cv::FILLED);
        cv::rectangle(shade, cv::Rect(0, size.height - e, size.width, e), 1.0, cv::FILLED);
        cv::rectangle(shade, cv::Rect(size.width - e, 0, e, size.height), 1.0, cv::FILLED);
        cv::GaussianBlur(lit, lit, cv::Size(0, 0), 3.0 * SS);
        cv::GaussianBlur(shade, shade, cv::Size(0, 0), 3.0 * SS);
        Lighten(img, lit, 0.22f);
        Darken(img, shade, 0.4f);
        const cv::Rect groove(34 * SS, 34 * SS, size.width - 68 * SS, size.height - 68 * SS);
        cv::Mat1b g = Mask(size), gl = Mask(size);
        cv::rectangle(g, groove, 255, 5 * SS, cv::LINE_AA);
        cv::rectangle(gl, groove + cv::Point(2 * SS, 2 * SS), 255, 2 * SS, cv::LINE_AA);
        Paint(img, g, Rgb(60, 34, 16), 0.85f);
        Paint(img, gl, Rgb(222, 178, 120), 0.6f);
    }
    // Rosettes in the rim's corners.
    for (const cv::Point c : {cv::Point(rim / 2 + 8 * SS, rim / 2 + 8 * SS), cv::Point(size.width - rim / 2 - 8 * SS, rim / 2 + 8 * SS),
                              cv::Point(rim / 2 + 8 * SS, size.height - rim / 2 - 18 * SS),
                              cv::Point(size.width - rim / 2 - 8 * SS, size.height - rim / 2 - 18 * SS)}) {
        cv::Mat1b cut = Mask(size), edge = Mask(size);
        for (int k = 0; k < 8; ++k) {
            const double a = k * CV_PI / 4;
            const cv::Point p = c + cv::Point(cvRound(std::cos(a) * 14 * SS), cvRound(std::sin(a) * 14 * SS));
            cv::ellipse(cut, p, cv::Size(11 * SS, 5 * SS), k * 45.0, 0, 360, 255, cv::FILLED, cv::LINE_AA);
            cv::ellipse(edge, p + cv::Point(SS, SS), cv::Size(11 * SS, 5 * SS), k * 45.0, 20, 160, 255, SS, cv::LINE_AA);
        }
        cv::circle(cut, c, 6 * SS, 255, cv::FILLED, cv::LINE_AA);
        Paint(img, cut, Rgb(70, 40, 20), 0.85f);
        Paint(img, edge, Rgb(230, 190, 130), 0.6f);
    }
    // Carved lettering in the bottom rim: dark cuts with a lit lower edge.
    {
        cv::Mat1b cut = Mask(size), lit = Mask(size);
        const cv::Point2f c(size.width / 2.f, size.height - rim / 2.f - 10.f * SS);
        TextCentred(cut, "M E M O R I E S", c, cv::FONT_HERSHEY_TRIPLEX, 1.25 * SS, 3 * SS);
        TextCentred(lit, "M E M O R I E S", c + cv::Point2f(1.5f * SS, 2.f * SS), cv::FONT_HERSHEY_TRIPLEX, 1.25 * SS, 3 * SS);
        Paint(img, lit, Rgb(232, 196, 140), 0.7f);
        Paint(img, cut, Rgb(58, 32, 14), 0.9f);
    }
    // The recessed panel: dark, inked wood with gouge marks; its walls catch light and shadow.
    const auto gouges = [&](Img& target, const cv::Vec3f& colour, float opacity, int spacing) {
        cv::Mat1b m = Mask(size);
        for (int y = panel.y + spacing / 2; y < panel.br().y; y += spacing) {
            std::vector<cv::Point> line;
            const float phase = rng.uniform(0.f, 6.f);
            for (int x = panel.x; x <= panel.br().x; x += 6 * SS)
                line.emplace_back(x, cvRound(y + std::sin(x / (70.f * SS) + phase) * 1.6f * SS));
            cv::polylines(m, line, false, 255, SS + SS / 2, cv::LINE_AA);
        }
        cv::Mat1f a = Alpha(m);
        const cv::Mat1f breaks = Noise(size, 40.0 * SS, 4.0 * SS, rng);
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x) a(y, x) *= std::clamp((breaks(y, x) - 0.25f) * 3.f, 0.f, 1.f);
        Paint(target, a, colour, opacity);
    };
    {
        Img ink = Wood(size, Rgb(66, 40, 22), Rgb(26, 14, 6), 4000.f * SS, 11.f * SS, rng, false);
        gouges(ink, Rgb(104, 68, 40), 0.45f, 9 * SS);
        cv::Mat1f p(size, 0.f);
        cv::rectangle(p, panel, 1.0, cv::FILLED);
        Blend(img, ink, p);
        // Walls of the recess: shadow under the top and left, light on the bottom and right.
        const int w = 12 * SS;
        cv::Mat1b top = Mask(size), left = Mask(size), bottom = Mask(size), right = Mask(size);
        Polygon(top, {panel.tl(), {float(panel.br().x), float(panel.y)}, {float(panel.br().x - w), float(panel.y - w)},
                      {float(panel.x - w), float(panel.y - w)}});
        Polygon(left, {panel.tl(), {float(panel.x), float(panel.br().y)}, {float(panel.x - w), float(panel.br().y + w)},
                       {float(panel.x - w), float(panel.y - w)}});
        Polygon(bottom, {{float(panel.x), float(panel.br().y)}, panel.br(), {float(panel.br().x + w), float(panel.br().y + w)},
                         {float(panel.x - w), float(panel.br().y + w)}});
        Polygon(right, {{float(panel.br().x), float(panel.y)}, panel.br(), {float(panel.br().x + w), float(panel.br().y + w)},
                        {float(panel.br().x + w), float(panel.y - w)}});
        Paint(img, top, Rgb(70, 42, 22), 0.8f);
        Paint(img, left, Rgb(92, 56, 30), 0.75f);
        Paint(img, bottom, Rgb(230, 190, 135), 0.7f);
        Paint(img, right, Rgb(210, 165, 110), 0.6f);
    }
    Vignette(img, 0.25f, 2.5f);

    // The second picture: freshly cut, pale wood with the parallel cuts of the gouge, which the
    // photo's light parts reveal.
    Img fresh = Wood(size, Rgb(248, 228, 188), Rgb(218, 180, 126), 4000.f * SS, 13.f * SS, rng, false);
    gouges(fresh, Rgb(150, 104, 60), 0.55f, 7 * SS);
    Vignette(fresh, 0.15f, 2.5f);

    Scene s;
    s.main = {cv::Point2f(float(panel.x), float(panel.y)), {float(panel.br().x), float(panel.y)},
              {float(panel.x), float(panel.br().y)}, {float(panel.br().x), float(panel.br().y)}};
    s.gray = 1;
    s.name = "Woodcut Relief";
    s.folder = "WoodcutRelief";
    s.picture = Finish(img);
    s.picture2 = Finish(fresh);
    (void)board;
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
    for (Scene (*make)() : {Postcard, Billboard, Polaroid, OldTV, MagazineCover, WoodcutRelief}) {
        const Scene s = make();
        const bool written = Write(s, root);
        std::printf("%-16s %s\n", s.name.c_str(), written ? "written" : "FAILED");
        ok = ok && written;
    }
    return ok ? 0 : 1;
}
