#include "filters/WeatherAlgorithms.h"

#include "filters/FloatToInt.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace filters {

namespace {

/** A random coordinate 0..size-1 from one draw. */
int RandomCoordinate(platform::Rand15& rng, int size)
{
    return static_cast<int>(static_cast<std::int64_t>(rng()) * size / 32768);
}

int LimitCount(int count, const cv::Mat& image)
{
    const std::int64_t pixels = static_cast<std::int64_t>(image.cols) * image.rows;
    return static_cast<int>(std::clamp<std::int64_t>(count, 0, pixels));
}

/** 2^ceil(log x / log 2) in single precision, as the field's sizes are defined. */
int PowerOfTwoAtLeast(int x)
{
    const float e = std::ceil(std::log(static_cast<float>(x)) / std::log(2.0f));
    return static_cast<int>(std::pow(2.0f, std::max(e, 0.0f)));
}

/**
 * The unscaled inverse transform of an Mw x Mh spectrum that is zero except for the four
 * quadrants of `small` (Gx x Gy) in its corners: zero-padding the spectrum interpolates the
 * grid it came from. Only the first `columns` columns of the result are made, returned
 * transposed (row x of the result is column x of the field).
 *
 * This is the two-dimensional transform done as the library does it, rows then columns,
 * minus the work on zeros: the row pass runs on the Gy rows that hold anything (the others
 * stay zero) and the column pass on the columns that are kept. Each pass is the library's
 * own one-dimensional transform, so the values are those of the full transform, bit for bit.
 */
cv::Mat InverseOfCorners(const cv::Mat& small, int Mw, int Mh, int columns)
{
    const int Gx = small.cols, Gy = small.rows, hx = Gx / 2, hy = Gy / 2;
    cv::Mat transposed = cv::Mat::zeros(columns, Mh, CV_32FC2);
    if (hx == 0 || hy == 0) return transposed;  // a one-sample grid has no quadrants

    cv::Mat rows = cv::Mat::zeros(2 * hy, Mw, CV_32FC2);
    small(cv::Rect(0, 0, hx, hy)).copyTo(rows(cv::Rect(0, 0, hx, hy)));
    small(cv::Rect(hx, 0, hx, hy)).copyTo(rows(cv::Rect(Mw - hx, 0, hx, hy)));
    small(cv::Rect(0, hy, hx, hy)).copyTo(rows(cv::Rect(0, hy, hx, hy)));
    small(cv::Rect(hx, hy, hx, hy)).copyTo(rows(cv::Rect(Mw - hx, hy, hx, hy)));
    cv::dft(rows, rows, cv::DFT_INVERSE | cv::DFT_ROWS);

    // The first hy rows of the spectrum are rows 0.., the last hy rows Mh - hy...
    for (int k = 0; k < 2 * hy; ++k) {
        const int r = k < hy ? k : Mh - 2 * hy + k;
        const cv::Vec2f* src = rows.ptr<cv::Vec2f>(k);
        for (int x = 0; x < columns; ++x) transposed.ptr<cv::Vec2f>(x)[r] = src[x];
    }
    cv::parallel_for_(cv::Range(0, columns), [&](const cv::Range& part) {
        cv::Mat block = transposed.rowRange(part.start, part.end);
        cv::dft(block, block, cv::DFT_INVERSE | cv::DFT_ROWS);
    });
    return transposed;
}

constexpr int kMaxNoiseSide = 4096;
constexpr int kMaxNoiseSamples = 1 << 24;

}  // namespace

void DrawRainStreaks(const cv::Mat& source, int count, cv::Mat& dest, float shortest, float longest,
                     platform::Rand15& rng)
{
    if (source.empty() || source.type() != CV_8UC3) return;
    if (dest.empty() || dest.type() != CV_8UC3) dest.create(source.size(), CV_8UC3);
    cv::resize(source, dest, dest.size(), 0, 0, cv::INTER_LINEAR);
    const int W = dest.cols, H = dest.rows;
    count = LimitCount(count, dest);

    std::array<uchar, 256> brighten;
    for (int v = 0; v < 256; ++v) brighten[v] = static_cast<uchar>(255 - (255 - v) / 1.1);

    const float s = std::sqrt(1.04f);
    const float span = longest - shortest;
    // After 64 brightenings on average every pixel is white (255 - 255 / 1.1^58 >= 254.5);
    // the rest of an absurd number of streaks would only take time.
    std::int64_t budget = 64 * static_cast<std::int64_t>(W) * H;
    for (int n = 0; n < count && budget > 0; ++n) {
        const int x0 = RandomCoordinate(rng, W);
        const int y0 = RandomCoordinate(rng, H);
        const float lf = static_cast<float>(rng()) / 32767.0f * span + shortest;
        const int L = TruncInto(lf, -(1 << 30), 1 << 30);
        if (L <= 0) continue;
        // Only steps whose row can fall inside the image matter; the rest would be skipped
        // one by one, which for a huge half-length takes forever.
        const double lo = std::floor((-1.0 - y0) * s) - 2, hi = std::ceil((H - y0) * static_cast<double>(s)) + 2;
        const int t0 = static_cast<int>(std::max<double>(-L, lo));
        const int t1 = static_cast<int>(std::min<double>(L - 1, hi));
        budget -= std::max(t1 - t0 + 1, 0);
        for (int t = t0; t <= t1; ++t) {
            const float ft = static_cast<float>(t);
            const int px = static_cast<int>(static_cast<float>(x0) - 0.2f * ft / s);
            const int py = static_cast<int>(static_cast<float>(y0) + ft / s);
            if (px < 0 || px >= W || py < 0 || py >= H) continue;
            uchar* p = dest.ptr<uchar>(py) + static_cast<size_t>(px) * 3;
            p[0] = brighten[p[0]];
            p[1] = brighten[p[1]];
            p[2] = brighten[p[2]];
        }
    }
}

void DrawSnowflakes(cv::Mat& image, int count, float sharpness, platform::Rand15& rng)
{
    if (image.empty() || image.type() != CV_8UC3) return;
    const int W = image.cols, H = image.rows;
    count = LimitCount(count, image);
    if (count == 0) return;
    const int rho = static_cast<int>(static_cast<std::int64_t>(std::min(W, H)) * 25 / 767);
    const std::int64_t rho2 = static_cast<std::int64_t>(rho) * rho;

    // One brightening table per distinct squared distance; offsets whose table changes no
    // value (weights too small to lift a value by one) are left out of the stamp.
    struct Tap {
        int dx;
        int table;
    };
    std::vector<std::vector<Tap>> rows(2 * static_cast<size_t>(rho) + 1);
    std::vector<int> tableOfQ(static_cast<size_t>(rho2) + 1, -2);
    std::vector<std::array<uchar, 256>> tables;
    for (int dy = -rho; dy <= rho; ++dy)
        for (int dx = -rho; dx <= rho; ++dx) {
            const std::int64_t q = static_cast<std::int64_t>(dx) * dx + static_cast<std::int64_t>(dy) * dy;
            if (q > rho2) continue;  // weight 0
            int& t = tableOfQ[static_cast<size_t>(q)];
            if (t == -2) {
                // A radius of 0 has no falloff: the one-pixel flake is white.
                const float weight = rho == 0 ? 1.0f
                                              : std::exp(-static_cast<float>(q) / static_cast<float>(rho2) /
                                                         sharpness / sharpness);
                std::array<uchar, 256> lut;
                bool identity = true;
                for (int v = 0; v < 256; ++v) {
                    const float nv = 255.0f - (255.0f - static_cast<float>(v)) * (1.0f - weight);
                    lut[v] = static_cast<uchar>(TruncInto(nv, 0, 255));
                    identity = identity && lut[v] == v;
                }
                if (identity) {
                    t = -1;
                } else {
                    t = static_cast<int>(tables.size());
                    tables.push_back(lut);
                }
            }
            if (t >= 0) rows[static_cast<size_t>(dy + rho)].push_back({dx, t});
        }

    for (int n = 0; n < count; ++n) {
        const int x0 = RandomCoordinate(rng, W);
        const int y0 = RandomCoordinate(rng, H);
        for (int dy = -rho; dy <= rho; ++dy) {
            const int y = y0 + dy;
            if (y < 0 || y >= H) continue;
            uchar* row = image.ptr<uchar>(y);
            for (const Tap& tap : rows[static_cast<size_t>(dy + rho)]) {
                const int x = x0 + tap.dx;
                if (x < 0 || x >= W) continue;
                const std::array<uchar, 256>& lut = tables[static_cast<size_t>(tap.table)];
                uchar* p = row + static_cast<size_t>(x) * 3;
                p[0] = lut[p[0]];
                p[1] = lut[p[1]];
                p[2] = lut[p[2]];
            }
        }
    }
}

void MakeSmoothNoise(cv::Mat& field, int across, int down, platform::Rand15& rng)
{
    if (field.empty() || field.type() != CV_32FC1) return;
    if (field.cols > kMaxNoiseSide || field.rows > kMaxNoiseSide) {
        const double f = std::min(double(kMaxNoiseSide) / field.cols, double(kMaxNoiseSide) / field.rows);
        cv::Mat smaller(std::max(1, int(field.rows * f)), std::max(1, int(field.cols * f)), CV_32FC1);
        MakeSmoothNoise(smaller, across, down, rng);
        cv::resize(smaller, field, field.size(), 0, 0, cv::INTER_LINEAR);
        return;
    }
    const int a = std::clamp(across, 1, kMaxNoiseSamples), b = std::clamp(down, 1, kMaxNoiseSamples);
    const int W = field.cols, H = field.rows;
    const int Mw = PowerOfTwoAtLeast(W), Mh = PowerOfTwoAtLeast(H);
    int Gx = PowerOfTwoAtLeast(a), Gy = PowerOfTwoAtLeast(b);
    if (Gx >= Mw) Gx = Mw / 2;
    if (Gy >= Mh) Gy = Mh / 2;
    // A one-pixel side has Mw = 1 and so no room for a grid; keep one sample.
    Gx = std::max(Gx, 1);
    Gy = std::max(Gy, 1);

    cv::Mat grid = cv::Mat::zeros(Gy, Gx, CV_32FC2);
    for (int x = 0; x < Gx; ++x)
        for (int y = 0; y < Gy; ++y) grid.at<cv::Vec2f>(y, x)[0] = static_cast<float>(rng()) / 32767.0f;
    cv::Mat small;
    cv::dft(grid, small, cv::DFT_COMPLEX_OUTPUT);

    const float ka = std::min(static_cast<float>(a) / static_cast<float>(Gx), 1.0f);
    const float kb = std::min(static_cast<float>(b) / static_cast<float>(Gy), 1.0f);
    const int cw = std::clamp(static_cast<int>(ka * static_cast<float>(Mw)), 1, Mw);
    const int ch = std::clamp(static_cast<int>(kb * static_cast<float>(Mh)), 1, Mh);
    const cv::Mat smooth = InverseOfCorners(small, Mw, Mh, cw);

    cv::Mat real(ch, cw, CV_32FC1);
    const float scale = 1.0f / static_cast<float>(Gx * Gy);
    cv::parallel_for_(cv::Range(0, cw), [&](const cv::Range& cols) {
        for (int x = cols.start; x < cols.end; ++x) {
            const cv::Vec2f* s = smooth.ptr<cv::Vec2f>(x);
            for (int y = 0; y < ch; ++y) real.ptr<float>(y)[x] = s[y][0] * scale;
        }
    });
    cv::resize(real, field, field.size(), 0, 0, cv::INTER_LINEAR);
}

void ShadeMistDroplets(const cv::Mat& field, cv::Mat& dest, const cv::Mat& source)
{
    if (source.empty() || source.type() != CV_8UC3) return;
    if (dest.size() != source.size() || dest.type() != CV_8UC3) dest.create(source.size(), CV_8UC3);
    if (field.size() != source.size() || field.type() != CV_32FC1) {
        source.copyTo(dest);
        return;
    }
    const int W = source.cols, H = source.rows;
    const float fH = static_cast<float>(H);
    const float iz = 1.0f / fH;
    const float ln = 1.0f / std::sqrt(1.5f);
    const float lx = -0.5f * ln, ly = -0.5f * ln, lz = 1.0f * ln;
    cv::parallel_for_(cv::Range(0, H), [&](const cv::Range& range) {
        for (int y = range.start; y < range.end; ++y) {
            const float* n0 = field.ptr<float>(y);
            const float* n1 = field.ptr<float>(std::min(y + 1, H - 1));
            uchar* d = dest.ptr<uchar>(y);
            for (int x = 0; x < W; ++x) {
                const float h = n0[x];
                const uchar* s = source.ptr<uchar>(y) + static_cast<size_t>(x) * 3;
                // Only bumps above 0.8 are droplets. At exactly 0.8 the droplet's slope scale
                // 1 / (2 sqrt(0)) is infinite; the rim of a droplet is taken as clear glass.
                if (!(h > 0.8f)) {
                    d[3 * x] = s[0];
                    d[3 * x + 1] = s[1];
                    d[3 * x + 2] = s[2];
                    continue;
                }
                const float k = 1.0f / (2.0f * std::sqrt(200.0f * (h - 0.8f)));
                const float gx = (h - n0[std::min(x + 1, W - 1)]) * k;
                const float gy = (h - n1[x]) * k;
                const float len = std::sqrt(gx * gx + gy * gy + iz * iz);
                const float nx = gx / len, ny = gy / len, nz = iz / len;
                const float f = std::min(std::fabs(1.5f * (nx * lx + ny * ly + nz * lz)), 1.0f);
                const float wx = 0.75f * (0.0f - nz * nx), wy = 0.75f * (0.0f - nz * ny), wz = 0.75f * (1.0f - nz * nz);
                const float root = std::sqrt(1.0f - (wx * wx + wy * wy + wz * wz));
                const float tx = wx + root * nx, ty = wy + root * ny, tz = wz + root * nz;
                const float lift = std::sqrt(h - 0.8f);
                const float ex = tx / tz * lift, ey = ty / tz * lift;
                const int row = TruncInto(fH * ex + static_cast<float>(y), 0, H - 1);
                const int col = TruncInto(fH * ey + static_cast<float>(x), 0, W - 1);
                const uchar* q = source.ptr<uchar>(row) + static_cast<size_t>(col) * 3;
                for (int c = 0; c < 3; ++c) d[3 * x + c] = static_cast<uchar>(TruncInto(static_cast<float>(q[c]) * f, 0, 255));
            }
        }
    });
}

void RenderMistDroplets(int density, cv::Mat& dest, const cv::Mat& source, platform::Rand15& rng)
{
    if (!dest.empty()) dest.setTo(cv::Scalar::all(0));
    if (source.empty() || source.type() != CV_8UC3) return;
    if (density < 1) {
        source.copyTo(dest);
        return;
    }
    const int W = source.cols, H = source.rows;
    const std::int64_t across = static_cast<std::int64_t>(density) * W / H;
    cv::Mat field(source.size(), CV_32FC1);
    MakeSmoothNoise(field, static_cast<int>(std::min<std::int64_t>(across, kMaxNoiseSamples)), density, rng);
    ShadeMistDroplets(field, dest, source);
}

void RenderRipple(cv::Mat& dest, const cv::Mat& source, float a, float b, float c, cv::Vec3f light)
{
    if (source.empty() || source.type() != CV_8UC3) return;
    if (dest.size() != source.size() || dest.type() != CV_8UC3) dest.create(source.size(), CV_8UC3);
    const float ll = std::sqrt(light.dot(light));
    const cv::Vec3f L = ll > 0 ? light / ll : cv::Vec3f(0, 0, 1);
    const int W = source.cols, H = source.rows;
    const float m = static_cast<float>(std::min(W, H));
    const float fH = static_cast<float>(H);
    const int hw = W / 2, hh = H / 2;
    const float flatP = std::max(L[2], 0.2f);
    const int maxDy = std::max(hh, H - 1 - hh), maxDx = std::max(hw, W - 1 - hw);

    // The surface is symmetric: at (-x, y) the x slope, nx and the row offset change sign and
    // nothing else does, exactly (negation is exact in floating point); likewise for -y. So
    // the costly part (sine, cosine, square roots, divisions) is computed once for the four
    // pixels at (+-x, +-y) and only the lighting is done per pixel.
    struct Surface {
        float nx, ny, nz, Q, R;
    };
    cv::parallel_for_(cv::Range(0, maxDy + 1), [&](const cv::Range& range) {
        std::vector<Surface> surface(static_cast<size_t>(maxDx) + 1);
        for (int dy = range.start; dy < range.end; ++dy) {
            const float y = static_cast<float>(dy) / m;
            for (int dx = 0; dx <= maxDx; ++dx) {
                const float x = static_cast<float>(dx) / m;
                const float theta = (x * x + y * y) / a / a;
                const float k = -b * std::sin(theta) / a / a;
                const float py = 2 * y * k, px = 2 * x * k;
                const float len = std::sqrt(py * py + px * px + 1.0f);
                const float ny = py / len, nx = px / len, nz = 1.0f / len;
                const float I = c * (-ny * nz), J = c * (-nx * nz), K3 = c * (1 - nz * nz);
                const float q = std::sqrt(1 - (I * I + J * J + K3 * K3));
                const float den = K3 + nz * q;
                const float height = b * std::cos(theta);
                float Q = height * (J + q * nx) / den;
                float R = height * (I + q * ny) / den;
                // No surface (a = 0) or no refraction (beyond total reflection): flat water.
                if (!std::isfinite(Q) || !std::isfinite(R)) Q = R = 0;
                surface[static_cast<size_t>(dx)] = {nx, ny, nz, Q, R};
            }
            for (const int sy : {1, -1}) {
                const int i = hh + sy * dy;
                if (i < 0 || i >= H || (sy < 0 && dy == 0)) continue;
                uchar* d = dest.ptr<uchar>(i);
                for (int j = 0; j < W; ++j) {
                    const int sx = j < hw ? -1 : 1;
                    const Surface& f = surface[static_cast<size_t>(sx * (j - hw))];
                    const float nx = sx < 0 ? -f.nx : f.nx, ny = sy < 0 ? -f.ny : f.ny;
                    const float Q = sx < 0 ? -f.Q : f.Q, R = sy < 0 ? -f.R : f.R;
                    float P = nx * L[0] + ny * L[1] + f.nz * L[2];
                    P = std::isfinite(P) ? std::max(P, 0.2f) : flatP;
                    const float p2 = P * P, p4 = p2 * p2, p8 = p4 * p4, p16 = p8 * p8, p32 = p16 * p16, p64 = p32 * p32;
                    const float highlight = 100 * (p64 * p32 * p4);
                    const int row = TruncInto(Q * fH + static_cast<float>(i), 0, H - 1);
                    const int col = TruncInto(R * fH + static_cast<float>(j), 0, W - 1);
                    const uchar* s = source.ptr<uchar>(row) + static_cast<size_t>(col) * 3;
                    // P is finite and in 0.2..~1, the highlight in 0..~100: the value is a
                    // small non-negative number, so only the top needs clamping.
                    for (int ch = 0; ch < 3; ++ch)
                        d[3 * j + ch] = static_cast<uchar>(std::min(static_cast<int>(P * static_cast<float>(s[ch]) + highlight), 255));
                }
            }
        }
    });
}

}  // namespace filters
