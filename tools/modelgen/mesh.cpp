#include "mesh.h"

#include <algorithm>

namespace modelgen {

namespace {

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

} // namespace

Frame frameAlong(V3 origin, V3 axis, V3 hint) {
    V3 n = unit(axis);
    V3 a = unit(hint - n * dot(hint, n));
    return {origin, a, cross(n, a), n};
}

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

} // namespace modelgen
