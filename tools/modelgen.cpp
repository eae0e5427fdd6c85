// Builds the vehicle's four ASE models, the bitmaps their materials name and the ground bitmap,
// all from code, so that the committed files can be regenerated and compared byte for byte.
//
// Usage: modelgen DIR   writes every file into DIR (normally the project's models folder).
//
// Model coordinates are those of the files: z is up, the rider faces -x, the axle runs along y.
// The program reads a file's (x, y, z) as (x, z, -y), a rotation, so a triangle that runs
// counter-clockwise seen from outside in the file still does so after reading.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------------------------
// Vectors

struct V3 {
    double x, y, z;
};
V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
double dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(V3 a) {
    return std::sqrt(dot(a, a));
}
V3 unit(V3 a) {
    return a * (1.0 / length(a));
}

struct V2 {
    double u, v;
};

// A right-handed frame: a x b = n. Shapes are built in (a, b, n) coordinates around o.
struct Frame {
    V3 o, a, b, n;
    V3 at(double pa, double pb, double pn) const { return o + a * pa + b * pb + n * pn; }
};

// A frame whose n is the given axis and whose a lies as close as possible to hint.
Frame frameAlong(V3 origin, V3 axis, V3 hint) {
    V3 n = unit(axis);
    V3 a = unit(hint - n * dot(hint, n));
    return {origin, a, cross(n, a), n};
}

// ---------------------------------------------------------------------------------------------
// Meshes

struct Face {
    int v[3];
    int t[3];
};

struct Mesh {
    std::string name;
    int material = 0;
    std::vector<V3> verts;
    std::vector<V2> tverts;
    std::vector<Face> faces;

    int vert(V3 p) {
        verts.push_back(p);
        return static_cast<int>(verts.size()) - 1;
    }
    int tvert(double u, double v) {
        tverts.push_back({u, v});
        return static_cast<int>(tverts.size()) - 1;
    }
    void tri(int a, int b, int c, int ta, int tb, int tc) {
        faces.push_back({{a, b, c}, {ta, tb, tc}});
    }
};

// A flat quad with its own corners; the winding is chosen so that its front faces `outward`.
void quad(Mesh& m, const V3 (&p)[4], const V2 (&uv)[4], V3 outward) {
    int v[4], t[4];
    for (int i = 0; i < 4; ++i) {
        v[i] = m.vert(p[i]);
        t[i] = m.tvert(uv[i].u, uv[i].v);
    }
    if (dot(cross(p[1] - p[0], p[2] - p[0]), outward) >= 0) {
        m.tri(v[0], v[1], v[2], t[0], t[1], t[2]);
        m.tri(v[0], v[2], v[3], t[0], t[2], t[3]);
    } else {
        m.tri(v[0], v[2], v[1], t[0], t[2], t[1]);
        m.tri(v[0], v[3], v[2], t[0], t[3], t[2]);
    }
}

// A box centred on f.o with the given half extents along a, b and n. Faces do not share
// corners, so the edges stay sharp under the reader's averaged normals. Texture coordinates are
// the face's own coordinates divided by `texel`, so neighbouring boxes keep one density.
void box(Mesh& m, const Frame& f, V3 half, double texel) {
    const V3 axes[3] = {f.a, f.b, f.n};
    const double h[3] = {half.x, half.y, half.z};
    for (int k = 0; k < 3; ++k) {
        int i = (k + 1) % 3, j = (k + 2) % 3;
        for (int side = -1; side <= 1; side += 2) {
            V3 normal = axes[k] * side;
            V3 centre = f.o + normal * h[k];
            const double su[4] = {-1, 1, 1, -1}, sv[4] = {-1, -1, 1, 1};
            V3 p[4];
            V2 uv[4];
            for (int c = 0; c < 4; ++c) {
                p[c] = centre + axes[i] * (su[c] * h[i]) + axes[j] * (sv[c] * h[j]);
                uv[c] = {su[c] * h[i] / texel + 0.5, sv[c] * h[j] / texel + 0.5};
            }
            quad(m, p, uv, normal);
        }
    }
}

// Surfaces of revolution. A profile runs in the (r, h) half plane of a frame, r the distance
// from the axis n and h the height along it, from one pole (r = 0) to the other; the outside lies
// to the right of the direction of travel (r to the right and h up). A sharp point gets two
// rings of vertices, so the reader does not smooth across it. sa and sb stretch the surface
// along a and b for oval sections. u goes once round, from +a towards +b.
struct ProfilePoint {
    double r, h;
    bool sharp;
};

enum class VMode { ArcLength, Height };

struct Lathe {
    int segments = 16;
    VMode vMode = VMode::ArcLength;
    double sa = 1, sb = 1;
};

// v of each profile point: its distance along the profile, or its height, over the whole.
std::vector<double> profileV(const std::vector<ProfilePoint>& prof, VMode mode) {
    std::vector<double> v(prof.size(), 0);
    for (size_t i = 1; i < prof.size(); ++i) {
        v[i] = mode == VMode::Height
                   ? prof[i].h - prof[0].h
                   : v[i - 1] + std::hypot(prof[i].r - prof[i - 1].r, prof[i].h - prof[i - 1].h);
    }
    double lo = *std::min_element(v.begin(), v.end()), hi = *std::max_element(v.begin(), v.end());
    for (double& x : v)
        x = (x - lo) / (hi - lo);
    return v;
}

void lathe(Mesh& m, const Frame& f, const std::vector<ProfilePoint>& prof, const Lathe& o) {
    const int n = o.segments;
    const int count = static_cast<int>(prof.size());
    const std::vector<double> v = profileV(prof, o.vMode);

    // Vertex rings: `before` serves the span ending at the point, `after` the one leaving it.
    std::vector<int> before(count), after(count);
    std::vector<bool> pole(count);
    for (int i = 0; i < count; ++i) {
        const ProfilePoint& p = prof[i];
        pole[i] = p.r <= 0;
        int copies = (p.sharp && !pole[i]) ? 2 : 1;
        for (int c = 0; c < copies; ++c) {
            int first = static_cast<int>(m.verts.size());
            if (pole[i]) {
                m.vert(f.at(0, 0, p.h));
            } else {
                for (int j = 0; j < n; ++j) {
                    double t = 2 * kPi * j / n;
                    m.vert(f.at(p.r * std::cos(t) * o.sa, p.r * std::sin(t) * o.sb, p.h));
                }
            }
            if (c == 0)
                before[i] = first;
            after[i] = first;
        }
    }
    // Texture rows, n + 1 entries each so the seam gets u = 1 on its far side. A pole's u lies
    // in the middle of each segment.
    std::vector<int> row(count);
    for (int i = 0; i < count; ++i) {
        row[i] = static_cast<int>(m.tverts.size());
        for (int j = 0; j <= n; ++j)
            m.tvert((j + (pole[i] ? 0.5 : 0.0)) / n, v[i]);
    }
    for (int i = 0; i + 1 < count; ++i) {
        int k = i + 1;
        int ta = row[i], tb = row[k];
        for (int j = 0; j < n; ++j) {
            int j1 = (j + 1) % n;
            if (pole[i]) {
                m.tri(after[i], before[k] + j1, before[k] + j, ta + j, tb + j + 1, tb + j);
            } else if (pole[k]) {
                m.tri(after[i] + j, after[i] + j1, before[k], ta + j, ta + j + 1, tb + j);
            } else {
                m.tri(after[i] + j, after[i] + j1, before[k] + j1, ta + j, ta + j + 1, tb + j + 1);
                m.tri(after[i] + j, before[k] + j1, before[k] + j, ta + j, tb + j + 1, tb + j);
            }
        }
    }
}

// An ellipsoid around f.o with radii ra, rb, rn along the frame's axes.
void ellipsoid(Mesh& m, const Frame& f, double ra, double rb, double rn, int segments, int rings) {
    std::vector<ProfilePoint> prof;
    for (int i = 0; i <= rings; ++i) {
        double phi = -kPi / 2 + kPi * i / rings;
        double r = (i == 0 || i == rings) ? 0 : std::cos(phi);
        prof.push_back({r, rn * std::sin(phi), false});
    }
    Lathe o;
    o.segments = segments;
    o.sa = ra;
    o.sb = rb;
    lathe(m, f, prof, o);
}

// v turned by the smallest rotation that takes the unit vector `from` to `to`, so that the
// cross sections along a bent limb do not twist.
V3 turn(V3 v, V3 from, V3 to) {
    V3 k = cross(from, to);
    double s = length(k), c = dot(from, to);
    if (s < 1e-12)
        return v;
    k = k * (1 / s);
    return v * c + cross(k, v) * s + k * (dot(k, v) * (1 - c));
}

// A limb along a path of joints, each with its radius and its v; u goes round from `hint`. The
// rings at bends lie in the plane that halves the bend, so both pieces keep their thickness, and
// short cones close the ends at v = 0 and 1.
struct Joint {
    V3 p;
    double r, v;
};

void limb(Mesh& m, const std::vector<Joint>& path, V3 hint, int segments) {
    const int n = segments, count = static_cast<int>(path.size());
    const V3 first = unit(path[1].p - path[0].p),
             last = unit(path[count - 1].p - path[count - 2].p);
    const int start = m.vert(path[0].p - first * (0.6 * path[0].r));
    V3 a = unit(hint - first * dot(hint, first)), prev = first;
    for (int i = 0; i < count; ++i) {
        const V3 in = i > 0 ? unit(path[i].p - path[i - 1].p) : first;
        const V3 out = i + 1 < count ? unit(path[i + 1].p - path[i].p) : last;
        const V3 mitre = unit(in + out);
        a = turn(a, prev, in);
        prev = in;
        const V3 b = cross(in, a);
        for (int j = 0; j < n; ++j) {
            const double t = 2 * kPi * j / n;
            const V3 off = (a * std::cos(t) + b * std::sin(t)) * path[i].r;
            m.vert(path[i].p + off - in * (dot(off, mitre) / dot(in, mitre)));
        }
    }
    const int end = m.vert(path[count - 1].p + last * (0.6 * path[count - 1].r));

    const int tStart = static_cast<int>(m.tverts.size());
    for (int j = 0; j < n; ++j)
        m.tvert((j + 0.5) / n, 0);
    for (int i = 0; i < count; ++i)
        for (int j = 0; j <= n; ++j)
            m.tvert(static_cast<double>(j) / n, path[i].v);
    const int tEnd = static_cast<int>(m.tverts.size());
    for (int j = 0; j < n; ++j)
        m.tvert((j + 0.5) / n, 1);

    const auto ring = [&](int i, int j) { return start + 1 + i * n + j % n; };
    const auto tring = [&](int i, int j) { return tStart + n + i * (n + 1) + j; };
    for (int j = 0; j < n; ++j) {
        m.tri(start, ring(0, j + 1), ring(0, j), tStart + j, tring(0, j + 1), tring(0, j));
        for (int i = 0; i + 1 < count; ++i) {
            m.tri(ring(i, j), ring(i, j + 1), ring(i + 1, j + 1), tring(i, j), tring(i, j + 1),
                  tring(i + 1, j + 1));
            m.tri(ring(i, j), ring(i + 1, j + 1), ring(i + 1, j), tring(i, j), tring(i + 1, j + 1),
                  tring(i + 1, j));
        }
        m.tri(ring(count - 1, j), ring(count - 1, j + 1), end, tring(count - 1, j),
              tring(count - 1, j + 1), tEnd + j);
    }
}

// Ear clipping for a simple counter-clockwise polygon.
std::vector<int> triangulate(const std::vector<V2>& poly) {
    std::vector<int> idx(poly.size()), out;
    for (size_t i = 0; i < poly.size(); ++i)
        idx[i] = static_cast<int>(i);
    auto crossAt = [&](int a, int b, int c) {
        return (poly[b].u - poly[a].u) * (poly[c].v - poly[a].v) -
               (poly[b].v - poly[a].v) * (poly[c].u - poly[a].u);
    };
    while (idx.size() > 3) {
        bool clipped = false;
        for (size_t i = 0; i < idx.size() && !clipped; ++i) {
            int a = idx[(i + idx.size() - 1) % idx.size()], b = idx[i],
                c = idx[(i + 1) % idx.size()];
            if (crossAt(a, b, c) <= 1e-12)
                continue;
            bool inside = false;
            for (int p : idx) {
                if (p == a || p == b || p == c)
                    continue;
                if (crossAt(a, b, p) >= 0 && crossAt(b, c, p) >= 0 && crossAt(c, a, p) >= 0)
                    inside = true;
            }
            if (inside)
                continue;
            out.insert(out.end(), {a, b, c});
            idx.erase(idx.begin() + static_cast<long>(i));
            clipped = true;
        }
        if (!clipped)
            break;
    }
    if (idx.size() == 3)
        out.insert(out.end(), {idx[0], idx[1], idx[2]});
    return out;
}

// A prism: a polygon in the (a, b) plane of f, swept along n from h0 to h1, with flat caps.
// smooth[i] lets the side walls share the normal at outline point i (a rounded corner).
void prism(Mesh& m, const Frame& f, std::vector<V2> outline, std::vector<bool> smooth, double h0,
           double h1, double texel) {
    double area = 0;
    for (size_t i = 0; i < outline.size(); ++i) {
        const V2& p = outline[i];
        const V2& q = outline[(i + 1) % outline.size()];
        area += p.u * q.v - q.u * p.v;
    }
    if (area < 0) {
        std::reverse(outline.begin(), outline.end());
        std::reverse(smooth.begin(), smooth.end());
    }
    const int count = static_cast<int>(outline.size());

    std::vector<int> before(count), after(count);
    for (int i = 0; i < count; ++i) {
        int copies = smooth[i] ? 1 : 2;
        for (int c = 0; c < copies; ++c) {
            int first = m.vert(f.at(outline[i].u, outline[i].v, h0));
            m.vert(f.at(outline[i].u, outline[i].v, h1));
            if (c == 0)
                before[i] = first;
            after[i] = first;
        }
    }
    std::vector<int> row(count + 1);
    double run = 0;
    for (int i = 0; i <= count; ++i) {
        if (i > 0) {
            const V2& p = outline[i - 1];
            const V2& q = outline[i % count];
            run += std::hypot(q.u - p.u, q.v - p.v);
        }
        row[i] = m.tvert(run / texel, h0 / texel);
        m.tvert(run / texel, h1 / texel);
    }
    for (int i = 0; i < count; ++i) {
        int k = (i + 1) % count;
        int b0 = after[i], b1 = before[k];
        m.tri(b0, b1, b1 + 1, row[i], row[i + 1], row[i + 1] + 1);
        m.tri(b0, b1 + 1, b0 + 1, row[i], row[i + 1] + 1, row[i] + 1);
    }
    std::vector<int> tris = triangulate(outline);
    for (int cap = 0; cap < 2; ++cap) {
        double h = cap == 0 ? h0 : h1;
        int first = static_cast<int>(m.verts.size());
        int tfirst = static_cast<int>(m.tverts.size());
        for (const V2& p : outline) {
            m.vert(f.at(p.u, p.v, h));
            m.tvert(p.u / texel, p.v / texel);
        }
        for (size_t t = 0; t < tris.size(); t += 3) {
            int a = tris[t], b = tris[t + 1], c = tris[t + 2];
            if (cap == 0)
                std::swap(b, c);
            m.tri(first + a, first + b, first + c, tfirst + a, tfirst + b, tfirst + c);
        }
    }
}

// A rounded rectangle outline of half sizes hu, hv and corner radius r.
void roundedRect(double hu, double hv, double r, int steps, std::vector<V2>& out,
                 std::vector<bool>& smooth) {
    const double cu[4] = {hu - r, -(hu - r), -(hu - r), hu - r};
    const double cv[4] = {hv - r, hv - r, -(hv - r), -(hv - r)};
    for (int c = 0; c < 4; ++c) {
        for (int s = 0; s <= steps; ++s) {
            double t = kPi / 2 * c + kPi / 2 * s / steps;
            out.push_back({cu[c] + r * std::cos(t), cv[c] + r * std::sin(t)});
            smooth.push_back(true);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Models and the ASE writer

struct Material {
    std::string name, bitmap;
    double r, g, b;
};

struct Model {
    std::string file;
    std::vector<Material> materials;
    std::vector<Mesh> objects;

    int material(const std::string& name, const std::string& bitmap, double r, double g, double b) {
        materials.push_back({name, "models/" + bitmap, r, g, b});
        return static_cast<int>(materials.size()) - 1;
    }
    Mesh& object(const std::string& name, int materialIndex) {
        objects.emplace_back();
        objects.back().name = name;
        objects.back().material = materialIndex;
        return objects.back();
    }
};

// Fixed four decimals, written digit by digit so that no locale can change the separator.
std::string num(double value) {
    long long q = std::llround(value * 10000.0);
    std::string s = q < 0 ? "-" : "";
    unsigned long long a = static_cast<unsigned long long>(q < 0 ? -q : q);
    std::string frac = std::to_string(a % 10000);
    s += std::to_string(a / 10000) + "." + std::string(4 - frac.size(), '0') + frac;
    return s;
}

std::string pad(int value, size_t width) {
    std::string s = std::to_string(value);
    return std::string(s.size() < width ? width - s.size() : 0, ' ') + s;
}

std::string aseText(const Model& model) {
    std::string s;
    s += "*3DSMAX_ASCIIEXPORT\t200\n";
    s += "*COMMENT \"Balantor-modelgen\"\n";
    s += "*SCENE {\n";
    s += "\t*SCENE_FILENAME \"" + model.file.substr(0, model.file.find('.')) + ".max\"\n";
    s += "\t*SCENE_FIRSTFRAME 0\n\t*SCENE_LASTFRAME 100\n\t*SCENE_FRAMESPEED 30\n";
    s += "\t*SCENE_TICKSPERFRAME 160\n";
    s += "\t*SCENE_BACKGROUND_STATIC 0.0000\t0.0000\t0.0000\n";
    s += "\t*SCENE_AMBIENT_STATIC 0.0000\t0.0000\t0.0000\n";
    s += "}\n";
    s += "*MATERIAL_LIST {\n";
    s += "\t*MATERIAL_COUNT " + std::to_string(model.materials.size()) + "\n";
    for (size_t i = 0; i < model.materials.size(); ++i) {
        const Material& mat = model.materials[i];
        std::string diffuse = num(mat.r) + "\t" + num(mat.g) + "\t" + num(mat.b);
        s += "\t*MATERIAL " + std::to_string(i) + " {\n";
        s += "\t\t*MATERIAL_NAME \"" + mat.name + "\"\n";
        s += "\t\t*MATERIAL_CLASS \"Standard\"\n";
        s += "\t\t*MATERIAL_AMBIENT " + diffuse + "\n";
        s += "\t\t*MATERIAL_DIFFUSE " + diffuse + "\n";
        s += "\t\t*MATERIAL_SHINE 0.1000\n\t\t*MATERIAL_SHINESTRENGTH 0.0000\n";
        s += "\t\t*MATERIAL_TRANSPARENCY 0.0000\n\t\t*MATERIAL_WIRESIZE 1.0000\n";
        s += "\t\t*MATERIAL_SHADING Blinn\n\t\t*MATERIAL_XP_FALLOFF 0.0000\n";
        s += "\t\t*MATERIAL_SELFILLUM 0.0000\n\t\t*MATERIAL_FALLOFF In\n";
        s += "\t\t*MATERIAL_XP_TYPE Filter\n";
        s += "\t\t*MAP_DIFFUSE {\n";
        s += "\t\t\t*MAP_NAME \"" + mat.name + "Map\"\n";
        s += "\t\t\t*MAP_CLASS \"Bitmap\"\n\t\t\t*MAP_SUBNO 1\n\t\t\t*MAP_AMOUNT 1.0000\n";
        s += "\t\t\t*BITMAP \"" + mat.bitmap + "\"\n";
        s += "\t\t\t*MAP_TYPE Screen\n";
        s += "\t\t\t*UVW_U_OFFSET 0.0000\n\t\t\t*UVW_V_OFFSET 0.0000\n";
        s += "\t\t\t*UVW_U_TILING 1.0000\n\t\t\t*UVW_V_TILING 1.0000\n";
        s += "\t\t\t*UVW_ANGLE 0.0000\n\t\t\t*UVW_BLUR 1.0000\n\t\t\t*UVW_BLUR_OFFSET 0.0000\n";
        s += "\t\t\t*UVW_NOUSE_AMT 1.0000\n\t\t\t*UVW_NOISE_SIZE 1.0000\n";
        s += "\t\t\t*UVW_NOISE_LEVEL 1\n\t\t\t*UVW_NOISE_PHASE 0.0000\n";
        s += "\t\t\t*BITMAP_FILTER Pyramidal\n";
        s += "\t\t}\n";
        s += "\t}\n";
    }
    s += "}\n";
    for (const Mesh& m : model.objects) {
        s += "*GEOMOBJECT {\n";
        s += "\t*NODE_NAME \"" + m.name + "\"\n";
        s += "\t*NODE_TM {\n";
        s += "\t\t*NODE_NAME \"" + m.name + "\"\n";
        s += "\t\t*INHERIT_POS 0 0 0\n\t\t*INHERIT_ROT 0 0 0\n\t\t*INHERIT_SCL 0 0 0\n";
        s += "\t\t*TM_ROW0 1.0000\t0.0000\t0.0000\n\t\t*TM_ROW1 0.0000\t1.0000\t0.0000\n";
        s += "\t\t*TM_ROW2 0.0000\t0.0000\t1.0000\n\t\t*TM_ROW3 0.0000\t0.0000\t0.0000\n";
        s += "\t}\n";
        s += "\t*MESH {\n";
        s += "\t\t*TIMEVALUE 0\n";
        s += "\t\t*MESH_NUMVERTEX " + std::to_string(m.verts.size()) + "\n";
        s += "\t\t*MESH_NUMFACES " + std::to_string(m.faces.size()) + "\n";
        s += "\t\t*MESH_VERTEX_LIST {\n";
        for (size_t i = 0; i < m.verts.size(); ++i) {
            const V3& p = m.verts[i];
            s += "\t\t\t*MESH_VERTEX " + pad(static_cast<int>(i), 4) + "\t" + num(p.x) + "\t" +
                 num(p.y) + "\t" + num(p.z) + "\n";
        }
        s += "\t\t}\n";
        s += "\t\t*MESH_FACE_LIST {\n";
        for (size_t i = 0; i < m.faces.size(); ++i) {
            const Face& f = m.faces[i];
            s += "\t\t\t*MESH_FACE " + pad(static_cast<int>(i), 4) + ":    A: " + pad(f.v[0], 4) +
                 " B: " + pad(f.v[1], 4) + " C: " + pad(f.v[2], 4) +
                 " AB:    1 BC:    1 CA:    1\n";
        }
        s += "\t\t}\n";
        s += "\t\t*MESH_NUMTVERTEX " + std::to_string(m.tverts.size()) + "\n";
        s += "\t\t*MESH_TVERTLIST {\n";
        for (size_t i = 0; i < m.tverts.size(); ++i) {
            s += "\t\t\t*MESH_TVERT " + pad(static_cast<int>(i), 4) + "\t" + num(m.tverts[i].u) +
                 "\t" + num(m.tverts[i].v) + "\t0.0000\n";
        }
        s += "\t\t}\n";
        s += "\t\t*MESH_NUMTVFACES " + std::to_string(m.faces.size()) + "\n";
        s += "\t\t*MESH_TFACELIST {\n";
        for (size_t i = 0; i < m.faces.size(); ++i) {
            const Face& f = m.faces[i];
            s += "\t\t\t*MESH_TFACE " + pad(static_cast<int>(i), 4) + "\t" +
                 std::to_string(f.t[0]) + "\t" + std::to_string(f.t[1]) + "\t" +
                 std::to_string(f.t[2]) + "\n";
        }
        s += "\t\t}\n";
        s += "\t}\n";
        s += "\t*PROP_MOTIONBLUR 0\n\t*PROP_CASTSHADOW 1\n\t*PROP_RECVSHADOW 1\n";
        s += "\t*MATERIAL_REF " + std::to_string(m.material) + "\n";
        s += "}\n";
    }
    return s;
}

// ---------------------------------------------------------------------------------------------
// Images

struct Colour {
    double r, g, b;
};
Colour operator*(Colour c, double s) {
    return {c.r * s, c.g * s, c.b * s};
}
Colour mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

struct Image {
    int w, h;
    std::vector<std::uint8_t> rgb; // row 0 is the bottom row, as the bitmap stores it
    Image(int width, int height)
        : w(width), h(height), rgb(static_cast<size_t>(width) * height * 3) {}
    void set(int x, int y, Colour c) {
        std::uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
        const double ch[3] = {c.r, c.g, c.b};
        for (int k = 0; k < 3; ++k)
            p[k] = static_cast<std::uint8_t>(std::lround(std::clamp(ch[k], 0.0, 255.0)));
    }
};

void put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xff);
    s += static_cast<char>((v >> 8) & 0xff);
}
void put32(std::string& s, unsigned v) {
    put16(s, v & 0xffff);
    put16(s, v >> 16);
}

// A bottom-up 24-bit Windows bitmap with BITMAPINFOHEADER.
std::string bmpBytes(const Image& img) {
    const unsigned stride = (static_cast<unsigned>(img.w) * 3 + 3) & ~3u;
    const unsigned pixels = stride * static_cast<unsigned>(img.h);
    std::string s;
    s += "BM";
    put32(s, 54 + pixels);
    put32(s, 0);
    put32(s, 54);
    put32(s, 40);
    put32(s, static_cast<unsigned>(img.w));
    put32(s, static_cast<unsigned>(img.h));
    put16(s, 1);
    put16(s, 24);
    put32(s, 0);
    put32(s, pixels);
    put32(s, 2835);
    put32(s, 2835);
    put32(s, 0);
    put32(s, 0);
    for (int y = 0; y < img.h; ++y) {
        for (int x = 0; x < img.w; ++x) {
            const std::uint8_t* p = &img.rgb[(static_cast<size_t>(y) * img.w + x) * 3];
            s += static_cast<char>(p[2]);
            s += static_cast<char>(p[1]);
            s += static_cast<char>(p[0]);
        }
        s.append(stride - static_cast<unsigned>(img.w) * 3, '\0');
    }
    return s;
}

std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return h;
}
double rand01(int x, int y, std::uint32_t seed) {
    return (hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), seed) & 0xffffff) /
           16777216.0;
}

// Value noise on a lattice that repeats every `period` cells, so textures tile.
double noise(double x, double y, int period, std::uint32_t seed) {
    int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    double fx = x - xi, fy = y - yi;
    auto wrap = [period](int i) { return ((i % period) + period) % period; };
    auto at = [&](int i, int j) { return rand01(wrap(i), wrap(j), seed); };
    double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    double top = at(xi, yi) + (at(xi + 1, yi) - at(xi, yi)) * sx;
    double bottom = at(xi, yi + 1) + (at(xi + 1, yi + 1) - at(xi, yi + 1)) * sx;
    return top + (bottom - top) * sy;
}

// Fractal noise in [0, 1) over a texture of side `size` pixels, `cells` lattice cells across.
double fbm(int px, int py, int size, int cells, int octaves, std::uint32_t seed) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        double scale = static_cast<double>(cells << o) / size;
        sum += amp * noise(px * scale, py * scale, cells << o, seed + o);
        norm += amp;
        amp *= 0.5;
    }
    return sum / norm;
}

// A 5 x 7 font for the few letters painted on bitmaps; rows from the top.
const char* glyph(char c) {
    switch (c) {
    case '0':
        return " ### #   ##  ### # ### #  ##   # ### ";
    case '1':
        return "  #   ##    #    #    #    #   ### ";
    case '2':
        return " ### #   #    #  ##  #    #    #####";
    case '3':
        return "#####   #   #   ##     ##   # ### ";
    case '4':
        return "   #   ##  # # #  # #####   #    # ";
    case '5':
        return "#####    ####     #    ##   # ### ";
    case '6':
        return "  ##  #   #    #### #   ##   # ### ";
    case '7':
        return "#####    #   #   #   #    #    #   ";
    case '8':
        return " ### #   ##   # ### #   ##   # ### ";
    case '9':
        return " ### #   ##   # ####    #   #  ##  ";
    case 'A':
        return " ### #   ##   #######   ##   ##   #";
    case 'B':
        return "#### #   ##   ##### #   ##   ##### ";
    case 'E':
        return "######    #    #### #    #    #####";
    case 'L':
        return "#    #    #    #    #    #    #####";
    case 'N':
        return "#   ###  ## # ##  ###   ##   ##   #";
    case 'O':
        return " ### #   ##   ##   ##   ##   # ### ";
    case 'R':
        return "#### #   ##   ##### # #  #  # #   #";
    case 'S':
        return " #####    #     ###     #    ##### ";
    case 'T':
        return "#####  #    #    #    #    #    #  ";
    case 'W':
        return "#   ##   ##   ## # ## # ##### #   #";
    default:
        return "                                   ";
    }
}

// Whether the point (x, y), in glyph cells with y up and the text's start at the origin, falls
// on a letter of `text`. Letters are 5 cells wide with one cell between them.
bool onText(const std::string& text, double x, double y) {
    if (x < 0 || y < 0 || y >= 7)
        return false;
    size_t letter = static_cast<size_t>(x / 6);
    int col = static_cast<int>(x) - static_cast<int>(letter) * 6;
    if (letter >= text.size() || col >= 5)
        return false;
    int rowFromTop = 6 - static_cast<int>(y);
    return glyph(text[letter])[rowFromTop * 5 + col] == '#';
}

double textWidth(const std::string& text) {
    return text.size() * 6.0 - 1;
}

// ---------------------------------------------------------------------------------------------
// Textures of the parts. Each painter receives pixel coordinates; u grows with x, v with y.

using Painter = Colour (*)(int x, int y, int size);

Colour grain(Colour c, int x, int y, int size, int cells, double amount, std::uint32_t seed) {
    return c * (1 + amount * (fbm(x, y, size, cells, 3, seed) - 0.5) * 2);
}

Colour paintDeck(int x, int y, int size) {
    Colour rubber = grain({38, 38, 42}, x, y, size, 16, 0.25, 11);
    int ry = y % 8;
    if (ry == 0 || ry == 1)
        return rubber * 0.45;
    if (ry == 2)
        return rubber * 1.35;
    return rubber;
}

Colour paintHousing(int x, int y, int size) {
    Colour c = grain({214, 216, 220}, x, y, size, 8, 0.06, 12);
    if (y % 32 == 0)
        return c * 0.82;
    return c;
}

Colour paintTrim(int x, int y, int size) {
    // The housing's coloured band: orange with a dark pin stripe.
    Colour c = grain({235, 110, 25}, x, y, size, 8, 0.08, 13);
    if (y % 16 == 0)
        return {40, 40, 45};
    return c;
}

Colour paintAluminium(int x, int y, int size) {
    double streak = fbm(x / 8, y * 4, size, 16, 2, 14);
    return Colour{188, 192, 198} * (0.88 + 0.24 * streak);
}

Colour paintDarkMetal(int x, int y, int size) {
    return grain({78, 80, 88}, x, y, size, 16, 0.15, 15);
}

Colour paintGrip(int x, int y, int size) {
    int a = (x + y) % 8, b = (x - y + size) % 8;
    Colour c = grain({42, 42, 46}, x, y, size, 16, 0.2, 16);
    if (a == 0 || b == 0)
        return c * 0.5;
    return c;
}

Colour paintReflector(int x, int y, int size) {
    (void)size;
    int cx = x % 8, cy = y % 8;
    double d = std::hypot(cx - 3.5, cy - 3.5);
    return Colour{220, 30, 25} * (1.15 - 0.08 * d);
}

// The wheel: one surface of revolution about the axle, radius 8 and 5 wide. Its sides are
// shallow dishes that carry the sidewall, rim, spokes and hub as paint; the tread and its bevelled
// shoulders run between them. v runs from the hub of one side to the hub of the other.
const double kWheelRadius = 8, kWheelHalfWidth = 2.5, kDishRadius = 7;
const int kWheelSegments = 12, kSpokes = 4;

std::vector<ProfilePoint> wheelProfile() {
    const double w = kWheelHalfWidth, R = kWheelRadius;
    return {{0, -1.9, false}, {kDishRadius, -w, true}, {R, -1.5, false},
            {R, 1.5, false},  {kDishRadius, w, true},  {0, 1.9, false}};
}

const std::vector<double> kWheelV = profileV(wheelProfile(), VMode::ArcLength);
const double kDishV = kWheelV[1], kTreadV0 = kWheelV[2];

Colour paintWheel(int x, int y, int size) {
    double u = (x + 0.5) / size, v = (y + 0.5) / size;
    Colour rubber = grain({46, 46, 50}, x, y, size, 16, 0.18, 17);
    if (v > kDishV && v < 1 - kDishV) {
        // Chevron tread blocks, 24 round the wheel, with a groove down the middle.
        double across = (v - 0.5) / (0.5 - kTreadV0); // -1 .. 1 over the tread
        if (std::fabs(across) >= 1)
            return rubber;
        double shifted = u * 24 + 0.3 * std::fabs(across);
        if (shifted - std::floor(shifted) < 0.32 || std::fabs(across) < 0.08)
            return {18, 18, 20};
        return rubber * 1.9;
    }
    // A side: v grows with the distance from the hub, the same on both sides. Spokes are bands
    // of u centred on a segment, which the hub's fan of triangles draws as straight bars.
    double r = kDishRadius * (v < 0.5 ? v : 1 - v) / kDishV;
    if (r > 5.8)
        return std::fabs(r - 6.4) < 0.06 ? rubber * 1.6 : rubber;
    if (r > 4.5) {
        Colour metal = Colour{205, 208, 214} * (0.9 + 0.2 * fbm(x * 4, y / 4, size, 16, 2, 18));
        return r < 4.75 ? metal * 0.75 : metal;
    }
    if (r < 1.7) {
        if (r < 0.5)
            return {190, 192, 198};
        Colour hub = grain({200, 32, 28}, x, y, size, 8, 0.1, 19);
        return r > 1.45 ? hub * 0.7 : hub;
    }
    double spoke = u * kSpokes;
    double off = spoke - std::floor(spoke) - 0.5 / (kWheelSegments / kSpokes);
    if (std::fabs(off) < 0.07)
        return spoke < 1 ? grain({250, 205, 20}, x, y, size, 8, 0.08, 20)
                         : Colour{205, 208, 214} * 0.92;
    return {34, 34, 38};
}

Colour skin(Colour tone, int x, int y, int size, std::uint32_t seed) {
    return grain(tone, x, y, size, 8, 0.05, seed);
}

Colour paintSkin2(int x, int y, int size) {
    return skin({164, 110, 74}, x, y, size, 22);
}

// Heads: u = 0.5 is the face (-x in the file), v is height from the neck's foot to the crown.
// The face is drawn in the head's own height, from the chin (0) to the crown (1).
const double kHeadRadius = 2.75, kNeckFoot = -3.55;

double headV(int y, int size) {
    double h = kNeckFoot + (y + 0.5) / size * (kHeadRadius - kNeckFoot);
    return (h + kHeadRadius) / (2 * kHeadRadius);
}

Colour face(Colour tone, Colour hair, double hairLine, double backHair, int x, int y, int size,
            std::uint32_t seed) {
    double u = (x + 0.5) / size, v = headV(y, size);
    Colour c = skin(tone, x, y, size, seed);
    double du = u - 0.5;
    // Hair: over the crown, and down the back of the head to backHair.
    double back = std::fabs(du) > 0.25 ? (std::fabs(du) - 0.25) / 0.25 : 0;
    double limit = hairLine - (hairLine - backHair) * back;
    if (v > limit)
        return grain(hair, x, y, size, 32, 0.35, seed + 7);
    // Eyes, brows, nose shadow, mouth.
    for (int side = -1; side <= 1; side += 2) {
        double ex = du - side * 0.055, ey = v - 0.56;
        double e = (ex * ex) / (0.028 * 0.028) + (ey * ey) / (0.022 * 0.022);
        if (e < 1)
            return e < 0.35 ? Colour{30, 30, 40} : Colour{245, 245, 245};
        if (std::fabs(ex) < 0.035 && std::fabs(v - 0.615) < 0.008)
            return hair * 0.8;
    }
    if (std::fabs(du) < 0.045 && std::fabs(v - 0.33) < 0.012)
        return Colour{170, 70, 70};
    if (std::fabs(du) < 0.012 && v > 0.40 && v < 0.52)
        return c * 0.85;
    // Ears on the sides, cheeks with a little colour.
    if (std::hypot((std::fabs(du) - 0.25) / 0.03, (v - 0.5) / 0.09) < 1)
        return c * 0.85;
    if (std::hypot(std::fabs(du) - 0.09, v - 0.42) < 0.035)
        return mix(c, {230, 120, 110}, 0.25);
    return c;
}

Colour paintHead1(int x, int y, int size) {
    return face({240, 196, 165}, {120, 72, 36}, 0.78, 0.42, x, y, size, 23);
}
Colour paintHead2(int x, int y, int size) {
    double u = (x + 0.5) / size, v = headV(y, size);
    Colour c = face({164, 110, 74}, {28, 24, 22}, 0.74, 0.30, x, y, size, 24);
    // A short dark beard along the jaw.
    if (v > 0.1 && v < 0.30 && std::fabs(u - 0.5) < 0.2 && !(std::fabs(u - 0.5) < 0.05 && v > 0.27))
        return grain({40, 32, 28}, x, y, size, 32, 0.4, 25);
    return c;
}

// Arms run from the shoulder (v = 0) to the wrist (1), legs from the ankle (0) to the hip (1),
// with the elbow or knee at kLimbBendV.
const double kLimbV0 = 0.04, kLimbBendV = 0.5, kLimbV1 = 0.96;

// Rider one: red jacket with a white reflective band and a dark zip at the front (u = 0).
// The torso's v is height: the jeans end, the belt and the band sit at fixed heights.
const double kTorsoBottom = 17.4, kTorsoTop = 32.0;
double torsoV(double z) {
    return (z - kTorsoBottom) / (kTorsoTop - kTorsoBottom);
}

Colour paintJacket1(int x, int y, int size) {
    double u = (x + 0.5) / size, v = (y + 0.5) / size;
    if (v < torsoV(20.8))
        return grain({52, 78, 140}, x, y, size, 32, 0.2, 26);
    if (v < torsoV(21.4))
        return {30, 24, 20};
    Colour red = grain({205, 34, 38}, x, y, size, 16, 0.12, 27);
    if (std::fabs(v - torsoV(26.4)) < 0.025)
        return {240, 240, 235};
    if (u < 0.012 || u > 0.988)
        return {40, 40, 44};
    if (v > torsoV(30.9))
        return red * 0.7;
    return red;
}

// The jacket's sleeves, with a reflective band above the elbow.
Colour paintSleeve1(int x, int y, int size) {
    double v = (y + 0.5) / size;
    if (v > kLimbBendV - 0.08 && v < kLimbBendV - 0.04)
        return {240, 240, 235};
    return grain({205, 34, 38}, x, y, size, 16, 0.12, 28);
}

Colour paintJeans(int x, int y, int size) {
    double twill = ((x + y) % 4 < 2) ? 1.06 : 0.94;
    return grain({52, 78, 140}, x, y, size, 32, 0.2, 29) * twill;
}

Colour paintShoe1(int x, int y, int size) {
    double v = (y + 0.5) / size, u = (x + 0.5) / size;
    // u = 0.5 is the sole; a grey sole and a blue stripe along the sides.
    if (std::fabs(u - 0.5) < 0.16)
        return {120, 120, 125};
    if (std::fabs(std::fabs(u - 0.5) - 0.24) < 0.03 && v > 0.2 && v < 0.8)
        return {40, 90, 200};
    return grain({240, 240, 240}, x, y, size, 8, 0.05, 30);
}

Colour paintGlove(int x, int y, int size) {
    return grain({36, 36, 40}, x, y, size, 16, 0.25, 31);
}

Colour paintHelmet(int x, int y, int size) {
    double u = (x + 0.5) / size, v = (y + 0.5) / size;
    if (v < 0.07)
        return {30, 30, 34};
    Colour yellow = grain({250, 206, 28}, x, y, size, 8, 0.06, 32);
    // Vents: dark slots running up from the brow, six of them round the shell.
    double slot = u * 6 - std::floor(u * 6);
    if (v > 0.32 && v < 0.84 && std::fabs(slot - 0.5) < 0.09)
        return {25, 25, 28};
    if (std::fabs(v - 0.22) < 0.02)
        return {30, 30, 34};
    return yellow;
}

// Rider two: green t-shirt with a big white 7 on the back (u = 0.5), khaki shorts, bare legs.
Colour paintShirt2(int x, int y, int size) {
    double u = (x + 0.5) / size, v = (y + 0.5) / size;
    if (v < torsoV(20.6))
        return grain({192, 166, 112}, x, y, size, 32, 0.12, 33);
    if (v < torsoV(21.2))
        return {70, 45, 25};
    Colour green = grain({44, 160, 78}, x, y, size, 16, 0.1, 34);
    // The number: about 4 units tall on the back.
    double cell = 0.037;
    double tx = (u - 0.5) / cell + 2.5, ty = (v - torsoV(23.6)) / cell;
    if (onText("7", tx, ty))
        return {245, 245, 240};
    if (v > torsoV(31.0))
        return green * 0.75;
    return green;
}

// Short sleeves with a white hem above the elbow, bare forearms.
Colour paintArm2(int x, int y, int size) {
    double v = (y + 0.5) / size;
    if (v < kLimbBendV - 0.14)
        return grain({44, 160, 78}, x, y, size, 16, 0.1, 35);
    if (v < kLimbBendV - 0.06)
        return {245, 245, 240};
    return paintSkin2(x, y, size);
}

// A white sock at the ankle, the bare shin, and the shorts from above the knee, with a pocket.
Colour paintLeg2(int x, int y, int size) {
    double v = (y + 0.5) / size, u = (x + 0.5) / size;
    if (v < 0.16)
        return grain({238, 238, 232}, x, y, size, 8, 0.05, 37) * (y % 4 == 0 ? 0.9 : 1.0);
    if (v < kLimbBendV + 0.08)
        return paintSkin2(x, y, size);
    Colour khaki = grain({192, 166, 112}, x, y, size, 32, 0.12, 36);
    if (v < kLimbBendV + 0.12)
        return khaki * 0.8;
    if (std::fabs(u - 0.25) < 0.1 && v > 0.7 && v < 0.85)
        return khaki * 0.85;
    return khaki;
}

Colour paintBoot(int x, int y, int size) {
    double u = (x + 0.5) / size;
    if (std::fabs(u - 0.5) < 0.16)
        return {40, 30, 24};
    return grain({120, 74, 38}, x, y, size, 16, 0.15, 38);
}

Colour paintCap(int x, int y, int size) {
    double u = (x + 0.5) / size, v = (y + 0.5) / size;
    Colour blue = grain({28, 48, 150}, x, y, size, 16, 0.08, 39);
    if (v < 0.08)
        return blue * 0.7;
    double seam = u * 6 - std::floor(u * 6);
    if (seam < 0.04)
        return blue * 0.65;
    if (v > 0.93)
        return {240, 240, 240};
    return blue;
}

struct Texture {
    const char* file;
    int size;
    Painter paint;
};

const Texture kTextures[] = {
    {"deck.bmp", 64, paintDeck},           {"housing.bmp", 64, paintHousing},
    {"trim.bmp", 64, paintTrim},           {"column.bmp", 64, paintAluminium},
    {"handlebar.bmp", 64, paintDarkMetal}, {"grip.bmp", 64, paintGrip},
    {"reflector.bmp", 32, paintReflector}, {"wheel.bmp", 256, paintWheel},
    {"skin2.bmp", 32, paintSkin2},         {"head1.bmp", 128, paintHead1},
    {"head2.bmp", 128, paintHead2},        {"jacket1.bmp", 128, paintJacket1},
    {"sleeve1.bmp", 64, paintSleeve1},     {"jeans1.bmp", 64, paintJeans},
    {"shoe1.bmp", 64, paintShoe1},         {"glove1.bmp", 32, paintGlove},
    {"helmet1.bmp", 128, paintHelmet},     {"shirt2.bmp", 128, paintShirt2},
    {"arm2.bmp", 64, paintArm2},           {"leg2.bmp", 64, paintLeg2},
    {"boot2.bmp", 64, paintBoot},          {"cap2.bmp", 64, paintCap},
};

// ---------------------------------------------------------------------------------------------
// The ground: one bitmap for a 400 x 400 quad. Pixel column c runs towards world -z, pixel row
// r towards world -x, so each pixel is 400 / 1024 world units. The ride starts at the origin
// heading -z; the painter works in world x and z.

const int kGroundSize = 1024;
const double kHalfGround = 200;

struct Ground {
    double x, z; // world position of the pixel centre
    int c, r;    // pixel
};

// Paint letters flat on the ground, readable for someone travelling along `dir`.
bool groundText(const Ground& g, const std::string& text, double cx, double cz, double dirX,
                double dirZ, double cell) {
    double rightX = -dirZ, rightZ = dirX;
    double px = g.x - cx, pz = g.z - cz;
    double tx = (px * rightX + pz * rightZ) / cell + textWidth(text) / 2;
    double ty = (px * dirX + pz * dirZ) / cell + 3.5;
    return onText(text, tx, ty);
}

Colour grass(const Ground& g) {
    double n = fbm(g.c, g.r, kGroundSize, 128, 3, 40);
    double fine = rand01(g.c, g.r, 41);
    Colour c = mix(Colour{70, 140, 48}, Colour{110, 172, 62}, n);
    c = c * (0.93 + 0.14 * fine);
    // Mowing stripes, 8 units wide, across x in two quadrants and across z in the others.
    double along = (g.x * g.z > 0) ? g.x : g.z;
    bool light = static_cast<long>(std::floor(along / 8)) % 2 == 0;
    return c * (light ? 1.3 : 0.7);
}

Colour paving(const Ground& g) {
    // Square slabs of 6 pixels with dark one-pixel joints, laid in light and dark blocks of
    // two by two, each slab its own shade: the pattern has to show through the fog.
    int tc = g.c / 6, tr = g.r / 6;
    if (g.c % 6 == 0 || g.r % 6 == 0)
        return {40, 40, 44};
    double shade = rand01(tc, tr, 42);
    bool dark = ((tc / 2) + (tr / 2)) % 2 == 1;
    Colour c = dark ? mix(Colour{92, 88, 84}, Colour{118, 112, 104}, shade)
                    : mix(Colour{222, 216, 204}, Colour{248, 244, 234}, shade);
    if (rand01(tc, tr, 43) < 0.06)
        c = Colour{178, 96, 70};
    return c * (0.96 + 0.08 * rand01(g.c, g.r, 44));
}

Colour asphalt(const Ground& g) {
    double n = fbm(g.c, g.r, kGroundSize, 256, 2, 45);
    return Colour{44, 44, 50} * (0.85 + 0.3 * n) * (0.92 + 0.16 * rand01(g.c, g.r, 46));
}

Colour brick(const Ground& g, double radius, double angle) {
    // Running bond round the promenade: rows 1.6 wide, bricks 3.2 long.
    double rowPos = (radius - 80) / 1.6;
    int row = static_cast<int>(std::floor(rowPos));
    double along = angle * 84 / 3.2 + (row % 2) * 0.5;
    int index = static_cast<int>(std::floor(along));
    double fr = rowPos - row, fa = along - index;
    if (fr < 0.22 || fa < 0.11)
        return {150, 140, 128};
    double shade = rand01(index, row, 47);
    Colour c = mix(Colour{150, 58, 40}, Colour{190, 86, 56}, shade);
    return c * (0.94 + 0.12 * rand01(g.c, g.r, 48));
}

Colour groundColour(const Ground& g) {
    const double ax = std::fabs(g.x), az = std::fabs(g.z);
    const double radius = std::hypot(g.x, g.z);
    const double angle = std::atan2(g.x, -g.z);

    // The edge of the world: gravel, then a hedge.
    double edge = std::max(ax, az);
    if (edge > 197)
        return Colour{150, 146, 138} * (0.85 + 0.3 * rand01(g.c, g.r, 49));
    if (edge > 192)
        return Colour{34, 78, 30} * (0.75 + 0.5 * fbm(g.c, g.r, kGroundSize, 256, 2, 50));

    // Central plaza.
    if (ax < 30 && az < 30) {
        if (ax > 29 || az > 29)
            return {120, 118, 112};
        Colour c = paving(g);
        // Compass mosaic at the start: an eight-point star, the main points longer.
        if (radius < 4.6) {
            if (radius > 4.2)
                return {60, 60, 66};
            double sector = angle / (kPi / 4);
            long k = std::lround(sector);
            double off = sector - k; // -0.5 .. 0.5 from the nearest point
            double tip = (k % 2 == 0) ? 4.1 : 2.6;
            double reach = tip + (0.8 - tip) * std::fabs(off) * 2;
            if (radius < reach)
                return off < 0 ? Colour{236, 232, 220} : Colour{168, 64, 44};
            return {44, 70, 120};
        }
        const char* letters[4] = {"N", "E", "S", "W"};
        const double dirs[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
        for (int k = 0; k < 4; ++k) {
            if (groundText(g, letters[k], dirs[k][0] * 6.5, dirs[k][1] * 6.5, dirs[k][0],
                           dirs[k][1], 0.55))
                return {40, 40, 46};
        }
        // A chequered start line ahead of the vehicle and the name beyond it.
        if (g.z < -9.5 && g.z > -11.1 && ax < 7.8) {
            int cx = static_cast<int>(std::floor((g.x + 7.8) / 0.8));
            int cz = static_cast<int>(std::floor((g.z + 11.1) / 0.8));
            return ((cx + cz) % 2 == 0) ? Colour{240, 240, 240} : Colour{25, 25, 25};
        }
        if (groundText(g, "BALANTOR", 0, -16, 0, -1, 0.62))
            return {24, 30, 60};
        // Painted guide lines along the avenues' axes through the plaza.
        if ((ax < 0.3 && az > 20) || (az < 0.3 && ax > 9))
            return {232, 200, 40};
        return c;
    }

    // Four avenues out of the plaza, with lane markings, arrows and distances every 50 units.
    if (ax < 5 || az < 5) {
        double dirX = 0, dirZ = 0;
        if (ax < 5)
            dirZ = g.z < 0 ? -1 : 1;
        else
            dirX = g.x < 0 ? -1 : 1;
        double run = g.x * dirX + g.z * dirZ;
        double side = -g.x * dirZ + g.z * dirX; // to the right of someone riding outwards
        double across = std::fabs(side);
        if (across > 4.5)
            return {170, 168, 160};
        const Colour paint{250, 250, 246};
        if (across > 3.6 && across < 4.0)
            return paint;
        for (int d = 50; d <= 150; d += 50) {
            if (groundText(g, std::to_string(d), dirX * d, dirZ * d, dirX, dirZ, 0.38))
                return paint;
        }
        if (across < 0.25 && std::fmod(run, 6) < 3 && std::fabs(std::fmod(run + 25, 50) - 25) > 3)
            return paint;
        // An arrow in the right-hand lane, pointing outwards, halfway between the distances.
        double mod = std::fmod(run, 50);
        if (mod > 20 && mod < 30) {
            double t = (mod - 20) / 10; // 0 at the tail, 1 at the tip
            double halfWidth = t < 0.6 ? 0.35 : (1 - t) / 0.4 * 1.1;
            if (std::fabs(side - 1.9) < halfWidth)
                return paint;
        }
        return asphalt(g);
    }

    // The promenade ring round the park, with kerbs.
    if (radius > 79.4 && radius < 88.6) {
        if (radius < 80 || radius > 88)
            return {190, 188, 180};
        return brick(g, radius, angle);
    }

    // A pond, flower beds and bushes in the grass.
    double pdx = (g.x + 52) / 16, pdz = (g.z - 50) / 10;
    double wobble = 0.12 * std::sin(std::atan2(pdz, pdx) * 5);
    double pond = std::hypot(pdx, pdz) - wobble;
    if (pond < 1) {
        if (pond > 0.9)
            return {150, 140, 120};
        double ripple = 0.5 + 0.5 * std::sin(std::hypot(g.x + 52, g.z - 50) * 2.2);
        return mix(Colour{40, 90, 140}, Colour{70, 130, 180}, ripple * (1 - pond * 0.5));
    }
    const double beds[3][2] = {{48, 48}, {48, -48}, {-48, -48}};
    for (const auto& bed : beds) {
        double d = std::hypot(g.x - bed[0], g.z - bed[1]);
        if (d < 7) {
            if (d > 6.4)
                return {200, 196, 186};
            double pick = rand01(g.c / 2, g.r / 2, 51);
            if (pick < 0.18)
                return {220, 40, 60};
            if (pick < 0.30)
                return {250, 210, 40};
            if (pick < 0.38)
                return {240, 240, 250};
            return Colour{92, 64, 40} * (0.85 + 0.3 * rand01(g.c, g.r, 52));
        }
    }
    // Bushes on a jittered 16-unit grid, each with a shadow towards +x.
    int bx = static_cast<int>(std::floor(g.x / 16)), bz = static_cast<int>(std::floor(g.z / 16));
    for (int i = bx - 1; i <= bx + 1; ++i) {
        for (int j = bz - 1; j <= bz + 1; ++j) {
            if (rand01(i, j, 53) > 0.35)
                continue;
            double cx = (i + 0.2 + 0.6 * rand01(i, j, 54)) * 16;
            double cz = (j + 0.2 + 0.6 * rand01(i, j, 55)) * 16;
            double r = 1.5 + 2 * rand01(i, j, 56);
            // Keep paths and the plaza clear.
            double cr = std::hypot(cx, cz);
            if (std::fabs(cx) < 34 + r && std::fabs(cz) < 34 + r)
                continue;
            if (std::fabs(cx) < 8 + r || std::fabs(cz) < 8 + r || std::fabs(cr - 84) < 7 + r)
                continue;
            double d = std::hypot(g.x - cx, g.z - cz);
            if (d < r) {
                double n = fbm(g.c, g.r, kGroundSize, 256, 2, 57);
                return mix(Colour{30, 84, 32}, Colour{60, 120, 46}, n * (1 - d / r * 0.5));
            }
            if (std::hypot(g.x - cx - r * 0.4, g.z - cz) < r * 1.05)
                return grass(g) * 0.6;
        }
    }
    return grass(g);
}

Image paintGround() {
    Image img(kGroundSize, kGroundSize);
    const double step = 2 * kHalfGround / kGroundSize;
    for (int r = 0; r < kGroundSize; ++r) {
        for (int c = 0; c < kGroundSize; ++c) {
            Ground g{kHalfGround - (r + 0.5) * step, kHalfGround - (c + 0.5) * step, c, r};
            img.set(c, r, groundColour(g));
        }
    }
    return img;
}

Image paint(const Texture& texture) {
    Image img(texture.size, texture.size);
    for (int y = 0; y < texture.size; ++y)
        for (int x = 0; x < texture.size; ++x)
            img.set(x, y, texture.paint(x, y, texture.size));
    return img;
}

// ---------------------------------------------------------------------------------------------
// The wheel: centred on the origin, axis along y, alike on both sides.

Model buildWheel() {
    Model m;
    m.file = "hjul.ASE";
    // Axis y: a = x, n = y, b = n x a = -z.
    const Frame axle{{0, 0, 0}, {1, 0, 0}, {0, 0, -1}, {0, 1, 0}};
    int wheelMat = m.material("Wheel", "wheel.bmp", 0.18, 0.18, 0.2);
    Lathe o;
    o.segments = kWheelSegments;
    lathe(m.object("Wheel", wheelMat), axle, wheelProfile(), o);
    return m;
}

// ---------------------------------------------------------------------------------------------
// The bar model: chassis, deck, steering column, handlebar and grips. The deck top is at
// z = kDeckTop; the grips' centres are where the riders' hands go.

const double kDeckTop = 1.8;
const V3 kGrip{-6.8, 6.0, 22.0}; // right grip; the left one is mirrored in y
const double kGripRadius = 1.05;

Model buildBar() {
    Model m;
    m.file = "stang.ASE";
    int deckMat = m.material("Deck", "deck.bmp", 0.15, 0.15, 0.16);
    int housingMat = m.material("Housing", "housing.bmp", 0.84, 0.85, 0.86);
    int trimMat = m.material("Trim", "trim.bmp", 0.92, 0.43, 0.1);
    int columnMat = m.material("Column", "column.bmp", 0.74, 0.75, 0.78);
    int barMat = m.material("Handlebar", "handlebar.bmp", 0.3, 0.31, 0.34);
    int gripMat = m.material("Grip", "grip.bmp", 0.16, 0.16, 0.18);
    int reflectorMat = m.material("Reflector", "reflector.bmp", 0.86, 0.12, 0.1);

    // Parts come before the parts they cover, so that the hidden pixels fail the depth test
    // instead of being shaded and then painted over: the deck hides the housing's top, the bands
    // and the reflector its ends and back, the grips the bar's ends, the clamp the column's top.

    // Rubber deck on top of the housing.
    {
        Frame f{{0, 0, kDeckTop - 0.4}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        box(m.object("Deck", deckMat), f, {6.2, 13.4, 0.4}, 8.0);
    }
    // Orange bands round the housing's ends, next to the wheels. Frame: a = x, b = z,
    // n = a x b = -y.
    const Frame side{{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}};
    {
        Mesh& trim = m.object("Trim", trimMat);
        for (int s = -1; s <= 1; s += 2) {
            std::vector<V2> outline;
            std::vector<bool> smooth;
            roundedRect(7.3, 2.7, 1.8, 1, outline, smooth);
            for (V2& p : outline)
                p.v -= 1.0;
            double y0 = s < 0 ? -15.0 : 14.0;
            prism(trim, side, outline, smooth, -y0 - 1, -y0, 4.0);
        }
    }
    // A red reflector at the back, where the camera is.
    box(m.object("Reflector", reflectorMat), frameAlong({7.1, 0, -0.6}, {0, 0, 1}, {1, 0, 0}),
        {0.2, 3.5, 0.7}, 1.0);
    // The housing under the deck, a rounded section in the x-z plane swept along the axle, with
    // the fenders over the wheels and the fairing at the foot of the column: one object, as they
    // share a material.
    {
        Mesh& housing = m.object("Housing", housingMat);
        std::vector<V2> outline;
        std::vector<bool> smooth;
        roundedRect(7.0, 2.4, 1.6, 2, outline, smooth);
        for (V2& p : outline)
            p.v -= 1.0; // z from -3.4 to 1.4
        prism(housing, side, outline, smooth, -14.0, 14.0, 6.0);
        // Fenders: bands over the top of each wheel, concentric with it.
        for (int s = -1; s <= 1; s += 2) {
            outline.clear();
            smooth.clear();
            const int steps = 3;
            const double a0 = kPi * 0.12, a1 = kPi * 0.88, rIn = 8.7, rOut = 9.5;
            for (int i = 0; i <= steps; ++i) {
                double t = a0 + (a1 - a0) * i / steps;
                outline.push_back({rOut * std::cos(t), rOut * std::sin(t)});
                smooth.push_back(i != 0 && i != steps);
            }
            for (int i = steps; i >= 0; --i) {
                double t = a0 + (a1 - a0) * i / steps;
                outline.push_back({rIn * std::cos(t), rIn * std::sin(t)});
                smooth.push_back(i != 0 && i != steps);
            }
            double y0 = s < 0 ? -20.2 : 15.0;
            prism(housing, side, outline, smooth, -(y0 + 5.2), -y0, 6.0);
        }
        box(housing, frameAlong({-5.6, 0, 2.6}, {0, 0, 1}, {1, 0, 0}), {1.6, 3.0, 1.4}, 6.0);
    }
    // The grips, then the bar across the column's head with its clamp.
    for (int s = -1; s <= 1; s += 2) {
        V3 centre{kGrip.x, s * kGrip.y, kGrip.z};
        limb(m.object(s < 0 ? "GripLeft" : "GripRight", gripMat),
             {{centre - V3{0, 1.9, 0}, kGripRadius, 0}, {centre + V3{0, 1.9, 0}, kGripRadius, 1}},
             {1, 0, 0}, 4);
    }
    // The steering column runs from the front of the deck up to the clamp, leaning forward.
    const V3 base{-4.6, 0, 0.6}, top{-6.4, 0, 21.2};
    {
        Mesh& bar = m.object("Handlebar", barMat);
        box(bar, frameAlong({-6.6, 0, 22.0}, top - base, {1, 0, 0}), {1.5, 2.6, 1.6}, 4.0);
        limb(bar,
             {{{kGrip.x, -kGrip.y - 2.2, kGrip.z}, 0.65, 0},
              {{kGrip.x, kGrip.y + 2.2, kGrip.z}, 0.65, 1}},
             {1, 0, 0}, 6);
    }
    {
        Frame f = frameAlong(base, top - base, {1, 0, 0});
        std::vector<V2> outline;
        std::vector<bool> smooth;
        roundedRect(1.3, 1.9, 0.9, 1, outline, smooth);
        prism(m.object("Column", columnMat), f, outline, smooth, 0, length(top - base), 6.0);
    }
    return m;
}

// ---------------------------------------------------------------------------------------------
// Riders: about 35 units tall, feet on the deck, facing -x, hands on the grips.

struct Build {
    const char* file;
    double width;      // torso width factor
    double depth;      // torso depth over width
    double limb;       // limb thickness factor
    double shoulderY;  // half the shoulder width
    double hipY;       // half the hip width
    bool helmet;       // else a cap
    bool longSleeves;  // else a t-shirt and bare forearms
    bool longTrousers; // else shorts and bare shins
};

// Elbow or knee between a and b for segment lengths l1 and l2, bending towards `pole`.
V3 joint(V3 a, V3 b, double l1, double l2, V3 pole) {
    V3 d = b - a;
    double dist = std::min(length(d), l1 + l2 - 1e-3);
    V3 dir = unit(d);
    double along = (l1 * l1 - l2 * l2 + dist * dist) / (2 * dist);
    double out = std::sqrt(std::max(0.0, l1 * l1 - along * along));
    V3 side = unit(pole - dir * dot(pole, dir));
    return a + dir * along + side * out;
}

Model buildRider(const Build& b) {
    Model m;
    m.file = b.file;
    const bool one = b.helmet;
    int headMat = m.material("Head", one ? "head1.bmp" : "head2.bmp", 0.9, 0.75, 0.6);
    int torsoMat = m.material(one ? "Jacket" : "Shirt", one ? "jacket1.bmp" : "shirt2.bmp",
                              one ? 0.8 : 0.17, one ? 0.13 : 0.63, one ? 0.15 : 0.3);
    int armMat = m.material(one ? "Sleeve" : "Arm", one ? "sleeve1.bmp" : "arm2.bmp",
                            one ? 0.8 : 0.17, one ? 0.13 : 0.63, one ? 0.15 : 0.3);
    int legMat = m.material(one ? "Jeans" : "Leg", one ? "jeans1.bmp" : "leg2.bmp",
                            one ? 0.2 : 0.64, one ? 0.3 : 0.43, one ? 0.55 : 0.29);
    int shoeMat = m.material("Shoe", one ? "shoe1.bmp" : "boot2.bmp", one ? 0.94 : 0.47,
                             one ? 0.94 : 0.29, one ? 0.94 : 0.15);
    int handMat = one ? m.material("Glove", "glove1.bmp", 0.14, 0.14, 0.16)
                      : m.material("Skin", "skin2.bmp", 0.9, 0.75, 0.6);
    int hatMat = m.material(one ? "Helmet" : "Cap", one ? "helmet1.bmp" : "cap2.bmp",
                            one ? 0.98 : 0.11, one ? 0.8 : 0.19, one ? 0.11 : 0.59);

    const double cx = 0.8; // the body's centre line, a little behind the axle
    const double L = b.limb;

    // As on the bar, parts come before the parts they cover: the torso first, as the neck, the
    // shoulders and the hips end inside it, the hat before the head, the fists before the arms
    // and the shoes before the legs.

    // Torso from the crotch to the neck, with hips, waist, chest and shoulders. Frame: a = -x
    // (front, u = 0) so that the back is the middle of the bitmap.
    {
        const double w = b.width;
        std::vector<ProfilePoint> prof = {
            {0, kTorsoBottom, false}, {2.9 * w, 18.1, false},  {3.45 * w, 20.4, false},
            {3.15 * w, 22.8, false},  {3.75 * w, 27.2, false}, {b.shoulderY - 0.2, 29.3, false},
            {0, kTorsoTop, false}};
        Frame f{{cx, 0, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}};
        Lathe o;
        o.segments = 8;
        o.vMode = VMode::Height;
        o.sa = b.depth;
        lathe(m.object("Torso", torsoMat), f, prof, o);
    }
    const V3 headCentre{cx - 0.5, 0, 34.35};
    // Helmet or cap over the crown of the head. The frame tips back so the rim sits low at the
    // nape.
    {
        Mesh& hat = m.object(one ? "Helmet" : "Cap", hatMat);
        const double rim = one ? 2.55 : 2.35, dome = one ? 2.75 : 2.45;
        const double base = one ? 0.15 : 0.0, lift = 0.2, rise = one ? 2.75 : 2.25;
        std::vector<ProfilePoint> prof = {{0, base, false}, {rim, base, true}};
        for (int i = 1; i <= 3; ++i) {
            double t = kPi / 2 * i / 3;
            prof.push_back(
                {i == 3 ? 0 : dome * std::cos(t), base + lift + rise * std::sin(t), false});
        }
        Lathe o;
        o.segments = 8;
        o.sa = one ? 1.17 : 1.08;
        o.vMode = VMode::Height;
        Frame f = one ? frameAlong(headCentre + V3{0.15, 0, 0.15}, {0.22, 0, 1}, {1, 0, 0})
                      : frameAlong(headCentre + V3{0.05, 0, 0.55}, {0.12, 0, 1}, {1, 0, 0});
        lathe(hat, f, prof, o);
        if (!one) {
            // The peak: a flat half disc in front, tipped down a little.
            Frame peak = frameAlong(headCentre + V3{-1.6, 0, 0.75}, {-0.18, 0, 1}, {-1, 0, 0});
            std::vector<V2> outline;
            std::vector<bool> smooth;
            for (int i = 0; i <= 5; ++i) {
                double t = -kPi / 2 + kPi * i / 5;
                outline.push_back({2.5 * std::cos(t), 2.3 * std::sin(t)});
                smooth.push_back(i != 0 && i != 5);
            }
            prism(hat, peak, outline, smooth, -0.12, 0.12, 4.0);
        }
    }
    // Head and neck in one piece, the neck's foot inside the torso. Frame: a = +x, so the face
    // (-x) is u = 0.5.
    {
        std::vector<ProfilePoint> prof = {{0, kNeckFoot, false}, {0.46, -2.3, false}};
        for (double deg : {-50.0, -15.0, 20.0, 55.0}) {
            double phi = deg * kPi / 180;
            prof.push_back({std::cos(phi), kHeadRadius * std::sin(phi), false});
        }
        prof.push_back({0, kHeadRadius, false});
        Lathe o;
        o.segments = 8;
        o.vMode = VMode::Height;
        o.sa = 2.45;
        o.sb = 2.1;
        lathe(m.object("Head", headMat), {headCentre, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, prof, o);
    }
    // Fists round the grips, then the arms from the shoulder to the wrist, elbows out and back.
    {
        Mesh& hands = m.object("Hands", handMat);
        for (int s = -1; s <= 1; s += 2) {
            V3 grip{kGrip.x, s * kGrip.y, kGrip.z};
            Frame hand = frameAlong(grip + V3{0.15, 0, 0.35}, {0, 0, 1}, {1, 0, 0});
            ellipsoid(hands, hand, 1.45, 1.15 * L, 1.45, 6, 3);
        }
    }
    {
        Mesh& arms = m.object("Arms", armMat);
        for (int s = -1; s <= 1; s += 2) {
            V3 shoulder{cx + 0.1, s * (b.shoulderY - 0.4), 29.3};
            V3 wrist = V3{kGrip.x, s * kGrip.y, kGrip.z} + V3{1.3, 0, 0.9};
            V3 elbow = joint(shoulder, wrist, 6.4, 5.6, {0.55, s * 0.8, -0.25});
            double sleeve = b.longSleeves ? 1.0 : 1.15;
            limb(arms,
                 {{shoulder, 1.25 * L * sleeve, kLimbV0},
                  {elbow, 0.98 * L, kLimbBendV},
                  {wrist, 0.72 * L, kLimbV1}},
                 {1, 0, 0}, 6);
        }
    }
    // Shoes flat on the deck, then the legs: ankle, knee a little forward, hip.
    {
        // An oval body from heel to toe, u = 0.5 along the sole.
        Mesh& shoes = m.object("Shoes", shoeMat);
        for (int s = -1; s <= 1; s += 2) {
            Frame shoe{
                {cx + 1.7, s * (b.hipY + 1.1), kDeckTop + 0.85}, {0, 0, 1}, {0, 1, 0}, {-1, 0, 0}};
            std::vector<ProfilePoint> prof = {
                {0, 0, false}, {1.05, 0.9, false}, {1.12, 4.4, false}, {0, 6.0, false}};
            Lathe o;
            o.segments = 6;
            o.sa = 0.78;
            o.sb = 0.95 * L;
            lathe(shoes, shoe, prof, o);
        }
    }
    {
        Mesh& legs = m.object("Legs", legMat);
        for (int s = -1; s <= 1; s += 2) {
            V3 hip{cx, s * b.hipY, 19.4};
            V3 ankle{cx - 0.2, s * (b.hipY + 1.0), 3.9};
            V3 knee = joint(hip, ankle, 7.9, 7.85, {-1, s * 0.15, 0});
            double thigh = b.longTrousers ? 1.0 : 1.12;
            limb(legs,
                 {{ankle, 0.85 * L, kLimbV0},
                  {knee, 1.3 * L, kLimbBendV},
                  {hip, 1.8 * L * thigh, kLimbV1}},
                 {1, 0, 0}, 6);
        }
    }
    return m;
}

// ---------------------------------------------------------------------------------------------

bool writeFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "modelgen: cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "modelgen: cannot write %s\n", path.c_str());
    return ok;
}

size_t triangles(const Model& m) {
    size_t n = 0;
    for (const Mesh& o : m.objects)
        n += o.faces.size();
    return n;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: modelgen DIR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";

    const Build rider1{"figur.ASE", 1.0, 0.56, 1.0, 4.6, 2.1, true, true, true};
    const Build rider2{"figur2.ASE", 1.2, 0.7, 1.2, 5.3, 2.5, false, false, false};
    const Model models[] = {buildBar(), buildWheel(), buildRider(rider1), buildRider(rider2)};

    bool ok = true;
    for (const Model& m : models) {
        ok = writeFile(dir + m.file, aseText(m)) && ok;
        std::printf("%-11s %2zu objects %5zu triangles\n", m.file.c_str(), m.objects.size(),
                    triangles(m));
    }
    for (const Texture& texture : kTextures)
        ok = writeFile(dir + texture.file, bmpBytes(paint(texture))) && ok;
    ok = writeFile(dir + "Razedud.bmp", bmpBytes(paintGround())) && ok;
    return ok ? 0 : 1;
}
