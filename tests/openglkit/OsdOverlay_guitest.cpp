// The overlay's update on GL: the canvas follows a reshape and reaches the OSD texture.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "openglkit/GLTestContext.h"
#include "openglkit/MultiDivisionOsdPlane.h"
#include "openglkit/OsdCanvas.h"

namespace zelvo {
namespace {

std::vector<uint8_t> textureBytes(const Texture& texture) {
  std::vector<uint8_t> bytes(static_cast<size_t>(texture.width()) * texture.height() * 4);
  glActiveTexture(GL_TEXTURE5);
  glBindTexture(GL_TEXTURE_2D, texture.name());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
  return bytes;
}

TEST(OsdOverlayUpdate, ReshapeTo801By601RespecifiesLaysOutAndRedraws) {
  test::GLTestContext gl;
  if (!gl.isValid()) FAIL() << "no GL context: " << gl.error();
  MultiDivisionOsdPlane overlay(4);
  ASSERT_TRUE(overlay.init(GL_TEXTURE5, GL_TEXTURE4, 200, 100));
  EXPECT_TRUE(overlay.update(0));
  overlay.reshape(801, 601);
  EXPECT_EQ(overlay.osdTexture().width(), 200);
  EXPECT_TRUE(overlay.update(0));
  EXPECT_EQ(overlay.osdTexture().width(), 801);
  EXPECT_EQ(overlay.osdTexture().height(), 601);
  EXPECT_EQ(overlay.canvas().plane(0).frame(), (OsdRect{0, 0, 801, 601}));
  ASSERT_EQ(overlay.canvas().image().size(), QSize(801, 601));
  // The texture holds the canvas, top row first, straight alpha.
  const std::vector<uint8_t> bytes = textureBytes(overlay.osdTexture());
  const QImage& canvas = overlay.canvas().image();
  ASSERT_EQ(bytes.size(), static_cast<size_t>(canvas.sizeInBytes()));
  EXPECT_EQ(0, std::memcmp(bytes.data(), canvas.constBits(), bytes.size()));
  // Plane 0's opaque black background at the centre; the selection band at the top edge.
  const size_t centre = (300 * 801 + 400) * 4;
  EXPECT_EQ(bytes[centre], 0);
  EXPECT_EQ(bytes[centre + 3], 255);
  EXPECT_GT(bytes[(1 * 801 + 400) * 4], 200);
}

// What a layout change leaves in the texture (here a stale fill) is gone at the next
// update, also when the view grew meanwhile: the texture holds the new layout's canvas.
TEST(OsdOverlayUpdate, ANewLayoutReplacesTheTexturesContentAtTheNextUpdate) {
  test::GLTestContext gl;
  if (!gl.isValid()) FAIL() << "no GL context: " << gl.error();
  for (const bool grown : {false, true}) {
    SCOPED_TRACE(grown ? "after a growing reshape" : "same size");
    MultiDivisionOsdPlane overlay(64);
    ASSERT_TRUE(overlay.init(GL_TEXTURE5, GL_TEXTURE4, 200, 100));
    ASSERT_TRUE(overlay.update(0));
    {
      const Texture& texture = overlay.osdTexture();
      const std::vector<uint8_t> stale(static_cast<size_t>(texture.width()) * texture.height() * 4, 0xAB);
      glActiveTexture(GL_TEXTURE5);
      glBindTexture(GL_TEXTURE_2D, texture.name());
      glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, texture.width(), texture.height(), GL_RGBA, GL_UNSIGNED_BYTE,
                      stale.data());
    }
    if (grown) overlay.reshape(400, 300);
    overlay.setLayout(5, 2);
    overlay.update(0);
    EXPECT_EQ(overlay.osdTexture().width(), grown ? 400 : 200);
    const std::vector<uint8_t> bytes = textureBytes(overlay.osdTexture());
    const QImage& canvas = overlay.canvas().image();
    ASSERT_EQ(bytes.size(), static_cast<size_t>(canvas.sizeInBytes()));
    EXPECT_EQ(0, std::memcmp(bytes.data(), canvas.constBits(), bytes.size()));
  }
}

TEST(OsdOverlayUpdate, ReturnsTrueWhetherOrNotItRedrew) {
  test::GLTestContext gl;
  if (!gl.isValid()) FAIL() << "no GL context: " << gl.error();
  MultiDivisionOsdPlane overlay(4);
  ASSERT_TRUE(overlay.init(GL_TEXTURE5, GL_TEXTURE4, 64, 64));
  EXPECT_TRUE(overlay.update(0));
  EXPECT_FALSE(overlay.canvas().needsRedraw());
  EXPECT_TRUE(overlay.update(0));
}

}  // namespace
}  // namespace zelvo
