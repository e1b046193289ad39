#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "VertexUtil.h"

namespace {

struct Mesh {
    float* vertices = nullptr;
    float* texCoords = nullptr;
    unsigned int* indices = nullptr;
    int numVertices = 0;
    int numIndices = 0;
    ~Mesh() {
        std::free(vertices);
        std::free(texCoords);
        std::free(indices);
    }
};

struct CountCase {
    int slices;
    int vertices;
    int indices;
};

class MeshCounts : public testing::TestWithParam<CountCase> {};

TEST_P(MeshCounts, SphereAndSurfaceShareTheGrid) {
    const CountCase c = GetParam();
    Mesh sphere;
    Mesh surface;
    sphere.numIndices = VertexUtil::esGenSphere(c.slices, 1.0f, &sphere.vertices, &sphere.texCoords,
                                                &sphere.indices, &sphere.numVertices);
    surface.numIndices = VertexUtil::esGenSurface(c.slices, &surface.vertices, &surface.texCoords,
                                                  &surface.indices, &surface.numVertices);
    EXPECT_EQ(sphere.numVertices, c.vertices);
    EXPECT_EQ(sphere.numIndices, c.indices);
    EXPECT_EQ(surface.numVertices, c.vertices);
    EXPECT_EQ(surface.numIndices, c.indices);
    for (int i = 0; i < sphere.numIndices; ++i) ASSERT_LT(sphere.indices[i], unsigned(c.vertices));
}

INSTANTIATE_TEST_SUITE_P(Slices, MeshCounts,
                         testing::Values(CountCase{360, 65341, 388800}, CountCase{4, 15, 48},
                                         CountCase{2, 6, 12}, CountCase{1, 2, 0},
                                         CountCase{0, 1, 0}));

TEST(VertexUtil, SphereStartsAtTheTopPole) {
    Mesh m;
    m.numIndices =
        VertexUtil::esGenSphere(360, 2.0f, &m.vertices, &m.texCoords, &m.indices, &m.numVertices);
    const float step = 2.0f * 3.14159265f / 360.0f;
    EXPECT_FLOAT_EQ(m.vertices[0], 0.0f);
    EXPECT_FLOAT_EQ(m.vertices[1], 2.0f);
    EXPECT_FLOAT_EQ(m.vertices[2], 0.0f);
    EXPECT_FLOAT_EQ(m.texCoords[0], 1.0f);
    EXPECT_FLOAT_EQ(m.texCoords[2], 1.0f - 1.0f / 360.0f);
    // Parallel 1, slice 0.
    const float* p = m.vertices + 361 * 3;
    EXPECT_NEAR(p[0], 0.0f, 1e-6);
    EXPECT_NEAR(p[1], 2.0f * std::cos(step), 1e-6);
    EXPECT_NEAR(p[2], 2.0f * std::sin(step), 1e-6);
    EXPECT_FLOAT_EQ(m.texCoords[361 * 2 + 1], 1.0f / 180.0f);
    // Bottom pole, last texture coordinate.
    EXPECT_NEAR(m.vertices[(65341 - 1) * 3 + 1], -2.0f, 1e-5);
    EXPECT_FLOAT_EQ(m.texCoords[(65341 - 1) * 2], 0.0f);
    EXPECT_FLOAT_EQ(m.texCoords[(65341 - 1) * 2 + 1], 1.0f);
    const unsigned int first[6] = {0, 361, 362, 0, 362, 1};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(m.indices[i], first[i]) << i;
    EXPECT_EQ(m.indices[388800 - 1], 179u * 361u + 359u + 1u);
}

TEST(VertexUtil, SurfaceSpansTheQuadFacingTheViewer) {
    Mesh m;
    m.numIndices =
        VertexUtil::esGenSurface(360, &m.vertices, &m.texCoords, &m.indices, &m.numVertices);
    EXPECT_FLOAT_EQ(m.vertices[0], 1.0f);
    EXPECT_FLOAT_EQ(m.vertices[1], 1.0f);
    EXPECT_FLOAT_EQ(m.vertices[2], 0.0f);
    const float* last = m.vertices + (m.numVertices - 1) * 3;
    EXPECT_FLOAT_EQ(last[0], -1.0f);
    EXPECT_FLOAT_EQ(last[1], -1.0f);
    // Texture u runs right to left as x does, v top to bottom.
    EXPECT_FLOAT_EQ(m.texCoords[180 * 2], 0.5f);
    EXPECT_FLOAT_EQ(m.vertices[180 * 3], 0.0f);
}

TEST(VertexUtil, NullOutputsAreSkipped) {
    int numVertices = 0;
    EXPECT_EQ(VertexUtil::esGenSphere(8, 1.0f, nullptr, nullptr, nullptr, &numVertices), 192);
    EXPECT_EQ(numVertices, 45);
    float* texCoords = nullptr;
    EXPECT_EQ(VertexUtil::esGenSurface(8, nullptr, &texCoords, nullptr, nullptr), 192);
    ASSERT_NE(texCoords, nullptr);
    EXPECT_FLOAT_EQ(texCoords[1], 0.0f);
    std::free(texCoords);
}

}  // namespace
