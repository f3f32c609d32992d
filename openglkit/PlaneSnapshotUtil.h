#pragma once
// Renders one video tile off screen at the picture's own size and reads it back
// upright, for snapshots that depend neither on the tile's size on screen nor on the
// overlay. A member of the wall; GL thread only.

#include "openglkit/FrameBuffer.h"
#include "openglkit/OpenGL.h"
#include "openglkit/RgbaImage.h"
#include "openglkit/Texture.h"

namespace zelvo {

class MultiDivisionPlane;
class Plane;

class PlaneSnapshotUtil {
 public:
  PlaneSnapshotUtil() = default;
  PlaneSnapshotUtil(const PlaneSnapshotUtil&) = delete;
  PlaneSnapshotUtil& operator=(const PlaneSnapshotUtil&) = delete;

  bool init(GLenum unit);
  void setupTexture(GLenum unit);
  void attachTexture(const Texture& texture);
  void resize(int width, int height);
  void resize(const Plane& plane);

  // Leaves the snapshot framebuffer bound and the viewport at the picture's size; the
  // host restores its own before it draws again.
  RgbaImage snapshot(MultiDivisionPlane& wall, int plane);
  // The texture's current contents, top row first.
  RgbaImage image();

  GLenum unit() const { return unit_; }
  const Texture& texture() const { return texture_; }
  const FrameBuffer& frameBuffer() const { return frameBuffer_; }

 private:
  GLenum unit_ = GL_TEXTURE3;
  Texture texture_;
  FrameBuffer frameBuffer_;
};

}  // namespace zelvo
