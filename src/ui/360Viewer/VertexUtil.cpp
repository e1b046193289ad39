#include "VertexUtil.h"

#include <cmath>
#include <cstdlib>

namespace {

template <typename T>
T* allocate(int count) {
    return static_cast<T*>(std::malloc(sizeof(T) * static_cast<size_t>(count)));
}

}  // namespace

int VertexUtil::esGenSphere(int numSlices, float radius, float** vertices, float** texCoords,
                            unsigned int** indices, int* numVertices) {
    return generate(numSlices, radius, true, vertices, texCoords, indices, numVertices);
}

int VertexUtil::esGenSurface(int numSlices, float** vertices, float** texCoords,
                             unsigned int** indices, int* numVertices) {
    return generate(numSlices, 1.0f, false, vertices, texCoords, indices, numVertices);
}

int VertexUtil::generate(int numSlices, float radius, bool sphere, float** vertices,
                         float** texCoords, unsigned int** indices, int* numVertices) {
    const int slices = numSlices < 0 ? 0 : numSlices;
    const int parallels = slices / 2;
    const int width = slices + 1;
    const int vertexCount = (parallels + 1) * width;
    const int indexCount = slices < 2 ? 0 : parallels * slices * 6;
    const float step = 2.0f * 3.14159265358979f / static_cast<float>(slices == 0 ? 1 : slices);
    float* positions = vertices ? allocate<float>(vertexCount * 3) : nullptr;
    float* coords = texCoords ? allocate<float>(vertexCount * 2) : nullptr;
    for (int i = 0; i <= parallels; ++i) {
        for (int j = 0; j <= slices; ++j) {
            const int vertex = i * width + j;
            if (positions) {
                float* p = positions + vertex * 3;
                if (sphere) {
                    p[0] = radius * std::sin(step * i) * std::sin(step * j);
                    p[1] = radius * std::cos(step * i);
                    p[2] = radius * std::sin(step * i) * std::cos(step * j);
                } else {
                    p[0] = 1.0f - 2.0f * j / slices;
                    p[1] = parallels == 0 ? 1.0f : 1.0f - 2.0f * i / parallels;
                    p[2] = 0.0f;
                }
            }
            if (coords) {
                coords[vertex * 2] = slices == 0 ? 1.0f : 1.0f - static_cast<float>(j) / slices;
                coords[vertex * 2 + 1] = parallels == 0 ? 0.0f : static_cast<float>(i) / parallels;
            }
        }
    }
    if (indices) {
        unsigned int* out = allocate<unsigned int>(indexCount);
        unsigned int* at = out;
        for (int i = 0; i < parallels && indexCount > 0; ++i) {
            for (int j = 0; j < slices; ++j) {
                const unsigned int top = i * width + j;
                const unsigned int bottom = (i + 1) * width + j;
                *at++ = top;
                *at++ = bottom;
                *at++ = bottom + 1;
                *at++ = top;
                *at++ = bottom + 1;
                *at++ = top + 1;
            }
        }
        *indices = out;
    }
    if (vertices) *vertices = positions;
    if (texCoords) *texCoords = coords;
    if (numVertices) *numVertices = vertexCount;
    return indexCount;
}
