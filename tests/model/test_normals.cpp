// The vertex normals: the one pass over the faces gives, bit for bit, what the vertex-by-face
// double loop gives, and a vertex without a direction gets the zero normal, never NaN.
#include "model/ase.h"
#include "reference.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

// The normals of one object by the one pass, checked against the double loop.
std::vector<CVector3> normals(const std::vector<CVector3>& vertices,
                              const std::vector<std::array<int, 3>>& faces) {
    t3DModel m;
    m.objectCount = 1;
    t3DObject o = {};
    o.vertexCount = static_cast<int>(vertices.size());
    o.vertices = new CVector3[vertices.size()];
    std::copy(vertices.begin(), vertices.end(), o.vertices);
    o.faceCount = static_cast<int>(faces.size());
    o.faces = new tFace[faces.size()]();
    for (std::size_t f = 0; f < faces.size(); ++f)
        std::copy(faces[f].begin(), faces[f].end(), o.faces[f].vertexIndex);
    m.objects.push_back(o);
    t3DModel expected = m; // shares the vertices and faces
    ase().ComputeNormals(&m);
    ReferenceNormals(&expected);
    const std::size_t bytes = sizeof(CVector3) * vertices.size();
    EXPECT_EQ(std::memcmp(m.objects[0].normals, expected.objects[0].normals, bytes), 0);
    delete[] expected.objects[0].normals;
    std::vector<CVector3> result(m.objects[0].normals, m.objects[0].normals + vertices.size());
    releaseModel(m);
    return result;
}

void expectNormal(const CVector3& n, float x, float y, float z) {
    EXPECT_NEAR(n.x, x, 1e-6f);
    EXPECT_NEAR(n.y, y, 1e-6f);
    EXPECT_NEAR(n.z, z, 1e-6f);
}

// Corners counter-clockwise seen from +z give a normal towards +z; a vertex's normal is the mean of
// its faces' normals weighted by their area (2 from +z, 1 from +x here).
TEST(VertexNormals, PointOutOfCounterClockwiseFacesWeightedByArea) {
    for (const CVector3& n : normals({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}))
        expectNormal(n, 0, 0, 1);
    const std::vector<CVector3> n =
        normals({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 1, 0}, {0, 0, 2}}, {{0, 1, 2}, {0, 3, 4}});
    expectNormal(n[0], 1 / std::sqrt(5.0f), 0, 2 / std::sqrt(5.0f));
}

// Faces that name a vertex that does not exist count for nobody; faces that cancel, a face of no
// area and a vertex no face uses leave the zero normal.
TEST(VertexNormals, VerticesWithoutDirectionGetTheZeroNormal) {
    for (const CVector3& n :
         normals({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}, {6, 6, 6}},
                 {{0, 1, 2}, {0, 2, 1}, {0, 1, 5}, {-1, 0, 1}, {0, 1, 2147483647}, {3, 3, 3}}))
        expectNormal(n, 0, 0, 0);
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
    std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(700);
    while (std::chrono::steady_clock::now() < deadline && !::testing::Test::HasFailure()) {
        std::vector<CVector3> vertices(1 + random() % 40);
        for (CVector3& v : vertices)
            v = {random() % 30 ? coordinate(random) : specials[random() % 6], coordinate(random),
                 coordinate(random)};
        std::vector<std::array<int, 3>> faces(random() % 80);
        for (std::array<int, 3>& face : faces)
            for (int& corner : face)
                corner = static_cast<int>(random() % (vertices.size() + 2)) - 1;
        for (const CVector3& n : normals(vertices, faces))
            ASSERT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
    }
}

} // namespace
