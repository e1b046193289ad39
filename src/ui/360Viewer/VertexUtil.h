#pragma once

// The meshes of the player views: a sphere and a flat quad over the same grid of
// numSlices / 2 parallels by numSlices slices. Arrays are malloc-allocated and the caller frees
// them with free(); a null output pointer skips that array.
class VertexUtil {
  public:
    // Sphere of `radius`: (numSlices / 2 + 1) x (numSlices + 1) vertices of 3 floats, texture
    // coordinates of 2 floats, 6 indices a grid cell. Returns the index count (0 below 2 slices).
    static int esGenSphere(int numSlices, float radius, float** vertices, float** texCoords,
                           unsigned int** indices, int* numVertices);
    // The same grid as a quad over -1..1 at z = 0 facing the viewer.
    static int esGenSurface(int numSlices, float** vertices, float** texCoords,
                            unsigned int** indices, int* numVertices);

  private:
    static int generate(int numSlices, float radius, bool sphere, float** vertices,
                        float** texCoords, unsigned int** indices, int* numVertices);
};
