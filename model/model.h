// The in-memory model: plain records filled by the ASE reader, and the small vector arithmetic
// that the normals are computed with.
//
// Ownership: each object owns its four arrays, created with new[] (zero-filled) by the reader and
// the normal computation; the program never frees them, a model lives until the process ends.
// Code that wants a model gone (tests, tools) frees them with delete[].
#pragma once

#include <cmath>
#include <vector>

// No constructor on purpose: it stays a plain record.
struct CVector3 {
    float x;
    float y;
    float z;
};

// A texture coordinate: x is u, y is v, both already scaled by the material's tiling.
struct CVector2 {
    float x;
    float y;
};

struct tFace {
    int vertexIndex[3];   // corners A, B, C into vertices (and normals)
    int texCoordIndex[3]; // the same corners into texVertices
};

struct tMaterialInfo {
    char name[255];
    char textureFile[255]; // empty when the material has no bitmap
    float diffuse[3];
    int textureId;
    float uTile;
    float vTile;
};

struct t3DObject {
    int vertexCount;
    int faceCount;
    int texVertexCount;
    int materialId; // -1 when the object names no material
    bool hasTexture;
    CVector3* vertices;
    CVector3* normals;
    CVector2* texVertices;
    tFace* faces;
};

// Users go by the two counts, never by the sizes of the containers: a second import into the same
// model appends entries behind the ones it fills.
struct t3DModel {
    int objectCount = 0;
    int materialCount = 0;
    std::vector<tMaterialInfo> materials;
    std::vector<t3DObject> objects;
};

// The vector from b to a.
inline CVector3 Vector(CVector3 a, CVector3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

inline CVector3 AddVector(CVector3 a, CVector3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

// Plain IEEE division: a zero divisor gives infinities or NaN, which Normalize turns into zero.
inline CVector3 DivideVectorByScaler(CVector3 v, float s) {
    return {v.x / s, v.y / s, v.z / s};
}

inline CVector3 Cross(CVector3 a, CVector3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// A vector with no direction (zero length, or infinite or NaN parts) normalises to the zero
// vector, so that no NaN or infinity ever reaches a normal.
inline CVector3 Normalize(CVector3 v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0.0f))
        return {0.0f, 0.0f, 0.0f};
    const CVector3 n = {v.x / length, v.y / length, v.z / length};
    if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z))
        return {0.0f, 0.0f, 0.0f};
    return n;
}
