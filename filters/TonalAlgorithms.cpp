#include "filters/TonalAlgorithms.h"

#include "filters/FloatToInt.h"

#include "engine/ImageFilter.h"
#include "filters/SampleImage.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

using engine::CImageFilter;

namespace filters {

namespace {

// ---------------------------------------------------------------------------------------------
// EmbossRelief

void EmbossForward(cv::Mat& image, int d, const std::array<uchar, 511>& lut)
{
    const int W = image.cols, H = image.rows, cn = image.channels();
    // Columns whose neighbour lies inside the row; the rest compare with the last column.
    const int inner = std::max(W - d, 0) * cn;
    for (int y = 0; y < H; ++y) {
        uchar* row = image.ptr<uchar>(y);
        const uchar* next = image.ptr<uchar>(std::min(y + d, H - 1));
        // Every read lies at or after the value written (same row: d * cn ahead), so the
        // ascending loop never reads a rewritten value.
        const uchar* ahead = next + static_cast<size_t>(d) * cn;
        for (int i = 0; i < inner; ++i) row[i] = lut[row[i] - ahead[i] + 255];
        const uchar* last = next + static_cast<size_t>(W - 1) * cn;
        for (int i = inner; i < W * cn; ++i) row[i] = lut[row[i] - last[i % cn] + 255];
    }
}

void EmbossBackward(cv::Mat& image, int e, const std::array<uchar, 511>& lut)
{
    // The mirror image of the forward pass: neighbours up and to the left, so the loop runs
    // backwards to read them before they are rewritten.
    const int W = image.cols, H = image.rows, cn = image.channels();
    for (int y = H - 1; y >= 0; --y) {
        uchar* row = image.ptr<uchar>(y);
        const uchar* prev = image.ptr<uchar>(std::max(y - e, 0));
        for (int x = W - 1; x >= 0; --x) {
            const uchar* q = prev + static_cast<size_t>(std::max(x - e, 0)) * cn;
            uchar* p = row + static_cast<size_t>(x) * cn;
            for (int c = 0; c < cn; ++c) p[c] = lut[p[c] - q[c] + 255];
        }
    }
}

// ---------------------------------------------------------------------------------------------
// DrawEdgeLines

constexpr int kDirX[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int kDirY[8] = {-1, -1, 0, 1, 1, 1, 0, -1};

/** Thin edges: L gets 0 on a local maximum of the gradient along its direction, else 255. */
void SuppressNonMaxima(const cv::Mat& gx, const cv::Mat& gy, float threshold, cv::Mat& lines)
{
    const int W = gx.cols, H = gx.rows;
    const float r2 = std::sqrt(2.0f);
    const float bounds[4] = {-1 - r2, 1 - r2, r2 - 1, 1 + r2};
    cv::parallel_for_(cv::Range(0, H), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y) {
            // Rows y - 1, y and y + 1, clamped, indexed by dy + 1.
            const float* gxr[3] = {gx.ptr<float>(std::max(y - 1, 0)), gx.ptr<float>(y), gx.ptr<float>(std::min(y + 1, H - 1))};
            const float* gyr[3] = {gy.ptr<float>(std::max(y - 1, 0)), gy.ptr<float>(y), gy.ptr<float>(std::min(y + 1, H - 1))};
            uchar* out = lines.ptr<uchar>(y);
            for (int x = 0; x < W; ++x) {
                const float a = gxr[1][x], b = gyr[1][x];
                // Weak gradients are no edge whatever their neighbours: decide that first. A
                // pixel without any gradient has nothing to trace either.
                if (!(std::sqrt(a * a + b * b) >= threshold) || (a == 0 && b == 0)) {
                    out[x] = 255;
                    continue;
                }
                int dir;
                if (a == 0) {
                    dir = b > 0 ? 4 : 0;
                } else {
                    const float q = b / a;
                    int h = 4;
                    for (int k = 0; k < 4; ++k)
                        if (q < bounds[k]) {
                            h = k;
                            break;
                        }
                    dir = a < 0 ? (h + 4) % 8 : h;
                }
                const int dx = kDirX[dir], dy = kDirY[dir];
                const float m0 = a * dx + b * dy;
                const int xm = std::clamp(x - dx, 0, W - 1), xp = std::clamp(x + dx, 0, W - 1);
                const float mMinus = gxr[1 - dy][xm] * dx + gyr[1 - dy][xm] * dy;
                const float mPlus = gxr[1 + dy][xp] * dx + gyr[1 + dy][xp] * dy;
                out[x] = mMinus < m0 && mPlus < m0 ? 0 : 255;
            }
        }
    });
}

// ---------------------------------------------------------------------------------------------
// FocusBlur

/** Box half-size: trunc(v) within 0..limit; NaN (the focus column itself at zero spread) is 0. */
int HalfSize(float v, int limit)
{
    if (!(v > 0)) return 0;
    if (v >= static_cast<float>(limit)) return limit;
    return std::min(static_cast<int>(v), limit);
}

/**
 * The summed-area table in Sum: unsigned, so a box sum taken as a difference of wrapped
 * totals is still exact while the box itself sums to less than the type's range.
 */
template <class Sum>
void FocusBlurWith(const cv::Mat& S, float cx, float cy, float sx, float sy, cv::Mat& D)
{
    const int W = S.cols, H = S.rows;
    const size_t stride = (static_cast<size_t>(W) + 1) * 3;
    // Every entry is written below; only the zero border is set here (no pass over 100+ MB).
    std::unique_ptr<Sum[]> storage(new Sum[stride * (static_cast<size_t>(H) + 1)]);
    Sum* const table = storage.get();
    std::fill(table, table + stride, Sum(0));
    // Row sums in parallel, then the running sum down the columns; the stop flag is read
    // once a row (a row takes microseconds).
    cv::parallel_for_(cv::Range(0, H), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y) {
            const uchar* s = S.ptr<uchar>(y);
            Sum* cur = table + static_cast<size_t>(y + 1) * stride + 3;
            cur[-3] = cur[-2] = cur[-1] = 0;
            Sum run[3] = {0, 0, 0};
            for (int x = 0; x < W; ++x)
                for (int c = 0; c < 3; ++c) cur[3 * x + c] = run[c] += s[3 * x + c];
        }
    });
    for (int y = 1; y < H; ++y) {
        if (CImageFilter::StopRequested()) return;
        const Sum* above = table + static_cast<size_t>(y) * stride;
        Sum* cur = table + static_cast<size_t>(y + 1) * stride;
        for (size_t i = 3; i < stride; ++i) cur[i] += above[i];
    }

    std::vector<float> dxs(W);
    for (int x = 0; x < W; ++x) dxs[x] = (static_cast<float>(x) / static_cast<float>(W) - cx) / sx;
    const float fW = static_cast<float>(W), fH = static_cast<float>(H);
    const std::atomic<bool>& stop = CImageFilter::StopFlag();
    cv::parallel_for_(cv::Range(0, H), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y) {
            const float dy = (static_cast<float>(y) / fH - cy) / sy;
            uchar* d = D.ptr<uchar>(y);
            // Neighbouring pixels mostly share their box size: keep the last reciprocal.
            double count = 0, inv = 0;
            for (int x = 0; x < W; ++x) {
                if (stop.load(std::memory_order_relaxed)) return;
                const float e = std::sqrt(dxs[x] * dxs[x] + dy * dy);
                const float k = e * 0.02f;
                const int rx = HalfSize(fW * k, W), ry = HalfSize(fH * k, H);
                const int x0 = std::max(x - rx, 0), x1 = std::min(x + rx, W - 1);
                const int y0 = std::max(y - ry, 0), y1 = std::min(y + ry, H - 1);
                if (x0 == x1 && y0 == y1) {
                    const uchar* s = S.ptr<uchar>(y) + 3 * static_cast<size_t>(x);
                    d[3 * x] = s[0], d[3 * x + 1] = s[1], d[3 * x + 2] = s[2];
                    continue;
                }
                const Sum* top = table + static_cast<size_t>(y0) * stride;
                const Sum* bottom = table + static_cast<size_t>(y1 + 1) * stride;
                const size_t l = static_cast<size_t>(x0) * 3, r = static_cast<size_t>(x1 + 1) * 3;
                // Mean = sum / count, truncated. The mean is at most 255 and its fraction, when
                // there is one, at least 1 / count (> 1e-9 for any image we load), so a double
                // product with the reciprocal plus 2^-34 floors to the exact integer quotient.
                const double n = static_cast<double>(x1 - x0 + 1) * static_cast<double>(y1 - y0 + 1);
                if (n != count) count = n, inv = 1.0 / n;
                for (int c = 0; c < 3; ++c) {
                    const Sum sum = bottom[r + c] - top[r + c] - bottom[l + c] + top[l + c];
                    const int mean = static_cast<int>(static_cast<double>(sum) * inv + 0x1p-34);
                    d[3 * x + c] = static_cast<uchar>(std::min(mean, 255));
                }
            }
        }
    });
}

}  // namespace

void EmbossRelief(cv::Mat& image, int d, int bias)
{
    if (image.empty() || image.dims != 2 || image.depth() != CV_8U) return;
    // Offsets beyond the image reach the clamped border anyway; limiting them keeps x + d
    // from overflowing.
    const int reach = std::max(image.cols, image.rows);
    d = std::clamp(d, -reach, reach);
    // p - q lies in -255..255, so a bias outside -256..511 clamps every value the same way.
    bias = std::clamp(bias, -256, 511);
    std::array<uchar, 511> lut;
    for (int i = 0; i < 511; ++i) lut[i] = static_cast<uchar>(std::clamp(i - 255 + bias, 0, 255));
    if (d >= 0) EmbossForward(image, d, lut);
    else EmbossBackward(image, -d, lut);
}

void DrawEdgeLines(cv::Mat& image, float sigma, int threshold)
{
    if (image.empty() || image.type() != CV_8UC3) return;
    const float s2 = sigma * sigma;
    if (!(s2 > 0) || !std::isfinite(s2)) return;

    float g[11][11];
    float G = 0;
    for (int i = -5; i <= 5; ++i)
        for (int j = -5; j <= 5; ++j) {
            g[i + 5][j + 5] = std::exp(-static_cast<float>(i * i + j * j) / s2);
            G += g[i + 5][j + 5];
        }
    cv::Mat kx(11, 11, CV_32F), ky(11, 11, CV_32F);
    for (int i = -5; i <= 5; ++i)
        for (int j = -5; j <= 5; ++j) {
            kx.at<float>(i + 5, j + 5) = g[i + 5][j + 5] * static_cast<float>(-2 * j) / s2 / G;
            ky.at<float>(i + 5, j + 5) = g[i + 5][j + 5] * static_cast<float>(-2 * i) / s2 / G;
        }

    const int W = image.cols, H = image.rows;
    cv::Mat intensity(H, W, CV_32F);
    for (int y = 0; y < H; ++y) {
        const uchar* p = image.ptr<uchar>(y);
        float* q = intensity.ptr<float>(y);
        for (int x = 0; x < W; ++x) q[x] = static_cast<float>(p[3 * x] + p[3 * x + 1] + p[3 * x + 2]);
    }
    cv::Mat gx, gy;
    cv::filter2D(intensity, gx, CV_32F, kx, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
    cv::filter2D(intensity, gy, CV_32F, ky, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);

    cv::Mat lines(H, W, CV_8U);
    SuppressNonMaxima(gx, gy, static_cast<float>(threshold), lines);

    // Soften the one-pixel lines into a dark stroke with a light halo.
    const float soft[9] = {20, 60, 20, 60, 255, 60, 20, 60, 20};
    cv::Mat blur(3, 3, CV_32F);
    for (int i = 0; i < 9; ++i) blur.at<float>(i / 3, i % 3) = soft[i] / 255.0f;
    cv::bitwise_not(lines, lines);
    cv::filter2D(lines, lines, CV_8U, blur, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
    cv::bitwise_not(lines, lines);

    for (int y = 0; y < H; ++y) {
        uchar* p = image.ptr<uchar>(y);
        const uchar* l = lines.ptr<uchar>(y);
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < 3; ++c) p[3 * x + c] = static_cast<uchar>((p[3 * x + c] * l[x] + 127) / 255);
    }
}

void FocusBlur(const cv::Mat& source, const cv::Rect2f* region, cv::Mat& dest)
{
    if (source.empty() || source.type() != CV_8UC3) {
        if (!dest.empty()) dest.setTo(cv::Scalar::all(0));
        return;
    }
    if (dest.size() != source.size() || dest.type() != CV_8UC3) dest.create(source.size(), CV_8UC3);
    dest.setTo(cv::Scalar::all(0));

    float cx = 0.5f, cy = 0.5f, sx = 1, sy = 1;
    if (region && (region->x != 0 || region->y != 0 || region->width != 0 || region->height != 0)) {
        cx = region->x + region->width * 0.5f;
        cy = region->y + region->height * 0.5f;
        sx = region->width * 4;
        sy = region->height * 4;
    }
    // 32-bit sums hold any box of an image up to 2^32 / 255 pixels (16.8 MP).
    const std::uint64_t pixels = static_cast<std::uint64_t>(source.cols) * static_cast<std::uint64_t>(source.rows);
    if (pixels * 255 < (std::uint64_t(1) << 32)) FocusBlurWith<std::uint32_t>(source, cx, cy, sx, sy, dest);
    else FocusBlurWith<std::uint64_t>(source, cx, cy, sx, sy, dest);
}

void EmbossGrid(cv::Mat& image, int n, int a)
{
    if (image.empty() || image.type() != CV_8UC3 || n < 1) return;
    const int W = image.cols, H = image.rows;
    int mw = W, mh = H;
    if (W > 1024 || H > 1024) {
        const double f = std::min(1024.0 / W, 1024.0 / H);
        mw = std::max(1, static_cast<int>(std::lround(W * f)));
        mh = std::max(1, static_cast<int>(std::lround(H * f)));
    }

    cv::Mat map = cv::Mat::zeros(mh, mw, CV_32F);
    const float amp = static_cast<float>(a);
    for (int r = 0; r < mh; ++r) {
        float* m = map.ptr<float>(r);
        const int rowPhase = r % n;
        for (int c = 0; c < mw; ++c) {
            int rho;
            if (rowPhase > n - 4) rho = rowPhase;
            else if (c % n > n - 4) rho = c % n;
            else continue;
            m[c] = rho == n - 3 ? -amp : rho == n - 1 ? amp : 0.0f;
        }
    }

    // SampleImage(map, x / W, y / H) with its arithmetic split into a column part and a row
    // part computed once each; the per-pixel arithmetic is the sampler's, operation for
    // operation, so the values are the same.
    struct Tap {
        int a, b;
        float f;
    };
    auto taps = [](int count, int mapSize) {
        std::vector<Tap> t(count);
        for (int i = 0; i < count; ++i) {
            float u = static_cast<float>(i) / static_cast<float>(count);
            u = u * static_cast<float>(mapSize) - 0.5f;
            const float fu = std::floor(u);
            const int i0 = static_cast<int>(fu);
            t[i] = {std::clamp(i0, 0, mapSize - 1), std::clamp(i0 + 1, 0, mapSize - 1), u - fu};
        }
        return t;
    };
    const std::vector<Tap> cols = taps(W, mw), rows = taps(H, mh);

    cv::parallel_for_(cv::Range(0, H), [&](const cv::Range& range) {
        for (int y = range.start; y < range.end; ++y) {
            const Tap& ty = rows[y];
            const float* ra = map.ptr<float>(ty.a);
            const float* rb = map.ptr<float>(ty.b);
            const float fy = ty.f;
            uchar* p = image.ptr<uchar>(y);
            for (int x = 0; x < W; ++x) {
                const Tap& tx = cols[x];
                const float fx = tx.f;
                const float c01 = rb[tx.a], c10 = ra[tx.b];
                float d;
                if (fx + fy <= 1) {
                    const float c00 = ra[tx.a];
                    d = c00 + fy * (c01 - c00) + fx * (c10 - c00);
                } else {
                    const float c11 = rb[tx.b];
                    d = c11 + (1 - fy) * (c10 - c11) + (1 - fx) * (c01 - c11);
                }
                if (d == 0) continue;
                for (int c = 0; c < 3; ++c) {
                    const float v = static_cast<float>(p[3 * x + c]) + d;
                    p[3 * x + c] = static_cast<uchar>(v <= 0 ? 0 : v >= 255 ? 255 : static_cast<int>(v));
                }
            }
        }
    });
}

void PixelateRegion(const cv::Rect2f& R, cv::Mat& image, float cellFraction)
{
    if (image.empty() || image.type() != CV_8UC3 || !(cellFraction > 0)) return;
    if (std::isnan(R.x) || std::isnan(R.y) || std::isnan(R.width) || std::isnan(R.height)) return;
    const int W = image.cols, H = image.rows;
    const float fW = static_cast<float>(W), fH = static_cast<float>(H);

    // A cell larger than the image is one cell, so the size can be limited to the image.
    const int n = std::max(1, TruncInto(cellFraction * std::min(fH * R.height, fW * R.width), 1, std::max(W, H)));

    int x0 = 0, y0 = 0, x1 = W, y1 = H;
    if (!(R.x < 0 || R.y < 0 || R.width < 0 || R.height < 0)) {
        x0 = TruncInto(R.x * fW, 0, W);
        y0 = TruncInto(R.y * fH, 0, H);
        x1 = std::min(TruncInto(fW * R.width, 0, W) + x0, W);
        y1 = std::min(TruncInto(fH * R.height, 0, H) + y0, H);
    }
    if (x0 >= x1 || y0 >= y1) return;

    const int bands = (y1 - y0 + n - 1) / n;
    cv::parallel_for_(cv::Range(0, bands), [&](const cv::Range& range) {
        for (int band = range.start; band < range.end; ++band) {
            const int by = y0 + band * n, ey = std::min(by + n, y1);
            for (int cx = x0; cx < x1;) {
                // Cells are aligned to the image's columns, so the first one may be narrow.
                const int ex = std::min((cx / n + 1) * n, x1);
                std::int64_t sum[3] = {0, 0, 0};
                for (int y = by; y < ey; ++y) {
                    const uchar* p = image.ptr<uchar>(y) + static_cast<size_t>(cx) * 3;
                    for (int x = cx; x < ex; ++x, p += 3) {
                        sum[0] += p[0];
                        sum[1] += p[1];
                        sum[2] += p[2];
                    }
                }
                const std::int64_t count = static_cast<std::int64_t>(ex - cx) * (ey - by);
                uchar mean[3];
                for (int c = 0; c < 3; ++c) mean[c] = static_cast<uchar>(std::min<std::int64_t>(sum[c] / count, 255));
                for (int y = by; y < ey; ++y) {
                    uchar* p = image.ptr<uchar>(y) + static_cast<size_t>(cx) * 3;
                    for (int x = cx; x < ex; ++x, p += 3) {
                        p[0] = mean[0];
                        p[1] = mean[1];
                        p[2] = mean[2];
                    }
                }
                cx = ex;
            }
        }
    });
}

}  // namespace filters
