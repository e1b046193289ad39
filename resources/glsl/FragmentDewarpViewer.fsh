#version 330 core

// Colours the sphere of the dewarp viewer at the equirectangular position (u, v). Per pixel:
// 1. each source: its fisheye frame dewarped (the patch picture where the lens does not see),
//    or, when the card does not dewarp, the equirectangular frame itself;
// 2. with a transition, the cross-fade from source A to source B;
// 3. the per-channel gamma filter (a gamma below 0 leaves its channel);
// 4. a title: faded in or out against the picture, or drawn over it by its alpha;
// 5. the text layer over everything, by its alpha.
out vec4 fragColor;

vec2 viewTexCoord();

uniform sampler2D samplerA;
uniform sampler2D samplerB;
uniform sampler2D samplerLogo;
uniform sampler2D samplerStartTitle;
uniform sampler2D samplerEndTitle;
uniform sampler2D samplerTexts;

uniform bool isDewarpByGL;
uniform bool doTransition;
uniform bool isStartTitleTransition;
uniform bool isEndTitleTransition;
uniform bool drawStartTitle;
uniform bool drawEndTitle;
uniform bool drawTexts;
uniform float fadeProgress;
uniform float HALF_PI;
uniform float FLOAT_PI;

uniform float ppWidth;
uniform float ppHeight;
uniform float ppCenterX;
uniform float ppCenterY;
uniform float ppRadius;

uniform float srcAWidth;
uniform float srcAHeight;
uniform float srcACenterX;
uniform float srcACenterY;
uniform float srcARadius;
uniform mat3 rotationMatrixA;
uniform float srcBWidth;
uniform float srcBHeight;
uniform float srcBCenterX;
uniform float srcBCenterY;
uniform float srcBRadius;
uniform mat3 rotationMatrixB;

uniform bool isUsingColorFilter;
uniform float rGamma;
uniform float gGamma;
uniform float bGamma;

// The lens: an equidistant fisheye covering 210 degrees; the patch fills the other 150.
const float COVERED_HALF_DEGREES = 105.0;
const float PATCH_HALF_DEGREES = 75.0;

struct Lens {
    float width;
    float height;
    float centerX;
    float centerY;
    float radius;
    mat3 rotation;
};

// The patch picture for lens direction r: distance from its centre proportional to the angle
// from the back axis (-z).
vec4 patchColor(vec3 r, float elevation)
{
    if (ppWidth <= 0.0 || ppHeight <= 0.0)
        return vec4(0.0, 0.0, 0.0, 1.0);
    float c = length(r.xy);
    float g = c < 0.01 ? 1.0 : (HALF_PI + elevation) / c;
    float k = ppRadius / (PATCH_HALF_DEGREES * FLOAT_PI / 180.0) * g;
    vec2 at = vec2((ppCenterX + k * r.y + 0.5) / ppWidth, (ppCenterY + k * r.x + 0.5) / ppHeight);
    return texture(samplerLogo, at);
}

// The fisheye colour seen at latitude phi and longitude theta (radians).
vec4 dewarp(sampler2D frame, Lens lens, float phi, float theta)
{
    vec3 d = vec3(cos(phi) * cos(theta), -cos(phi) * sin(theta), sin(phi));
    vec3 r;
    for (int i = 0; i < 3; ++i)
        r[i] = dot(lens.rotation[i], d);
    float elevation = asin(clamp(r.z, -1.0, 1.0));
    float offAxis = HALF_PI - elevation;
    float rho = COVERED_HALF_DEGREES * FLOAT_PI / 180.0;
    if (offAxis > rho)
        return patchColor(r, elevation);
    float c = length(r.xy);
    float k = c < 0.01 ? lens.radius / rho : offAxis / c * lens.radius / rho;
    vec2 at = vec2((lens.centerX + k * r.y + 0.5) / lens.width,
                   (lens.centerY - k * r.x + 0.5) / lens.height);
    return texture(frame, at);
}

vec4 source(sampler2D frame, Lens lens, vec2 uv)
{
    if (!isDewarpByGL)
        return texture(frame, uv);
    return dewarp(frame, lens, HALF_PI - FLOAT_PI * uv.y, 2.0 * FLOAT_PI * uv.x);
}

float gammaOf(float level, float gamma)
{
    return gamma < 0.0 ? level : pow(level, gamma);
}

vec3 over(vec3 below, vec4 above)
{
    return mix(below, above.rgb, above.a);
}

void main()
{
    vec2 uv = viewTexCoord();
    Lens lensA = Lens(srcAWidth, srcAHeight, srcACenterX, srcACenterY, srcARadius,
                      rotationMatrixA);
    vec3 color = source(samplerA, lensA, uv).rgb;
    if (doTransition) {
        Lens lensB = Lens(srcBWidth, srcBHeight, srcBCenterX, srcBCenterY, srcBRadius,
                          rotationMatrixB);
        color = mix(color, source(samplerB, lensB, uv).rgb, fadeProgress);
    }
    if (isUsingColorFilter)
        color = vec3(gammaOf(color.r, rGamma), gammaOf(color.g, gGamma), gammaOf(color.b, bGamma));
    if (isStartTitleTransition)
        color = mix(texture(samplerStartTitle, uv).rgb, color, fadeProgress);
    else if (drawStartTitle)
        color = over(color, texture(samplerStartTitle, uv));
    if (isEndTitleTransition)
        color = mix(color, texture(samplerEndTitle, uv).rgb, fadeProgress);
    else if (drawEndTitle)
        color = over(color, texture(samplerEndTitle, uv));
    if (drawTexts)
        color = over(color, texture(samplerTexts, uv));
    fragColor = vec4(color, 1.0);
}
