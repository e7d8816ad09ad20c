#include "mesh3d/RenderMesh.h"

#include "filters/SampleImage.h"
#include "frames/RasterizeTriangle.h"
#include "mesh3d/TextureSampler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

using filters::SampleImage;
namespace raster = frames::raster;

namespace mesh3d {

namespace {

// Surfaces closer to the eye than this are cut away: the perspective divide would blow up.
constexpr double kNearZ = 1e-3;
// Triangles reaching farther than this from the picture are clipped so the rasteriser's
// fixed-point coordinates stay in range (it refuses anything beyond 2^20 pixels).
constexpr double kGuard = double(1 << 19);
// Attribute vector: 1 / z first, then light colour, texture coordinate and extra values.
constexpr int kMaxAttributes = 1 + 3 + 2 + mesh_format::MaxExtra;
// Many vertices are worth spreading over threads; a few thousand are not.
constexpr int kParallelVertices = 16384;

/** Where each processed component sits in the attribute vector (after 1 / z at 0). */
struct Layout {
    int light = -1, tex = -1, extra = -1, extraCount = 0;
    int count = 1;  ///< attributes including 1 / z
};

Layout MakeLayout(std::uint32_t processed)
{
    Layout l;
    if (processed & processed_format::Light) {
        l.light = l.count;
        l.count += 3;
    }
    if (processed & processed_format::TexCoord) {
        l.tex = l.count;
        l.count += 2;
    }
    if (processed & processed_format::Extra) {
        l.extraCount = processed_format::ExtraCount(processed);
        l.extra = l.count;
        l.count += l.extraCount;
    }
    return l;
}

/** Offsets of the components in a file vertex and a processed vertex. */
struct VertexOffsets {
    int position = -1, colour = -1, normal = -1, tex = -1, extra = -1, extraCount = 0;
    int outLight = -1, outTex = -1, outExtra = -1, outExtraCount = 0;
};

VertexOffsets MakeOffsets(std::uint32_t file, std::uint32_t processed)
{
    VertexOffsets o;
    int at = 0;
    if (file & mesh_format::Position) o.position = at, at += 3;
    if (file & mesh_format::Colour) o.colour = at, at += 3;
    if (file & mesh_format::Normal) o.normal = at, at += 3;
    if (file & mesh_format::TexCoord) o.tex = at, at += 2;
    if (file & mesh_format::Extra) o.extra = at, o.extraCount = mesh_format::FileExtraCount(file);
    at = 3;
    if (processed & processed_format::Light) o.outLight = at, at += 3;
    if (processed & processed_format::TexCoord) o.outTex = at, at += 2;
    if (processed & processed_format::Extra) o.outExtra = at, o.outExtraCount = processed_format::ExtraCount(processed);
    return o;
}

void RunVertexStage(const Mesh& mesh, int first, int last, const VertexOffsets& o, int inStride, int outStride,
                    float* cache)
{
    for (int i = first; i < last; ++i) {
        const float* v = mesh.vertices.data() + static_cast<std::size_t>(i) * inStride;
        float* c = cache + static_cast<std::size_t>(i) * outStride;
        VertexInput in;
        in.position = o.position >= 0 ? v + o.position : nullptr;
        in.colour = o.colour >= 0 ? v + o.colour : nullptr;
        in.normal = o.normal >= 0 ? v + o.normal : nullptr;
        in.texCoord = o.tex >= 0 ? v + o.tex : nullptr;
        in.extra = o.extra >= 0 ? v + o.extra : nullptr;
        in.extraCount = o.extraCount;
        VertexOutput out;
        out.screen = c;
        out.light = o.outLight >= 0 ? c + o.outLight : nullptr;
        out.texCoord = o.outTex >= 0 ? c + o.outTex : nullptr;
        out.extra = o.outExtra >= 0 ? c + o.outExtra : nullptr;
        out.extraCount = o.outExtraCount;
        if (mesh.vertexShader) mesh.vertexShader(mesh, in, out, mesh.shaderData);
        else DefaultVertexStage(mesh, in, out);
    }
}

/**
 * A double as a float, beyond the float range as infinity: a huge attribute of a mesh made in
 * code times 1 / z may exceed it, and converting such a value is undefined. Values in range
 * convert exactly as a plain cast does.
 */
inline float ToFloat(double v)
{
    constexpr double kMax = std::numeric_limits<float>::max();
    if (v > kMax) return std::numeric_limits<float>::infinity();
    if (v < -kMax) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(v);
}

/** Where the unit square lands on the target. */
struct Viewport {
    double cx = 0, cy = 0, s = 1;
};

/** A camera-space corner of a triangle being clipped, with its plain (not divided) attributes. */
struct ClipVertex {
    double q[3];  ///< (x / f, y / f, z): the screen position times z
    std::array<float, kMaxAttributes> a;
};

/** A triangle ready for the rasteriser, with the rows it may touch. */
template <int N>
struct RasterTriangle {
    raster::Vertex<N> v[3];
    int rowMin, rowMax;
};

template <int N>
class TriangleSetup {
public:
    TriangleSetup(const Viewport& vp, const Layout& layout, cv::Size target, std::vector<RasterTriangle<N>>& out)
        : vp_(vp), n_(layout.count), target_(target), out_(out)
    {
    }

    /** s: the three cached vertices (screen x, y, 1 / z followed by the attributes). */
    void Add(const float* const s[3], int cull)
    {
        double sx[3], sy[3], w[3];
        for (int k = 0; k < 3; ++k) {
            sx[k] = s[k][0];
            sy[k] = s[k][1];
            w[k] = s[k][2];
            if (!std::isfinite(sx[k]) || !std::isfinite(sy[k]) || !std::isfinite(w[k]) || w[k] == 0) return;
        }
        if (w[0] < 0 && w[1] < 0 && w[2] < 0) return;  // wholly behind the eye

        // Winding on the target: the sign of det(Q0, Q1, Q2) with Q = (x, y, 1) / w, the camera
        // point. For triangles in front of the eye this is the sign of the screen-space
        // cross product, and rows growing downward make a positive one counter-clockwise.
        // Unlike the screen cross product it stays right for triangles that reach behind the eye.
        double q[3][3];
        for (int k = 0; k < 3; ++k) {
            q[k][0] = sx[k] / w[k];
            q[k][1] = sy[k] / w[k];
            q[k][2] = 1.0 / w[k];
        }
        const double det = q[0][0] * (q[1][1] * q[2][2] - q[1][2] * q[2][1]) -
                           q[0][1] * (q[1][0] * q[2][2] - q[1][2] * q[2][0]) +
                           q[0][2] * (q[1][0] * q[2][1] - q[1][1] * q[2][0]);
        if (det == 0) return;
        if (cull == CullCounterClockwise && det > 0) return;
        if (cull == CullClockwise && det < 0) return;

        bool simple = true;
        double px[3], py[3];
        for (int k = 0; k < 3; ++k) {
            px[k] = vp_.cx + vp_.s * sx[k];
            py[k] = vp_.cy - vp_.s * sy[k];
            if (!(w[k] > 0) || w[k] > 1 / kNearZ || std::fabs(px[k]) > kGuard || std::fabs(py[k]) > kGuard) simple = false;
        }
        if (simple) {
            raster::Vertex<N> v[3];
            for (int k = 0; k < 3; ++k) {
                v[k].x = static_cast<float>(px[k]);
                v[k].y = static_cast<float>(py[k]);
                v[k].attr[0] = static_cast<float>(w[k]);
                for (int i = 1; i < n_; ++i) v[k].attr[i] = s[k][2 + i] * static_cast<float>(w[k]);
            }
            Emit(v[0], v[1], v[2]);
            return;
        }
        ClipVertex poly[3];
        for (int k = 0; k < 3; ++k) {
            for (int c = 0; c < 3; ++c) poly[k].q[c] = q[k][c];
            for (int i = 1; i < n_; ++i) poly[k].a[i] = s[k][2 + i];
        }
        Clip(poly);
    }

private:
    void Emit(const raster::Vertex<N>& a, const raster::Vertex<N>& b, const raster::Vertex<N>& c)
    {
        // Clipping keeps corners within the guard band, but a degenerate clip (a corner that
        // only just reaches past the near plane) may still divide out to inf or NaN. Such a
        // triangle has nothing to draw, and its bounds must not reach the int conversions
        // below; NaN fails these comparisons, so it is caught too.
        constexpr float kLimit = static_cast<float>(2 * kGuard);
        for (const raster::Vertex<N>* v : {&a, &b, &c})
            if (!(std::fabs(v->x) < kLimit && std::fabs(v->y) < kLimit)) return;
        const float minY = std::min({a.y, b.y, c.y}), maxY = std::max({a.y, b.y, c.y});
        const float minX = std::min({a.x, b.x, c.x}), maxX = std::max({a.x, b.x, c.x});
        if (maxY < 0 || maxX < 0 || minY > target_.height || minX > target_.width) return;
        RasterTriangle<N> t;
        t.v[0] = a;
        t.v[1] = b;
        t.v[2] = c;
        t.rowMin = std::max(0, static_cast<int>(std::floor(minY)) - 1);
        t.rowMax = std::min(target_.height - 1, static_cast<int>(std::ceil(maxY)));
        if (t.rowMin <= t.rowMax) out_.push_back(t);
    }

    /** Signed distance of a camera point from clip plane p (inside when >= 0). */
    double Plane(int p, const double* q) const
    {
        switch (p) {
        case 0: return q[2] - kNearZ;
        case 1: return vp_.s * q[0] + (vp_.cx + kGuard) * q[2];   // pixel x >= -guard
        case 2: return -vp_.s * q[0] + (kGuard - vp_.cx) * q[2];  // pixel x <= guard
        case 3: return -vp_.s * q[1] + (vp_.cy + kGuard) * q[2];  // pixel y >= -guard
        default: return vp_.s * q[1] + (kGuard - vp_.cy) * q[2];  // pixel y <= guard
        }
    }

    /** Sutherland-Hodgman against the near plane and the guard band, then a fan. */
    void Clip(const ClipVertex (&tri)[3])
    {
        ClipVertex bufA[9], bufB[9];
        int count = 3;
        std::copy(tri, tri + 3, bufA);
        ClipVertex* in = bufA;
        ClipVertex* out = bufB;
        for (int p = 0; p < 5 && count >= 3; ++p) {
            int produced = 0;
            for (int i = 0; i < count; ++i) {
                const ClipVertex& a = in[i];
                const ClipVertex& b = in[(i + 1) % count];
                const double da = Plane(p, a.q), db = Plane(p, b.q);
                if (da >= 0) out[produced++] = a;
                if ((da >= 0) != (db >= 0)) {
                    const double t = da / (da - db);
                    ClipVertex& m = out[produced++];
                    for (int c = 0; c < 3; ++c) m.q[c] = a.q[c] + t * (b.q[c] - a.q[c]);
                    for (int k = 1; k < n_; ++k) m.a[k] = static_cast<float>(a.a[k] + t * (b.a[k] - a.a[k]));
                }
            }
            count = produced;
            std::swap(in, out);
        }
        if (count < 3) return;
        raster::Vertex<N> v[9];
        for (int i = 0; i < count; ++i) {
            const double w = 1.0 / in[i].q[2];
            v[i].x = ToFloat(vp_.cx + vp_.s * in[i].q[0] * w);
            v[i].y = ToFloat(vp_.cy - vp_.s * in[i].q[1] * w);
            v[i].attr[0] = ToFloat(w);
            for (int k = 1; k < n_; ++k) v[i].attr[k] = ToFloat(in[i].a[k] * w);
        }
        for (int i = 1; i + 1 < count; ++i) Emit(v[0], v[i], v[i + 1]);
    }

    Viewport vp_;
    int n_;
    cv::Size target_;
    std::vector<RasterTriangle<N>>& out_;
};

/** Everything the per-pixel work needs, shared read-only by the bands. */
struct PixelContext {
    const Mesh* mesh;
    Layout layout;
    cv::Mat* target;
    cv::Mat* depth;  // null for no depth test
    bool sampleTexture;
    bool fastTexture;  ///< CV_8UC3: sampled inline
};

inline unsigned char ToByte(float v)
{
    // Colours past 1 (bright vertex colours, unnormalised normals) saturate instead of
    // wrapping around to dark values.
    // NaN (from a degenerate attribute) counts as black rather than reaching the conversion.
    v *= 255.0f;
    return !(v > 0) ? 0 : v >= 255.0f ? 255 : static_cast<unsigned char>(v);
}

template <int N>
long long DrawBand(const PixelContext& ctx, const std::vector<RasterTriangle<N>>& tris, const std::vector<int>& list,
                   const cv::Rect& clip)
{
    const Layout& L = ctx.layout;
    const Mesh& mesh = *ctx.mesh;
    const int n = L.count;
    long long written = 0;
    static const cv::Mat kNoTexture(1, 1, CV_8UC3, cv::Scalar::all(0));
    const TextureSampler8u3 sampler(ctx.fastTexture ? mesh.texture : kNoTexture);
    for (int index : list) {
        const RasterTriangle<N>& t = tris[static_cast<std::size_t>(index)];
        raster::RasterizeTriangleSpans<N>(t.v[0], t.v[1], t.v[2], clip, [&](int y, int x0, int x1, const float* s, const float* d) {
            unsigned char* row = ctx.target->ptr<unsigned char>(y);
            float* zrow = ctx.depth ? ctx.depth->ptr<float>(y) : nullptr;
            float a[kMaxAttributes];
            for (int x = x0; x < x1; ++x) {
                const float k = static_cast<float>(x - x0);
                const float w = s[0] + k * d[0];
                if (!(w > 0)) continue;
                if (zrow) {
                    if (zrow[x] >= w) continue;
                    zrow[x] = w;
                }
                const float inv = 1.0f / w;
                for (int i = 1; i < n; ++i) a[i] = (s[i] + k * d[i]) * inv;
                float c[3];
                if (mesh.pixelShader) {
                    PixelInput px;
                    px.x = x;
                    px.y = y;
                    px.light = L.light >= 0 ? a + L.light : nullptr;
                    px.texCoord = L.tex >= 0 ? a + L.tex : nullptr;
                    px.extra = L.extra >= 0 ? a + L.extra : nullptr;
                    px.depth = w;
                    c[0] = c[1] = c[2] = 0;
                    mesh.pixelShader(px, c, mesh.shaderData);
                } else {
                    if (L.light >= 0) {
                        for (int ch = 0; ch < 3; ++ch) c[ch] = std::max(a[L.light + ch], 0.0f);
                    } else {
                        c[0] = c[1] = c[2] = 1;
                    }
                    if (ctx.sampleTexture) {
                        float tex[3];
                        if (ctx.fastTexture) {
                            sampler(a[L.tex], a[L.tex + 1], tex);
                        } else {
                            const cv::Vec3f t = SampleImage(mesh.texture, a[L.tex], a[L.tex + 1]);
                            tex[0] = t[0], tex[1] = t[1], tex[2] = t[2];
                        }
                        for (int ch = 0; ch < 3; ++ch) c[ch] *= tex[ch] * (1.0f / 255.0f);
                    }
                }
                unsigned char* p = row + 3 * x;
                p[0] = ToByte(c[0]);
                p[1] = ToByte(c[1]);
                p[2] = ToByte(c[2]);
                ++written;
            }
        });
    }
    return written;
}

template <int N>
long long Rasterise(const Mesh& mesh, const Layout& layout, const Viewport& vp, cv::Mat& target, cv::Mat* depth)
{
    const int stride = mesh.ProcessedStride();
    std::vector<RasterTriangle<N>> tris;
    tris.reserve(static_cast<std::size_t>(mesh.triangleCount));
    TriangleSetup<N> setup(vp, layout, target.size(), tris);
    for (int t = 0; t < mesh.triangleCount; ++t) {
        const float* s[3];
        for (int k = 0; k < 3; ++k)
            s[k] = mesh.cache.data() + static_cast<std::size_t>(mesh.indices[3 * static_cast<std::size_t>(t) + k]) * stride;
        setup.Add(s, mesh.cull);
    }
    if (tris.empty()) return 0;

    PixelContext ctx{&mesh, layout, &target, depth, false, false};
    ctx.sampleTexture = !mesh.pixelShader && layout.tex >= 0 && !mesh.texture.empty() && mesh.texture.dims == 2;
    ctx.fastTexture = ctx.sampleTexture && mesh.texture.type() == CV_8UC3;

    // Bands of rows; each keeps the triangles that may touch it, in mesh order, so every
    // pixel sees the same triangles in the same order whatever the number of bands.
    const int H = target.rows;
    const int bands = mesh.parallel ? std::clamp(H / 16, 1, 64) : 1;
    const int bandHeight = (H + bands - 1) / bands;
    std::vector<std::vector<int>> lists(static_cast<std::size_t>(bands));
    for (std::size_t i = 0; i < tris.size(); ++i) {
        const int b0 = tris[i].rowMin / bandHeight, b1 = std::min(bands - 1, tris[i].rowMax / bandHeight);
        for (int b = b0; b <= b1; ++b) lists[static_cast<std::size_t>(b)].push_back(static_cast<int>(i));
    }
    std::vector<long long> counts(static_cast<std::size_t>(bands), 0);
    auto drawBands = [&](const cv::Range& range) {
        for (int b = range.start; b < range.end; ++b) {
            const int y0 = b * bandHeight, y1 = std::min(H, y0 + bandHeight);
            if (y0 >= y1) continue;
            counts[static_cast<std::size_t>(b)] =
                DrawBand<N>(ctx, tris, lists[static_cast<std::size_t>(b)], cv::Rect(0, y0, target.cols, y1 - y0));
        }
    };
    if (bands > 1) cv::parallel_for_(cv::Range(0, bands), drawBands, bands);
    else drawBands(cv::Range(0, 1));
    long long total = 0;
    for (long long c : counts) total += c;
    return total;
}

}  // namespace

void DefaultVertexStage(const Mesh& mesh, const VertexInput& in, const VertexOutput& out)
{
    cv::Vec3f p = mesh.translation;
    if (in.position) p += mesh.rotation * cv::Vec3f(in.position[0], in.position[1], in.position[2]);
    if (out.screen) {
        const float f = mesh.cameraFactor;
        out.screen[0] = p[0] / p[2] / f;
        out.screen[1] = p[1] / p[2] / f;
        out.screen[2] = 1.0f / p[2];
    }
    if (out.light) {
        cv::Vec3f colour = in.colour ? cv::Vec3f(in.colour[0], in.colour[1], in.colour[2]) : cv::Vec3f(1, 1, 1);
        float intensity = 1;
        if (in.normal) {
            cv::Vec3f n = mesh.rotation * cv::Vec3f(in.normal[0], in.normal[1], in.normal[2]);
            if (mesh.normalizeNormals) {
                const float len = static_cast<float>(cv::norm(n));
                if (len > 0) n /= len;
            }
            // A headlight at the eye: the cosine between the view ray and the surface normal,
            // whichever side of the surface faces the eye.
            const float dist = static_cast<float>(cv::norm(p));
            intensity = dist > 0 ? std::fabs(-p.dot(n) / dist) : 0.0f;
        }
        for (int c = 0; c < 3; ++c) out.light[c] = colour[c] * intensity;
    }
    if (out.texCoord) {
        out.texCoord[0] = in.texCoord ? in.texCoord[0] : 0.0f;
        out.texCoord[1] = in.texCoord ? in.texCoord[1] : 0.0f;
    }
    if (out.extra) {
        const int copied = in.extra ? std::min(in.extraCount, out.extraCount) : 0;
        for (int i = 0; i < out.extraCount; ++i) out.extra[i] = i < copied ? in.extra[i] : 0.0f;
    }
}

long long RenderMesh(Mesh& mesh, cv::Mat& target, cv::Mat* depth)
{
    if (target.empty() || target.type() != CV_8UC3 || target.dims != 2) return 0;
    cv::Mat* depthBuffer = depth && !depth->empty() ? depth : nullptr;
    if (depthBuffer && (depthBuffer->type() != CV_32FC1 || depthBuffer->size() != target.size())) return 0;
    if (mesh.triangleCount <= 0 || mesh.vertexCount <= 0 || !mesh.IsConsistent()) return 0;
    if (!(mesh.fileFormat & mesh_format::Position) && !mesh.vertexShader) return 0;
    if (processed_format::ExtraCount(mesh.processedFormat) > mesh_format::MaxExtra) return 0;

    const int outStride = mesh.ProcessedStride();
    const std::size_t cacheSize = static_cast<std::size_t>(mesh.vertexCount) * outStride;
    if (mesh.cache.size() != cacheSize) mesh.cache.assign(cacheSize, 0.0f);

    const VertexOffsets offsets = MakeOffsets(mesh.fileFormat, mesh.processedFormat);
    const int inStride = mesh.FileStride();
    float* cache = mesh.cache.data();
    if (mesh.parallel && mesh.vertexCount >= kParallelVertices) {
        cv::parallel_for_(cv::Range(0, mesh.vertexCount), [&](const cv::Range& r) {
            RunVertexStage(mesh, r.start, r.end, offsets, inStride, outStride, cache);
        });
    } else {
        RunVertexStage(mesh, 0, mesh.vertexCount, offsets, inStride, outStride, cache);
    }

    Viewport vp;
    if (mesh.viewport) {
        vp.cx = mesh.viewport->x + mesh.viewport->width / 2.0;
        vp.cy = mesh.viewport->y + mesh.viewport->height / 2.0;
        vp.s = mesh.viewport->height / 2.0;
    } else {
        vp.cx = target.cols / 2.0;
        vp.cy = target.rows / 2.0;
        vp.s = target.rows / 2.0;
    }
    const Layout layout = MakeLayout(mesh.processedFormat);
    // The smallest compiled attribute count that holds this layout.
    if (layout.count <= 3) return Rasterise<3>(mesh, layout, vp, target, depthBuffer);
    if (layout.count <= 4) return Rasterise<4>(mesh, layout, vp, target, depthBuffer);
    if (layout.count <= 6) return Rasterise<6>(mesh, layout, vp, target, depthBuffer);
    if (layout.count <= 12) return Rasterise<12>(mesh, layout, vp, target, depthBuffer);
    return Rasterise<kMaxAttributes>(mesh, layout, vp, target, depthBuffer);
}

}  // namespace mesh3d
