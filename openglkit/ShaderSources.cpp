#include "openglkit/ShaderSources.h"

namespace zelvo {

const char* const videoVertexShaderSource = R"(uniform mat4 u_MVP;
attribute vec4 a_position;
attribute vec2 a_texCoord;
varying vec2 v_texCoord;

void main()
{
    gl_Position = u_MVP * a_position;
    v_texCoord = a_texCoord;
}
)";

// The adjustment is skipped at the neutral settings that Plane sends (identity
// transform, brightness 0, contrast factor 1): the HSL round trip clamps saturation
// and lightness, which would whiten colours outside the RGB gamut of an untouched
// picture. A contrast factor of 0 takes the full path and gives flat grey.
// The saturation divisor is kept off zero: lightness 0 or 1 with some chroma happens
// for colours outside the gamut.
const char* const videoFragmentShaderSource = R"(uniform sampler2D u_textureY;
uniform sampler2D u_textureU;
uniform sampler2D u_textureV;
uniform mat4 u_mYUVToRGB;
uniform mat4 u_mColorTransform;
uniform float u_brightness;
uniform float u_contrast;
varying vec2 v_texCoord;

const float pi = 3.14159265358979323846264338327950288;
const float undefined = 100.0;

void main()
{
    float y = texture2D(u_textureY, v_texCoord).r;
    float u = texture2D(u_textureU, v_texCoord).r;
    float v = texture2D(u_textureV, v_texCoord).r;
    vec4 rgb = u_mYUVToRGB * vec4(y, u, v, 1.0);

    if (u_mColorTransform == mat4(1.0) && u_brightness == 0.0 && u_contrast == 1.0) {
        gl_FragColor = rgb;
        return;
    }

    float cmax = max(rgb.r, max(rgb.g, rgb.b));
    float cmin = min(rgb.r, min(rgb.g, rgb.b));
    float chroma = cmax - cmin;
    float hue;
    if (chroma == 0.0) {
        hue = undefined;
    } else {
        if (cmax == rgb.r) {
            hue = mod((rgb.g - rgb.b) / chroma, 6.0);
        } else if (cmax == rgb.g) {
            hue = (rgb.b - rgb.r) / chroma + 2.0;
        } else {
            hue = (rgb.r - rgb.g) / chroma + 4.0;
        }
        hue = hue * pi / 3.0;
    }
    float lightness = (cmax + cmin) / 2.0;
    float saturation = 0.0;
    if (chroma != 0.0) {
        saturation = chroma / max(1.0e-6, 1.0 - abs(2.0 * lightness - 1.0));
    }

    vec3 hsl = (u_mColorTransform * vec4(hue, saturation, lightness, 1.0)).xyz;
    float h = mod(hsl.x, 2.0 * pi);
    float s = clamp(hsl.y, 0.0, 1.0);
    float l = clamp(hsl.z, 0.0, 1.0);
    if (hue == undefined) {
        h = undefined;
    }

    float c = (1.0 - abs(2.0 * l - 1.0)) * s;
    float h6 = h * 3.0 / pi;
    float x = c * (1.0 - abs(mod(h6, 2.0) - 1.0));
    vec3 colour;
    if (h == undefined) {
        colour = vec3(0.0, 0.0, 0.0);
    } else if (h6 >= 0.0 && h6 < 1.0) {
        colour = vec3(c, x, 0.0);
    } else if (h6 >= 1.0 && h6 < 2.0) {
        colour = vec3(x, c, 0.0);
    } else if (h6 >= 2.0 && h6 < 3.0) {
        colour = vec3(0.0, c, x);
    } else if (h6 >= 3.0 && h6 < 4.0) {
        colour = vec3(0.0, x, c);
    } else if (h6 >= 4.0 && h6 < 5.0) {
        colour = vec3(x, 0.0, c);
    } else {
        colour = vec3(c, 0.0, x);
    }
    colour = colour + vec3(l - c / 2.0);

    colour = (colour - 0.5) * u_contrast + 0.5;
    colour = colour + u_brightness;
    gl_FragColor = vec4(colour, 1.0);
}
)";

// Must stay the neutral path of the shader above, expression for expression: planes at
// neutral settings are drawn with it and must look the same.
const char* const videoNeutralFragmentShaderSource = R"(uniform sampler2D u_textureY;
uniform sampler2D u_textureU;
uniform sampler2D u_textureV;
uniform mat4 u_mYUVToRGB;
varying vec2 v_texCoord;

void main()
{
    float y = texture2D(u_textureY, v_texCoord).r;
    float u = texture2D(u_textureU, v_texCoord).r;
    float v = texture2D(u_textureV, v_texCoord).r;
    vec4 rgb = u_mYUVToRGB * vec4(y, u, v, 1.0);
    gl_FragColor = rgb;
}
)";

const char* const osdVertexShaderSource = R"(attribute vec4 a_position;
attribute vec2 a_osdTexCoord;
attribute vec2 a_backgroundTexCoord;
uniform mat4 u_MVP;
varying vec2 v_osdTexCoord;
varying vec2 v_backgroundTexCoord;

void main()
{
    gl_Position = u_MVP * a_position;
    v_osdTexCoord = a_osdTexCoord;
    v_backgroundTexCoord = a_backgroundTexCoord;
}
)";

const char* const osdFragmentShaderSource = R"(uniform sampler2D u_textureOsd;
uniform sampler2D u_textureBackground;
varying vec2 v_osdTexCoord;
varying vec2 v_backgroundTexCoord;

void main()
{
    vec4 osd = texture2D(u_textureOsd, v_osdTexCoord);
    vec4 background = texture2D(u_textureBackground, v_backgroundTexCoord);
    gl_FragColor = mix(background, osd, osd.a);
}
)";

}  // namespace zelvo
