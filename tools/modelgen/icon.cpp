// The icon: the vehicle with its first rider, drawn from the models and their bitmaps as the
// program shows them, seen from the front left and a little above, on a sky-blue tile with a
// strip of grass. Drawn four times larger and then averaged; small sizes get a dark outline
// round the vehicle and the rider, so that the figure still reads at 16 pixels.
#include "icon.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace modelgen {

namespace {

const int kSamples = 4; // per pixel and axis

struct Corner {
    V3 p, n;
    V2 uv;
};

struct Triangle {
    Corner c[3];
    const Image* texture;
};

// Where the wheel sits on the bar's axle, in the bar's coordinates, and how much narrower the
// program draws it than the bar's stretched width.
const double kWheelOffset = 17.5, kWheelNarrowing = 0.05 / 0.057;

void addModel(std::vector<Triangle>& out, const Model& model,
              const std::map<std::string, Image>& textures, double offsetY, double scaleY) {
    for (const Mesh& mesh : model.objects) {
        // Vertex normals as the program's reader makes them: the sum of the faces round a vertex.
        std::vector<V3> normals(mesh.verts.size(), V3{0, 0, 0});
        for (const Face& f : mesh.faces) {
            const V3 a = mesh.verts[f.v[0]], b = mesh.verts[f.v[1]], c = mesh.verts[f.v[2]];
            const V3 n = cross(b - a, c - a);
            for (int k = 0; k < 3; ++k)
                normals[f.v[k]] = normals[f.v[k]] + n;
        }
        const std::string& bitmap = model.materials[mesh.material].bitmap;
        const Image* texture = &textures.at(bitmap.substr(bitmap.find('/') + 1));
        for (const Face& f : mesh.faces) {
            Triangle t{{}, texture};
            for (int k = 0; k < 3; ++k) {
                const V3 p = mesh.verts[f.v[k]];
                t.c[k] = {
                    {p.x, p.y * scaleY + offsetY, p.z}, unit(normals[f.v[k]]), mesh.tverts[f.t[k]]};
            }
            out.push_back(t);
        }
    }
}

Colour texel(const Image& img, V2 uv) {
    const auto wrap = [](double t, int n) {
        const int i = static_cast<int>(std::floor(t * n)) % n;
        return i < 0 ? i + n : i;
    };
    const std::uint8_t* p =
        &img.rgb[(static_cast<size_t>(wrap(uv.v, img.h)) * img.w + wrap(uv.u, img.w)) * 3];
    return {double(p[0]), double(p[1]), double(p[2])};
}

// The view: looking along `forward` (right and up span the picture).
struct View {
    V3 forward, right, up;
};

View makeView() {
    const double yaw = 38 * kPi / 180, pitch = 14 * kPi / 180;
    const V3 forward{std::sin(yaw) * std::cos(pitch), std::cos(yaw) * std::cos(pitch),
                     -std::sin(pitch)};
    const V3 right = unit(cross(forward, {0, 0, 1}));
    return {forward, right, cross(right, forward)};
}

struct Raster {
    int n;
    std::vector<double> depth;
    std::vector<Colour> colour;
};

void draw(Raster& r, const std::vector<Triangle>& tris, const View& view, double scale, double cx,
          double cy) {
    const V3 light = unit({-0.5, -0.6, 0.75});
    for (const Triangle& t : tris) {
        double sx[3], sy[3], sz[3];
        for (int k = 0; k < 3; ++k) {
            sx[k] = r.n / 2.0 + (dot(t.c[k].p, view.right) - cx) * scale;
            sy[k] = r.n / 2.0 - (dot(t.c[k].p, view.up) - cy) * scale;
            sz[k] = dot(t.c[k].p, view.forward);
        }
        const double area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
        if (std::fabs(area) < 1e-12)
            continue;
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min({sx[0], sx[1], sx[2]})))),
                  x1 = std::min(r.n - 1,
                                static_cast<int>(std::ceil(std::max({sx[0], sx[1], sx[2]})))),
                  y0 = std::max(0, static_cast<int>(std::floor(std::min({sy[0], sy[1], sy[2]})))),
                  y1 = std::min(r.n - 1,
                                static_cast<int>(std::ceil(std::max({sy[0], sy[1], sy[2]}))));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const double px = x + 0.5, py = y + 0.5;
                double w[3];
                for (int k = 0; k < 3; ++k) {
                    const int a = (k + 1) % 3, b = (k + 2) % 3;
                    w[k] = ((sx[b] - sx[a]) * (py - sy[a]) - (sy[b] - sy[a]) * (px - sx[a])) / area;
                }
                if (w[0] < 0 || w[1] < 0 || w[2] < 0)
                    continue;
                const double z = w[0] * sz[0] + w[1] * sz[1] + w[2] * sz[2];
                const size_t i = static_cast<size_t>(y) * r.n + x;
                if (z >= r.depth[i])
                    continue;
                r.depth[i] = z;
                V3 n{0, 0, 0};
                V2 uv{0, 0};
                for (int k = 0; k < 3; ++k) {
                    n = n + t.c[k].n * w[k];
                    uv = {uv.u + t.c[k].uv.u * w[k], uv.v + t.c[k].uv.v * w[k]};
                }
                n = unit(n);
                // Normals that face away from the eye belong to the far side of a thin part.
                if (dot(n, view.forward) > 0)
                    n = n * -1;
                r.colour[i] = texel(*t.texture, uv) * (0.5 + 0.65 * std::max(0.0, dot(n, light)));
            }
        }
    }
}

} // namespace

Icon drawIcon(int size, const std::vector<Model>& models, const std::vector<Texture>& textures) {
    std::map<std::string, Image> painted;
    for (const Texture& t : textures)
        painted.emplace(t.file, paint(t));
    std::vector<Triangle> tris;
    for (const Model& m : models) {
        if (m.file == "hjul.ASE") {
            addModel(tris, m, painted, -kWheelOffset, kWheelNarrowing);
            addModel(tris, m, painted, kWheelOffset, kWheelNarrowing);
        } else {
            addModel(tris, m, painted, 0, 1);
        }
    }

    // The figure fills the tile's height but for a margin; the grass starts just above its foot.
    const View view = makeView();
    double lo[2] = {1e9, 1e9}, hi[2] = {-1e9, -1e9};
    for (const Triangle& t : tris) {
        for (const Corner& c : t.c) {
            const double s[2] = {dot(c.p, view.right), dot(c.p, view.up)};
            for (int k = 0; k < 2; ++k) {
                lo[k] = std::min(lo[k], s[k]);
                hi[k] = std::max(hi[k], s[k]);
            }
        }
    }
    const int n = size * kSamples;
    // Small sizes give the figure all the room they have.
    const double top = size <= 32 ? 0.03 : 0.07, bottom = size <= 32 ? 0.95 : 0.9;
    const double scale = n * (bottom - top) / (hi[1] - lo[1]);
    Raster r{n, std::vector<double>(static_cast<size_t>(n) * n, std::numeric_limits<double>::max()),
             std::vector<Colour>(static_cast<size_t>(n) * n)};
    draw(r, tris, view, scale, (lo[0] + hi[0]) / 2, hi[1] - n * (0.5 - top) / scale);
    const double groundY = n * (bottom - 0.05);

    // The outline: samples of the tile within reach of the figure, from a pixel at 16 to three
    // at 256.
    const int reach =
        static_cast<int>(std::lround(kSamples * (0.75 + 0.25 * std::log2(size / 8.0))));
    std::vector<bool> figure(r.depth.size()), near(r.depth.size());
    for (size_t i = 0; i < figure.size(); ++i)
        figure[i] = r.depth[i] < std::numeric_limits<double>::max();
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            if (figure[static_cast<size_t>(y) * n + x])
                for (int dy = -reach; dy <= reach; ++dy)
                    for (int dx = -reach; dx <= reach; ++dx)
                        if (dx * dx + dy * dy <= reach * reach && x + dx >= 0 && x + dx < n &&
                            y + dy >= 0 && y + dy < n)
                            near[static_cast<size_t>(y + dy) * n + x + dx] = true;

    Icon icon{size, std::vector<std::uint8_t>(static_cast<size_t>(size) * size * 4)};
    const double corner = 0.18 * n;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double sum[4] = {0, 0, 0, 0};
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const int X = x * kSamples + sx, Y = y * kSamples + sy;
                    // The tile: a square with rounded corners.
                    const double dx = std::max(0.0,
                                               std::fabs(X + 0.5 - n / 2.0) - (n / 2.0 - corner)),
                                 dy = std::max(0.0,
                                               std::fabs(Y + 0.5 - n / 2.0) - (n / 2.0 - corner));
                    if (std::hypot(dx, dy) > corner)
                        continue;
                    const size_t i = static_cast<size_t>(Y) * n + X;
                    Colour c;
                    if (figure[i])
                        c = r.colour[i];
                    else if (near[i])
                        c = {24, 26, 34};
                    else if (Y > groundY)
                        c = mix(Colour{96, 170, 64}, Colour{60, 128, 44},
                                (Y - groundY) / (n - groundY));
                    else
                        c = mix(Colour{92, 156, 228}, Colour{196, 226, 250}, double(Y) / groundY);
                    sum[0] += c.r;
                    sum[1] += c.g;
                    sum[2] += c.b;
                    sum[3] += 255;
                }
            }
            std::uint8_t* p = &icon.rgba[(static_cast<size_t>(y) * size + x) * 4];
            const double alpha = sum[3] / (kSamples * kSamples);
            for (int k = 0; k < 3; ++k)
                p[k] = static_cast<std::uint8_t>(
                    sum[3] > 0 ? std::lround(std::clamp(sum[k] / sum[3] * 255, 0.0, 255.0)) : 0);
            p[3] = static_cast<std::uint8_t>(std::lround(alpha));
        }
    }
    return icon;
}

} // namespace modelgen
