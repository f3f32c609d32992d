// The GL object wrappers on a real context (Mesa, EGL surfaceless, no X server).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "openglkit/ArrayVertexBuffer.h"
#include "openglkit/FrameBuffer.h"
#include "openglkit/RenderBuffer.h"
#include "openglkit/Texture.h"
#include "openglkit/VertexBuffer.h"
#include "openglkit/GLTestContext.h"

namespace zelvo {
namespace {

class GLObjects : public testing::Test {
 protected:
  void SetUp() override {
    if (!gl.isValid()) FAIL() << "no GL context: " << gl.error();
  }
  test::GLTestContext gl;
};

// Death tests make their own context in the child.
using GLObjectsDeathTest = GLObjects;

struct UnitCase {
  GLenum unit;
  int index;
};

TEST(TextureUnitIndex, MapsUnitsZeroToEight) {
  const UnitCase cases[] = {{GL_TEXTURE0, 0}, {GL_TEXTURE3, 3}, {GL_TEXTURE8, 8},
                            {GL_TEXTURE9, -1}, {GL_TEXTURE0 - 1, -1}, {0, -1}};
  for (const auto& c : cases) EXPECT_EQ(Texture::unitIndex(c.unit), c.index) << "unit 0x" << std::hex << c.unit;
}

TEST_F(GLObjects, EachWrapperOwnsOneName) {
  GLuint textureName, bufferName, framebufferName, renderbufferName;
  {
    Texture texture;
    ArrayVertexBuffer buffer;
    FrameBuffer framebuffer;
    RenderBuffer renderbuffer;
    texture.bind();
    buffer.bind();
    framebuffer.bind();
    renderbuffer.bind();
    textureName = texture.name();
    bufferName = buffer.name();
    framebufferName = framebuffer.name();
    renderbufferName = renderbuffer.name();
    EXPECT_TRUE(glIsTexture(textureName));
    EXPECT_TRUE(glIsBuffer(bufferName));
    EXPECT_TRUE(glIsFramebuffer(framebufferName));
    EXPECT_TRUE(glIsRenderbuffer(renderbufferName));
    EXPECT_EQ(buffer.target(), static_cast<GLenum>(GL_ARRAY_BUFFER));
    EXPECT_EQ(texture.width(), 0);
    EXPECT_EQ(texture.height(), 0);
    FrameBuffer::unbind();
  }
  EXPECT_FALSE(glIsTexture(textureName));
  EXPECT_FALSE(glIsBuffer(bufferName));
  EXPECT_FALSE(glIsFramebuffer(framebufferName));
  EXPECT_FALSE(glIsRenderbuffer(renderbufferName));
}

TEST_F(GLObjects, SetImageRecordsSizeAndRoundTrips) {
  Texture texture;
  texture.bind();
  texture.setWrapMode(GL_CLAMP_TO_EDGE);
  texture.setFilter(GL_NEAREST, GL_NEAREST);
  std::vector<uint8_t> pattern(3 * 2 * 4);
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(i * 7 + 1);
  texture.setImage(GL_RGBA, 3, 2, GL_UNSIGNED_BYTE, pattern.data());
  EXPECT_EQ(texture.width(), 3);
  EXPECT_EQ(texture.height(), 2);
  std::vector<uint8_t> back(pattern.size());
  texture.getImage(GL_RGBA, GL_UNSIGNED_BYTE, back.data());
  EXPECT_EQ(back, pattern);

  // A sub-image of exactly the recorded size passes.
  std::vector<uint8_t> white(pattern.size(), 255);
  texture.updateImage(GL_RGBA, 0, 0, 3, 2, GL_UNSIGNED_BYTE, white.data());
  texture.getImage(GL_RGBA, GL_UNSIGNED_BYTE, back.data());
  EXPECT_EQ(back, white);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GLObjects, SetImageWithoutPixelsOnlyAllocates) {
  Texture texture;
  texture.bind();
  texture.setImage(GL_LUMINANCE, 736, 480, GL_UNSIGNED_BYTE, nullptr);
  EXPECT_EQ(texture.width(), 736);
  EXPECT_EQ(texture.height(), 480);
  GLint width = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 736);
  std::vector<uint8_t> row(736, 9);
  texture.updateImage(GL_LUMINANCE, 0, 479, 736, 1, GL_UNSIGNED_BYTE, row.data());
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GLObjects, FilterAndWrapModesReachTheTexture) {
  Texture texture;
  texture.bind();
  texture.setFilter(GL_LINEAR_MIPMAP_NEAREST, GL_NEAREST);
  texture.setWrapMode(GL_MIRRORED_REPEAT, GL_CLAMP_TO_EDGE);
  GLint value = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
  EXPECT_EQ(value, GL_LINEAR_MIPMAP_NEAREST);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
  EXPECT_EQ(value, GL_NEAREST);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
  EXPECT_EQ(value, GL_MIRRORED_REPEAT);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
  EXPECT_EQ(value, GL_CLAMP_TO_EDGE);
  texture.setParameter(GL_TEXTURE_WRAP_S, GL_REPEAT);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
  EXPECT_EQ(value, GL_REPEAT);
}

TEST_F(GLObjects, ActiveTextureSelectsTheUnit) {
  Texture::activeTexture(GL_TEXTURE5);
  GLint unit = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
  EXPECT_EQ(unit, GL_TEXTURE5);
  Texture::activeTexture(GL_TEXTURE0);
}

TEST_F(GLObjects, VertexBufferDataAndUpdate) {
  VertexBuffer buffer(GL_ELEMENT_ARRAY_BUFFER);
  EXPECT_EQ(buffer.target(), static_cast<GLenum>(GL_ELEMENT_ARRAY_BUFFER));
  buffer.bind();
  const float initial[4] = {1, 2, 3, 4};
  buffer.setData(sizeof initial, initial, GL_DYNAMIC_DRAW);
  const float patch[2] = {8, 9};
  buffer.updateData(sizeof(float), sizeof patch, patch);
  float back[4] = {};
  glGetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, sizeof back, back);
  EXPECT_EQ(back[0], 1);
  EXPECT_EQ(back[1], 8);
  EXPECT_EQ(back[2], 9);
  EXPECT_EQ(back[3], 4);

  ArrayVertexBuffer vertices;
  vertices.bind();
  vertices.setData(64, nullptr, GL_STATIC_DRAW);
  vertices.attributePointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
  GLint enabled = 0;
  glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
  EXPECT_EQ(enabled, 1);
  glDisableVertexAttribArray(0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

std::vector<uint8_t> readPixel(int x, int y) {
  std::vector<uint8_t> pixel(4);
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
  return pixel;
}

TEST_F(GLObjects, UnbindSendsDrawingBackToTheWindow) {
  Texture target;
  target.bind();
  target.setImage(GL_RGBA, 4, 4, GL_UNSIGNED_BYTE, nullptr);
  FrameBuffer framebuffer;
  framebuffer.bind();
  framebuffer.attachTexture(GL_COLOR_ATTACHMENT0, target);
  ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);

  FrameBuffer::unbind();  // the wrapper still exists
  GLint bound = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
  EXPECT_EQ(bound, 0);
  glClearColor(0, 1, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(readPixel(0, 0), (std::vector<uint8_t>{0, 255, 0, 255}));

  framebuffer.bind();
  EXPECT_EQ(readPixel(0, 0), (std::vector<uint8_t>{255, 0, 0, 255}));
  FrameBuffer::unbind();
}

TEST_F(GLObjects, UnbindReturnsToTheHostsFramebuffer) {
  // A widget host draws into a framebuffer of its own, not into 0.
  Texture hostTarget;
  hostTarget.bind();
  hostTarget.setImage(GL_RGBA, 4, 4, GL_UNSIGNED_BYTE, nullptr);
  FrameBuffer host;
  host.bind();
  host.attachTexture(GL_COLOR_ATTACHMENT0, hostTarget);
  FrameBuffer::setDefaultFramebuffer(host.name());
  FrameBuffer other;
  other.bind();
  FrameBuffer::unbind();
  GLint bound = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), host.name());
  FrameBuffer::setDefaultFramebuffer(0);
  FrameBuffer::unbind();
}

TEST_F(GLObjects, RenderBufferStorageAttaches) {
  RenderBuffer colour;
  colour.bind();
  colour.storage(GL_RGBA8, 8, 6);
  EXPECT_EQ(colour.width(), 8);
  EXPECT_EQ(colour.height(), 6);
  FrameBuffer framebuffer;
  framebuffer.bind();
  framebuffer.attachRenderBuffer(GL_COLOR_ATTACHMENT0, colour);
  EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(readPixel(7, 5), (std::vector<uint8_t>{0, 0, 255, 255}));
  FrameBuffer::unbind();
}

TEST_F(GLObjectsDeathTest, UpdateBeyondTheRecordedSizeStops) {
  Texture texture;
  texture.bind();
  texture.setImage(GL_LUMINANCE, 4, 2, GL_UNSIGNED_BYTE, nullptr);
  uint8_t bytes[16] = {};
  EXPECT_DEATH(texture.updateImage(GL_LUMINANCE, 0, 0, 5, 2, GL_UNSIGNED_BYTE, bytes),
               "Invalid parameter not satisfying: xoffset \\+ width <= width_");
  EXPECT_DEATH(texture.updateImage(GL_LUMINANCE, 1, 0, 4, 1, GL_UNSIGNED_BYTE, bytes),
               "Invalid parameter not satisfying: xoffset \\+ width <= width_");
  EXPECT_DEATH(texture.updateImage(GL_LUMINANCE, 0, 0, 4, 3, GL_UNSIGNED_BYTE, bytes),
               "Invalid parameter not satisfying: yoffset \\+ height <= height_");
  EXPECT_DEATH(texture.updateImage(GL_LUMINANCE, 0, 2, 1, 1, GL_UNSIGNED_BYTE, bytes),
               "updateImage, openglkit/Texture");
}

TEST_F(GLObjectsDeathTest, UpdateOfANeverSetTextureStops) {
  Texture texture;
  texture.bind();
  uint8_t byte = 0;
  EXPECT_DEATH(texture.updateImage(GL_LUMINANCE, 0, 0, 1, 1, GL_UNSIGNED_BYTE, &byte),
               "Invalid parameter not satisfying: xoffset \\+ width <= width_");
}

TEST_F(GLObjectsDeathTest, FilterOutsideTheListsStops) {
  Texture texture;
  texture.bind();
  EXPECT_DEATH(texture.setFilter(GL_REPEAT, GL_LINEAR),
               "setFilter, openglkit/Texture:[0-9]+: Invalid parameter not satisfying: minification == GL_NEAREST "
               "\\|\\| minification == GL_LINEAR \\|\\| minification == GL_NEAREST_MIPMAP_NEAREST");
  EXPECT_DEATH(texture.setFilter(GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR),
               "Invalid parameter not satisfying: magnification == GL_NEAREST \\|\\| magnification == GL_LINEAR");
}

TEST_F(GLObjectsDeathTest, WrapModeOutsideTheListStops) {
  Texture texture;
  texture.bind();
  EXPECT_DEATH(texture.setWrapMode(GL_LINEAR, GL_REPEAT),
               "setWrapMode, openglkit/Texture:[0-9]+: Invalid parameter not satisfying: s == GL_REPEAT \\|\\| s "
               "== GL_CLAMP_TO_EDGE \\|\\| s == GL_MIRRORED_REPEAT");
  EXPECT_DEATH(texture.setWrapMode(GL_REPEAT, GL_CLAMP_TO_BORDER),
               "Invalid parameter not satisfying: t == GL_REPEAT \\|\\| t == GL_CLAMP_TO_EDGE \\|\\| t == "
               "GL_MIRRORED_REPEAT");
}

TEST_F(GLObjectsDeathTest, BufferTargetAndUsageOutsideTheListsStop) {
  EXPECT_DEATH(VertexBuffer buffer(GL_TEXTURE_2D),
               "VertexBuffer, openglkit/VertexBuffer:[0-9]+: Invalid parameter not satisfying: target == "
               "GL_ARRAY_BUFFER \\|\\| target == GL_ELEMENT_ARRAY_BUFFER");
  ArrayVertexBuffer buffer;
  buffer.bind();
  EXPECT_DEATH(buffer.setData(4, nullptr, GL_STATIC_READ),
               "setData, openglkit/VertexBuffer:[0-9]+: Invalid parameter not satisfying: usage == GL_STATIC_DRAW "
               "\\|\\| usage == GL_DYNAMIC_DRAW \\|\\| usage == GL_STREAM_DRAW");
}

#ifndef NDEBUG
TEST_F(GLObjectsDeathTest, ReadingATextureThatIsNotBoundStopsInDebugBuilds) {
  // glGetTexImage writes the bound texture's whole image: a buffer sized from another
  // texture could overflow.
  Texture small, large;
  small.bind();
  small.setImage(GL_RGBA, 1, 1, GL_UNSIGNED_BYTE, nullptr);
  large.bind();
  large.setImage(GL_RGBA, 64, 64, GL_UNSIGNED_BYTE, nullptr);
  uint8_t pixel[4];
  EXPECT_DEATH(small.getImage(GL_RGBA, GL_UNSIGNED_BYTE, pixel), "getImage, openglkit/Texture");
}
#endif

}  // namespace
}  // namespace zelvo
