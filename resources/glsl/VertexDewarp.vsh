#version 330 core

// Places the mesh: the flat quad as it is, or the sphere turned by the model matrix and
// projected stereographically from (0, 0, 1) onto the plane z = 0.
in vec4 position;
in vec2 texCoordIn;
out vec2 texCoordOut;

uniform mat4 vshModelMatrix;
uniform mat4 vshViewMatrix;
uniform mat4 vshProjectionMatrix;
uniform bool isSphere;

void main()
{
    texCoordOut = texCoordIn;
    if (!isSphere) {
        gl_Position = position;
        return;
    }
    vec4 p = vshModelMatrix * position;
    if (p.z < 0.999)
        p = vec4(p.x / (1.0 - p.z), p.y / (1.0 - p.z), 0.0, 1.0);
    gl_Position = vshProjectionMatrix * (vshViewMatrix * p);
}
