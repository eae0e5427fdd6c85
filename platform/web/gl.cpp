// OpenGL 1.1's fixed function on WebGL 1, which has none: immediate mode, the matrix stacks,
// lighting, fog, texturing as GL_MODULATE, the raster position, glBitmap and display lists, and
// the list attribute of the attribute stack. Everything else (clearing, the viewport, depth test,
// culling, texture objects) is WebGL's own and goes straight through.
//
// The vertex shader lights each vertex as OpenGL 1.1 does with its default material: emission 0,
// ambient 0.2, diffuse 0.8, no specular colour, a local light's direction taken from the vertex,
// no attenuation or spot cone (their defaults). As in OpenGL, normals are not normalised unless
// GL_NORMALIZE is on, so a scaled model is lit as brightly as on the desktop. Fog is worked out
// per fragment from the eye distance along z, as Mesa does.
//
// Immediate mode sends its vertices anew for every draw of every frame, and WebGL stalls on a
// buffer refilled while a draw still reads it. So each draw's place in the frame has a buffer of
// its own, refilled only when its vertices change, and uniforms are sent only when they change.
//
// A lost context (the browser's GPU reset) turns every call into nothing and makes nothing; the
// layer then makes no programs and draws nothing, until window.cpp starts it again in the
// context given back.
//
// Differs from OpenGL 1.1:
// - Display lists hold glBitmap calls only; other calls made while a list is compiled run at once.
//   glCallLists takes unsigned bytes.
// - glPushAttrib keeps only the list base (GL_LIST_BIT); other groups are not saved.
// - Primitives: points, lines, triangles, strips, fans; quads and polygons become triangles.
// - Of the lights only ambient, diffuse, specular (used with the material's, which is 0) and
//   position are set; colour material, two-sided lighting and texture matrices are not there.
// - A texture name without an image draws untextured, as an incomplete texture does in OpenGL.
#include "fixed.h"
#include "matrix.h"
#include "mipmap.h"

#include <GL/glu.h>
#include <emscripten/html5.h>
#include <webgl/webgl1.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace platform {
namespace {

struct Light {
    bool enabled = false;
    float ambient[4] = {0, 0, 0, 1};
    float diffuse[4] = {0, 0, 0, 1};
    float specular[4] = {0, 0, 0, 1};
    float position[4] = {0, 0, 1, 0}; // in eye coordinates
};

const int kLights = 8;
// Position, normal, colour, texture coordinate.
const int kFloatsPerVertex = 12;

struct State {
    std::vector<Matrix> modelview{Matrix()};
    std::vector<Matrix> projection{Matrix()};
    GLenum matrixMode = GL_MODELVIEW;

    float color[4] = {1, 1, 1, 1};
    float normal[3] = {0, 0, 1};
    float texCoord[2] = {0, 0};
    GLenum primitive = 0;
    bool inBegin = false;
    std::vector<float> vertices;

    bool lighting = false;
    bool normalize = false;
    bool texturing = false;
    bool fog = false;
    Light lights[kLights];
    GLenum fogMode = GL_EXP;
    float fogDensity = 1, fogStart = 0, fogEnd = 1;
    float fogColor[4] = {0, 0, 0, 0};

    GLuint boundTexture = 0;
    std::set<GLuint> textures;  // every name made in this context
    std::set<GLuint> withImage; // those that hold an image
    int unpackAlignment = 4;
    // Images given with glTexImage2D that go to WebGL at the first draw that samples them.
    struct Unsent {
        GLenum format, type;
        GLsizei width, height;
        int alignment;
        std::vector<unsigned char> bytes;
    };
    std::map<GLuint, Unsent> unsent;

    bool rasterValid = true;
    float raster[3] = {0, 0, 0}; // window coordinates
    float rasterColor[4] = {1, 1, 1, 1};

    // A bitmap's place in the glyph atlas: x < 0 until it is put there, kNoRoom once full.
    struct Place {
        int x = -1, y = 0;
    };
    struct List {
        std::vector<Bitmap> bitmaps;
        std::vector<Place> places; // one per bitmap, taken when first drawn
    };
    std::map<GLuint, List> lists;
    // The lists' bitmaps, packed on shelves into one texture as they are first drawn, so that a
    // string of them is one draw: drawn one by one, the overlay's glyphs cost a third of a frame.
    GLuint atlas = 0;
    int atlasX = 0, atlasY = 0, atlasShelf = 0;
    GLuint nextList = 1;
    GLuint compiling = 0;
    GLenum compileMode = 0;
    GLuint listBase = 0;
    std::vector<GLuint> listBaseStack;
};

// A uniform's location and the value it was last given.
struct Uniform {
    GLint location = -1;
    std::vector<float> value;
};

// A buffer for the draw that comes at its place in the frame, with the vertices it holds. Most
// draws send the same vertices frame after frame (the models in their own coordinates, the
// ground, the glyphs of the overlay), and sending them again costs more than the rest of a frame.
struct VertexSlot {
    GLuint buffer = 0;
    std::vector<float> vertices;
};

// The layer's own objects in the WebGL context, and what it knows of their contents.
struct Programs {
    GLuint scene = 0;
    GLuint bitmap = 0;
    GLuint white = 0; // bound while a draw is untextured, so the sampler always has a texture
    std::map<std::pair<GLuint, const char*>, Uniform> uniforms;
    std::vector<VertexSlot> slots;
    std::size_t nextSlot = 0; // the slot of the frame's next draw
};

State* g_state = nullptr;
Programs g_gpu;

State& state() {
    static State idle; // calls made with no context current change nothing that lasts
    return g_state ? *g_state : idle;
}

Matrix& current() {
    State& s = state();
    return s.matrixMode == GL_PROJECTION ? s.projection.back() : s.modelview.back();
}

std::vector<Matrix>& currentStack() {
    State& s = state();
    return s.matrixMode == GL_PROJECTION ? s.projection : s.modelview;
}

const char* kSceneVertex = R"(
attribute vec3 a_position;
attribute vec3 a_normal;
attribute vec4 a_color;
attribute vec2 a_texCoord;
uniform mat4 u_modelview;
uniform mat4 u_projection;
uniform mat3 u_normalMatrix;
uniform bool u_lighting;
uniform bool u_normalize;
uniform float u_lightOn[8];
uniform vec4 u_lightPosition[8];
uniform vec3 u_lightAmbient[8];
uniform vec3 u_lightDiffuse[8];
varying vec4 v_color;
varying vec2 v_texCoord;
varying float v_fogDistance;
void main() {
    vec4 eye = u_modelview * vec4(a_position, 1.0);
    gl_Position = u_projection * eye;
    v_fogDistance = abs(eye.z);
    v_texCoord = a_texCoord;
    if (!u_lighting) {
        v_color = a_color;
        return;
    }
    vec3 n = u_normalMatrix * a_normal;
    if (u_normalize)
        n = normalize(n);
    // Scene ambient 0.2 times the material's ambient 0.2.
    vec3 lit = vec3(0.04);
    for (int i = 0; i < 8; ++i) {
        if (u_lightOn[i] < 0.5)
            continue;
        vec4 p = u_lightPosition[i];
        vec3 toLight = p.w == 0.0 ? normalize(p.xyz) : normalize(p.xyz / p.w - eye.xyz);
        lit += 0.2 * u_lightAmbient[i] + max(dot(n, toLight), 0.0) * 0.8 * u_lightDiffuse[i];
    }
    v_color = vec4(clamp(lit, 0.0, 1.0), 0.8);
}
)";

const char* kSceneFragment = R"(
precision highp float;
uniform sampler2D u_texture;
uniform bool u_fog;
uniform int u_fogMode;
uniform float u_fogDensity;
uniform float u_fogStart;
uniform float u_fogEnd;
uniform vec4 u_fogColor;
varying vec4 v_color;
varying vec2 v_texCoord;
varying float v_fogDistance;
void main() {
    vec4 color = v_color * texture2D(u_texture, v_texCoord);
    if (u_fog) {
        float d = v_fogDistance;
        float f;
        if (u_fogMode == 0)
            f = exp(-u_fogDensity * d);
        else if (u_fogMode == 1)
            f = exp(-(u_fogDensity * d) * (u_fogDensity * d));
        else
            f = (u_fogEnd - d) / (u_fogEnd - u_fogStart);
        color.rgb = mix(u_fogColor.rgb, color.rgb, clamp(f, 0.0, 1.0));
    }
    gl_FragColor = color;
}
)";

// The bitmap's bits come from where the normal's slot says (the atlas, or a texture of its own),
// and the texture that modulates its colour is stretched over it.
const char* kBitmapVertex = R"(
attribute vec2 a_position;
attribute vec3 a_normal;
attribute vec2 a_texCoord;
uniform float u_depth;
varying vec2 v_bits;
varying vec2 v_texCoord;
void main() {
    gl_Position = vec4(a_position, u_depth, 1.0);
    v_bits = a_normal.xy;
    v_texCoord = a_texCoord;
}
)";

const char* kBitmapFragment = R"(
precision mediump float;
uniform sampler2D u_bits;
uniform sampler2D u_texture;
uniform vec4 u_color;
varying vec2 v_bits;
varying vec2 v_texCoord;
void main() {
    if (texture2D(u_bits, v_bits).r < 0.5)
        discard;
    gl_FragColor = u_color * texture2D(u_texture, v_texCoord);
}
)";

GLuint compile(GLenum kind, const char* source) {
    const GLuint shader = emscripten_glCreateShader(kind);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    return shader;
}

// Attribute locations are fixed so both programs share the one vertex layout's numbering.
GLuint link(const char* vertex, const char* fragment) {
    const GLuint program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, compile(GL_VERTEX_SHADER, vertex));
    emscripten_glAttachShader(program, compile(GL_FRAGMENT_SHADER, fragment));
    emscripten_glBindAttribLocation(program, 0, "a_position");
    emscripten_glBindAttribLocation(program, 1, "a_normal");
    emscripten_glBindAttribLocation(program, 2, "a_color");
    emscripten_glBindAttribLocation(program, 3, "a_texCoord");
    emscripten_glLinkProgram(program);
    return program;
}

enum UniformKind { kInt, kFloat, kVec3, kVec4, kMat3, kMat4 };

// Sets a uniform of the program in use, unless it holds that value already: every draw sets some
// twenty of them, and most stay the same all frame. Locations are looked up once per place that
// asks; the names are literals, so their address tells them apart.
void setUniform(GLuint program, const char* name, UniformKind kind, GLsizei count,
                const float* values) {
    auto it = g_gpu.uniforms.find({program, name});
    if (it == g_gpu.uniforms.end()) {
        it = g_gpu.uniforms.emplace(std::make_pair(program, name), Uniform()).first;
        it->second.location = emscripten_glGetUniformLocation(program, name);
    }
    Uniform& u = it->second;
    const int sizes[] = {1, 1, 3, 4, 9, 16};
    const std::size_t n = static_cast<std::size_t>(sizes[kind]) * count;
    if (u.value.size() == n && std::equal(values, values + n, u.value.begin()))
        return;
    u.value.assign(values, values + n);
    switch (kind) {
    case kInt:
        emscripten_glUniform1i(u.location, static_cast<GLint>(values[0]));
        break;
    case kFloat:
        emscripten_glUniform1fv(u.location, count, values);
        break;
    case kVec3:
        emscripten_glUniform3fv(u.location, count, values);
        break;
    case kVec4:
        emscripten_glUniform4fv(u.location, count, values);
        break;
    case kMat3:
        emscripten_glUniformMatrix3fv(u.location, count, GL_FALSE, values);
        break;
    case kMat4:
        emscripten_glUniformMatrix4fv(u.location, count, GL_FALSE, values);
        break;
    }
}

void setUniform(GLuint program, const char* name, float value) {
    setUniform(program, name, kFloat, 1, &value);
}

void setUniformInt(GLuint program, const char* name, int value) {
    const float v = static_cast<float>(value);
    setUniform(program, name, kInt, 1, &v);
}

// Binds the buffer of the frame's next draw, holding these vertices, in the one vertex layout.
void bindVertices(const std::vector<float>& vertices) {
    if (g_gpu.nextSlot == g_gpu.slots.size()) {
        g_gpu.slots.emplace_back();
        emscripten_glGenBuffers(1, &g_gpu.slots.back().buffer);
    }
    VertexSlot& slot = g_gpu.slots[g_gpu.nextSlot++];
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, slot.buffer);
    if (slot.vertices != vertices) {
        slot.vertices = vertices;
        emscripten_glBufferData(GL_ARRAY_BUFFER, vertices.size() * sizeof(float), vertices.data(),
                                GL_STATIC_DRAW);
    }
    const GLsizei stride = kFloatsPerVertex * sizeof(float);
    const int sizes[4] = {3, 3, 4, 2};
    std::size_t offset = 0;
    for (GLuint a = 0; a < 4; ++a) {
        emscripten_glVertexAttribPointer(a, sizes[a], GL_FLOAT, GL_FALSE, stride,
                                         reinterpret_cast<const void*>(offset));
        offset += sizes[a] * sizeof(float);
    }
}

void setSceneUniforms() {
    State& s = state();
    const GLuint p = g_gpu.scene;
    emscripten_glUseProgram(p);
    setUniform(p, "u_modelview", kMat4, 1, s.modelview.back().m);
    setUniform(p, "u_projection", kMat4, 1, s.projection.back().m);
    float nm[9];
    normalMatrix(s.modelview.back(), nm);
    setUniform(p, "u_normalMatrix", kMat3, 1, nm);
    setUniformInt(p, "u_lighting", s.lighting);
    setUniformInt(p, "u_normalize", s.normalize);
    float on[kLights], position[kLights * 4], ambient[kLights * 3], diffuse[kLights * 3];
    for (int i = 0; i < kLights; ++i) {
        on[i] = s.lights[i].enabled ? 1.0f : 0.0f;
        std::copy_n(s.lights[i].position, 4, position + i * 4);
        std::copy_n(s.lights[i].ambient, 3, ambient + i * 3);
        std::copy_n(s.lights[i].diffuse, 3, diffuse + i * 3);
    }
    setUniform(p, "u_lightOn", kFloat, kLights, on);
    setUniform(p, "u_lightPosition", kVec4, kLights, position);
    setUniform(p, "u_lightAmbient", kVec3, kLights, ambient);
    setUniform(p, "u_lightDiffuse", kVec3, kLights, diffuse);
    setUniformInt(p, "u_texture", 0);
    setUniformInt(p, "u_fog", s.fog);
    setUniformInt(p, "u_fogMode", s.fogMode == GL_EXP ? 0 : s.fogMode == GL_EXP2 ? 1 : 2);
    setUniform(p, "u_fogDensity", s.fogDensity);
    setUniform(p, "u_fogStart", s.fogStart);
    setUniform(p, "u_fogEnd", s.fogEnd);
    setUniform(p, "u_fogColor", kVec4, 1, s.fogColor);
}

// Sends the bound texture's image to WebGL if it has not gone yet.
void sendImage(State& s) {
    const auto it = s.unsent.find(s.boundTexture);
    if (it == s.unsent.end())
        return;
    const State::Unsent& image = it->second;
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, image.alignment);
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(image.format), image.width,
                            image.height, 0, image.format, image.type, image.bytes.data());
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, s.unpackAlignment);
    s.unsent.erase(it);
}

void drawVertices(GLenum mode, const std::vector<float>& vertices) {
    if (vertices.empty() || !g_state || !g_gpu.scene)
        return;
    State& s = state();
    setSceneUniforms();
    const bool textured = s.texturing && s.withImage.count(s.boundTexture) != 0;
    if (textured)
        sendImage(s);
    if (!textured)
        emscripten_glBindTexture(GL_TEXTURE_2D, g_gpu.white);
    bindVertices(vertices);
    emscripten_glDrawArrays(mode, 0, static_cast<GLsizei>(vertices.size() / kFloatsPerVertex));
    if (!textured)
        emscripten_glBindTexture(GL_TEXTURE_2D, s.boundTexture);
}

// Quads and polygons as the triangles WebGL draws.
std::vector<float> triangulate(GLenum mode, const std::vector<float>& in) {
    const std::size_t count = in.size() / kFloatsPerVertex;
    std::vector<float> out;
    auto put = [&](std::size_t v) {
        out.insert(out.end(), in.begin() + v * kFloatsPerVertex,
                   in.begin() + (v + 1) * kFloatsPerVertex);
    };
    if (mode == GL_QUADS) {
        for (std::size_t q = 0; q + 3 < count; q += 4)
            for (std::size_t v : {q, q + 1, q + 2, q, q + 2, q + 3})
                put(v);
    } else {
        for (std::size_t v = 1; v + 1 < count; ++v)
            for (std::size_t w : {std::size_t{0}, v, v + 1})
                put(w);
    }
    return out;
}

const int kAtlasSide = 512;
const int kNoRoom = -2;

// The bitmap's bits as one byte per pixel, 255 where a bit is set.
std::vector<unsigned char> bitmapPixels(const Bitmap& bitmap) {
    const int stride = (bitmap.width + 7) / 8;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(bitmap.width) * bitmap.rows);
    for (int y = 0; y < bitmap.rows; ++y)
        for (int x = 0; x < bitmap.width; ++x)
            if (bitmap.bits[y * stride + x / 8] & (0x80 >> (x % 8)))
                pixels[y * bitmap.width + x] = 255;
    return pixels;
}

// Textures of bits are made and filled on the second unit, where bitmaps are drawn from, so the
// program's binding stays.
void bindBits(GLuint name) {
    emscripten_glActiveTexture(GL_TEXTURE1);
    emscripten_glBindTexture(GL_TEXTURE_2D, name);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

void unbindBits() {
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, state().unpackAlignment);
    emscripten_glBindTexture(GL_TEXTURE_2D, 0);
    emscripten_glActiveTexture(GL_TEXTURE0);
}

GLuint newBitsTexture(GLsizei width, GLsizei height, const unsigned char* pixels) {
    GLuint name;
    emscripten_glGenTextures(1, &name);
    bindBits(name);
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, width, height, 0, GL_LUMINANCE,
                            GL_UNSIGNED_BYTE, pixels);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    unbindBits();
    return name;
}

// Puts a list's bitmap into the atlas, on the shelf being filled or a new one below it.
State::Place placeInAtlas(State& s, const Bitmap& bitmap) {
    if (s.atlasX + bitmap.width > kAtlasSide) {
        s.atlasX = 0;
        s.atlasY += s.atlasShelf;
        s.atlasShelf = 0;
    }
    if (bitmap.width > kAtlasSide || s.atlasY + bitmap.rows > kAtlasSide)
        return {kNoRoom, 0};
    if (!s.atlas)
        s.atlas = newBitsTexture(kAtlasSide, kAtlasSide, nullptr);
    bindBits(s.atlas);
    emscripten_glTexSubImage2D(GL_TEXTURE_2D, 0, s.atlasX, s.atlasY, bitmap.width, bitmap.rows,
                               GL_LUMINANCE, GL_UNSIGNED_BYTE, bitmapPixels(bitmap).data());
    unbindBits();
    const State::Place place{s.atlasX, s.atlasY};
    s.atlasX += bitmap.width;
    s.atlasShelf = std::max(s.atlasShelf, bitmap.rows);
    return place;
}

// Adds the two triangles of a bitmap at the raster position to `quads`: its bits taken from
// (u0, v0) to (u1, v1) of their texture, the bound texture stretched over it.
void addBitmapQuad(const Bitmap& bitmap, float u0, float v0, float u1, float v1,
                   std::vector<float>& quads) {
    const State& s = state();
    GLint viewport[4];
    emscripten_glGetIntegerv(GL_VIEWPORT, viewport);
    const float x0 = std::floor(s.raster[0] - bitmap.xorig + 0.0001f) - viewport[0];
    const float y0 = std::floor(s.raster[1] - bitmap.yorig + 0.0001f) - viewport[1];
    auto ndcX = [&](float x) { return x / viewport[2] * 2 - 1; };
    auto ndcY = [&](float y) { return y / viewport[3] * 2 - 1; };
    const float l = ndcX(x0), r = ndcX(x0 + bitmap.width);
    const float b = ndcY(y0), t = ndcY(y0 + bitmap.rows);
    // Position, bits and texture coordinates, in the slots of the scene's layout.
    const float corners[6][6] = {{l, b, u0, v0, 0, 0}, {r, b, u1, v0, 1, 0}, {r, t, u1, v1, 1, 1},
                                 {l, b, u0, v0, 0, 0}, {r, t, u1, v1, 1, 1}, {l, t, u0, v1, 0, 1}};
    for (const auto& c : corners) {
        const float v[kFloatsPerVertex] = {c[0], c[1], 0, c[2], c[3], 0, 0, 0, 0, 0, c[4], c[5]};
        quads.insert(quads.end(), v, v + kFloatsPerVertex);
    }
}

// Draws bitmaps' quads with their bits in `bits`. The colour is the raster colour, modulated
// while texturing is on by the bound texture stretched over each bitmap, and not fogged: so Mesa
// draws it, and the desktop build's overlay takes its dark, mottled look from that.
void drawBitmapQuads(const std::vector<float>& quads, GLuint bits) {
    State& s = state();
    if (quads.empty() || !g_gpu.bitmap)
        return;
    const GLuint p = g_gpu.bitmap;
    emscripten_glUseProgram(p);
    setUniform(p, "u_depth", s.raster[2] * 2 - 1);
    setUniform(p, "u_color", kVec4, 1, s.rasterColor);
    setUniformInt(p, "u_texture", 0);
    setUniformInt(p, "u_bits", 1);
    const bool textured = s.texturing && s.withImage.count(s.boundTexture) != 0;
    if (textured)
        sendImage(s);
    else
        emscripten_glBindTexture(GL_TEXTURE_2D, g_gpu.white);
    emscripten_glActiveTexture(GL_TEXTURE1);
    emscripten_glBindTexture(GL_TEXTURE_2D, bits);
    bindVertices(quads);
    emscripten_glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(quads.size() / kFloatsPerVertex));
    emscripten_glBindTexture(GL_TEXTURE_2D, 0);
    emscripten_glActiveTexture(GL_TEXTURE0);
    emscripten_glBindTexture(GL_TEXTURE_2D, s.boundTexture);
}

bool hasBits(const Bitmap& bitmap) {
    return bitmap.width > 0 && bitmap.rows > 0;
}

void moveRaster(const Bitmap& bitmap) {
    state().raster[0] += bitmap.xmove;
    state().raster[1] += bitmap.ymove;
}

// Draws a bitmap at the raster position with a texture of its own for its bits, and moves the
// raster position on.
void drawBitmap(const Bitmap& bitmap) {
    if (!state().rasterValid)
        return;
    if (hasBits(bitmap) && g_gpu.bitmap) {
        const GLuint bits = newBitsTexture(bitmap.width, bitmap.rows, bitmapPixels(bitmap).data());
        std::vector<float> quad;
        addBitmapQuad(bitmap, 0, 0, 1, 1, quad);
        drawBitmapQuads(quad, bits);
        emscripten_glDeleteTextures(1, &bits);
    }
    moveRaster(bitmap);
}

// Draws the bitmaps of the lists in one draw from the atlas; one that finds no room there is
// drawn by itself.
void callLists(const GLubyte* codes, GLsizei n) {
    State& s = state();
    std::vector<float> quads;
    if (!s.rasterValid)
        return;
    for (GLsizei i = 0; i < n; ++i) {
        auto it = s.lists.find(s.listBase + codes[i]);
        if (it == s.lists.end())
            continue;
        State::List& list = it->second;
        list.places.resize(list.bitmaps.size());
        for (std::size_t k = 0; k < list.bitmaps.size(); ++k) {
            const Bitmap& bitmap = list.bitmaps[k];
            State::Place& place = list.places[k];
            if (hasBits(bitmap) && place.x == -1)
                place = placeInAtlas(s, bitmap);
            if (hasBits(bitmap) && place.x == kNoRoom) {
                drawBitmapQuads(quads, s.atlas);
                quads.clear();
                drawBitmap(bitmap);
                continue;
            }
            if (hasBits(bitmap)) {
                const float side = kAtlasSide;
                addBitmapQuad(bitmap, place.x / side, place.y / side,
                              (place.x + bitmap.width) / side, (place.y + bitmap.rows) / side,
                              quads);
            }
            moveRaster(bitmap);
        }
    }
    drawBitmapQuads(quads, s.atlas);
}

} // namespace

// On a lost context nothing is made, and nothing is drawn, until it comes back and the layer is
// started again (restartFixedFunction).
void startFixedFunction() {
    stopFixedFunction();
    g_state = new State;
    if (!g_gpu.scene && !emscripten_is_webgl_context_lost(emscripten_webgl_get_current_context())) {
        g_gpu.scene = link(kSceneVertex, kSceneFragment);
        g_gpu.bitmap = link(kBitmapVertex, kBitmapFragment);
        for (GLuint a = 0; a < 4; ++a)
            emscripten_glEnableVertexAttribArray(a);
        emscripten_glGenTextures(1, &g_gpu.white);
        emscripten_glBindTexture(GL_TEXTURE_2D, g_gpu.white);
        const unsigned char white[4] = {255, 255, 255, 255};
        emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                                white);
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        emscripten_glBindTexture(GL_TEXTURE_2D, 0);
    }
    g_state->lights[0].diffuse[0] = g_state->lights[0].diffuse[1] = g_state->lights[0].diffuse[2] =
        1;
    g_state->lights[0].specular[0] = g_state->lights[0].specular[1] =
        g_state->lights[0].specular[2] = 1;
}

// A page has one WebGL context: what the program made in the old one is deleted and the state
// WebGL keeps is put back to where a new context starts, so the next context starts afresh.
void stopFixedFunction() {
    if (!g_state)
        return;
    for (GLuint name : g_state->textures)
        emscripten_glDeleteTextures(1, &name);
    if (g_state->atlas)
        emscripten_glDeleteTextures(1, &g_state->atlas);
    delete g_state;
    g_state = nullptr;
    emscripten_glDisable(GL_DEPTH_TEST);
    emscripten_glDisable(GL_CULL_FACE);
    emscripten_glDepthFunc(GL_LESS);
    emscripten_glClearColor(0, 0, 0, 0);
    emscripten_glClearDepthf(1);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    emscripten_glBindTexture(GL_TEXTURE_2D, 0);
}

void restartFixedFunction() {
    delete g_state;
    g_state = nullptr;
    g_gpu = Programs();
    startFixedFunction();
}

void frameShown() {
    g_gpu.nextSlot = 0;
}

int unpackAlignment() {
    return state().unpackAlignment;
}

} // namespace platform

using namespace platform;

extern "C" {

void glEnable(GLenum cap) {
    State& s = state();
    if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + kLights)
        s.lights[cap - GL_LIGHT0].enabled = true;
    else if (cap == GL_LIGHTING)
        s.lighting = true;
    else if (cap == GL_TEXTURE_2D)
        s.texturing = true;
    else if (cap == GL_FOG)
        s.fog = true;
    else if (cap == GL_NORMALIZE)
        s.normalize = true;
    else if (cap == GL_DEPTH_TEST || cap == GL_CULL_FACE || cap == GL_BLEND ||
             cap == GL_SCISSOR_TEST || cap == GL_DITHER || cap == GL_POLYGON_OFFSET_FILL)
        emscripten_glEnable(cap);
}

void glDisable(GLenum cap) {
    State& s = state();
    if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + kLights)
        s.lights[cap - GL_LIGHT0].enabled = false;
    else if (cap == GL_LIGHTING)
        s.lighting = false;
    else if (cap == GL_TEXTURE_2D)
        s.texturing = false;
    else if (cap == GL_FOG)
        s.fog = false;
    else if (cap == GL_NORMALIZE)
        s.normalize = false;
    else if (cap == GL_DEPTH_TEST || cap == GL_CULL_FACE || cap == GL_BLEND ||
             cap == GL_SCISSOR_TEST || cap == GL_DITHER || cap == GL_POLYGON_OFFSET_FILL)
        emscripten_glDisable(cap);
}

// Smooth shading is the only kind, and the hints change nothing here.
void glShadeModel(GLenum) {}
void glHint(GLenum, GLenum) {}

void glClearDepth(GLclampd depth) {
    emscripten_glClearDepthf(static_cast<GLfloat>(depth));
}

void glMatrixMode(GLenum mode) {
    state().matrixMode = mode == GL_PROJECTION ? GL_PROJECTION : GL_MODELVIEW;
}

void glLoadIdentity() {
    current() = Matrix();
}

void glPushMatrix() {
    std::vector<Matrix>& stack = currentStack();
    if (stack.size() < 32)
        stack.push_back(stack.back());
}

void glPopMatrix() {
    std::vector<Matrix>& stack = currentStack();
    if (stack.size() > 1)
        stack.pop_back();
}

void glMultMatrixf(const GLfloat* m) {
    Matrix b;
    std::copy_n(m, 16, b.m);
    current() = multiply(current(), b);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    const GLfloat m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
    glMultMatrixf(m);
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    const GLfloat m[16] = {x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1};
    glMultMatrixf(m);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0)
        return;
    x /= length;
    y /= length;
    z /= length;
    const float radians = angle * 3.14159265358979f / 180;
    const float c = std::cos(radians), s = std::sin(radians), k = 1 - c;
    const GLfloat m[16] = {x * x * k + c,
                           y * x * k + z * s,
                           x * z * k - y * s,
                           0,
                           x * y * k - z * s,
                           y * y * k + c,
                           y * z * k + x * s,
                           0,
                           x * z * k + y * s,
                           y * z * k - x * s,
                           z * z * k + c,
                           0,
                           0,
                           0,
                           0,
                           1};
    glMultMatrixf(m);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    const double radians = fovy / 2 * 3.14159265358979323846 / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0)
        return;
    const double cotangent = std::cos(radians) / sine;
    GLfloat m[16] = {};
    m[0] = static_cast<float>(cotangent / aspect);
    m[5] = static_cast<float>(cotangent);
    m[10] = static_cast<float>(-(zFar + zNear) / deltaZ);
    m[11] = -1;
    m[14] = static_cast<float>(-2 * zNear * zFar / deltaZ);
    glMultMatrixf(m);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    float f[3] = {static_cast<float>(centerX - eyeX), static_cast<float>(centerY - eyeY),
                  static_cast<float>(centerZ - eyeZ)};
    const float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    auto normalise = [](float v[3]) {
        const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (length != 0)
            for (int i = 0; i < 3; ++i)
                v[i] /= length;
    };
    auto cross = [](const float a[3], const float b[3], float out[3]) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    };
    normalise(f);
    float side[3], u[3];
    cross(f, up, side);
    normalise(side);
    cross(side, f, u);
    const GLfloat m[16] = {side[0], u[0], -f[0], 0, side[1], u[1], -f[1], 0,
                           side[2], u[2], -f[2], 0, 0,       0,    0,     1};
    glMultMatrixf(m);
    glTranslatef(static_cast<float>(-eyeX), static_cast<float>(-eyeY), static_cast<float>(-eyeZ));
}

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    float* c = state().color;
    c[0] = r;
    c[1] = g;
    c[2] = b;
    c[3] = a;
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    glColor4f(r, g, b, 1);
}

void glColor3ub(GLubyte r, GLubyte g, GLubyte b) {
    glColor4f(r / 255.0f, g / 255.0f, b / 255.0f, 1);
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    float* n = state().normal;
    n[0] = x;
    n[1] = y;
    n[2] = z;
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    state().texCoord[0] = s;
    state().texCoord[1] = t;
}

void glBegin(GLenum mode) {
    State& s = state();
    s.primitive = mode;
    s.inBegin = true;
    s.vertices.clear();
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    State& s = state();
    if (!s.inBegin)
        return;
    const float v[kFloatsPerVertex] = {
        x,          y,          z,          s.normal[0], s.normal[1],   s.normal[2],
        s.color[0], s.color[1], s.color[2], s.color[3],  s.texCoord[0], s.texCoord[1]};
    s.vertices.insert(s.vertices.end(), v, v + kFloatsPerVertex);
}

void glEnd() {
    State& s = state();
    if (!s.inBegin)
        return;
    s.inBegin = false;
    if (s.primitive == GL_QUADS || s.primitive == GL_POLYGON)
        drawVertices(GL_TRIANGLES, triangulate(s.primitive, s.vertices));
    else if (s.primitive <= GL_TRIANGLE_FAN)
        drawVertices(s.primitive, s.vertices);
    s.vertices.clear();
}

void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    if (light < GL_LIGHT0 || light >= GL_LIGHT0 + kLights)
        return;
    Light& l = state().lights[light - GL_LIGHT0];
    if (pname == GL_AMBIENT)
        std::copy_n(params, 4, l.ambient);
    else if (pname == GL_DIFFUSE)
        std::copy_n(params, 4, l.diffuse);
    else if (pname == GL_SPECULAR)
        std::copy_n(params, 4, l.specular);
    else if (pname == GL_POSITION)
        transform(state().modelview.back(), params, l.position);
}

void glFogf(GLenum pname, GLfloat param) {
    State& s = state();
    if (pname == GL_FOG_MODE)
        s.fogMode = static_cast<GLenum>(param);
    else if (pname == GL_FOG_DENSITY)
        s.fogDensity = param;
    else if (pname == GL_FOG_START)
        s.fogStart = param;
    else if (pname == GL_FOG_END)
        s.fogEnd = param;
}

void glFogi(GLenum pname, GLint param) {
    glFogf(pname, static_cast<GLfloat>(param));
}

void glFogfv(GLenum pname, const GLfloat* params) {
    if (pname == GL_FOG_COLOR)
        std::copy_n(params, 4, state().fogColor);
    else
        glFogf(pname, params[0]);
}

void glGenTextures(GLsizei n, GLuint* names) {
    emscripten_glGenTextures(n, names);
    for (GLsizei i = 0; i < n; ++i) {
        state().textures.insert(names[i]);
        // A name deleted and made again starts without an image.
        state().unsent.erase(names[i]);
    }
}

void glBindTexture(GLenum target, GLuint name) {
    state().boundTexture = name;
    emscripten_glBindTexture(target, name);
}

void glPixelStorei(GLenum pname, GLint param) {
    if (pname == GL_UNPACK_ALIGNMENT)
        state().unpackAlignment = param;
    if (pname == GL_UNPACK_ALIGNMENT || pname == GL_PACK_ALIGNMENT)
        emscripten_glPixelStorei(pname, param);
}

// OpenGL 1.1 takes a component count (1 to 4) or a sized format; WebGL wants the format itself.
// An image of one level is kept until a draw samples it: the program gives the ground's bitmap
// to three textures and draws with one, and sending each costs the first frame tens of ms.
void glTexImage2D(GLenum target, GLint level, GLint, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels) {
    State& s = state();
    const int components = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 0;
    if (target == GL_TEXTURE_2D && level == 0 && border == 0 && pixels && components &&
        type == GL_UNSIGNED_BYTE && width > 0 && height > 0) {
        const std::size_t row = static_cast<std::size_t>(width) * components;
        const std::size_t stride =
            (row + s.unpackAlignment - 1) / s.unpackAlignment * s.unpackAlignment;
        const auto* bytes = static_cast<const unsigned char*>(pixels);
        s.unsent[s.boundTexture] =
            State::Unsent{format,
                          type,
                          width,
                          height,
                          s.unpackAlignment,
                          std::vector<unsigned char>(bytes, bytes + stride * (height - 1) + row)};
        s.withImage.insert(s.boundTexture);
        return;
    }
    if (level == 0)
        s.unsent.erase(s.boundTexture);
    else
        sendImage(s);
    emscripten_glTexImage2D(target, level, static_cast<GLint>(format), width, height, border,
                            format, type, pixels);
    if (level == 0)
        s.withImage.insert(s.boundTexture);
}

void glRasterPos3f(GLfloat x, GLfloat y, GLfloat z) {
    State& s = state();
    const float object[4] = {x, y, z, 1};
    float eye[4], clip[4];
    transform(s.modelview.back(), object, eye);
    transform(s.projection.back(), eye, clip);
    const float w = clip[3];
    s.rasterValid =
        w > 0 && std::fabs(clip[0]) <= w && std::fabs(clip[1]) <= w && std::fabs(clip[2]) <= w;
    if (!s.rasterValid)
        return;
    GLint viewport[4];
    emscripten_glGetIntegerv(GL_VIEWPORT, viewport);
    s.raster[0] = viewport[0] + (clip[0] / w + 1) * viewport[2] / 2;
    s.raster[1] = viewport[1] + (clip[1] / w + 1) * viewport[3] / 2;
    s.raster[2] = (clip[2] / w + 1) / 2;
    std::copy_n(s.color, 4, s.rasterColor);
}

void glRasterPos2f(GLfloat x, GLfloat y) {
    glRasterPos3f(x, y, 0);
}

void glBitmap(GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove,
              GLfloat ymove, const GLubyte* bits) {
    State& s = state();
    Bitmap bitmap;
    bitmap.width = bits ? width : 0;
    bitmap.rows = bits ? height : 0;
    bitmap.xorig = xorig;
    bitmap.yorig = yorig;
    bitmap.xmove = xmove;
    bitmap.ymove = ymove;
    const int stride = (bitmap.width + 7) / 8;
    const int align = std::max(1, s.unpackAlignment);
    const int sourceStride = (stride + align - 1) / align * align;
    for (int row = 0; row < bitmap.rows; ++row)
        bitmap.bits.insert(bitmap.bits.end(), bits + row * sourceStride,
                           bits + row * sourceStride + stride);
    if (s.compiling) {
        s.lists[s.compiling].bitmaps.push_back(bitmap);
        if (s.compileMode != GL_COMPILE_AND_EXECUTE)
            return;
    }
    drawBitmap(bitmap);
}

GLuint glGenLists(GLsizei range) {
    State& s = state();
    if (range <= 0 || !g_state)
        return 0;
    const GLuint first = s.nextList;
    s.nextList += static_cast<GLuint>(range);
    for (GLuint i = first; i < s.nextList; ++i)
        s.lists[i];
    return first;
}

void glNewList(GLuint list, GLenum mode) {
    State& s = state();
    if (list == 0 || s.compiling)
        return;
    s.lists[list] = State::List();
    s.compiling = list;
    s.compileMode = mode;
}

void glEndList() {
    state().compiling = 0;
}

void glDeleteLists(GLuint list, GLsizei range) {
    State& s = state();
    for (GLsizei i = 0; i < range; ++i) {
        s.lists.erase(list + static_cast<GLuint>(i));
    }
}

void glListBase(GLuint base) {
    state().listBase = base;
}

void glCallLists(GLsizei n, GLenum type, const GLvoid* lists) {
    if (type != GL_UNSIGNED_BYTE || !lists)
        return;
    callLists(static_cast<const GLubyte*>(lists), n);
}

void glPushAttrib(GLbitfield) {
    state().listBaseStack.push_back(state().listBase);
}

void glPopAttrib() {
    State& s = state();
    if (s.listBaseStack.empty())
        return;
    s.listBase = s.listBaseStack.back();
    s.listBaseStack.pop_back();
}

} // extern "C"

// GLU's: the image is brought to power-of-two sides (WebGL 1 mipmaps nothing else), then each
// level is half the one before, down to 1 x 1. Unsigned bytes only.
extern "C" GLint gluBuild2DMipmaps(GLenum target, GLint, GLsizei width, GLsizei height,
                                   GLenum format, GLenum type, const void* data) {
    int components = 0;
    switch (format) {
    case GL_LUMINANCE:
    case GL_ALPHA:
        components = 1;
        break;
    case GL_LUMINANCE_ALPHA:
        components = 2;
        break;
    case GL_RGB:
        components = 3;
        break;
    case GL_RGBA:
        components = 4;
        break;
    }
    if (width < 1 || height < 1)
        return GLU_INVALID_VALUE;
    if (components == 0 || type != GL_UNSIGNED_BYTE)
        return GLU_INVALID_ENUM;
    Image image{width, height, components, {}};
    const std::size_t row = static_cast<std::size_t>(width) * components;
    const int align = std::max(1, state().unpackAlignment);
    const std::size_t sourceRow = (row + align - 1) / align * align;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (int y = 0; y < height; ++y)
        image.pixels.insert(image.pixels.end(), bytes + y * sourceRow, bytes + y * sourceRow + row);

    GLint largest = 0;
    emscripten_glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    int w, h;
    baseLevel(width, height, largest, w, h);
    if (w != width || h != height)
        image = scaleImage(image, w, h);
    state().unsent.erase(state().boundTexture);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (GLint level = 0;; ++level) {
        emscripten_glTexImage2D(target, level, static_cast<GLint>(format), image.width,
                                image.height, 0, format, GL_UNSIGNED_BYTE, image.pixels.data());
        if (image.width == 1 && image.height == 1)
            break;
        image = halveImage(image);
    }
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, state().unpackAlignment);
    state().withImage.insert(state().boundTexture);
    return 0;
}
