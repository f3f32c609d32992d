// One frame of the video wall: 64 planes each given a new D1 picture (704 x 480 in
// lines of 768, as the decoder hands them over) and drawn into a 1280 x 720 view, then
// glFinish. Against a plain GL loop that uploads the same bytes into 192 textures and
// draws the same 64 textured quads with a bare YUV shader, and once more with the wall's
// own fragment shader at neutral settings, which tells the cost of the shader from the
// cost of the wall's structure. Runs on whatever GL the EGL surfaceless platform gives
// (Mesa llvmpipe here: CPU rendering, so figures compare only with each other). Results
// are wall-clock times per frame; llvmpipe rasterises on threads of its own, so on a
// busy machine LP_NUM_THREADS=0 (everything on the calling thread, where the CPU column
// then counts all of it) gives steadier figures.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "openglkit/GLTestContext.h"
#include "openglkit/MultiDivisionPlane.h"
#include "openglkit/ShaderSources.h"

namespace {

constexpr int kPlanes = 64;
constexpr int kWidth = 704, kHeight = 480, kLineSize = 768;
constexpr int kViewWidth = 1280, kViewHeight = 720;
constexpr double kUploadBytes =
    kPlanes * (static_cast<double>(kLineSize) * kHeight + 2.0 * (kLineSize / 2) * (kHeight / 2));

struct Picture {
  std::vector<uint8_t> y, u, v;
  explicit Picture(int seed)
      : y(static_cast<size_t>(kLineSize) * kHeight), u(static_cast<size_t>(kLineSize / 2) * (kHeight / 2)), v(u.size()) {
    for (size_t i = 0; i < y.size(); ++i) y[i] = static_cast<uint8_t>(16 + (i * 7 + seed) % 220);
    for (size_t i = 0; i < u.size(); ++i) {
      u[i] = static_cast<uint8_t>(64 + (i * 3 + seed) % 128);
      v[i] = static_cast<uint8_t>(64 + (i * 5 + seed) % 128);
    }
  }
};

std::vector<Picture> makePictures() {
  std::vector<Picture> pictures;
  for (int i = 0; i < 4; ++i) pictures.emplace_back(i * 31);
  return pictures;
}

bool reportRenderer(benchmark::State& state) {
  static bool printed = false;
  if (!printed) {
    std::fprintf(stderr, "GL_RENDERER: %s\nGL_VERSION: %s\n", glGetString(GL_RENDERER), glGetString(GL_VERSION));
    printed = true;
  }
  return state.thread_index() == 0;
}

// range(0): divisions per side (8 shows all 64 planes, 4 shows 16 and clips 48);
// range(1): 1 with a colour adjustment on every plane (the HSL path), 0 neutral.
void BM_WallFrame(benchmark::State& state) {
  zelvo::test::GLTestContext gl(kViewWidth, kViewHeight);
  if (!gl.isValid()) {
    state.SkipWithError(gl.error().c_str());
    return;
  }
  reportRenderer(state);
  const int divisions = static_cast<int>(state.range(0));
  auto wall = std::make_unique<zelvo::MultiDivisionPlane>(kPlanes);
  if (!wall->init(GL_TEXTURE0, GL_TEXTURE1, GL_TEXTURE2, GL_TEXTURE3, kViewWidth, kViewHeight)) {
    state.SkipWithError("the video program did not build");
    return;
  }
  wall->setLayout(0, divisions);
  if (state.range(1))
    for (int i = 0; i < kPlanes; ++i) wall->setConfiguration(i, {0.1f, 0.2f, 0.05f, 0.1f});
  auto pictures = makePictures();
  glViewport(0, 0, kViewWidth, kViewHeight);
  glClearColor(0, 0, 0, 1);
  int frame = 0;
  for (auto _ : state) {
    for (int i = 0; i < kPlanes; ++i) {
      const Picture& p = pictures[(i + frame) % pictures.size()];
      wall->updateVideoTexture(i, kWidth, kHeight, kLineSize, p.y.data(), 1, 1, p.u.data(), p.v.data());
    }
    glClear(GL_COLOR_BUFFER_BIT);
    wall->update(0);
    wall->render();
    glFinish();
    ++frame;
  }
  state.counters["upload_bytes_per_frame"] = kUploadBytes;
  state.counters["upload_MB_per_s"] =
      benchmark::Counter(kUploadBytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  wall.reset();
}
BENCHMARK(BM_WallFrame)
    ->ArgNames({"divisions", "adjusted"})
    ->Args({8, 0})
    ->Args({8, 1})
    ->Args({4, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

const char* kPlainVertex = R"(uniform mat4 u_MVP;
attribute vec4 a_position;
attribute vec2 a_texCoord;
varying vec2 v_texCoord;
void main() { gl_Position = u_MVP * a_position; v_texCoord = a_texCoord; }
)";
const char* kPlainFragment = R"(uniform sampler2D u_textureY;
uniform sampler2D u_textureU;
uniform sampler2D u_textureV;
uniform mat4 u_mYUVToRGB;
varying vec2 v_texCoord;
void main() {
  gl_FragColor = u_mYUVToRGB * vec4(texture2D(u_textureY, v_texCoord).r, texture2D(u_textureU, v_texCoord).r,
                                    texture2D(u_textureV, v_texCoord).r, 1.0);
}
)";

GLuint compile(GLenum type, const char* source) {
  GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

// The same 64 quads of an 8 x 8 grid in clip space, the same three uploads per plane.
// range(0): 0 the bare conversion shader, 1 the wall's video fragment shader with the
// uniforms the wall sends at neutral settings.
void BM_PlainGLFrame(benchmark::State& state) {
  zelvo::test::GLTestContext gl(kViewWidth, kViewHeight);
  if (!gl.isValid()) {
    state.SkipWithError(gl.error().c_str());
    return;
  }
  reportRenderer(state);
  GLuint program = glCreateProgram();
  const bool wallShader = state.range(0) != 0;
  GLuint vs = compile(GL_VERTEX_SHADER, kPlainVertex);
  GLuint fs = compile(GL_FRAGMENT_SHADER, wallShader ? zelvo::videoFragmentShaderSource : kPlainFragment);
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  GLint linked = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  if (!linked) {
    state.SkipWithError("the plain program did not link");
    return;
  }
  glUseProgram(program);
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const float yuvToRgb[16] = {1.1643f, 1.1643f, 1.1643f, 0, 0,         -0.39173f, 2.017f,     0,
                              1.5958f, -0.8129f, 0,       0, -0.870669f, 0.529546f, -1.081269f, 1};
  glUniformMatrix4fv(glGetUniformLocation(program, "u_MVP"), 1, GL_FALSE, identity);
  glUniformMatrix4fv(glGetUniformLocation(program, "u_mYUVToRGB"), 1, GL_FALSE, yuvToRgb);
  glUniform1i(glGetUniformLocation(program, "u_textureY"), 0);
  glUniform1i(glGetUniformLocation(program, "u_textureU"), 1);
  glUniform1i(glGetUniformLocation(program, "u_textureV"), 2);
  if (wallShader) {
    glUniformMatrix4fv(glGetUniformLocation(program, "u_mColorTransform"), 1, GL_FALSE, identity);
    glUniform1f(glGetUniformLocation(program, "u_brightness"), 0.0f);
    glUniform1f(glGetUniformLocation(program, "u_contrast"), 1.0f);
  }

  std::vector<float> positions, coords;
  const float s = static_cast<float>(kWidth) / kLineSize;
  for (int i = 0; i < kPlanes; ++i) {
    float x0 = -1 + (i % 8) * 0.25f, y0 = 1 - (i / 8) * 0.25f, x1 = x0 + 0.25f, y1 = y0 - 0.25f;
    positions.insert(positions.end(), {x0, y0, 0, x1, y0, 0, x0, y1, 0, x1, y1, 0});
    coords.insert(coords.end(), {0, 0, s, 0, 0, 1, s, 1});
  }
  GLuint buffers[2];
  glGenBuffers(2, buffers);
  GLint position = glGetAttribLocation(program, "a_position"), texCoord = glGetAttribLocation(program, "a_texCoord");
  glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(positions.size() * sizeof(float)), positions.data(),
               GL_STATIC_DRAW);
  glEnableVertexAttribArray(static_cast<GLuint>(position));
  glVertexAttribPointer(static_cast<GLuint>(position), 3, GL_FLOAT, GL_FALSE, 0, nullptr);
  glBindBuffer(GL_ARRAY_BUFFER, buffers[1]);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(coords.size() * sizeof(float)), coords.data(),
               GL_STATIC_DRAW);
  glEnableVertexAttribArray(static_cast<GLuint>(texCoord));
  glVertexAttribPointer(static_cast<GLuint>(texCoord), 2, GL_FLOAT, GL_FALSE, 0, nullptr);

  std::vector<GLuint> textures(kPlanes * 3);
  glGenTextures(static_cast<GLsizei>(textures.size()), textures.data());
  for (GLuint t : textures) {
    glBindTexture(GL_TEXTURE_2D, t);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
  auto pictures = makePictures();
  glViewport(0, 0, kViewWidth, kViewHeight);
  glClearColor(0, 0, 0, 1);
  int frame = 0;
  for (auto _ : state) {
    for (int i = 0; i < kPlanes; ++i) {
      const Picture& p = pictures[(i + frame) % pictures.size()];
      const uint8_t* planes[3] = {p.y.data(), p.u.data(), p.v.data()};
      for (int k = 0; k < 3; ++k) {
        glActiveTexture(GL_TEXTURE0 + k);
        glBindTexture(GL_TEXTURE_2D, textures[i * 3 + k]);
        int w = k ? kLineSize / 2 : kLineSize, h = k ? kHeight / 2 : kHeight;
        glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, w, h, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, planes[k]);
      }
    }
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < kPlanes; ++i) {
      for (int k = 0; k < 3; ++k) {
        glActiveTexture(GL_TEXTURE0 + k);
        glBindTexture(GL_TEXTURE_2D, textures[i * 3 + k]);
      }
      glDrawArrays(GL_TRIANGLE_STRIP, i * 4, 4);
    }
    glFinish();
    ++frame;
  }
  state.counters["upload_bytes_per_frame"] = kUploadBytes;
  state.counters["upload_MB_per_s"] =
      benchmark::Counter(kUploadBytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
  glDeleteBuffers(2, buffers);
  glDeleteShader(vs);
  glDeleteShader(fs);
  glDeleteProgram(program);
}
BENCHMARK(BM_PlainGLFrame)->ArgName("wall_shader")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
