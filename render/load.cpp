#include "render/load.h"

#include "model/ase.h"
#include "platform/glaux.h"
#include <windows.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>

char filnamn[antalObjekt][30] = {"models/stang.ASE", "models/hjul.ASE", "models/figur.ASE",
                                 "models/figur2.ASE"};
t3DModel (&modeller)[antalObjekt] = *new t3DModel[1][antalObjekt];
unsigned int texturer[antalObjekt][100];
ase g_LoadASE;
int g_ViewMode = GL_TRIANGLES;

namespace {
const int textureSlots = 100;

bool inRange(int index, int count) {
    return index >= 0 && index < count;
}

// A face is drawn only when all three corners name vertices that exist: one missing corner
// would shift every later triangle of the object.
bool faceIsDrawable(const t3DObject& object, const tFace& face) {
    if (object.vertices == nullptr || object.normals == nullptr)
        return false;
    for (int c = 0; c < 3; ++c)
        if (!inRange(face.vertexIndex[c], object.vertexCount))
            return false;
    return true;
}
} // namespace

void load::Init() {
    for (int i = 0; i < antalObjekt; ++i) {
        t3DModel& model = modeller[i];
        g_LoadASE.ImportASE(&model, filnamn[i]);
        for (int j = 0; j < model.materialCount; ++j) {
            // A material past the texture table's row gets no texture of its own.
            if (model.materials[j].textureFile[0] != '\0' && j < textureSlots)
                CreateTexture(texturer[i], model.materials[j].textureFile, j);
            model.materials[j].textureId = j;
        }
    }
}

void load::CreateTexture(unsigned int* textureArray, char* strFileName, int textureID) {
    if (strFileName == nullptr)
        return;
    AUX_RGBImageRec* image = auxDIBImageLoadA(strFileName);
    if (image == nullptr) {
        // The vehicle cannot be drawn as its files say: say which bitmap is missing and stop
        // with a failure status.
        char message[512];
        std::snprintf(message, sizeof message, "Unable to find or open the file: %s", strFileName);
        MessageBoxA(nullptr, message, "Error", MB_OK);
        std::exit(1);
    }
    glGenTextures(1, &textureArray[textureID]);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, textureArray[textureID]);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image->sizeX, image->sizeY, GL_RGB, GL_UNSIGNED_BYTE,
                      image->data);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (image->data)
        std::free(image->data);
    std::free(image);
}

void load::RenderScene(int n) {
    if (!inRange(n, antalObjekt))
        return;
    t3DModel& model = modeller[n];
    for (int k = 0; k < model.objectCount; ++k) {
        if (model.objects.empty())
            break;
        t3DObject& object = model.objects[k];
        if (object.hasTexture) {
            glEnable(GL_TEXTURE_2D);
            glColor3ub(255, 0, 0);
            // Without a slot in the texture table the object is drawn with texture name 0, which
            // holds no image, so that its shape still shows.
            glBindTexture(GL_TEXTURE_2D, inRange(object.materialId, textureSlots)
                                             ? texturer[n][object.materialId]
                                             : 0);
        } else {
            glDisable(GL_TEXTURE_2D);
            glColor3ub(255, 0, 0);
        }
        const bool hasColour = !object.hasTexture && !model.materials.empty() &&
                               inRange(object.materialId, model.materialCount);

        glBegin(g_ViewMode);
        const int faceCount = object.faces != nullptr ? object.faceCount : 0;
        for (int fi = 0; fi < faceCount; ++fi) {
            const tFace& face = object.faces[fi];
            if (!faceIsDrawable(object, face))
                continue;
            for (int c = 0; c < 3; ++c) {
                const int v = face.vertexIndex[c];
                glNormal3f(object.normals[v].x, object.normals[v].y, object.normals[v].z);
                if (object.hasTexture) {
                    const int tv = face.texCoordIndex[c];
                    if (object.texVertices != nullptr && inRange(tv, object.texVertexCount))
                        glTexCoord2f(object.texVertices[tv].x, object.texVertices[tv].y);
                } else if (hasColour) {
                    const float* diffuse = model.materials[object.materialId].diffuse;
                    glColor3f(diffuse[0], diffuse[1], diffuse[2]);
                }
                glVertex3f(object.vertices[v].x, object.vertices[v].y, object.vertices[v].z);
            }
        }
        glEnd();
    }
}
