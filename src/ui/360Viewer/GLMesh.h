#pragma once

#include <QOpenGLFunctions>

// One mesh of VertexUtil in its three buffers: positions (3 floats a vertex, attribute 0),
// texture coordinates (2 floats, attribute 1) and 32-bit indices. Used with a current context
// on the thread of its view.
class GLMesh {
  public:
    static const GLuint kPositionLocation = 0;
    static const GLuint kTexCoordLocation = 1;
    // Slices of a flat quad. Its texture coordinates are linear in its positions, so a finer
    // grid gives the same picture, only with more vertices and triangles, which a software
    // renderer sets up on the drawing thread (130,000 triangles a frame at 360 slices).
    static const int kFlatSlices = 2;

    GLMesh() = default;
    GLMesh(const GLMesh&) = delete;
    GLMesh& operator=(const GLMesh&) = delete;
    ~GLMesh();

    // The viewport of the centred square of side min(w, h) in a w x h widget.
    static void squareViewport(QOpenGLFunctions& gl, int w, int h);

    // Builds the flat quad of `numSlices` and uploads it.
    void createSurface(QOpenGLFunctions& gl, int numSlices);
    // Binds the buffers to the attributes and the index buffer of the bound vertex array.
    void bind(QOpenGLFunctions& gl) const;
    void draw(QOpenGLFunctions& gl) const;
    // Deletes the buffers and frees the arrays.
    void destroy(QOpenGLFunctions& gl);

    int indexCount() const { return numIndices; }

  private:
    void upload(QOpenGLFunctions& gl);
    void freeArrays();

    float* vertices = nullptr;  // malloc-allocated, owned
    float* texCoords = nullptr;
    unsigned int* indices = nullptr;
    int numVertices = 0;
    int numIndices = 0;
    GLuint positionBuffer = 0;
    GLuint indexBuffer = 0;
    GLuint texCoordBuffer = 0;
};
