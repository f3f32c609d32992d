// Shaders and programs on a real context: logs, creation failures, the location
// cache and the overlay blend.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "openglkit/ArrayVertexBuffer.h"
#include "openglkit/FragmentShader.h"
#include "openglkit/GLTestContext.h"
#include "openglkit/InfoLog.h"
#include "openglkit/Program.h"
#include "openglkit/ShaderSources.h"
#include "openglkit/Texture.h"
#include "openglkit/VertexShader.h"

namespace zelvo {
namespace {

// A fake object whose log length the test sets.
GLint fakeLogLength = 0;
int fakeLogReads = 0;

void fakeParameter(GLuint, GLenum parameter, GLint* value) {
  *value = parameter == GL_INFO_LOG_LENGTH ? fakeLogLength : 0;
}

void fakeLog(GLuint, GLsizei maximum, GLsizei* length, GLchar* log) {
  ++fakeLogReads;
  GLsizei n = std::min<GLsizei>(maximum, fakeLogLength);
  std::memset(log, 'x', static_cast<size_t>(n - 1));
  log[n - 1] = '\0';
  *length = n - 1;
}

TEST(InfoLog, EmptyLogReadsNoLog) {
  fakeLogLength = 0;
  fakeLogReads = 0;
  InfoLog log(7, fakeParameter, fakeLog);
  EXPECT_STREQ(log.text(), "(NO LOG)");
  EXPECT_EQ(fakeLogReads, 0);
  EXPECT_EQ(log.capacity(), 0);
}

TEST(InfoLog, BufferIsReusedWhileLargeEnough) {
  InfoLog log(7, fakeParameter, fakeLog);
  struct Step {
    GLint length;
    int capacity;
  };
  const Step steps[] = {{10, 10}, {5, 10}, {20, 20}, {20, 20}};
  const char* previous = nullptr;
  for (const auto& step : steps) {
    fakeLogLength = step.length;
    const char* text = log.text();
    EXPECT_EQ(std::strlen(text), static_cast<size_t>(step.length - 1));
    EXPECT_EQ(log.capacity(), step.capacity) << "after a log of " << step.length;
    if (previous && step.capacity == 10) {
      EXPECT_EQ(text, previous) << "the 10-byte buffer is reused";
    }
    previous = text;
  }
}

class ProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gl.isValid()) FAIL() << "no GL context: " << gl.error();
  }
  test::GLTestContext gl{8, 8};
};
using ProgramDeathTest = ProgramTest;

TEST_F(ProgramTest, CleanCompileAndLinkHaveNoLog) {
  VertexShader shader;
  shader.setSource(videoVertexShaderSource);
  EXPECT_TRUE(shader.compile());
  EXPECT_STREQ(shader.infoLog(), "(NO LOG)");
  auto program = Program::create(videoVertexShaderSource, videoFragmentShaderSource);
  ASSERT_NE(program, nullptr);
  EXPECT_STREQ(program->infoLog(), "(NO LOG)");
  auto osd = Program::create(osdVertexShaderSource, osdFragmentShaderSource);
  ASSERT_NE(osd, nullptr);
}

TEST_F(ProgramTest, ShadersAreDeletedOnceLinked) {
  auto program = Program::create(videoVertexShaderSource, videoFragmentShaderSource);
  ASSERT_NE(program, nullptr);
  // The program keeps its shaders attached, but each is already flagged for deletion
  // and goes with the program.
  GLuint shaders[2] = {};
  GLsizei count = 0;
  glGetAttachedShaders(program->name(), 2, &count, shaders);
  for (GLsizei i = 0; i < count; ++i) {
    GLint deleting = 0;
    glGetShaderiv(shaders[i], GL_DELETE_STATUS, &deleting);
    EXPECT_EQ(deleting, GL_TRUE);
  }
}

TEST_F(ProgramTest, BrokenFragmentShaderIsReportedAndGivesNoProgram) {
  testing::internal::CaptureStderr();
  auto program = Program::create(videoVertexShaderSource, "void main() { gl_FragColor = nonsense; }\n");
  std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(program, nullptr);
  EXPECT_EQ(errors.rfind("Shader compile failed: ", 0), 0u) << errors;
  EXPECT_EQ(errors.find("Shader compile failed: ", 1), std::string::npos) << "only the fragment shader failed";
  EXPECT_NE(errors.find("nonsense"), std::string::npos) << "the compiler's log follows";
  EXPECT_NE(errors.find("Failed to link program: "), std::string::npos) << errors;
}

TEST_F(ProgramTest, LinkFailureGivesNoProgram) {
  // Both compile, but the fragment stage reads a varying the vertex stage never writes
  // with that type.
  testing::internal::CaptureStderr();
  auto program = Program::create(videoVertexShaderSource,
                                 "varying vec3 v_texCoord;\nvoid main() { gl_FragColor = vec4(v_texCoord, 1.0); }\n");
  std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(program, nullptr);
  EXPECT_EQ(errors.find("Shader compile failed"), std::string::npos) << errors;
  EXPECT_EQ(errors.rfind("Failed to link program: ", 0), 0u) << errors;
}

TEST_F(ProgramTest, ValidationFailureGivesNoProgram) {
  // Links, but two samplers of different types both read texture unit 0 (their default),
  // which a program cannot do: validation refuses it.
  testing::internal::CaptureStderr();
  auto program = Program::create(videoVertexShaderSource,
                                 "uniform sampler2D u_flat;\nuniform samplerCube u_cube;\nvarying vec2 v_texCoord;\n"
                                 "void main() { gl_FragColor = texture2D(u_flat, v_texCoord) + "
                                 "textureCube(u_cube, vec3(v_texCoord, 1.0)); }\n");
  std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(program, nullptr);
  EXPECT_EQ(errors.find("Failed to link program"), std::string::npos) << errors;
  EXPECT_EQ(errors.rfind("Failed to validate: ", 0), 0u) << errors;
  EXPECT_GT(errors.size(), std::string("Failed to validate: ").size()) << "the program's log follows";
}

TEST_F(ProgramTest, CreateStartsFromTheHostsFramebuffer) {
  GLuint other = 0;
  glGenFramebuffers(1, &other);
  glBindFramebuffer(GL_FRAMEBUFFER, other);
  auto program = Program::create(osdVertexShaderSource, osdFragmentShaderSource);
  GLint bound = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
  EXPECT_EQ(bound, 0);
  glDeleteFramebuffers(1, &other);
}

TEST_F(ProgramTest, LocationsAreCachedAndMatchGL) {
  auto program = Program::create(videoVertexShaderSource, videoFragmentShaderSource);
  ASSERT_NE(program, nullptr);
  const char* uniforms[] = {"u_MVP",           "u_textureY",   "u_textureU", "u_textureV",
                            "u_mYUVToRGB",     "u_mColorTransform", "u_brightness", "u_contrast"};
  for (const char* name : uniforms) {
    GLint location = program->uniformLocation(name);
    EXPECT_EQ(location, glGetUniformLocation(program->name(), name)) << name;
    EXPECT_EQ(program->uniformLocation(std::string(name).c_str()), location) << name;
  }
  for (const char* name : {"a_position", "a_texCoord"})
    EXPECT_EQ(program->attributeLocation(name), glGetAttribLocation(program->name(), name)) << name;
}

TEST_F(ProgramTest, UniformSettersReachTheProgram) {
  auto program = Program::create(videoVertexShaderSource, videoFragmentShaderSource);
  ASSERT_NE(program, nullptr);
  program->use();
  program->setUniform1f("u_contrast", 2.5f);
  program->setUniform1i("u_textureV", 2);
  const float columns[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  program->setUniformMatrix4fv("u_mColorTransform", Matrix(columns));
  GLfloat contrast = 0;
  glGetUniformfv(program->name(), program->uniformLocation("u_contrast"), &contrast);
  EXPECT_EQ(contrast, 2.5f);
  GLint unit = 0;
  glGetUniformiv(program->name(), program->uniformLocation("u_textureV"), &unit);
  EXPECT_EQ(unit, 2);
  GLfloat matrix[16] = {};
  glGetUniformfv(program->name(), program->uniformLocation("u_mColorTransform"), matrix);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(matrix[i], columns[i]) << "column-major, not transposed, at " << i;
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ProgramDeathTest, UnknownNameStops) {
  auto program = Program::create(videoVertexShaderSource, videoFragmentShaderSource);
  ASSERT_NE(program, nullptr);
  EXPECT_DEATH(program->setUniform1f("u_gamma", 1.0f), "findLocation, openglkit/Program:[0-9]+: \\(result != -1\\)");
  EXPECT_DEATH(program->attributeLocation("a_colour"), "result != -1");
}

TEST_F(ProgramDeathTest, ShaderTypeOutsideVertexAndFragmentStops) {
  EXPECT_DEATH(Shader shader(GL_GEOMETRY_SHADER),
               "Shader, openglkit/Shader:[0-9]+: Invalid parameter not satisfying: type == GL_VERTEX_SHADER \\|\\| "
               "type == GL_FRAGMENT_SHADER");
}

// The overlay program over one full-view quad: 1 x 1 textures, identity MVP.
struct BlendCase {
  const char* name;
  uint8_t osd[4];
  uint8_t background[4];
  uint8_t expected[4];
};

class OsdBlend : public testing::TestWithParam<BlendCase> {};

TEST_P(OsdBlend, MixesByOverlayAlpha) {
  test::GLTestContext gl(4, 4);
  if (!gl.isValid()) FAIL() << "no GL context: " << gl.error();
  const auto& c = GetParam();
  auto program = Program::create(osdVertexShaderSource, osdFragmentShaderSource);
  ASSERT_NE(program, nullptr);
  Texture osd, background;
  Texture::activeTexture(GL_TEXTURE5);
  osd.bind();
  osd.setFilter(GL_NEAREST, GL_NEAREST);
  osd.setImage(GL_RGBA, 1, 1, GL_UNSIGNED_BYTE, c.osd);
  Texture::activeTexture(GL_TEXTURE4);
  background.bind();
  background.setFilter(GL_NEAREST, GL_NEAREST);
  background.setImage(GL_RGBA, 1, 1, GL_UNSIGNED_BYTE, c.background);

  const float positions[] = {-1, 1, 0, 1, 1, 0, -1, -1, 0, 1, -1, 0};
  const float coords[] = {0, 0, 1, 0, 0, 1, 1, 1};
  ArrayVertexBuffer positionBuffer, osdBuffer, backgroundBuffer;
  program->use();
  positionBuffer.bind();
  positionBuffer.setData(sizeof positions, positions, GL_STATIC_DRAW);
  program->enableVertexAttribArray("a_position", true);
  program->vertexAttribPointer("a_position", 3, GL_FLOAT, false, 0, 0);
  osdBuffer.bind();
  osdBuffer.setData(sizeof coords, coords, GL_STATIC_DRAW);
  program->enableVertexAttribArray("a_osdTexCoord", true);
  program->vertexAttribPointer("a_osdTexCoord", 2, GL_FLOAT, false, 0, 0);
  backgroundBuffer.bind();
  backgroundBuffer.setData(sizeof coords, coords, GL_STATIC_DRAW);
  program->enableVertexAttribArray("a_backgroundTexCoord", true);
  program->vertexAttribPointer("a_backgroundTexCoord", 2, GL_FLOAT, false, 0, 0);
  program->setUniformMatrix4fv("u_MVP", Matrix::identity());
  program->setUniform1i("u_textureOsd", Texture::unitIndex(GL_TEXTURE5));
  program->setUniform1i("u_textureBackground", Texture::unitIndex(GL_TEXTURE4));
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  uint8_t pixel[4] = {};
  glReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(pixel[i], c.expected[i], 1) << "channel " << i;
  for (const char* name : {"a_position", "a_osdTexCoord", "a_backgroundTexCoord"})
    program->enableVertexAttribArray(name, false);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OsdBlend,
    testing::Values(BlendCase{"TransparentShowsBackground", {255, 255, 255, 0}, {10, 20, 30, 255}, {10, 20, 30, 255}},
                    BlendCase{"OpaqueShowsOverlay", {200, 100, 50, 255}, {10, 20, 30, 255}, {200, 100, 50, 255}},
                    // Straight alpha: background x (1 - a) + osd x a, alpha channel included.
                    BlendCase{"HalfBlends", {255, 0, 0, 128}, {0, 0, 255, 255}, {128, 0, 127, 191}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvo
