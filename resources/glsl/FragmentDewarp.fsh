#version 330 core

// Dewarps an equidistant fisheye covering 210 degrees. Per pixel:
// 1. the view mode maps the texture coordinate (u, v) to a latitude and longitude;
// 2. the direction of that latitude and longitude is turned into lens coordinates;
// 3. its angle from the lens axis gives the distance from the lens centre in the frame;
// 4. the frame is sampled there.
out vec4 fragColor;

vec2 viewTexCoord();

uniform sampler2D samplerA;
uniform float srcAWidth;
uniform float srcAHeight;
uniform float srcACenterX;
uniform float srcACenterY;
uniform float srcARadius;
uniform mat3 rotationMatrixA;
uniform bool isPanoramaView;
uniform bool isHalfView;
uniform bool isQuarterView;

// VIEW_MODE, when defined before this (1 panorama, 2 2in1, 3 4in1, any other value the angle
// mode), fixes the mode at compile time; else the three flags choose it.
#ifdef VIEW_MODE
const bool panoramaView = VIEW_MODE == 1;
const bool halfView = VIEW_MODE == 2;
const bool quarterView = VIEW_MODE == 3;
#else
#define panoramaView isPanoramaView
#define halfView isHalfView
#define quarterView isQuarterView
#endif

const float PI = 3.1415926;
const float HALF_PI = 1.5707963;
const float APPROX_HALF_PI = 1.5707;
const float COVERED_ANGLE = 210.0;
const float RHO = PI * (COVERED_ANGLE / 2.0) / 180.0;
const float BAND_HEIGHT = PI * 75.0 / 180.0;
const float APPROX_STEPS = 3840.0;
const float DIVIDER_HALF_WIDTH = PI / 180.0 / 10.0;

// asin in steps of 1/3840, rounded to the nearest step, saturating at the right angle.
float _asin(float s)
{
    float n = floor(APPROX_STEPS * abs(s) + 0.5);
    float a = n >= APPROX_STEPS ? APPROX_HALF_PI : asin(n / APPROX_STEPS);
    return s < 0.0 ? -a : a;
}

// cos in steps of 1/3840 of a right angle, rounded to the nearest step, 0 beyond it.
float _cos(float a)
{
    float n = floor(abs(a) * (APPROX_STEPS / APPROX_HALF_PI) + 0.5);
    return n >= APPROX_STEPS ? 0.0 : cos(n * APPROX_HALF_PI / APPROX_STEPS);
}

// The lens model is the one the processor-side dewarps share (fisheyeLensDirection and
// fisheyePixel in base/src/support/360/FisheyeLens.h): the views pass its lens rotation,
// diag(-1, 1, -1); the distance from the centre is (90 - elevation) / 105 x the radius, and the
// offsets are flipped onto the frame (x up the rows, y along the columns). Here the arcsine and
// cosine go in steps, the texture is sampled bilinearly and clamped to the frame, and no edge
// rule applies: the angle mode alone blackens directions beyond the circle.
vec3 lensDirection(float phi, float theta)
{
    vec3 d = vec3(cos(phi) * cos(theta), -cos(phi) * sin(theta), sin(phi));
    vec3 r;
    for (int i = 0; i < 3; ++i)
        r[i] = dot(rotationMatrixA[i], d);
    return r;
}

vec4 sampleLens(vec3 r, float lambda)
{
    float c = _cos(lambda);
    float k = c < 0.01 ? srcARadius / RHO : (HALF_PI - lambda) / c * srcARadius / RHO;
    float offsetX = k * r.x;
    float offsetY = k * r.y;
    vec2 at = vec2((srcACenterX + offsetY + 0.5) / srcAWidth,
                   (srcACenterY - offsetX + 0.5) / srcAHeight);
    return texture(samplerA, at);
}

vec4 lookup(float phi, float theta)
{
    vec3 r = lensDirection(phi, theta);
    return sampleLens(r, _asin(r.z));
}

vec4 getTextureColorOnAngle(float phi, float theta)
{
    vec3 r = lensDirection(phi, theta);
    float lambda = _asin(r.z);
    if (lambda < (90.0 - COVERED_ANGLE / 2.0) * PI / 180.0)
        return vec4(0.0, 0.0, 0.0, 1.0);
    return sampleLens(r, lambda);
}

vec4 getTextureColorOnPanorama(float phi, float theta)
{
    float bandHalf = PI * 37.5 / 180.0;
    if (abs(phi) > bandHalf)
        return vec4(0.0, 0.0, 0.0, 1.0);
    return lookup(phi - (37.5 - 15.0) * PI / 180.0, theta);
}

float halfLatitude(float phi)
{
    float lowered = (75.0 - 15.0) * PI / 180.0;
    float raised = 15.0 * PI / 180.0;
    return phi > 0.0 ? phi / HALF_PI * BAND_HEIGHT - lowered : phi / HALF_PI * BAND_HEIGHT + raised;
}

vec4 getTextureColorOnHalf(float phi, float theta)
{
    float t;
    if (phi > 0.0)
        t = theta / 2.0 + HALF_PI;
    else
        t = theta < PI ? theta / 2.0 + 3.0 * HALF_PI : theta / 2.0 - HALF_PI;
    return lookup(halfLatitude(phi), t);
}

vec4 getTextureColorOnQuarter(float phi, float theta)
{
    float t;
    if (phi > 0.0) {
        if (theta < PI)
            t = theta / 2.0 + 3.0 * PI / 4.0;
        else if (theta < 3.0 * HALF_PI)
            t = theta / 2.0 + 5.0 * PI / 4.0;
        else
            t = theta / 2.0 - 3.0 * PI / 4.0;
    } else {
        t = theta < PI ? theta / 2.0 + PI / 4.0 : theta / 2.0 + 3.0 * PI / 4.0;
    }
    return lookup(halfLatitude(phi), t);
}

void main()
{
    vec2 uv = viewTexCoord();
    float u = uv.x;
    float v = uv.y;
    float phi = PI / 2.0 - PI * v;
    float theta = 2.0 * PI * u;
    bool onRowDivider = abs(v - 0.5) < DIVIDER_HALF_WIDTH;
    bool onColumnDivider = abs(u - 0.5) < DIVIDER_HALF_WIDTH;
    if (panoramaView)
        fragColor = getTextureColorOnPanorama(phi, theta);
    else if (halfView)
        fragColor = onRowDivider ? vec4(255.0, 255.0, 255.0, 1.0)
                                 : getTextureColorOnHalf(phi, theta);
    else if (quarterView)
        fragColor = onRowDivider || onColumnDivider ? vec4(255.0, 255.0, 255.0, 1.0)
                                                    : getTextureColorOnQuarter(phi, theta);
    else
        fragColor = getTextureColorOnAngle(phi, theta);
}
