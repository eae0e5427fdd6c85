// The vector helpers and the vertex normals: the one pass over the faces gives, bit for bit, what
// the vertex-by-face double loop gives, and no normal is ever NaN or infinite.
#include "model/ase.h"
#include "reference.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

void expectVector(const CVector3& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

TEST(VectorHelpers, ArgumentOrderAndResults) {
    expectVector(Vector({1, 2, 3}, {1, 1, 1}), 0, 1, 2);
    expectVector(AddVector({1, 2, 3}, {1, 1, 1}), 2, 3, 4);
    expectVector(Cross({1, 0, 0}, {0, 1, 0}), 0, 0, 1);
    expectVector(Cross({0, 1, 0}, {1, 0, 0}), 0, 0, -1);
    expectVector(Normalize({3, 0, 4}), 0.6f, 0, 0.8f);
    expectVector(DivideVectorByScaler({2, 4, 6}, -2), -1, -2, -3);
}

TEST(VectorHelpers, VectorsWithoutDirectionNormaliseToZero) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (CVector3 v : {CVector3{0, 0, 0}, CVector3{-0.0f, 0, 0}, CVector3{1e-30f, 0, 0},
                       CVector3{inf, 0, 0}, CVector3{nan, 1, 1}, CVector3{inf, -inf, 0}})
        expectVector(Normalize(v), 0, 0, 0);
    // Too long to square, yet finite: divided as it stands.
    expectVector(Normalize({1e30f, 0, 0}), 0, 0, 0);
    expectVector(Normalize({1e-18f, 0, 0}), 1, 0, 0);
}

// A model of one object with the given vertices and faces; the model owns copies.
t3DModel mesh(const std::vector<CVector3>& vertices, const std::vector<std::vector<int>>& faces) {
    t3DModel m;
    m.objectCount = 1;
    t3DObject o = {};
    o.vertexCount = static_cast<int>(vertices.size());
    o.vertices = new CVector3[vertices.size()];
    std::copy(vertices.begin(), vertices.end(), o.vertices);
    o.faceCount = static_cast<int>(faces.size());
    o.faces = new tFace[faces.size()]();
    for (std::size_t f = 0; f < faces.size(); ++f)
        for (int c = 0; c < 3; ++c)
            o.faces[f].vertexIndex[c] = faces[f][c];
    m.objects.push_back(o);
    return m;
}

// Normals by the one pass, checked against the double loop.
const CVector3* normals(t3DModel& m) {
    ase reader;
    reader.ComputeNormals(&m);
    t3DModel expected = m;
    for (t3DObject& o : expected.objects)
        o.normals = nullptr;
    ReferenceNormals(&expected);
    for (std::size_t i = 0; i < m.objects.size(); ++i) {
        const t3DObject& a = m.objects[i];
        const t3DObject& b = expected.objects[i];
        EXPECT_EQ(std::memcmp(a.normals, b.normals, sizeof(CVector3) * a.vertexCount), 0);
        delete[] b.normals;
    }
    return m.objects[0].normals;
}

TEST(VertexNormals, OneTriangle) {
    t3DModel m = mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    const CVector3* n = normals(m);
    for (int v = 0; v < 3; ++v)
        expectVector(n[v], 0, 0, 1);
    FreeModel(&m);
}

TEST(VertexNormals, WeightedByArea) {
    // Area 2, counter-clockwise seen from +z; area 1, counter-clockwise seen from +x.
    t3DModel m =
        mesh({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 1, 0}, {0, 0, 2}}, {{0, 1, 2}, {0, 3, 4}});
    const CVector3* n = normals(m);
    expectVector(n[0], 1 / std::sqrt(5.0f), 0, 2 / std::sqrt(5.0f));
    expectVector(n[1], 0, 0, 1);
    FreeModel(&m);
}

TEST(VertexNormals, FacesThatAddNothing) {
    // A face of zero area, a face naming one vertex three times, and a plane of two triangles.
    t3DModel m = mesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {5, 5, 5}},
                      {{0, 1, 2}, {0, 2, 3}, {0, 1, 1}, {2, 2, 2}});
    const CVector3* n = normals(m);
    for (int v = 0; v < 4; ++v)
        expectVector(n[v], 0, 0, 1);
    // Used by no face at all.
    expectVector(n[4], 0, 0, 0);
    FreeModel(&m);
}

TEST(VertexNormals, FacesOutsideTheVerticesAndCancellingFaces) {
    t3DModel m = mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                      {{0, 1, 2}, {0, 2, 1}, {0, 1, 3}, {-1, 0, 1}, {0, 1, 2147483647}});
    const CVector3* n = normals(m);
    for (int v = 0; v < 3; ++v)
        expectVector(n[v], 0, 0, 0);
    FreeModel(&m);

    t3DModel none;
    ase().ComputeNormals(&none);
    EXPECT_TRUE(none.objects.empty());
}

TEST(VertexNormals, OnePassEqualsTheDoubleLoop) {
    std::mt19937 random(99);
    const float specials[] = {0.0f,
                              -0.0f,
                              1e30f,
                              -1e-30f,
                              std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN()};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(700);
    while (std::chrono::steady_clock::now() < deadline) {
        const int vertexCount = 1 + static_cast<int>(random() % 40);
        std::vector<CVector3> vertices;
        std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
        for (int v = 0; v < vertexCount; ++v) {
            CVector3 p = {coordinate(random), coordinate(random), coordinate(random)};
            if (random() % 30 == 0)
                p.x = specials[random() % 6];
            vertices.push_back(p);
        }
        std::vector<std::vector<int>> faces;
        const int faceCount = static_cast<int>(random() % 80);
        for (int f = 0; f < faceCount; ++f) {
            std::vector<int> face;
            for (int c = 0; c < 3; ++c)
                face.push_back(static_cast<int>(random() % (vertexCount + 2)) - 1);
            faces.push_back(face);
        }
        t3DModel m = mesh(vertices, faces);
        const CVector3* n = normals(m);
        for (int v = 0; v < vertexCount; ++v)
            ASSERT_TRUE(std::isfinite(n[v].x) && std::isfinite(n[v].y) && std::isfinite(n[v].z));
        FreeModel(&m);
        if (::testing::Test::HasFailure())
            return;
    }
}

} // namespace
