#include "GLMesh.h"

#include <algorithm>
#include <cstdlib>

#include "VertexUtil.h"

GLMesh::~GLMesh() { freeArrays(); }

void GLMesh::squareViewport(QOpenGLFunctions& gl, int w, int h) {
    const int side = std::min(w, h);
    gl.glViewport((w - side) / 2, (h - side) / 2, side, side);
}

void GLMesh::createSurface(QOpenGLFunctions& gl, int numSlices) {
    freeArrays();
    numIndices = VertexUtil::esGenSurface(numSlices, &vertices, &texCoords, &indices, &numVertices);
    upload(gl);
}

void GLMesh::upload(QOpenGLFunctions& gl) {
    GLuint buffers[3];
    gl.glGenBuffers(3, buffers);
    positionBuffer = buffers[0];
    indexBuffer = buffers[1];
    texCoordBuffer = buffers[2];
    gl.glBindBuffer(GL_ARRAY_BUFFER, positionBuffer);
    gl.glBufferData(GL_ARRAY_BUFFER, numVertices * 3 * sizeof(float), vertices, GL_STATIC_DRAW);
    gl.glBindBuffer(GL_ARRAY_BUFFER, texCoordBuffer);
    gl.glBufferData(GL_ARRAY_BUFFER, numVertices * 2 * sizeof(float), texCoords, GL_DYNAMIC_DRAW);
    gl.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    gl.glBufferData(GL_ELEMENT_ARRAY_BUFFER, numIndices * sizeof(unsigned int), indices,
                    GL_STATIC_DRAW);
}

void GLMesh::bind(QOpenGLFunctions& gl) const {
    gl.glBindBuffer(GL_ARRAY_BUFFER, positionBuffer);
    gl.glEnableVertexAttribArray(kPositionLocation);
    gl.glVertexAttribPointer(kPositionLocation, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);
    gl.glBindBuffer(GL_ARRAY_BUFFER, texCoordBuffer);
    gl.glEnableVertexAttribArray(kTexCoordLocation);
    gl.glVertexAttribPointer(kTexCoordLocation, 2, GL_FLOAT, GL_FALSE, 2 * sizeof(float), nullptr);
    gl.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
}

void GLMesh::draw(QOpenGLFunctions& gl) const {
    gl.glDrawElements(GL_TRIANGLES, numIndices, GL_UNSIGNED_INT, nullptr);
}

void GLMesh::destroy(QOpenGLFunctions& gl) {
    const GLuint buffers[3] = {positionBuffer, indexBuffer, texCoordBuffer};
    gl.glDeleteBuffers(3, buffers);
    positionBuffer = indexBuffer = texCoordBuffer = 0;
    freeArrays();
}

void GLMesh::freeArrays() {
    std::free(vertices);
    std::free(texCoords);
    std::free(indices);
    vertices = texCoords = nullptr;
    indices = nullptr;
    numVertices = numIndices = 0;
}
