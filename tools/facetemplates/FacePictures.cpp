#include "FacePictures.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

// Everything is drawn at twice the final size and scaled down, which smooths every edge.
constexpr int S = 2;

cv::Point P(float x, float y) { return cv::Point(static_cast<int>(x * S), static_cast<int>(y * S)); }
cv::Size Z(float w, float h) { return cv::Size(static_cast<int>(w * S), static_cast<int>(h * S)); }

/** Smooth noise in -1..1 over a w x h canvas from a coarse random grid. */
cv::Mat Noise(cv::RNG& rng, cv::Size size, int cells)
{
    const int cx = std::max(2, cells), cy = std::max(2, cells * size.height / std::max(1, size.width));
    cv::Mat coarse(cy + 3, cx + 3, CV_32F);
    rng.fill(coarse, cv::RNG::UNIFORM, -1.0, 1.0);
    cv::Mat fine;
    const double sx = double(size.width) / cx, sy = double(size.height) / cy;
    cv::resize(coarse, fine, cv::Size(), sx, sy, cv::INTER_CUBIC);
    return fine(cv::Rect(int(sx), int(sy), size.width, size.height)).clone();
}

cv::Mat Turbulence(cv::RNG& rng, cv::Size size, int cells, int octaves)
{
    cv::Mat sum(size, CV_32F, cv::Scalar(0));
    float w = 1, total = 0;
    for (int o = 0; o < octaves; ++o, cells *= 2, w *= 0.5f) {
        sum += w * Noise(rng, size, cells);
        total += w;
    }
    return sum / total;
}

/** A float BGR canvas. */
cv::Mat Canvas(int w, int h) { return cv::Mat(h * S, w * S, CV_32FC3, cv::Scalar(0, 0, 0)); }

void VerticalGradient(cv::Mat& img, cv::Vec3f top, cv::Vec3f bottom, float from = 0, float to = 1)
{
    for (int y = 0; y < img.rows; ++y) {
        const float t = std::clamp((float(y) / img.rows - from) / (to - from), 0.0f, 1.0f);
        img.row(y).setTo(cv::Scalar(top * (1 - t) + bottom * t));
    }
}

/** Multiplies brightness by (1 + amount * noise). */
void Texture(cv::Mat& img, const cv::Mat& noise, float amount, const cv::Mat& mask = cv::Mat())
{
    for (int y = 0; y < img.rows; ++y) {
        auto* p = img.ptr<cv::Vec3f>(y);
        const float* n = noise.ptr<float>(y);
        const uchar* m = mask.empty() ? nullptr : mask.ptr<uchar>(y);
        for (int x = 0; x < img.cols; ++x)
            if (!m || m[x]) p[x] *= 1 + amount * n[x];
    }
}

/** Darkens toward the corners. */
void Vignette(cv::Mat& img, float strength)
{
    const float cx = img.cols / 2.0f, cy = img.rows / 2.0f;
    for (int y = 0; y < img.rows; ++y) {
        auto* p = img.ptr<cv::Vec3f>(y);
        for (int x = 0; x < img.cols; ++x) {
            const float dx = (x - cx) / cx, dy = (y - cy) / cy;
            p[x] *= 1 - strength * std::min(1.0f, 0.5f * (dx * dx + dy * dy));
        }
    }
}

/** Paints colour where the mask is set, its edge softened by a blur of `soft` pixels. */
void Paint(cv::Mat& img, const cv::Mat& mask, const cv::Mat& colour, int soft = 2)
{
    cv::Mat a;
    mask.convertTo(a, CV_32F, 1.0 / 255);
    if (soft > 0) cv::GaussianBlur(a, a, cv::Size(2 * soft + 1, 2 * soft + 1), 0);
    for (int y = 0; y < img.rows; ++y) {
        auto* p = img.ptr<cv::Vec3f>(y);
        const auto* c = colour.ptr<cv::Vec3f>(y);
        const float* w = a.ptr<float>(y);
        for (int x = 0; x < img.cols; ++x)
            if (w[x] > 0) p[x] = p[x] * (1 - w[x]) + c[x] * w[x];
    }
}

void PaintFlat(cv::Mat& img, const cv::Mat& mask, cv::Vec3f colour, int soft = 2)
{
    Paint(img, mask, cv::Mat(img.size(), CV_32FC3, cv::Scalar(colour)), soft);
}

cv::Mat Mask(const cv::Mat& img) { return cv::Mat(img.size(), CV_8UC1, cv::Scalar(0)); }

/**
 * @brief A colour layer shaded as if the region bulged like an ellipsoid of centre c and
 * semi-axes ax, ay: ambient plus diffuse from the upper left, plus a highlight.
 */
cv::Mat Shaded(cv::Size size, cv::Vec3f base, cv::Point2f c, cv::Size2f ax, float ambient, float specular, float shine,
               cv::Vec3f light = cv::Vec3f(-0.45f, -0.6f, 0.66f))
{
    cv::Mat out(size, CV_32FC3);
    light /= float(cv::norm(light));
    const cv::Vec3f half = (light + cv::Vec3f(0, 0, 1)) / float(cv::norm(light + cv::Vec3f(0, 0, 1)));
    for (int y = 0; y < size.height; ++y) {
        auto* p = out.ptr<cv::Vec3f>(y);
        for (int x = 0; x < size.width; ++x) {
            const float nx = (x - c.x) / ax.width, ny = (y - c.y) / ax.height;
            const float r2 = nx * nx + ny * ny;
            const float k = r2 < 1 ? 1.0f : 1 / std::sqrt(r2);
            const cv::Vec3f n(nx * k, ny * k, std::sqrt(std::max(0.0f, 1 - std::min(r2, 1.0f))));
            const float diffuse = std::max(0.0f, n.dot(light));
            const float spec = specular * std::pow(std::max(0.0f, n.dot(half)), shine);
            p[x] = base * (ambient + (1 - ambient) * diffuse) + cv::Vec3f(spec, spec, spec) * 255.0f;
        }
    }
    return out;
}

cv::Mat Finish(const cv::Mat& canvas)
{
    cv::Mat small, out;
    cv::resize(canvas, small, cv::Size(canvas.cols / S, canvas.rows / S), 0, 0, cv::INTER_AREA);
    small.convertTo(out, CV_8UC3);
    return out;
}

cv::Mat Ellipse(const cv::Mat& img, cv::Point2f c, cv::Size2f axes, float angle = 0)
{
    cv::Mat m = Mask(img);
    cv::ellipse(m, P(c.x, c.y), Z(axes.width, axes.height), angle, 0, 360, cv::Scalar(255), cv::FILLED, cv::LINE_AA);
    return m;
}

cv::Mat Poly(const cv::Mat& img, const std::vector<cv::Point2f>& pts)
{
    cv::Mat m = Mask(img);
    std::vector<cv::Point> q;
    for (const auto& p : pts) q.push_back(P(p.x, p.y));
    cv::fillPoly(m, std::vector<std::vector<cv::Point>>{q}, cv::Scalar(255), cv::LINE_AA);
    return m;
}

cv::Point2f Sc(cv::Point2f p) { return p * float(S); }
cv::Size2f Sz(cv::Size2f s) { return cv::Size2f(s.width * S, s.height * S); }

// A head of skin around a face box: forehead above, chin below, ears at the sides. The face
// itself comes from the user's photo; the head only has to meet it in colour.
void PaintHead(cv::Mat& img, const cv::Rect2f& face, cv::Vec3f skin, bool ears)
{
    const cv::Point2f c(face.x + face.width / 2, face.y + face.height * 0.36f);
    const cv::Size2f ax(face.width * 0.56f, face.height * 0.86f);
    if (ears) {
        for (float side : {-1.0f, 1.0f}) {
            const cv::Point2f e(c.x + side * face.width * 0.55f, face.y + face.height * 0.45f);
            const cv::Size2f ea(face.width * 0.09f, face.height * 0.16f);
            Paint(img, Ellipse(img, e, ea), Shaded(img.size(), skin * 0.92f, Sc(e), Sz(ea), 0.45f, 0.05f, 20));
        }
    }
    // Neck first, so the jaw overlaps it.
    const cv::Size2f na(face.width * 0.3f, face.height * 0.5f);
    const cv::Point2f nc(c.x, face.y + face.height * 1.15f);
    Paint(img, Ellipse(img, nc, na), Shaded(img.size(), skin * 0.8f, Sc(nc), Sz(na), 0.5f, 0.0f, 10));
    Paint(img, Ellipse(img, c, ax), Shaded(img.size(), skin, Sc(c), Sz(ax), 0.55f, 0.08f, 24));
}

}  // namespace

// --- Knight -----------------------------------------------------------------------------------

FacePicture DrawKnight()
{
    constexpr int W = 800, H = 600;
    cv::RNG rng(1207);
    cv::Mat img = Canvas(W, H);
    // Castle wall: courses of stone blocks, each a little different, in warm torchlight.
    VerticalGradient(img, cv::Vec3f(70, 88, 104), cv::Vec3f(40, 52, 66));
    const cv::Mat stone = Turbulence(rng, img.size(), 24, 4);
    for (int row = 0; row < 12; ++row) {
        const float y0 = row * 52.0f - 10, offset = (row % 2) * 55.0f;
        for (float x0 = -offset; x0 < W; x0 += 110) {
            const float tint = 0.85f + 0.3f * rng.uniform(0.0f, 1.0f);
            cv::Mat m = Mask(img);
            cv::rectangle(m, P(x0 + 3, y0 + 3), P(x0 + 107, y0 + 49), cv::Scalar(255), cv::FILLED);
            cv::Mat block = img.clone();
            block *= tint;
            Paint(img, m, block, 3);
        }
    }
    Texture(img, stone, 0.35f);
    Vignette(img, 0.8f);
    // Torchlight from the left.
    for (int y = 0; y < img.rows; ++y) {
        auto* p = img.ptr<cv::Vec3f>(y);
        for (int x = 0; x < img.cols; ++x) {
            const float d = std::hypot(x - 60.0f * S, y - 150.0f * S) / (500.0f * S);
            const float glow = 0.55f * std::exp(-d * d * 3);
            p[x] += cv::Vec3f(20, 90, 190) * glow;
        }
    }

    const cv::Rect2f face(338, 228, 124, 124);
    const float cx = face.x + face.width / 2;
    const cv::Vec3f steel(150, 150, 155);
    const cv::Mat metalNoise = Turbulence(rng, img.size(), 60, 3);

    // Shoulders: plate pauldrons over a mail shirt.
    const cv::Mat mail = Poly(img, {{cx - 300, 600}, {cx - 230, 470}, {cx - 90, 420}, {cx + 90, 420}, {cx + 230, 470}, {cx + 300, 600}});
    cv::Mat mailColour(img.size(), CV_32FC3, cv::Scalar(60, 62, 66));
    for (int y = 0; y < img.rows; y += 5 * S)
        for (int x = ((y / (5 * S)) % 2) * 3 * S; x < img.cols; x += 6 * S)
            cv::circle(mailColour, cv::Point(x, y), 3 * S, cv::Scalar(150, 152, 158), 1 * S, cv::LINE_AA);
    Paint(img, mail, mailColour);
    for (float side : {-1.0f, 1.0f}) {
        const cv::Point2f c(cx + side * 200, 520);
        const cv::Size2f ax(150, 95);
        Paint(img, Ellipse(img, c, ax, side * 12), Shaded(img.size(), steel, Sc(c), Sz(ax), 0.3f, 0.7f, 30));
        for (int k = 1; k <= 2; ++k) {
            cv::Mat line = Mask(img);
            cv::ellipse(line, P(c.x, c.y + 8 * k), Z(ax.width - 10 * k, ax.height - 18 * k), side * 12, 200, 340,
                        cv::Scalar(255), 3 * S, cv::LINE_AA);
            PaintFlat(img, line, cv::Vec3f(55, 55, 60));
        }
    }

    // The helm: a dome over a flat-sided cylinder that flares to the neck.
    const cv::Point2f dome(cx, 262);
    const cv::Size2f domeAx(128, 150);
    cv::Mat helm = Ellipse(img, dome, domeAx);
    cv::Mat lower = Poly(img, {{cx - 128, 262}, {cx + 128, 262}, {cx + 138, 420}, {cx + 60, 455}, {cx - 60, 455}, {cx - 138, 420}});
    cv::bitwise_or(helm, lower, helm);
    cv::Mat helmColour = Shaded(img.size(), steel, Sc(cv::Point2f(cx, 300)), Sz(cv::Size2f(140, 190)), 0.28f, 0.8f, 40);
    Texture(helmColour, metalNoise, 0.12f);
    Paint(img, helm, helmColour);
    // Ridge down the middle of the dome.
    cv::Mat ridge = Mask(img);
    cv::line(ridge, P(cx, 115), P(cx, 215), cv::Scalar(255), 7 * S, cv::LINE_AA);
    Paint(img, ridge, Shaded(img.size(), steel * 1.1f, Sc(cv::Point2f(cx, 165)), Sz(cv::Size2f(8, 60)), 0.3f, 0.9f, 50));

    // The face opening, in the helm's shadow, a raised rim around it and rivets.
    const cv::Point2f open(cx, face.y + face.height * 0.47f);
    const cv::Size2f openAx(face.width * 0.56f, face.height * 0.66f);
    cv::Mat rim = Ellipse(img, open, cv::Size2f(openAx.width + 14, openAx.height + 14));
    Paint(img, rim, Shaded(img.size(), steel * 1.05f, Sc(open), Sz(cv::Size2f(openAx.width + 14, openAx.height + 14)), 0.3f,
                           0.9f, 60));
    const cv::Vec3f skin(125, 160, 205);
    cv::Mat inside = img.clone();
    PaintHead(inside, face, skin, false);
    // Shadow under the brow of the helm.
    for (int y = 0; y < inside.rows; ++y) {
        const float t = std::clamp((y / float(S) - (open.y - openAx.height)) / (openAx.height * 0.9f), 0.0f, 1.0f);
        inside.row(y) *= 0.35f + 0.65f * std::sqrt(t);
    }
    Paint(img, Ellipse(img, open, openAx), inside, 3);
    for (int k = 0; k < 14; ++k) {
        const float a = float(k) / 14 * 2 * std::numbers::pi_v<float>;
        const cv::Point2f r(open.x + (openAx.width + 7) * std::cos(a), open.y + (openAx.height + 7) * std::sin(a));
        Paint(img, Ellipse(img, r, cv::Size2f(3.5f, 3.5f)), Shaded(img.size(), cv::Vec3f(190, 190, 195), Sc(r), Sz(cv::Size2f(3.5f, 3.5f)), 0.3f, 1.0f, 20), 1);
    }
    // Breathing holes on the cheek plates.
    for (float side : {-1.0f, 1.0f})
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 2; ++j) {
                const cv::Point2f h(cx + side * (95 + 12 * j), 395 + 14 * i);
                PaintFlat(img, Ellipse(img, h, cv::Size2f(3, 3)), cv::Vec3f(25, 25, 28), 1);
            }

    // A plume of red feathers from the crest, sweeping back and falling over the shoulder.
    for (int i = 0; i < 160; ++i) {
        const float length = rng.uniform(110.0f, 250.0f), droop = rng.uniform(30.0f, 230.0f), lift = rng.uniform(20.0f, 60.0f);
        cv::Mat stroke = Mask(img);
        std::vector<cv::Point> pts;
        for (int k = 0; k <= 16; ++k) {
            const float t = k / 16.0f;
            const float x = cx + 2 + length * t;
            const float y = 116 - lift * 4 * t * (1 - t) + droop * t * t;
            pts.push_back(P(x, y));
        }
        cv::polylines(stroke, pts, false, cv::Scalar(255), int(rng.uniform(3.0f, 7.0f) * S), cv::LINE_AA);
        const float shade = 0.45f + 0.55f * rng.uniform(0.0f, 1.0f);
        PaintFlat(img, stroke, cv::Vec3f(25, 25, 185) * shade + cv::Vec3f(15, 15, 35), 2);
    }
    // The plume holder on the crest.
    const cv::Point2f holder(cx + 3, 118);
    Paint(img, Ellipse(img, holder, cv::Size2f(11, 9)), Shaded(img.size(), cv::Vec3f(60, 170, 215), Sc(holder), Sz(cv::Size2f(11, 9)), 0.35f, 0.9f, 30), 1);
    return {Finish(img), face, 0};
}

// --- Superhero ---------------------------------------------------------------------------------

FacePicture DrawSuperhero()
{
    constexpr int W = 800, H = 600;
    cv::RNG rng(4711);
    cv::Mat img = Canvas(W, H);
    // Dusk over the city.
    VerticalGradient(img, cv::Vec3f(90, 40, 30), cv::Vec3f(80, 150, 250), 0, 0.75f);
    for (int y = 0; y < img.rows; ++y) {
        auto* p = img.ptr<cv::Vec3f>(y);
        for (int x = 0; x < img.cols; ++x) {
            const float d = std::hypot(x - 400.0f * S, y - 470.0f * S) / (420.0f * S);
            p[x] += cv::Vec3f(60, 140, 255) * 0.5f * std::exp(-d * d * 2.5f);
        }
    }
    // Two rows of towers with lit windows.
    for (int layer = 0; layer < 2; ++layer) {
        const cv::Vec3f body = layer == 0 ? cv::Vec3f(95, 70, 70) : cv::Vec3f(55, 38, 40);
        for (float x = -20; x < W; x += rng.uniform(50.0f, 95.0f)) {
            const float w = rng.uniform(45.0f, 90.0f), top = layer == 0 ? rng.uniform(180.0f, 330.0f) : rng.uniform(300.0f, 430.0f);
            cv::Mat m = Mask(img);
            cv::rectangle(m, P(x, top), P(x + w, H), cv::Scalar(255), cv::FILLED);
            PaintFlat(img, m, body, 1);
            for (float wy = top + 10; wy < H - 10; wy += 16)
                for (float wx = x + 6; wx < x + w - 8; wx += 12)
                    if (rng.uniform(0.0f, 1.0f) < (layer == 0 ? 0.25f : 0.4f)) {
                        cv::Mat win = Mask(img);
                        cv::rectangle(win, P(wx, wy), P(wx + 5, wy + 8), cv::Scalar(255), cv::FILLED);
                        PaintFlat(img, win, cv::Vec3f(110, 210, 250) * rng.uniform(0.7f, 1.0f), 0);
                    }
        }
    }

    const cv::Rect2f face(343, 150, 114, 114);
    const float cx = face.x + face.width / 2;
    const cv::Vec3f suit(170, 70, 30), cape(35, 30, 185), gold(40, 200, 250);
    // Cape behind the shoulders, billowing to the right.
    const cv::Mat capeMask = Poly(img, {{cx - 150, 330}, {cx + 150, 330}, {cx + 330, 600}, {cx - 260, 600}});
    cv::Mat capeColour(img.size(), CV_32FC3, cv::Scalar(cape));
    const cv::Mat folds = Noise(rng, img.size(), 14);
    for (int y = 0; y < img.rows; ++y) {
        auto* p = capeColour.ptr<cv::Vec3f>(y);
        for (int x = 0; x < img.cols; ++x) p[x] *= 0.75f + 0.25f * std::sin(x / (18.0f * S) + 3 * folds.at<float>(y, x));
    }
    Paint(img, capeMask, capeColour);
    // Torso and arms in the suit, shaded as bulging muscle.
    const cv::Mat torso = Poly(img, {{cx - 175, 600}, {cx - 185, 380}, {cx - 130, 320}, {cx - 45, 300}, {cx + 45, 300},
                                     {cx + 130, 320}, {cx + 185, 380}, {cx + 175, 600}});
    Paint(img, torso, Shaded(img.size(), suit, Sc(cv::Point2f(cx, 460)), Sz(cv::Size2f(220, 220)), 0.5f, 0.15f, 20));
    for (float side : {-1.0f, 1.0f}) {
        const cv::Point2f sh(cx + side * 135, 365), pec(cx + side * 62, 400);
        Paint(img, Ellipse(img, sh, cv::Size2f(58, 46)), Shaded(img.size(), suit, Sc(sh), Sz(cv::Size2f(70, 60)), 0.55f, 0.15f, 20), 6);
        Paint(img, Ellipse(img, pec, cv::Size2f(62, 40)), Shaded(img.size(), suit, Sc(pec), Sz(cv::Size2f(80, 60)), 0.6f, 0.12f, 20), 8);
    }
    // Belt and the emblem: a lightning bolt in a ring.
    cv::Mat belt = Mask(img);
    cv::rectangle(belt, P(cx - 170, 560), P(cx + 170, 585), cv::Scalar(255), cv::FILLED);
    Paint(img, belt, Shaded(img.size(), gold, Sc(cv::Point2f(cx, 572)), Sz(cv::Size2f(170, 14)), 0.5f, 0.6f, 30));
    const cv::Point2f em(cx, 420);
    Paint(img, Ellipse(img, em, cv::Size2f(44, 44)), Shaded(img.size(), gold, Sc(em), Sz(cv::Size2f(44, 44)), 0.45f, 0.6f, 30));
    PaintFlat(img, Ellipse(img, em, cv::Size2f(36, 36)), cape * 0.9f);
    Paint(img, Poly(img, {{cx + 8, 390}, {cx - 16, 424}, {cx - 1, 424}, {cx - 9, 452}, {cx + 17, 414}, {cx + 2, 414}}),
          Shaded(img.size(), gold, Sc(em), Sz(cv::Size2f(30, 30)), 0.5f, 0.6f, 30));
    // Collar of the cape.
    for (float side : {-1.0f, 1.0f})
        Paint(img, Poly(img, {{cx + side * 40, 300}, {cx + side * 120, 318}, {cx + side * 85, 270}}),
              Shaded(img.size(), cape * 1.1f, Sc(cv::Point2f(cx + side * 85, 300)), Sz(cv::Size2f(50, 30)), 0.4f, 0.3f, 20));

    const cv::Vec3f skin(120, 155, 210);
    PaintHead(img, face, skin, true);
    // Short dark hair over the forehead, swept to one side.
    const cv::Mat hair = Poly(img, {{cx - 66, 190}, {cx - 70, 140}, {cx - 40, 95}, {cx + 10, 82}, {cx + 55, 95}, {cx + 72, 135},
                                    {cx + 66, 180}, {cx + 50, 140}, {cx + 10, 130}, {cx - 30, 142}, {cx - 55, 165}});
    cv::Mat hairColour = Shaded(img.size(), cv::Vec3f(30, 35, 45), Sc(cv::Point2f(cx, 120)), Sz(cv::Size2f(75, 50)), 0.5f, 0.4f, 15);
    Texture(hairColour, Turbulence(rng, img.size(), 80, 2), 0.4f);
    Paint(img, hair, hairColour);
    return {Finish(img), face, 0};
}

// --- Portrait ----------------------------------------------------------------------------------

FacePicture DrawPortrait()
{
    constexpr int W = 600, H = 800;
    cv::RNG rng(1503);
    cv::Mat img = Canvas(W, H);
    // Dark umber ground with a lighter glow behind the sitter and a canvas weave.
    VerticalGradient(img, cv::Vec3f(40, 58, 62), cv::Vec3f(22, 30, 34));
    for (int y = 0; y < img.rows; ++y) {
        auto* p = img.ptr<cv::Vec3f>(y);
        for (int x = 0; x < img.cols; ++x) {
            const float d = std::hypot(x - 330.0f * S, y - 300.0f * S) / (300.0f * S);
            p[x] += cv::Vec3f(30, 55, 70) * std::exp(-d * d * 2);
        }
    }
    Texture(img, Turbulence(rng, img.size(), 16, 4), 0.25f);

    const cv::Rect2f face(228, 262, 140, 140);
    const float cx = face.x + face.width / 2;
    // Dark velvet doublet with sleeves.
    const cv::Mat body = Poly(img, {{cx - 230, 800}, {cx - 215, 560}, {cx - 150, 480}, {cx - 60, 455}, {cx + 60, 455},
                                    {cx + 150, 480}, {cx + 215, 560}, {cx + 230, 800}});
    cv::Mat velvet = Shaded(img.size(), cv::Vec3f(45, 28, 70), Sc(cv::Point2f(cx - 40, 600)), Sz(cv::Size2f(260, 260)), 0.35f, 0.15f, 8);
    Texture(velvet, Turbulence(rng, img.size(), 30, 3), 0.3f);
    Paint(img, body, velvet);
    // Gold chain across the chest.
    for (int k = 0; k < 26; ++k) {
        const float t = k / 25.0f;
        const cv::Point2f l(cx - 150 + 300 * t, 520 + 90 * std::sin(t * std::numbers::pi_v<float>));
        Paint(img, Ellipse(img, l, cv::Size2f(7, 5)), Shaded(img.size(), cv::Vec3f(40, 150, 210), Sc(l), Sz(cv::Size2f(7, 5)), 0.4f, 0.8f, 20), 1);
    }
    const cv::Vec3f skin(130, 165, 210);
    PaintHead(img, face, skin, true);
    // White ruff collar: a ring of folds under the chin.
    for (int k = 0; k < 28; ++k) {
        const float a = float(k) / 28 * 2 * std::numbers::pi_v<float>;
        const cv::Point2f f(cx + 105 * std::cos(a), 462 + 26 * std::sin(a));
        Paint(img, Ellipse(img, f, cv::Size2f(16, 20), a * 180 / std::numbers::pi_v<float>),
              Shaded(img.size(), cv::Vec3f(215, 225, 230), Sc(f), Sz(cv::Size2f(16, 20)), 0.55f, 0.2f, 10), 1);
    }
    // Auburn hair falling to the shoulders, and a dark beret.
    const cv::Mat hair = Poly(img, {{cx - 82, 400}, {cx - 96, 300}, {cx - 80, 230}, {cx - 40, 200}, {cx + 40, 200}, {cx + 80, 230},
                                    {cx + 96, 300}, {cx + 82, 400}, {cx + 68, 330}, {cx + 60, 262}, {cx - 60, 262}, {cx - 68, 330}});
    cv::Mat hairColour = Shaded(img.size(), cv::Vec3f(30, 55, 100), Sc(cv::Point2f(cx, 280)), Sz(cv::Size2f(100, 120)), 0.45f, 0.3f, 12);
    Texture(hairColour, Turbulence(rng, img.size(), 120, 2), 0.35f);
    Paint(img, hair, hairColour);
    const cv::Point2f beret(cx + 12, 218);
    Paint(img, Ellipse(img, beret, cv::Size2f(118, 42), -8),
          Shaded(img.size(), cv::Vec3f(30, 22, 28), Sc(beret), Sz(cv::Size2f(118, 42)), 0.4f, 0.25f, 10));

    // Old varnish: warm and a little dark at the edges.
    for (int y = 0; y < img.rows; ++y) {
        auto* p = img.ptr<cv::Vec3f>(y);
        for (int x = 0; x < img.cols; ++x) p[x] = cv::Vec3f(p[x][0] * 0.85f, p[x][1] * 0.97f, p[x][2] * 1.04f);
    }
    Vignette(img, 0.5f);

    // The carved gilt frame: a bevel lit from the upper left, beads along its inner edge.
    constexpr float F = 58;
    for (int y = 0; y < img.rows; ++y) {
        auto* p = img.ptr<cv::Vec3f>(y);
        for (int x = 0; x < img.cols; ++x) {
            const float fx = x / float(S), fy = y / float(S);
            const float d = std::min({fx, fy, W - fx, H - fy});
            if (d >= F) continue;
            // Which side the pixel belongs to decides the bevel's slope to the light.
            const float dl = fx, dt = fy, dr = W - fx, db = H - fy;
            float lightness = d == dl || d == dt ? 1.15f : 0.7f;
            const float t = d / F;
            const float profile = std::sin(t * std::numbers::pi_v<float> * 2.0f);
            lightness *= 0.75f + 0.35f * profile;
            (void)dr, (void)db;
            p[x] = cv::Vec3f(35, 140, 200) * lightness;
        }
    }
    const cv::Mat grain = Turbulence(rng, img.size(), 90, 2);
    cv::Mat frameMask = Mask(img);
    cv::rectangle(frameMask, cv::Rect(0, 0, img.cols, img.rows), cv::Scalar(255), int(F * S * 2));
    Texture(img, grain, 0.18f, frameMask);
    for (float t = 0; t < 1; t += 0.025f) {
        const float inset = F - 6;
        const cv::Point2f pts[4] = {{inset + t * (W - 2 * inset), inset}, {inset + t * (W - 2 * inset), H - inset},
                                    {inset, inset + t * (H - 2 * inset)}, {W - inset, inset + t * (H - 2 * inset)}};
        for (const auto& b : pts)
            Paint(img, Ellipse(img, b, cv::Size2f(4, 4)), Shaded(img.size(), cv::Vec3f(40, 160, 220), Sc(b), Sz(cv::Size2f(4, 4)), 0.4f, 0.8f, 20), 1);
    }
    return {Finish(img), face, 0};
}
