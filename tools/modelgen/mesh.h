// The mesh toolkit: vectors, frames, meshes and the shapes the models are built from.
//
// Model coordinates are those of the files: z is up, the rider faces -x, the axle runs along y.
// The program reads a file's (x, y, z) as (x, z, -y), a rotation, so a triangle that runs
// counter-clockwise seen from outside in the file still does so after reading.
#pragma once

#include <cmath>
#include <string>
#include <vector>

namespace modelgen {

const double kPi = 3.14159265358979323846;

struct V3 {
    double x, y, z;
};
inline V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline V3 operator*(V3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline double dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline V3 cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(V3 a) {
    return std::sqrt(dot(a, a));
}
inline V3 unit(V3 a) {
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
Frame frameAlong(V3 origin, V3 axis, V3 hint);

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

// A box centred on f.o with the given half extents along a, b and n. Faces do not share
// corners, so the edges stay sharp under the reader's averaged normals. Texture coordinates are
// the face's own coordinates divided by `texel`, so neighbouring boxes keep one density.
void box(Mesh& m, const Frame& f, V3 half, double texel);

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

std::vector<double> profileV(const std::vector<ProfilePoint>& prof, VMode mode);

void lathe(Mesh& m, const Frame& f, const std::vector<ProfilePoint>& prof, const Lathe& o);

// An ellipsoid around f.o with radii ra, rb, rn along the frame's axes.
void ellipsoid(Mesh& m, const Frame& f, double ra, double rb, double rn, int segments, int rings);

// A limb along a path of joints, each with its radius and its v; u goes round from `hint`. The
// rings at bends lie in the plane that halves the bend, so both pieces keep their thickness, and
// short cones close the ends at v = 0 and 1.
struct Joint {
    V3 p;
    double r, v;
};

void limb(Mesh& m, const std::vector<Joint>& path, V3 hint, int segments);

// A prism: a polygon in the (a, b) plane of f, swept along n from h0 to h1, with flat caps.
// smooth[i] lets the side walls share the normal at outline point i (a rounded corner).
void prism(Mesh& m, const Frame& f, std::vector<V2> outline, std::vector<bool> smooth, double h0,
           double h1, double texel);

// A rounded rectangle outline of half sizes hu, hv and corner radius r.
void roundedRect(double hu, double hv, double r, int steps, std::vector<V2>& out,
                 std::vector<bool>& smooth);

} // namespace modelgen
