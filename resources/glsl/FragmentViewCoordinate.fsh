#version 330 core

// The equirectangular position (u, v) a pixel shows, linked into every view's fragment stage.
// Flat views: the quad's texture coordinate. The sphere, per pixel:
// 1. the point on the projection plane goes back onto the unit sphere (inverse stereographic
//    projection from (0, 0, 1));
// 2. the model rotation is undone;
// 3. the sphere point gives u from its longitude about y (1 at +z, falling towards +x) and v
//    from its angle to +y (0 at the top), as the sphere mesh lays its texture coordinates.
in vec2 texCoordOut;
in vec2 planeOut;

uniform bool isSphere;
uniform mat4 vshModelMatrix;

const float VIEW_PI = 3.1415926;

vec2 viewTexCoord()
{
    if (!isSphere)
        return texCoordOut;
    float r2 = dot(planeOut, planeOut);
    vec3 onPlane = vec3(2.0 * planeOut, r2 - 1.0) / (1.0 + r2);
    vec3 s = transpose(mat3(vshModelMatrix)) * onPlane;
    float longitude = atan(s.x, s.z);
    if (longitude < 0.0)
        longitude += 2.0 * VIEW_PI;
    return vec2(1.0 - longitude / (2.0 * VIEW_PI), acos(clamp(s.y, -1.0, 1.0)) / VIEW_PI);
}
