#version 330 core

// Places the mesh, a quad over the whole view. For the flat views the texture coordinate is
// the picture's position; for the sphere each corner also gives its point on the projection
// plane z = 0, from which the fragment stage finds the sphere point it shows (the sphere seen
// from (0, 0, 1) through the stereographic projection, turned by the model matrix).
in vec4 position;
in vec2 texCoordIn;
out vec2 texCoordOut;
out vec2 planeOut;

uniform mat4 vshViewMatrix;
uniform mat4 vshProjectionMatrix;
uniform bool isSphere;

void main()
{
    texCoordOut = texCoordIn;
    planeOut = vec2(0.0);
    if (isSphere) {
        vec4 plane = inverse(vshProjectionMatrix * vshViewMatrix) * vec4(position.xy, 0.0, 1.0);
        planeOut = plane.xy / plane.w;
    }
    gl_Position = position;
}
