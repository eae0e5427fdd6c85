// The fixed-function layer's matrices (gl.cpp), apart from WebGL so they can be checked on their
// own: 4 x 4, column-major as OpenGL keeps them.
#pragma once

namespace platform {

struct Matrix {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

// a * b.
Matrix multiply(const Matrix& a, const Matrix& b);

// The column vector `in` (x, y, z, w) times the matrix.
void transform(const Matrix& a, const float in[4], float out[4]);

// The matrix that carries normals to eye space, column-major: the inverse transpose of the
// modelview's upper 3 x 3. Not normalised, as OpenGL does not without GL_NORMALIZE.
void normalMatrix(const Matrix& modelview, float out[9]);

} // namespace platform
